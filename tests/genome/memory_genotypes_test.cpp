// Genotypes held in memory read as their files, whether taken a subject or
// a row at a time; the facts a load observer collects, and the bytes it is
// shown.
#include <algorithm>
#include <mutex>
#include <random>

#include "base/velmora_format.h"
#include "genome/genotype_file.h"
#include "genome/reader_threads.h"
#include "genome_fixture.h"

namespace {

// rsD is on two records, rsX is the X chromosome.
const std::string kAnnotation =
    "1\t100\t0.5\trsA\t1.0\n"
    "1\t200\t0.5\trsB\t2.0\n"
    "1\t300\t0.5\trsD\t3.0\n"
    "2\t100\t0.5\trsC\t1.0\n"
    "2\t200\t0.5\trsD\t2.0\n"
    "3\t100\t0.5\trsX\t1.0\n";

// Where a reading takes the calls from.
enum class From { files, subjects, rows };

// What a reading of both pools leaves behind.
struct PoolsRead {
  std::string err;
  std::vector<uint8_t> gTypes[2];
  std::vector<int64_t> effective[2];
  std::vector<SubjectLoadFacts> facts[2];
};

class MemoryGenotypesTest : public GenomeTest {
 protected:
  void TearDown() override {
    loadObserver = nullptr;
    setGenotypeReaderThreads(0);
    GenotypeFile::setMapping(false);
    GenomeTest::TearDown();
  }

  // Loads `annotation` for `calls` (by pool, subject, row) and reads both
  // pools, from files written as an import writes them or from memory.
  PoolsRead readBoth(const std::vector<std::string>& ids,
                     const std::vector<std::vector<std::vector<uint8_t>>>& calls, From from,
                     const std::string& annotation = kAnnotation) {
    resetModel();
    loadAnnotation(annotation, static_cast<int32_t>(calls[0].size()),
                   static_cast<int32_t>(calls[1].size()));
    for (int pool = 0; pool < 2; ++pool) {
      for (size_t v = 0; v < calls[pool].size(); ++v) {
        std::string text;
        for (size_t i = 0; i < ids.size(); ++i) appendGenotypeLine(text, ids[i], calls[pool][v][i]);
        std::string name = "s";  // built step by step: g++ 12 misreads literal + string at -O3
        name += std::to_string(pool * 10 + v);
        settings.stFile[pool].push_back(write(name, text));
      }
    }
    LoadObserver observer;
    loadObserver = &observer;
    std::vector<std::string_view> views(ids.begin(), ids.end());
    const MemoryGenotypes::CallsOf subjectCalls = [&calls](int pool, int32_t v, uint8_t* codes) {
      std::copy(calls[pool][v].begin(), calls[pool][v].end(), codes);
    };
    // Each row packed call by call, the plain way.
    const MemoryGenotypes::RowsOf rowCalls = [&calls](int pool, int32_t subjects, size_t first,
                                                      size_t count, uint8_t* out, size_t stride) {
      for (size_t r = 0; r < count; ++r) {
        uint8_t* row = out + r * stride;
        std::fill(row, row + (subjects + 3) / 4, uint8_t{0});
        for (int32_t v = 0; v < subjects; ++v) {
          row[v / 4] =
              static_cast<uint8_t>(row[v / 4] | calls[pool][v][first + r] << (2 * (v % 4)));
        }
      }
    };
    MemoryGenotypes bySubject(views, subjectCalls);
    MemoryGenotypes byRow(views, subjectCalls, rowCalls);
    PoolsRead read;
    read.err = stderrOf([&] {
      for (int pool = 0; pool < 2; ++pool) {
        if (from == From::files) {
          readGenotypingData(pool, settings.noTgPool[pool]);
        } else {
          readGenotypingData(pool, settings.noTgPool[pool], from == From::rows ? byRow : bySubject);
        }
      }
    });
    loadObserver = nullptr;
    for (int pool = 0; pool < 2; ++pool) {
      read.gTypes[pool] = genome.gTypeStore[pool];
      read.effective[pool] = genome.nEffectiveSNP[pool];
      read.facts[pool] = observer.subjects[pool];
    }
    return read;
  }
};

// Rows with repeated and unknown IDs take the join of the files; rows the
// reader would cut otherwise (a blank, a tab, a line end, an all-digit first
// ID) still read as their text would.
TEST_F(MemoryGenotypesTest, MemoryCallsReadAsTheirFiles) {
  const std::vector<std::string> pick = {"rsA", "rsB", "rsC", "rsD", "rsX", "rsZ"};
  const std::vector<std::string> odd = {"rsB ", "rsC\tAA", "rsA\nrsD", "rsD x"};
  std::mt19937 rng(5);
  for (int round = 0; round < 12; ++round) {
    std::vector<std::string> ids;
    for (int i = 0; i < 3 + static_cast<int>(rng() % 20); ++i) ids.push_back(pick[rng() % 6]);
    if (round % 3 == 1) ids[rng() % ids.size()] = odd[rng() % odd.size()];
    if (round % 6 == 2) ids[0] = "42";
    std::vector<std::vector<std::vector<uint8_t>>> calls(2);
    for (int pool = 0; pool < 2; ++pool) {
      calls[pool].resize(pool == 0 ? 1 + rng() % 6 : rng() % 3);
      for (auto& subject : calls[pool]) {
        for (size_t i = 0; i < ids.size(); ++i) subject.push_back(static_cast<uint8_t>(rng() % 4));
      }
    }
    if (calls[1].empty()) calls[1].push_back(std::vector<uint8_t>(ids.size(), 1));
    setGenotypeReaderThreads(1);
    const PoolsRead files = readBoth(ids, calls, From::files);
    setGenotypeReaderThreads(3);
    for (const From from : {From::subjects, From::rows}) {
      const PoolsRead memory = readBoth(ids, calls, from);
      EXPECT_EQ(memory.err, files.err) << round;
      for (int pool = 0; pool < 2; ++pool) {
        EXPECT_EQ(memory.gTypes[pool], files.gTypes[pool]) << round;
        EXPECT_EQ(memory.effective[pool], files.effective[pool]) << round;
        EXPECT_EQ(memory.facts[pool], files.facts[pool]) << round;
        EXPECT_EQ(files.facts[pool].size(), calls[pool].size());
      }
    }
  }
}

// An import's rows name the annotation's records in table order, which the
// reader joins without its index; rows in another order, or fewer, or with
// an identifier changed, take the index. Tables of thousands of rows are
// read in several blocks, on one thread and on three.
TEST_F(MemoryGenotypesTest, RowsInTableOrderReadAsTheirFiles) {
  std::mt19937 rng(11);
  std::string annotation;
  std::vector<std::string> tableIds;
  for (const int chromosome : {1, 2, 4, 5}) {  // 5 is X
    const int count = chromosome == 2 ? 5000 : 1500;
    for (int i = 0; i < count; ++i) {
      // Some identifiers sit on two records, as split multi-allelic sites do.
      const std::string id = rng() % 40 == 0 && !tableIds.empty()
                                 ? tableIds[rng() % tableIds.size()]
                                 : "rs" + std::to_string(chromosome * 100000 + i);
      tableIds.push_back(id);
      annotation += annot(std::to_string(chromosome), std::to_string(100 * (i + 1)), "0.5", id,
                          std::to_string(0.01 * (i + 1)));
    }
  }
  for (int round = 0; round < 4; ++round) {
    std::vector<std::string> ids = tableIds;
    if (round == 1) ids.resize(ids.size() - 700);
    if (round == 2) ids[rng() % ids.size()] = "rsUnknown";
    if (round == 3) std::shuffle(ids.begin(), ids.end(), rng);
    std::vector<std::vector<std::vector<uint8_t>>> calls(2);
    calls[0].resize(5 + round);
    calls[1].resize(2 + round);
    for (auto& pool : calls) {
      for (auto& subject : pool) {
        for (size_t i = 0; i < ids.size(); ++i) subject.push_back(static_cast<uint8_t>(rng() % 4));
      }
    }
    setGenotypeReaderThreads(2);
    const PoolsRead files = readBoth(ids, calls, From::files, annotation);
    for (const unsigned threads : {1u, 3u}) {
      setGenotypeReaderThreads(threads);
      const PoolsRead rows = readBoth(ids, calls, From::rows, annotation);
      EXPECT_EQ(rows.err, files.err) << round;
      for (int pool = 0; pool < 2; ++pool) {
        EXPECT_EQ(rows.gTypes[pool], files.gTypes[pool]) << round;
        EXPECT_EQ(rows.effective[pool], files.effective[pool]) << round;
        EXPECT_EQ(rows.facts[pool], files.facts[pool]) << round;
      }
    }
    // Rows in table order meet a record each.
    if (round < 2) {
      EXPECT_EQ(files.facts[0][0].found, static_cast<int64_t>(ids.size()));
    }
  }
}

TEST_F(MemoryGenotypesTest, FactsOfAHandmadeCohort) {
  LoadObserver observer;
  loadObserver = &observer;
  // Line 6 gives its frequency in scientific notation, which velmora reads whole.
  std::string annotation = kAnnotation;
  annotation.insert(annotation.find("3\t100"), "2\t300\t5e-1\trsE\t3.0\n");
  loadAnnotation(annotation, 2, 0);
  EXPECT_EQ(observer.annotation.notPlainLines, 1);
  EXPECT_EQ(observer.annotation.firstNotPlain, "line 6, allele frequency '5e-1'");

  settings.stFile[enum_patients] = {
      // Layout A; a lower-case call, an empty line and a numeric line after the first.
      write("a.txt", "rsA\tAA\nrsB\tab\nrsC\tBB\n\n12\t1\tAA\t0\trsD\nrsZ\tAB\n"),
      // Layout B; a layout-A line without the fifth column, and "Bb".
      write("b.txt", "1\t100\tAA\tx\trsA\nrsB\tBB\n2\t5\tBb\tx\trsC\n")};
  stderrOf([] { readGenotypingData(enum_patients, 2); });
  ASSERT_EQ(observer.subjects[enum_patients].size(), 2u);
  const SubjectLoadFacts& a = observer.subjects[enum_patients][0];
  EXPECT_TRUE(a.layoutA);
  EXPECT_EQ(a.linesAfterFirst, 4);  // the empty line holds nothing
  EXPECT_EQ(a.layoutALines, 3);
  EXPECT_EQ(a.found, 3);  // "12" and rsZ have no record
  EXPECT_EQ(a.validCalls, 2);
  EXPECT_EQ(a.lowerCaseCalls, 1);
  const SubjectLoadFacts& b = observer.subjects[enum_patients][1];
  EXPECT_FALSE(b.layoutA);
  EXPECT_EQ(b.linesAfterFirst, 2);
  EXPECT_EQ(b.layoutALines, 1);
  EXPECT_EQ(b.found, 2);
  EXPECT_EQ(b.validCalls, 1);
  EXPECT_EQ(b.lowerCaseCalls, 1);
}

// Every byte once, in order, whether the file comes in blocks (and is
// refilled, being larger than one) or mapped whole.
TEST_F(MemoryGenotypesTest, OnBytesSeesEachFileOnce) {
  std::string big;
  for (int i = 0; big.size() < (size_t{3} << 20); ++i) big += "rs" + std::to_string(i) + "\tAB\n";
  const std::vector<std::string> texts = {big, "rsA\tAA\n", "", big.substr(0, 5000) + "rsD\tBB"};
  for (const bool mapping : {false, true}) {
    resetModel();
    loadAnnotation(kAnnotation, 3, 1);
    for (size_t k = 0; k < texts.size(); ++k) {
      std::string name = "f";
      name += std::to_string(k);
      settings.stFile[k < 3 ? enum_patients : enum_controls].push_back(write(name, texts[k]));
    }
    GenotypeFile::setMapping(mapping);
    setGenotypeReaderThreads(2);
    std::mutex lock;
    std::vector<std::string> seen(texts.size());
    std::vector<int> calls(texts.size(), 0);
    LoadObserver observer;
    observer.onBytes = [&](int pool, int subject, const char* bytes, size_t size) {
      std::lock_guard<std::mutex> hold(lock);
      const size_t k = static_cast<size_t>(pool * 3 + subject);
      seen[k].append(bytes, size);
      ++calls[k];
    };
    loadObserver = &observer;
    stderrOf([] {
      readGenotypingData(enum_patients, 3);
      readGenotypingData(enum_controls, 1);
    });
    loadObserver = nullptr;  // `observer` ends with this turn
    for (size_t k = 0; k < texts.size(); ++k) EXPECT_TRUE(seen[k] == texts[k]) << mapping << k;
    // The big file fills several blocks; a mapped file comes at once.
    if (mapping) {
      EXPECT_EQ(calls[0], 1);
    } else {
      EXPECT_GT(calls[0], 2);
    }
  }
}

}  // namespace
