// VCF/BCF reading through htslib. htslib's own error lines ("[E::...]") are
// kept, since they name the faulty field; each failure then ends with one
// "ERROR: " message of ours that names the record.
#include "vcf_source.h"

#include <htslib/hts_log.h>
#include <htslib/vcf.h>

#include <cstdlib>

#include "input_error.h"

namespace {

class VcfSource : public VariantSource {
 public:
  explicit VcfSource(const std::string& path) : path_(path) {
    hts_set_log_level(HTS_LOG_ERROR);  // warnings such as undeclared contigs are no concern here
    file_ = hts_open(path.c_str(), "r");
    if (file_ == nullptr) throw InputError("cannot open VCF/BCF file " + path);
    const htsFormat* format = hts_get_format(file_);
    isBcf_ = format->format == bcf;
    if (format->format != vcf && !isBcf_) {
      close();
      throw InputError(path + " is not a VCF or BCF file");
    }
    header_ = bcf_hdr_read(file_);
    if (header_ == nullptr) {
      close();
      throw InputError("cannot read the header of " + path +
                       " (it must begin with ## lines and the #CHROM line)");
    }
    int count = bcf_hdr_nsamples(header_);
    if (count == 0) {
      close();
      throw InputError(path + " holds no sample columns, so no genotype calls");
    }
    for (int i = 0; i < count; ++i) samples_.push_back(SampleInfo{header_->samples[i], "", "", 0});
    record_ = bcf_init();
    if (record_ == nullptr) {
      close();
      throw InputError("out of memory reading " + path);
    }
  }

  ~VcfSource() override { close(); }

  const std::vector<SampleInfo>& samples() const override { return samples_; }
  bool hasPhenotypes() const override { return false; }
  bool hasMapColumn() const override { return false; }

  bool next(VariantRecord& out) override {
    int status = bcf_read(file_, header_, record_);
    // Undeclared contigs and tags are declared on the fly by htslib; every
    // other error code marks a record it could not parse.
    bool parsed = (record_->errcode & ~(BCF_ERR_CTG_UNDEF | BCF_ERR_TAG_UNDEF)) == 0;
    if (status == -1 && parsed) return false;
    if (status != 0 || !parsed) {
      throw InputError("malformed VCF/BCF record " + std::to_string(count_ + 1) + " of " + path_ +
                       (count_ > 0 ? " (after " + last_ + ")" : std::string()));
    }
    ++count_;
    bcf_unpack(record_, BCF_UN_STR);
    const char* chromosome = bcf_seqname(header_, record_);
    if (chromosome == nullptr) {
      throw InputError("record " + std::to_string(count_) + " of " + path_ +
                       " names no known chromosome");
    }
    out.chromosome = chromosome;
    out.position = record_->pos + 1;
    last_ = out.chromosome + ":" + std::to_string(out.position);
    out.id = record_->d.id != nullptr ? record_->d.id : ".";
    out.alleles.clear();
    for (uint32_t i = 0; i < record_->n_allele; ++i) out.alleles.emplace_back(record_->d.allele[i]);
    out.cM.reset();
    return true;
  }

  void calls(std::vector<Call>& out) override {
    size_t samples = samples_.size();
    out.assign(samples, Call::none);
    int total = bcf_get_genotypes(header_, record_, &genotypes_, &genotypesSize_);
    if (total <= 0) return;  // no GT field: every call is missing
    size_t ploidy = static_cast<size_t>(total) / samples;
    for (size_t s = 0; s < samples; ++s) out[s] = decode(genotypes_ + s * ploidy, ploidy);
  }

  std::string where() const override {
    return "record " + std::to_string(count_) + " (" + last_ + ") of " + path_;
  }

  std::string describe() const override {
    return (isBcf_ ? "BCF file " : "VCF file ") + path_;
  }

 private:
  // A call of any ploidy: all alleles 0 is AA, all 1 is BB, a mix of 0 and 1 is
  // AB. A haploid call (male X) is thus taken as its homozygote. Missing
  // alleles, and allele indexes above 1, give no call.
  static Call decode(const int32_t* alleles, size_t ploidy) {
    int refs = 0;
    int alts = 0;
    for (size_t i = 0; i < ploidy; ++i) {
      if (alleles[i] == bcf_int32_vector_end) break;
      if (bcf_gt_is_missing(alleles[i])) return Call::none;
      int allele = bcf_gt_allele(alleles[i]);
      if (allele == 0) {
        ++refs;
      } else if (allele == 1) {
        ++alts;
      } else {
        return Call::none;
      }
    }
    if (refs + alts == 0) return Call::none;
    if (alts == 0) return Call::aa;
    if (refs == 0) return Call::bb;
    return Call::ab;
  }

  void close() {
    if (record_ != nullptr) bcf_destroy(record_);
    if (header_ != nullptr) bcf_hdr_destroy(header_);
    if (file_ != nullptr) hts_close(file_);
    std::free(genotypes_);
    record_ = nullptr;
    header_ = nullptr;
    file_ = nullptr;
    genotypes_ = nullptr;
  }

  std::string path_;
  bool isBcf_ = false;
  htsFile* file_ = nullptr;
  bcf_hdr_t* header_ = nullptr;
  bcf1_t* record_ = nullptr;
  int32_t* genotypes_ = nullptr;
  int genotypesSize_ = 0;
  std::vector<SampleInfo> samples_;
  int64_t count_ = 0;  // records read
  std::string last_;   // chromosome:position of the last record read
};

}  // namespace

std::unique_ptr<VariantSource> openVcf(const std::string& path) {
  return std::make_unique<VcfSource>(path);
}
