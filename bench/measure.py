"""Runs one child process and measures it from outside: wall time, peak RSS,
bytes it read and wrote, and the arrival time of every chunk of its standard
error, for the phase split of velmora's milestone lines.

The program runs under GNU time (`/usr/bin/time -f %M`), which reports the
program's own peak RSS: a child forked straight from this Python process
would count Python's resident pages as its own. The byte counts come from
/proc/PID/io of the time process, read while it is still a zombie: a parent
holds the totals of the children it has reaped."""

import os
import signal
import subprocess
import tempfile
import threading
import time
from dataclasses import dataclass, field


@dataclass
class Measurement:
    command: list
    wall: float = 0.0
    peak_rss_kb: int = 0
    read_bytes: int = 0        # rchar: bytes returned by read calls
    written_bytes: int = 0     # wchar: bytes passed to write calls, stderr included
    exit_status: int = 0
    timed_out: bool = False
    timeout: float = 0.0
    stderr_chunks: list = field(default_factory=list)  # (seconds since start, bytes)
    start: float = 0.0

    def stderr_text(self):
        return b"".join(chunk for _, chunk in self.stderr_chunks).decode("latin-1")


def _proc_io(pid):
    values = {}
    try:
        with open(f"/proc/{pid}/io") as f:
            for line in f:
                key, _, value = line.partition(":")
                values[key.strip()] = int(value)
    except OSError:
        pass
    return values


def _kill_program(wrapper_pid):
    """Stops the measured program but not GNU time, so that time still
    reports its peak RSS."""
    try:
        with open(f"/proc/{wrapper_pid}/task/{wrapper_pid}/children") as f:
            children = [int(pid) for pid in f.read().split()]
    except OSError:
        children = []
    for pid in children:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    if not children:
        try:
            os.killpg(wrapper_pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def _peak_rss_kb(report_path, fallback):
    # On a killed program GNU time writes a line about the signal first.
    try:
        with open(report_path) as f:
            lines = [line.strip() for line in f if line.strip()]
        return int(lines[-1])
    except (OSError, ValueError, IndexError):
        return fallback


def run(command, stdin_text="", timeout=None, stdout_path=os.devnull, capture_stderr=True,
        stderr_path=None, cwd=None):
    """Runs command with stdin_text on standard input. With capture_stderr the
    child's standard error is read through a pipe as it arrives and kept with
    arrival times; otherwise it goes to stderr_path (or is discarded)."""
    m = Measurement(command=list(command), timeout=timeout or 0.0)
    report_fd, report_path = tempfile.mkstemp(prefix="bench-time-")
    os.close(report_fd)
    wrapped = ["/usr/bin/time", "-f", "%M", "-o", report_path, *command]
    stdin_read, stdin_write = os.pipe()
    # The input is a few short lines: it fits in the pipe buffer at once.
    os.write(stdin_write, stdin_text.encode())
    os.close(stdin_write)
    with open(stdout_path, "wb") as stdout:
        err_target = subprocess.PIPE if capture_stderr else (
            open(stderr_path, "wb") if stderr_path else subprocess.DEVNULL)
        m.start = time.monotonic()
        proc = subprocess.Popen(wrapped, stdin=stdin_read, stdout=stdout, stderr=err_target,
                                cwd=cwd, start_new_session=True)
        os.close(stdin_read)
        if not capture_stderr and stderr_path:
            err_target.close()

        def kill_on_timeout():
            m.timed_out = True
            _kill_program(proc.pid)

        timer = threading.Timer(timeout, kill_on_timeout) if timeout else None
        if timer:
            timer.start()
        if capture_stderr:
            fd = proc.stderr.fileno()
            while True:
                chunk = os.read(fd, 1 << 20)
                if not chunk:
                    break
                m.stderr_chunks.append((time.monotonic() - m.start, chunk))
            proc.stderr.close()
        # Wait without reaping, so that /proc/PID/io still holds the totals.
        os.waitid(os.P_PID, proc.pid, os.WEXITED | os.WNOWAIT)
        m.wall = time.monotonic() - m.start
        io = _proc_io(proc.pid)
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        if timer:
            timer.cancel()
    m.exit_status = proc.returncode
    m.peak_rss_kb = _peak_rss_kb(report_path, usage.ru_maxrss)
    os.remove(report_path)
    m.read_bytes = io.get("rchar", 0)
    m.written_bytes = io.get("wchar", 0)
    return m
