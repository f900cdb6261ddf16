#!/usr/bin/env python3
"""Benchmark runner behind `make bench`: generates (or reuses) a cohort of the
chosen size, runs velmora on its two-pool and patients-only analysis files,
the I/O floor of each run, and PLINK 1.9 `--homozyg group` from .ped text and
from the binary fileset; prints the tables and appends them to
bench/RESULTS.md. Standard library only."""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import measure  # noqa: E402
import report  # noqa: E402
import velmora_phases  # noqa: E402

SIZES = {
    "S": (50_000, 20, 20),
    "M": (300_000, 100, 100),
    "L": (600_000, 300, 300),
}
# `--size growth`: velmora's two-pool run at growing patient counts (and as
# many controls) at 600 000 SNPs, and at growing SNP counts for 300 + 300.
# Each point is (SNPs, patients, controls); `--points` picks some of them.
GROWTH_POINTS = {
    "600k-20": (600_000, 20, 20),
    "600k-100": (600_000, 100, 100),
    "600k-300": (600_000, 300, 300),
    "600k-1000": (600_000, 1000, 1000),
    "300k-300": (300_000, 300, 300),
    "1200k-300": (1_200_000, 300, 300),
}
CUTOFF_CM = "2"
QUERY_LINE_LIMIT = 254  # velmora reads at most this many characters of a query line
# The query names its figure pieces HH_RCHHsSharedByNNN_stNNN..._stNNN.ps_chrNNN,
# one file name that has to fit in the file system's name limit.
QUERY_NAME_FIXED = len("HH_RCHHsSharedBy000") + len(".ps_chr000")
QUERY_NAME_PER_SUBJECT = len("_st000")

# PLINK's runs of homozygosity set close to velmora's RCHH rule: at least
# 1600 kb (2 cM at the cohort's ~1.25 cM/Mb), broken by a gap of 300 kb
# (velmora's large gap), at most one SNP per 300 kb on average, and at least
# 20 SNPs so that the sparse size S still has runs; the scanning window
# (20 SNPs, 1 heterozygous and 5 missing calls allowed, hit rate 0.05) is
# PLINK's default apart from its length.
PLINK_HOMOZYG = ["--homozyg", "group", "--homozyg-kb", "1600", "--homozyg-snp", "20",
                 "--homozyg-window-snp", "20", "--homozyg-gap", "300", "--homozyg-density", "300"]

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(BENCH_DIR)


def log(text):
    print(text, file=sys.stderr, flush=True)


def ensure_program(path, package):
    """Installs the Debian package that provides path when it is missing."""
    if shutil.which(path):
        return True
    log(f"{path} is missing: installing the Debian package {package}")
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    for command in (sudo + ["apt-get", "install", "-y", package],
                    sudo + ["apt-get", "update"],
                    sudo + ["apt-get", "install", "-y", package]):
        subprocess.run(command, env=env, check=False)
        if shutil.which(path):
            return True
    log(f"WARNING: {package} could not be installed")
    return False


def generator_stamp(params):
    """Changes when the generator's sources or the parameters change, so that
    a cached cohort from an older generator is not reused."""
    h = hashlib.sha256(repr(params).encode())
    gen_dir = os.path.join(BENCH_DIR, "gen")
    for name in sorted(os.listdir(gen_dir)):
        with open(os.path.join(gen_dir, name), "rb") as f:
            h.update(name.encode() + f.read())
    return h.hexdigest()


def ensure_cohort(gen, cache_root, size, seed, shape=None):
    snps, patients, controls = shape or SIZES[size]
    directory = os.path.join(cache_root, f"{size}-{seed}")
    stamp = generator_stamp((snps, patients, controls, seed))
    stamp_path = os.path.join(directory, "generator.stamp")
    info_path = os.path.join(directory, "cohort.info")
    if os.path.exists(info_path) and os.path.exists(stamp_path) and open(stamp_path).read() == stamp:
        log(f"Using the cached cohort in {directory}")
        return directory
    log(f"Generating {snps} SNPs, {patients} patients and {controls} controls into {directory}")
    if os.path.exists(stamp_path):
        os.remove(stamp_path)
    m = measure.run([gen, "--snps", str(snps), "--patients", str(patients), "--controls", str(controls),
                     "--seed", str(seed), "--out", directory], capture_stderr=False)
    if m.exit_status != 0:
        sys.exit(f"ERROR: {gen} failed with exit status {m.exit_status}")
    log(f"Generated in {m.wall:.1f} s")
    with open(stamp_path, "w") as f:
        f.write(stamp)
    return directory


def read_info(directory):
    info = {}
    with open(os.path.join(directory, "cohort.info")) as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("\t")
            info[key] = value
    return info


def query_line(sharers, output_dir):
    """The founder sharers, as many as fit in one query line and in the name
    of the query's output files."""
    name_max = os.pathconf(output_dir, "PC_NAME_MAX")
    most = (name_max - QUERY_NAME_FIXED) // QUERY_NAME_PER_SUBJECT
    chosen = []
    for number in sharers[:most]:
        if len(" ".join(chosen + [number])) > QUERY_LINE_LIMIT:
            break
        chosen.append(number)
    return " ".join(chosen)


def analysis_inputs(path):
    """Input files named by an analysis file, and its output directory."""
    inputs, output = [path], None
    with open(path) as f:
        lines = [line.strip() for line in f]
    label = None
    for line in lines:
        if line.startswith(":"):
            label = line
            continue
        if not line:
            continue
        if label == "::output directory":
            output = line
        elif label in ("::annotation file", "::patient pool", "::control pool"):
            inputs.append(line)
    return inputs, output


def clear_directory(path):
    for name in os.listdir(path):
        full = os.path.join(path, name)
        if os.path.isdir(full):
            shutil.rmtree(full)
        else:
            os.remove(full)


def run_velmora(velmora, analysis, stdin_text, timeout, runs_dir, name):
    inputs, output = analysis_inputs(analysis)
    os.makedirs(output, exist_ok=True)
    clear_directory(output)
    log(f"Running velmora: {name}")
    m = measure.run([velmora, analysis], stdin_text, timeout=timeout,
                    stdout_path=os.path.join(runs_dir, name + ".stdout"))
    with open(os.path.join(runs_dir, name + ".stderr"), "wb") as f:
        for _, chunk in m.stderr_chunks:
            f.write(chunk)
    if m.timed_out:
        log(f"  timed out after {timeout:.0f} s")
    elif m.exit_status != 0:
        log(f"  WARNING: exit status {m.exit_status}; see {runs_dir}/{name}.stderr")
    else:
        log(f"  {m.wall:.2f} s")
    phases = velmora_phases.split(m.stderr_chunks, m.wall)
    with open(os.path.join(runs_dir, name + ".milestones.tsv"), "w") as f:
        for t, line in velmora_phases.milestones(m.stderr_chunks):
            f.write(f"{t:.3f}\t{line}\n")

    # The floor: read every input once, write as many bytes as velmora wrote.
    floor_file = os.path.join(output, "io_floor.bin")
    floor = measure.run(["sh", "-c", 'n=$1; out=$2; shift 2; cat -- "$@" > /dev/null && head -c "$n" /dev/zero > "$out"',
                         "sh", str(m.written_bytes), floor_file, *inputs], capture_stderr=False)
    os.remove(floor_file)
    # Report what the floor stands for rather than the shell's own counts
    # (which add cat's writes to /dev/null and head's reads of /dev/zero).
    floor.read_bytes = sum(os.path.getsize(path) for path in inputs)
    floor.written_bytes = m.written_bytes
    log(f"  I/O floor {floor.wall:.2f} s")
    return m, phases, floor


def run_report(report_program, arguments, runs_dir, name, timeout):
    """velmora-report, the command a user types, into a fresh directory."""
    out_dir = os.path.join(runs_dir, name)
    if os.path.isdir(out_dir):
        shutil.rmtree(out_dir)
    command = [report_program, *arguments, "--cutoff", CUTOFF_CM, "--out", out_dir]
    log(f"Running velmora-report: {' '.join(command)}")
    m = measure.run(command, timeout=timeout, stdout_path=os.path.join(runs_dir, name + ".stdout"),
                    capture_stderr=False, stderr_path=os.path.join(runs_dir, name + ".stderr"))
    log(f"  {_status(m)}")
    return m


def run_plink(stem_option, stem, runs_dir, name, timeout):
    out_dir = os.path.join(runs_dir, name)
    if os.path.isdir(out_dir):
        shutil.rmtree(out_dir)
    os.makedirs(out_dir)
    command = ["plink1.9", stem_option, stem, *PLINK_HOMOZYG, "--out", os.path.join(out_dir, "cohort")]
    log(f"Running PLINK 1.9: {' '.join(command)}")
    m = measure.run(command, timeout=timeout, stdout_path=os.path.join(out_dir, "stdout.txt"),
                    capture_stderr=False, stderr_path=os.path.join(out_dir, "stderr.txt"))
    log(f"  {_status(m)}")
    return m


def _status(m):
    if m.timed_out:
        return f"timed out after {m.timeout:.0f} s"
    return f"{m.wall:.2f} s, exit status {m.exit_status}"


def plink_version():
    try:
        out = subprocess.run(["plink1.9", "--version"], capture_output=True, text=True).stdout.strip()
        return out or "PLINK 1.9"
    except OSError:
        return "not installed"


def pool_lists(path):
    """Subject file names of each pool of an analysis file."""
    pools, label = {"::patient pool": [], "::control pool": []}, None
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith(":"):
                label = line
            elif line and label in pools:
                pools[label].append(line)
    return list(pools.values())


def estimated_pair_file_bytes(analysis, slots=22):
    """velmora's own room check before the pair files (estimatedPairFileBytes
    in src/driver/output_directory.cpp): the rows of the largest pool's pairs
    on every analysed chromosome at once."""
    largest = 0
    for files in pool_lists(analysis):
        n = len(files)
        if n == 0:
            continue
        longest = max(len(os.path.basename(name)) for name in files)
        row_bytes = 2 * len(str(n)) + 4 + 90 + 2 * longest
        largest = max(largest, max(n * (n - 1) // 2, n) * row_bytes)
    return largest * slots


def run_growth(args, velmora, machine):
    chosen = args.points.split(",") if args.points else list(GROWTH_POINTS)
    for name in chosen:
        if name not in GROWTH_POINTS:
            sys.exit(f"ERROR: no growth point {name}; choose from {', '.join(GROWTH_POINTS)}")
    rows = []
    for name in chosen:
        snps, patients, controls = GROWTH_POINTS[name]
        directory = ensure_cohort(os.path.abspath(args.gen), args.cache, f"growth-{name}", args.seed,
                                  (snps, patients, controls))
        runs_dir = os.path.join(directory, "runs")
        os.makedirs(runs_dir, exist_ok=True)
        analysis = os.path.join(directory, "analysis_two_pools.txt")
        m, _, floor = run_velmora(velmora, analysis, CUTOFF_CM + "\n", args.timeout, runs_dir,
                                  "velmora_two_pools")
        rows.append((snps, patients, controls, m, floor, estimated_pair_file_bytes(analysis)))
        if args.drop_cohorts:
            shutil.rmtree(directory)
    section = "\n".join([
        f"## Growth: velmora's two-pool run, seed {args.seed}",
        "",
        f"- Machine: {machine['nproc']} × {machine['cpu']}, {machine['memory']}, Linux {machine['kernel']}; "
        f"load average at start {machine['load']}",
        f"- Date: {machine['date']}; revision {machine['revision']}; velmora binary {machine['binary']}",
        f"- velmora: cutoff {CUTOFF_CM} cM; points run: {', '.join(chosen)}",
        "",
        report.growth_table(rows),
        "",
    ])
    print(section)
    if not args.no_append:
        report.append_results(args.results, section)
        log(f"Appended to {args.results}")


def main():
    default_cache = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "velmora-bench")
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--size", choices=sorted(SIZES) + ["growth"], default="S",
                   help="a cohort size, or growth for the table of growing cohorts")
    p.add_argument("--points", default="",
                   help="with --size growth: comma-separated points to run "
                        f"(default all: {','.join(GROWTH_POINTS)})")
    p.add_argument("--drop-cohorts", action="store_true",
                   help="with --size growth: delete each cohort after its run (they take many GB)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--velmora", default=os.path.join(REPO, "build", "velmora"))
    p.add_argument("--gen", default=os.path.join(REPO, "build", "bench-gen"))
    p.add_argument("--cache", default=default_cache, help="where cohorts are kept (default %(default)s)")
    p.add_argument("--timeout", type=float, default=1200.0,
                   help="seconds after which a velmora or PLINK run is stopped and recorded as timed out")
    p.add_argument("--results", default=os.path.join(BENCH_DIR, "RESULTS.md"))
    p.add_argument("--no-append", action="store_true", help="print the tables only")
    args = p.parse_args()

    for program in (args.velmora, args.gen):
        if not os.access(program, os.X_OK):
            sys.exit(f"ERROR: {program} is missing; `make bench` builds it")
    velmora = os.path.abspath(args.velmora)
    if not ensure_program("/usr/bin/time", "time"):
        sys.exit("ERROR: GNU time (/usr/bin/time) is needed to measure peak RSS")
    have_plink = ensure_program("plink1.9", "plink1.9")
    machine = report.machine_description(REPO, velmora)
    if args.size == "growth":
        run_growth(args, velmora, machine)
        return

    directory = ensure_cohort(os.path.abspath(args.gen), args.cache, args.size, args.seed)
    info = read_info(directory)
    runs_dir = os.path.join(directory, "runs")
    os.makedirs(runs_dir, exist_ok=True)

    sharers = info.get("founder_sharers", "").split()
    query = query_line(sharers, os.path.join(directory, "out_patients_only"))
    two_pools = run_velmora(velmora, os.path.join(directory, "analysis_two_pools.txt"), CUTOFF_CM + "\n",
                            args.timeout, runs_dir, "velmora_two_pools")
    patients_only = run_velmora(velmora, os.path.join(directory, "analysis_patients_only.txt"),
                                f"{CUTOFF_CM}\n{query}\n\n", args.timeout, runs_dir, "velmora_patients_only")
    # The front door: the report straight from the .bed, and from the
    # analysis file of velmora's run above.
    report_program = os.path.join(os.path.dirname(velmora), "velmora-report")
    report_bed = report_analysis = None
    if os.access(report_program, os.X_OK):
        report_bed = run_report(report_program, ["--plink", os.path.join(directory, "cohort")],
                                runs_dir, "report_bed", args.timeout)
        report_analysis = run_report(report_program, [os.path.join(directory, "analysis_two_pools.txt")],
                                     runs_dir, "report_analysis", args.timeout)
    plink_ped = plink_bed = None
    if have_plink:
        plink_ped = run_plink("--file", os.path.join(directory, "cohort"), runs_dir, "plink_ped", args.timeout)
        plink_bed = run_plink("--bfile", os.path.join(directory, "cohort"), runs_dir, "plink_bed", args.timeout)

    snps, patients, controls = SIZES[args.size]
    rows = [
        ("velmora, two pools", two_pools[0], two_pools[2], True),
        ("velmora, patients only + query", patients_only[0], patients_only[2], True),
        ("velmora-report --plink (the .bed to report.html)", report_bed, None, True),
        ("velmora-report on the two-pool analysis file", report_analysis, None, True),
        ("I/O floor of the two-pool run", two_pools[2], None, False),
        ("I/O floor of the patients-only run", patients_only[2], None, False),
        ("PLINK 1.9 --homozyg group, .ped/.map", plink_ped, None, False),
        ("PLINK 1.9 --homozyg group, .bed/.bim/.fam", plink_bed, None, False),
    ]
    section = "\n".join([
        f"## Size {args.size}: {snps:_} SNPs, {patients} patients + {controls} controls, seed {args.seed}".replace("_", " "),
        "",
        f"- Machine: {machine['nproc']} × {machine['cpu']}, {machine['memory']}, Linux {machine['kernel']}; "
        f"load average at start {machine['load']}",
        f"- Date: {machine['date']}; revision {machine['revision']}; velmora binary {machine['binary']}",
        f"- velmora: cutoff {CUTOFF_CM} cM; the patients-only run queries patients {query} "
        f"({len(query.split())} of the {len(sharers)} founder sharers: as many as fit in one query line "
        f"and in the name of the query's files), then ends",
        f"- {plink_version()}: `{' '.join(PLINK_HOMOZYG)}`",
        "",
        report.runs_table(rows, plink_ped, plink_bed),
        "",
        report.phases_table([("two pools", two_pools[1], two_pools[0]),
                             ("patients only", patients_only[1], patients_only[0])]),
        "",
        report.front_door_lines(report_analysis, two_pools[0], runs_dir),
        "",
    ])
    print(section)
    if not args.no_append:
        report.append_results(args.results, section)
        log(f"Appended to {args.results}")


if __name__ == "__main__":
    main()
