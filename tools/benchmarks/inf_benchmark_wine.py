#!/usr/bin/env python3
"""The removal's INF lookups under Wine: our reader against Wine's SetupAPI and against plain
reads of the same files, timed in one Wine process by InfBenchmark.exe. Run by hand or by
scripts/bench, never by CTest; build the native, win32 and win64 presets first (`scripts/build`);
the program runs as the shipped build does where the machine can (scripts/wine-arch).

    inf_benchmark_wine.py [--runs N] [--state DIR] [--keep] [--folder DIR]

With --folder, the *.INF files of that folder are timed (a folder of any shape, made by any
generator or taken from a system). Otherwise the 300 INF files (most 2 to 50 KB, a few 1 to 3 MB,
some UTF-16 and UTF-8) are written by the native generator (build/native/tools/benchmarks/inf_lookup_benchmark --write DIR) straight into
the prefix. The prefix is the benchmark's own (by default build/native/e2e-inf-benchmark), made
when missing and ended afterwards unless --keep, so that the timing shares the machine with no
test run. The targets are reported, not enforced: ours at least 5 times as fast as SetupAPI,
and within 1.5 times a plain read.
"""

from __future__ import annotations

import argparse
import shutil
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = Path(__file__).resolve().parent
SOURCE = HERE.parents[1]
sys.path.insert(0, str(SOURCE / "tests" / "e2e"))
from wine_harness import HarnessError, TestRun, run_benchmark  # noqa: E402

PROGRAM = "InfBenchmark.exe"
GENERATOR = SOURCE / "build" / "native" / "tools" / "benchmarks" / "inf_lookup_benchmark"
FOLDER = "inf_benchmark"  # C:\inf_benchmark in the prefix
TIMEOUT_S = 900
SETUPAPI_TARGET = 5.0  # ours at least this many times as fast as SetupAPI
RAW_TARGET = 1.5  # ours at most this many times as slow as reading the bytes


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5, help="timed runs; the medians count (default 5)")
    parser.add_argument("--state", type=Path, default=SOURCE / "build" / "native" / "e2e-inf-benchmark",
                        help="folder of the benchmark's own Wine prefix")
    parser.add_argument("--dist-root", type=Path, default=SOURCE / "dist", help="the dist folder of the builds")
    parser.add_argument("--keep", action="store_true", help="leave the prefix's processes running")
    parser.add_argument("--folder", type=Path, help="time the *.INF files of this folder instead of generated ones")
    options = parser.parse_args(argv)

    if options.folder is None and not GENERATOR.exists():
        print(f"{GENERATOR} is missing: build the native preset first", file=sys.stderr)
        return 1

    def benchmark(run: TestRun) -> int:
        program = run.dist_dir / "tools" / PROGRAM
        if not program.exists():
            raise HarnessError(f"{program} is missing: build the {run.arch} preset first")
        folder = run.prefix / "drive_c" / FOLDER
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        shutil.copy2(program, folder)
        infs = folder / "infs"
        if options.folder is not None:
            infs.mkdir()
            for source in options.folder.iterdir():
                if source.is_file() and source.suffix.lower() == ".inf":
                    shutil.copy2(source, infs / source.name)
        else:
            with open(run.logs / "benchmark-generator.log", "wb") as log:
                if subprocess.run([str(GENERATOR), "--write", str(infs)], stdout=log, stderr=log).returncode != 0:
                    raise HarnessError(f"the generator failed, see {run.logs}/benchmark-generator.log")
        result = folder / "result.txt"
        status = run.wine([rf"C:\{FOLDER}\{PROGRAM}", "--out", rf"C:\{FOLDER}\result.txt", "--runs",
                           str(options.runs), rf"C:\{FOLDER}\infs"], "benchmark", timeout=TIMEOUT_S)
        text = result.read_text(errors="replace") if result.exists() else ""
        print(text, end="")
        if status != 0 or "\nresult " not in "\n" + text:
            print(f"{PROGRAM} failed with status {status}", file=sys.stderr)
            return 1
        values = dict(item.split("=") for item in text.rsplit("\nresult ", 1)[-1].split())
        versus_setupapi = float(values["ours_vs_setupapi"])
        versus_raw = float(values["ours_vs_raw"])
        print(f"target: at least {SETUPAPI_TARGET:g}x as fast as SetupAPI: {1 / versus_setupapi:.1f}x, "
              f"{'met' if 1 / versus_setupapi >= SETUPAPI_TARGET else 'MISSED'}")
        print(f"target: within {RAW_TARGET:g}x of raw reading: {versus_raw:.2f}x, "
              f"{'met' if versus_raw <= RAW_TARGET else 'MISSED'}")
        return 0

    return run_benchmark(options.state, options.dist_root, options.keep, benchmark)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
