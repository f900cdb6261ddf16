"""Formats the benchmark results: the machine description, the table of
runs with their ratios, and velmora's phases; appends them to RESULTS.md."""

import datetime
import os
import platform
import subprocess

from velmora_phases import PHASES


def machine_description(repo, velmora):
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = "unknown"
    try:
        with open("/proc/meminfo") as f:
            for line in f:
                if line.startswith("MemTotal:"):
                    memory = f"{int(line.split()[1]) / 1024 / 1024:.1f} GiB"
                    break
    except OSError:
        pass

    def git(*args):
        try:
            return subprocess.run(["git", "-C", repo, *args], capture_output=True, text=True,
                                  check=True).stdout.strip()
        except (OSError, subprocess.CalledProcessError):
            return ""

    revision = git("rev-parse", "--short", "HEAD") or "unknown"
    if git("status", "--porcelain", "--untracked-files=no", "--", "src", "tools"):
        revision += " with uncommitted changes in src/ or tools/"
    try:
        with open("/proc/loadavg") as f:
            load = " ".join(f.read().split()[:3])
    except OSError:
        load = "unknown"
    built = datetime.datetime.fromtimestamp(os.path.getmtime(velmora), datetime.timezone.utc)
    return {
        "binary": f"{velmora} built {built.strftime('%Y-%m-%d %H:%M UTC')}",
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "nproc": str(os.cpu_count()),
        "cpu": cpu,
        "memory": memory,
        "kernel": platform.release(),
        "revision": revision,
        "load": load,
    }


def _seconds(m):
    if m is None:
        return "not run"
    if m.timed_out:
        return f"timed out after {m.timeout:.0f} s"
    if m.exit_status != 0:
        return f"{m.wall:.2f} (exit status {m.exit_status})"
    return f"{m.wall:.2f}"


def _ratio(numerator, denominator):
    if numerator is None or denominator is None or denominator.wall <= 0 or denominator.exit_status != 0:
        return "–"
    if numerator.timed_out:
        return f"> {numerator.timeout / denominator.wall:.1f}"
    if numerator.exit_status != 0:
        return "–"
    return f"{numerator.wall / denominator.wall:.2f}"


def _mb(n):
    return f"{n / 1e6:.1f}"


def runs_table(rows, plink_ped, plink_bed):
    """rows: [(label, measurement, floor measurement or None, is velmora)]."""
    lines = [
        "| Run | Wall (s) | Peak RSS (MB) | Read (MB) | Written (MB) | ÷ PLINK .ped | ÷ PLINK .bed | ÷ I/O floor |",
        "|---|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for label, m, floor, is_velmora in rows:
        if m is None:
            lines.append(f"| {label} | not run | | | | | | |")
            continue
        ped = _ratio(m, plink_ped) if is_velmora else "–"
        bed = _ratio(m, plink_bed) if is_velmora else "–"
        io = ("–" if floor is None or m.timed_out else _ratio(m, floor)) if is_velmora else "–"
        lines.append(f"| {label} | {_seconds(m)} | {m.peak_rss_kb / 1024:.1f} | {_mb(m.read_bytes)} | "
                     f"{_mb(m.written_bytes)} | {ped} | {bed} | {io} |")
    return "\n".join(lines)


def front_door_lines(report_run, velmora_run, runs_dir):
    """The report from an analysis file beside velmora alone, and where the
    report's time went (its own account on standard error)."""
    if report_run is None:
        return "- velmora-report was not run"
    lines = [f"- velmora-report on the analysis file ÷ velmora alone: {_ratio(report_run, velmora_run)}"]
    for name in ("report_bed", "report_analysis"):
        try:
            with open(os.path.join(runs_dir, name + ".stderr")) as f:
                steps = [line.strip()[len("velmora-report: "):] for line in f
                         if line.startswith("velmora-report: ") and (" in " in line or "took" in line)]
        except OSError:
            continue
        if steps:
            lines.append(f"- {name}: " + "; ".join(steps))
    return "\n".join(lines)


def growth_table(rows):
    """rows: [(snps, patients, controls, measurement, floor, pair file estimate in bytes)]."""
    lines = [
        "| SNPs | Patients + controls | Wall (s) | Peak RSS (MB) | Written (MB) | ÷ I/O floor | "
        "Pair files, velmora's estimate (MB) |",
        "|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for snps, patients, controls, m, floor, pair_bytes in rows:
        io = "–" if floor is None or m.timed_out else _ratio(m, floor)
        lines.append(f"| {snps:_} | {patients} + {controls} | {_seconds(m)} | {m.peak_rss_kb / 1024:.1f} | "
                     f"{_mb(m.written_bytes)} | {io} | {_mb(pair_bytes)} |".replace("_", " "))
    return "\n".join(lines)


def phases_table(columns):
    """columns: [(label, phases dict or None, measurement)]."""
    head = "| velmora phase (s) | " + " | ".join(label for label, _, _ in columns) + " |"
    lines = [head, "|---|" + "---:|" * len(columns)]
    for phase in PHASES:
        cells = []
        used = False
        for _, phases, _ in columns:
            value = phases.get(phase, 0.0) if phases else 0.0
            used = used or value > 0.0005
            cells.append(f"{value:.2f}" if phases else "–")
        if used:
            lines.append(f"| {phase} | " + " | ".join(cells) + " |")
    lines.append("| **wall** | " + " | ".join(_seconds(m) for _, _, m in columns) + " |")
    return "\n".join(lines)


RESULTS_HEADER = """# Benchmark results

Appended by `make bench` (bench/run_bench.py); newest last. Figures are from one
run each, on whatever else the machine was doing at the time (the load average
is recorded); the input files are in the page cache, as they are after
generation, for every program alike.

What the columns mean:

- **Wall (s)**: elapsed time from starting the program to its exit.
- **Peak RSS (MB)**: the program's maximum resident set size, as GNU time
  (`/usr/bin/time -f %M`) reports it.
- **Read / Written (MB)**: bytes the process passed through read and write calls
  (/proc/PID/io rchar and wchar), standard error and temporary files included.
- **÷ PLINK .ped / .bed**: the run's wall time divided by that of PLINK 1.9
  `--homozyg group` on the same cohort from .ped/.map text or from the binary
  .bed/.bim/.fam fileset.
- **÷ I/O floor**: the run's wall time divided by that of its I/O floor: one plain
  read of every input file of the run (`cat > /dev/null`) plus writing as many
  bytes as the run wrote (`head -c N /dev/zero`) into its output directory.
- **velmora phase (s)**: velmora's time per phase, taken from outside by
  timestamping its standard-error milestones as they arrive through a pipe:
  *annotation* from the start to "Number of regions" (includes the analysis file
  and region set-up); *genotypes* to the last genotype report of the last pool;
  a pool pass from "\\n\\nPatientPool" (or ControlPool) to its "Completed.", split
  into *pairs* (the pair loops, located by the "chromosome C: K/10 completed."
  lines) and *levels + reports* (fold-overlap levels, per-chromosome summary
  files and reports, representative HH, unpacking genotypes);
  *representative pass* from "Representative: …" to its "Completed.";
  *comparison* the representative file and the pool comparison after the
  control pass, and the pool figures and comparison after each representative
  pass (velmora prints nothing between them); *query* from the first prompt to
  the second, split like a pass; *writing* the HH summary files, pair tables,
  whole-genome merges and figures, and removing the temporary files at the end.
"""


def append_results(path, text):
    new = not os.path.exists(path)
    with open(path, "a") as f:
        if new:
            f.write(RESULTS_HEADER)
        f.write("\n" + text)
