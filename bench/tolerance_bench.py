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
import subprocess


def cohort(gen, root, snps, seed, error, null):
    tag = f"{'null' if null else 'plant'}-{snps}-s{seed}-e{error}"
    out = os.path.join(root, tag)
    if not os.path.exists(os.path.join(out, "cohort.info")):
        cmd = [gen, "--snps", str(snps), "--patients", "20", "--controls", "20",
               "--seed", str(seed), "--error", str(error), "--out", out]
        if null:
            cmd += ["--null", "1"]
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    info = {}
    for line in open(os.path.join(out, "cohort.info")):
        key, _, value = line.rstrip("\n").partition("\t")
        info[key] = value
    return out, info


def report(rep, cohort_dir, design, rule, out, permutations):
    analysis = os.path.join(cohort_dir, "analysis_two_pools.txt" if design == "controls"
                            else "analysis_patients_only.txt")
    cmd = [rep, analysis, "--cutoff", "2", "--out", out, "--permutations", str(permutations)]
    cmd += ["--strict"] if rule == "strict" else ["--tolerance", rule]
    subprocess.run(["rm", "-rf", out], check=True)
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    lines = open(os.path.join(out, "regions.tsv")).read().splitlines()
    head = lines[0].split("\t")
    return [dict(zip(head, l.split("\t"))) for l in lines[1:]]


def locus(regions, info):
    chrom = info["founder_chromosome"]
    lo, hi = (float(x) for x in info["founder_core_cM"].split("\t"))
    for r in regions:
        if r["chrom"] == chrom and float(r["start_cM"]) <= hi and float(r["end_cM"]) >= lo:
            return r
    return None


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
    args = ap.parse_args()
    os.makedirs(args.root, exist_ok=True)
    out = os.path.join(args.root, "report")

    print(f"### Planted locus, {args.snps} SNPs, 20 + 20, cutoff 2 cM, "
          f"{args.permutations} relabellings / null genomes\n")
    print("| error | seed | rule | design | rank | sharing / carriers | not carriers | controls sharing "
          "| length cM | adjusted p | other regions p < 0.05 |")
    print("|---|---|---|---|---|---|---|---|---|---|---|")
    for error in (0, 0.005, 0.01):
        for seed in range(1, args.seeds + 1):
            cdir, info = cohort(args.gen, args.root, args.snps, seed, error, False)
            carriers = set(int(x) for x in info["founder_sharers"].split())
            for rule in args.rules.split(","):
                for design in ("controls", "patients only"):
                    regions = report(args.report, cdir, design, rule, out, args.permutations)
                    r = locus(regions, info)
                    others = sum(1 for x in regions if x is not r and x["adjusted_p"] != "NA"
                                 and float(x["adjusted_p"]) < 0.05)
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
