#!/usr/bin/env python3
"""Runs every shell command that README.md shows, exactly as written, in the
given checkout: each ```sh block in turn, as one bash script (so that a block
reads as a session typed into one shell), stopping at the first failure.

  tools/readme_commands.py CHECKOUT

A few commands are changed or skipped, each for a reason listed below; every
change and skip must still match the README, so that this list cannot silently
fall out of date.
"""
import os
import subprocess
import sys
import time

# Long runs, shortened by their own flags.
SHORTEN = {
    "--benchmark_repetitions=7 --benchmark_min_time=0.25":
        "--benchmark_repetitions=1 --benchmark_min_time=0.001",
    "-max_total_time=3600": "-max_total_time=60",
}
# Proof that installing the library needs neither GoogleTest nor Google Benchmark.
HIDE = {
    "-DMORVANE_BUILD_TESTS=OFF -DMORVANE_BUILD_DEMO=OFF":
        "-DMORVANE_BUILD_TESTS=OFF -DMORVANE_BUILD_DEMO=OFF "
        "-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON",
}
# Not run: installing the package into the machine itself (CI checks the
# package unpacked into a scratch folder instead).
SKIP = ("sudo apt install ./build/package/",)


def blocks(readme):
    """The ```sh blocks, each as a list of lines."""
    block = None
    for line in readme.splitlines():
        if line.startswith("```"):
            if block is not None:
                yield block
            block = [] if line.strip() == "```sh" else None
        elif block is not None:
            block.append(line)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    checkout = sys.argv[1]
    with open(os.path.join(checkout, "README.md")) as f:
        readme = f.read()
    changes = {**SHORTEN, **HIDE}
    unused = set(changes) | set(SKIP)
    for lines in blocks(readme):
        kept = []
        for line in lines:
            skip = next((s for s in SKIP if line.startswith(s)), None)
            if skip:
                unused.discard(skip)
                print(f"\n-- skipped: {line}")
            else:
                kept.append(line)
        script = "\n".join(kept)
        for old, new in changes.items():
            if old in script:
                script = script.replace(old, new)
                unused.discard(old)
        print("\n" + "\n".join("$ " + line for line in script.splitlines()), flush=True)
        start = time.monotonic()
        result = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", script], cwd=checkout)
        print(f"-- {time.monotonic() - start:.0f} s, exit {result.returncode}", flush=True)
        if result.returncode != 0:
            sys.exit("a README block failed")
    if unused:
        sys.exit("README no longer shows what tools/readme_commands.py changes or skips: " + ", ".join(sorted(unused)))


if __name__ == "__main__":
    main()
