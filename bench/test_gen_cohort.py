"""Checks a small cohort from bench-gen against what the benchmark relies on:
valid, realistic annotation; genotyping files in both layouts that hold every
SNP once; PLINK files that carry the same calls; a founder haplotype shared
by the sharers only; and determinism. The generator is compiled into a
temporary directory unless BENCH_GEN names a binary.
Run: python3 -m unittest discover -s bench"""

import filecmp
import glob
import os
import subprocess
import tempfile
import unittest

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
SNPS, PATIENTS, CONTROLS = 20000, 8, 5
CALL_OF_CODE = {0: "AA", 3: "BB", 2: "AB", 1: "--"}  # PLINK bed codes, A1 = allele A


def build_generator(workdir):
    if os.environ.get("BENCH_GEN"):
        return os.environ["BENCH_GEN"]
    binary = os.path.join(workdir, "bench-gen")
    sources = sorted(glob.glob(os.path.join(BENCH_DIR, "gen", "*.cpp")))
    subprocess.run(["g++", "-std=c++20", "-O2", "-Wall", "-Wextra", "-Werror", "-ffp-contract=off",
                    "-I" + os.path.join(BENCH_DIR, "..", "src"), *sources,
                    os.path.join(BENCH_DIR, "..", "src", "driver", "lines", "velmora_format.cpp"),
                    "-o", binary], check=True)
    return binary


def generate(gen, out, seed):
    subprocess.run([gen, "--snps", str(SNPS), "--patients", str(PATIENTS), "--controls", str(CONTROLS),
                    "--seed", str(seed), "--out", out], check=True)


def read_calls(path):
    """rs ID -> call of one genotyping file, and the rs IDs in file order."""
    calls, order = {}, []
    with open(path) as f:
        lines = [line.rstrip("\n").split("\t") for line in f]
    layout_b = lines[0][0].isdigit()
    for fields in lines:
        rs, call = (fields[4], fields[2]) if layout_b else (fields[0], fields[1])
        calls[rs] = call
        order.append(rs)
    return calls, order, layout_b


class GeneratedCohort(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.gen = build_generator(cls.tmp.name)
        cls.dir = os.path.join(cls.tmp.name, "cohort")
        generate(cls.gen, cls.dir, 7)
        with open(os.path.join(cls.dir, "annotation.txt")) as f:
            cls.annotation = [line.rstrip("\n").split("\t") for line in f]
        cls.info = {}
        with open(os.path.join(cls.dir, "cohort.info")) as f:
            for line in f:
                key, _, value = line.rstrip("\n").partition("\t")
                cls.info[key] = value
        cls.subjects = [f"p{i:03d}" for i in range(1, PATIENTS + 1)] + [f"c{i:03d}" for i in range(1, CONTROLS + 1)]
        cls.calls = {s: read_calls(os.path.join(cls.dir, "genotypes", s + ".txt")) for s in cls.subjects}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_annotation_is_valid_and_genome_like(self):
        self.assertEqual(len(self.annotation), SNPS)
        chromosomes = [int(f[0]) for f in self.annotation]
        self.assertEqual(sorted(set(chromosomes)), list(range(1, 24)))
        self.assertEqual(chromosomes, sorted(chromosomes))
        large_gaps, autosomal_cm = 0, 0.0
        for c in range(1, 24):
            rows = [f for f in self.annotation if int(f[0]) == c]
            positions = [int(f[1]) for f in rows]
            maps = [float(f[4]) for f in rows]
            self.assertTrue(all(a < b for a, b in zip(positions, positions[1:])), c)
            self.assertTrue(all(m > 0 for m in maps), c)
            self.assertTrue(all(a <= b for a, b in zip(maps, maps[1:])), c)
            large_gaps += sum(b - a >= 300_000 for a, b in zip(positions, positions[1:]))
            if c < 23:
                autosomal_cm += maps[-1] - maps[0]
        # 18 centromere gaps on the metacentric chromosomes plus the deserts.
        self.assertGreaterEqual(large_gaps, 18 + 10)
        self.assertLess(abs(autosomal_cm - 3500) / 3500, 0.08)
        # Chromosome 1 holds about 8 % of the SNPs, 21 about 1.6 %.
        self.assertLess(abs(chromosomes.count(1) / SNPS - 249.25 / 3036.3), 0.01)
        frequencies = [float(f[2]) for f in self.annotation]
        self.assertTrue(all(0.05 <= p <= 0.95 for p in frequencies))
        rs = [f[3] for f in self.annotation]
        self.assertEqual(len(set(rs)), SNPS)
        self.assertNotEqual(rs, sorted(rs))

    def test_genotyping_files_hold_every_snp_once_in_their_own_order(self):
        table = [f[3] for f in self.annotation]
        layouts = []
        no_calls = 0
        for s in self.subjects:
            calls, order, layout_b = self.calls[s]
            layouts.append(layout_b)
            self.assertEqual(len(order), SNPS, s)
            self.assertEqual(set(order), set(table), s)
            self.assertNotEqual(order, table, s)
            self.assertTrue(set(calls.values()) <= {"AA", "BB", "AB", "--"}, s)
            no_calls += sum(c == "--" for c in calls.values())
        self.assertTrue(any(layouts) and not all(layouts))
        self.assertLess(sum(layouts), len(layouts) / 2)
        share = no_calls / (SNPS * len(self.subjects))
        self.assertTrue(0.007 < share < 0.013, share)

    def test_plink_files_carry_the_same_calls(self):
        with open(os.path.join(self.dir, "cohort.fam")) as f:
            fam = [line.split() for line in f]
        self.assertEqual([r[1] for r in fam], self.subjects)
        self.assertEqual([r[5] for r in fam], ["2"] * PATIENTS + ["1"] * CONTROLS)
        with open(os.path.join(self.dir, "cohort.bim")) as f:
            bim = [line.split("\t") for line in f]
        self.assertEqual([r[1] for r in bim], [f[3] for f in self.annotation])
        with open(os.path.join(self.dir, "cohort.bed"), "rb") as f:
            bed = f.read()
        self.assertEqual(bed[:3], bytes([0x6C, 0x1B, 0x01]))
        stride = (len(self.subjects) + 3) // 4
        self.assertEqual(len(bed), 3 + stride * SNPS)
        with open(os.path.join(self.dir, "cohort.ped")) as f:
            ped = [line.split() for line in f]
        for i, s in enumerate(self.subjects):
            calls = self.calls[s][0]
            alleles = ped[i][6:]
            for k, row in enumerate(bim):
                code = (bed[3 + k * stride + i // 4] >> (2 * (i % 4))) & 3
                expected = calls[row[1]]
                self.assertEqual(CALL_OF_CODE[code], expected, (s, row[1]))
                a, b = row[4], row[5].strip()
                pair = {"AA": [a, a], "BB": [b, b], "AB": [a, b], "--": ["0", "0"]}[expected]
                self.assertEqual(alleles[2 * k:2 * k + 2], pair, (s, row[1]))

    def test_founder_haplotype_is_shared_by_the_sharers_only(self):
        chromosome = int(self.info["founder_chromosome"])
        core_from, core_to = map(float, self.info["founder_core_cM"].split("\t"))
        core = [f[3] for f in self.annotation
                if int(f[0]) == chromosome and core_from <= float(f[4]) <= core_to]
        self.assertGreater(len(core), 12)
        sharers = [f"p{int(n):03d}" for n in self.info["founder_sharers"].split()]
        self.assertGreaterEqual(len(sharers), 2)

        def opposite(s, t):
            return sum({self.calls[s][0][rs], self.calls[t][0][rs]} == {"AA", "BB"} for rs in core)

        for s in sharers:
            self.assertNotIn("AB", [self.calls[s][0][rs] for rs in core], s)
            self.assertEqual(opposite(sharers[0], s), 0, s)
        controls = [s for s in self.subjects if s.startswith("c")]
        self.assertTrue(all(opposite(sharers[0], c) > 0 for c in controls))

    def test_analysis_files_name_the_pools(self):
        def count(name):
            with open(os.path.join(self.dir, name)) as f:
                return sum("/genotypes/" in line for line in f)
        self.assertEqual(count("analysis_two_pools.txt"), PATIENTS + CONTROLS)
        self.assertEqual(count("analysis_patients_only.txt"), PATIENTS)

    def test_same_seed_same_cohort_other_seed_other_cohort(self):
        again = os.path.join(self.tmp.name, "again")
        other = os.path.join(self.tmp.name, "other")
        generate(self.gen, again, 7)
        generate(self.gen, other, 8)
        for name in ["annotation.txt", "cohort.bed", "cohort.ped", "genotypes/p001.txt", "genotypes/c002.txt"]:
            self.assertTrue(filecmp.cmp(os.path.join(self.dir, name), os.path.join(again, name), shallow=False), name)
            self.assertFalse(filecmp.cmp(os.path.join(self.dir, name), os.path.join(other, name), shallow=False), name)


if __name__ == "__main__":
    unittest.main()
