// VCF/BCF reading through htslib. htslib's own error lines ("[E::...]") are
// kept, since they name the faulty field; each failure then ends with one
// "ERROR: " message of ours that names the record. VCF text is not read by
// htslib's line reader, which grows a line without bound: its bytes come
// through htslib's stream layers (BGZF for gzip and bgzip) and are cut into
// bounded lines here; htslib parses the header text and each record line.
#include "vcf_source.h"

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/hts_log.h>
#include <htslib/kstring.h>
#include <htslib/vcf.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

#include "input_error.h"
#include "regular_file.h"

namespace {

class VcfSource : public VariantSource {
 public:
  VcfSource(const std::string& path, int32_t lineLimit) : path_(path), lineLimit_(lineLimit) {
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
    try {
      header_ = isBcf_ ? bcf_hdr_read(file_) : readTextHeader();
    } catch (...) {
      close();  // a destructor does not run for a constructor that throws
      throw;
    }
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
      if (!nextLine()) return false;
      if (line_.l != 0) break;  // an empty line carries no record
    }
    checkLine(std::string_view(line_.s, line_.l));
    int status = vcf_parse(&line_, header_, record_);
    bool parsed = (record_->errcode & ~(BCF_ERR_CTG_UNDEF | BCF_ERR_TAG_UNDEF)) == 0;
    if (status != 0 || !parsed) throw malformed("");
    return true;
  }

  // htslib refuses a repeated sample name with a header it cannot read; the
  // #CHROM line is looked at first so that the message names both columns.
  void refuseRepeatedSamples(std::string_view chromLine) const {
    std::map<std::string_view, size_t> columnOf;
    size_t column = 1;
    for (size_t from = 0; from <= chromLine.size(); ++column) {
      size_t end = std::min(chromLine.find('\t', from), chromLine.size());
      std::string_view name = chromLine.substr(from, end - from);
      from = end + 1;
      if (column < 10) continue;  // the fixed columns and FORMAT
      auto [first, fresh] = columnOf.emplace(name, column);
      if (!fresh) {
        throw InputError("the #CHROM line of " + path_ + " names sample '" + std::string(name) +
                         "' twice, in columns " + std::to_string(first->second) + " and " +
                         std::to_string(column) +
                         ", so their genotyping files could not be told apart: give each "
                         "sample a name of its own");
      }
    }
  }

  // The VCF header text (the ## lines and the #CHROM line, empty lines
  // passed over) read as bounded lines and parsed by htslib; nullptr when the
  // text is no header.
  bcf_hdr_t* readTextHeader() {
    struct Text {
      kstring_t k = KS_INITIALIZE;
      ~Text() { ks_free(&k); }
    } text;
    bool complete = false;
    while (!complete && nextLine()) {
      if (line_.l == 0) continue;
      if (line_.s[0] != '#') break;
      complete = line_.l < 2 || line_.s[1] != '#';
      if (complete) refuseRepeatedSamples(std::string_view(line_.s, line_.l));
      if (kputsn(line_.s, line_.l, &text.k) < 0 || kputc('\n', &text.k) < 0) {
        throw InputError("out of memory reading the header of " + path_);
      }
    }
    bcf_hdr_t* header = complete ? bcf_hdr_init("r") : nullptr;
    if (header != nullptr && bcf_hdr_parse(header, text.k.s) != 0) {
      bcf_hdr_destroy(header);
      header = nullptr;
    }
    return header;
  }

  // Reads the next text line into line_ without its line end (LF, or CR LF);
  // false at the end of the input. A line over lineLimit_ characters, a read
  // error and a damaged compressed stream are refused.
  bool nextLine() {
    line_.l = 0;
    if (line_.s != nullptr) line_.s[0] = '\0';
    for (;;) {
      if (chunkAt_ == chunkEnd_) {
        ssize_t got = readSome(chunk_.data(), chunk_.size());
        if (got < 0) throw malformed(" (the file is damaged or cut short)");
        if (got == 0) {
          if (line_.l == 0) return false;
          break;  // a last line without its end
        }
        chunkAt_ = 0;
        chunkEnd_ = static_cast<size_t>(got);
      }
      const char* start = chunk_.data() + chunkAt_;
      const void* end = std::memchr(start, '\n', chunkEnd_ - chunkAt_);
      size_t take = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - start)
                                   : chunkEnd_ - chunkAt_;
      if (line_.l + take > static_cast<size_t>(lineLimit_)) {
        throw InputError(describe() + " line " + std::to_string(lineNumber_ + 1) +
                         " is longer than " + std::to_string(lineLimit_) +
                         " characters: not a VCF line (a file without line ends?)");
      }
      if (kputsn(start, take, &line_) < 0) throw InputError("out of memory reading " + path_);
      chunkAt_ += take;
      if (end != nullptr) {
        ++chunkAt_;
        break;
      }
    }
    ++lineNumber_;
    if (line_.l > 0 && line_.s[line_.l - 1] == '\r') line_.s[--line_.l] = '\0';
    return true;
  }

  // Up to `most` bytes of VCF text; 0 at its end, -1 on a read error or a
  // damaged block. Compressed text comes one block at a time (as htslib's
  // own line reader takes it), so that a damaged block is told at the line
  // it breaks rather than up to a chunk earlier.
  ssize_t readSome(char* into, size_t most) {
    if (!file_->is_bgzf) return hread(file_->fp.hfile, into, most);
    BGZF* stream = file_->fp.bgzf;
    if (stream->block_offset >= stream->block_length) {
      if (bgzf_read_block(stream) != 0) return -1;
      if (stream->block_length <= stream->block_offset) return 0;
    }
    size_t available = static_cast<size_t>(stream->block_length - stream->block_offset);
    return bgzf_read(stream, into, std::min(most, available));
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
  int32_t lineLimit_;
  bool isBcf_ = false;
  htsFile* file_ = nullptr;
  bcf_hdr_t* header_ = nullptr;
  bcf1_t* record_ = nullptr;
  int32_t* genotypes_ = nullptr;
  int genotypesSize_ = 0;
  kstring_t line_ = KS_INITIALIZE;                        // the VCF line last read
  std::vector<char> chunk_ = std::vector<char>(1 << 16);  // VCF text read ahead
  size_t chunkAt_ = 0;                                    // next unread byte of chunk_
  size_t chunkEnd_ = 0;
  int64_t lineNumber_ = 0;  // VCF text lines read, header included
  std::vector<SampleInfo> samples_;
  int64_t count_ = 0;  // records read
  std::string last_;   // chromosome:position of the last record read
};

}  // namespace

std::unique_ptr<VariantSource> openVcf(const std::string& path, int32_t lineLimit) {
  return std::make_unique<VcfSource>(path, lineLimit);
}
