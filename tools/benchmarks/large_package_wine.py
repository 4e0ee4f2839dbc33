#!/usr/bin/env python3
"""A silent install of a package with very many VID/PID pairs under Wine, against the same run
with the example package's own pairs: the removal phase meets 40 installed INF copies of other
vendors, so its searches and reads show. Run by hand or by scripts/bench, never by CTest; build
the native and Windows presets first (`scripts/build`).

    large_package_wine.py [--lines N]... [--state DIR] [--keep]

Each run is the shipped Setup.exe started with /S on Windows 2000 (Wine cannot re-enumerate the
device tree, so each ends with status 2 after the same steps); the ratio is the time of the large
package's run to the reference run's.
"""

from __future__ import annotations

import argparse
import re
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
SOURCE = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE / "tests" / "e2e"))
from wine_harness import INF_FOLDER, Case, HarnessError, TestRun, run_benchmark  # noqa: E402

TIMEOUT_S = 1800
OTHER_COPIES = 40  # installed copies of other vendors, 50 models each


def silent_run(run: TestRun, lines: int) -> float:
    c = Case(run, f"large-{lines}")
    c.prepare("win2k", Win98Only="0")
    if lines:
        text = c.description.read_bytes().decode("latin-1")
        section = re.search(r"(?im)^\[ExModels\]\r\n", text)
        models = "".join(f"%Ex.Desc%=ExInstall,USB\\VID_{i >> 16 & 0xFFFF:04X}&PID_{i & 0xFFFF:04X}\r\n"
                         for i in range(lines))
        c.description.write_bytes((text[:section.end()] + models + text[section.end():]).encode("latin-1"))
    for n in range(OTHER_COPIES):
        c.put(rf"{INF_FOLDER}\oem{n}.inf", ("[Version]\r\nSignature=\"$Windows NT$\"\r\n[Manufacturer]\r\nM=Models\r\n"
                                            "[Models]\r\n" + "".join(f"D=I,USB\\VID_9{n:03d}&PID_{k:04X}\r\n"
                                                                     for k in range(50))).encode())
    t = c.drive([c.launch("/S"), f"wait-exit {TIMEOUT_S * 1000}"], timeout_s=TIMEOUT_S + 60, code=2)
    if c.failures:
        raise HarnessError(f"the run of {lines} model lines failed: " + "; ".join(c.failures))
    return t.seconds


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--lines", type=int, action="append", help="model lines added (default 100,000 and 1,000,000)")
    parser.add_argument("--state", type=Path, default=SOURCE / "build" / "native" / "e2e-large-package",
                        help="folder of the benchmark's own Wine prefix")
    parser.add_argument("--keep", action="store_true", help="leave the prefix's processes running")
    options = parser.parse_args(argv)

    def benchmark(run: TestRun) -> int:
        reference = silent_run(run, 0)
        for lines in options.lines or [100_000, 1_000_000]:
            seconds = silent_run(run, lines)
            print(f"silent install with {lines:,} more model lines: {seconds:.1f} s, with the example's own: "
                  f"{reference:.1f} s, ratio {seconds / reference:.1f}x")
        return 0

    return run_benchmark(options.state, SOURCE / "dist", options.keep, benchmark)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
