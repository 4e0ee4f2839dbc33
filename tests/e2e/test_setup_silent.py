#!/usr/bin/env python3
# End-to-end tests of Setup.exe under Wine: silent installs (`/S`), their exit statuses and what
# they leave on the system. A silent run shows no window and no message of any kind, whatever
# happens. On Windows XP it drives the new-hardware wizard, for which NewHardwareWizard.exe stands in.

from __future__ import annotations

import shutil
import sys
import time
from functools import partial

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from wine_harness import (DRIVER, DRIVER_TIMEOUT_S, INF_COPY_XP, INF_FOLDER, SYSTEM_USB_STORAGE,  # noqa: E402
                          USB_STORAGE_FILES, USB_STORAGE_INF, Case, Transcript, case, expect_placed, expected_inf_copy,
                          inf_files, run_cases, wait_or_end, windows_path)

WIZARD_SEARCH_S = 60  # the program's search for the wizard: 120 cycles of 500 ms
# A hung wizard: two opening presses that time out (3 s each), then 160 quiet cycles of 500 ms.
HUNG_WIZARD_LIMIT_S = 130


# A silent run with these files in the INF folder (None: without a package), a folder in the way
# of the file blocked, the package without the file without, and the wizard stand-in started with
# these arguments (waited for until its log shows ready); it ends with this exit status. The run,
# the USB storage files after it, and the wizard's exit status and log.
def silent_run(c: Case, version: str, timeout_s: int, code: int, files: dict[str, bytes] | None = None,
               wizard: list[str] | None = None, ready: str = "", dll_overrides: str = "", blocked: str = "",
               without: str = ""):
    c.prepare(version, package=files is not None)
    if without:
        (c.folder / without).unlink()
    for name, content in (files or {}).items():
        c.put(rf"{INF_FOLDER}\{name}", content)
    if blocked:
        c.path(blocked).mkdir(parents=True)
    log, process, status = c.logs / "wizard.txt", None, None
    if wizard is not None:
        shutil.copy2(c.run.dist_dir / "tests" / "NewHardwareWizard.exe", c.folder)
        process = c.run.start([rf"{c.windows_folder}\NewHardwareWizard.exe", windows_path(log), *wizard],
                              c.logs / "wizard.log")
        deadline = time.monotonic() + 20  # for the stand-in to show its first page
        while time.monotonic() < deadline and ready not in (log.read_text() if log.exists() else ""):
            time.sleep(0.05)
    t = c.drive([c.launch("/S"), f"wait-exit {timeout_s * 1000}"], dll_overrides=dll_overrides,
                timeout_s=max(timeout_s + 20, DRIVER_TIMEOUT_S))
    c.ended(t, code)
    if process:
        status = wait_or_end(process, 1 if ready == "hung" else 15)  # a hung one never ends by itself
        c.records.append(f"(the wizard's log)\n{log.read_text() if log.exists() else ''}")
    return t, inf_files(c, USB_STORAGE_FILES), status, Transcript(log.read_text() if log.exists() else "")


# A deployment script's run waits for nobody: no message box, only exit status 1.
case("no_package.silent_exits_with_1_without_a_word")(lambda c: silent_run(c, "win98", 20, 1))
case("silent.without_the_driver_file_exits_with_1_without_a_word")(
    lambda c: silent_run(c, "winxp", 20, 1, {}, without="EXDISK.SY_"))

# name: (Windows version, files put in the INF folder before the run, those expected there after
# it, None for gone). Wine cannot locate the root device node, so the device tree is never
# re-enumerated and these runs report that the device was not started.
BACKUPS_GONE = {"DRVIDX.Q7": None, "DRVDATA.Q7": None, "USBSTOR.IQ7": None, "USBSTOR.PQ7": None}
WINDOWS_2000_FILES = {"USBSTOR.INF": b"usb storage inf", "USBSTOR.PNF": b"usb storage pnf",
                      "USBSTOR.IQ7": b"old backup", "DRVIDX.Q7": b"old database backup"}
INSTALLS = {
    # Backups that a run cut short left behind: the hiding clears them before it moves the
    # database aside, and there is nothing to move, since the placement deleted it.
    "silent.win98_installs_without_a_message": ("win98", {"DRVIDX.Q7": b"stale", "DRVDATA.Q7": b"stale"}, BACKUPS_GONE),
    # Windows 95 is no system the program knows; only the interactive run refuses it.
    "silent.win95.installs_like_the_98_family": ("win95", {}, BACKUPS_GONE),
    "silent.win2k.hides_nothing": ("win2k", WINDOWS_2000_FILES, {**BACKUPS_GONE, **WINDOWS_2000_FILES}),
}


def install(version: str, before: dict[str, bytes], after: dict[str, bytes | None], c: Case) -> None:
    silent_run(c, version, 30, 2, before)
    expect_placed(c, version)
    c.equal(inf_files(c, after), {name: content for name, content in after.items() if content},
            "USB storage INF, driver database backups")


for name, row in INSTALLS.items():
    case(name)(partial(install, *row))


@case("silent.winxp.drives_the_wizard_to_finish")
def wizard_to_finish(c: Case) -> None:
    probes = [rf"{INF_FOLDER}\{name}" for name in USB_STORAGE_FILES] + [INF_COPY_XP, DRIVER]
    t, usb_storage, status, wizard = silent_run(c, "winxp", 45, 0, SYSTEM_USB_STORAGE, probes, "page name=welcome")

    def seen(verb: str, *keys: str) -> list[tuple]:
        return [tuple(e.get(k) for k in keys) for e in wizard.all(verb)]

    c.equal(seen("page", "name"), [("welcome",), ("busy",), ("found",), ("finish",)], "wizard pages shown")
    # Two opening presses that do not look at the button (the second comes while the wizard is
    # busy), none while Next is disabled, one when a page with Next comes up.
    c.equal(seen("next", "page", "by", "refused"),
            [("welcome", "driver", "0"), ("busy", "driver", "1"), ("busy", "wizard", "0"), ("found", "driver", "0")],
            "Next presses: page, by whom, refused")
    c.equal(seen("device-dialog", "command"), [(None,), ("5303",)], "the device dialog: shown, then its command")
    c.equal(seen("finish", "page"), [("finish",)], "Finish pressed on the last page")
    c.equal(status, 0, "the wizard's exit status (0: finished)")
    # While the wizard installs, the system's USB storage INF is hidden and the package is in place.
    c.equal({e["file"]: e["exists"] for e in wizard.all("probe")},
            {**{rf"{INF_FOLDER}\{name}": "0" for name in USB_STORAGE_INF},
             **{rf"{INF_FOLDER}\{name}": "1" for name in USB_STORAGE_INF.values()}, INF_COPY_XP: "1", DRIVER: "1"},
            "files present while the wizard is busy")
    c.equal(usb_storage, SYSTEM_USB_STORAGE, "USBSTOR.INF and USBSTOR.PNF back, byte for byte, and no backup")
    c.equal(c.read(INF_COPY_XP), expected_inf_copy(c), f"{INF_COPY_XP} placed")


@case("silent.winxp.without_a_wizard_gives_up_after_the_search")
def without_wizard(c: Case) -> None:
    # A run cut short left backups: USBSTOR.IQ7 beside a newer USBSTOR.INF, and USBSTOR.PQ7 alone.
    # The restore before the hiding keeps the newer INF and brings the PNF back.
    newer = {"USBSTOR.INF": b"[Version]\r\n; current\r\n", "USBSTOR.PQ7": b"precompiled"}
    t, usb_storage, _, _ = silent_run(c, "winxp", WIZARD_SEARCH_S + 25, 2,
                                      {**newer, "USBSTOR.IQ7": b"[Version]\r\n; stale\r\n"})
    c.true(WIZARD_SEARCH_S <= t.seconds < WIZARD_SEARCH_S + 25,
           f"the run lasted {t.seconds:.1f} s: the wizard search of {WIZARD_SEARCH_S} s and the install")
    c.equal(usb_storage, {"USBSTOR.INF": newer["USBSTOR.INF"], "USBSTOR.PNF": newer["USBSTOR.PQ7"]},
            "USBSTOR.INF and USBSTOR.PNF after the run, and no backup")


@case("silent.winxp.a_hung_wizard_ends_the_run_with_2")
def hung_wizard(c: Case) -> None:
    t, usb_storage, _, wizard = silent_run(c, "winxp", HUNG_WIZARD_LIMIT_S, 2, SYSTEM_USB_STORAGE, ["--hang"], "hung")
    c.true(wizard.all("hung"), "the stand-in hung")
    c.true(t.seconds < HUNG_WIZARD_LIMIT_S,
           f"the run ended by itself within the driving loop's limits: {t.seconds:.1f} s")
    c.equal(usb_storage, SYSTEM_USB_STORAGE, "USBSTOR.INF and USBSTOR.PNF back, and no backup")


@case("silent.a_dialog_that_cannot_be_made_exits_with_3")
def without_common_controls(c: Case) -> None:
    # Without the common controls the progress bar's class does not exist, so the dialog cannot
    # be made: nothing ran, and the status says so instead of "installed".
    silent_run(c, "winxp", 30, 3, {}, dll_overrides="comctl32=d")
    c.equal(c.read(INF_COPY_XP), None, f"nothing placed: {INF_COPY_XP}")


@case("silent.winxp.files_that_cannot_be_placed_exit_with_4")
def files_not_placed(c: Case) -> None:
    # A folder where the driver goes: the copy fails, so no device is started (no wizard search)
    # and the status says the files could not be placed.
    t, usb_storage, _, _ = silent_run(c, "winxp", 40, 4, SYSTEM_USB_STORAGE, blocked=DRIVER)
    c.true(t.seconds < WIZARD_SEARCH_S, f"no wizard search: the run lasted {t.seconds:.1f} s")
    c.equal(usb_storage, SYSTEM_USB_STORAGE, "USBSTOR.INF and USBSTOR.PNF never hidden")


if __name__ == "__main__":
    sys.exit(run_cases())
