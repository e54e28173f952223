#!/usr/bin/env python3
"""Runs every shell command that README.md and the guides show, exactly as
written, in the given checkout: README.md first, then the guides in GUIDES
order (the packaging guide builds the package that its consumer check reads;
the testing and performance guides need nothing of the others). Each ```sh
block runs in turn from the checkout's root, as one bash script (so that a
block reads as a session typed into one shell), stopping at the first
failure. A shell block fenced otherwise (```bash, ```console, ...) is refused,
not skipped, so that no command escapes the run.

  tools/readme_commands.py [--mutation-elsewhere] CHECKOUT
  tools/readme_commands.py --without-gtest CHECKOUT

--without-gtest instead runs the README's quick start in CHECKOUT with
GoogleTest hidden from CMake, as on a machine without it: the first command
must build and run the demonstration program, and the second must fail,
saying that the tests are not built and which package brings GoogleTest.
Then it lets CMake find GoogleTest again in that build tree.

A few commands are changed or skipped, each for a reason listed below; every
change and skip must still match some document, so that this list cannot
silently fall out of date.
"""
import os
import subprocess
import sys
import tempfile
import time

DOCUMENTS = ("README.md", "docs/packaging.md", "docs/testing.md", "docs/performance.md")
SHELL_FENCES = {"bash", "shell", "console", "zsh", "sh-session", "shell-session", "terminal", "text/x-sh"}

# Long runs, shortened by their own flags.
SHORTEN = {
    # one quick repetition of each micro-benchmark, the largest tables left out
    "--benchmark_repetitions=7 --benchmark_min_time=0.25":
        "--benchmark_repetitions=1 --benchmark_min_time=0.001 --benchmark_filter=-entries:1048576",
    "-max_total_time=3600": "-max_total_time=20",
    'bench/morvane_replay "$pool"': 'bench/morvane_replay "$pool" --rounds 1 --accesses 500000',
    "bench/sweep.py build/": "bench/sweep.py --rounds 1 build/",
    "bench/alternate.py ": "bench/alternate.py --rounds 1 --inner 1 --accesses 500000 ",
}
# Proof that installing the library needs neither GoogleTest nor Google Benchmark.
HIDE = {
    "-DMORVANE_BUILD_TESTS=OFF -DMORVANE_BUILD_DEMO=OFF":
        "-DMORVANE_BUILD_TESTS=OFF -DMORVANE_BUILD_DEMO=OFF "
        "-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON",
}
# The install prefix a user would choose, moved into a scratch folder of this
# run (without spaces, since pkg-config's flags are split by the shell), so
# that the run leaves nothing behind outside it.
PREFIX = "/opt/morvane"
# Not run: installing the package into the machine itself (the packaging
# guide's consumer check reads the package unpacked into a scratch folder).
SKIP = ("sudo apt install ./build/package/",)
# Not run here, with --mutation-elsewhere: a line that is exactly this command
# is the mutation run, which .ci/run runs alongside everything else.
MUTATION = "tools/mutate.py"


def fenced(text, name):
    """Yields the ```sh blocks of `text`, each as a list of lines."""
    inside, block = False, None
    for number, line in enumerate(text.splitlines(), 1):
        if not line.startswith("```"):
            if block is not None:
                block.append(line)
            continue
        if inside:
            if block is not None:
                yield block
            inside, block = False, None
            continue
        fence = line[3:].strip()
        if fence in SHELL_FENCES:
            sys.exit(f"{name}:{number}: a shell block fenced '{fence}'; fence it 'sh' so that it is run")
        inside, block = True, ([] if fence == "sh" else None)


DEMO_OUTPUT = "000010000200003 000010000200003\n0000200003 0000200003\n00003 00003\n"
HIDE_GTEST = ("cmake --preset default", "cmake --preset default -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON")


def without_gtest(checkout):
    """The quick start where CMake cannot find GoogleTest, in `checkout`'s
    own build tree, which it then hands back to GoogleTest: the full quick
    start that follows rebuilds nothing of what this one built."""
    with open(os.path.join(checkout, "README.md")) as f:
        quick_start = next(fenced(f.read(), "README.md"))
    commands = [line for line in quick_start if line.strip() and not line.lstrip().startswith("#")]
    if len(commands) != 2 or HIDE_GTEST[0] not in commands[0]:
        sys.exit("the README's first block is not the two quick-start commands, the first configuring the default preset")
    demo = commands[0].replace(*HIDE_GTEST)
    print(f"$ {demo}", flush=True)
    result = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", demo], cwd=checkout, capture_output=True, text=True)
    print(result.stdout + result.stderr)
    if result.returncode != 0 or DEMO_OUTPUT not in result.stdout:
        sys.exit("without GoogleTest, the quick start's first command did not print the demonstration's lines")
    print(f"$ {commands[1]}", flush=True)
    result = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", commands[1]], cwd=checkout, capture_output=True,
                            text=True)
    print(result.stdout + result.stderr)
    if result.returncode == 0 or "libgtest-dev" not in result.stdout + result.stderr:
        sys.exit("without GoogleTest, the quick start's second command did not fail naming libgtest-dev")
    subprocess.run(["cmake", "--preset", "default", "-UCMAKE_DISABLE_FIND_PACKAGE_GTest"], cwd=checkout, check=True,
                   stdout=subprocess.DEVNULL)
    print("without GoogleTest: the demonstration builds and runs; the test suite fails, naming libgtest-dev")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--without-gtest":
        return without_gtest(sys.argv[2])
    mutation_elsewhere = len(sys.argv) == 3 and sys.argv[1] == "--mutation-elsewhere"
    if len(sys.argv) != 2 and not mutation_elsewhere:
        sys.exit(__doc__)
    checkout = sys.argv[-1]
    skips = SKIP + ((MUTATION,) if mutation_elsewhere else ())
    with tempfile.TemporaryDirectory(prefix="morvane-readme-") as scratch:
        changes = {**SHORTEN, **HIDE, PREFIX: os.path.join(scratch, PREFIX.lstrip("/"))}
        unused = set(changes) | set(skips)
        for name in DOCUMENTS:
            with open(os.path.join(checkout, name)) as f:
                text = f.read()
            print(f"\n==== {name}", flush=True)
            for lines in fenced(text, name):
                kept = []
                for line in lines:
                    skip = next((s for s in skips if line.startswith(s) and (s != MUTATION or line == s)), None)
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
                    sys.exit(f"a block of {name} failed")
    if unused:
        sys.exit("no document shows any more what tools/readme_commands.py changes or skips: " +
                 ", ".join(sorted(unused)))


if __name__ == "__main__":
    main()
