#!/usr/bin/env python3
"""Times glossel-render --site and --tags as whole commands, RUNS times each, and prints
the medians of the wall time and of the CPU time (user + system, all threads), and the
largest peak resident memory. The machine's load average is printed first: on a shared
machine the wall time follows the load, the CPU time much less. The corpus's runs at -j 1
and -j 2 take turns, and their fastest wall times are printed too: what the load took
least from.

  site_bench.py GLOSSEL_RENDER corpus CORPUS_DIR [RUNS]     the corpus as a site, -j 1 and -j 2
  site_bench.py GLOSSEL_RENDER tree MAKE_GAMES [RUNS]       generated trees of 250, 500, 1000 games
  site_bench.py GLOSSEL_RENDER tags MAIN [RUNS]             --tags of one game
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(argv, runs):
    walls, cpus, peak = [], [], 0
    for _ in range(runs):
        start = time.monotonic()
        proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        walls.append(time.monotonic() - start)
        cpus.append(usage.ru_utime + usage.ru_stime)
        peak = max(peak, usage.ru_maxrss)
        if os.waitstatus_to_exitcode(status) not in (0, 3):
            raise SystemExit(f"{argv} failed: {status}")
    return statistics.median(walls), statistics.median(cpus), peak


def show(label, result):
    wall, cpu, peak = result
    print(f"{label:32} wall {wall * 1000:8.1f} ms   cpu {cpu * 1000:8.1f} ms   peak RSS {peak / 1024:7.1f} MB")


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    exe, what, source = sys.argv[1:4]
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 11
    print("load average: %.2f %.2f %.2f" % os.getloadavg())
    with tempfile.TemporaryDirectory(prefix="glossel-bench-") as tmp:
        out = os.path.join(tmp, "site")
        if what == "corpus":
            # -j 1 and -j 2 take turns, run by run, so that the load of a shared machine
            # weighs on both alike.
            samples = {1: [], 2: []}
            for _ in range(runs):
                for jobs in (1, 2):
                    samples[jobs].append(run([exe, "--default-styles", "--site", out + str(jobs), "-j", str(jobs),
                                              source], 1))
            results = {}
            fastest = {}
            for jobs in (1, 2):
                walls, cpus, peaks = zip(*samples[jobs])
                results[jobs] = (statistics.median(walls), statistics.median(cpus), max(peaks))
                fastest[jobs] = min(walls)
                show(f"corpus site -j {jobs}", results[jobs])
                print(f"{'':32} fastest {fastest[jobs] * 1000:5.1f} ms")
            print("speed-up -j 1 to -j 2: wall %.2fx (fastest %.2fx), cpu per wall %.2f" %
                  (results[1][0] / results[2][0], fastest[1] / fastest[2], results[2][1] / results[2][0]))
        elif what == "tree":
            for count in (250, 500, 1000):
                tree = os.path.join(tmp, "tree%d" % count)
                subprocess.run([sys.executable, source, tree, str(count)], check=True)
                shutil.rmtree(out, ignore_errors=True)
                show(f"tree of {count} games -j 2", run([exe, "--default-styles", "--site", out, "-j", "2", tree], runs))
        elif what == "tags":
            show("tags of " + os.path.basename(source),
                 run([exe, "--tags", "-o", os.path.join(tmp, "tags"), source], runs))
        else:
            print(__doc__, file=sys.stderr)
            return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
