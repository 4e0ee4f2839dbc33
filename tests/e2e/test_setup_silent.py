# End-to-end tests of Setup.exe under Wine: silent installs (`/S`), their exit statuses and what
# they leave on the system. A silent run shows no window and no message of any kind, whatever
# happens. On Windows XP it drives the new-hardware wizard, for which NewHardwareWizard.exe stands in.

import shutil
import time

from wine_harness import (DRIVER, DRIVER_TIMEOUT_S, INF_COPY_98, INF_COPY_XP, INF_FOLDER, SYSTEM_USB_STORAGE,
                          USB_STORAGE_FILES, USB_STORAGE_INF, Case, Transcript, calls_of, case, cases, expect_placed,
                          expected_inf_copy, fault_on_p6_instructions, fault_where, inf_files, wait_or_end,
                          windows_path)

WIZARD_SEARCH_S = 60  # the program's search for the wizard: 120 cycles of 500 ms
# A hung wizard: two opening presses that time out (3 s each), then 160 quiet cycles of 500 ms,
# about 87 s; a run that never found it ends after the 60 s search, well below the least here.
HUNG_WIZARD_LIMIT_S, HUNG_WIZARD_LEAST_S = 130, 78
BACKUPS_GONE = {"DRVIDX.Q7": None, "DRVDATA.Q7": None, "USBSTOR.IQ7": None, "USBSTOR.PQ7": None}
SYSTEM_USB_STORAGE_BACK = {**SYSTEM_USB_STORAGE, "USBSTOR.IQ7": None, "USBSTOR.PQ7": None}  # and no backup
WINDOWS_2000_FILES = {"USBSTOR.INF": b"usb storage inf", "USBSTOR.PNF": b"usb storage pnf",
                      "USBSTOR.IQ7": b"old backup", "DRVIDX.Q7": b"old database backup"}
# A run cut short left backups: USBSTOR.IQ7 beside a newer USBSTOR.INF, and USBSTOR.PQ7 alone.
# The restore before the hiding keeps the newer INF and brings the PNF back.
CUT_SHORT = {"USBSTOR.INF": b"[Version]\r\n; current\r\n", "USBSTOR.PQ7": b"precompiled",
             "USBSTOR.IQ7": b"[Version]\r\n; stale\r\n"}


# The wizard stand-in's options for a backup it holds that long after Finish.
def held(milliseconds: int) -> dict:
    return {"wizard": ["--hold", rf"{INF_FOLDER}\USBSTOR.IQ7", str(milliseconds)], "ready": "page name=welcome",
            "then": lambda c, wizard, _: c.equal([e["opened"] for e in wizard.all("held")], ["1"], "the backup held")}


def expect_finished(c: Case, wizard: Transcript, status: int | None) -> None:
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
    c.equal(c.read(INF_COPY_XP), expected_inf_copy(c), f"{INF_COPY_XP} placed")


# The wizard stand-in's options for a run that drives it to its end, probing the files it checks.
FINISHING = {"wizard": [rf"{INF_FOLDER}\{name}" for name in USB_STORAGE_FILES] + [INF_COPY_XP, DRIVER],
             "ready": "page name=welcome", "then": expect_finished}


def silent_run(version: str, code: int, files: dict[str, bytes] | None, after: dict[str, bytes | None],
               seconds: tuple[int, int], placed: bool | None, options: dict, c: Case) -> None:
    c.prepare(version, package=files is not None)
    if "pentium" in options and c.run.arch == "win32":  # the 64-bit build runs on none of them
        c.true(fault_on_p6_instructions(c.folder / "Setup.exe") > 0, "instructions a Pentium lacks, made to fault")
    if "without" in options:
        (c.folder / options["without"]).unlink()
    for name, content in (files or {}).items():
        c.put(rf"{INF_FOLDER}\{name}", content)
    if "blocked" in options:
        c.path(options["blocked"]).mkdir(parents=True)
    log, wizard = c.logs / "wizard.txt", None
    if "wizard" in options:
        wizard = c.run.start([windows_path(c.run.dist_dir / "tests" / "NewHardwareWizard.exe"), windows_path(log),
                              *options["wizard"]], c.logs / "wizard.log")
        deadline = time.monotonic() + 20  # for the stand-in to show its first page
        while time.monotonic() < deadline and options["ready"] not in (log.read_text() if log.exists() else ""):
            time.sleep(0.05)
    limit, least = seconds
    held_file, held_ms = options.get("hold", (None, 0))  # a scanner holds it from before the start
    steps = [f"hold-file {held_file}", c.launch("/S"), f"pause {held_ms}", "release-file"] if held_file else [
        c.launch("/S")]
    t = c.drive([*steps, f"wait-exit {limit * 1000}"], dll_overrides=options.get("dlls", ""),
                timeout_s=max(limit + 20, DRIVER_TIMEOUT_S), code=code)
    c.true(least <= t.seconds < limit, f"the run lasted {t.seconds:.1f} s, expected from {least} to {limit} s")
    c.equal(inf_files(c, after), {name: content for name, content in after.items() if content},
            "USB storage INF, driver database and their backups after the run")
    if placed:
        expect_placed(c, version)
    elif placed is False:
        c.equal(c.read(INF_COPY_XP), None, f"nothing placed: {INF_COPY_XP}")
    if wizard:
        status = wait_or_end(wizard, 1 if options["ready"] == "hung" else 15)  # a hung one never ends by itself
        c.records.append(f"(the wizard's log)\n{log.read_text() if log.exists() else ''}")
        options["then"](c, Transcript(log.read_text() if log.exists() else ""), status)


# name: (Windows version, exit status, files put in the INF folder before the run (None: no
# package), those expected there after it (None: gone), how long the run may take in seconds
# (its limit, and the least), what it leaves placed (True: the install's files, False: no INF
# copy, None: not looked at), the run's other conditions). Wine cannot locate the root device
# node, so the device tree is never re-enumerated and the installs report that the device was not
# started.
SILENT = {
    # A deployment script's run waits for nobody: no message box, only exit status 1.
    "no_package.silent_exits_with_1_without_a_word": ("win98", 1, None, {}, (20, 0), None, {}),
    "silent.without_the_driver_file_exits_with_1_without_a_word":
        ("winxp", 1, {}, {}, (20, 0), None, {"without": "EXDISK.SY_"}),
    # Backups that a run cut short left behind: the hiding clears them before it moves the
    # database aside, and there is nothing to move, since the placement deleted it.
    "silent.win98_installs_without_a_message":
        ("win98", 2, {"DRVIDX.Q7": b"stale", "DRVDATA.Q7": b"stale"}, BACKUPS_GONE, (30, 0), True, {}),
    # On a Pentium, Pentium MMX or K6: the compiler runtime's own conditional moves, which such
    # a processor lacks, are never reached.
    "silent.win98.installs_on_a_processor_without_conditional_moves":
        ("win98", 2, {}, BACKUPS_GONE, (30, 0), True, {"pentium": True}),
    # Windows 95 is no system the program knows; only the interactive run refuses it.
    "silent.win95.installs_like_the_98_family": ("win95", 2, {}, BACKUPS_GONE, (30, 0), True, {}),
    "silent.winme.installs_like_98": ("winme", 2, {}, BACKUPS_GONE, (30, 0), True, {}),
    "silent.win2k.hides_nothing":
        ("win2k", 2, WINDOWS_2000_FILES, {**BACKUPS_GONE, **WINDOWS_2000_FILES}, (30, 0), True, {}),
    "silent.winxp.drives_the_wizard_to_finish": ("winxp", 0, SYSTEM_USB_STORAGE, SYSTEM_USB_STORAGE_BACK, (45, 0), None,
                                                 FINISHING),
    # A scanner holds USBSTOR.INF for the first 6 s of the run, past the start of the device start
    # (about 3.5 s in): the hide is tried again, and the file is out of the wizard's way all the same.
    "silent.winxp.a_hide_refused_for_a_moment_is_tried_again":
        ("winxp", 0, SYSTEM_USB_STORAGE, SYSTEM_USB_STORAGE_BACK, (45, 0), None,
         {**FINISHING, "hold": (rf"{INF_FOLDER}\USBSTOR.INF", 6000)}),
    # The search of the wizard, then the install.
    "silent.winxp.without_a_wizard_gives_up_after_the_search":
        ("winxp", 2, CUT_SHORT, {"USBSTOR.INF": CUT_SHORT["USBSTOR.INF"], "USBSTOR.PNF": CUT_SHORT["USBSTOR.PQ7"],
                                 "USBSTOR.IQ7": None, "USBSTOR.PQ7": None}, (WIZARD_SEARCH_S + 25, WIZARD_SEARCH_S),
         None, {}),
    # It ends by itself within the driving loop's limits.
    "silent.winxp.a_hung_wizard_ends_the_run_with_2":
        ("winxp", 2, SYSTEM_USB_STORAGE, SYSTEM_USB_STORAGE_BACK, (HUNG_WIZARD_LIMIT_S, HUNG_WIZARD_LEAST_S), None,
         {"wizard": ["--hang"], "ready": "hung",
          "then": lambda c, wizard, _: c.true(wizard.all("hung"), "the stand-in hung")}),
    # A scanner holds USBSTOR.IQ7 after Finish: the rename back is tried again for about 4.5 s;
    # past that the run says that it could not put the file back.
    "silent.winxp.a_rename_back_refused_for_a_moment_is_tried_again":
        ("winxp", 0, SYSTEM_USB_STORAGE, SYSTEM_USB_STORAGE_BACK, (45, 0), None, held(1500)),
    "silent.winxp.a_rename_back_refused_for_good_exits_with_5":
        ("winxp", 5, SYSTEM_USB_STORAGE, {**SYSTEM_USB_STORAGE_BACK, "USBSTOR.INF": None,
                                          "USBSTOR.IQ7": SYSTEM_USB_STORAGE["USBSTOR.INF"]}, (45, 0), None, held(8000)),
    # Without the common controls the progress bar's class does not exist, so the dialog cannot
    # be made: nothing ran, and the status says so instead of "installed".
    "silent.a_dialog_that_cannot_be_made_exits_with_3": ("winxp", 3, {}, {}, (30, 0), False, {"dlls": "comctl32=d"}),
    # A folder where the driver goes: the copy fails, so no device is started (no wizard search),
    # the system's USB storage INF is never hidden, and the status says the files could not be placed.
    "silent.winxp.files_that_cannot_be_placed_exit_with_4":
        ("winxp", 4, SYSTEM_USB_STORAGE, SYSTEM_USB_STORAGE_BACK, (40, 0), None, {"blocked": DRIVER}),
}

cases(SILENT, silent_run)


# Another run's job holds the program's job lock, named in the global namespace of Windows 2000
# and XP, in the one namespace of the 98 family: the silent run changes nothing while it waits
# (unguarded, its job places the INF copy within a few seconds) and runs once the lock is free.
def waits_for_the_lock(version: str, lock: str, c: Case) -> None:
    c.prepare(version)
    inf_copy = INF_COPY_98 if version == "win98" else INF_COPY_XP
    t = c.drive([f"hold-lock {lock}", c.launch("/S"), "pause 8000", f"probe {inf_copy}", "release-lock",
                 "wait-exit 30000"], code=2)
    c.equal([(e["file"], e["exists"]) for e in t.all("probe")], [(inf_copy, "0")], "the INF copy while held")
    expect_placed(c, version)


cases({f"silent.{version}.waits_while_another_runs_job_holds_the_lock": (version, lock) for version, lock in
       [("win98", "UsbFlashDiskDriverSetup.Job"), ("win2k", r"Global\UsbFlashDiskDriverSetup.Job")]},
      waits_for_the_lock)


# A fault that nothing handles (memory running out outside the INF reader, say, or an access
# violation), met inside a window procedure as the jobs are, by Setup.exe's own handlers: the
# silent run ends at once with its own status. The runtime's way, a box saying "abnormal program
# termination" and then status 3 ("nothing ran"), or the system's box for a program error, would
# hold a deployment script until someone clicked it.
def fault_nothing_handles(arguments: str, c: Case) -> None:
    c.prepare("winxp", package=False)
    shutil.copy2(c.run.dist_dir / "tests" / "FaultingProgram.exe", c.folder)
    c.drive([c.launch(arguments, exe=rf"{c.windows_folder}\FaultingProgram.exe"), "wait-exit 10000"], code=6)


cases({f"silent.{name}_ends_the_run_with_6_without_a_box": (arguments,) for name, arguments in
       [("a_fault_nothing_handles", "/S"), ("an_access_violation", "/S /access")]}, fault_nothing_handles)


# Setup.exe itself, its search for the package made to fault: a silent run has the handlers.
@case("silent.a_fault_in_setup_exe_ends_the_run_with_6_without_a_box")
def setup_exe_faulting(c: Case) -> None:
    c.prepare("winxp")
    if c.run.arch == "win32":  # the patch reads 32-bit code
        program = c.folder / "Setup.exe"
        c.true(fault_where(program, calls_of(program, "FindFirstFileA")) > 0, "the file searches made to fault")
        c.drive([c.launch("/S"), "wait-exit 10000"], code=6)
