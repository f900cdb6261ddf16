"""Splits a velmora run into phases from the arrival times of the milestone
lines on its standard error; velmora itself is not changed or instrumented.

A phase runs from one milestone to the next. Inside a pass, the pair loop of
a chromosome is told from the work around it (fold-overlap levels, summary
file, per-chromosome reports, representative HH, unpacking the next
chromosome) by the progress lines "chromosome C: K/10 completed.": the first
tenth is printed after about a tenth of the pairs, so the loop is taken to
start one ninth of the first-to-last-tenth time before the first tenth."""

import bisect
import re

MILESTONES = re.compile(
    r"(?P<regions>Number of regions \d+\n)"
    r"|(?P<dbsnp>A total of \d+ SNPs failed to find dbSNP rs ID\n)"
    r"|(?P<pass>\n\n(?P<pool>PatientPool|ControlPool)\n)"
    r"|(?P<progress>\nchromosome (?P<chr>\d+): (?P<tenth>\d+)/10 completed\.)"
    r"|(?P<completed>\nCompleted\.\n)"
    r"|(?P<writing>Writing (?P<file>[^\n]*)\n)"
    r"|(?P<rep>\nRepresentative: (?P<reppool>PatientPool|ControlPool)\n)"
    r"|(?P<prompt>\nInput the numbers for the subjects)"
    r"|(?P<row>\n\(\d+,(?:\d+|representative)\)\t)"
    r"|(?P<end>\nCompleted!\n)"
)

# Phase names in the order the report lists them.
PHASES = [
    "annotation",
    "genotypes",
    "PatientPool pass: pairs",
    "PatientPool pass: levels + reports",
    "ControlPool pass: pairs",
    "ControlPool pass: levels + reports",
    "representative pass PatientPool",
    "representative pass ControlPool",
    "comparison",
    "query: pairs",
    "query: levels, reports, pair table, figure",
    "writing",
]


class _Timeline:
    def __init__(self, chunks):
        self.ends = []
        self.times = []
        offset = 0
        for t, chunk in chunks:
            offset += len(chunk)
            self.ends.append(offset)
            self.times.append(t)

    def at(self, offset):
        """Arrival time of the byte at offset."""
        i = bisect.bisect_right(self.ends, offset)
        return self.times[min(i, len(self.times) - 1)] if self.times else 0.0


def milestones(chunks):
    """(arrival time, milestone text) of every milestone, for looking into a
    run by hand: the runner keeps them next to the standard error."""
    text = b"".join(c for _, c in chunks).decode("latin-1")
    timeline = _Timeline(chunks)
    return [(timeline.at(m.end() - 1), m.group(0).strip()) for m in MILESTONES.finditer(text)]


def _split_loop(start, stop, progress):
    """Pair-loop seconds of a pass from start to stop, given its progress
    events [(chromosome, tenth, time)]; the rest of the pass is the work
    around the loops."""
    by_chr = {}
    for chromosome, tenth, t in progress:
        by_chr.setdefault(chromosome, []).append((tenth, t))
    loops = 0.0
    boundary = start
    for chromosome in sorted(by_chr, key=lambda c: by_chr[c][0][1]):
        events = by_chr[chromosome]
        first_tenth, first_t = events[0]
        last_t = events[-1][1]
        per_tenth = (last_t - first_t) / max(1, events[-1][0] - first_tenth)
        loop_start = max(boundary, first_t - per_tenth * first_tenth)
        loops += last_t - loop_start
        boundary = last_t
    return min(loops, stop - start)


def split(chunks, wall):
    """Seconds per phase (dict over PHASES) of a run whose standard error
    arrived as chunks [(seconds since start, bytes)] and that ended at wall."""
    text = b"".join(c for _, c in chunks).decode("latin-1")
    timeline = _Timeline(chunks)
    totals = dict.fromkeys(PHASES, 0.0)

    state = "annotation"
    since = 0.0
    progress = []          # progress events of the current pass or query turn
    last_dbsnp = None      # end of the genotype reports: the HH summary files follow
    last_rep_file = None   # the representative file, then the pool comparison
    last_row = None        # last pair-table row after a representative pass
    prompts = 0

    def close(now, label=None):
        nonlocal since
        totals[label or state] += max(0.0, now - since)
        since = now

    def close_pass(now, pool_label):
        loops = _split_loop(since, now, progress)
        totals[pool_label + ": pairs"] += loops
        totals[pool_label + ": levels + reports"] += (now - since) - loops

    for m in MILESTONES.finditer(text):
        # The last character is always part of the milestone's own write; a
        # leading line end may belong to the line before.
        t = timeline.at(m.end() - 1)
        kind = next(k for k in ("regions", "dbsnp", "pass", "progress", "completed", "writing", "rep",
                                "prompt", "row", "end") if m.group(k) is not None)
        if kind == "regions" and state == "annotation":
            close(t)
            state = "genotypes"
        elif kind == "dbsnp" and state == "genotypes":
            last_dbsnp = t
        elif kind == "pass":
            if state == "genotypes" and last_dbsnp is not None:
                close(last_dbsnp)
                close(t, "writing")  # the HH summary files
            else:
                close(t)
            state = "pass " + m.group("pool")
            progress = []
        elif kind == "progress" and (state.startswith("pass ") or state.startswith("representative ")
                                     or state == "query"):
            progress.append((int(m.group("chr")), int(m.group("tenth")), t))
        elif kind == "completed" and state.startswith("pass "):
            close_pass(t, state[5:] + " pass")
            since = t
            state = "writing"
        elif kind == "completed" and state.startswith("representative "):
            close(t)
            state = "after representative"
            last_row = None
        elif kind == "completed" and state == "query":
            loops = _split_loop(since, t, progress)
            totals["query: pairs"] += loops
            totals["query: levels, reports, pair table, figure"] += (t - since) - loops
            since = t
            state = "query tail"
        elif kind == "writing" and state == "writing" and m.group("file").endswith("HH_Representative_PatientPool.txt"):
            last_rep_file = t
        elif kind == "row" and state == "after representative":
            last_row = t
        elif kind == "rep":
            _close_before_rep(close, state, last_rep_file, last_row, t)
            state = "representative pass " + m.group("reppool")
            progress = []
        elif kind == "prompt":
            prompts += 1
            if state == "query tail":
                close(t, "query: levels, reports, pair table, figure")
            else:
                close(t)
            state = "query" if prompts == 1 else "query end"
            progress = []
        elif kind == "end":
            if state == "after representative":
                _close_before_rep(close, state, last_rep_file, last_row, t)
            elif state in ("query end", "query tail"):
                close(t, "query: levels, reports, pair table, figure")
            else:
                close(t)
            state = "writing"  # removal of the temporary pair files
    if state == "after representative":
        _close_before_rep(close, state, last_rep_file, last_row, wall)
    elif state.startswith("pass "):
        close_pass(wall, state[5:] + " pass")
    elif state in ("query", "query tail", "query end"):
        close(wall, "query: levels, reports, pair table, figure" if state != "query" else "query: pairs")
    elif state in totals:
        close(wall)
    else:
        close(wall, "writing")
    return totals


def _close_before_rep(close, state, last_rep_file, last_row, t):
    if state == "writing" and last_rep_file is not None:
        # After the control pass: writing, then the representative file and
        # the pool comparison, which prints nothing of its own.
        close(last_rep_file, "writing")
        close(t, "comparison")
    elif state == "after representative":
        # Pair table, then the pool figures and the comparison.
        if last_row is not None:
            close(last_row, "writing")
        close(t, "comparison")
    elif state.startswith("representative "):
        close(t, state)
    else:
        close(t, state if state in PHASES else "writing")
