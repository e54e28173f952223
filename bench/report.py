#!/usr/bin/env python3
"""Summarises a JSON run of morvane_table_bench: median ns per operation, the
median over repetitions of each side-by-side ratio, and a gnuplot plot.

Run the benchmark with repetitions and random interleaving, so that
repetition k of every benchmark runs in the same round:

  morvane_table_bench --benchmark_repetitions=15 --benchmark_min_time=0.05 \
      --benchmark_enable_random_interleaving=true \
      --benchmark_out=bench.json --benchmark_out_format=json
  bench/report.py bench.json [plot.svg or plot.png]
"""
import collections
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile

STRUCTURES = ("Table", "SameMap", "MixMap")
LABELS = {"Table": "BufHashTbl", "SameMap": "map, same hash", "MixMap": "map, mixing hash"}
OPS = ("hitRandom", "hitPageOrder", "missLookup", "missFind", "insert", "remove")


def load(path):
    """run name -> {repetition index: counters}"""
    runs = collections.defaultdict(dict)
    with open(path) as f:
        for bench in json.load(f)["benchmarks"]:
            if bench.get("run_type") == "iteration":
                runs[bench["run_name"]][bench.get("repetition_index", 0)] = bench
    return runs


def median_ratio(runs, numerator, denominator, counter="ns_per_op"):
    a, b = runs.get(numerator), runs.get(denominator)
    if not a or not b:
        return None
    return statistics.median(a[k][counter] / b[k][counter] for k in a if k in b)


def median(runs, name, counter="ns_per_op"):
    reps = runs.get(name)
    return statistics.median(r[counter] for r in reps.values()) if reps else None


def name(op, structure, entries, files):
    return f"{op}<{structure}>/entries:{entries}/files:{files}"


def fmt(value, digits=2):
    return "—" if value is None else f"{value:.{digits}f}"


def table(runs):
    sizes = sorted({(int(m.group(1)), int(m.group(2)))
                    for n in runs for m in [re.search(r"entries:(\d+)/files:(\d+)$", n)] if m})
    print("| operation | entries | files | table ns | same-hash map ns | mixing map ns "
          "| table / same-hash map | table / mixing map |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|")
    for op in OPS:
        for entries, files in sizes:
            t, s, m = (name(op, x, entries, files) for x in STRUCTURES)
            if t not in runs or op == "bytesPerEntry":
                continue
            print(f"| {op} | {entries} | {files} | {fmt(median(runs, t))} | {fmt(median(runs, s))} "
                  f"| {fmt(median(runs, m))} | {fmt(median_ratio(runs, t, s))} | {fmt(median_ratio(runs, t, m))} |")
    print()
    for files in (1, 8):
        row = [median(runs, name("bytesPerEntry", x, 1 << 20, files) + "/iterations:1", "bytes_per_entry")
               for x in STRUCTURES]
        if row[0] is not None:
            print(f"bytes per entry at 1048576 entries over {files} file(s): table {fmt(row[0], 1)}, "
                  f"same-hash map {fmt(row[1], 1)}, mixing map {fmt(row[2], 1)}")
    empty = "throwEmptyException"
    for files in (1, 8):
        miss = name("missLookup", "Table", 1024, files)
        print(f"throwing miss (1024 entries, {files} file(s)) / throwing an empty std::exception: "
              f"{fmt(median_ratio(runs, miss, empty))}")
    print(f"string-stream-composed error / throwing an empty std::exception: "
          f"{fmt(median_ratio(runs, 'throwStreamComposedException', empty))}")
    print(f"empty std::exception thrown and caught: {fmt(median(runs, empty), 0)} ns")


def plot(runs, out):
    ops = ("hitRandom", "hitPageOrder", "missFind", "insert", "remove")
    with tempfile.TemporaryDirectory() as tmp:
        terminal = "pngcairo size 1500,360 font 'sans,10'" if out.endswith(".png") else "svg size 1500,360 font 'sans,11'"
        commands = [f"set terminal {terminal}", f"set output '{out}'",
                    "set multiplot layout 1,5", "set logscale xy", "set key top left Left reverse",
                    "set xlabel 'entries'", "set xrange [512:2097152]",
                    "set xtics ('1 Ki' 1024, '64 Ki' 65536, '1 Mi' 1048576)"]
        for op in ops:
            series = []
            for structure in STRUCTURES:
                data = os.path.join(tmp, f"{op}-{structure}.dat")
                with open(data, "w") as f:
                    for entries in (1 << 10, 1 << 16, 1 << 20):
                        value = median(runs, name(op, structure, entries, 1))
                        if value is not None:
                            f.write(f"{entries} {value}\n")
                series.append(f"'{data}' using 1:2 with linespoints title '{LABELS[structure]}'")
            commands += [f"set title '{op}, 1 file'", "set ylabel 'ns per operation'", "plot " + ", ".join(series)]
        commands.append("unset multiplot")
        subprocess.run(["gnuplot"], input="\n".join(commands), text=True, check=True)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    runs = load(sys.argv[1])
    table(runs)
    if len(sys.argv) == 3:
        plot(runs, sys.argv[2])


if __name__ == "__main__":
    main()
