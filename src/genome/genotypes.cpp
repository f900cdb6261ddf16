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
#include <cstdio>
#include <new>
#include <string_view>
#include <vector>

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

FILE* openTyping(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) fatal("ERROR: Cannot open the genotyping file %s\n", path.c_str());
  return file;
}

int64_t countLines(const std::string& path, char* buf) {
  FILE* file = openTyping(path);
  int64_t lines = 0;
  while (MyFgets(buf, kLineLimit, file) != nullptr) ++lines;
  std::fclose(file);
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

// Which records the subject in hand has taken. A record alone with its rs ID
// is stamped by table index; a run of several counts its taken records,
// stamped at its pASNP head. Stamps are subject numbers from 1, so nothing is
// cleared between subjects.
struct JoinState {
  std::vector<int32_t> recordStamp;  // by table index
  std::vector<int32_t> runStamp;     // by pASNP position of a run head
  std::vector<int64_t> runTaken;     // by pASNP position of a run head
};

class PoolReader {
 public:
  PoolReader(int pool, const RsIDIndex& index, JoinState& state) : pool_(pool), index_(index), state_(state) {}

  SubjectCounts readSubject(int32_t v, const std::string& path, char* buf, char** fields) {
    SubjectCounts counts;
    FILE* file = openTyping(path);
    bool first = true;
    Layout layout{1, 2};
    next_ = genome.sumSNP.empty() ? nullptr : &genome.sumSNP[0];
    while (MyFgets(buf, kLineLimit, file) != nullptr) {
      const int32_t count = split(buf, fields, "\t", kMaxFields);
      if (first) {
        layout = chooseLayout(fields[0]);
        first = false;
      }
      if (count < layout.rsColumn) continue;
      const int code = count >= layout.callColumn ? callCode(fields[layout.callColumn - 1]) : GTYPE_OTHER;
      ++counts.linesRead;
      if (code != GTYPE_OTHER) ++counts.calls[code];
      if (!join(v, fields[layout.rsColumn - 1], code)) ++counts.notFound;
    }
    std::fclose(file);
    return counts;
  }

 private:
  // Stores the call of subject v in the record its rs ID meets; false when
  // there is none left for it.
  bool join(int32_t v, std::string_view id, int code) {
    const RsIDIndex::Run run = guess(id) ? index_.runOf(next_->tableIndex) : index_.find(id);
    if (run.head < 0) return false;
    const int32_t stamp = v + 1;
    SNPRecord* rec = run.first;
    if (run.length == 1) {
      if (state_.recordStamp[rec->tableIndex] == stamp) return false;
      state_.recordStamp[rec->tableIndex] = stamp;
    } else {
      if (state_.runStamp[run.head] != stamp) {
        state_.runStamp[run.head] = stamp;
        state_.runTaken[run.head] = 0;
      }
      const int64_t i = state_.runTaken[run.head]++;
      if (i >= run.length) return false;
      rec = genome.pASNP[run.head + i];
    }
    const int64_t after = rec->tableIndex + 1;
    next_ = after < static_cast<int64_t>(genome.sumSNP.size()) ? &genome.sumSNP[after] : nullptr;

    const int32_t L = genome.lastChromosome;
    if (code != GTYPE_OTHER && rec->chr >= 1 && rec->chr < L) {
      ++genome.nEffectiveSNP[pool_][static_cast<size_t>(v) * (L - 1) + (rec->chr - 1)];
    }
    putGType(rec->gType[pool_], static_cast<uint64_t>(v), code == GTYPE_OTHER ? GTYPE_NONE : code);
    return true;
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

  int pool_;
  const RsIDIndex& index_;
  JoinState& state_;
  SNPRecord* next_ = nullptr;  // the record after the last one joined, in table order
  int32_t guessScore_ = 8;     // 0..8, recent guesses that held
  int64_t lines_ = 0;
};

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
  std::vector<char*> fields(kMaxFields);

  // Subjects 0..n-1 start as no call; the bytes past them are left alone.
  const size_t clearBytes = static_cast<size_t>((n - 1) / 4 + 1);
  for (SNPRecord& rec : genome.sumSNP) {
    for (size_t b = 0; b < clearBytes; ++b) rec.gType[pool][b] = 0;
  }

  int64_t capacity = static_cast<int64_t>(static_cast<double>(countLines(settings.stFile[pool][0], buf.data())) * 1.2);
  reportCapacity(capacity);

  RsIDIndex index(genome.pASNP);
  JoinState state;
  try {
    state.recordStamp.assign(genome.pASNP.size(), 0);
    state.runStamp.assign(genome.pASNP.size(), 0);
    state.runTaken.assign(genome.pASNP.size(), 0);
  } catch (const std::bad_alloc&) {
    fatal("ERROR: Failed to allocate memory\n");
  }
  PoolReader reader(pool, index, state);
  const char* poolName = pool == enum_patients ? "patient" : "control";
  for (int32_t v = 0; v < n; ++v) {
    const std::string& path = settings.stFile[pool][v];
    const SubjectCounts counts = reader.readSubject(v, path, buf.data(), fields.data());
    // The buffer is full once a line fills its last record; it then grows and
    // the subject is read again, so it ends larger than the subject's lines.
    while (counts.linesRead > 0 && counts.linesRead >= capacity) {
      capacity = grownCapacity(capacity);
      reportCapacity(capacity);
    }
    const int64_t valid = counts.calls[GTYPE_AA] + counts.calls[GTYPE_BB] + counts.calls[GTYPE_AB];
    std::fprintf(stderr, "\nA total of %ld SNP typing data was read for subject %ld in the %s pool.\n",
                 counts.linesRead, static_cast<int64_t>(v) + 1, poolName);
    std::fprintf(stderr, "File name = %s\n", path.c_str());
    std::fprintf(stderr, "Numbers of valid SNPs\t%ld\n", valid);
    std::fprintf(stderr, "Numbers of 'AA', BB' and 'AB' type SNPs\t%ld\t%ld\t%ld\n", counts.calls[GTYPE_AA],
                 counts.calls[GTYPE_BB], counts.calls[GTYPE_AB]);
    std::fprintf(stderr, "A total of %ld SNPs failed to find dbSNP rs ID\n", counts.notFound);
  }
}
