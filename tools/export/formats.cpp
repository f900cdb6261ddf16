// VCF, PLINK, map-file and sample-list writers of velmora-export.
#include "formats.h"

#include <htslib/bgzf.h>
#include <unistd.h>

#include <array>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

#include "base/close_file.h"
#include "base/plink_bed.h"
#include "base/safe_file.h"

namespace {

constexpr std::array<std::pair<const char*, const char*>, 6> kBases{
    {{"A", "G"}, {"C", "T"}, {"G", "A"}, {"T", "C"}, {"A", "C"}, {"G", "T"}}};

// A text sink that is either a plain file or a BGZF stream, created by the
// shared creator: a link at the name is never followed, nor a FIFO opened.
class TextOut {
 public:
  explicit TextOut(const std::string& path) : path_(path) {
    CreateFailure failure = CreateFailure::none;
    plain_ = createOutput(path, WriteMode::truncate, &failure);
    if (plain_ == nullptr) {
      throw std::runtime_error(failure == CreateFailure::notOwnFile
                                   ? path + " exists and is not a regular file of its own (a " +
                                         "link, a FIFO or a file with other hard links); not " +
                                         "replaced"
                                   : "cannot create " + path);
    }
    bool compressed = path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
    if (compressed) {
      // The BGZF stream takes a descriptor of its own to the created file.
      int fd = dup(fileno(plain_));
      std::fclose(plain_);
      plain_ = nullptr;
      bgzf_ = fd < 0 ? nullptr : bgzf_dopen(fd, "w");
      if (bgzf_ == nullptr) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("cannot create " + path);
      }
    }
  }
  ~TextOut() {
    if (bgzf_ != nullptr) bgzf_close(bgzf_);
    if (plain_ != nullptr) std::fclose(plain_);
  }
  TextOut(const TextOut&) = delete;
  TextOut& operator=(const TextOut&) = delete;

  void put(const std::string& text) {
    bool ok = bgzf_ != nullptr
                  ? bgzf_write(bgzf_, text.data(), text.size()) == static_cast<ssize_t>(text.size())
                  : std::fwrite(text.data(), 1, text.size(), plain_) == text.size();
    if (!ok) throw std::runtime_error("cannot write " + path_);
  }
  void close() {
    int status = bgzf_ != nullptr ? bgzf_close(bgzf_) : finishWrittenFile(plain_) ? 0 : -1;
    bgzf_ = nullptr;
    plain_ = nullptr;
    if (status != 0) throw std::runtime_error("cannot write " + path_);
  }

 private:
  std::string path_;
  BGZF* bgzf_ = nullptr;
  FILE* plain_ = nullptr;
};

const char* vcfCall(uint8_t code) {
  switch (code) {
    case 1:
      return "0/0";
    case 2:
      return "1/1";
    case 3:
      return "0/1";
    default:
      return "./.";
  }
}

std::string formatted(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

void writeVcf(const Cohort& cohort, const std::string& path) {
  TextOut out(path);
  out.put("##fileformat=VCFv4.2\n##source=velmora-export\n");
  std::vector<std::string> contigs;
  std::map<std::string, int64_t> lengths;
  for (const CohortSnp& snp : cohort.snps) {
    if (lengths.find(snp.chromosome) == lengths.end()) contigs.push_back(snp.chromosome);
    lengths[snp.chromosome] = std::max(lengths[snp.chromosome], snp.position);
  }
  for (const std::string& contig : contigs) {
    out.put("##contig=<ID=" + contig + ",length=" + std::to_string(lengths[contig]) + ">\n");
  }
  out.put("##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n");
  std::string header = "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  for (const CohortSubject& subject : cohort.subjects) header += "\t" + subject.name;
  out.put(header + "\n");
  for (size_t i = 0; i < cohort.snps.size(); ++i) {
    const CohortSnp& snp = cohort.snps[i];
    std::string line = snp.chromosome + "\t" + std::to_string(snp.position) + "\t" + snp.id + "\t" +
                       kBases[i % kBases.size()].first + "\t" + kBases[i % kBases.size()].second +
                       "\t.\tPASS\t.\tGT";
    for (const CohortSubject& subject : cohort.subjects)
      line += std::string("\t") + vcfCall(subject.calls[i]);
    out.put(line + "\n");
  }
  out.close();
}

void writePlink(const Cohort& cohort, const std::string& prefix) {
  TextOut fam(prefix + ".fam");
  for (const CohortSubject& subject : cohort.subjects) {
    fam.put(subject.name + " " + subject.name + " 0 0 0 " + (subject.patient ? "2" : "1") + "\n");
  }
  fam.close();

  TextOut bim(prefix + ".bim");
  for (size_t i = 0; i < cohort.snps.size(); ++i) {
    const CohortSnp& snp = cohort.snps[i];
    bim.put(snp.chromosome + "\t" + snp.id + "\t" + formatted("%.6f", snp.cM) + "\t" +
            std::to_string(snp.position) + "\t" + kBases[i % kBases.size()].second + "\t" +
            kBases[i % kBases.size()].first + "\n");
  }
  bim.close();

  TextOut bed(prefix + ".bed");
  // Allele A is the .bim's allele 2 (the VCF's REF), as velmora-import reads it.
  bed.put(std::string(reinterpret_cast<const char*>(plinkbed::kMagic), sizeof plinkbed::kMagic));
  std::string block(plinkbed::blockBytes(cohort.subjects.size()), '\0');
  for (size_t i = 0; i < cohort.snps.size(); ++i) {
    std::fill(block.begin(), block.end(), '\0');
    uint8_t* bytes = reinterpret_cast<uint8_t*>(block.data());
    for (size_t s = 0; s < cohort.subjects.size(); ++s) {
      plinkbed::putCode(
          bytes, s, plinkbed::bedCodeOf(cohort.subjects[s].calls[i], plinkbed::AlleleA::allele2));
    }
    bed.put(block);
  }
  bed.close();
}

void writeMap(const Cohort& cohort, const std::string& path) {
  TextOut out(path);
  out.put("chromosome\tposition\tcM\n");
  std::map<std::string, int64_t> lastPosition;
  for (const CohortSnp& snp : cohort.snps) {
    // A map point per position: a repeated position would make the map invalid.
    auto last = lastPosition.find(snp.chromosome);
    if (last != lastPosition.end() && last->second >= snp.position) continue;
    lastPosition[snp.chromosome] = snp.position;
    out.put(snp.chromosome + "\t" + std::to_string(snp.position) + "\t" +
            formatted("%.6f", snp.cM) + "\n");
  }
  out.close();
}

void writeSampleList(const Cohort& cohort, bool patients, const std::string& path) {
  TextOut out(path);
  for (const CohortSubject& subject : cohort.subjects) {
    if (subject.patient == patients) out.put(subject.name + "\n");
  }
  out.close();
}
