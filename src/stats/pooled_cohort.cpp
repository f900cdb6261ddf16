// Building the pooled cohort: each autosome slot packed with every patient
// and control, every pooled pair scanned once with the bit-parallel kernel,
// and the pairs' cover runs kept as one sorted event list per slot.
#include "stats/pooled_cohort.h"

#include <cstdio>

#include "base/output.h"
#include "genome/model.h"
#include "hh/packed_scan.h"
#include "hh/representative_rule.h"
#include "stats/significance_steps.h"
#include "stats/stats.h"

namespace {

// The -log10 p tables of larger pools would not fit in memory sensibly.
constexpr size_t kMaxLevelPairs = size_t{1} << 24;

// Genotype code of pooled subject g at SNP table index k.
int pooledCode(const PooledCohort& cohort, int64_t k, int g) {
  const SNPRecord& snp = genome.sumSNP[static_cast<size_t>(k)];
  return g < cohort.patients
             ? getGType(snp.gType[enum_patients], static_cast<uint64_t>(g))
             : getGType(snp.gType[enum_controls], static_cast<uint64_t>(g - cohort.patients));
}

void packPooledSlot(const PooledCohort& cohort, int chr, PooledSlot& slot) {
  const int64_t s = slotBegin(chr), e = slotEnd(chr), count = e - s;
  slot.chr = chr;
  slot.begin = s;
  slot.position.resize(static_cast<size_t>(count));
  slot.genetMap.resize(static_cast<size_t>(count));
  for (int64_t k = 0; k < count; ++k) {
    slot.position[static_cast<size_t>(k)] = genome.sumSNP[static_cast<size_t>(s + k)].position;
    slot.genetMap[static_cast<size_t>(k)] = genome.sumSNP[static_cast<size_t>(s + k)].genetMap;
  }
  packSlotMap(slot.position.data(), slot.genetMap.data(), count, cohort.cutoff, cohort.largeGap,
              slot.packed);

  const size_t width = static_cast<size_t>(cohort.subjects);
  std::vector<uint8_t> codes(static_cast<size_t>(count) * width);
  std::vector<const uint8_t*> rows(static_cast<size_t>(count));
  for (int64_t k = 0; k < count; ++k) {
    uint8_t* row = codes.data() + static_cast<size_t>(k) * width;
    for (int g = 0; g < cohort.subjects; ++g) {
      row[g] = static_cast<uint8_t>(pooledCode(cohort, s + k, g));
    }
    rows[static_cast<size_t>(k)] = row;
  }
  packSlotCalls(rows.data(), cohort.subjects, slot.packed);
  slot.callsByWord.resize(slot.packed.homozygotes.size());
  for (int g = 0; g < cohort.subjects; ++g) {
    const uint64_t* calls = slot.packed.calls(g);
    for (int64_t w = 0; w < slot.packed.words; ++w) {
      const size_t at = 2 * (static_cast<size_t>(w) * width + static_cast<size_t>(g));
      slot.callsByWord[at] = calls[2 * w];
      slot.callsByWord[at + 1] = calls[2 * w + 1];
    }
  }

  // The regions the pass levels: wholly within the slot and not empty.
  slot.inRegion.assign(static_cast<size_t>(count), 0);
  const int64_t regions =
      std::min<int64_t>(genome.noRegions, static_cast<int64_t>(genome.includeRegion.size()));
  for (int64_t r = 0; r < regions; ++r) {
    const Region& region = genome.includeRegion[static_cast<size_t>(r)];
    if (region.start < s || region.end > e - 1 || region.start > region.end) continue;
    slot.regions.emplace_back(region.start - s, region.end - s);
    for (int64_t k = region.start; k <= region.end; ++k)
      slot.inRegion[static_cast<size_t>(k - s)] = 1;
  }

  slot.lessFrequentHomozygote.assign(2 * static_cast<size_t>(slot.packed.words), 0);
  for (int64_t k = 0; k < count; ++k) {
    const bool aa = lessFrequentHomozygote(static_cast<double>(
                        genome.sumSNP[static_cast<size_t>(s + k)].freqA)) == GTYPE_AA;
    slot.lessFrequentHomozygote[2 * static_cast<size_t>(k >> 6) + (aa ? 0 : 1)] |= uint64_t{1}
                                                                                   << (k & 63);
  }
}

// Scans every pooled pair of the slot and sorts their cover changes.
void collectEvents(const PooledCohort& cohort, PooledSlot& slot, int threads) {
  const int64_t pairs = static_cast<int64_t>(cohort.pairFirst.size());
  constexpr int64_t kChunk = 512;
  const int64_t chunks = (pairs + kChunk - 1) / kChunk;
  std::vector<std::vector<uint64_t>> found(static_cast<size_t>(chunks));
  forEachItemOnThreads(
      chunks, threads,
      [&](int64_t chunk, int) {
        std::vector<CoverRun> cover;
        std::vector<uint64_t>& events = found[static_cast<size_t>(chunk)];
        const int64_t end = std::min(pairs, (chunk + 1) * kChunk);
        for (int64_t q = chunk * kChunk; q < end; ++q) {
          cover.clear();
          scanPackedPair(slot.packed, cohort.pairFirst[static_cast<size_t>(q)],
                         cohort.pairSecond[static_cast<size_t>(q)], cohort.cutoff, cover,
                         cohort.rule);
          appendCoverEvents(cover, static_cast<uint64_t>(q), slot.packed.count, events);
        }
      },
      [] {});
  size_t total = 0;
  for (const auto& part : found) total += part.size();
  slot.events.reserve(total);
  for (auto& part : found) {
    slot.events.insert(slot.events.end(), part.begin(), part.end());
    std::vector<uint64_t>().swap(part);
  }
  std::sort(slot.events.begin(), slot.events.end());
}

}  // namespace

int permutationThreads(int wanted) {
  return threadsFor(wanted);
}

void PooledCohortDeleter::operator()(PooledCohort* cohort) const {
  delete cohort;
}

int pooledPatients(const PooledCohort& cohort) {
  return cohort.patients;
}
int pooledControls(const PooledCohort& cohort) {
  return cohort.controls;
}

int64_t pooledEvents(const PooledCohort& cohort) {
  int64_t n = 0;
  for (const PooledSlot& slot : cohort.slots) n += static_cast<int64_t>(slot.events.size());
  return n;
}

int64_t pooledCohortBytes(const PooledCohort& cohort) {
  size_t bytes = sizeof cohort + cohort.levelMinusLogP.size() * sizeof(float) +
                 (cohort.pairFirst.size() + cohort.pairSecond.size()) * sizeof(int32_t);
  for (const PooledSlot& slot : cohort.slots) {
    bytes +=
        slot.position.size() * sizeof(int64_t) + slot.genetMap.size() * sizeof(double) +
        (slot.packed.forced.size() + slot.packed.gapAfter.size() + slot.packed.homozygotes.size() +
         slot.callsByWord.size() + slot.lessFrequentHomozygote.size() + slot.events.size()) *
            sizeof(uint64_t) +
        slot.packed.reach.size() * sizeof(int32_t) + slot.inRegion.size();
  }
  return static_cast<int64_t>(bytes);
}

bool permutationsFit(int patients, int controls) {
  const size_t levelPairs = static_cast<size_t>(patients + 1) * static_cast<size_t>(controls + 1);
  return levelPairs <= kMaxLevelPairs && patients + controls <= 65535;
}

PooledCohortPtr buildPooledCohort(double cutoff, int threads, const PoolingChoice& choice) {
  const bool onePool = choice.onePool;
  const int patients = settings.noTgPool[enum_patients];
  const int controls = settings.noTgPool[enum_controls];
  if (patients < 1 || (controls < 1 && !onePool)) {
    fatal(
        "ERROR: Permutations need both a patient pool and a control pool; with one pool there "
        "are no labels to exchange.\n");
  }
  const size_t levelPairs = static_cast<size_t>(patients + 1) * static_cast<size_t>(controls + 1);
  if (!permutationsFit(patients, controls)) {
    fatal(
        "ERROR: Permutations take at most %ld pairs of pool levels; %d patients and %d controls "
        "give %ld.\n",
        static_cast<long>(kMaxLevelPairs), patients, controls, static_cast<long>(levelPairs));
  }
  PooledCohortPtr cohort(new PooledCohort);
  cohort->patients = patients;
  cohort->controls = controls;
  cohort->subjects = patients + controls;
  cohort->cutoff = cutoff;
  cohort->largeGap = settings.largeGap;
  cohort->rule = choice.rule;
  cohort->acrossPools = choice.acrossPools;
  for (int a = 0; a + 1 < cohort->subjects; ++a) {
    for (int b = a + 1; b < cohort->subjects; ++b) {
      if (!choice.acrossPools && (a < patients) != (b < patients)) continue;
      cohort->pairFirst.push_back(a);
      cohort->pairSecond.push_back(b);
    }
  }
  // The same -log10 p the significance scan stores for a segment's counts.
  cohort->levelMinusLogP.resize(levelPairs);
  for (int p = 0; p <= patients; ++p) {
    for (int c = 0; c <= controls; ++c) {
      cohort->levelMinusLogP[static_cast<size_t>(p) * static_cast<size_t>(controls + 1) +
                             static_cast<size_t>(c)] =
          controls > 0 ? hhstats::minusLog10(hhstats::p_value(patients, controls, p, c)) : 0.0f;
    }
  }
  const int workers = permutationThreads(threads);
  // Reserved so that no slot moves: its packed form points into its own arrays.
  cohort->slots.reserve(static_cast<size_t>(std::max(0, autosomeSlots())));
  for (int chr = 0; chr < autosomeSlots(); ++chr) {
    if (slotBegin(chr) == slotEnd(chr)) continue;
    cohort->slots.emplace_back();
    PooledSlot& slot = cohort->slots.back();
    packPooledSlot(*cohort, chr, slot);
    collectEvents(*cohort, slot, workers);
  }
  return cohort;
}
