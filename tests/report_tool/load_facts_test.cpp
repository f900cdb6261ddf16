// What the one load sees in each genotyping file (read on several threads,
// with the index's memo of line order), against a straightforward count on
// random files: every subject's facts and checksum the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>

#include "common/harness.h"
#include "core/velmora_core.h"
#include "genome/genome.h"
#include "sha256.h"

namespace {

std::vector<std::string> tabFields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) out.push_back(f);
  if (out.empty()) out.push_back("");
  return out;
}

struct Counted {
  int64_t found = 0, valid = 0, lower = 0;
};

// velmora's reading told plainly: the layout from the first line, the rs ID
// looked up in a set of strings, the call's first two characters.
Counted straightCount(const std::string& text, const std::set<std::string>& ids) {
  Counted c;
  bool first = true, layoutA = true;
  for (std::string line : linesOf(text)) {
    std::vector<std::string> f = tabFields(line);
    if (first) {
      layoutA = f[0].empty() || f[0].find_first_not_of("0123456789") != std::string::npos;
      first = false;
    }
    size_t idColumn = layoutA ? 0 : 4, callColumn = layoutA ? 1 : 2;
    if (f.size() <= idColumn || ids.count(f[idColumn]) == 0) continue;
    ++c.found;
    if (f.size() <= callColumn || f[callColumn].size() < 2) continue;
    std::string two = f[callColumn].substr(0, 2);
    if (two == "AA" || two == "BB" || two == "AB") {
      ++c.valid;
      continue;
    }
    for (char& ch : two) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (two == "AA" || two == "BB" || two == "AB") ++c.lower;
  }
  return c;
}

TEST(LoadFacts, FactsAndChecksumsEqualAStraightCountOnRandomFiles) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    ScratchDir dir;
    std::mt19937 random(seed);
    // Identifiers of every kind the lookup tells apart: rs numbers (some of
    // 18 and 19 digits), rs with a leading zero, and other names.
    std::vector<std::string> ids;
    std::set<std::string> seen;
    while (ids.size() < 2000) {
      // Built by appending: GCC 12 warns wrongly on "literal" + std::string here.
      std::string id;
      switch (random() % 6) {
        case 0:
          id.append("rs0").append(std::to_string(random() % 1000));
          break;
        case 1:
          id.append("SNP_A-").append(std::to_string(random() % 100000));
          break;
        case 2:
          id.append("rs").append(std::to_string(100000000000000000ull + random()));
          if (random() % 2) id.push_back('7');
          break;
        default:
          id.append("rs").append(std::to_string(random() % 5000000 + 1));
      }
      if (seen.insert(id).second) ids.push_back(id);
    }
    // The annotation holds the first 1500; the files name the rest too, and
    // near misses ("rs07" for "rs7").
    std::ostringstream annotation;
    for (size_t i = 0; i < 1500; ++i) {
      annotation << (i * 4 / 1500 + 1) << '\t' << 1000 + 1000 * i << "\t0.5\t" << ids[i] << '\t'
                 << 0.01 * static_cast<double>(i + 1) << '\n';
    }
    dir.write("annotation.txt", annotation.str());
    std::set<std::string> annotated(ids.begin(), ids.begin() + 1500);

    const char* const calls[] = {"AA", "BB", "AB", "aa", "Ab", "--", "A", "", "ABx", "bb"};
    std::vector<std::string> order(ids);
    std::vector<std::string> patients, controls;
    std::vector<std::string> texts;
    for (int subject = 0; subject < 7; ++subject) {
      // Subjects 1 and 2 share the first one's order (the memo's case); the
      // others are shuffled; subject 5 uses the numeric layout.
      if (subject == 0 || subject >= 3) std::shuffle(order.begin(), order.end(), random);
      std::ostringstream text;
      for (const std::string& id : order) {
        if (random() % 10 == 0) continue;  // a line missing here and there
        std::string shown;
        if (random() % 50 == 0 && id.rfind("rs", 0) == 0) {
          shown.append("rs0").append(id, 2);
        } else {
          shown = id;
        }
        const char* call = calls[random() % 10];
        if (subject == 5) {
          text << "1\t100\t" << call << "\t0\t" << shown << "\n";
        } else {
          text << shown << '\t' << call << (random() % 7 == 0 ? "\r\n" : "\n");
        }
      }
      std::string name(1, 's');
      name.append(std::to_string(subject)).append(".txt");
      dir.write(name, text.str());
      texts.push_back(text.str());
      (subject < 4 ? patients : controls).push_back(dir.file(name));
    }
    std::string analysis = "::annotation file\n" + dir.file("annotation.txt") +
                           "\n::excluded area file\n::target area file\n::patient pool\n";
    for (const std::string& p : patients) analysis += p + "\n";
    analysis += "::control pool\n";
    for (const std::string& c : controls) analysis += c + "\n";
    dir.write("analysis.txt", analysis + "::output directory\n" + dir.file("") + "\n");

    std::vector<std::unique_ptr<Sha256>> sums;
    for (size_t i = 0; i < texts.size(); ++i) sums.push_back(std::make_unique<Sha256>());
    LoadObserver observer;
    observer.onBytes = [&](int pool, int subject, const char* bytes, size_t size) {
      sums[static_cast<size_t>(subject) + (pool == 0 ? 0 : 4)]->add(bytes, size);
    };
    core::unloadCohort();
    loadObserver = &observer;
    core::loadAnalysisCohort(dir.file("analysis.txt"));
    loadObserver = nullptr;
    core::unloadCohort();

    std::vector<SubjectLoadFacts> facts = observer.subjects[0];
    facts.insert(facts.end(), observer.subjects[1].begin(), observer.subjects[1].end());
    ASSERT_EQ(facts.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
      Counted expected = straightCount(texts[i], annotated);
      EXPECT_EQ(facts[i].found, expected.found) << "seed " << seed << " subject " << i;
      EXPECT_EQ(facts[i].validCalls, expected.valid) << seed << " " << i;
      EXPECT_EQ(facts[i].lowerCaseCalls, expected.lower) << seed << " " << i;
      EXPECT_EQ(facts[i].layoutA, i != 5);
      EXPECT_EQ(sums[i]->hex(), sha256Hex(texts[i])) << seed << " " << i;
    }
    EXPECT_GT(facts[1].found, 1000);  // the memo's files do find their IDs
  }
}

}  // namespace
