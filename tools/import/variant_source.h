// What the import reads from a genotype input, whatever its format: the
// samples, then one variant record at a time with its calls decoded on demand
// (most records of a sequencing VCF are skipped before their calls matter).
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The call codes of velmora's genotyping reader: 0 none, 1 AA, 2 BB, 3 AB.
enum class Call : uint8_t { none = 0, aa = 1, bb = 2, ab = 3 };

struct SampleInfo {
  std::string name;          // VCF sample name; PLINK individual ID, or FID_IID where IIDs repeat
  std::string familyId;      // PLINK family ID; empty for VCF
  std::string individualId;  // PLINK individual ID; empty for VCF
  int phenotype = 0;         // PLINK: 2 affected, 1 unaffected, anything else unknown
};

struct VariantRecord {
  std::string chromosome;            // as the input writes it
  int64_t position = 0;              // bp, 1-based
  std::string id;                    // "." when the input has none
  std::vector<std::string> alleles;  // allele A (the reference) first, then the others
  std::optional<double> cM;          // the input's own map value (.bim only)
};

class VariantSource {
 public:
  virtual ~VariantSource() = default;
  virtual const std::vector<SampleInfo>& samples() const = 0;
  // True when the samples carry a phenotype that can form the pools.
  virtual bool hasPhenotypes() const = 0;
  // True when the records carry a genetic map of their own (a .bim cM column
  // that is not all 0).
  virtual bool hasMapColumn() const = 0;
  // Reads the next record; false at the end of the input.
  virtual bool next(VariantRecord& record) = 0;
  // Calls of the record last read, one per sample, in sample order.
  virtual void calls(std::vector<Call>& out) = 0;
  // The same calls packed two bits a call, sample s in bits 2(s%4) of byte
  // s/4 of out[0 .. (samples + 3) / 4), the bits past the last sample zero.
  // By default packed from calls(); a source that holds its calls packed
  // overrides it.
  virtual void packedCalls(uint8_t* out) {
    calls(unpacked_);
    packCalls(unpacked_, out);
  }
  // How many records the input holds, where it tells before they are read; 0 otherwise.
  virtual size_t recordCount() const { return 0; }
  // "record 12 (1:12345)"-style position in the input for messages.
  virtual std::string where() const = 0;
  // Format and path, for the report.
  virtual std::string describe() const = 0;
  // The genome build the input's header tells ("GRCh37", "GRCh38" and how it
  // was told), or nothing.
  virtual std::optional<std::string> genomeBuild() const { return std::nullopt; }

  // calls() packed as packedCalls() gives them.
  static void packCalls(const std::vector<Call>& calls, uint8_t* out) {
    std::fill(out, out + (calls.size() + 3) / 4, uint8_t{0});
    for (size_t s = 0; s < calls.size(); ++s) {
      out[s / 4] =
          static_cast<uint8_t>(out[s / 4] | static_cast<unsigned>(calls[s]) << (2 * (s % 4)));
    }
  }

 private:
  std::vector<Call> unpacked_;  // packedCalls' calls, kept for the next record
};
