// Writes the PLINK 1 representation of the cohort. Allele A of the
// annotation is the .bim's first allele (A1), allele B the second (A2).
#include "plink_files.h"

#include <cstdio>

#include "base/plink_bed.h"

namespace benchgen {
namespace {

void familyColumns(OutFile& out, const Subject& s) {
  out.put(s.name)
      .put(' ')
      .put(s.name)
      .put(" 0 0 ")
      .put(s.male ? '1' : '2')
      .put(' ')
      .put(s.patient ? '2' : '1');
}

}  // namespace

void PackedCalls::store(std::size_t subject, const std::vector<std::uint8_t>& calls) {
  std::uint8_t* row = bits_.data() + subject * stride_;
  for (std::size_t k = 0; k < calls.size(); ++k)
    row[k / 4] |= static_cast<std::uint8_t>(calls[k] << (2 * (k % 4)));
}

void writeMapFiles(const Panel& panel, const std::string& stem) {
  OutFile map(stem + ".map");
  OutFile bim(stem + ".bim");
  char line[160];
  for (const Snp& s : panel.snps) {
    int n = std::snprintf(line, sizeof line, "%d\t%s\t%.6f\t%lld", s.chromosome, s.rsId.c_str(),
                          s.mapCm, static_cast<long long>(s.position));
    std::string_view common(line, static_cast<std::size_t>(n));
    map.put(common).put('\n');
    bim.put(common).put('\t').put(s.alleleA).put('\t').put(s.alleleB).put('\n');
  }
  map.close();
  bim.close();
}

void writeFam(const Cohort& cohort, const std::string& path) {
  OutFile out(path);
  for (const Subject& s : cohort.subjects) {
    familyColumns(out, s);
    out.put('\n');
  }
  out.close();
}

void PedWriter::add(const Panel& panel, const Subject& subject,
                    const std::vector<std::uint8_t>& calls) {
  familyColumns(out_, subject);
  for (std::size_t k = 0; k < calls.size(); ++k) {
    const Snp& s = panel.snps[k];
    char pair[5] = {' ', '0', ' ', '0', '\0'};
    switch (calls[k]) {
      case kAA:
        pair[1] = pair[3] = s.alleleA;
        break;
      case kBB:
        pair[1] = pair[3] = s.alleleB;
        break;
      case kAB:
        pair[1] = s.alleleA;
        pair[3] = s.alleleB;
        break;
      default:
        break;
    }
    out_.put(std::string_view(pair, 4));
  }
  out_.put('\n');
}

void writeBed(const PackedCalls& calls, std::size_t subjects, std::size_t snps,
              const std::string& path) {
  // Allele A is the .bim's allele 1 here: AA is PLINK's homozygous allele 1.
  OutFile out(path);
  out.putBytes(plinkbed::kMagic, sizeof plinkbed::kMagic);
  std::vector<std::uint8_t> row(plinkbed::blockBytes(subjects));
  for (std::size_t k = 0; k < snps; ++k) {
    std::fill(row.begin(), row.end(), 0);
    for (std::size_t s = 0; s < subjects; ++s) {
      plinkbed::putCode(row.data(), s,
                        plinkbed::bedCodeOf(calls.at(s, k), plinkbed::AlleleA::allele1));
    }
    out.putBytes(row.data(), row.size());
  }
  out.close();
}

}  // namespace benchgen
