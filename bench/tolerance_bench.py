#!/usr/bin/env python3
"""Sharing rules and significance on generated cohorts with genotyping errors.

For each error rate, seed and sharing rule, velmora-report runs on a cohort
with a planted founder locus (with controls and patients only, 200
relabellings or null genomes), and the row says where the locus ranks, how
many patients the report finds sharing it against the true carriers, how
many it names that are no carriers, and its adjusted p. Null cohorts (no
locus) then show how often any region reaches adjusted p < 0.05 under the
default rule. Prints Markdown tables for bench/RESULTS.md.
"""
import argparse
import os
import shutil
import subprocess

from permutation_bench import regions
from run_bench import PLINK_HOMOZYG, read_info


def cohort(gen, root, snps, seed, error, null):
    tag = f"{'null' if null else 'plant'}-{snps}-s{seed}-e{error}"
    out = os.path.join(root, tag)
    if not os.path.exists(os.path.join(out, "cohort.info")):
        cmd = [gen, "--snps", str(snps), "--patients", "20", "--controls", "20",
               "--seed", str(seed), "--error", str(error), "--out", out]
        if null:
            cmd += ["--null", "1"]
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    return out, read_info(out)


def report(rep, cohort_dir, design, rule, out, permutations):
    analysis = os.path.join(cohort_dir, "analysis_two_pools.txt" if design == "controls"
                            else "analysis_patients_only.txt")
    cmd = [rep, analysis, "--cutoff", "2", "--out", out]
    if permutations > 0:
        cmd += ["--permutations", str(permutations)]
    cmd += ["--strict"] if rule == "strict" else ["--tolerance", rule]
    subprocess.run(["rm", "-rf", out], check=True)
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return regions(out)


def locus(regions, info):
    chrom = info["founder_chromosome"]
    lo, hi = (float(x) for x in info["founder_core_cM"].split("\t"))
    for r in regions:
        if r["chrom"] == chrom and float(r["start_cM"]) <= hi and float(r["end_cM"]) >= lo:
            return r
    return None


def founder_bp(cohort_dir, info):
    """The founder core's first and last bp, from the map positions in cohort.bim."""
    chrom = info["founder_chromosome"]
    lo, hi = (float(x) for x in info["founder_core_cM"].split("\t"))
    inside = [int(f[3]) for f in (l.split() for l in open(os.path.join(cohort_dir, "cohort.bim")))
              if f[0] == chrom and lo <= float(f[2]) <= hi]
    return chrom, min(inside), max(inside)


def plink_locus(cohort_dir, info, root):
    """PLINK 1.9 --homozyg group's pool over the founder core: its consensus and members."""
    out = os.path.join(root, "plink", os.path.basename(cohort_dir))
    os.makedirs(out, exist_ok=True)
    subprocess.run(["plink1.9", "--bfile", os.path.join(cohort_dir, "cohort"), *PLINK_HOMOZYG,
                    "--out", os.path.join(out, "c")], check=True, stdout=subprocess.DEVNULL)
    chrom, lo, hi = founder_bp(cohort_dir, info)
    best = None
    for line in open(os.path.join(out, "c.hom.overlap")):
        f = line.split()
        if len(f) < 11 or f[1] != "CON" or f[4] != chrom:
            continue
        if int(f[7]) <= hi and int(f[8]) >= lo:
            cases, controls = (int(x) for x in f[3].split(":"))
            if best is None or cases > best[0]:
                best = (cases, controls, float(f[9]) / 1000)
    return best


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--gen", default="build/bench-gen")
    ap.add_argument("--report", default="build/velmora-report")
    ap.add_argument("--root", default="/tmp/velmora-tolerance")
    ap.add_argument("--snps", type=int, default=300000)
    ap.add_argument("--seeds", type=int, default=2)
    ap.add_argument("--nulls", type=int, default=10)
    ap.add_argument("--permutations", type=int, default=200)
    ap.add_argument("--rules", default="strict,1/5,1/10,1/20,1/40,2/20")
    ap.add_argument("--default-rule", default="1/20")
    ap.add_argument("--plink-only", action="store_true",
                    help="only the table beside PLINK 1.9 --homozyg group")
    ap.add_argument("--no-nulls", action="store_true", help="leave out the null cohorts")
    args = ap.parse_args()
    os.makedirs(args.root, exist_ok=True)
    out = os.path.join(args.root, f"report-{os.getpid()}")

    if shutil.which("plink1.9"):
        print(f"### Beside PLINK 1.9 --homozyg group ({' '.join(PLINK_HOMOZYG[2:])}), "
              f"planted locus, {args.snps} SNPs, 20 + 20\n")
        print("| error | seed | carriers | PLINK pool at the locus: cases:controls, consensus Mb "
              f"| velmora-report {args.default_rule}: patients, controls, Mb | --strict: patients, controls, Mb |")
        print("|---|---|---|---|---|---|")
        for error in (0, 0.005, 0.01):
            for seed in range(1, args.seeds + 1):
                cdir, info = cohort(args.gen, args.root, args.snps, seed, error, False)
                pool = plink_locus(cdir, info, args.root)
                cells = []
                for rule in (args.default_rule, "strict"):
                    r = locus(report(args.report, cdir, "controls", rule, out, 0), info)
                    cells.append("not found" if r is None else
                                 f"{r['patients_sharing']}, {r['controls_sharing']}, "
                                 f"{(int(r['end_bp']) - int(r['start_bp'])) / 1e6:.2f}")
                plink = "none" if pool is None else f"{pool[0]}:{pool[1]}, {pool[2]:.2f}"
                print(f"| {error * 100:g} % | {seed} | {len(info['founder_sharers'].split())} | "
                      f"{plink} | {cells[0]} | {cells[1]} |", flush=True)
        print()
    if args.plink_only:
        return

    print(f"### Planted locus, {args.snps} SNPs, 20 + 20, cutoff 2 cM, "
          f"{args.permutations} relabellings / null genomes\n")
    print("| error | seed | rule | design | rank | sharing / carriers | not carriers | controls sharing "
          "| length cM | adjusted p | p < 0.05 on other chromosomes |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    for error in (0, 0.005, 0.01):
        for seed in range(1, args.seeds + 1):
            cdir, info = cohort(args.gen, args.root, args.snps, seed, error, False)
            carriers = set(int(x) for x in info["founder_sharers"].split())
            for rule in args.rules.split(","):
                for design in ("controls", "patients only"):
                    regions = report(args.report, cdir, design, rule, out, args.permutations)
                    r = locus(regions, info)
                    # Significant regions away from the founder's chromosome: false findings.
                    others = sum(1 for x in regions if x["chrom"] != info["founder_chromosome"]
                                 and x["adjusted_p"] != "NA" and float(x["adjusted_p"]) < 0.05)
                    if r is None:
                        row = ["not found", f"0 / {len(carriers)}", "-", "-", "-", "-"]
                    else:
                        named = [int(n[1:]) for n in r["patients"].split(",") if n != "-"]
                        row = [r["rank"], f"{r['patients_sharing']} / {len(carriers)}",
                               str(sum(1 for n in named if n not in carriers)),
                               r["controls_sharing"], f"{float(r['length_cM']):.2f}",
                               r["adjusted_p"]]
                    row.append(str(others))
                    print(f"| {error * 100:g} % | {seed} | {rule} | {design} | " + " | ".join(row) + " |",
                          flush=True)

    if args.no_nulls:
        return
    print(f"\n### Null cohorts (no founder), {args.snps} SNPs, 20 + 20, rule {args.default_rule}\n")
    print("| error | design | cohorts | with any adjusted p < 0.05 | smallest adjusted p per cohort |")
    print("|---|---|---|---|---|")
    for error in (0, 0.01):
        for design in ("controls", "patients only"):
            smallest = []
            for seed in range(1, args.nulls + 1):
                cdir, _ = cohort(args.gen, args.root, args.snps, seed, error, True)
                regions = report(args.report, cdir, design, args.default_rule, out, args.permutations)
                ps = [float(r["adjusted_p"]) for r in regions if r["adjusted_p"] != "NA"]
                smallest.append(min(ps) if ps else 1.0)
            hits = sum(1 for p in smallest if p < 0.05)
            print(f"| {error * 100:g} % | {design} | {len(smallest)} | {hits} | "
                  + " ".join(f"{p:.3f}" for p in smallest) + " |", flush=True)


if __name__ == "__main__":
    main()
