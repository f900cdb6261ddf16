// The SNPs an import keeps, with every sample's call packed two bits a call,
// put into genome order and cleaned to what velmora's annotation reader
// accepts: one SNP per position, unique identifiers, cM above 0 and never
// decreasing along a chromosome.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chromosome.h"
#include "skip_tally.h"
#include "variant_source.h"

// Smallest map value written: velmora refuses 0, and "%.6f" prints anything
// smaller than this as 0.000000.
constexpr double kSmallestCM = 0.000001;

struct SnpRow {
  Chromosome chromosome;
  int64_t position = 0;  // bp, 1-based
  double cM = 0;
  double freqA = 0;       // frequency of allele A among the called samples' alleles
  std::string id;         // "." until finalize() replaces a missing one
  size_t inputIndex = 0;  // order in the input
};

class SnpTable {
 public:
  explicit SnpTable(size_t sampleCount);

  // Keeps a SNP; its frequency is computed here from the calls, counting two
  // alleles per call. Returns false, keeping nothing, when no sample is called.
  // `packed` holds the calls as packedCalls() gives them, rowBytes() bytes
  // with the bits past the last sample zero.
  bool add(SnpRow row, const uint8_t* packed);
  // Room for `rows` SNPs, so that a large input is not copied as it grows.
  void reserve(size_t rows);
  size_t rowBytes() const { return rowBytes_; }

  // Sorts into genome order, then drops every SNP of a position held twice
  // (split multi-allelic sites look like that), SNPs whose cM falls below an
  // earlier SNP's on the chromosome, and later SNPs that repeat an identifier;
  // missing identifiers ("." or empty) and all-digit ones, which velmora would
  // take for its numeric file layout, become "chr<c>:<bp>".
  void finalize(SkipTally& tally);

  size_t size() const { return order_.size(); }
  const SnpRow& row(size_t i) const { return rows_[order_[i]]; }
  Call call(size_t i, size_t sample) const {
    size_t byte = order_[i] * rowBytes_ + sample / 4;
    return static_cast<Call>((packed_[byte] >> (2 * (sample % 4))) & 3u);
  }
  // Row i's calls, packed as call() reads them: sample s in bits 2(s%4) of byte s/4.
  const uint8_t* packedCalls(size_t i) const { return packed_.data() + order_[i] * rowBytes_; }
  int64_t generatedIds() const { return generatedIds_; }
  int64_t raisedMaps() const { return raisedMaps_; }

 private:
  size_t rowBytes_;
  std::vector<SnpRow> rows_;
  std::vector<uint8_t> packed_;  // rowBytes_ per row, in the order of rows_
  std::vector<size_t> order_;    // kept rows in genome order
  int64_t generatedIds_ = 0;
  int64_t raisedMaps_ = 0;
};
