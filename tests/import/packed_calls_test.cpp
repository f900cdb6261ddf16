// The import's calls kept packed: a PLINK source's packed calls, the SNP
// table's frequencies and calls, and the annotation text written from the
// table, each against the plain way of getting them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "base/plink_bed.h"
#include "base/velmora_format.h"
#include "common/harness.h"
#include "plink_source.h"
#include "snp_table.h"
#include "velmora_files.h"

namespace {

// Random calls of `samples` samples, a block per SNP, with the padding bits
// after the last sample random too; every fifth SNP has no call at all.
void writeFileset(const ScratchDir& dir, size_t samples, size_t snps, std::mt19937& rng) {
  std::string fam;
  for (size_t s = 0; s < samples; ++s) fam += "F s" + std::to_string(s) + " 0 0 1 1\n";
  std::string bim;
  std::string bed(plinkbed::kMagic, plinkbed::kMagic + 3);
  for (size_t i = 0; i < snps; ++i) {
    bim += "1\trs" + std::to_string(i + 1) + "\t0.5\t" + std::to_string(100 * (i + 1)) + "\tA\tG\n";
    std::string block(plinkbed::blockBytes(samples), '\0');
    for (char& byte : block) byte = static_cast<char>(rng());
    if (i % 5 == 4) {
      for (size_t s = 0; s < samples; ++s) {
        uint8_t* bytes = reinterpret_cast<uint8_t*>(block.data());
        bytes[s / 4] = static_cast<uint8_t>(bytes[s / 4] & ~(3u << (2 * (s % 4))));
        plinkbed::putCode(bytes, s, plinkbed::kMissing);
      }
    }
    bed += block;
  }
  dir.write("set.fam", fam);
  dir.write("set.bim", bim);
  dir.write("set.bed", bed);
}

// Sample counts on both sides of a byte and of an eight-byte word.
TEST(PackedCalls, PlinkBlocksPackAndCountAsTheirCalls) {
  std::mt19937 rng(3);
  for (const size_t samples : {1, 3, 4, 5, 8, 31, 32, 33, 37, 64, 65}) {
    ScratchDir dir;
    writeFileset(dir, samples, 40, rng);
    std::unique_ptr<VariantSource> source = openPlink(dir.file("set"));
    ASSERT_EQ(source->recordCount(), 40u);
    SnpTable table(samples);
    ASSERT_EQ(table.rowBytes(), (samples + 3) / 4);
    std::vector<std::vector<Call>> kept;  // the calls of each SNP the table kept
    std::vector<double> frequencies;
    VariantRecord record;
    std::vector<Call> calls;
    std::vector<uint8_t> packed(table.rowBytes());
    std::vector<uint8_t> plain(table.rowBytes());
    size_t index = 0;
    while (source->next(record)) {
      source->calls(calls);
      source->packedCalls(packed.data());
      VariantSource::packCalls(calls, plain.data());
      EXPECT_EQ(packed, plain) << samples << " samples, SNP " << index;
      int64_t called = 0;
      int64_t alleleA = 0;
      for (const Call call : calls) {
        called += call != Call::none;
        alleleA += call == Call::aa ? 2 : call == Call::ab ? 1 : 0;
      }
      SnpRow row{
          Chromosome{ChromosomeKind::autosome, 1}, record.position, 1.0, 0, record.id, index++};
      EXPECT_EQ(table.add(std::move(row), packed.data()), called > 0);
      if (called == 0) continue;
      kept.push_back(calls);
      frequencies.push_back(static_cast<double>(alleleA) / static_cast<double>(2 * called));
    }
    SkipTally tally;
    table.finalize(tally);
    ASSERT_EQ(table.size(), kept.size());
    for (size_t i = 0; i < table.size(); ++i) {
      EXPECT_EQ(table.row(i).freqA, frequencies[i]) << samples << " samples, row " << i;
      for (size_t s = 0; s < samples; ++s) ASSERT_EQ(table.call(i, s), kept[i][s]);
    }
  }
}

// Annotation lines as the shared velmora-format writer prints them, for
// frequencies of many samples and map values from tiny to large.
TEST(PackedCalls, AnnotationTextIsThatOfTheSharedWriter) {
  std::mt19937 rng(8);
  const size_t samples = 97;
  SnpTable table(samples);
  std::vector<uint8_t> packed(table.rowBytes());
  // Rows of 25 autosomes and X, added out of genome order.
  std::vector<SnpRow> rows;
  double cM = 0;
  for (size_t i = 0; i < 2600; ++i) {
    const bool onX = i >= 2500;
    const Chromosome chromosome{onX ? ChromosomeKind::x : ChromosomeKind::autosome,
                                onX ? 0 : 1 + static_cast<int>(i / 100)};
    if (i % 100 == 0) cM = 0;
    // Map steps from below the smallest value written to hundreds of cM.
    cM += rng() % 7 == 0 ? 1e-9
                         : std::ldexp(static_cast<double>(rng()), -static_cast<int>(rng() % 40));
    const int64_t position = static_cast<int64_t>(i % 100 + 1) * (int64_t{1} << 28) + rng() % 1000;
    const std::string id = rng() % 9 == 0 ? "." : "rs" + std::to_string(rng());
    rows.push_back(SnpRow{chromosome, position, cM, 0, id, i});
  }
  std::shuffle(rows.begin(), rows.end(), rng);
  for (SnpRow& row : rows) {
    for (uint8_t& byte : packed) byte = static_cast<uint8_t>(rng());
    packed.back() &= 3;  // one sample in the last byte
    table.add(std::move(row), packed.data());
  }
  SkipTally tally;
  table.finalize(tally);
  ASSERT_GT(table.size(), 2500u);
  const XPlaceholder placeholder{31, "placeholder"};
  std::string expected;
  for (size_t i = 0; i < table.size(); ++i) {
    const SnpRow& row = table.row(i);
    const int number = row.chromosome.kind == ChromosomeKind::x ? 30 : row.chromosome.number;
    appendAnnotationLine(expected, number, row.position, row.freqA, 6, row.id, row.cM);
  }
  EXPECT_EQ(annotationText(table, 30, std::nullopt), expected);
  appendAnnotationLine(expected, 31, 1, 0.5, 6, "placeholder", kSmallestCM);
  EXPECT_EQ(annotationText(table, 30, placeholder), expected);
}

// Genotyping files as the shared writer's lines make them, over more
// files than one batch and more SNPs than one round of lines.
TEST(PackedCalls, GenotypeFilesHoldTheSharedWritersLines) {
  std::mt19937 rng(13);
  const size_t samples = 11;
  SnpTable table(samples);
  std::vector<uint8_t> packed(table.rowBytes());
  for (size_t i = 0; i < 4500; ++i) {
    for (uint8_t& byte : packed) byte = static_cast<uint8_t>(rng());
    packed.back() |= 1;   // some call in every SNP
    packed.back() &= 63;  // three samples in the last byte
    // Built step by step: g++ 12 misreads literal + string at -O3.
    std::string id = "rs";
    id += std::to_string(rng() % 100000000);
    if (rng() % 5 == 0) id += "_x";
    table.add(
        SnpRow{Chromosome{ChromosomeKind::autosome, 2}, static_cast<int64_t>(i + 1), 1.0, 0, id, i},
        packed.data());
  }
  SkipTally tally;
  table.finalize(tally);
  std::vector<size_t> pooled;
  std::vector<std::string> names;
  for (size_t k = 0; k < 203; ++k) {
    pooled.push_back(rng() % samples);
    names.push_back(std::to_string(k));
    names.back() += ".txt";
  }
  ScratchDir dir;
  std::vector<size_t> told;
  writeGenotypeFiles(dir.path() + "/", table, pooled, names,
                     [&told](size_t done) { told.push_back(done); });
  EXPECT_EQ(told, (std::vector<size_t>{200, 203}));
  for (size_t k = 0; k < pooled.size(); ++k) {
    std::string expected;
    for (size_t i = 0; i < table.size(); ++i) {
      appendGenotypeLine(expected, table.row(i).id, static_cast<uint8_t>(table.call(i, pooled[k])));
    }
    ASSERT_TRUE(dir.read(names[k]) == expected) << names[k];
  }
}

}  // namespace
