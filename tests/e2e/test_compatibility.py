#!/usr/bin/env python3
"""End-to-end tests of Setup.exe under Wine: the places it is started from.

    test_compatibility.py --list
    test_compatibility.py --state DIR --package DIR CASE

A program folder named in a double-byte code page, and DLLs planted beside the program
under the names of system DLLs.
"""

from __future__ import annotations

import sys
from pathlib import Path
from typing import Callable

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
from test_setup_dialog import (  # noqa: E402
    DRIVER,
    INF_COPY,
    START,
    TARGET_NODE,
    TITLE,
    UNINSTALL,
    UNINSTALL_COMPLETE,
    USB_CLASS,
    WAIT_DIALOG,
    Check,
    expect_one_message,
    main,
    prepare,
    prepare_windows_98_system,
    q,
)
from wine_harness import TestRun  # noqa: E402

JAPANESE = "ja_JP.UTF-8"
# The last character's second byte in code page 932 is 0x5C, the byte of a backslash.
FOLDER_ENDING_IN_0X5C = "ソフト表"
JAPANESE_INSTALL_COMPLETE = "ドライバーのインストールは完了しました。USBフラッシュメモリをプラグインして下さい。"
PLANTED = ("setupapi.dll", "comctl32.dll")
# Wine prefers its own copies of system DLLs; these make it load a copy found beside a program
# first, as Windows does for a DLL that is not a known system DLL.
PREFER_PLANTED = "setupapi,comctl32=n,b"

CASES: dict[str, Callable[[TestRun, Check, Path], None]] = {}


def case(name: str):
    def register(function):
        CASES[name] = function
        return function

    return register


@case("compatibility.japanese_folder_ending_in_a_backslash_byte")
def japanese_folder(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "compatibility.japanese", "win98", None)
    folder = program.folder / FOLDER_ENDING_IN_0X5C
    program.install_program(folder)
    program.install_package(package, folder)
    prepare_windows_98_system(program)
    windows_folder = rf"{program.windows_folder}\{FOLDER_ENDING_IN_0X5C}"

    t = program.drive([f"launch exe={q(windows_folder + chr(92) + 'Setup.exe')} cwd={q(windows_folder)}",
                       WAIT_DIALOG, f"click id={START}", "wait-messagebox", "press", "wait-exit"], lang=JAPANESE)
    if not check.completed(t):
        return
    expect_one_message(check, t, TITLE, JAPANESE_INSTALL_COMPLETE, "information")
    check.equal(t.exit_code, 0, "exit code")
    inf_copy = program.windows_file(INF_COPY)
    check.true(inf_copy.exists() and b";CopyFiles=ExFiles" in inf_copy.read_bytes(), f"{INF_COPY} placed and edited")
    driver = program.windows_file(DRIVER)
    check.equal(driver.read_bytes() if driver.exists() else None, (package / "EXDISK.SY_").read_bytes(),
                f"{DRIVER} placed")


@case("compatibility.planted_system_dlls_are_not_loaded")
def planted_dlls(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "compatibility.planted", "win98", package)
    prepare_windows_98_system(program)
    for name in PLANTED:
        (program.folder / name).write_bytes((run.dist_dir / "tests" / "planted" / name).read_bytes())
    drive_c = program.windows_file("C:\\")

    def loaded() -> list[str]:
        """The planted DLLs that some process loaded since the markers were last cleared."""
        return sorted(m.name.lower()[len("planted-"):-len(".txt")] for m in drive_c.glob("[Pp][Ll][Aa][Nn][Tt][Ee][Dd]-*"))

    def clear_markers() -> None:
        for marker in drive_c.glob("[Pp][Ll][Aa][Nn][Tt][Ee][Dd]-*"):
            marker.unlink()

    # An ordinary program in the same folder, importing the two DLLs by name, gets the planted ones.
    clear_markers()
    importer = program.install_tool("PlantedDllImporter.exe")
    t = program.drive([f"launch exe={q(importer)} cwd={q(program.windows_folder)}", "wait-exit"],
                      dll_overrides=PREFER_PLANTED)
    if not check.completed(t):
        return
    check.equal(loaded(), sorted(PLANTED), "the planted DLLs load into an ordinary program")

    # Setup.exe, run through an uninstall that needs both DLLs, loads the system's own.
    clear_markers()
    node = program.seed_device_node(TARGET_NODE, USB_CLASS)
    t = program.drive([f"launch exe={q(program.windows_folder + chr(92) + 'Setup.exe')} cwd={q(program.windows_folder)}",
                       WAIT_DIALOG, f"click id={UNINSTALL}", f"click id={START}", "wait-messagebox", "press",
                       "wait-exit"], dll_overrides=PREFER_PLANTED)
    if not check.completed(t):
        return
    expect_one_message(check, t, TITLE, UNINSTALL_COMPLETE, "information")
    check.true(not program.reg_key_exists(node), "the device node was removed through the system's setupapi.dll")
    check.equal(loaded(), [], "planted DLLs loaded into Setup.exe")
    clear_markers()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:], CASES, __doc__))
