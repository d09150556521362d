#!/usr/bin/python3
"""Time until a dialog's first prompt shows on a terminal (no display), and
the program's peak resident memory. Each run is dismissed with Ctrl-D.

Usage: bench/terminal.py RUNS MODE [ITEMS...]   (needs GNU time: scripts/deps.sh bench)
"""
import os
import select
import statistics
import subprocess
import sys
import time

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
runs, items = int(sys.argv[1]), sys.argv[2:]
env = {k: v for k, v in os.environ.items()
       if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
times, peaks = [], []
for run in range(runs + 1):  # the first run only warms the caches
    master, slave = os.openpty()
    name = os.ttyname(slave)
    start = time.monotonic()
    process = subprocess.Popen(
        ["/usr/bin/time", "-f", "%M", os.path.join(top, "build", "setup-dialog"), *items],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env,
        start_new_session=True, preexec_fn=lambda: os.close(os.open(name, os.O_RDWR)))
    shown = b""
    while not shown.endswith(b": "):
        if not select.select([master], [], [], 10)[0]:
            sys.exit(f"no prompt; the terminal shows: {shown!r}")
        shown += os.read(master, 4096)
    elapsed = time.monotonic() - start
    os.write(master, b"\x04")
    _, err = process.communicate(timeout=10)
    os.close(master)
    os.close(slave)
    if run:
        times.append(elapsed * 1000)
        peaks.append(int(err.split()[-1]) / 1024)
print(f"first prompt shown: median {statistics.median(times):.1f} ms "
      f"(min {min(times):.1f}, max {max(times):.1f}); "
      f"peak RSS: median {statistics.median(peaks):.1f} MiB; {runs} runs")
