#!/usr/bin/env python3
"""How many deliberate faults in the core do the native unit tests catch?

Copies the repository's tracked files (as they stand in the working tree, uncommitted edits
included) to build/mutation/src, builds the native unit_tests there once, checks that every test
passes, then applies each fault of mutations.txt in turn, rebuilds, runs the tests and puts the
line back. Prints one line per fault, the faults that survived, and "N killed of M".

Exit status: 0 normally; 1 when the unmutated build or its tests fail; 3 when some fault's line
was not found (or is ambiguous) or a fault did not build, so a stale list is noticed.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
NICE = ["nice", "-n", "10"]
TEST_TIMEOUT_SECONDS = 120


class Fault:
    def __init__(self, number, fields):
        self.number = number
        self.file = fields["file"]
        self.what = fields["what"]
        self.original = fields["from"]
        self.replacement = fields["to"]

    def title(self):
        return f"#{self.number} {self.file}: {self.what}"


def read_faults(path):
    """Blocks of "key: value" lines separated by blank lines; '#' starts a comment line."""
    faults, fields = [], {}
    lines = path.read_text(encoding="utf-8").splitlines() + [""]
    for number, line in enumerate(lines, 1):
        if line.strip().startswith("#"):
            continue
        if not line.strip():
            if fields:
                missing = {"file", "what", "from", "to"} - fields.keys()
                if missing:
                    sys.exit(f"{path}:{number}: the fault above lacks {', '.join(sorted(missing))}")
                faults.append(Fault(len(faults) + 1, fields))
                fields = {}
            continue
        key, colon, value = line.partition(":")
        if not colon or key.strip() not in ("file", "what", "from", "to"):
            sys.exit(f"{path}:{number}: expected file:, what:, from: or to:")
        fields[key.strip()] = value.strip()
    return faults


def matching_lines(text, original):
    return [i for i, line in enumerate(text) if line.strip() == original]


def read_lines(path):
    # Bytes that are not UTF-8 and the line ends are kept exactly as they are.
    with open(path, encoding="utf-8", errors="surrogateescape", newline="") as f:
        return f.read().splitlines(keepends=True)


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8", errors="surrogateescape", newline="") as f:
        f.write("".join(lines))
    # Always a fresh time stamp, never the original one: a put-back file must look newer than
    # the object compiled from its fault, or the next build would keep that object.
    os.utime(path)


def run(command, cwd, timeout=None):
    """(exit status, output); None as the status when the command ran past the timeout."""
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              text=True, errors="replace", timeout=timeout)
        return done.returncode, done.stdout
    except subprocess.TimeoutExpired as expired:
        return None, expired.stdout or ""


def copy_tracked_files(repository, source):
    listed = subprocess.run(["git", "ls-files", "-z"], cwd=repository, check=True,
                            stdout=subprocess.PIPE).stdout.decode("utf-8", "surrogateescape")
    for name in filter(None, listed.split("\0")):
        origin = repository / name
        if origin.is_file():  # a tracked file deleted in the working tree is left out
            (source / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(origin, source / name)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--only", metavar="PATTERN",
                        help="run only the faults whose file or description matches this regular expression")
    parser.add_argument("--list", action="store_true", help="print the faults and exit")
    parser.add_argument("--jobs", type=int, default=2, metavar="N", help="parallel build jobs (default 2)")
    parser.add_argument("--faults", type=Path, default=HERE / "mutations.txt", help=argparse.SUPPRESS)
    options = parser.parse_args()

    repository = Path(subprocess.run(["git", "rev-parse", "--show-toplevel"], cwd=HERE, check=True,
                                     stdout=subprocess.PIPE, text=True).stdout.strip())
    faults = read_faults(options.faults)
    total = len(faults)
    if options.only:
        faults = [f for f in faults if re.search(options.only, f"{f.file} {f.what}", re.IGNORECASE)]
    if options.list:
        for fault in faults:
            print(f"{fault.title()}\n    from: {fault.original}\n    to:   {fault.replacement}")
        print(f"{len(faults)} faults")
        return 0
    if not faults:
        sys.exit("no fault matches")

    scratch = repository / "build" / "mutation"
    source, build = scratch / "src", scratch / "build"
    started = time.monotonic()
    print(f"copying the tracked files to {source}", flush=True)
    shutil.rmtree(scratch, ignore_errors=True)
    copy_tracked_files(repository, source)
    # The tests are listed when ctest runs, not after each link: a build is a build only.
    configure = ["cmake", "-S", str(source), "-B", str(build), "-DCMAKE_BUILD_TYPE=Debug",
                 "-DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST"]
    build_command = NICE + ["cmake", "--build", str(build), "--target", "unit_tests", "-j", str(options.jobs)]
    # A fault is killed by its first failing test: the rest need not run.
    test_command = NICE + [str(build / "tests" / "unit_tests"), "--gtest_fail_fast"]

    print("configuring and building unit_tests unmutated", flush=True)
    for step, command, timeout in (("configure", NICE + configure, None), ("build", build_command, None),
                                   ("tests", test_command, TEST_TIMEOUT_SECONDS)):
        status, output = run(command, source, timeout)
        if status != 0:
            print(output[-4000:])
            print(f"the unmutated {step} failed" + (" (timed out)" if status is None else ""))
            return 1

    results = {}
    width = len(str(total))
    print(f"{len(faults)} of the {total} faults to run", flush=True)
    for fault in faults:
        path = source / fault.file
        lines = read_lines(path) if path.is_file() else []
        found = matching_lines(lines, fault.original)
        if len(found) != 1:
            outcome = "line-not-found" if not found else f"line-ambiguous ({len(found)} lines)"
        else:
            index = found[0]
            original = lines[index]
            indent = original[:len(original) - len(original.lstrip())]
            ending = original[len(original.rstrip("\r\n")):]
            mutated = lines[:index] + [indent + fault.replacement + ending] + lines[index + 1:]
            try:
                write_lines(path, mutated)
                status, _ = run(build_command, source)
                if status != 0:
                    outcome = "did-not-build"
                else:
                    status, _ = run(test_command, source, TEST_TIMEOUT_SECONDS)
                    outcome = "killed" if status != 0 else "SURVIVED"
                    if status is None:
                        outcome = "killed (timed out)"
            finally:
                write_lines(path, lines)
        results[fault.number] = outcome
        print(f"[{fault.number:>{width}}/{total}] {outcome:<14} {fault.file}: {fault.what}", flush=True)

    survivors = [f for f in faults if results[f.number] == "SURVIVED"]
    stale = [f for f in faults if results[f.number].startswith(("line-", "did-not-build"))]
    killed = sum(1 for f in faults if results[f.number].startswith("killed"))
    if survivors:
        print("\nSurvivors (the unit tests do not notice these faults):")
        for fault in survivors:
            print(f"  {fault.title()}\n      {fault.original}\n   -> {fault.replacement}")
    if stale:
        print("\nStale entries (update mutations.txt):")
        for fault in stale:
            print(f"  {fault.title()}: {results[fault.number]}")
    minutes, seconds = divmod(int(time.monotonic() - started), 60)
    print(f"\nwall time {minutes}m{seconds:02d}s")
    print(f"{killed} killed of {killed + len(survivors)}")
    return 3 if stale else 0


if __name__ == "__main__":
    sys.exit(main())
