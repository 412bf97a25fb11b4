#!/usr/bin/env python3
"""Watch mode as an artist meets it: how long from a save to its converted file, what the
process costs while idle, and whether its memory stays flat over many saves.

    python3 bench/watch_latency.py build/release/skinremap [saves]

Runs `skinremap --watch -o OUT ART` on a copy of samples/, saves a skin (written whole and
closed, as an editor saves) `saves` times (default 1000), each time waiting until the output
file holds the new conversion, and prints the delays (median, 95th percentile, worst), the
processor time the process took in 5 idle seconds, and its resident memory after the first
100 saves and after the last. The waiting here polls the file every millisecond: it is the
benchmark's own clock, not the program's.
"""

import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def resident_kib(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def cpu_ticks(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def wait_for_change(path, before, limit=10.0):
    start = time.monotonic()
    while time.monotonic() - start < limit:
        try:
            stamp = path.stat().st_mtime_ns
            if stamp != before:
                return True
        except FileNotFoundError:
            pass
        time.sleep(0.001)
    return False


def main():
    program = Path(sys.argv[1]).resolve()
    saves = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    with tempfile.TemporaryDirectory(prefix="watch-bench-") as scratch:
        scratch = Path(scratch)
        art, out = scratch / "art", scratch / "out"
        shutil.copytree(ROOT / "samples", art)
        skins = sorted(p for p in art.glob("*.bmp") if p.read_bytes()[28] == 24)
        versions = [p.read_bytes() for p in skins]
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        run = subprocess.Popen([str(program), "--watch", "-o", str(out), str(art)], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        for line in run.stdout:
            if line.split(" ", 1)[-1].startswith("Watching"):
                break
        # Reading the output keeps the pipe from filling; nothing of it is needed.
        drain = subprocess.Popen(["cat"], stdin=run.stdout, stdout=subprocess.DEVNULL)

        delays, memory = [], {}
        target = out / "saved.bmp"
        for i in range(saves):
            before = target.stat().st_mtime_ns if target.exists() else None
            data = versions[i % len(versions)]
            start = time.monotonic()
            with open(art / "saved.bmp", "wb") as f:
                f.write(data)
            if not wait_for_change(target, before):
                sys.exit(f"save {i}: no conversion within 10 s")
            delays.append(time.monotonic() - start)
            if i + 1 in (100, saves):
                memory[i + 1] = resident_kib(run.pid)

        ticks = cpu_ticks(run.pid)
        time.sleep(5)
        idle = cpu_ticks(run.pid) - ticks

        run.send_signal(signal.SIGINT)
        code = run.wait(timeout=30)
        drain.wait(timeout=30)

    delays.sort()
    ms = [d * 1000 for d in delays]
    print(f"saves: {saves}; exit code after Ctrl-C: {code}")
    print(f"save to converted file: median {statistics.median(ms):.0f} ms, "
          f"95th percentile {ms[int(len(ms) * 0.95) - 1]:.0f} ms, worst {ms[-1]:.0f} ms")
    print(f"processor time while idle for 5 s: {idle} ticks "
          f"({idle * 1000 // os.sysconf('SC_CLK_TCK')} ms)")
    print("resident memory: " + ", ".join(f"{kib} KiB after {n} saves" for n, kib in memory.items()))


if __name__ == "__main__":
    main()
