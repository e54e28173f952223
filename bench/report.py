#!/usr/bin/env python3
"""Summarises a JSON run of morvane_table_bench: the median time per operation
of every structure, each structure's ratio of medians against the frame table,
and a gnuplot plot.

Run the benchmark with repetitions in random interleaved order, so that every
structure's repetitions are spread over the same stretch of time:

  morvane_table_bench --benchmark_repetitions=7 --benchmark_min_time=0.25 \\
      --benchmark_enable_random_interleaving=true \\
      --benchmark_out=bench.json --benchmark_out_format=json
  bench/report.py bench.json [plot.svg or plot.png]

Ratios are ratios of medians: the interleaving shuffles repetitions, so no
repetition of one benchmark is paired with any particular one of another.
"""
import collections
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile

LABELS = {"Table": "BufHashTbl", "SameMap": "unordered_map, same hash", "MixMap": "unordered_map, mixing hash",
          "AbslMap": "flat_hash_map, absl::Hash", "AbslSameMap": "flat_hash_map, same hash"}
OPS = ("hitRandom", "hitPageOrder", "missLookup", "missFind", "insert", "remove")


def load(path):
    """run name -> list of counters of each repetition, and the run's context"""
    runs = collections.defaultdict(list)
    with open(path) as f:
        data = json.load(f)
    for bench in data["benchmarks"]:
        if bench.get("run_type") == "iteration":
            runs[bench["run_name"]].append(bench)
    return runs, data.get("context", {})


def median(runs, name, counter="time_per_op", scale=1e9):
    reps = runs.get(name)
    return statistics.median(r[counter] for r in reps) * scale if reps else None


def ratio(a, b):
    return None if a is None or b is None else a / b


def name(op, structure, entries, files):
    return f"{op}<{structure}>/entries:{entries}/files:{files}"


def fmt(value, digits=2):
    return "—" if value is None else f"{value:.{digits}f}"


def table(runs, context):
    structures = [s for s in LABELS if any(f"<{s}>" in n for n in runs)]
    print(f"{context.get('date', '?')}, {context.get('processor', 'processor not recorded')}, "
          f"{context.get('num_cpus', '?')} CPUs; medians of {max(len(r) for r in runs.values())} repetitions; "
          f"ns per operation, and (× table) the ratio of medians to BufHashTbl's")
    print("| operation | entries | files | " + " | ".join(LABELS[s] for s in structures) + " |")
    print("|---|---:|---:|" + "---:|" * len(structures))
    sizes = sorted({(int(m.group(1)), int(m.group(2)))
                    for n in runs for m in [re.search(r"entries:(\d+)/files:(\d+)$", n)] if m})
    for op in OPS:
        for entries, files in sizes:
            values = [median(runs, name(op, s, entries, files)) for s in structures]
            if values[0] is None:
                continue
            cells = [fmt(values[0])] + [f"{fmt(v)} (×{fmt(ratio(v, values[0]))})" for v in values[1:]]
            print(f"| {op} | {entries} | {files} | " + " | ".join(cells) + " |")
    print()
    for files in (1, 8):
        row = [median(runs, name("bytesPerEntry", s, 1 << 20, files) + "/iterations:1", "bytes_per_entry", 1)
               for s in structures]
        if row[0] is not None:
            print(f"bytes per entry at 1048576 entries over {files} file(s): " +
                  ", ".join(f"{LABELS[s]} {fmt(v, 1)}" for s, v in zip(structures, row)))
    empty = median(runs, "throwEmptyException")
    for files in (1, 8):
        miss = median(runs, name("missLookup", "Table", 1024, files))
        print(f"throwing miss (1024 entries, {files} file(s)) / throwing an empty std::exception: "
              f"{fmt(ratio(miss, empty))}")
    print(f"string-stream-composed error / throwing an empty std::exception: "
          f"{fmt(ratio(median(runs, 'throwStreamComposedException'), empty))}")
    print(f"empty std::exception thrown and caught: {fmt(empty, 0)} ns")
    for run in sorted((n for n in runs if n.startswith("bucketCountFor/frames:")), key=lambda n: int(n.split(":")[1])):
        print(f"bucketCountFor({run.split(':')[1]}): {fmt(median(runs, run), 0)} ns")
    counts = sorted({int(n.split(":")[1]) for n in runs if n.startswith("remainder")})
    if counts:
        print("\n| chain index | chains | `%` | reciprocal | `%` ÷ reciprocal |\n|---|---:|---:|---:|---:|")
    for mode in ("Latency", "Throughput"):
        for count in counts:
            division, reciprocal = (median(runs, f"remainder{mode}<{kind}>/count:{count}")
                                    for kind in ("Division", "Reciprocal"))
            print(f"| {mode.lower()} | {count} | {fmt(division)} | {fmt(reciprocal)} | "
                  f"×{fmt(ratio(division, reciprocal))} |")


def plot(runs, context, out):
    structures = [s for s in LABELS if any(f"<{s}>" in n for n in runs)]
    ops = ("hitRandom", "hitPageOrder", "missFind", "insert", "remove")
    with tempfile.TemporaryDirectory() as tmp:
        terminal = ("pngcairo size 1500,380 font 'sans,10'" if out.endswith(".png")
                    else "svg size 1500,380 font 'sans,11'")
        commands = [f"set terminal {terminal} noenhanced", f"set output '{out}'",
                    f"set multiplot layout 1,5 title 'median ns per operation, 1 file ({context.get('date', '')[:10]})'",
                    "set logscale xy", "set key top left Left reverse font ',8'",
                    "set xlabel 'entries'", "set xrange [512:2097152]",
                    "set xtics ('1 Ki' 1024, '64 Ki' 65536, '1 Mi' 1048576)"]
        for op in ops:
            series = []
            for structure in structures:
                data = os.path.join(tmp, f"{op}-{structure}.dat")
                with open(data, "w") as f:
                    for entries in (1 << 10, 1 << 16, 1 << 20):
                        value = median(runs, name(op, structure, entries, 1))
                        if value is not None:
                            f.write(f"{entries} {value}\n")
                series.append(f"'{data}' using 1:2 with linespoints title '{LABELS[structure]}'")
            commands += [f"set title '{op}'", "set ylabel 'ns per operation'", "plot " + ", ".join(series)]
        commands.append("unset multiplot")
        subprocess.run(["gnuplot"], input="\n".join(commands), text=True, check=True)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    runs, context = load(sys.argv[1])
    table(runs, context)
    if len(sys.argv) == 3:
        plot(runs, context, sys.argv[2])


if __name__ == "__main__":
    main()
