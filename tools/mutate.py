#!/usr/bin/env python3
"""Mutation testing: plants each fault of tools/mutants.txt, one at a time, in a
scratch copy of the tree, rebuilds incrementally and runs the whole test
suite against it. A mutant is killed when the suite fails: a failed test, a
crash, a sanitizer report (the build runs under AddressSanitizer,
LeakSanitizer and UndefinedBehaviorSanitizer, so an overflow or a leak
counts) or a test program that runs past its timeout. One worker per core,
each with a scratch tree and build of its own, takes the mutants in turn.

  tools/mutate.py [--filter TEXT]... [--jobs N] [--keep] [--work DIR]
  tools/mutate.py --check     only check that every entry matches the code

Exits non-zero if a mutant not marked equivalent survives, a mutant marked
equivalent is killed, an entry no longer matches the code exactly once, a
mutant does not compile (an error in the catalogue, not a kill), or the
unmutated tree fails its tests before or after the run.
"""
import argparse
import collections
import os
import queue
import shutil
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CATALOGUE = os.path.join(ROOT, "tools", "mutants.txt")
SANITIZE = "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
TEST_PROGRAMS = ("morvane_tests", "morvane_alloc_failure_tests", "morvane_demo_test")
TIMEOUT = 30  # seconds for the test programs; a mutant that loops is killed by it
ENV = dict(os.environ, ASAN_OPTIONS="detect_leaks=1", UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1")

# `edits` is a tuple of (original, replacement) pairs, applied together: one
# fault may need a declaration and its out-of-class definition changed alike.
Mutant = collections.namedtuple("Mutant", "path description edits equivalent")


def parse(text):
    """The catalogue: a line naming a file, then per mutant an indented
    description, one or more pairs of '- original' and '+ replacement' lines
    indented further (a literal \\n in them stands for a line break), and, for
    an equivalent mutant, '= reason'."""
    mutants, path, entry = [], None, None
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        body = line.strip()
        if not line.startswith(" "):
            path = body
        elif line.startswith("    ") and body[:2] in ("- ", "+ ", "= "):
            if entry is None:
                sys.exit(f"{CATALOGUE}:{number}: code line without a description")
            kind = body[0]
            if kind == "=":
                entry["equivalent"] = line[6:]
                continue
            code = line[6:].replace("\\n", "\n")  # \n joins lines
            pairs = entry["edits"]
            if kind == "-":
                if pairs and pairs[-1][1] is None:
                    sys.exit(f"{CATALOGUE}:{number}: two '- ' lines without a '+ ' between them")
                pairs.append([code, None])
            elif not pairs or pairs[-1][1] is not None:
                sys.exit(f"{CATALOGUE}:{number}: a '+ ' line without its '- ' line")
            else:
                pairs[-1][1] = code
        else:
            entry = {"path": path, "description": body, "edits": [], "equivalent": None}
            mutants.append(entry)
    for m in mutants:
        if not m["edits"] or m["edits"][-1][1] is None:
            sys.exit(f"{CATALOGUE}: '{m['description']}' needs a '- ' and a '+ ' line for each change")
        m["edits"] = tuple(tuple(pair) for pair in m["edits"])
    return [Mutant(**m) for m in mutants]


def check_applies(mutants):
    """Every original text occurs exactly once in its file; the errors, each
    naming the entry, its file and what to do."""
    errors = []
    for m in mutants:
        path = os.path.join(ROOT, m.path)
        text = open(path).read() if os.path.isfile(path) else ""
        for original, _ in m.edits:
            count = text.count(original)
            if count != 1:
                errors.append(f"entry '{m.description}' of {m.path}: its code text occurs {count} times there, not "
                              f"once:\n    {original}\n  re-point the entry at the code that replaced it, in the "
                              f"same commit as that code")
    return errors


def mutated(text, mutant):
    for original, replacement in mutant.edits:
        text = text.replace(original, replacement, 1)
    return text


def run(command):
    result = subprocess.run(command, env=ENV, capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def build(build_dir):
    return run(["cmake", "--build", build_dir])


def suite(build_dir):
    """The test programs that fail, joined, or None if all pass. The main
    suite runs first, stopping at its first failure, which kills most mutants
    at once; only if it passes do the others run, side by side. Each stops at
    its timeout."""
    def run_all(programs):
        started = [(program, subprocess.Popen([os.path.join(build_dir, "tests", program), "--gtest_fail_fast"],
                                              env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
                   for program in programs]
        deadline = time.monotonic() + TIMEOUT
        failed = []
        for program, process in started:
            try:
                if process.wait(timeout=max(deadline - time.monotonic(), 0)) != 0:
                    failed.append(program)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                failed.append(program + " (timeout)")
        return failed

    failed = run_all(TEST_PROGRAMS[:1]) or run_all(TEST_PROGRAMS[1:])
    return ", ".join(failed) or None


def prepare(work, worker):
    """Worker `worker`'s scratch copy of the working tree and its sanitizer
    build, both new: a build left by an interrupted run may hold a mutant that
    a restored file with an older timestamp would not replace."""
    tree, build_dir = os.path.join(work, f"tree{worker}"), os.path.join(work, f"build{worker}")
    files = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard", "-z"], cwd=ROOT,
                           check=True, capture_output=True, text=True).stdout.split("\0")
    for name in filter(None, files):
        source = os.path.join(ROOT, name)
        if os.path.isfile(source):
            os.makedirs(os.path.dirname(os.path.join(tree, name)), exist_ok=True)
            shutil.copy2(source, os.path.join(tree, name))
    # clang rebuilds a test file in about half the time g++ takes, and lld
    # links a sanitized test program in a fraction of the time ld takes.
    status, output = run(["cmake", "-S", tree, "-B", build_dir, "-G", "Ninja", "-DCMAKE_CXX_COMPILER=clang++",
                          "-DCMAKE_BUILD_TYPE=Debug",
                          "-DCMAKE_CXX_FLAGS_DEBUG=-O0", f"-DCMAKE_CXX_FLAGS={SANITIZE}",
                          "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld",
                          "-DMORVANE_WARNINGS_AS_ERRORS=OFF", "-DMORVANE_INSTALL=OFF",
                          "-DMORVANE_BUILD_BENCHMARKS=OFF", "-DMORVANE_TESTS_PCH=ON",
                          "-DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST"])
    if status != 0:
        sys.exit("configuring the mutation build failed:\n" + output)
    return tree, build_dir


def unmutated_passes(build_dir, when):
    """None if the unmutated tree builds and passes, else what went wrong."""
    status, output = build(build_dir)
    if status != 0:
        return f"the unmutated tree does not build ({when}):\n" + output
    failed = suite(build_dir)
    if failed:
        return f"the unmutated tree fails {failed} ({when})"
    print(f"unmutated tree in {build_dir}: builds and passes ({when})", flush=True)
    return None


class Worker(threading.Thread):
    """Takes mutants from `todo` until it is empty: plants each in its own
    tree, rebuilds, runs the suite and restores the file."""

    def __init__(self, work, number, todo, results):
        super().__init__()
        self.work, self.number, self.todo, self.results = work, number, todo, results
        self.error = None

    def run(self):
        try:
            tree, build_dir = prepare(self.work, self.number)
        except SystemExit as failure:  # sys.exit in a thread ends only the thread: report it
            self.error = str(failure.code)
            return
        self.error = unmutated_passes(build_dir, "before")
        while self.error is None:
            try:
                m = self.todo.get_nowait()
            except queue.Empty:
                break
            target = os.path.join(tree, m.path)
            with open(target) as f:
                original = f.read()
            with open(target, "w") as f:  # a fresh timestamp, so that the build notices
                f.write(mutated(original, m))
            began = time.monotonic()
            status, output = build(build_dir)
            failed = suite(build_dir) if status == 0 else None
            with open(target, "w") as f:
                f.write(original)
            self.results.append((m, status, output, failed, time.monotonic() - began))
            if status != 0:
                verdict = "DOES NOT COMPILE\n" + output[-2000:]
            elif failed:
                verdict = f"KILLED, listed as equivalent, by {failed}" if m.equivalent else f"killed by {failed}"
            else:
                verdict = f"equivalent: {m.equivalent}" if m.equivalent else "SURVIVED"
            print(f"{time.monotonic() - began:5.1f} s  {m.path}: {m.description}: {verdict}", flush=True)
        if self.error is None:
            self.error = unmutated_passes(build_dir, "after")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--filter", action="append", default=[],
                        help="only mutants whose file or description contains TEXT (may be repeated: any of them)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1, help="workers (the cores)")
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "mutation"), help="scratch folder")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    parser.add_argument("--check", action="store_true", help="only check the catalogue against the code")
    args = parser.parse_args()

    with open(CATALOGUE) as f:
        mutants = parse(f.read())
    errors = check_applies(mutants)
    if errors:
        sys.exit("tools/mutants.txt no longer matches the code:\n" + "\n".join(errors))
    by_area = collections.Counter(m.path for m in mutants)
    print(f"{len(mutants)} mutants, each matching the code once: " +
          ", ".join(f"{path} {n}" for path, n in sorted(by_area.items())), flush=True)
    if args.check:
        return 0
    selected = [m for m in mutants
                if not args.filter or any(text in m.path or text in m.description for text in args.filter)]

    start = time.monotonic()
    if os.path.isdir(args.work) and any(not name.startswith(("tree", "build")) for name in os.listdir(args.work)):
        sys.exit(f"{args.work} holds more than an earlier run's trees and builds; name an empty or new folder")
    shutil.rmtree(args.work, ignore_errors=True)
    todo = queue.Queue()
    for m in selected:
        todo.put(m)
    results = []
    workers = [Worker(args.work, n, todo, results) for n in range(max(1, min(args.jobs, len(selected))))]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    failures = [w.error for w in workers if w.error]
    if len(results) != len(selected):
        failures.append(f"{len(selected) - len(results)} of {len(selected)} mutants were not run")
    if failures:
        sys.exit("\n".join(failures))

    killed = sum(1 for m, status, _, failed, _ in results if status == 0 and failed and not m.equivalent)
    survivors = [m for m, status, _, failed, _ in results if status == 0 and not failed and not m.equivalent]
    wrongly_equivalent = [m for m, status, _, failed, _ in results if status == 0 and failed and m.equivalent]
    broken = [m for m, status, _, _, _ in results if status != 0]
    equivalents = sum(1 for m in selected if m.equivalent)
    print(f"\n{killed} killed of {len(selected) - equivalents} non-equivalent mutants; {equivalents} listed as "
          f"equivalent; {len(workers)} workers; {time.monotonic() - start:.0f} s")
    for label, group in (("survived", survivors), ("killed although listed as equivalent", wrongly_equivalent),
                         ("did not compile", broken)):
        for m in group:
            print(f"  {label}: {m.path}: {m.description}")
    if not args.keep:
        shutil.rmtree(args.work, ignore_errors=True)
    return 1 if survivors or wrongly_equivalent or broken else 0


if __name__ == "__main__":
    sys.exit(main())
