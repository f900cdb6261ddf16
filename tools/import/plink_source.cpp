// PLINK 1 binary fileset reading. The .bim and .fam are read whole up front, so
// that their faults and a .bed of the wrong size are reported before any work;
// the .bed is then streamed one variant block at a time.
#include "plink_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <set>

#include "base/line_reader.h"
#include "base/plink_bed.h"
#include "base/text_fields.h"
#include "genetic_map.h"
#include "input_error.h"
#include "regular_file.h"
#include "text_input.h"

namespace {

struct BimEntry {
  std::string chromosome;
  std::string id;
  double cM;            // 0 when unknown, as PLINK writes it
  int64_t position;     // bp; PLINK marks excluded variants with 0 or less
  std::string allele1;  // usually the minor allele; counted by .bed code 00
  std::string allele2;  // usually the major or reference allele; .bed code 11
};

std::string lineRef(const std::string& path, int64_t line) {
  return path + " line " + std::to_string(line) + ": ";
}

std::vector<BimEntry> readBim(const std::string& path) {
  TextInput input = openTextInput(path, "variant file");
  std::vector<BimEntry> entries;
  LineReader reader(input.file.get());
  std::string_view line;
  while (reader.next(line)) {
    std::vector<std::string_view> f = whitespaceFields(line);
    if (f.empty()) continue;
    if (f.size() != 6) {
      throw InputError(lineRef(path, reader.lineNumber()) + "expected 6 columns (chromosome, ID, " +
                       "cM, bp, allele 1, allele 2), found " + std::to_string(f.size()));
    }
    std::optional<double> cM = parseWholeDecimal(f[2]);
    std::optional<int64_t> position = parseWholeInteger(f[3]);
    if (!cM || *cM < 0 || *cM > kLargestCM) {
      throw InputError(lineRef(path, reader.lineNumber()) + "cM '" + std::string(f[2]) +
                       "' is not a number from 0 (unknown) to " + std::to_string(int(kLargestCM)));
    }
    if (!position) {
      throw InputError(lineRef(path, reader.lineNumber()) + "bp position '" + std::string(f[3]) +
                       "' is not a whole number");
    }
    entries.push_back(BimEntry{std::string(f[0]), std::string(f[1]), *cM, *position,
                               std::string(f[4]), std::string(f[5])});
  }
  requireEnd(reader.stop(), "variant file", path, reader.lineNumber(), reader.limit());
  if (entries.empty()) throw InputError(path + " lists no variant");
  return entries;
}

// PLINK's own rule: the phenotype column is case/control only when every value
// is 1, 2, 0 or -9; otherwise it is quantitative and forms no pools.
bool isCaseControl(const std::vector<std::string>& values) {
  for (const std::string& value : values) {
    if (value != "1" && value != "2" && value != "0" && value != "-9") return false;
  }
  return true;
}

class PlinkSource : public VariantSource {
 public:
  explicit PlinkSource(const std::string& prefix) : prefix_(prefix) {
    readFam(prefix + ".fam");
    bim_ = readBim(prefix + ".bim");
    openBed(prefix + ".bed");
  }

  const std::vector<SampleInfo>& samples() const override { return samples_; }
  bool hasPhenotypes() const override { return caseControl_; }
  bool hasMapColumn() const override {
    return std::any_of(bim_.begin(), bim_.end(), [](const BimEntry& e) { return e.cM > 0; });
  }

  bool next(VariantRecord& out) override {
    if (index_ == bim_.size()) return false;
    if (std::fread(block_.data(), 1, block_.size(), bed_.get()) != block_.size())
      throw InputError("cannot read " + prefix_ + ".bed at variant " + std::to_string(index_ + 1));
    const BimEntry& entry = bim_[index_++];
    out.chromosome = entry.chromosome;
    out.position = entry.position;
    out.id = entry.id;
    out.alleles = {entry.allele2, entry.allele1};
    out.cM = entry.cM;
    return true;
  }

  void calls(std::vector<Call>& out) override {
    // Allele A is allele 2, the reference allele PLINK usually puts there.
    out.resize(samples_.size());
    for (size_t s = 0; s < samples_.size(); ++s) {
      out[s] = static_cast<Call>(
          plinkbed::callOf(plinkbed::codeAt(block_.data(), s), plinkbed::AlleleA::allele2));
    }
  }

  std::string where() const override {
    const BimEntry& entry = bim_[index_ - 1];
    return "variant " + std::to_string(index_) + " (" + entry.chromosome + ":" +
           std::to_string(entry.position) + ") of " + prefix_ + ".bim";
  }

  std::string describe() const override { return "PLINK fileset " + prefix_ + ".bed/.bim/.fam"; }

 private:
  void readFam(const std::string& path) {
    TextInput input = openTextInput(path, "sample file");
    LineReader reader(input.file.get());
    std::string_view line;
    std::vector<std::string> phenotypes;
    std::set<std::string> families;  // "FID<TAB>IID" seen so far
    while (reader.next(line)) {
      std::vector<std::string_view> f = whitespaceFields(line);
      if (f.empty()) continue;
      if (f.size() != 6) {
        throw InputError(lineRef(path, reader.lineNumber()) + "expected 6 columns (family ID, " +
                         "individual ID, father, mother, sex, phenotype), found " +
                         std::to_string(f.size()));
      }
      if (!families.insert(std::string(f[0]) + '\t' + std::string(f[1])).second) {
        throw InputError(lineRef(path, reader.lineNumber()) + "family '" + std::string(f[0]) +
                         "' and individual '" + std::string(f[1]) +
                         "' are listed twice; each sample needs its own pair of IDs");
      }
      samples_.push_back(SampleInfo{std::string(f[1]), std::string(f[0]), std::string(f[1]), 0});
      phenotypes.emplace_back(f[5]);
    }
    requireEnd(reader.stop(), "sample file", path, reader.lineNumber(), reader.limit());
    if (samples_.empty()) throw InputError(path + " lists no sample");
    // Individual IDs are often unique only within a family; then every sample
    // is named FID_IID so that names, file names and sample lists stay apart.
    std::set<std::string> ids;
    bool unique = true;
    for (const SampleInfo& sample : samples_) unique = ids.insert(sample.name).second && unique;
    for (SampleInfo& sample : samples_) {
      if (!unique) sample.name = sample.familyId + "_" + sample.name;
    }
    caseControl_ = isCaseControl(phenotypes);
    for (size_t i = 0; i < samples_.size() && caseControl_; ++i) {
      samples_[i].phenotype = phenotypes[i] == "2" ? 2 : phenotypes[i] == "1" ? 1 : 0;
    }
  }

  void openBed(const std::string& path) {
    std::string problem;
    bed_ = openRegularInput(path, problem);
    if (!bed_) throw InputError("cannot open " + path + ": " + problem);
    struct stat info {};
    if (fstat(fileno(bed_.get()), &info) != 0) throw InputError("cannot tell the size of " + path);
    std::array<unsigned char, 3> magic{};
    size_t got = std::fread(magic.data(), 1, 3, bed_.get());
    if (got != 3 || magic[0] != plinkbed::kMagic[0] || magic[1] != plinkbed::kMagic[1]) {
      throw InputError(path + " is not a PLINK 1 .bed file (its first bytes are not 6c 1b)");
    }
    if (magic[2] != plinkbed::kMagic[2]) {
      throw InputError(path + " is in individual-major order; write it SNP-major with PLINK " +
                       "(plink --bfile PREFIX --make-bed)");
    }
    block_.resize(plinkbed::blockBytes(samples_.size()));
    uintmax_t size = static_cast<uintmax_t>(info.st_size);
    uintmax_t expected = 3 + static_cast<uintmax_t>(bim_.size()) * block_.size();
    if (size != expected) {
      throw InputError(path + " has " + std::to_string(size) + " bytes, but " +
                       std::to_string(bim_.size()) + " variants of the .bim and " +
                       std::to_string(samples_.size()) + " samples of the .fam need " +
                       std::to_string(expected));
    }
  }

  std::string prefix_;
  std::vector<SampleInfo> samples_;
  bool caseControl_ = false;
  std::vector<BimEntry> bim_;
  InputFile bed_;
  std::vector<unsigned char> block_;  // the current variant's calls
  size_t index_ = 0;                  // variants read so far
};

}  // namespace

std::unique_ptr<VariantSource> openPlink(const std::string& prefix) {
  return std::make_unique<PlinkSource>(prefix);
}
