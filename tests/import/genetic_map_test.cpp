// Chromosome names and map interpolation, the two conventions every import
// depends on.
#include "genetic_map.h"

#include <gtest/gtest.h>

#include "chromosome.h"
#include "import/interchange.h"
#include "input_error.h"

namespace {

TEST(ChromosomeNames, PrefixesLettersAndPlinkCodesReduceToAutosomesAndX) {
  struct Expectation {
    const char* name;
    std::optional<int> autosomes;
    ChromosomeKind kind;
    int number;
  };
  const std::vector<Expectation> table = {
      {"7", std::nullopt, ChromosomeKind::autosome, 7},
      {"chr07", std::nullopt, ChromosomeKind::autosome, 7},
      {"CHR12", std::nullopt, ChromosomeKind::autosome, 12},
      {"chrX", std::nullopt, ChromosomeKind::x, 0},
      {"x", std::nullopt, ChromosomeKind::x, 0},
      {"XY", std::nullopt, ChromosomeKind::x, 0},
      {"chrY", std::nullopt, ChromosomeKind::y, 0},
      {"chrM", std::nullopt, ChromosomeKind::mitochondrial, 0},
      {"MT", std::nullopt, ChromosomeKind::mitochondrial, 0},
      {"0", std::nullopt, ChromosomeKind::unplaced, 0},
      {"chr1_random", std::nullopt, ChromosomeKind::unplaced, 0},
      {"GL000192.1", std::nullopt, ChromosomeKind::unplaced, 0},
      {"", std::nullopt, ChromosomeKind::unplaced, 0},
      {"23", std::nullopt, ChromosomeKind::autosome, 23},
      {"23", 22, ChromosomeKind::x, 0},
      {"24", 22, ChromosomeKind::y, 0},
      {"25", 22, ChromosomeKind::x, 0},
      {"26", 22, ChromosomeKind::mitochondrial, 0},
      {"27", 22, ChromosomeKind::unplaced, 0},
      {"39", 38, ChromosomeKind::x, 0},
      {"38", 38, ChromosomeKind::autosome, 38},
  };
  for (const Expectation& e : table) {
    Chromosome c = classifyChromosome(e.name, e.autosomes);
    EXPECT_EQ(c.kind, e.kind) << e.name;
    EXPECT_EQ(c.number, e.number) << e.name;
  }
  EXPECT_LT(classifyChromosome("22", std::nullopt).sortKey(),
            classifyChromosome("X", std::nullopt).sortKey());
}

TEST(GeneticMapFile, InterpolatesBetweenPointsAndClampsOutsideThem) {
  ScratchDir dir;
  dir.write("map.txt",
            "chr position cM\n1 1000 2.0\n1 3000 6.0\n1 3001 6.0\nchrX 500 0.0\nY 10 1.0\n");
  GeneticMap map = GeneticMap::load({dir.file("map.txt")}, std::nullopt, MapUnits::centimorgans);
  const Chromosome one{ChromosomeKind::autosome, 1};
  EXPECT_EQ(map.pointCount(), 4u);  // the Y point is not kept
  EXPECT_DOUBLE_EQ(*map.at(one, 1), 2.0);
  EXPECT_DOUBLE_EQ(*map.at(one, 1000), 2.0);
  EXPECT_DOUBLE_EQ(*map.at(one, 1500), 3.0);
  EXPECT_DOUBLE_EQ(*map.at(one, 3000), 6.0);
  EXPECT_DOUBLE_EQ(*map.at(one, 99999999), 6.0);
  EXPECT_DOUBLE_EQ(*map.at(Chromosome{ChromosomeKind::x, 0}, 7), 0.0);
  EXPECT_FALSE(map.at(Chromosome{ChromosomeKind::autosome, 2}, 1000).has_value());

  MapSource uniform = MapSource::uniform(1.2);
  EXPECT_DOUBLE_EQ(*uniform.cMAt(one, 2500000, std::nullopt), 3.0);
  MapSource column = MapSource::fromInputColumn(MapUnits::centimorgans);
  EXPECT_FALSE(column.cMAt(one, 100, 0.0).has_value());  // PLINK writes 0 for an unknown position
  EXPECT_DOUBLE_EQ(*column.cMAt(one, 100, 0.25), 0.25);

  dir.write("empty.txt", "# nothing\n");
  EXPECT_THROW(GeneticMap::load({dir.file("empty.txt")}, std::nullopt, MapUnits::centimorgans),
               InputError);
}

}  // namespace
