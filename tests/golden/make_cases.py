#!/usr/bin/env python3
"""Writes the input files of the whole-run golden cases into tests/golden/cases/.

Each case is a small cohort: an annotation file, genotyping files, optional
area files and an analysis file whose paths are relative to the case folder,
plus `stdin.txt` (the cutoff line and any query lines) and, for a query run,
`snapshot_turn` (the query turn after which the temporary pair files are kept
as expected files). The cohorts are drawn from a fixed seed, so running this
again writes the same bytes; the expected outputs in tests/golden/expected/
are made by running the golden test with VELMORA_UPDATE_GOLDEN=1.
"""
import os
import random
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CASES = os.path.join(HERE, "cases")


class Case:
    def __init__(self, name, seed, chromosomes, snps, patients, controls, cm_per_snp=0.25,
                 spacing=25000):
        self.name = name
        self.rng = random.Random(seed)
        self.dir = os.path.join(CASES, name)
        self.patients = patients
        self.controls = controls
        self.snps = []  # (chr, pos, freq text, rs, cM text)
        serial = 0
        for c in range(1, chromosomes + 2):  # the last one is X
            count = snps[c - 1] if isinstance(snps, list) else (snps if c <= chromosomes else 6)
            pos, cm = 5000 + self.rng.randrange(1000), 0.01 + self.rng.random()
            for _ in range(count):
                freq = "%.3f" % (0.15 + 0.7 * self.rng.random())
                self.snps.append([c, pos, freq, "rs%d" % (100 + 13 * serial), "%.4f" % cm])
                serial += 1
                pos += spacing // 2 + self.rng.randrange(spacing)
                cm += cm_per_snp * (0.5 + self.rng.random())
        self.calls = {}  # subject name -> list of call texts in table order
        self.line_end = {}
        self.layout_b = set()

    def draw(self, name):
        calls = []
        for _, _, freq, _, _ in self.snps:
            p = float(freq)
            u = self.rng.random()
            call = "AA" if u < p * p else ("BB" if u < p * p + (1 - p) * (1 - p) else "AB")
            if self.rng.random() < 0.02:
                call = "--"
            calls.append(call)
        self.calls[name] = calls

    def subjects(self):
        names = ["p%02d" % (i + 1) for i in range(self.patients)]
        names += ["c%02d" % (i + 1) for i in range(self.controls)]
        for n in names:
            self.draw(n)
        return names

    def plant(self, sharers, chromosome, first, last):
        """Gives `sharers` one homozygous haplotype over SNPs first..last of a chromosome."""
        indexes = [k for k, s in enumerate(self.snps) if s[0] == chromosome][first:last + 1]
        haplotype = {k: self.rng.choice(["AA", "BB"]) for k in indexes}
        for name in sharers:
            for k in indexes:
                self.calls[name][k] = haplotype[k]

    def write(self, name, lines, end="\n"):
        with open(os.path.join(self.dir, name), "w", newline="") as f:
            for line in lines:
                f.write(line + end)

    def finish(self, stdin, annotation_end="\n", excluded=None, target=None, large_gap=None,
               snapshot_turn=None, shuffle=()):
        os.makedirs(os.path.join(self.dir, "genotypes"))
        self.write("annotation.txt", ["\t".join(str(v) for v in s) for s in self.snps],
                   annotation_end)
        for name, calls in self.calls.items():
            rows = [(s, c) for s, c in zip(self.snps, calls)]
            if name in shuffle:
                self.rng.shuffle(rows)
            if name in self.layout_b:
                lines = ["%d\t%d\t%s\t0.5\t%s" % (s[0], s[1], c, s[3]) for s, c in rows]
            else:
                lines = ["%s\t%s" % (s[3], c) for s, c in rows]
            self.write("genotypes/%s.txt" % name, lines, self.line_end.get(name, "\n"))
        analysis = ["::annotation file", "annotation.txt", "::excluded area file"]
        if excluded:
            self.write("excluded.txt", self.area_lines(excluded))
            analysis.append("excluded.txt")
        if target:
            self.write("target.txt", self.area_lines(target), "\r")
            analysis += ["::target area file", "target.txt"]
        analysis.append("::patient pool")
        analysis += ["genotypes/p%02d.txt" % (i + 1) for i in range(self.patients)]
        analysis.append("::control pool")
        analysis += ["genotypes/c%02d.txt" % (i + 1) for i in range(self.controls)]
        analysis += ["::output directory", "out/"]
        if large_gap:
            analysis += ["::use large gap", large_gap]
        self.write("analysis.txt", analysis)
        with open(os.path.join(self.dir, "stdin.txt"), "w") as f:
            f.write(stdin)
        if snapshot_turn is not None:
            with open(os.path.join(self.dir, "snapshot_turn"), "w") as f:
                f.write("%d\n" % snapshot_turn)

    def area_lines(self, areas):
        lines = []
        for chromosome, first, last in areas:
            rows = [s for s in self.snps if s[0] == chromosome]
            for s in (rows[first], rows[last]):
                lines.append("%d %d %s" % (s[0], s[1], s[4]))
        return lines


def two_pools_layout_b_excluded():
    c = Case("two_pools_layout_b_excluded", 11, 4, 70, 6, 4)
    c.subjects()
    c.plant(["p01", "p02", "p03", "p04", "p05"], 2, 10, 55)
    c.plant(["p02", "p06", "c01"], 3, 5, 40)
    c.layout_b = {"p03", "c02"}
    c.line_end = {"p02": "\r\n", "c03": "\r\n"}
    c.finish("1.5\n", annotation_end="\r\n", excluded=[(1, 20, 35), (4, 0, 0), (4, 60, 69)],
             shuffle=("p04", "c01"))


def patients_target_query():
    c = Case("patients_target_query", 23, 5, 60, 7, 0)
    c.subjects()
    c.plant(["p01", "p02", "p03", "p05"], 3, 4, 50)
    c.plant(["p04", "p06", "p07"], 5, 10, 45)
    c.line_end = {"p01": "\r", "p04": "\r"}
    # Turns: three sharers, separators of every kind, out of range, no digits,
    # a pair with nothing in common, a repeated number, then the end.
    c.finish("1\n1 2 3\n2,5 7;1\n9\nabc\n1 6\n3 3 5\n\n",
             target=[(1, 0, 59), (3, 2, 55), (5, 5, 50)], snapshot_turn=2)


def no_large_gap_two_pools():
    c = Case("no_large_gap_two_pools", 37, 3, 50, 5, 5, spacing=400000)
    c.subjects()
    c.plant(["p01", "p02", "p03", "p04"], 1, 5, 40)
    c.plant(["c01", "c02"], 2, 5, 30)
    c.finish("2\n", large_gap="NO")


def nan_slots():
    # Chromosome 2 holds one SNP, p03 has no call at all and c02 none on
    # chromosome 3: the pair rows and the pair table meet 0/0.
    c = Case("nan_slots", 41, 4, [40, 1, 35, 30, 6], 4, 3)
    c.subjects()
    c.plant(["p01", "p02", "p04"], 3, 3, 30)
    c.calls["p03"] = ["--"] * len(c.snps)
    for k, s in enumerate(c.snps):
        if s[0] == 3:
            c.calls["c02"][k] = "AB"
    c.finish("0.75\n")


def cutoff_without_number():
    c = Case("cutoff_without_number", 53, 2, 30, 3, 0)
    c.subjects()
    c.plant(["p01", "p02", "p03"], 1, 2, 20)
    c.finish("abc\n1 2 3\n2 3\n\n", snapshot_turn=1)


def many_levels():
    c = Case("many_levels", 67, 6, 80, 9, 6, cm_per_snp=0.15)
    c.subjects()
    c.plant(["p01", "p02", "p03", "p04", "p05", "p06", "p07"], 4, 10, 70)
    c.plant(["p02", "p03", "p08", "p09"], 4, 30, 50)
    c.plant(["p05", "p09", "c03"], 6, 0, 60)
    c.plant(["c01", "c02", "c04", "c05"], 1, 20, 60)
    c.layout_b = {"p09"}
    c.finish("1.2\n")


def main():
    if os.path.isdir(CASES):
        shutil.rmtree(CASES)
    os.makedirs(CASES)
    for make in (two_pools_layout_b_excluded, patients_target_query, no_large_gap_two_pools,
                 nan_slots, cutoff_without_number, many_levels):
        make()
    # The demo analyses run on the shipped demo cohort itself.
    for name, stdin, turn in (("demo_with_controls", "5\n", None),
                              ("demo_patients_only", "5\n1 2 3 4 5 6\n\n", 1)):
        os.makedirs(os.path.join(CASES, name))
        with open(os.path.join(CASES, name, "stdin.txt"), "w") as f:
            f.write(stdin)
        with open(os.path.join(CASES, name, "demo"), "w") as f:
            f.write("analysis_%s.txt\n" % name[len("demo_"):])
        if turn is not None:
            with open(os.path.join(CASES, name, "snapshot_turn"), "w") as f:
                f.write("%d\n" % turn)
    return 0


if __name__ == "__main__":
    sys.exit(main())
