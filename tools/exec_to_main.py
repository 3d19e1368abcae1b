#!/usr/bin/env python3
"""exec_to_main.py PROGRAM REFERENCE [TURNS]: the time from starting a program to its `main`, for
two programs in alternating turns (TURNS each, default 40), with their medians and the ratio.

Both must write "main at monotonic T ms" to standard error first when WK_STARTUP_TRACE is set
(the program and tools/minimal_qt_start do). Each is started with a recording name that does not
exist and killed once the line is read; the process start is common to both and counted in both.
No X server is needed."""
import os
import re
import statistics
import subprocess
import sys
import time


def exec_to_main_ms(program: str) -> float | None:
    env = dict(os.environ, WK_STARTUP_TRACE="1", QT_QPA_PLATFORM="offscreen")
    start = time.clock_gettime(time.CLOCK_MONOTONIC) * 1e3
    child = subprocess.Popen([program, "/nonexistent/heat.qs2"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                             env=env)
    line = child.stderr.readline().decode(errors="replace")
    child.kill()
    child.wait()
    found = re.search(r"main at monotonic ([0-9.]+) ms", line)
    return float(found.group(1)) - start if found else None


def main() -> int:
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    programs, turns = sys.argv[1:3], int(sys.argv[3]) if len(sys.argv) > 3 else 40
    times: dict[str, list[float]] = {p: [] for p in programs}
    for _ in range(turns):
        for p in programs:
            ms = exec_to_main_ms(p)
            if ms is None:
                print(f"{p}: no 'main at' line")
                return 1
            times[p].append(ms)
    for p in programs:
        v = times[p]
        print(f"{os.path.basename(p)}: median {statistics.median(v):.2f} ms (min {min(v):.2f}, max {max(v):.2f}, "
              f"{len(v)} starts)")
    print(f"ratio of the medians: {statistics.median(times[programs[0]]) / statistics.median(times[programs[1]]):.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
