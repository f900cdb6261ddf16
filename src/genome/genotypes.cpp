// readGenotypingData: every subject file of a pool, joined to the SNP table by
// rs identifier and packed two bits per call.
//
// Each line is joined as it is read, through a hash index over pASNP, instead
// of buffering and sorting a subject's lines for a merge with pASNP. The i-th
// line of an rs identifier takes the i-th record of the identifier's run in
// pASNP and lines beyond the run fail to find it: the pairs, counts and
// messages of the sorted merge, with ties in file and table order. The
// typing-record buffer of the merge is therefore only a capacity figure whose
// growth is reported as before.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <exception>
#include <thread>
#include <string_view>
#include <system_error>
#include <vector>

#include "driver/lines/input_file.h"
#include "driver/lines/lines.h"
#include "driver/lines/output.h"
#include "genome/genome.h"
#include "genome/rsid_index.h"

namespace {

// Bytes of one typing record of the buffer, for the MegaBytes report.
constexpr int64_t kTypingRecordBytes = 24;

struct Layout {
  int32_t rsColumn;    // 1-based
  int32_t callColumn;  // 1-based
};

// Layout A (rs ID, call) unless the first field is digits only or empty, which
// is layout B (call in column 3, rs ID in column 5).
Layout chooseLayout(const char* firstField) {
  for (const char* p = firstField; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return {1, 2};
  }
  return {5, 3};
}

int callCode(const char* call) {
  if (call[0] == 'A' && call[1] == 'A') return GTYPE_AA;
  if (call[0] == 'B' && call[1] == 'B') return GTYPE_BB;
  if (call[0] == 'A' && call[1] == 'B') return GTYPE_AB;
  return GTYPE_OTHER;
}

InputFile openTyping(const std::string& path) {
  InputFile file = openInput(path);
  if (!file) fatal("ERROR: Cannot open the genotyping file %s\n", path.c_str());
  return file;
}

int64_t countLines(const std::string& path, char* buf) {
  InputFile file = openTyping(path);
  int64_t lines = 0;
  while (MyFgets(buf, kLineLimit, file.get()) != nullptr) ++lines;
  requireWholeFile(file.get(), "Genotyping file", path);
  return lines;
}

void reportCapacity(int64_t capacity) {
  std::fprintf(stderr, "\n%.2f MegaBytes were allocated for reading genotyping data.\n",
               static_cast<double>(capacity * kTypingRecordBytes) / 1000 / 1000);
}

struct SubjectCounts {
  int64_t linesRead = 0;
  int64_t calls[4] = {0, 0, 0, 0};  // by code; [0] unused
  int64_t notFound = 0;
};

// Marks a record no line of the subject met.
constexpr uint8_t kNotMet = 0xFF;

// One subject's file, read and joined: by table index, the call to store in
// each record its lines met (GTYPE_NONE for an unrecognised call) or kNotMet;
// a record is met at most once per subject. Kept in table order so that the
// stores walk the table instead of jumping through it. A file that could not
// be read whole carries the message that stops the run when its turn comes.
struct SubjectResult {
  SubjectCounts counts;
  std::vector<uint8_t> codes;  // by table index
  std::string failure;         // empty when the file was read whole
};

// The lines of a file read in large blocks, with the line ends of MyFgets: LF,
// CR LF and a lone CR end a line, a last line without an end still counts and
// an empty final stretch is not a line. Lines of kLineLimit or more characters
// stop the reading as they stop MyFgets. Each line is handed back terminated in
// place, so a NUL byte in it ends its text as with MyFgets.
class BlockLines {
 public:
  static constexpr size_t kBlock = size_t{1} << 20;

  void allocate() { buf_.assign(kBlock + kLineLimit + 2, '\0'); }

  void start(FILE* file) {
    file_ = file;
    begin_ = end_ = 0;
    atEnd_ = false;
    stop_ = LineStop::endOfFile;
  }

  // The next line, or nullptr when none is left; stop() then tells why.
  char* next() {
    for (;;) {
      char* const data = buf_.data();
      size_t at = begin_;
      while (at < end_ && data[at] != '\n' && data[at] != '\r') ++at;
      const size_t len = at - begin_;
      if (len >= static_cast<size_t>(kLineLimit)) {
        // A read error seen on the way is what stops the file.
        if (stop_ != LineStop::readError) stop_ = LineStop::lineTooLong;
        return nullptr;
      }
      if (at < end_) {
        // A CR ends the line; an LF right after it belongs to the same end, so
        // the byte after a CR must be in the buffer before the line is passed.
        if (data[at] == '\r' && at + 1 == end_ && !atEnd_) {
          refill();
          continue;
        }
        size_t after = at + 1;
        if (data[at] == '\r' && after < end_ && data[after] == '\n') ++after;
        // A CR that is the last byte of the file ends no empty line.
        if (data[at] == '\r' && len == 0 && after == end_ && atEnd_) {
          begin_ = end_;
          return nullptr;
        }
        data[at] = '\0';
        char* line = data + begin_;
        begin_ = after;
        return line;
      }
      if (atEnd_) {
        if (len == 0) return nullptr;
        data[end_] = '\0';
        begin_ = end_;
        return data + (end_ - len);
      }
      refill();
    }
  }

  LineStop stop() const { return stop_; }

 private:
  // Moves the unread part to the front and appends a block of the file.
  void refill() {
    char* const data = buf_.data();
    const size_t kept = end_ - begin_;
    if (begin_ > 0 && kept > 0) std::memmove(data, data + begin_, kept);
    begin_ = 0;
    end_ = kept;
    const size_t room = buf_.size() - 1 - end_;
    const size_t got = std::fread(data + end_, 1, room, file_);
    end_ += got;
    if (got < room) {
      atEnd_ = true;
      if (std::ferror(file_)) stop_ = LineStop::readError;
    }
  }

  FILE* file_ = nullptr;
  std::vector<char> buf_;
  size_t begin_ = 0;  // first unread byte
  size_t end_ = 0;    // end of the bytes read
  bool atEnd_ = false;
  LineStop stop_ = LineStop::endOfFile;
};

// Which records the subject in hand has taken. A record alone with its rs ID
// is stamped by table index; a run of several counts its taken records,
// stamped at its pASNP head. Stamps are subject numbers from 1, so nothing is
// cleared between subjects.
struct JoinState {
  std::vector<int32_t> recordStamp;  // by table index
  std::vector<int32_t> runStamp;     // by pASNP position of a run head
  std::vector<int64_t> runTaken;     // by pASNP position of a run head
};

// Reads subject files and joins their lines to the table. It only reads the
// table and the index, so several readers work on different subjects at once;
// the calls are stored afterwards, subject by subject, by storeSubject.
class SubjectReader {
 public:
  explicit SubjectReader(const RsIDIndex& index) : index_(index) {
    try {
      state_.recordStamp.assign(genome.pASNP.size(), 0);
      state_.runStamp.assign(genome.pASNP.size(), 0);
      state_.runTaken.assign(genome.pASNP.size(), 0);
      fields_.assign(kMaxFields, nullptr);
      lineReader_.allocate();
    } catch (const std::bad_alloc&) {
      fatal("ERROR: Failed to allocate memory\n");
    }
  }

  SubjectResult read(int32_t v, const std::string& path) {
    SubjectResult result;
    InputFile file = openInput(path);
    if (!file) {
      result.failure = "ERROR: Cannot open the genotyping file " + path + "\n";
      return result;
    }
    bool first = true;
    Layout layout{1, 2};
    next_ = genome.sumSNP.empty() ? nullptr : &genome.sumSNP[0];
    guessScore_ = 8;
    lines_ = 0;
    try {
      result.codes.assign(genome.sumSNP.size(), kNotMet);
    } catch (const std::bad_alloc&) {
      result.failure = "ERROR: Failed to allocate memory\n";
      return result;
    }
    SubjectCounts& counts = result.counts;
    lineReader_.start(file.get());
    oldest_ = pending_ = 0;
    while (char* line = lineReader_.next()) {
      const int32_t count = split(line, fields_.data(), "\t", kMaxFields);
      if (first) {
        layout = chooseLayout(fields_[0]);
        first = false;
      }
      if (count < layout.rsColumn) continue;
      const int code =
          count >= layout.callColumn ? callCode(fields_[layout.callColumn - 1]) : GTYPE_OTHER;
      ++counts.linesRead;
      if (code != GTYPE_OTHER) ++counts.calls[code];
      // The line waits a few lines for its slot of the index to arrive from
      // memory; lines are still joined in file order.
      if (pending_ == kAhead) joinOldest(v, result);
      Pending& p = ahead_[(oldest_ + pending_) % kAhead];
      p.id.assign(fields_[layout.rsColumn - 1]);
      p.probe = index_.probe(p.id);
      p.code = code;
      ++pending_;
    }
    while (pending_ > 0) joinOldest(v, result);
    // A subject cut short at a long line would look fully read in its report.
    switch (lineReader_.stop()) {
      case LineStop::endOfFile:
        break;
      case LineStop::lineTooLong:
        result.failure = "ERROR: Genotyping file " + path + " holds a line of " +
                         std::to_string(kLineLimit) +
                         " or more characters; lines must be shorter.\n";
        break;
      case LineStop::readError:
        result.failure = "ERROR: Cannot read Genotyping file " + path + "\n";
        break;
    }
    return result;
  }

 private:
  // A line read, waiting to be joined.
  struct Pending {
    std::string id;
    RsIDIndex::Probe probe;
    int code = GTYPE_OTHER;
  };
  static constexpr size_t kAhead = 8;

  void joinOldest(int32_t v, SubjectResult& result) {
    const Pending& p = ahead_[oldest_];
    oldest_ = (oldest_ + 1) % kAhead;
    --pending_;
    const int64_t t = join(v, p.id, p.probe);
    if (t < 0) {
      ++result.counts.notFound;
      return;
    }
    result.codes[static_cast<size_t>(t)] = static_cast<uint8_t>(p.code == GTYPE_OTHER ? GTYPE_NONE : p.code);
  }

  // The table index of the record the rs ID meets for subject v, or -1 when
  // none is left for it.
  int64_t join(int32_t v, std::string_view id, const RsIDIndex::Probe& probe) {
    const RsIDIndex::Run run = guess(id) ? index_.runOf(next_->tableIndex) : index_.find(id, probe);
    if (run.head < 0) return -1;
    const int32_t stamp = v + 1;
    int64_t t = run.firstIndex;
    if (run.length == 1) {
      if (state_.recordStamp[t] == stamp) return -1;
      state_.recordStamp[t] = stamp;
    } else {
      if (state_.runStamp[run.head] != stamp) {
        state_.runStamp[run.head] = stamp;
        state_.runTaken[run.head] = 0;
      }
      const int64_t i = state_.runTaken[run.head]++;
      if (i >= run.length) return -1;
      t = genome.pASNP[run.head + i]->tableIndex;
    }
    const int64_t after = t + 1;
    next_ = after < static_cast<int64_t>(genome.sumSNP.size()) ? &genome.sumSNP[after] : nullptr;
    return t;
  }

  // Files mostly list SNPs in table order, so the record after the last one
  // joined usually holds the next line's rs ID, and reaching it costs less
  // than a hash probe. A file in another order makes the guesses fail; the
  // score then stops them, bar one in 32 lines that looks for order again.
  bool guess(std::string_view id) {
    ++lines_;
    if (next_ == nullptr || (guessScore_ == 0 && lines_ % 32 != 0)) return false;
    if (std::string_view(next_->rsID) == id) {
      if (guessScore_ < 8) ++guessScore_;
      return true;
    }
    if (guessScore_ > 0) --guessScore_;
    return false;
  }

  const RsIDIndex& index_;
  JoinState state_;
  BlockLines lineReader_;
  Pending ahead_[kAhead];
  size_t oldest_ = 0;   // ahead_ is a ring: the oldest pending line
  size_t pending_ = 0;
  std::vector<char*> fields_;
  const SNPRecord* next_ = nullptr;  // the record after the last one joined, in table order
  int32_t guessScore_ = 8;           // 0..8, recent guesses that held
  int64_t lines_ = 0;
};

// Stores subject v's joined calls in the packed arrays and counts its calls
// per autosome. Runs on one thread: four subjects share a byte of gType.
void storeSubject(int pool, int32_t v, const SubjectResult& result) {
  const int32_t L = genome.lastChromosome;
  const size_t records = std::min(result.codes.size(), genome.sumSNP.size());
  for (size_t t = 0; t < records; ++t) {
    if (result.codes[t] == kNotMet) continue;
    SNPRecord& rec = genome.sumSNP[t];
    const int code = result.codes[t];
    if (code != GTYPE_NONE && rec.chr >= 1 && rec.chr < L) {
      ++genome.nEffectiveSNP[pool][static_cast<size_t>(v) * (L - 1) + (rec.chr - 1)];
    }
    putGType(rec.gType[pool], static_cast<uint64_t>(v), code);
  }
}

// Threads that read subject files at once; 1 reads them in turn.
unsigned readerThreads(int n) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  return std::min({cores, 8u, static_cast<unsigned>(n)});
}

// The calls of a pool must fit the tables readAnnotation sized for it.
void checkPool(int pool, int n) {
  if (pool != enum_patients && pool != enum_controls) fatal("ERROR: Unknown subject pool %d\n", pool);
  const int32_t size = settings.noTgPool[pool];
  const int64_t slots = genome.lastChromosome > 1 ? genome.lastChromosome - 1 : 0;
  const size_t records = genome.sumSNP.size();
  if (n < 1 || n > size || static_cast<size_t>(n) > settings.stFile[pool].size() ||
      genome.gTypeBytes[pool] < size / 4 + 1 ||
      genome.gTypeStore[pool].size() < records * static_cast<size_t>(genome.gTypeBytes[pool]) ||
      genome.nEffectiveSNP[pool].size() < static_cast<size_t>(n) * static_cast<size_t>(slots) ||
      genome.pASNP.size() != records) {
    fatal("ERROR: The genotyping data of %d subjects do not fit the tables of the pool\n", n);
  }
}

int64_t grownCapacity(int64_t capacity) {
  const int64_t grown = static_cast<int64_t>(static_cast<double>(capacity) * 1.2);
  return grown > capacity ? grown : capacity + 1;
}

}  // namespace

void readGenotypingData(int pool, int n) {
  checkPool(pool, n);
  std::vector<char> buf(kLineLimit + 1);

  // Subjects 0..n-1 start as no call; the bytes past them are left alone.
  const size_t clearBytes = static_cast<size_t>((n - 1) / 4 + 1);
  for (SNPRecord& rec : genome.sumSNP) {
    for (size_t b = 0; b < clearBytes; ++b) rec.gType[pool][b] = 0;
  }

  int64_t capacity = static_cast<int64_t>(static_cast<double>(countLines(settings.stFile[pool][0], buf.data())) * 1.2);
  reportCapacity(capacity);

  RsIDIndex index(genome.pASNP);
  // Subjects are read in batches, one per thread, and stored and reported in
  // subject order, so the tables and messages are those of reading them in turn.
  const unsigned threads = readerThreads(n);
  std::vector<std::unique_ptr<SubjectReader>> readers;
  for (unsigned t = 0; t < threads; ++t) readers.push_back(std::make_unique<SubjectReader>(index));
  const char* poolName = pool == enum_patients ? "patient" : "control";
  std::vector<SubjectResult> batch(threads);
  for (int32_t first = 0; first < n; first += static_cast<int32_t>(threads)) {
    const int32_t size = std::min<int32_t>(static_cast<int32_t>(threads), n - first);
    // A stop or an allocation failure inside a reader thread travels with the
    // subject's result and is raised below, in subject order.
    std::vector<std::exception_ptr> errors(static_cast<size_t>(size));
    auto readOne = [&](int32_t i) {
      try {
        batch[static_cast<size_t>(i)] =
            readers[static_cast<size_t>(i)]->read(first + i, settings.stFile[pool][first + i]);
      } catch (...) {
        errors[static_cast<size_t>(i)] = std::current_exception();
      }
    };
    if (size == 1) {
      readOne(0);
    } else {
      std::vector<std::jthread> workers;
      for (int32_t i = 0; i < size; ++i) {
        try {
          workers.emplace_back(readOne, i);
        } catch (const std::system_error&) {
          readOne(i);  // no thread to be had: read it here, same result
        }
      }
      for (std::jthread& w : workers) w.join();
    }
    for (int32_t i = 0; i < size; ++i) {
      const int32_t v = first + i;
      SubjectResult& result = batch[static_cast<size_t>(i)];
      if (errors[static_cast<size_t>(i)] != nullptr) {
        try {
          std::rethrow_exception(errors[static_cast<size_t>(i)]);
        } catch (const std::bad_alloc&) {
          fatal("ERROR: Failed to allocate memory\n");
        }
      }
      if (!result.failure.empty()) fatal("%s", result.failure.c_str());
      storeSubject(pool, v, result);
      const SubjectCounts& counts = result.counts;
      // The buffer is full once a line fills its last record; it then grows and
      // the subject is read again, so it ends larger than the subject's lines.
      while (counts.linesRead > 0 && counts.linesRead >= capacity) {
        capacity = grownCapacity(capacity);
        reportCapacity(capacity);
      }
      const int64_t valid =
          counts.calls[GTYPE_AA] + counts.calls[GTYPE_BB] + counts.calls[GTYPE_AB];
      const std::string& path = settings.stFile[pool][v];
      std::fprintf(stderr,
                   "\nA total of %ld SNP typing data was read for subject %ld in the %s pool.\n",
                   counts.linesRead, static_cast<int64_t>(v) + 1, poolName);
      std::fprintf(stderr, "File name = %s\n", path.c_str());
      std::fprintf(stderr, "Numbers of valid SNPs\t%ld\n", valid);
      std::fprintf(stderr, "Numbers of 'AA', BB' and 'AB' type SNPs\t%ld\t%ld\t%ld\n",
                   counts.calls[GTYPE_AA], counts.calls[GTYPE_BB], counts.calls[GTYPE_AB]);
      std::fprintf(stderr, "A total of %ld SNPs failed to find dbSNP rs ID\n", counts.notFound);
      result = SubjectResult();
    }
  }
}
