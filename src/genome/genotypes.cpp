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
//
// A file is read in one pass over its bytes (genotype_file.h, genotype_line.h):
// no line is copied, and an identifier "rs" + digits is keyed by its number as
// it is scanned. Subjects are read on several threads at once; the calling
// thread stores their calls and writes their reports in subject order.
//
// An import's files may also be held as calls (MemoryGenotypes): their rows
// are joined to the table once for the cohort, and each subject's calls go
// straight to its codes, with the counts and messages reading the files
// would give; only rows the reader would cut otherwise are made into text.
// Where the calls also come row by row, every subject's calls of a row go
// to the row's record at once and the counts are tallied by row class,
// instead of a pass over every record for each subject.
#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "base/genotype_layout.h"
#include "base/input_file.h"
#include "base/lines.h"
#include "base/output.h"
#include "base/parallel_for.h"
#include "base/velmora_format.h"
#include "genome/genome.h"
#include "genome/genotype_file.h"
#include "genome/genotype_line.h"
#include "genome/reader_threads.h"
#include "genome/rsid_index.h"

LoadObserver* loadObserver = nullptr;

namespace {

// Bytes of one typing record of the buffer, for the MegaBytes report.
constexpr int64_t kTypingRecordBytes = 24;

// In a subject's codes (see kMet): the call is AA, BB or AB but for case.
constexpr uint8_t kLowerCaseTag = 8;

struct Layout {
  int32_t rsColumn;    // 1-based
  int32_t callColumn;  // 1-based
};

// The layout velmora's rule gives the first field, in 1-based columns.
Layout chooseLayout(const FieldText& first) {
  const GenotypeLayout layout = layoutOfFirstField(
      std::string_view(first.begin, static_cast<size_t>(first.end - first.begin)));
  return {layout.idColumn + 1, layout.callColumn + 1};
}

// Calls each line of `file` with its scan, in file order, with the line ends
// of MyFgets: LF, CR LF and a lone CR end a line, a last line without an end
// still counts, a CR that is the file's last byte ends no empty line. A line
// of kLineLimit or more characters stops the reading as it stops MyFgets.
// `beforeMore` runs before the bytes at hand are replaced by the next ones:
// pointers into them end there.
template <class OnLine, class BeforeMore>
LineStop forEachLine(GenotypeFile& file, OnLine&& onLine, BeforeMore&& beforeMore) {
  const auto stopped = [&file](LineStop why) {
    // A read error seen on the way is what stops the file.
    return file.readError() ? LineStop::readError : why;
  };
  const char* p = file.begin();
  for (;;) {
    const char* const end = file.end();
    const bool atEnd = file.atEnd();
    while (p < end) {
      const char* const limit = end - p > kLineLimit ? p + kLineLimit : end;
      const LineScan s = scanLine(p, limit);
      if (s.end - p >= kLineLimit) return stopped(LineStop::lineTooLong);
      if (!s.ended) {
        if (!atEnd) break;
        onLine(p, s);  // the last line, without a line end
        p = end;
        break;
      }
      const char* after = s.end + 1;
      if (*s.end == '\r') {
        // An LF right after a CR belongs to the same line end, so the byte
        // after a CR must be at hand before the line is passed on.
        if (after == end && !atEnd) break;
        if (after < end && *after == '\n') {
          ++after;
        } else if (after == end && s.end == p) {
          p = end;
          break;
        }
      }
      onLine(p, s);
      p = after;
    }
    if (p >= end && atEnd) return stopped(LineStop::endOfFile);
    beforeMore();
    file.more(p);
    p = file.begin();
  }
}

// With facts asked for, a call that is AA, BB or AB but for letter case: the
// first two characters of the field, upper-cased, as storedCallOf reads them.
uint8_t lowerCaseTag(const FieldText& call, uint8_t stored) {
  if (stored != GTYPE_NONE || call.size() < 2) return 0;
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  const char two[2] = {upper(call.begin[0]), upper(call.begin[1])};
  return storedCallOf(FieldText{two, two + 2}) != GTYPE_NONE ? kLowerCaseTag : 0;
}

void reportCapacity(int64_t capacity) {
  std::fprintf(stderr, "\n%.2f MegaBytes were allocated for reading genotyping data.\n",
               static_cast<double>(capacity * kTypingRecordBytes) / 1000 / 1000);
}

// The lines of a subject file, as countLines gives them to the capacity.
int64_t countLines(GenotypeFile& file, const std::string& path) {
  int64_t lines = 0;
  const LineStop stop = forEachLine(
      file, [&lines](const char*, const LineScan&) { ++lines; }, [] {});
  switch (stop) {
    case LineStop::endOfFile:
      break;
    case LineStop::lineTooLong:
      fatal("ERROR: %s %s holds a line of %d or more characters; lines must be shorter.\n",
            "Genotyping file", path.c_str(), kLineLimit);
    case LineStop::readError:
      fatal("ERROR: Cannot read %s %s\n", "Genotyping file", path.c_str());
  }
  return lines;
}

int64_t countLines(const std::string& path) {
  GenotypeFile file;
  if (!file.open(path)) fatal("ERROR: Cannot open the genotyping file %s\n", path.c_str());
  return countLines(file, path);
}

struct SubjectCounts {
  int64_t linesRead = 0;
  int64_t calls[4] = {0, 0, 0, 0};  // by code; [0] counts the other calls, unreported
  int64_t notFound = 0;
};

// A record's entry in a subject's codes: 0 when no line met it, else kMet with
// the call to store (GTYPE_NONE for an unrecognised call) in the low bits and,
// when facts are collected, kLowerCaseTag on a call that is valid but for
// case. A record is met at most once per subject.
constexpr uint8_t kMet = 4;

// One subject's file, read and joined. The codes are kept in table order so
// that the stores walk the table instead of jumping through it. A file that
// could not be read whole carries the message that stops the run when its
// turn comes.
struct SubjectResult {
  SubjectCounts counts;
  std::vector<uint8_t> codes;      // by table index
  std::vector<int64_t> effective;  // valid calls by autosome slot
  SubjectLoadFacts facts;          // filled when PoolTables::facts
  std::string failure;             // empty when the file was read whole
};

// What every reader of a pool shares, read only.
struct PoolTables {
  const RsIDIndex* index = nullptr;  // nullptr when no subject's text is read
  std::vector<int32_t> slotOf;       // by table index: autosome slot, or -1 (X, out of range)
  int32_t slots = 0;
  int pool = enum_patients;
  bool facts = false;  // a LoadObserver asks for SubjectLoadFacts
  const std::function<void(int, int, const char*, size_t)>* onBytes = nullptr;
};

// The effective counts of a subject read, and the facts its codes tell.
void finishSubject(SubjectResult& result, const PoolTables& tables) {
  const int32_t* slotOf = tables.slotOf.data();
  int64_t* effective = result.effective.data();
  const uint8_t* codes = result.codes.data();
  const size_t records = result.codes.size();
  for (size_t t = 0; t < records; ++t) {
    if ((codes[t] & 3u) != 0 && slotOf[t] >= 0) ++effective[slotOf[t]];
  }
  if (!tables.facts) return;
  SubjectLoadFacts& facts = result.facts;
  for (size_t t = 0; t < records; ++t) {
    const uint8_t c = codes[t];
    facts.found += (c & kMet) != 0;
    facts.validCalls += (c & 3u) != 0;
    facts.lowerCaseCalls += (c & kLowerCaseTag) != 0;
  }
}

// Reads subject files and joins their lines to the table. It only reads the
// shared tables, so several readers work on different subjects at once.
class SubjectReader {
 public:
  explicit SubjectReader(const PoolTables& tables) : tables_(tables), index_(tables.index) {
    if (index_ != nullptr && index_->hasRuns()) {
      runStamp_.assign(genome.pASNP.size(), 0);
      runTaken_.assign(genome.pASNP.size(), 0);
    }
  }

  SubjectResult read(int32_t v, const std::string& path) {
    std::function<void(const char*, size_t)> hook;
    if (tables_.onBytes != nullptr) {
      hook = [onBytes = tables_.onBytes, pool = tables_.pool, v](const char* bytes, size_t size) {
        (*onBytes)(pool, v, bytes, size);
      };
    }
    file_.onBytes(std::move(hook));
    if (!file_.open(path)) {
      SubjectResult result;
      result.failure = "ERROR: Cannot open the genotyping file " + path + "\n";
      return result;
    }
    return readOpened(v, path);
  }

  // A subject's file given as its text; `label` names it in messages.
  SubjectResult readText(int32_t v, const std::string& label, std::string_view text) {
    file_.openText(text);
    return readOpened(v, label);
  }

 private:
  SubjectResult readOpened(int32_t v, const std::string& path) {
    SubjectResult result;
    SubjectLoadFacts* const facts = tables_.facts ? &result.facts : nullptr;
    result.codes.assign(genome.sumSNP.size(), 0);
    result.effective.assign(static_cast<size_t>(tables_.slots), 0);
    codes_ = result.codes.data();
    counts_ = &result.counts;
    stamp_ = v + 1;
    next_ = 0;
    guessScore_ = 8;
    lines_ = 0;
    oldest_ = pending_ = 0;
    bool first = true;
    Layout layout{1, 2};
    const auto onLine = [&](const char* line, const LineScan& s) {
      if (first) {
        FieldText head;
        generalField(line, s.end, 1, head);
        layout = chooseLayout(head);
        memo_ = &memos_[layout.rsColumn == 1 ? 0 : 1];
        first = false;
        if (facts != nullptr) facts->layoutA = layout.rsColumn == 1;
      } else if (facts != nullptr) {
        noteLayout(line, s, *facts);
      }
      FieldText id;
      if (!fieldOf(line, s, layout.rsColumn, id)) return;
      FieldText call;
      const bool hasCall = fieldOf(line, s, layout.callColumn, call);
      const uint8_t stored = hasCall ? storedCallOf(call) : uint8_t{GTYPE_NONE};
      const uint8_t code =
          facts != nullptr && hasCall ? stored | lowerCaseTag(call, stored) : stored;
      SubjectCounts& counts = *counts_;
      const size_t lineNumber = static_cast<size_t>(counts.linesRead++);
      ++counts.calls[stored];
      const std::string_view text(id.begin, id.size());
      const std::vector<Memo>& memo = *memo_;
      if (lineNumber < memo.size()) {
        // The record of a line a little further on is fetched from memory
        // now: files in a shuffled order meet their records at random.
        const size_t ahead = lineNumber + kMemoAhead;
        if (ahead < memo.size() && memo[ahead].record < kNoRecord) {
          __builtin_prefetch(codes_ + memo[ahead].record);
        }
        const Memo& m = memo[lineNumber];
        if (m.record != kNoMemo && m.names(text.data(), text.size())) {
          // The line names what the same line of this reader's last file of
          // its layout named: a record of its own, or none at all.
          if (pending_ > 0) drainPending();
          joinRemembered(m.record, code);
          return;
        }
      }
      const RsIDIndex::Probe probe = RsIDIndex::keyOf(text);
      // The line waits a few lines for its slot of the index to arrive from
      // memory; lines are still joined in file order.
      if (pending_ == kAhead) joinOldest();
      Pending& p = ahead_[(oldest_ + pending_) % kAhead];
      p.id = text;
      p.probe = probe;
      p.line = lineNumber;
      if (guessScore_ < 8) index_->prefetch(p.probe);
      p.code = code;
      ++pending_;
    };
    const auto drain = [this] { drainPending(); };
    const LineStop stop = forEachLine(file_, onLine, drain);
    drain();
    file_.close();
    // A subject cut short at a long line would look fully read in its report.
    switch (stop) {
      case LineStop::endOfFile:
        break;
      case LineStop::lineTooLong:
        result.failure = "ERROR: Genotyping file " + path + " holds a line of " +
                         std::to_string(kLineLimit) +
                         " or more characters; lines must be shorter.\n";
        return result;
      case LineStop::readError:
        result.failure = "ERROR: Cannot read Genotyping file " + path + "\n";
        return result;
    }
    finishSubject(result, tables_);
    return result;
  }

  // The layout facts of a line after the first, by the first field as split
  // gives it: a line with one empty field holds nothing.
  static void noteLayout(const char* line, const LineScan& s, SubjectLoadFacts& facts) {
    FieldText head;
    FieldText second;
    fieldOf(line, s, 1, head);
    if (!fieldOf(line, s, 2, second) && head.size() == 0) return;
    ++facts.linesAfterFirst;
    facts.layoutALines +=
        layoutOfFirstField(std::string_view(head.begin, head.size())).rsIdFirst ? 1 : 0;
  }

  // A line read, waiting to be joined; its identifier points into the file's
  // bytes at hand, which stay until every pending line is joined.
  struct Pending {
    std::string_view id;
    RsIDIndex::Probe probe;
    size_t line = 0;            // among the lines with an rs ID field, from 0
    uint8_t code = GTYPE_NONE;  // with kLowerCaseTag where facts are collected
  };
  static constexpr size_t kAhead = 16;

  // Files of one cohort usually come from one export and list their SNPs in
  // one order, which need not be the table's. What each line joined to is
  // remembered by line number for the reader's next file of its layout,
  // whose same line then skips the index when it names the same identifier.
  // Only identifiers of at most 12 bytes (every "rs" number below 10^10)
  // with at most one record are remembered: those meet their record whatever
  // came before, or fail only because the subject met it already, which the
  // codes tell. The text itself is compared, in two words, so that a
  // remembered line costs no key. Identifiers hold no NUL (a line's text ends
  // at its first), so the text padded with zeros tells its size too.
  struct Memo {
    uint64_t head = 0;          // bytes 0 to 7 of the identifier, zero past its end
    uint32_t tail = 0;          // bytes 8 to 11
    uint32_t record = kNoMemo;  // table index, kNoRecord or kNoMemo
    bool names(const char* id, size_t size) const {
      if (size > kTextBytes) return false;
      uint64_t h;
      uint32_t t;
      textOf(id, size, h, t);
      return ((h ^ head) | (t ^ tail)) == 0;
    }
  };
  static constexpr size_t kTextBytes = 12;
  // The zero-padded words of an identifier of at most kTextBytes bytes. It
  // reads 12 bytes at id: the file's bytes at hand are padded.
  static void textOf(const char* id, size_t size, uint64_t& head, uint32_t& tail) {
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&head, id, 8);
      std::memcpy(&tail, id + 8, 4);
      head &= size >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * size)) - 1;
      tail &= size >= 12 ? ~uint32_t{0} : size <= 8 ? 0 : (uint32_t{1} << (8 * (size - 8))) - 1;
    } else {
      char bytes[kTextBytes] = {};
      std::memcpy(bytes, id, size);
      std::memcpy(&head, bytes, 8);
      std::memcpy(&tail, bytes + 8, 4);
    }
  }
  static constexpr uint32_t kNoRecord = 0xFFFFFFFEu;  // no record has the identifier
  static constexpr uint32_t kNoMemo = 0xFFFFFFFFu;    // the line takes the index
  static constexpr size_t kMemoAhead = 12;            // lines between a prefetch and its use

  void drainPending() {
    while (pending_ > 0) joinOldest();
  }

  void joinRemembered(uint32_t record, uint8_t code) {
    if (record == kNoRecord || codes_[record] != 0) {
      ++counts_->notFound;
      return;
    }
    codes_[record] = static_cast<uint8_t>(kMet | code);
    next_ = static_cast<int64_t>(record) + 1;
  }

  void remember(size_t line, std::string_view id, uint32_t record) {
    std::vector<Memo>& memo = *memo_;
    if (line >= memo.size()) memo.resize(std::max<size_t>(line + 1, 2 * memo.size()));
    Memo& m = memo[line];
    if (id.size() > kTextBytes) {
      m.record = kNoMemo;
      return;
    }
    textOf(id.data(), id.size(), m.head, m.tail);
    m.record = record;
  }

  void joinOldest() {
    const Pending& p = ahead_[oldest_];
    oldest_ = (oldest_ + 1) % kAhead;
    --pending_;
    uint32_t record = kNoMemo;
    const int64_t t = join(p.id, p.probe, record);
    remember(p.line, p.id, record);
    if (t < 0) {
      ++counts_->notFound;
      return;
    }
    codes_[t] = static_cast<uint8_t>(kMet | p.code);
  }

  // The table index of the record the rs ID meets for the subject in hand,
  // or -1 when none is left for it. `single` becomes the record of an
  // identifier with one record, or kNoRecord for one with none.
  int64_t join(std::string_view id, const RsIDIndex::Probe& probe, uint32_t& single) {
    const RsIDIndex::Run run = guess(id, probe) ? index_->runOf(next_) : index_->find(id, probe);
    if (run.head < 0) {
      single = kNoRecord;
      return -1;
    }
    int64_t t = run.firstIndex;
    if (run.length == 1) {
      single = static_cast<uint32_t>(t);
      if (codes_[t] != 0) return -1;
    } else {
      // A run counts its taken records, stamped at its head by subject.
      const size_t head = static_cast<size_t>(run.head);
      if (runStamp_[head] != stamp_) {
        runStamp_[head] = stamp_;
        runTaken_[head] = 0;
      }
      const int64_t i = runTaken_[head]++;
      if (i >= run.length) return -1;
      t = index_->tableIndexAt(run.head + i);
    }
    next_ = t + 1;
    return t;
  }

  // Files mostly list SNPs in table order, so the record after the last one
  // joined usually holds the next line's rs ID, and reaching it costs less
  // than a hash probe. A file in another order makes the guesses fail; the
  // score then stops them, bar one in 32 lines that looks for order again.
  bool guess(std::string_view id, const RsIDIndex::Probe& probe) {
    ++lines_;
    if (next_ >= static_cast<int64_t>(genome.sumSNP.size()) ||
        (guessScore_ == 0 && lines_ % 32 != 0)) {
      return false;
    }
    if (index_->names(next_, id, probe)) {
      if (guessScore_ < 8) ++guessScore_;
      return true;
    }
    if (guessScore_ > 0) --guessScore_;
    return false;
  }

  const PoolTables& tables_;
  const RsIDIndex* index_;
  GenotypeFile file_;
  std::vector<int32_t> runStamp_;  // by pASNP position of a run head: subject number from 1
  std::vector<int64_t> runTaken_;  // by pASNP position of a run head
  // By line of the last file read of each layout (rs ID in the first column,
  // or in the fifth), and of this one so far; one cohort often mixes both.
  std::vector<Memo> memos_[2];
  std::vector<Memo>* memo_ = &memos_[0];  // the layout of the file in hand
  Pending ahead_[kAhead];
  size_t oldest_ = 0;  // ahead_ is a ring: the oldest pending line
  size_t pending_ = 0;
  uint8_t* codes_ = nullptr;
  SubjectCounts* counts_ = nullptr;
  int32_t stamp_ = 0;
  int64_t next_ = 0;        // table index after the last record joined
  int32_t guessScore_ = 8;  // 0..8, recent guesses that held
  int64_t lines_ = 0;
};

// Subjects read ahead of the one stored and reported, on worker threads.
// Results are taken in subject order; at most `window` subjects are read
// ahead, so memory stays a few subjects' worth whatever the pool's size.
class ReadAhead {
 public:
  using ReadOne = std::function<SubjectResult(SubjectReader&, int32_t)>;

  ReadAhead(const PoolTables& tables, ReadOne readOne, int32_t n, unsigned threads)
      : readOne_(std::move(readOne)), n_(n), window_(static_cast<int32_t>(2 * threads + 2)) {
    slots_.resize(static_cast<size_t>(window_));
    ready_.assign(static_cast<size_t>(window_), false);
    for (unsigned i = 0; i < threads; ++i)
      readers_.push_back(std::make_unique<SubjectReader>(tables));
    for (unsigned i = 0; i < threads; ++i) {
      try {
        workers_.emplace_back([this, i] { work(*readers_[i]); });
      } catch (const std::system_error&) {
        break;  // fewer threads read the same subjects
      }
    }
    if (workers_.empty()) fatal("ERROR: Failed to allocate memory\n");
  }
  ~ReadAhead() { stop(); }

  SubjectResult take(int32_t v) {
    std::unique_lock<std::mutex> lock(mutex_);
    const size_t at = static_cast<size_t>(v % window_);
    changed_.wait(lock, [&] { return ready_[at]; });
    SubjectResult result = std::move(slots_[at]);
    ready_[at] = false;
    taken_ = v + 1;
    changed_.notify_all();
    return result;
  }

  // Ends the workers once their subjects in hand are read.
  void stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& w : workers_) {
      if (w.joinable()) w.join();
    }
  }

 private:
  void work(SubjectReader& reader) {
    for (;;) {
      int32_t v = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || next_ >= n_ || next_ < taken_ + window_; });
        if (stopping_ || next_ >= n_) return;
        v = next_++;
      }
      SubjectResult result;
      try {
        result = readOne_(reader, v);
      } catch (const std::bad_alloc&) {
        result = SubjectResult();
        result.failure = "ERROR: Failed to allocate memory\n";
      } catch (const FatalError& error) {
        // Raised on the calling thread, in subject order, when it takes the subject.
        result = SubjectResult();
        result.failure = error.message;
      } catch (const std::exception& error) {
        result = SubjectResult();
        result.failure = std::string("ERROR: ") + error.what() + "\n";
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        const size_t at = static_cast<size_t>(v % window_);
        slots_[at] = std::move(result);
        ready_[at] = true;
      }
      changed_.notify_all();
    }
  }

  const ReadOne readOne_;
  const int32_t n_;
  const int32_t window_;
  std::vector<std::unique_ptr<SubjectReader>> readers_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<SubjectResult> slots_;  // by subject modulo window_
  std::vector<bool> ready_;
  int32_t next_ = 0;   // the next subject to read
  int32_t taken_ = 0;  // subjects taken by the calling thread
  bool stopping_ = false;
};

// Stores the joined calls of up to four subjects sharing a byte of gType:
// byte `group` of every record, whose bits were cleared before the reading.
void storeGroup(const std::vector<uint8_t*>& packed, int32_t group,
                const std::vector<SubjectResult>& subjects) {
  const size_t records = packed.size();
  const uint8_t* codes[4] = {nullptr, nullptr, nullptr, nullptr};
  for (size_t i = 0; i < subjects.size(); ++i) codes[i] = subjects[i].codes.data();
  const size_t count = subjects.size();
  for (size_t t = 0; t < records; ++t) {
    unsigned bits = 0;
    for (size_t i = 0; i < count; ++i) bits |= (codes[i][t] & 3u) << (2 * i);
    if (bits != 0) packed[t][group] = static_cast<uint8_t>(packed[t][group] | bits);
  }
}

// The calls of a pool must fit the tables readAnnotation sized for it.
void checkPool(int pool, int n) {
  if (pool != enum_patients && pool != enum_controls)
    fatal("ERROR: Unknown subject pool %d\n", pool);
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

// A pool's subjects from calls held in memory (MemoryGenotypes, whose friend
// it is): the subject's lines as the import's file gives them to the reader.
class MemorySource {
 public:
  MemorySource(MemoryGenotypes& calls, int pool) : calls_(calls), pool_(pool) {}

  // Decides, once for the cohort, whether the rows can be taken as lines
  // "rs ID<TAB>call" of layout A without reading them: every ID free of the
  // bytes that cut a line (tab, blank, CR, LF, NUL), short enough for a line,
  // and the first ID not one that makes layout B.
  void decide() {
    MemoryGenotypes& m = calls_;
    if (m.joined_) return;
    const std::vector<std::string_view>& ids = m.rowIds_;
    bool asLines = !ids.empty() && layoutOfFirstField(ids.front()).rsIdFirst;
    for (size_t i = 0; i < ids.size() && asLines; ++i) {
      const std::string_view id = ids[i];
      if (id.size() + 3 >= static_cast<size_t>(kLineLimit)) asLines = false;
      for (const char c : id) {
        if (c == '\t' || c == ' ' || c == '\r' || c == '\n' || c == '\0') asLines = false;
      }
    }
    m.asText_ = !asLines;
  }

  bool needsIndex() const { return !calls_.joined_ || calls_.asText_; }

  // Whether the joined calls are taken row by row (MemoryGenotypes::RowsOf).
  bool byRows() const { return calls_.joined_ && !calls_.asText_ && calls_.rowsOf_; }

  // What read() gives for each of the n subjects, from the calls taken row by
  // row, each row stored whole in its record's bytes of `packed` (cleared
  // beforehand) as storeGroup would store the subjects' codes.
  std::vector<SubjectResult> readRows(int32_t n, const PoolTables& tables,
                                      const std::vector<uint8_t*>& packed);

  // Joins every row to its record as the reader joins a file's lines: the
  // i-th row of an ID meets the i-th record of its run, rows beyond the run
  // and IDs without a record meet none. All files list the same rows, so
  // the join holds for every subject of both pools.
  void join(const RsIDIndex& index) {
    MemoryGenotypes& m = calls_;
    if (m.joined_) return;
    m.joined_ = true;
    if (m.asText_) return;
    const std::vector<std::string_view>& ids = m.rowIds_;
    try {
      m.rowRecord_.assign(ids.size(), -1);
      std::vector<int64_t> taken(genome.pASNP.size(), 0);  // by pASNP position of a run head
      for (size_t i = 0; i < ids.size(); ++i) {
        const RsIDIndex::Run run = index.find(ids[i]);
        if (run.head < 0) continue;
        const int64_t k = taken[static_cast<size_t>(run.head)]++;
        if (k >= run.length) continue;
        m.rowRecord_[i] = run.length == 1 ? run.firstIndex : index.tableIndexAt(run.head + k);
        ++m.joinedRows_;
      }
    } catch (const std::bad_alloc&) {
      fatal("ERROR: Failed to allocate memory\n");
    }
    countLayoutRows();
  }

  // The join without the index where row i names record i for every row,
  // as an import's rows name the annotation it made: the rows of an
  // identifier then stand where its records do among the first records,
  // and the others come after them in the table, so the i-th row of an
  // identifier is the i-th record of its run. Returns whether it joined.
  bool joinInTableOrder() {
    MemoryGenotypes& m = calls_;
    if (m.joined_ || m.asText_) return false;
    const std::vector<std::string_view>& ids = m.rowIds_;
    if (ids.size() > genome.sumSNP.size()) return false;
    for (size_t i = 0; i < ids.size(); ++i) {
      if (ids[i] != std::string_view(genome.sumSNP[i].rsID)) return false;
    }
    try {
      m.rowRecord_.resize(ids.size());
    } catch (const std::bad_alloc&) {
      fatal("ERROR: Failed to allocate memory\n");
    }
    for (size_t i = 0; i < ids.size(); ++i) m.rowRecord_[i] = static_cast<int64_t>(i);
    m.joinedRows_ = static_cast<int64_t>(ids.size());
    m.joined_ = true;
    countLayoutRows();
    return true;
  }

  // The rows after the first whose ID reads as layout A, for the facts.
  void countLayoutRows() {
    MemoryGenotypes& m = calls_;
    const std::vector<std::string_view>& ids = m.rowIds_;
    for (size_t i = 1; i < ids.size(); ++i) {
      m.layoutARowsAfterFirst_ += layoutOfFirstField(ids[i]).rsIdFirst ? 1 : 0;
    }
  }

  // The lines of subject 0's file, for the capacity report.
  int64_t firstLines() {
    if (!calls_.asText_) return static_cast<int64_t>(calls_.rows());
    GenotypeFile file;
    file.openText(textOf(0));
    return countLines(file, settings.stFile[pool_][0]);
  }

  SubjectResult read(SubjectReader& reader, int32_t v, const PoolTables& tables) {
    const std::string& label = settings.stFile[pool_][static_cast<size_t>(v)];
    if (calls_.asText_) return reader.readText(v, label, textOf(v));
    const MemoryGenotypes& m = calls_;
    const size_t rows = m.rows();
    std::vector<uint8_t> calls(rows, 0);
    m.callsOf_(pool_, v, calls.data());
    SubjectResult result;
    result.codes.assign(genome.sumSNP.size(), 0);
    result.effective.assign(static_cast<size_t>(tables.slots), 0);
    SubjectCounts& counts = result.counts;
    uint8_t* codes = result.codes.data();
    const int64_t* record = m.rowRecord_.data();
    for (size_t i = 0; i < rows; ++i) {
      const uint8_t c = calls[i] & 3u;
      ++counts.calls[c];
      if (record[i] >= 0) codes[record[i]] = static_cast<uint8_t>(kMet | c);
    }
    counts.linesRead = static_cast<int64_t>(rows);
    counts.notFound = static_cast<int64_t>(rows) - m.joinedRows_;
    if (tables.facts) {
      // The import writes its calls in upper case, every line with two fields.
      result.facts.layoutA = true;
      result.facts.linesAfterFirst = static_cast<int64_t>(rows) - 1;
      result.facts.layoutALines = m.layoutARowsAfterFirst_;
    }
    finishSubject(result, tables);
    return result;
  }

 private:
  // Subject v's file as the import writes it.
  std::string textOf(int32_t v) const {
    const MemoryGenotypes& m = calls_;
    std::vector<uint8_t> calls(m.rows(), 0);
    m.callsOf_(pool_, v, calls.data());
    std::string text;
    for (size_t i = 0; i < m.rows(); ++i) appendGenotypeLine(text, m.rowIds_[i], calls[i] & 3u);
    return text;
  }

  MemoryGenotypes& calls_;
  const int pool_;
};

namespace {

// A row's class for the counts: the autosome slot of its record, else one
// of these past the slots.
constexpr int32_t kOutOfSlots = 0;  // + slots: a record on X or past the slots
constexpr int32_t kNotJoined = 1;   // + slots: no record

// Rows taken at once by a reader thread: about 64 KiB of calls, and few
// enough rows that a small cohort's table still spreads over the threads.
size_t rowsPerBlock(size_t rowBytes) {
  return std::clamp<size_t>((size_t{1} << 16) / rowBytes, 16, 4096);
}

// A reader thread's room for a block of rows.
struct RowScratch {
  std::vector<uint8_t> rows;
  std::vector<std::pair<int32_t, uint32_t>> order;  // (class, row of the block)
  // By row byte: how often each value of its low and of its high four bits
  // occurs in a run of rows; 16 counters each.
  std::vector<uint32_t> tally;
  std::vector<int64_t> lanes;  // by subject and code: 4 a subject
};

// The calls of every subject, counted by code, over the rows tallied.
void laneCounts(RowScratch& s, size_t rowBytes) {
  s.lanes.assign(rowBytes * 16, 0);
  for (size_t b = 0; b < rowBytes; ++b) {
    const uint32_t* t = s.tally.data() + b * 32;
    int64_t* lane = s.lanes.data() + b * 16;  // the byte's four subjects
    for (unsigned x = 0; x < 16; ++x) {
      lane[0 + (x & 3u)] += t[x];
      lane[4 + (x >> 2)] += t[x];
      lane[8 + (x & 3u)] += t[16 + x];
      lane[12 + (x >> 2)] += t[16 + x];
    }
  }
}

}  // namespace

std::vector<SubjectResult> MemorySource::readRows(int32_t n, const PoolTables& tables,
                                                  const std::vector<uint8_t*>& packed) {
  const MemoryGenotypes& m = calls_;
  const size_t rows = m.rows();
  const size_t subjects = static_cast<size_t>(n);
  const size_t rowBytes = (subjects + 3) / 4;
  const int32_t slots = tables.slots;
  const size_t perBlock = rowsPerBlock(rowBytes);
  const int64_t blocks = static_cast<int64_t>((rows + perBlock - 1) / perBlock);
  const int threads =
      static_cast<int>(std::max<int64_t>(1, std::min<int64_t>(genotypeReaderThreads(), blocks)));
  std::vector<SubjectResult> results;
  std::vector<int64_t> valid;  // by subject: AA, BB or AB at a record
  std::vector<RowScratch> scratch;
  try {
    results.resize(subjects);
    for (SubjectResult& r : results) r.effective.assign(static_cast<size_t>(slots), 0);
    valid.assign(subjects, 0);
    scratch.resize(static_cast<size_t>(threads));
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  std::mutex adding;
  // Adds a run of rows of one class to every subject's counts; sums of
  // whole numbers, the same in whatever order the blocks come.
  const auto addRun = [&](RowScratch& s, int32_t rowClass) {
    laneCounts(s, rowBytes);
    const std::lock_guard<std::mutex> hold(adding);
    for (size_t v = 0; v < subjects; ++v) {
      const int64_t* lane = s.lanes.data() + 4 * v;
      int64_t* calls = results[v].counts.calls;
      for (int c = 1; c < 4; ++c) calls[c] += lane[c];
      if (rowClass == slots + kNotJoined) continue;
      const int64_t called = lane[1] + lane[2] + lane[3];
      valid[v] += called;
      if (rowClass < slots) results[v].effective[static_cast<size_t>(rowClass)] += called;
    }
  };
  const int64_t* record = m.rowRecord_.data();
  const int32_t* slotOf = tables.slotOf.data();
  const auto readBlock = [&](int64_t block, int worker) {
    RowScratch& s = scratch[static_cast<size_t>(worker)];
    const size_t first = static_cast<size_t>(block) * perBlock;
    const size_t count = std::min(perBlock, rows - first);
    s.rows.resize(count * rowBytes);
    m.rowsOf_(pool_, n, first, count, s.rows.data(), rowBytes);
    s.order.clear();
    for (size_t r = 0; r < count; ++r) {
      const int64_t t = record[first + r];
      const int32_t rowClass = t < 0 ? slots + kNotJoined
                               : slotOf[static_cast<size_t>(t)] >= 0
                                   ? slotOf[static_cast<size_t>(t)]
                                   : slots + kOutOfSlots;
      s.order.emplace_back(rowClass, static_cast<uint32_t>(r));
    }
    // Rows joined in table order come sorted already.
    const auto byClass = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (!std::is_sorted(s.order.begin(), s.order.end(), byClass))
      std::stable_sort(s.order.begin(), s.order.end(), byClass);
    for (size_t k = 0; k < count;) {
      const int32_t rowClass = s.order[k].first;
      s.tally.assign(rowBytes * 32, 0);
      for (; k < count && s.order[k].first == rowClass; ++k) {
        const uint8_t* row = s.rows.data() + s.order[k].second * rowBytes;
        uint32_t* t = s.tally.data();
        for (size_t b = 0; b < rowBytes; ++b, t += 32) {
          ++t[row[b] & 15u];
          ++t[16 + (row[b] >> 4)];
        }
      }
      addRun(s, rowClass);
    }
    for (size_t r = 0; r < count; ++r) {
      const int64_t t = record[first + r];
      if (t >= 0)
        std::memcpy(packed[static_cast<size_t>(t)], s.rows.data() + r * rowBytes, rowBytes);
    }
  };
  try {
    forEachItemOnThreads(blocks, threads, readBlock, [] {});
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  } catch (const FatalError&) {
    throw;
  } catch (const std::exception& error) {
    fatal("ERROR: %s\n", error.what());
  }
  const int64_t lines = static_cast<int64_t>(rows);
  for (size_t v = 0; v < subjects; ++v) {
    SubjectResult& result = results[v];
    SubjectCounts& counts = result.counts;
    counts.linesRead = lines;
    counts.notFound = lines - m.joinedRows_;
    counts.calls[0] = lines - counts.calls[1] - counts.calls[2] - counts.calls[3];
    if (tables.facts) {
      // As read() and finishSubject find them.
      result.facts.layoutA = true;
      result.facts.linesAfterFirst = lines - 1;
      result.facts.layoutALines = m.layoutARowsAfterFirst_;
      result.facts.found = m.joinedRows_;
      result.facts.validCalls = valid[v];
    }
  }
  return results;
}

namespace {

// A pool's subjects from their files, or from `memory` when it is given.
void readPool(int pool, int n, MemoryGenotypes* memoryCalls) {
  checkPool(pool, n);

  // Subjects 0..n-1 start as no call; the bytes past them are left alone.
  const size_t clearBytes = static_cast<size_t>((n - 1) / 4 + 1);
  for (SNPRecord& rec : genome.sumSNP) {
    std::memset(rec.gType[pool], 0, clearBytes);
  }

  std::optional<MemorySource> memory;
  if (memoryCalls != nullptr) {
    memory.emplace(*memoryCalls, pool);
    memory->decide();
  }
  int64_t capacity = static_cast<int64_t>(
      static_cast<double>(memory ? memory->firstLines() : countLines(settings.stFile[pool][0])) *
      1.2);
  reportCapacity(capacity);

  const int32_t L = genome.lastChromosome;
  std::optional<RsIDIndex> index;
  if (memory) memory->joinInTableOrder();
  if (!memory || memory->needsIndex()) index.emplace(genome.pASNP);
  if (memory && index) memory->join(*index);
  PoolTables tables;
  std::vector<uint8_t*> packed;
  try {
    tables.index = memory && !memory->needsIndex() ? nullptr : &*index;
    tables.slots = L > 1 ? L - 1 : 0;
    tables.pool = pool;
    tables.facts = loadObserver != nullptr;
    if (loadObserver != nullptr && loadObserver->onBytes) tables.onBytes = &loadObserver->onBytes;
    if (loadObserver != nullptr) loadObserver->subjects[pool].assign(static_cast<size_t>(n), {});
    tables.slotOf.resize(genome.sumSNP.size());
    packed.resize(genome.sumSNP.size());
    for (size_t t = 0; t < genome.sumSNP.size(); ++t) {
      const SNPRecord& rec = genome.sumSNP[t];
      tables.slotOf[t] = rec.chr >= 1 && rec.chr < L ? rec.chr - 1 : -1;
      packed[t] = rec.gType[pool];
    }
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  const ReadAhead::ReadOne readOne = [&](SubjectReader& reader, int32_t v) {
    return memory ? memory->read(reader, v, tables)
                  : reader.read(v, settings.stFile[pool][static_cast<size_t>(v)]);
  };

  // Calls taken row by row are stored at once; the subjects are then
  // reported from their counts.
  const bool byRows = memory && memory->byRows();
  std::vector<SubjectResult> readByRows;
  if (byRows) readByRows = memory->readRows(n, tables, packed);

  // Workers read subjects ahead; this thread reports and stores them in
  // subject order, so the tables and messages are those of reading them in turn.
  const unsigned threads =
      std::max(1u, std::min(genotypeReaderThreads(), static_cast<unsigned>(n)));
  std::unique_ptr<ReadAhead> ahead;
  std::unique_ptr<SubjectReader> alone;
  if (byRows) {
    // Nothing left to read.
  } else if (threads > 1) {
    ahead = std::make_unique<ReadAhead>(tables, readOne, n, threads);
  } else {
    alone = std::make_unique<SubjectReader>(tables);
  }
  const char* poolName = pool == enum_patients ? "patient" : "control";
  std::vector<SubjectResult> group;
  for (int32_t v = 0; v < n; ++v) {
    SubjectResult result = byRows  ? std::move(readByRows[static_cast<size_t>(v)])
                           : ahead ? ahead->take(v)
                                   : readOne(*alone, v);
    if (!result.failure.empty()) {
      if (ahead) ahead->stop();
      fatal("%s", result.failure.c_str());
    }
    const SubjectCounts& counts = result.counts;
    // The buffer is full once a line fills its last record; it then grows and
    // the subject is read again, so it ends larger than the subject's lines.
    while (counts.linesRead > 0 && counts.linesRead >= capacity) {
      capacity = grownCapacity(capacity);
      reportCapacity(capacity);
    }
    const int64_t valid = counts.calls[GTYPE_AA] + counts.calls[GTYPE_BB] + counts.calls[GTYPE_AB];
    const std::string& path = settings.stFile[pool][static_cast<size_t>(v)];
    std::fprintf(stderr,
                 "\nA total of %ld SNP typing data was read for subject %ld in the %s pool.\n",
                 counts.linesRead, static_cast<int64_t>(v) + 1, poolName);
    std::fprintf(stderr, "File name = %s\n", path.c_str());
    std::fprintf(stderr, "Numbers of valid SNPs\t%ld\n", valid);
    std::fprintf(stderr, "Numbers of 'AA', BB' and 'AB' type SNPs\t%ld\t%ld\t%ld\n",
                 counts.calls[GTYPE_AA], counts.calls[GTYPE_BB], counts.calls[GTYPE_AB]);
    std::fprintf(stderr, "A total of %ld SNPs failed to find dbSNP rs ID\n", counts.notFound);

    int64_t* row = genome.nEffectiveSNP[pool].data() +
                   static_cast<size_t>(v) * static_cast<size_t>(tables.slots);
    for (int32_t k = 0; k < tables.slots; ++k) row[k] += result.effective[static_cast<size_t>(k)];
    result.effective = std::vector<int64_t>();
    if (loadObserver != nullptr)
      loadObserver->subjects[pool][static_cast<size_t>(v)] = result.facts;
    if (byRows) continue;  // stored already
    group.push_back(std::move(result));
    if (group.size() == 4 || v == n - 1) {
      storeGroup(packed, v / 4, group);
      group.clear();
    }
  }
}

}  // namespace

void readGenotypingData(int pool, int n) {
  readPool(pool, n, nullptr);
}

void readGenotypingData(int pool, int n, MemoryGenotypes& calls) {
  readPool(pool, n, &calls);
}
