#!/usr/bin/env python3
"""Sweeps the table's chain count on a trace: runs `morvane_replay --sweep` at
pools of 1% and 10% of the trace's distinct pages, prints what it measured,
and plots ns per access against chains per frame, primes against powers of
two, with gnuplot.

  bench/sweep.py [--rounds N] REPLAY TRACE.xz PLOT.png

--rounds is passed to the replay (7 timed rounds by default).
"""
import os
import re
import subprocess
import sys
import tempfile

POOLS = ("1%", "10%")
ROW = re.compile(r"^(\d+\.\d+)\s+(recommended|prime|power of two)\s+(\d+)\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)$")


def measure(replay, trace, pool, rounds):
    """The replay's output and its rows as (per frame, kind, chains, ns, x, bytes)."""
    with subprocess.Popen(["xz", "-dc", trace], stdout=subprocess.PIPE) as xz:
        result = subprocess.run([replay, pool, "-", "--sweep", "--rounds", rounds], stdin=xz.stdout, capture_output=True, text=True)
    if result.returncode != 0 or xz.returncode != 0:
        sys.exit(f"the sweep at {pool} failed:\n{result.stderr}")
    rows = []
    for line in result.stdout.splitlines():
        match = ROW.match(line)
        if match:
            per_frame, kind, chains, ns, ratio, heap = match.groups()
            rows.append((float(per_frame), kind, int(chains), float(ns), float(ratio), float(heap)))
    if not rows:
        sys.exit(f"the sweep at {pool} printed no rows:\n{result.stdout}")
    return result.stdout, rows


def plot(results, path):
    with tempfile.TemporaryDirectory() as scratch:
        series = []
        for pool, (output, rows) in results.items():
            frames = re.search(r"; (\d+) frames", output).group(1)
            for kind, style in (("prime", "linespoints pt 7"), ("power of two", "linespoints pt 4 dt 2")):
                data = os.path.join(scratch, f"{pool.strip('%')}-{kind.replace(' ', '_')}.dat")
                with open(data, "w") as f:
                    for per_frame, row_kind, _, ns, _, _ in sorted(rows):
                        if row_kind == kind:
                            f.write(f"{per_frame} {ns}\n")
                series.append(f"'{data}' using 1:2 with {style} title '{frames} frames ({pool} of the pages), {kind}'")
        terminal = "pngcairo size 900,540" if path.endswith(".png") else "svg size 900,540"
        commands = [
            f"set terminal {terminal}",
            f"set output '{path}'",
            "set title 'BufHashTbl tryLookup replaying the busy ORM trace through a CLOCK pool'",
            "set xlabel 'chains per frame'",
            "set ylabel 'ns per access (median of the rounds)'",
            "set logscale x 2",
            "set logscale y 2",
            "set grid",
            "set key top right",
            "plot " + ", ".join(series),
        ]
        subprocess.run(["gnuplot"], input="\n".join(commands), text=True, check=True)


def main():
    args = sys.argv[1:]
    rounds = "7"
    if args[:1] == ["--rounds"] and len(args) > 1:
        rounds, args = args[1], args[2:]
    if len(args) != 3:
        sys.exit(__doc__)
    replay, trace, path = args
    results = {}
    for pool in POOLS:
        output, rows = measure(replay, trace, pool, rounds)
        print(output, flush=True)
        results[pool] = (output, rows)
    plot(results, path)
    print(f"plot: {path}")


if __name__ == "__main__":
    main()
