// Building the report page's data and filling the page frame.
#include "html_report.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "genotype_view.h"
#include "page_json.h"
#include "reference_data.h"
#include "report_error.h"
#include "sha256.h"
#include "tables.h"
#include "verdict.h"

extern const std::string kAsset_report_html;
extern const std::string kAsset_report_css;
extern const std::string kAsset_report_js;

namespace {

// At most this many bars per chromosome in the genome-wide view: each bar
// shows the highest value of the segments it covers.
constexpr size_t kBarsPerChromosome = 600;

// The regions whose every sample's calls the page carries (genotype view).
constexpr size_t kGenotypeViews = 10;

PageJson whole(int64_t value) {
  return PageJson(static_cast<long long>(value));
}

PageJson genomeView(const ReportData& data, const std::map<int, std::vector<Cytoband>>& bands) {
  std::map<int, std::vector<const GenomeSegment*>> byChromosome;
  for (const GenomeSegment& s : data.regions.genome) byChromosome[s.chromosome].push_back(&s);
  PageJson genome = PageJson::array();
  for (const core::ChromosomeSpan& span : data.preflight.autosomes) {
    PageJson chromosome = {{"chr", span.number},
                           {"firstBp", whole(span.firstBp)},
                           {"lastBp", whole(span.lastBp)},
                           {"firstCm", roundedNumber(span.firstCm, 3)},
                           {"lastCm", roundedNumber(span.lastCm, 3)},
                           {"snps", whole(span.snps)}};
    PageJson bars = PageJson::array();
    const auto& segments = byChromosome[span.number];
    double width =
        static_cast<double>(std::max<int64_t>(1, span.lastBp - span.firstBp)) / kBarsPerChromosome;
    for (size_t i = 0; i < segments.size();) {
      // Segments falling in one bar-width are merged, keeping the highest value.
      int64_t first = segments[i]->firstBp, last = segments[i]->lastBp;
      double value = segments[i]->value;
      size_t k = i + 1;
      while (k < segments.size() && static_cast<double>(segments[k]->lastBp - first) < width) {
        last = std::max(last, segments[k]->lastBp);
        value = std::max(value, segments[k]->value);
        ++k;
      }
      bars.push_back({whole(first), whole(last), roundedNumber(value, 3)});
      i = k;
    }
    chromosome["bars"] = std::move(bars);
    PageJson ideogram = PageJson::array();
    if (auto found = bands.find(span.number); found != bands.end()) {
      for (const Cytoband& b : found->second)
        ideogram.push_back({whole(b.first), whole(b.last), b.name, b.stain});
    }
    chromosome["bands"] = std::move(ideogram);
    genome.push_back(std::move(chromosome));
  }
  return genome;
}

PageJson tracks(const std::vector<std::vector<CountRun>>& subjects) {
  PageJson all = PageJson::array();
  for (const auto& runs : subjects) {
    PageJson one = PageJson::array();
    for (const CountRun& r : runs) one.push_back({whole(r.firstBp), whole(r.lastBp), r.count});
    all.push_back(std::move(one));
  }
  return all;
}

// A pair row's number as velmora printed it; null where it printed none (nan).
PageJson pairNumber(const std::string& text) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return nullptr;
  return roundedNumber(value, 6);
}

}  // namespace

std::string reportJson(const ReportData& data) {
  PageJson j;
  j["analysisFile"] = data.options.analysisFile;
  j["annotation"] = data.input.annotation;
  j["areaFile"] = !data.input.excluded.empty() ? "excluded: " + data.input.excluded
                  : !data.input.target.empty() ? "target: " + data.input.target
                                               : "";
  j["cutoff"] = roundedNumber(data.options.cutoffCm, 2);
  // The browsers' name for the links; the sentence says whence the build came.
  j["build"] = data.build.ucsc;
  j["buildText"] = data.build.name + " (" +
                   (data.build.source == "assumed"
                        ? std::string("assumed: the input does not tell it; give --build")
                        : "from " + data.build.source) +
                   "; browser links use " + data.build.ucsc + ")";
  j["withControls"] = data.withControls();
  j["patients"] = data.patientNames;
  j["controls"] = data.controlNames;
  j["snps"] = whole(data.preflight.annotationSnps);
  double totalCm = 0;
  for (const core::ChromosomeSpan& s : data.preflight.autosomes) totalCm += s.lastCm - s.firstCm;
  j["autosomeCm"] = roundedNumber(totalCm, 1);
  j["genesFile"] = !data.genesLabel.empty() ? data.genesLabel
                   : data.genes ? data.options.genesFile + " (" + data.genes->format + ", " +
                                      std::to_string(data.genes->genes.size()) + " genes)"
                                : "";
  j["warnings"] = data.preflight.warnings;
  j["verdict"] = verdictSentence(data);
  j["floor"] = data.regions.floor;
  j["sharingRule"] =
      "Sharing rule: " + sharingRuleText(data.options.sharing) + data.options.sharingReason + ".";
  j["strict"] = data.options.sharing.strict();
  // The genome view draws the higher of the two comparisons, as the table.
  j["highest"] =
      roundedNumber(std::max(data.regions.highest, data.regions.representativeHighest), 3);
  // Cytobands only where the build is known: drawn under an assumed one they
  // would claim bands the positions may not have.
  const std::map<int, std::vector<Cytoband>> bands =
      data.build.source == "assumed" ? std::map<int, std::vector<Cytoband>>{}
                                     : cytobandsOf(data.build, data.preflight.xNumber);
  j["cytobands"] = !bands.empty();
  j["genome"] = genomeView(data, bands);
  if (data.permutations && !data.permutations->genomes.empty()) {
    const PermutationOutcome& p = *data.permutations;
    j["permutations"] = {{"count", static_cast<long long>(p.count)},
                         {"seed", std::to_string(p.seed)},
                         {"genomes", true}};
  } else if (data.permutations) {
    const PermutationOutcome& p = *data.permutations;
    PageJson nulls = PageJson::array();
    for (double m : p.nullMaxima) nulls.push_back(roundedNumber(m, 6));
    j["permutations"] = {{"count", static_cast<long long>(p.count)},
                         {"seed", std::to_string(p.seed)},
                         {"observed", roundedNumber(asListed(p.maxima[0].both()), 6)},
                         {"nullMaxima", std::move(nulls)}};
  }

  PageJson regions = PageJson::array();
  for (size_t i = 0; i < data.regions.regions.size(); ++i) {
    const CandidateRegion& r = data.regions.regions[i];
    PageJson region = {{"rank", r.rank},
                       {"chr", r.chromosome},
                       {"firstBp", whole(r.firstBp)},
                       {"lastBp", whole(r.lastBp)},
                       {"firstCm", roundedNumber(r.firstCm, 6)},
                       {"lastCm", roundedNumber(r.lastCm, 6)},
                       {"snps", whole(r.snps)},
                       {"best", roundedNumber(r.best, 6)},
                       {"comparison", r.comparison}};
    if (r.adjustedP) {
      region["adjustedP"] = roundedNumber(*r.adjustedP, 6);
      // Null genomes or relabellings that reach the region: (1 + reached) / (1 + N).
      region["nullReached"] = static_cast<long long>(
          std::llround(*r.adjustedP * static_cast<double>(data.permutations->count + 1)) - 1);
    }
    if (!data.options.sharing.strict()) region["tolerated"] = whole(r.tolerated);
    region["significant"] = reachesGenomeWide(r);
    if (i < kGenotypeViews) {
      const GenotypeGrid grid = genotypesOver(r, static_cast<int>(data.patientNames.size()),
                                              static_cast<int>(data.controlNames.size()));
      PageJson bp = PageJson::array();
      for (int64_t b : grid.bp) bp.push_back(whole(b));
      region["genotypes"] = {{"bp", std::move(bp)},
                             {"every", whole(grid.every)},
                             {"patients", grid.patients},
                             {"controls", grid.controls}};
    }
    region["patients"] = r.patients;
    if (r.controls) region["controls"] = *r.controls;
    PageJson genes = PageJson::array();
    for (size_t k = 0; k < data.regionGenes[i].size(); ++k) {
      const Gene* g = data.regionGenes[i][k];
      genes.push_back({{"name", g->name},
                       {"first", whole(g->first)},
                       {"last", whole(g->last)},
                       {"core", static_cast<bool>(data.regionCoreGenes[i][k])}});
    }
    region["genes"] = std::move(genes);
    region["core"] = {whole(r.coreFirstBp), whole(r.coreLastBp)};
    region["extent"] = {whole(r.extentFirstBp), whole(r.extentLastBp)};
    regions.push_back(std::move(region));
  }
  j["regions"] = std::move(regions);

  PageJson views = PageJson::array();
  for (const RegionView& v : data.regions.views) {
    views.push_back({{"rank", v.rank},
                     {"fromBp", whole(v.fromBp)},
                     {"toBp", whole(v.toBp)},
                     {"patientThreshold", v.patientThreshold},
                     {"controlThreshold", v.controlThreshold},
                     {"patients", tracks(v.patients)},
                     {"controls", tracks(v.controls)}});
  }
  j["views"] = std::move(views);

  PageJson pairs = PageJson::array();
  for (const PairRow& p : data.pairs) {
    if (p.pool != 0) continue;
    pairs.push_back({p.first - 1, p.second - 1, pairNumber(p.cMConserved), pairNumber(p.ratio)});
  }
  j["pairs"] = std::move(pairs);

  PageJson queries = PageJson::array();
  for (const QueryAnswer& q : data.queries) {
    PageJson segments = PageJson::array();
    for (const Segment& s : q.segments) {
      segments.push_back(
          {{"chr", s.chromosome}, {"firstBp", whole(s.first)}, {"lastBp", whole(s.last)}});
    }
    queries.push_back(
        {{"names", q.query.names}, {"list", q.listFile}, {"segments", std::move(segments)}});
  }
  j["queries"] = std::move(queries);
  return scriptSafeJson(j);
}

namespace {

// The page's policy admits its one inline script by the script's SHA-256
// ("sha256-" and the digest in base64), so no other script can run even if
// one got into the page.
std::string scriptHashSource(const std::string& script) {
  static const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string hex = sha256Hex(script);
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  std::string encoded;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
    encoded.push_back(kBase64[(group >> 18) & 63]);
    encoded.push_back(kBase64[(group >> 12) & 63]);
    encoded.push_back(i + 1 < bytes.size() ? kBase64[(group >> 6) & 63] : '=');
    encoded.push_back(i + 2 < bytes.size() ? kBase64[group & 63] : '=');
  }
  return "'sha256-" + encoded + "'";
}

}  // namespace

std::string htmlReport(const ReportData& data) {
  std::string page = kAsset_report_html;
  auto fill = [&](const std::string& mark, const std::string& with) {
    size_t at = page.find(mark);
    if (at == std::string::npos) throw ReportError("the page frame lacks " + mark);
    page.replace(at, mark.size(), with);
  };
  // The JSON is filled last so that no mark inside the data is ever replaced.
  fill("@SCRIPT_HASH@", scriptHashSource(kAsset_report_js));
  fill("/*@STYLE@*/", kAsset_report_css);
  fill("/*@SCRIPT@*/", kAsset_report_js);
  fill("@DATA@", reportJson(data));
  return page;
}
