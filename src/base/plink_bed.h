// PLINK 1 .bed coding shared by the import, the export and the benchmark
// generator: the SNP-major magic bytes, two bits per sample with the first
// sample in the low bits of each byte, and the translation between PLINK's
// genotype codes and velmora's call codes (0 none, 1 AA, 2 BB, 3 AB).
#pragma once
#include <cstddef>
#include <cstdint>

namespace plinkbed {

// 6c 1b: a .bed file; 01: SNP-major (one block per variant).
inline constexpr uint8_t kMagic[3] = {0x6c, 0x1b, 0x01};

// PLINK's two-bit genotype codes.
inline constexpr uint8_t kHomAllele1 = 0;  // 00
inline constexpr uint8_t kMissing = 1;     // 01
inline constexpr uint8_t kHet = 2;         // 10
inline constexpr uint8_t kHomAllele2 = 3;  // 11

// Which .bim allele column is velmora's allele A.
enum class AlleleA { allele1, allele2 };

// Bytes of one variant block for `samples` samples.
inline constexpr size_t blockBytes(size_t samples) {
  return (samples + 3) / 4;
}

// velmora call code (0..3) -> PLINK code.
inline constexpr uint8_t bedCodeOf(uint8_t call, AlleleA a) {
  switch (call) {
    case 1:
      return a == AlleleA::allele2 ? kHomAllele2 : kHomAllele1;
    case 2:
      return a == AlleleA::allele2 ? kHomAllele1 : kHomAllele2;
    case 3:
      return kHet;
    default:
      return kMissing;
  }
}

// PLINK code (0..3) -> velmora call code.
inline constexpr uint8_t callOf(uint8_t code, AlleleA a) {
  switch (code & 3u) {
    case kHomAllele1:
      return a == AlleleA::allele2 ? 2 : 1;
    case kHomAllele2:
      return a == AlleleA::allele2 ? 1 : 2;
    case kHet:
      return 3;
    default:
      return 0;
  }
}

// The PLINK code of `sample` in a variant block.
inline uint8_t codeAt(const uint8_t* block, size_t sample) {
  return static_cast<uint8_t>((block[sample / 4] >> (2 * (sample % 4))) & 3u);
}

// Sets the PLINK code of `sample` in a block that was zeroed beforehand.
inline void putCode(uint8_t* block, size_t sample, uint8_t code) {
  block[sample / 4] = static_cast<uint8_t>(block[sample / 4] | (code & 3u) << (2 * (sample % 4)));
}

}  // namespace plinkbed
