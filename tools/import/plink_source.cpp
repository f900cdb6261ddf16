// PLINK 1 binary fileset reading. The .bim and .fam are read whole up front, so
// that their faults and a .bed of the wrong size are reported before any work;
// the .bed is then streamed one variant block at a time.
#include "plink_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>

#include "base/line_reader.h"
#include "base/plink_bed.h"
#include "base/text_fields.h"
#include "genetic_map.h"
#include "input_error.h"
#include "regular_file.h"
#include "text_input.h"

namespace {

// A .bim line. Its four texts lie one after another in the variant list's
// text, so that a genome-wide list is a few large blocks rather than
// millions of strings.
struct BimEntry {
  double cM;          // 0 when unknown, as PLINK writes it
  int64_t position;   // bp; PLINK marks excluded variants with 0 or less
  size_t at;          // where the chromosome's text starts
  uint32_t sizes[4];  // chromosome, ID, allele 1, allele 2
};

// The .bim's lines. Allele 1 is usually the minor allele, counted by .bed
// code 00; allele 2 usually the major or reference allele, .bed code 11.
struct BimList {
  std::vector<BimEntry> entries;
  std::string text;

  enum Field { chromosome = 0, id = 1, allele1 = 2, allele2 = 3 };
  std::string_view field(const BimEntry& entry, Field f) const {
    size_t at = entry.at;
    for (int k = 0; k < f; ++k) at += entry.sizes[k];
    return std::string_view(text).substr(at, entry.sizes[f]);
  }
};

std::string lineRef(const std::string& path, int64_t line) {
  return path + " line " + std::to_string(line) + ": ";
}

// The fields whitespaceFields gives, without a vector a line: the first
// `room` go to `fields`; returns how many the line has.
size_t splitFields(std::string_view line, std::string_view* fields, size_t room) {
  size_t count = 0;
  const char* p = line.data();
  const char* const end = p + line.size();
  for (;;) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p == end) return count;
    const char* const start = p;
    while (p < end && *p != ' ' && *p != '\t') ++p;
    if (count < room) fields[count] = std::string_view(start, static_cast<size_t>(p - start));
    ++count;
  }
}

BimList readBim(const std::string& path) {
  TextInput input = openTextInput(path, "variant file");
  BimList list;
  LineReader reader(input.file.get());
  std::string_view line;
  std::string_view f[6];
  while (reader.next(line)) {
    const size_t fields = splitFields(line, f, 6);
    if (fields == 0) continue;
    if (fields != 6) {
      throw InputError(lineRef(path, reader.lineNumber()) + "expected 6 columns (chromosome, ID, " +
                       "cM, bp, allele 1, allele 2), found " + std::to_string(fields));
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
    BimEntry entry{*cM, *position, list.text.size(), {}};
    for (int k = 0; k < 4; ++k) {
      const std::string_view text = f[k < 2 ? k : k + 2];
      entry.sizes[k] = static_cast<uint32_t>(text.size());
      list.text.append(text);
    }
    list.entries.push_back(entry);
  }
  requireEnd(reader.stop(), "variant file", path, reader.lineNumber(), reader.limit());
  if (list.entries.empty()) throw InputError(path + " lists no variant");
  return list;
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
    return std::any_of(bim_.entries.begin(), bim_.entries.end(),
                       [](const BimEntry& e) { return e.cM > 0; });
  }

  bool next(VariantRecord& out) override {
    if (index_ == bim_.entries.size()) return false;
    if (std::fread(block_.data(), 1, block_.size(), bed_.get()) != block_.size())
      throw InputError("cannot read " + prefix_ + ".bed at variant " + std::to_string(index_ + 1));
    const BimEntry& entry = bim_.entries[index_++];
    // Assigned in place, so that the record's strings keep their room.
    out.chromosome = bim_.field(entry, BimList::chromosome);
    out.position = entry.position;
    out.id = bim_.field(entry, BimList::id);
    out.alleles.resize(2);
    out.alleles[0] = bim_.field(entry, BimList::allele2);
    out.alleles[1] = bim_.field(entry, BimList::allele1);
    out.cM = entry.cM;
    return true;
  }

  size_t recordCount() const override { return bim_.entries.size(); }

  // PLINK's codes turned into velmora's 32 at a time: 00 (allele 1 twice)
  // is BB 10, 01 (missing) none 00, 10 (het) AB 11, 11 (allele 2 twice) AA
  // 01; so velmora's low bit is PLINK's high bit, its high bit PLINK's low
  // bit inverted. The padding after the last sample would read as BB and is
  // cleared.
  void packedCalls(uint8_t* out) override {
    constexpr uint64_t kLow = 0x5555555555555555u;
    const auto recode = [](uint64_t bed) { return ((bed >> 1) & kLow) | ((~bed & kLow) << 1); };
    const size_t bytes = block_.size();
    size_t b = 0;
    for (; b + 8 <= bytes; b += 8) {
      uint64_t word;
      std::memcpy(&word, block_.data() + b, 8);
      word = recode(word);
      std::memcpy(out + b, &word, 8);
    }
    if (b < bytes) {
      uint64_t word = 0;
      std::memcpy(&word, block_.data() + b, bytes - b);
      word = recode(word);
      std::memcpy(out + b, &word, bytes - b);
    }
    const size_t tail = samples_.size() % 4;
    if (tail != 0) out[bytes - 1] = static_cast<uint8_t>(out[bytes - 1] & ((1u << (2 * tail)) - 1));
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
    const BimEntry& entry = bim_.entries[index_ - 1];
    return "variant " + std::to_string(index_) + " (" +
           std::string(bim_.field(entry, BimList::chromosome)) + ":" +
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
    // Blocks of a few bytes each: read in large pieces rather than 4 KiB ones.
    std::setvbuf(bed_.get(), nullptr, _IOFBF, size_t{1} << 20);
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
    uintmax_t expected = 3 + static_cast<uintmax_t>(bim_.entries.size()) * block_.size();
    if (size != expected) {
      throw InputError(path + " has " + std::to_string(size) + " bytes, but " +
                       std::to_string(bim_.entries.size()) + " variants of the .bim and " +
                       std::to_string(samples_.size()) + " samples of the .fam need " +
                       std::to_string(expected));
    }
  }

  std::string prefix_;
  std::vector<SampleInfo> samples_;
  bool caseControl_ = false;
  BimList bim_;
  InputFile bed_;
  std::vector<unsigned char> block_;  // the current variant's calls
  size_t index_ = 0;                  // variants read so far
};

}  // namespace

std::unique_ptr<VariantSource> openPlink(const std::string& prefix) {
  return std::make_unique<PlinkSource>(prefix);
}
