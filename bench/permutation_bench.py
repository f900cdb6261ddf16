#!/usr/bin/env python3
"""Label permutation in `make bench`: what 1000 relabellings cost on the
size's cohort, side by side with a plain two-pool velmora run of it; whether
a founder locus of a 20 + 20 cohort comes out with adjusted p <= 0.01; and
how often 20 null cohorts (patients and controls exchangeable, no locus)
get a smallest adjusted p below 0.05. Appends the tables to bench/RESULTS.md.
Standard library only."""

import argparse
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import measure  # noqa: E402
import report  # noqa: E402
import run_bench  # noqa: E402

PERMUTATIONS = 1000
CHECK_SNPS, CHECK_PATIENTS, CHECK_CONTROLS = 50_000, 20, 20
NULL_COHORTS = 20


def log(text):
    print(text, file=sys.stderr, flush=True)


def generate(gen, directory, seed, null):
    if os.path.exists(os.path.join(directory, "cohort.info")):
        return directory
    command = [gen, "--snps", str(CHECK_SNPS), "--patients", str(CHECK_PATIENTS), "--controls",
               str(CHECK_CONTROLS), "--seed", str(seed), "--out", directory]
    if null:
        command += ["--null", "1"]
    m = measure.run(command, capture_stderr=False)
    if m.exit_status != 0:
        sys.exit(f"ERROR: {gen} failed with exit status {m.exit_status}")
    return directory


def regions(report_dir):
    with open(os.path.join(report_dir, "regions.tsv")) as f:
        header = f.readline().rstrip("\n").split("\t")
        return [dict(zip(header, line.rstrip("\n").split("\t"))) for line in f]


def run_report(velmora_report, cohort, out, seed):
    if os.path.exists(out):
        shutil.rmtree(out)
    m = measure.run([velmora_report, os.path.join(cohort, "analysis_two_pools.txt"), "--cutoff",
                     run_bench.CUTOFF_CM, "--out", out, "--permutations", str(PERMUTATIONS),
                     "--seed", str(seed)])
    if m.exit_status != 0:
        sys.exit(f"ERROR: velmora-report failed on {cohort}:\n{m.stderr_text()}")
    return m, regions(out)


def cost_section(args, machine):
    directory = run_bench.ensure_cohort(args.gen, args.cache, args.size, args.seed)
    runs_dir = os.path.join(directory, "runs")
    os.makedirs(runs_dir, exist_ok=True)
    plain, _, _ = run_bench.run_velmora(args.velmora, os.path.join(directory, "analysis_two_pools.txt"),
                                        run_bench.CUTOFF_CM + "\n", args.timeout, runs_dir,
                                        "velmora_two_pools_beside_permutations")
    log(f"Running {PERMUTATIONS} relabellings of size {args.size}")
    perm = measure.run([args.permutation_bench, os.path.join(directory, "analysis_two_pools.txt"),
                        run_bench.CUTOFF_CM, str(PERMUTATIONS)], timeout=args.timeout,
                       stdout_path=os.path.join(runs_dir, "permutations.stdout"))
    with open(os.path.join(runs_dir, "permutations.stdout")) as f:
        figures = dict(line.rstrip("\n").split("\t", 1) for line in f if "\t" in line)
    snps, patients, controls = run_bench.SIZES[args.size]
    ratio = perm.wall / plain.wall if plain.wall > 0 else float("nan")
    return "\n".join([
        f"### Permutations, size {args.size}: {snps:_} SNPs, {patients} + {controls}".replace("_", " "),
        "",
        f"- Machine: {machine['nproc']} × {machine['cpu']}; load average at start {machine['load']}; "
        f"revision {machine['revision']}",
        "",
        "| run | wall (s) | peak RSS (MB) |",
        "|---|---:|---:|",
        f"| velmora, two pools (plain run) | {plain.wall:.2f} | {plain.peak_rss_kb / 1024:.1f} |",
        f"| {PERMUTATIONS} relabellings: load, pooled pairs, relabellings | {perm.wall:.2f} | "
        f"{perm.peak_rss_kb / 1024:.1f} |",
        "",
        f"- Ratio: {ratio:.2f} × the plain run (target ≤ 10 ×, stretch ≤ 3 ×).",
        f"- Split: loading {figures.get('load', '?')}, pooled pairs {figures.get('pooled pairs', '?')} "
        f"(the pooled cohort's own memory), relabellings {figures.get('relabellings', '?')}.",
        "",
    ])


def checks_section(args):
    root = os.path.join(args.cache, "permutation-checks")
    os.makedirs(root, exist_ok=True)
    founder_dir = generate(args.gen, os.path.join(root, "founder-1"), 1, False)
    info = run_bench.read_info(founder_dir)
    chromosome = int(info["founder_chromosome"])
    core = [float(x) for x in info["founder_core_cM"].split("\t")]
    log("Power: the founder cohort")
    _, found = run_report(args.velmora_report, founder_dir, os.path.join(root, "founder-1-report"), 1)
    at_locus = [r for r in found if int(r["chrom"]) == chromosome and float(r["start_cM"]) <= core[1]
                and float(r["end_cM"]) >= core[0]]
    best_locus = min(at_locus, key=lambda r: float(r["adjusted_p"])) if at_locus else None

    smallest = []
    for seed in range(1, NULL_COHORTS + 1):
        log(f"Calibration: null cohort {seed}")
        directory = generate(args.gen, os.path.join(root, f"null-{seed}"), seed, True)
        _, found = run_report(args.velmora_report, directory, os.path.join(root, f"null-{seed}-report"),
                              seed)
        smallest.append(min((float(r["adjusted_p"]) for r in found), default=1.0))
    below = sum(p < 0.05 for p in smallest)
    lines = [
        f"### Permutations: power and calibration ({CHECK_SNPS:_} SNPs, {CHECK_PATIENTS} + "
        f"{CHECK_CONTROLS}, {PERMUTATIONS} relabellings each, cutoff {run_bench.CUTOFF_CM} cM)".replace("_", " "),
        "",
    ]
    founder_sharers = len(info.get("founder_sharers", "").split())
    if best_locus:
        lines.append(f"- Power: founder locus (chromosome {chromosome}, core {core[0]:.1f}–{core[1]:.1f} cM, "
                     f"{founder_sharers} of {CHECK_PATIENTS} patients) is rank {best_locus['rank']}, "
                     f"−log10 p {best_locus['minus_log10_p']} ({best_locus['comparison']}), "
                     f"adjusted p {best_locus['adjusted_p']} (target ≤ 0.01).")
    else:
        lines.append(f"- Power: no region at the founder locus (chromosome {chromosome}).")
    lines.append(f"- Calibration: {below} of {NULL_COHORTS} null cohorts have a smallest adjusted p "
                 f"below 0.05 (target at most 3); smallest adjusted p per cohort: "
                 + ", ".join(f"{p:.3f}" for p in smallest) + ".")
    lines.append("")
    return "\n".join(lines)


def main():
    default_cache = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"),
                                 "velmora-bench")
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--size", choices=sorted(run_bench.SIZES), default="S")
    p.add_argument("--seed", type=int, default=1)
    build = os.path.join(run_bench.REPO, "build")
    p.add_argument("--velmora", default=os.path.join(build, "velmora"))
    p.add_argument("--velmora-report", default=os.path.join(build, "velmora-report"))
    p.add_argument("--permutation-bench", default=os.path.join(build, "permutation_bench"))
    p.add_argument("--gen", default=os.path.join(build, "bench-gen"))
    p.add_argument("--cache", default=default_cache)
    p.add_argument("--timeout", type=float, default=3600.0)
    p.add_argument("--results", default=os.path.join(run_bench.BENCH_DIR, "RESULTS.md"))
    p.add_argument("--no-append", action="store_true")
    p.add_argument("--skip-checks", action="store_true", help="measure the cost only")
    args = p.parse_args()
    for name in ("velmora", "velmora_report", "permutation_bench", "gen"):
        path = os.path.abspath(getattr(args, name))
        if not os.access(path, os.X_OK):
            sys.exit(f"ERROR: {path} is missing; `make bench` builds it")
        setattr(args, name, path)
    machine = report.machine_description(run_bench.REPO, args.velmora)
    section = cost_section(args, machine)
    if not args.skip_checks:
        section += "\n" + checks_section(args)
    print(section)
    if not args.no_append:
        report.append_results(args.results, section)
        log(f"Appended to {args.results}")


if __name__ == "__main__":
    main()
