#!/usr/bin/env python3
"""Writes the demo cohort of examples/demo/: a synthetic SNP annotation, the
genotyping files of 6 patients and 6 controls, and two analysis files.

The six patients all carry one long homozygous stretch of the same haplotype
on chromosome 7 (the planted shared region); every subject also has a few
random autozygous stretches of its own. The output is fully determined by the
fixed seed, so the committed files are reproduced byte for byte by

    python3 examples/make_demo.py

run from the repository root. Standard library only.

The genome is scaled down: every chromosome keeps its real share of the SNPs
but spans one sixth of its real length, so that a few thousand SNPs sit about
130 kb apart, below the 300 kb large-gap rule, as on a genotyping chip. Some
chromosomes get a centromere-like gap of a few Mb that the rule does break.
"""

import os
import random

SEED = 4
TOTAL_SNPS = 4000
LENGTH_SCALE = 1.0 / 6.0
CM_PER_MB = 1.2
NO_CALL_RATE = 0.004

# Real lengths in Mb and the relative centromere position of the chromosomes
# that get a centromere-like gap (23 is X).
CHROMOSOME_MB = {
    1: 249, 2: 243, 3: 198, 4: 191, 5: 181, 6: 171, 7: 159, 8: 146,
    9: 141, 10: 136, 11: 135, 12: 134, 13: 115, 14: 107, 15: 103, 16: 90,
    17: 81, 18: 78, 19: 59, 20: 63, 21: 48, 22: 51, 23: 155,
}
CENTROMERE_AT = {1: 0.50, 3: 0.46, 9: 0.33, 12: 0.27, 16: 0.40, 20: 0.44, 23: 0.39}

# The planted region: chromosome 7, from this map position (cM) on, this long (cM).
PLANTED_CHROMOSOME = 7
PLANTED_START_CM = 8.0
PLANTED_LENGTH_CM = 15.0

PATIENTS = ["p%02d" % i for i in range(1, 7)]
CONTROLS = ["c%02d" % i for i in range(1, 7)]
# Subjects written in the second column layout (numeric first field, call in
# column 3, rs ID in column 5).
LAYOUT_B = {"p05", "c03"}

DEMO_DIR = os.path.join("examples", "demo")


class Snp:
    def __init__(self, chromosome, position, frequency, rs_id, map_cm):
        self.chromosome = chromosome  # 1..22, 23 for X
        self.position = position      # bp, 1-based
        self.frequency = frequency    # of allele A
        self.rs_id = rs_id
        self.map_cm = map_cm          # cM


def make_annotation(rng):
    genome_mb = sum(CHROMOSOME_MB.values())
    rs_numbers = rng.sample(range(100000, 99999999), TOTAL_SNPS + 100)
    snps = []
    for chromosome, real_mb in CHROMOSOME_MB.items():
        count = round(TOTAL_SNPS * real_mb / genome_mb)
        mean_gap = real_mb * LENGTH_SCALE * 1e6 / count
        gap_after = None
        if chromosome in CENTROMERE_AT:
            gap_after = int(count * CENTROMERE_AT[chromosome])
        position = rng.randint(20000, 120000)
        map_cm = position / 1e6 * CM_PER_MB
        rate = CM_PER_MB  # cM per Mb, drifting along the chromosome
        for index in range(count):
            if index > 0:
                if index == gap_after:
                    step = rng.randint(1500000, 3000000)
                    step_rate = 0.05  # little recombination across a centromere
                else:
                    # Gaps of 0.3 to 1.7 times the mean, never reaching 300 kb.
                    step = int(mean_gap * (0.3 + 1.4 * rng.random()))
                    step = min(step, 290000)
                    rate = min(2.4, max(0.4, rate + rng.uniform(-0.15, 0.15)))
                    rate += (CM_PER_MB - rate) * 0.05
                    step_rate = rate
                position += step
                map_cm += step / 1e6 * step_rate
            frequency = round(rng.uniform(0.05, 0.95), 4)
            rs_id = "rs%d" % rs_numbers.pop()
            snps.append(Snp(chromosome, position, frequency, rs_id, round(map_cm, 6)))
    return snps


def homozygous_call(rng, frequency):
    return "AA" if rng.random() < frequency else "BB"


def random_call(rng, frequency):
    a1 = rng.random() < frequency
    a2 = rng.random() < frequency
    if a1 and a2:
        return "AA"
    if not a1 and not a2:
        return "BB"
    return "AB"


def stretch_indexes(snps, chromosome, start_cm, length_cm):
    return [i for i, snp in enumerate(snps)
            if snp.chromosome == chromosome and start_cm <= snp.map_cm <= start_cm + length_cm]


def random_stretches(rng, snps, count):
    """Indexes of `count` autozygous stretches of 3 to 9 cM on random autosomes,
    kept off the planted region so that controls never share it."""
    chosen = set()
    while count > 0:
        chromosome = rng.randint(1, 22)
        last_cm = max(s.map_cm for s in snps if s.chromosome == chromosome)
        length = rng.uniform(3.0, 9.0)
        if last_cm <= length:
            continue
        start = rng.uniform(0.0, last_cm - length)
        if chromosome == PLANTED_CHROMOSOME and \
                start < PLANTED_START_CM + PLANTED_LENGTH_CM and start + length > PLANTED_START_CM:
            continue
        chosen.update(stretch_indexes(snps, chromosome, start, length))
        count -= 1
    return chosen


def make_genotypes(rng, snps):
    planted = set(stretch_indexes(snps, PLANTED_CHROMOSOME, PLANTED_START_CM, PLANTED_LENGTH_CM))
    shared_haplotype = {i: homozygous_call(rng, snps[i].frequency) for i in sorted(planted)}
    calls = {}
    for name in PATIENTS + CONTROLS:
        autozygous = random_stretches(rng, snps, rng.randint(2, 4))
        own_haplotype = {i: homozygous_call(rng, snps[i].frequency) for i in sorted(autozygous)}
        subject_calls = []
        for i, snp in enumerate(snps):
            if name in PATIENTS and i in planted:
                call = shared_haplotype[i]
            elif i in autozygous:
                call = own_haplotype[i]
            else:
                call = random_call(rng, snp.frequency)
            if rng.random() < NO_CALL_RATE:
                call = "--"
            subject_calls.append(call)
        calls[name] = subject_calls
    return calls


def write_text(path, lines):
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write("".join(line + "\n" for line in lines))


def write_annotation(snps):
    write_text(os.path.join(DEMO_DIR, "annotation.txt"),
               ["%d\t%d\t%.4f\t%s\t%.6f" % (s.chromosome, s.position, s.frequency, s.rs_id, s.map_cm)
                for s in snps])


def write_genotype_file(rng, name, snps, subject_calls):
    rows = list(zip(snps, subject_calls))
    rng.shuffle(rows)
    if name in LAYOUT_B:
        # Row number, sample name, call, call quality, rs ID.
        lines = ["%d\t%s\t%s\t%.2f\t%s" % (n + 1, name, call, rng.uniform(0.6, 1.0), snp.rs_id)
                 for n, (snp, call) in enumerate(rows)]
    else:
        lines = ["%s\t%s" % (snp.rs_id, call) for snp, call in rows]
    write_text(os.path.join(DEMO_DIR, "genotypes", name + ".txt"), lines)


def write_analysis_file(file_name, controls):
    genotype = "examples/demo/genotypes/%s.txt"
    lines = [": Demo cohort; paths are relative to the repository root.",
             "::annotation file",
             "examples/demo/annotation.txt",
             "::excluded area file",
             "::patient pool"]
    lines += [genotype % name for name in PATIENTS]
    lines.append("::control pool")
    lines += [genotype % name for name in controls]
    lines += ["::output directory", "examples/demo/out/"]
    write_text(os.path.join(DEMO_DIR, file_name), lines)


def main():
    rng = random.Random(SEED)
    os.makedirs(os.path.join(DEMO_DIR, "genotypes"), exist_ok=True)
    snps = make_annotation(rng)
    calls = make_genotypes(rng, snps)
    write_annotation(snps)
    for name in PATIENTS + CONTROLS:
        write_genotype_file(rng, name, snps, calls[name])
    write_analysis_file("analysis_with_controls.txt", CONTROLS)
    write_analysis_file("analysis_patients_only.txt", [])


if __name__ == "__main__":
    main()
