// VCF/BCF reading through htslib. htslib's own error lines ("[E::...]") are
// kept, since they name the faulty field; each failure then ends with one
// "ERROR: " message of ours that names the record.
#include "vcf_source.h"

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/hts_log.h>
#include <htslib/kseq.h>
#include <htslib/kstring.h>
#include <htslib/vcf.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "input_error.h"
#include "regular_file.h"

namespace {

class VcfSource : public VariantSource {
 public:
  explicit VcfSource(const std::string& path) : path_(path) {
    hts_set_log_level(HTS_LOG_ERROR);  // warnings such as undeclared contigs are no concern here
    std::string problem;
    InputFile checked = openRegularInput(path, problem);
    if (!checked) throw InputError("cannot open VCF/BCF file " + path + ": " + problem);
    int fd = dup(fileno(checked.get()));
    checked.reset();
    hFILE* stream = fd < 0 ? nullptr : hdopen(fd, "r");
    if (stream == nullptr) {
      if (fd >= 0) ::close(fd);
      throw InputError("cannot open VCF/BCF file " + path);
    }
    file_ = hts_hopen(stream, path.c_str(), "r");
    if (file_ == nullptr) {
      hclose_abruptly(stream);
      throw InputError("cannot open VCF/BCF file " + path);
    }
    const htsFormat* format = hts_get_format(file_);
    isBcf_ = format->format == bcf;
    if (format->format != vcf && !isBcf_) {
      close();
      throw InputError(path + " is not a VCF or BCF file");
    }
    // A bgzip file ends with an empty block; without it the file was cut
    // short at a block boundary and would read as complete.
    if (format->compression == bgzf && bgzf_check_EOF(file_->fp.bgzf) == 0) {
      close();
      throw InputError(path +
                       " lacks the end-of-file block of a bgzip file: it was cut short "
                       "(an interrupted copy or download?)");
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
    if (!readRecord()) return false;
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
    // htslib ends the process on a GT field of a type it cannot convert (a
    // record that declares its fields badly); such a record is refused here.
    bcf_unpack(record_, BCF_UN_FMT);
    bcf_fmt_t* gt = bcf_get_fmt(header_, record_, "GT");
    if (gt == nullptr) return;
    if (gt->type != BCF_BT_INT8 && gt->type != BCF_BT_INT16 && gt->type != BCF_BT_INT32) {
      throw InputError(where() + ": its GT values cannot be read as genotype calls");
    }
    int total = bcf_get_genotypes(header_, record_, &genotypes_, &genotypesSize_);
    if (total <= 0) return;  // no GT field: every call is missing
    size_t ploidy = static_cast<size_t>(total) / samples;
    for (size_t s = 0; s < samples; ++s) out[s] = decode(genotypes_ + s * ploidy, ploidy);
  }

  std::string where() const override {
    return "record " + std::to_string(count_) + " (" + last_ + ") of " + path_;
  }

  // Told by the length of chromosome 1 or 2 in the ##contig lines.
  std::optional<std::string> genomeBuild() const override {
    struct Known {
      const char* contig;
      int64_t length;
      const char* build;
    };
    static constexpr Known kKnown[] = {
        {"1", 249250621, "GRCh37"},
        {"1", 248956422, "GRCh38"},
        {"2", 243199373, "GRCh37"},
        {"2", 242193529, "GRCh38"},
    };
    for (const Known& known : kKnown) {
      for (const std::string& name :
           {std::string(known.contig), "chr" + std::string(known.contig)}) {
        bcf_hrec_t* contig = bcf_hdr_get_hrec(header_, BCF_HL_CTG, "ID", name.c_str(), nullptr);
        if (contig == nullptr) continue;
        int key = bcf_hrec_find_key(contig, "length");
        if (key < 0) continue;
        if (std::string(contig->vals[key]) == std::to_string(known.length)) {
          return std::string(known.build) + " (contig " + name + " length " +
                 std::to_string(known.length) + " in the VCF header)";
        }
      }
    }
    return std::nullopt;
  }

  std::string describe() const override { return (isBcf_ ? "BCF file " : "VCF file ") + path_; }

 private:
  // Reads one record into record_; false at the end of the input.
  bool readRecord() {
    if (isBcf_) {
      int status = bcf_read(file_, header_, record_);
      // Undeclared contigs and tags are declared on the fly by htslib; every
      // other error code marks a record it could not parse.
      bool parsed = (record_->errcode & ~(BCF_ERR_CTG_UNDEF | BCF_ERR_TAG_UNDEF)) == 0;
      if (status == -1 && parsed) return false;
      if (status != 0 || !parsed) throw malformed("");
      return true;
    }
    // VCF text is read a line at a time here so that the line itself can be
    // checked: htslib reads "12abc" as POS 12 and passes extra columns.
    for (;;) {
      int length = hts_getline(file_, KS_SEP_LINE, &line_);
      if (length == -1) return false;
      if (length < -1) throw malformed(" (the file is damaged or cut short)");
      if (line_.l == 0) continue;  // an empty line carries no record
      break;
    }
    checkLine(std::string_view(line_.s, line_.l));
    int status = vcf_parse(&line_, header_, record_);
    bool parsed = (record_->errcode & ~(BCF_ERR_CTG_UNDEF | BCF_ERR_TAG_UNDEF)) == 0;
    if (status != 0 || !parsed) throw malformed("");
    return true;
  }

  void checkLine(std::string_view line) const {
    size_t columns = static_cast<size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
    size_t expected = 9 + samples_.size();
    if (columns != expected) {
      throw malformed(": it has " + std::to_string(columns) +
                      " columns, the header's #CHROM line " + std::to_string(expected));
    }
    size_t first = line.find('\t');
    size_t second = line.find('\t', first + 1);
    std::string_view pos = line.substr(first + 1, second - first - 1);
    bool digits = !pos.empty() && pos.size() <= 10 &&
                  std::all_of(pos.begin(), pos.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
      throw malformed(": POS '" + std::string(pos.substr(0, 40)) + "' is not a whole number of bp");
    }
  }

  InputError malformed(const std::string& why) const {
    return InputError("malformed VCF/BCF record " + std::to_string(count_ + 1) + " of " + path_ +
                      (count_ > 0 ? " (after " + last_ + ")" : std::string()) + why);
  }

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
    ks_free(&line_);
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
  kstring_t line_ = KS_INITIALIZE;  // the VCF line last read
  std::vector<SampleInfo> samples_;
  int64_t count_ = 0;  // records read
  std::string last_;   // chromosome:position of the last record read
};

}  // namespace

std::unique_ptr<VariantSource> openVcf(const std::string& path) {
  return std::make_unique<VcfSource>(path);
}
