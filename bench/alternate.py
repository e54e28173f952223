#!/usr/bin/env python3
"""Compares two builds of the trace replay on the same trace and pool: runs
them in alternating rounds (A then B, then B then A, ...), each run giving
the table's tryLookup time per access (the median of its own --inner timed
rounds), and prints each build's median ns per access and the median over
rounds of B's time divided by A's.

  bench/alternate.py [--rounds N] [--inner N] [--accesses N] POOL TRACE.xz REPLAY_A REPLAY_B

POOL is what the replay takes as FRAMES (763, 1%, ...); --rounds is 7 and
--inner 5 by default; --accesses replays only the first N accesses (a quick
check, not a measurement).
"""
import argparse
import re
import statistics
import subprocess
import sys

ROW = re.compile(r"^BufHashTbl, tryLookup\s+([\d.]+)\s", re.MULTILINE)
PROCESSOR = re.compile(r"^processor: (.*)$", re.MULTILINE)
processors = set()  # as the replays name it; a replay from before 1.4.0 names none


def nanos(replay, pool, trace, inner, accesses):
    """One run of `replay`: the table's tryLookup ns per access."""
    command = [replay, pool, "-", "--rounds", str(inner)] + (["--accesses", str(accesses)] if accesses else [])
    with subprocess.Popen(["xz", "-dc", trace], stdout=subprocess.PIPE) as xz:
        result = subprocess.run(command, stdin=xz.stdout, capture_output=True, text=True)
    match = ROW.search(result.stdout)
    if result.returncode != 0 or xz.returncode != 0 or not match:
        sys.exit(f"{replay} {pool} failed:\n{result.stdout}{result.stderr}")
    processors.update(PROCESSOR.findall(result.stdout))
    return float(match.group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--inner", type=int, default=5)
    parser.add_argument("--accesses", type=int, default=0)
    parser.add_argument("pool")
    parser.add_argument("trace")
    parser.add_argument("a")
    parser.add_argument("b")
    args = parser.parse_args()
    a_times, b_times = [], []
    for round in range(args.rounds):
        order = ((args.a, a_times), (args.b, b_times))
        for replay, times in order if round % 2 == 0 else reversed(order):
            times.append(nanos(replay, args.pool, args.trace, args.inner, args.accesses))
    ratios = [b / a for a, b in zip(a_times, b_times)]
    print(f"pool {args.pool}, {args.rounds} rounds of {args.inner}: A {statistics.median(a_times):.2f} ns/access, "
          f"B {statistics.median(b_times):.2f} ns/access, B / A median {statistics.median(ratios):.3f} "
          f"(range {min(ratios):.3f} to {max(ratios):.3f}); {' / '.join(sorted(processors)) or 'processor not named'}")


if __name__ == "__main__":
    main()
