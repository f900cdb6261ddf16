// Building the report page's data and filling the page frame.
#include "html_report.h"

#include <algorithm>
#include <map>

#include "json_text.h"
#include "report_error.h"
#include "tables.h"

extern const std::string kAsset_report_html;
extern const std::string kAsset_report_css;
extern const std::string kAsset_report_js;

namespace {

// At most this many bars per chromosome in the genome-wide view: each bar
// shows the highest value of the segments it covers.
constexpr size_t kBarsPerChromosome = 600;

void genomeView(JsonText& j, const ReportData& data) {
  std::map<int, std::vector<const GenomeSegment*>> byChromosome;
  for (const GenomeSegment& s : data.regions.genome) byChromosome[s.chromosome].push_back(&s);
  j.key("genome").open('[');
  for (const ChromosomeSpan& span : data.preflight.autosomes) {
    j.open('{').key("chr").num(static_cast<long long>(span.number));
    j.key("firstBp")
        .num(static_cast<long long>(span.firstBp))
        .key("lastBp")
        .num(static_cast<long long>(span.lastBp));
    j.key("firstCm").num(span.firstCm, 3).key("lastCm").num(span.lastCm, 3);
    j.key("snps").num(static_cast<long long>(span.snps));
    j.key("bars").open('[');
    const auto& segments = byChromosome[span.number];
    double width =
        static_cast<double>(std::max<int64_t>(1, span.lastBp - span.firstBp)) / kBarsPerChromosome;
    for (size_t i = 0; i < segments.size();) {
      // Segments falling in one bar-width are merged, keeping the highest value.
      int64_t first = segments[i]->firstBp, last = segments[i]->lastBp;
      double value = segments[i]->value;
      size_t k = i + 1;
      while (k < segments.size() && static_cast<double>(segments[k]->lastBp - first) < width) {
        last = segments[k]->lastBp;
        value = std::max(value, segments[k]->value);
        ++k;
      }
      j.open('[')
          .item()
          .num(static_cast<long long>(first))
          .item()
          .num(static_cast<long long>(last));
      j.item().num(value, 3).close(']');
      i = k;
    }
    j.close(']').close('}');
  }
  j.close(']');
}

void names(JsonText& j, const std::vector<std::string>& list) {
  j.open('[');
  for (const std::string& n : list) j.item().str(n);
  j.close(']');
}

void indexes(JsonText& j, const std::vector<int>& list) {
  j.open('[');
  for (int i : list) j.item().num(static_cast<long long>(i));
  j.close(']');
}

void tracks(JsonText& j, const std::vector<std::vector<CountRun>>& subjects) {
  j.open('[');
  for (const auto& runs : subjects) {
    j.open('[');
    for (const CountRun& r : runs) {
      j.open('[')
          .item()
          .num(static_cast<long long>(r.firstBp))
          .item()
          .num(static_cast<long long>(r.lastBp));
      j.item().num(static_cast<long long>(r.count)).close(']');
    }
    j.close(']');
  }
  j.close(']');
}

}  // namespace

std::string reportJson(const ReportData& data) {
  JsonText j;
  j.open('{');
  j.key("analysisFile").str(data.options.analysisFile);
  j.key("annotation").str(data.input.annotation);
  j.key("areaFile")
      .str(!data.input.excluded.empty() ? "excluded: " + data.input.excluded
           : !data.input.target.empty() ? "target: " + data.input.target
                                        : "");
  j.key("cutoff").num(data.options.cutoffCm, 2);
  j.key("build").str(data.options.build);
  j.key("withControls").raw(data.withControls() ? "true" : "false");
  j.key("patients");
  names(j, data.patientNames);
  j.key("controls");
  names(j, data.controlNames);
  j.key("snps").num(static_cast<long long>(data.preflight.annotationSnps));
  double totalCm = 0;
  for (const ChromosomeSpan& s : data.preflight.autosomes) totalCm += s.lastCm - s.firstCm;
  j.key("autosomeCm").num(totalCm, 1);
  j.key("genesFile")
      .str(data.genes ? data.options.genesFile + " (" + data.genes->format + ", " +
                            std::to_string(data.genes->genes.size()) + " genes)"
                      : "");
  j.key("warnings");
  names(j, data.preflight.warnings);
  j.key("highest").num(data.regions.highest, 3);
  genomeView(j, data);
  if (data.permutations) {
    const PermutationOutcome& p = *data.permutations;
    j.key("permutations").open('{').key("count").num(static_cast<long long>(p.count));
    j.key("seed").str(std::to_string(p.seed));
    j.key("observed").num(asListed(p.maxima[0].both()), 6).key("nullMaxima").open('[');
    for (double m : p.nullMaxima) j.item().num(m, 6);
    j.close(']').close('}');
  }

  j.key("regions").open('[');
  for (size_t i = 0; i < data.regions.regions.size(); ++i) {
    const CandidateRegion& r = data.regions.regions[i];
    j.open('{')
        .key("rank")
        .num(static_cast<long long>(r.rank))
        .key("chr")
        .num(static_cast<long long>(r.chromosome));
    j.key("firstBp")
        .num(static_cast<long long>(r.firstBp))
        .key("lastBp")
        .num(static_cast<long long>(r.lastBp));
    j.key("firstCm").num(r.firstCm).key("lastCm").num(r.lastCm).key("snps").num(
        static_cast<long long>(r.snps));
    j.key("best").num(r.best).key("comparison").num(static_cast<long long>(r.comparison));
    if (r.adjustedP) j.key("adjustedP").num(*r.adjustedP, 6);
    j.key("patients");
    indexes(j, r.patients);
    if (r.controls) {
      j.key("controls");
      indexes(j, *r.controls);
    }
    j.key("genes").open('[');
    for (const Gene* g : data.regionGenes[i]) {
      j.open('{').key("name").str(g->name).key("first").num(static_cast<long long>(g->first));
      j.key("last").num(static_cast<long long>(g->last)).close('}');
    }
    j.close(']').close('}');
  }
  j.close(']');

  j.key("views").open('[');
  for (const RegionView& v : data.regions.views) {
    j.open('{').key("rank").num(static_cast<long long>(v.rank));
    j.key("fromBp")
        .num(static_cast<long long>(v.fromBp))
        .key("toBp")
        .num(static_cast<long long>(v.toBp));
    j.key("patientThreshold").num(static_cast<long long>(v.patientThreshold));
    j.key("controlThreshold").num(static_cast<long long>(v.controlThreshold));
    j.key("patients");
    tracks(j, v.patients);
    j.key("controls");
    tracks(j, v.controls);
    j.close('}');
  }
  j.close(']');

  j.key("pairs").open('[');
  for (const PairRow& p : data.pairs) {
    if (p.pool != 0) continue;
    j.open('[')
        .item()
        .num(static_cast<long long>(p.first - 1))
        .item()
        .num(static_cast<long long>(p.second - 1));
    j.item().raw(p.cMConserved).item().raw(p.ratio).close(']');
  }
  j.close(']');

  j.key("queries").open('[');
  for (const QueryAnswer& q : data.queries) {
    j.open('{').key("names");
    names(j, q.query.names);
    j.key("list").str(q.listFile).key("segments").open('[');
    for (const Segment& s : q.segments) {
      j.open('{').key("chr").num(static_cast<long long>(s.chromosome));
      j.key("firstBp")
          .num(static_cast<long long>(s.first))
          .key("lastBp")
          .num(static_cast<long long>(s.last));
      j.close('}');
    }
    j.close(']').close('}');
  }
  j.close(']');
  j.close('}');
  return j.text();
}

std::string htmlReport(const ReportData& data) {
  std::string page = kAsset_report_html;
  auto fill = [&](const std::string& mark, const std::string& with) {
    size_t at = page.find(mark);
    if (at == std::string::npos) throw ReportError("the page frame lacks " + mark);
    page.replace(at, mark.size(), with);
  };
  // The JSON is filled last so that no mark inside the data is ever replaced.
  fill("/*@STYLE@*/", kAsset_report_css);
  fill("/*@SCRIPT@*/", kAsset_report_js);
  fill("@DATA@", reportJson(data));
  return page;
}
