// Genotyping reader: layouts, call counts, the rs ID join, packed calls,
// effective SNP counts and the buffer capacity reports.
#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>

#include "base/lines.h"
#include "common/harness.h"
#include "genome/genotype_file.h"
#include "genome/reader_threads.h"
#include "genome_fixture.h"

namespace {

// Chromosomes 1 and 2 are autosomes, 3 is X; rsD is on two records.
const std::string kAnnotation =
    "1\t100\t0.5\trsA\t1.0\n"   // 0
    "1\t200\t0.5\trsB\t2.0\n"   // 1
    "1\t300\t0.5\trsD\t3.0\n"   // 2
    "2\t100\t0.5\trsC\t1.0\n"   // 3
    "2\t200\t0.5\trsD\t2.0\n"   // 4
    "3\t100\t0.5\trsX\t1.0\n";  // 5

class GenotypesTest : public GenomeTest {
 protected:
  void load(int32_t P, int32_t C) { loadAnnotation(kAnnotation, P, C); }

  void addSubject(int pool, const std::string& name, const std::string& content) {
    settings.stFile[pool].push_back(write(name, content));
  }

  std::string readPool(int pool) {
    return stderrOf([&] { readGenotypingData(pool, settings.noTgPool[pool]); });
  }

  // Calls of subject s at every record, as a string of codes.
  static std::string callsOf(int pool, int s) {
    std::string codes;
    for (const SNPRecord& r : genome.sumSNP)
      codes += static_cast<char>('0' + getGType(r.gType[pool], s));
    return codes;
  }

  static std::string report(int64_t read, int64_t subject, const std::string& pool,
                            const std::string& path, int64_t aa, int64_t bb, int64_t ab,
                            int64_t notFound) {
    std::ostringstream o;
    o << "\nA total of " << read << " SNP typing data was read for subject " << subject
      << " in the " << pool << " pool.\nFile name = " << path << "\nNumbers of valid SNPs\t"
      << aa + bb + ab << "\nNumbers of 'AA', BB' and 'AB' type SNPs\t" << aa << "\t" << bb << "\t"
      << ab << "\nA total of " << notFound << " SNPs failed to find dbSNP rs ID\n";
    return o.str();
  }
};

TEST_F(GenotypesTest, LayoutsCallsJoinAndCounts) {
  load(4, 1);
  addSubject(enum_patients, "s1.txt",
             "SNP Name\tGenotype\n"  // header: layout A, read as a line that finds nothing
             "rsA\tAA\nrsB\tBA\n"
             "rsD\tBB\nrsD\tAB\nrsD\tAA\n"  // i-th rsD line meets the i-th rsD record
             "rsX\tAB\nrsZ\tAA\nrsC\n");
  addSubject(enum_patients, "s2.txt",
             "1\t100\tBB\tx\trsB\r\n"  // layout B
             "2\t100\tAB\tx\r\n"       // too short: skipped
             "1\t200\tAA\tx\trsA\textra\r\n"
             "\t\t--\t\trsC\r\n"
             "1\t300\tBBxyz\tx\trsD\r\n");
  addSubject(enum_patients, "s3.txt", "rsA\tA\nrsB\t\n");
  addSubject(enum_patients, "s4.txt", "rsX\tBB\nrsA\tAB\nrsA\tAA\n");  // first in file order joins
  addSubject(enum_controls, "c1.txt", "rsC\tAA\nrsX\tBB\n");
  // Slot 4 (the representative) shares no byte with subjects 0..3: left alone.
  for (SNPRecord& r : genome.sumSNP) {
    r.gType[enum_patients][0] = 0xFF;
    r.gType[enum_patients][1] = 0xFF;
  }

  const std::string err = readPool(enum_patients);
  const auto& f = settings.stFile[enum_patients];
  EXPECT_EQ(err, "\n0.00 MegaBytes were allocated for reading genotyping data.\n" +
                     report(9, 1, "patient", f[0], 3, 1, 2, 3) +
                     report(4, 2, "patient", f[1], 1, 2, 0, 0) +
                     report(2, 3, "patient", f[2], 0, 0, 0, 0) +
                     report(3, 4, "patient", f[3], 1, 1, 1, 1));

  EXPECT_EQ(callsOf(enum_patients, 0), "102033");
  EXPECT_EQ(callsOf(enum_patients, 1), "122000");
  EXPECT_EQ(callsOf(enum_patients, 2), "000000");
  EXPECT_EQ(callsOf(enum_patients, 3), "300002");
  EXPECT_EQ(callsOf(enum_patients, 4), "333333");
  // Rows of 2 autosomes; X calls and unrecognised calls are not counted.
  EXPECT_EQ(genome.nEffectiveSNP[enum_patients],
            (std::vector<int64_t>{2, 1, 3, 0, 0, 0, 1, 0, 0, 0}));

  // A first file under five lines fills its own buffer (2 lines, 2 records): it grows once.
  const std::string controls = readPool(enum_controls);
  EXPECT_EQ(controls,
            "\n0.00 MegaBytes were allocated for reading genotyping data.\n"
            "\n0.00 MegaBytes were allocated for reading genotyping data.\n" +
                report(2, 1, "control", settings.stFile[enum_controls][0], 1, 1, 0, 0));
  EXPECT_EQ(callsOf(enum_controls, 0), "000102");
  EXPECT_EQ(callsOf(enum_patients, 0), "102033");
  EXPECT_EQ(genome.nEffectiveSNP[enum_controls], (std::vector<int64_t>{0, 1, 0, 0}));
}

// The MegaBytes figures of a pool's reading, in order.
std::vector<std::string> capacityReports(const std::string& err) {
  std::vector<std::string> figures;
  const std::string tail = " MegaBytes were allocated for reading genotyping data.\n";
  for (size_t at = err.find(tail); at != std::string::npos; at = err.find(tail, at + 1)) {
    const size_t start = err.rfind('\n', at) + 1;
    figures.push_back(err.substr(start, at - start));
  }
  return figures;
}

std::string callLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "rs" + std::to_string(i) + "\tAA\n";
  return text;
}

TEST_F(GenotypesTest, CapacityGrowsBeforeTheReportOfALongerSubject) {
  // 100 lines: 120 records; 130 lines grow them to 144 before subject 2's report.
  load(2, 0);
  addSubject(enum_patients, "s1.txt", callLines(100));
  addSubject(enum_patients, "s2.txt", callLines(130));
  std::string err = readPool(enum_patients);
  EXPECT_EQ(capacityReports(err), (std::vector<std::string>{"0.00", "0.00"}));
  EXPECT_LT(err.find("MegaBytes", err.find("for subject 1 ")),
            err.find("A total of 130 SNP typing data"));

  // 10000 lines: 12000 records. 14400 lines fill 14400 exactly, so it grows twice.
  resetModel();
  load(2, 0);
  addSubject(enum_patients, "b1.txt", callLines(10000));
  addSubject(enum_patients, "b2.txt", callLines(14400));
  EXPECT_EQ(capacityReports(readPool(enum_patients)),
            (std::vector<std::string>{"0.29", "0.35", "0.41"}));

  // An empty first file leaves 0 records; each growth adds at least one: 1, 2, 3.
  resetModel();
  load(2, 0);
  addSubject(enum_patients, "e1.txt", "");
  addSubject(enum_patients, "e2.txt", callLines(2));
  err = readPool(enum_patients);
  EXPECT_EQ(capacityReports(err).size(), 4u);
  EXPECT_NE(err.find("A total of 0 SNP typing data was read for subject 1"), std::string::npos);
  EXPECT_NE(err.find("A total of 2 SNPs failed to find dbSNP rs ID\n"), std::string::npos);
}

// The join as a sorted merge: both sides sorted by rs ID (ties in table and
// file order), walked together. Returns the not-found count and fills calls.
int64_t mergeJoin(const std::vector<std::pair<std::string, int>>& lines, std::vector<int>& calls) {
  std::vector<std::pair<std::string, int>> typed = lines;
  std::stable_sort(typed.begin(), typed.end(),
                   [](const auto& a, const auto& b) { return compareRsID(a.first, b.first) < 0; });
  std::vector<SNPRecord*> annot = genome.pASNP;
  std::stable_sort(annot.begin(), annot.end(), [](const SNPRecord* a, const SNPRecord* b) {
    return compareRsID(a->rsID, b->rsID) < 0;
  });
  int64_t notFound = 0;
  size_t k = 0, l = 0;
  while (l < typed.size()) {
    const int c = k < annot.size() ? compareRsID(typed[l].first, annot[k]->rsID) : -1;
    if (c == 0) {
      calls[annot[k]->tableIndex] = typed[l].second == GTYPE_OTHER ? 0 : typed[l].second;
      ++k;
      ++l;
    } else if (c < 0) {
      ++notFound;
      ++l;
    } else {
      ++k;
    }
  }
  return notFound;
}

// The "failed to find" count reported for subject v (0-based), or -1.
int64_t notFoundOf(const std::string& err, int v) {
  const size_t subject = err.find("for subject " + std::to_string(v + 1) + " ");
  if (subject == std::string::npos) return -1;
  const std::string lead = "\nA total of ";
  const size_t at = err.find(lead, subject);
  if (at == std::string::npos ||
      err.compare(err.find(' ', at + lead.size()), 13, " SNPs failed ") != 0)
    return -1;
  return std::stoll(err.substr(at + lead.size()));
}

TEST_F(GenotypesTest, HashJoinEqualsTheSortedMerge) {
  std::mt19937 rng(3);
  const char* codes[] = {"AA", "BB", "AB", "BA", "--"};
  for (int round = 0; round < 40; ++round) {
    resetModel();
    std::string annotation;
    for (int i = 0; i < 30; ++i) {
      annotation += annot(i < 25 ? "1" : "2", std::to_string(100 + i), "0.5",
                          "rs" + std::to_string(rng() % 20), std::to_string(1 + i));
    }
    const int n = 1 + static_cast<int>(rng() % 5);
    loadAnnotation(annotation, n, 0);
    std::vector<std::vector<std::pair<std::string, int>>> subjects(n);
    for (int v = 0; v < n; ++v) {
      std::string text;
      const int count = static_cast<int>(rng() % 40);
      for (int i = 0; i < count; ++i) {
        const int code = static_cast<int>(rng() % 5);
        // Odd rounds follow the table, skipping and repeating now and then, as
        // most files do; even rounds are in no order.
        const size_t at = std::min<size_t>(genome.sumSNP.size() - 1, i + rng() % 3);
        std::string id = "rs";
        if (round % 2 == 1 && rng() % 8 != 0) {
          id = genome.sumSNP[at].rsID;
        } else {
          id += std::to_string(rng() % 26);
        }
        text += id + "\t" + codes[code] + "\n";
        subjects[v].push_back({id, code < 3 ? code + 1 : GTYPE_OTHER});
      }
      std::string name = "r";  // built step by step: g++ 12 misreads literal + string at -O3
      name += std::to_string(round);
      name += '_';
      name += std::to_string(v);
      addSubject(enum_patients, name, text);
    }
    const std::string err = readPool(enum_patients);
    for (int v = 0; v < n; ++v) {
      std::vector<int> calls(genome.sumSNP.size(), 0);
      const int64_t notFound = mergeJoin(subjects[v], calls);
      for (size_t i = 0; i < calls.size(); ++i) {
        ASSERT_EQ(getGType(genome.sumSNP[i].gType[enum_patients], v), calls[i])
            << round << " " << v << " " << i;
      }
      int64_t effective = 0;
      for (size_t i = 0; i < calls.size(); ++i)
        effective += calls[i] != 0 && genome.sumSNP[i].chr == 1;
      EXPECT_EQ(genome.nEffectiveSNP[enum_patients][v], effective);
      EXPECT_EQ(notFoundOf(err, v), notFound);
    }
  }
}

// Files larger than the reader's blocks, with every line end, blanks, NUL bytes
// and identifiers of every key kind, give the lines MyFgets gives: checked
// against MyFgets and split run over the same file. A CR ends the first block,
// so a CR LF and a lone CR are each cut between two blocks.
TEST_F(GenotypesTest, LargeFilesGiveTheLinesOfMyFgets) {
  const char* ids[] = {
      "rs5", "rs05", "rs0",   "rs", "rs123456789012345678", "rs1234567890123456789", "rs5x", "rsA",
      "rsC", "x7",   " rs9 ", "rs9"};
  std::string annotation;
  for (int i = 0; i < 8; ++i) {
    annotation += annot("1", std::to_string(100 + i), "0.5", ids[i], std::to_string(1 + i));
  }
  annotation += annot("1", "200", "0.5", "rs9", "9");
  annotation += annot("2", "100", "0.5", "rs5", "10");
  std::mt19937 rng(11);
  const char* calls[] = {"AA", "BB", "AB", " AA ", "--", ""};
  const char* ends[] = {"\n", "\r\n", "\r"};
  // The reader's first read: one block and room for a whole line.
  const size_t firstRead = (size_t{1} << 20) + kLineLimit + 1;
  for (int round = 0; round < 2; ++round) {
    resetModel();
    loadAnnotation(annotation, 1, 0);
    std::string text = "rs5\tAA\n";
    while (text.size() < 2 * firstRead + 5000) {
      if (text.size() < firstRead && text.size() + 64 > firstRead) {
        // Blanks up to the block's last byte, which is a CR.
        text.append(firstRead - 1 - text.size(), ' ');
        text += round == 0 ? "\r\n" : "\rrs9\tAB\n";
        continue;
      }
      std::string line = ids[rng() % 12];
      if (rng() % 7 != 0) line += std::string("\t") + calls[rng() % 6];
      if (rng() % 50 == 0) line += std::string(1, '\0') + "\tBB";
      if (rng() % 40 == 0) line.clear();
      text += line;
      text += ends[rng() % 3];
    }
    // A lone CR after the last line ends no further line.
    if (round == 1) text += "rs9\tBB\n\r";
    const std::string path = write("big" + std::to_string(round), text);
    settings.stFile[enum_patients].assign(1, path);

    std::vector<std::pair<std::string, int>> lines;
    FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr);
    std::vector<char> buf(kLineLimit + 1);
    std::vector<char*> fields(kMaxFields);
    while (MyFgets(buf.data(), kLineLimit, f) != nullptr) {
      const int32_t count = split(buf.data(), fields.data(), "\t", kMaxFields);
      const std::string call = count >= 2 ? fields[1] : "";
      const int code = call.rfind("AA", 0) == 0   ? GTYPE_AA
                       : call.rfind("BB", 0) == 0 ? GTYPE_BB
                       : call.rfind("AB", 0) == 0 ? GTYPE_AB
                                                  : GTYPE_OTHER;
      lines.push_back({fields[0], code});
    }
    std::fclose(f);
    ASSERT_GT(lines.size(), 100000u);

    const std::string err = readPool(enum_patients);
    std::vector<int> expected(genome.sumSNP.size(), 0);
    const int64_t notFound = mergeJoin(lines, expected);
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(getGType(genome.sumSNP[i].gType[enum_patients], 0), expected[i])
          << round << " " << i;
    }
    EXPECT_NE(err.find("A total of " + std::to_string(lines.size()) +
                       " SNP typing data was read for subject 1 "),
              std::string::npos);
    EXPECT_EQ(notFoundOf(err, 0), notFound);
  }
}

// The straightforward reader: MyFgets and split over the whole file, the
// layout from the first line's first field, then the sorted merge. Fills the
// subject's calls and effective counts and returns its report text.
std::string referenceRead(const std::string& path, int64_t subject, std::vector<int>& calls,
                          std::vector<int64_t>& effective) {
  FILE* f = std::fopen(path.c_str(), "r");
  std::vector<char> buf(kLineLimit + 1);
  std::vector<char*> fields(kMaxFields);
  std::vector<std::pair<std::string, int>> lines;
  int64_t counted[4] = {0, 0, 0, 0};
  int rsColumn = 1, callColumn = 2;
  bool first = true;
  while (f != nullptr && MyFgets(buf.data(), kLineLimit, f) != nullptr) {
    const int32_t count = split(buf.data(), fields.data(), "\t", kMaxFields);
    if (first) {
      const std::string head = fields[0];
      if (head.find_first_not_of("0123456789") == std::string::npos) rsColumn = 5, callColumn = 3;
      first = false;
    }
    if (count < rsColumn) continue;
    const std::string call = count >= callColumn ? fields[callColumn - 1] : "";
    const int code = call.rfind("AA", 0) == 0   ? GTYPE_AA
                     : call.rfind("BB", 0) == 0 ? GTYPE_BB
                     : call.rfind("AB", 0) == 0 ? GTYPE_AB
                                                : GTYPE_OTHER;
    if (code != GTYPE_OTHER) ++counted[code];
    lines.push_back({fields[rsColumn - 1], code});
  }
  if (f != nullptr) std::fclose(f);
  calls.assign(genome.sumSNP.size(), 0);
  const int64_t notFound = mergeJoin(lines, calls);
  effective.assign(static_cast<size_t>(genome.lastChromosome - 1), 0);
  for (size_t i = 0; i < calls.size(); ++i) {
    const int32_t chr = genome.sumSNP[i].chr;
    if (calls[i] != 0 && chr < genome.lastChromosome) ++effective[static_cast<size_t>(chr - 1)];
  }
  std::ostringstream o;
  o << "\nA total of " << lines.size() << " SNP typing data was read for subject " << subject
    << " in the patient pool.\nFile name = " << path << "\nNumbers of valid SNPs\t"
    << counted[1] + counted[2] + counted[3] << "\nNumbers of 'AA', BB' and 'AB' type SNPs\t"
    << counted[1] << "\t" << counted[2] << "\t" << counted[3] << "\nA total of " << notFound
    << " SNPs failed to find dbSNP rs ID\n";
  return o.str();
}

// Random subject files against the straightforward reader: both layouts, every
// line end and mixes of them, blanks, NUL bytes, lines close to the limit,
// duplicate rs IDs in the annotation and in the files, unknown and odd IDs,
// files in table order, shuffled each its own way and all in one shuffled
// order per layout (with few lines left out or added, so that most lines
// meet what the same line of the last file of the layout met), read by one
// thread and by several, in blocks and mapped. Reports, calls and effective
// counts must all agree.
TEST_F(GenotypesTest, FastReaderEqualsTheStraightforwardOne) {
  std::mt19937 rng(29);
  const char* odd[] = {"rs05", "rs", "rs0", "rs1234567890123456789", "x7", "rs12x", "", "rsé9"};
  const char* calls[] = {"AA", "BB", "AB", "BA", "--", "A", "", " AB", "AA ", "BBxyz"};
  const char* ends[] = {"\n", "\r\n", "\r"};
  for (int round = 0; round < 32; ++round) {
    resetModel();
    setGenotypeReaderThreads(round % 3 == 0 ? 1 : 1 + round % 4);
    GenotypeFile::setMapping(round % 2 == 1);
    std::string annotation;
    const int records = 200 + static_cast<int>(rng() % 300);
    std::vector<std::string> ids;
    for (int i = 0; i < records; ++i) {
      // A few identifiers on two or three records, a few of odd shape; half
      // of the numbers have ten digits, so that their texts differ only
      // past the eighth byte.
      std::string id = rng() % 20 == 0 && !ids.empty() ? ids[rng() % ids.size()]
                       : rng() % 25 == 0
                           ? std::string(odd[rng() % 6]) + std::to_string(i)
                           : "rs" + std::to_string((i % 2 == 0 ? 1000 : 1234560000) + 7 * i);
      ids.push_back(id);
      const int chr = 1 + i * 3 / records;
      annotation += annot(chr == 3 ? "X" : std::to_string(chr), std::to_string(100 + i), "0.5", id,
                          std::to_string(1 + i));
    }
    const int n = (round >= 24 ? 3 : 1) + static_cast<int>(rng() % 7);
    loadAnnotation(annotation, n, 0);
    const bool roundLayoutB = round % 4 >= 2;
    const bool inOrder = round % 8 < 4;
    const bool oneOrder = round >= 24;
    // Lines left out or added shift the lines after them.
    const unsigned shifts = oneOrder ? 400 : 10;
    // One shared order per layout; those rounds alternate the layouts.
    std::vector<std::string> cohortOrder[2] = {ids, ids};
    for (auto& o : cohortOrder) std::shuffle(o.begin(), o.end(), rng);
    for (int v = 0; v < n; ++v) {
      const bool layoutB = oneOrder ? (v + round) % 2 == 1 : roundLayoutB;
      std::vector<std::string> order(oneOrder ? cohortOrder[layoutB] : ids);
      if (!inOrder && !oneOrder) std::shuffle(order.begin(), order.end(), rng);
      std::string text;
      const std::string end = rng() % 2 ? ends[rng() % 3] : "";  // "" mixes them line by line
      int number = 1;
      for (size_t i = 0; i < order.size(); ++i) {
        if (rng() % shifts == 0) continue;  // SNPs the file leaves out
        std::string id = order[i];
        if (rng() % 30 == 0) id = "rs" + std::to_string(rng() % 5000);  // mostly unknown
        if (rng() % 40 == 0) id = odd[rng() % 8];
        if (rng() % 40 == 0) id = " " + id + " ";
        const std::string call = calls[rng() % 10];
        std::string line = layoutB ? std::to_string(number++) + "\tSNP_A-" +
                                         std::to_string(rng() % 99999) + "\t" + call + "\t0." +
                                         std::to_string(rng() % 9999) + "\t" + id
                                   : id + "\t" + call;
        if (rng() % 60 == 0) line += std::string(1, '\0') + "\tBB";
        if (rng() % 80 == 0) line = line.substr(0, rng() % (line.size() + 1));
        if (rng() % 150 == 0) line += "\t" + std::string(9000 + rng() % 900, 'x');
        text += line;
        text += end.empty() ? ends[rng() % 3] : end;
        if (rng() % (5 * shifts) == 0) text += order[i] + "\tAA\n";  // the same rs ID again
      }
      if (rng() % 3 == 0) text += rng() % 2 ? "\r\n" : "\r";  // an empty last line, or none
      addSubject(enum_patients, "f" + std::to_string(round) + "_" + std::to_string(v), text);
    }
    const std::string err = readPool(enum_patients);
    std::string reports;
    for (int v = 0; v < n; ++v) {
      std::vector<int> want;
      std::vector<int64_t> effective;
      reports += referenceRead(settings.stFile[enum_patients][v], v + 1, want, effective);
      for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(getGType(genome.sumSNP[i].gType[enum_patients], v), want[i])
            << round << " " << v << " " << i;
      }
      const int32_t slots = genome.lastChromosome - 1;
      for (int32_t k = 0; k < slots; ++k) {
        EXPECT_EQ(genome.nEffectiveSNP[enum_patients][static_cast<size_t>(v * slots + k)],
                  effective[k])
            << round;
      }
    }
    // The reports in subject order, with the capacity lines taken out.
    std::string withoutCapacity = err;
    for (size_t at;
         (at = withoutCapacity.find(" MegaBytes were allocated")) != std::string::npos;) {
      const size_t start = withoutCapacity.rfind("\n", at);
      withoutCapacity.erase(start, withoutCapacity.find('\n', at) - start + 1);
    }
    EXPECT_EQ(withoutCapacity, reports) << round;
  }
  setGenotypeReaderThreads(0);
  GenotypeFile::setMapping(false);
}

// A line of the limit stops the reading with its message, whatever the
// thread count and the way the file is read; a line one shorter is read.
TEST_F(GenotypesTest, LineOfTheLimitStopsTheRun) {
  load(3, 0);
  addSubject(enum_patients, "ok.txt", "rsA\tAA\n");
  addSubject(enum_patients, "edge.txt",
             "rsA\tAA\nrsB\t" + std::string(kLineLimit - 5, 'B') + "\r\n");
  addSubject(enum_patients, "long.txt", "rsA\tAA\nrsB\t" + std::string(kLineLimit - 4, 'B') + "\n");
  for (int way = 0; way < 2; ++way) {
    GenotypeFile::setMapping(way == 1);
    setGenotypeReaderThreads(way == 1 ? 3 : 1);
    EXPECT_EXIT(
        asMain([&] { readGenotypingData(enum_patients, 3); }), ::testing::ExitedWithCode(1),
        "for subject 2 .*\n(.*\n)*ERROR: Genotyping file .*long.txt holds a line of 10000 or "
        "more characters; lines must be shorter.\n$");
  }
  setGenotypeReaderThreads(0);
  GenotypeFile::setMapping(false);
}

TEST_F(GenotypesTest, UnreadableFileAndMisfittingPoolStopTheRun) {
  load(1, 0);
  settings.stFile[enum_patients].push_back(dir_.file("absent.txt"));
  EXPECT_EXIT(asMain([&] { readGenotypingData(enum_patients, 1); }), ::testing::ExitedWithCode(1),
              "ERROR: Cannot open the genotyping file .*absent.txt\n");
  EXPECT_EXIT(asMain([&] { readGenotypingData(enum_patients, 2); }), ::testing::ExitedWithCode(1),
              "^ERROR: ");
}

}  // namespace
