#!/usr/bin/env python3
"""Times the viewer's open of files on a real X server, from the start of the program to
the first paint of the text (the test hook's "painted" line), in turns, and prints the
median of each file and its difference from the first file's. Run it on a display of
its own:

  xvfb-run -a -s "-screen 0 1600x1000x24" bench/xvfb_open.py build/glossel ONE.inf BIG.inf [--runs N] [--shot OUT.png]

With --shot, the screen is taken (ImageMagick's import) once the last file's last run has
painted, before the program is closed. The settings live in a temporary folder.
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def time_open(program, path, env, shot=None):
    start = time.monotonic()
    child = subprocess.Popen([program, path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    line = child.stdout.readline()
    elapsed = time.monotonic() - start
    if not line.startswith(b"glossel-test-hook:"):
        child.kill()
        raise SystemExit(f"xvfb_open.py: {path}: no paint line from {program}")
    if shot:
        subprocess.run(["import", "-window", "root", shot], check=True)
    child.send_signal(signal.SIGTERM)
    child.wait(timeout=60)
    return elapsed


def main():
    args = sys.argv[1:]
    runs, shot = 7, None
    if "--runs" in args:
        i = args.index("--runs")
        runs = int(args[i + 1])
        del args[i:i + 2]
    if "--shot" in args:
        i = args.index("--shot")
        shot = args[i + 1]
        del args[i:i + 2]
    if len(args) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    program, files = args[0], args[1:]
    with tempfile.TemporaryDirectory() as settings:
        env = dict(os.environ, XDG_CONFIG_HOME=settings, GLOSSEL_TEST_HOOK="painted")
        env.pop("QT_QPA_PLATFORM", None)
        times = {path: [] for path in files}
        for run in range(runs):
            for path in files:
                last = run == runs - 1 and path == files[-1]
                times[path].append(time_open(program, path, env, shot if last else None))
    first = statistics.median(times[files[0]])
    for path in files:
        median = statistics.median(times[path])
        each = " ".join(f"{t * 1000:.0f}" for t in times[path])
        print(f"{path}: median {median * 1000:.0f} ms (+{(median - first) * 1000:.0f} ms) over {runs} runs: {each}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
