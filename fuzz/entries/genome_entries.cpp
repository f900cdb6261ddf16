// Fuzz entries of the genome readers: the annotation file, the genotyping
// files in both layouts and the area files.
#include <string>

#include "fuzz_entries.h"
#include "genome/genome.h"
#include "genome_checks.h"

namespace {

// A small annotation for the readers that need one: three autosomes and X,
// one rs ID twice, positions that fall once within chromosome 2.
const char kFixedAnnotation[] =
    "1\t1000\t0.5\trs1\t0.5\n"
    "1\t2000\t0.2\trs2\t1.0\n"
    "1\t3000\t0.9\trs3\t1.5\n"
    "2\t500\t0.4\trs4\t0.2\n"
    "2\t400\t0.6\trs5\t0.3\n"
    "2\t900\t0.1\trs6\t0.9\n"
    "3\t100\t0.5\trs7\t0.1\n"
    "3\t200\t0.5\trs7\t0.4\n"
    "3\t300\t0.3\trs8\t0.8\n"
    "X\t50\t0.5\trs9\t1.0\n";

void loadFixedAnnotation(int patients, int controls) {
  resetModel();
  settings.noTgPool[enum_patients] = patients;
  settings.noTgPool[enum_controls] = controls;
  static const std::string path = writeScratchFile("fixed_annotation.txt", kFixedAnnotation);
  readAnnotation(path);
}

// Calls of a pool may only land in records of the table, and the effective
// counts of a subject never exceed the SNPs of its chromosome.
void checkGenotypes(int pool, int n) {
  const int32_t slots = autosomeSlots();
  for (int v = 0; v < n; ++v) {
    for (int32_t k = 0; k < slots; ++k) {
      const int64_t counted = genome.nEffectiveSNP[pool][static_cast<size_t>(v) * slots + k];
      if (counted < 0 || counted > slotEnd(k) - slotBegin(k)) fuzzFinding("effective SNP count");
    }
  }
}

FuzzResult readGenotypes(const std::string& firstLine, const uint8_t* data, size_t size) {
  std::string content = firstLine;
  content.append(reinterpret_cast<const char*>(data), size);
  const std::string path = writeScratchFile("subject.txt", content);
  return runReader([&] {
    loadFixedAnnotation(2, 1);
    settings.stFile[enum_patients] = {path, path};
    settings.stFile[enum_controls] = {path};
    readGenotypingData(enum_patients, 2);
    checkGenotypes(enum_patients, 2);
    readGenotypingData(enum_controls, 1);
    checkGenotypes(enum_controls, 1);
  });
}

}  // namespace

FuzzResult fuzzAnnotation(const uint8_t* data, size_t size) {
  const std::string path = writeScratchFile("annotation.txt", data, size);
  return runReader([&] {
    resetModel();
    settings.noTgPool[enum_patients] = 3;
    settings.noTgPool[enum_controls] = 2;
    readAnnotation(path);
    checkAnnotationTables();
    const int64_t autosomal = genome.chrPosition[genome.lastChromosome - 1];
    checkRegions(setRegion("", "", autosomal), autosomal);
  });
}

FuzzResult fuzzGenotypesLayoutA(const uint8_t* data, size_t size) {
  return readGenotypes("rs1\tAA\n", data, size);
}

FuzzResult fuzzGenotypesLayoutB(const uint8_t* data, size_t size) {
  return readGenotypes("1\t1000\tBB\tx\trs1\n", data, size);
}

FuzzResult fuzzAreaFile(const uint8_t* data, size_t size) {
  const std::string path = writeScratchFile("areas.txt", data, size);
  FuzzResult excluded = runReader([&] {
    loadFixedAnnotation(2, 0);
    const int64_t autosomal = genome.chrPosition[genome.lastChromosome - 1];
    checkRegions(setRegion(path, "", autosomal), autosomal);
  });
  FuzzResult target = runReader([&] {
    loadFixedAnnotation(2, 0);
    const int64_t autosomal = genome.chrPosition[genome.lastChromosome - 1];
    checkRegions(setRegion("", path, autosomal), autosomal);
  });
  return excluded.stopped ? excluded : target;
}
