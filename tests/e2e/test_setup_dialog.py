#!/usr/bin/env python3
"""End-to-end tests of Setup.exe under Wine: the dialog as a person meets it.

    test_setup_dialog.py --list
    test_setup_dialog.py --state DIR --package DIR CASE

Each case copies the program (and usually the example package) into a fresh folder of the
run's prefix, sets the Windows version, lets DialogDriver act and look, and checks the
transcript. A failing case prints every check that failed, then the transcripts.
"""

from __future__ import annotations

import argparse
import shutil
import subprocess
import sys
from pathlib import Path
from typing import Callable

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
from wine_harness import HarnessError, ProgramCase, TestRun, Transcript  # noqa: E402

TITLE = "Example Disk Setup"  # the package's SetupName
STRING_TABLE_TITLE = "NORVALE PocketVault Win98 Driver Setup Utility"  # the title before a package is read
TEMPLATE_CAPTION = "Setup"  # the dialog's caption until the package has been read
TEMPLATE_INSTRUCTION = "IDS_INSTRUCTION"  # the instruction's text until the start puts it in
INF_NOT_FOUND = "INF file not found !"
DEVICE_NAME = "Example Disk"
WIN98_ONLY = "This program is for Windows 98 only !"
UNINSTALL_COMPLETE = "Uninstallation is complete."
INSTALL_COMPLETE = "Installation is complete. Please replug your device."
INSTRUCTION_START = f"This program will install or uninstall {DEVICE_NAME} device driver for you."

# Where an install puts the package on the Windows 98 family, and what it leaves in the registry.
INF_COPY = r"C:\windows\inf\other\EXDISK.INF"
INF_COPY_TWIN = r"C:\windows\inf\other\EXDISK.PNF"
PORT_DRIVER = r"C:\windows\system\iosubsys\EXDISK.PDR"
DRIVER = r"C:\windows\system32\drivers\EXDISK.SYS"
DRIVER_DATABASE = (r"C:\windows\inf\DRVIDX.BIN", r"C:\windows\inf\DRVDATA.BIN")
DRIVER_DATABASE_BACKUPS = (r"C:\windows\inf\DRVIDX.Q7", r"C:\windows\inf\DRVDATA.Q7")
CURRENT_VERSION_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
OTHER_DEVICE_PATH = r"C:\windows\INF\OTHER"
USB_CLASS = "{36FC9E60-C465-11CF-8056-444553540000}"
TARGET_NODE = r"USB\VID_1A2B&PID_3C4D\0001"
SECOND_MODEL_NODE = r"USB\VID_1A2B&PID_3C4E\5&1234&0&2"
FOREIGN_NODE = r"USB\VID_9999&PID_0001\0001"

# Controls of the setup dialog and the about box.
EXIT, START, PROGRESS, INSTALL, UNINSTALL, STATUS, GROUP, LOGO, INSTRUCTION = 2, 1003, 1004, 1006, 1007, 1008, 1011, 1013, 1014
ABOUT_TEXT, ABOUT_OK = 1010, 1
SIDE_PICTURE = -1

# The children of the setup dialog in template order, which is the tab order.
TEMPLATE_ORDER = [EXIT, START, PROGRESS, INSTALL, UNINSTALL, GROUP, STATUS, LOGO, INSTRUCTION, SIDE_PICTURE]
# Position and size in dialog units, as the template gives them (the bitmaps size themselves).
TEMPLATE_RECTS = {
    EXIT: "252,229,48,14",
    START: "198,229,48,14",
    PROGRESS: "103,212,199,12",
    INSTALL: "109,165,153,10",
    UNINSTALL: "109,183,152,10",
    GROUP: "103,150,199,51",
    STATUS: "103,204,146,8",
    INSTRUCTION: "103,10,200,138",
}
ENGLISH_LABELS = {
    EXIT: "Exit",
    START: "Start",
    INSTALL: "Install or update driver",
    UNINSTALL: "Uninstall driver",
    GROUP: "Select Install/Uninstall",
}


# ---------------------------------------------------------------------------------------------
# Checks


class Check:
    """Collects the failed expectations of one case."""

    def __init__(self, name: str):
        self.name = name
        self.failures: list[str] = []
        self.transcripts: list[Transcript] = []

    def equal(self, actual, expected, what: str) -> None:
        if actual != expected:
            self.failures.append(f"{what}: expected {expected!r}, got {actual!r}")

    def true(self, condition: bool, what: str) -> None:
        if not condition:
            self.failures.append(what)

    def completed(self, transcript: Transcript) -> bool:
        """The driver ran every step; otherwise the rest of the case is not worth checking.
        Every run is also held to the rule of the dialog's appearance (expect_shown_once)."""
        self.transcripts.append(transcript)
        expect_shown_once(self, transcript)
        if not transcript.completed:
            self.failures.append(f"DialogDriver did not finish its steps: {transcript.error or 'no transcript'}")
            return False
        return True

    def report(self, run: TestRun) -> int:
        if not self.failures:
            print(f"{self.name}: passed")
            return 0
        print(f"{self.name}: FAILED")
        for failure in self.failures:
            print(f"  - {failure}")
        for number, transcript in enumerate(self.transcripts, 1):
            print(f"\n--- transcript {number} ---\n{transcript.text.rstrip()}")
            if transcript.log.strip():
                print(f"--- wine output ---\n{transcript.log.rstrip()}")
        print(f"\nlogs: {run.logs}")
        return 1


def control(check: Check, dump: dict, control_id: int):
    found = dump.get(control_id)
    check.true(found is not None, f"the dialog has no control {control_id}")
    return found


def expect_setup_dialog(check: Check, dump: dict, labels: dict[int, str] = ENGLISH_LABELS) -> None:
    """The waiting setup dialog: title, labels, the install choice, an empty status line."""
    check.equal(dump[0]["caption"], TITLE, "dialog caption")
    for control_id, label in labels.items():
        if found := control(check, dump, control_id):
            check.equal(found["text"], label, f"text of control {control_id}")
    if status := control(check, dump, STATUS):
        check.equal(status["text"], "", "status line")
    if install := control(check, dump, INSTALL):
        check.equal(install.get("checked"), "1", "install choice checked")
    if uninstall := control(check, dump, UNINSTALL):
        check.equal(uninstall.get("checked"), "0", "uninstall choice checked")
    if instruction := control(check, dump, INSTRUCTION):
        check.true(instruction["text"].startswith(INSTRUCTION_START),
                   f"instruction text starts with {INSTRUCTION_START!r}: {instruction['text'][:120]!r}")


def expect_shown_once(check: Check, transcript: Transcript) -> None:
    """A start that ends during initialisation (package messages, refusal, silent run) shows no
    window but its message boxes, not even for an instant; a start that waits shows the setup
    dialog once, with the package's title and its instruction already in place."""
    shown = transcript.shown_windows()
    if not any(step.startswith("wait-window") for step in transcript.steps):
        check.equal([(e["class"], e["caption"]) for e in shown], [], "windows of the program shown besides message boxes")
        return
    setup = [e for e in shown if e.get("instruction") is not None]
    check.equal(len(setup), 1, "times the setup dialog appeared")
    if setup:
        check.true(setup[0]["caption"] != TEMPLATE_CAPTION, f"caption in place when shown: {setup[0]['caption']!r}")
        check.true(setup[0]["instruction"] not in ("", TEMPLATE_INSTRUCTION),
                   f"instruction in place when shown: {setup[0]['instruction']!r}")


def expect_one_message(check: Check, transcript: Transcript, caption: str, text: str, icon: str,
                       owner: str | None = None) -> None:
    """Exactly one message box, with an OK button, owned by the setup dialog (whose caption
    is the package's title once the package is read, the template's before)."""
    check.equal(len(transcript.shown_message_boxes()), 1, "number of message boxes shown")
    for box in transcript.message_boxes()[:1]:
        check.equal((box["caption"], box["text"], box["icon"]), (caption, text, icon), "message box caption, text, icon")
        check.equal(box["buttons"], "OK", "message box buttons")
        check.equal(box["owner"], owner or caption, "caption of the message box's owner")


def expect_refusal(check: Check, transcript: Transcript) -> None:
    """Message 105 with the stop icon, owned by the never shown setup dialog, then the end."""
    expect_one_message(check, transcript, TITLE, WIN98_ONLY, "error")
    check.equal(transcript.exit_code, 0, "exit code")


# ---------------------------------------------------------------------------------------------
# Scripts


def q(text: str) -> str:
    return '"' + text.replace('"', '""') + '"'


def launch(program: ProgramCase, args: str = "", folder: str | None = None) -> str:
    folder = folder or program.windows_folder
    exe = folder.rstrip("\\") + "\\Setup.exe"
    return f"launch exe={q(exe)} cwd={q(folder)}" + (f" args={q(args)}" if args else "")


WAIT_DIALOG = f"wait-window caption={q(TITLE)}"


def prepare(run: TestRun, name: str, version: str, package: Path | None, **setup_values: str | None) -> ProgramCase:
    """A fresh program folder, with the package (its [Setup] keys changed, None removing one)."""
    program = ProgramCase(run, name)
    program.install_program()
    if package:
        program.install_package(package)
    for key, value in setup_values.items():
        program.set_setup_value(key, value)
    program.set_windows_version(version)
    return program


# ---------------------------------------------------------------------------------------------
# Cases

CASES: dict[str, Callable[[TestRun, Check, Path], None]] = {}


def case(name: str):
    def register(function):
        CASES[name] = function
        return function

    return register


def _no_package(version: str):
    def run_case(run: TestRun, check: Check, package: Path) -> None:
        program = prepare(run, f"no_package.{version}", version, package=None)
        t = program.drive([launch(program), "wait-messagebox", "press", "wait-exit"])
        if check.completed(t):
            expect_one_message(check, t, STRING_TABLE_TITLE, INF_NOT_FOUND, "error", owner=TEMPLATE_CAPTION)
            check.equal(t.exit_code, 0, "exit code")

    return run_case


for _version in ("win95", "win98", "winme", "win2k", "winxp"):
    case(f"no_package.{_version}")(_no_package(_version))


def expect_silent_refusal(check: Check, program: ProgramCase) -> None:
    """A deployment script's run waits for nobody: no message box, only exit status 1."""
    t = program.drive([launch(program, args="/S"), "wait-exit timeout=20000"])
    if check.completed(t):
        check.equal(t.shown_message_boxes(), [], "message boxes shown")
        check.equal(t.exit_code, 1, "exit code (package unreadable)")


@case("no_package.silent_exits_with_1_without_a_word")
def no_package_silent(run: TestRun, check: Check, package: Path) -> None:
    expect_silent_refusal(check, prepare(run, "no_package.silent", "win98", package=None))


@case("silent.without_the_driver_file_exits_with_1_without_a_word")
def silent_without_driver(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "silent.no_driver", "winxp", package)
    (program.folder / "EXDISK.SY_").unlink()
    expect_silent_refusal(check, program)


@case("setup_dialog.a_program_path_with_slash_s_is_no_switch")
def program_path_with_slash_s(run: TestRun, check: Check, package: Path) -> None:
    # Started as C:/e2e/<case>/Setup.exe: "/Setup.exe" holds "/S", but the path is no argument.
    program = prepare(run, "setup_dialog.slash_path", "win98", package)
    exe = program.windows_folder.replace("\\", "/") + "/Setup.exe"
    t = program.drive([f"launch exe={q(exe)} cwd={q(program.windows_folder)}", WAIT_DIALOG, "dump",
                       f"click id={EXIT}", "wait-exit"])
    if check.completed(t):
        expect_setup_dialog(check, t.dumps()[0])
        check.equal(t.exit_code, 0, "exit code after Exit")


@case("package_without_fddinf.closes_without_a_message")
def package_without_fddinf(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "package_without_fddinf", "win98", package, FDDInf=None)
    t = program.drive([launch(program), "wait-exit"])
    if check.completed(t):
        check.equal(t.shown_message_boxes(), [], "message boxes shown")
        check.equal(t.exit_code, 0, "exit code")


@case("setup_dialog.win98")
def setup_dialog_win98(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "setup_dialog.win98", "win98", package)
    t = program.drive([launch(program), WAIT_DIALOG, "dump", "focus", f"click id={EXIT}", "wait-exit"])
    if not check.completed(t):
        return
    dump = t.dumps()[0]
    expect_setup_dialog(check, dump)
    check.equal(dump[0]["size"], "314,253", "dialog size in dialog units")
    check.equal(t.dump_order(0), TEMPLATE_ORDER, "children in template order")
    for control_id, rect in TEMPLATE_RECTS.items():
        if found := dump.get(control_id):
            check.equal(found["du"], rect, f"position of control {control_id} in dialog units")
    for control_id in (EXIT, START, INSTALL, UNINSTALL):
        if found := dump.get(control_id):
            check.equal((found["enabled"], found["visible"]), ("1", "1"), f"control {control_id} enabled and visible")
    if start := dump.get(START):
        check.equal(start["kind"], "defpushbutton", "Start is the default button")
    check.equal(t.focus_ids(), [START], "keyboard focus at start")
    check.equal(t.shown_message_boxes(), [], "message boxes shown")
    check.equal(t.exit_code, 0, "exit code after Exit")


@case("setup_dialog.an_ampersand_in_the_device_name_shows_as_itself")
def ampersand_in_device_name(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "setup_dialog.ampersand", "win98", package, SetupDeviceDesc="AT&T Disk")
    t = program.drive([launch(program), WAIT_DIALOG, "dump", f"click id={EXIT}", "wait-exit"])
    if check.completed(t) and (instruction := control(check, t.dumps()[0], INSTRUCTION)):
        check.true("install or uninstall AT&T Disk device driver" in instruction["text"],
                   f"the device name in the instruction: {instruction['text'][:80]!r}")
        check.equal(instruction.get("prefix"), "0", "the instruction shows & as it stands (no mnemonic underline)")


def _refused(version: str, win98_only: str | None):
    def run_case(run: TestRun, check: Check, package: Path) -> None:
        values = {"Win98Only": win98_only} if win98_only is not None else {}
        program = prepare(run, f"refusal.{version}", version, package, **values)
        t = program.drive([launch(program), "wait-messagebox", "press", "wait-exit"])
        if check.completed(t):
            expect_refusal(check, t)

    return run_case


for _version in ("win95", "winme", "win2k", "winxp"):
    case(f"refusal.{_version}")(_refused(_version, None))
case("refusal.win95_even_when_not_win98_only")(_refused("win95", "0"))


def _accepted_when_not_win98_only(version: str):
    def run_case(run: TestRun, check: Check, package: Path) -> None:
        program = prepare(run, f"not_win98_only.{version}", version, package, Win98Only="0")
        t = program.drive([launch(program), WAIT_DIALOG, "dump", f"click id={EXIT}", "wait-exit"])
        if check.completed(t):
            expect_setup_dialog(check, t.dumps()[0])
            check.equal(t.shown_message_boxes(), [], "message boxes shown")
            check.equal(t.exit_code, 0, "exit code")

    return run_case


for _version in ("winme", "win2k", "winxp"):
    case(f"not_win98_only.{_version}")(_accepted_when_not_win98_only(_version))


def prepare_windows_98_system(program: ProgramCase) -> None:
    """What a Windows 98 has and a Wine prefix lacks: the I/O subsystem folder and the driver
    database; none of the package's files from an earlier case."""
    program.windows_file(r"C:\windows\system\iosubsys").mkdir(parents=True, exist_ok=True)
    for name in DRIVER_DATABASE:
        program.put_windows_file(name, b"driver database")
    for name in (INF_COPY, INF_COPY_TWIN, PORT_DRIVER, DRIVER):
        program.remove_windows_file(name)


def expect_installed(check: Check, program: ProgramCase, package: Path) -> None:
    """The files and the registry value that an install leaves on the Windows 98 family."""
    inf_copy = program.windows_file(INF_COPY)
    check.true(inf_copy.is_file(), f"{INF_COPY} placed")
    if inf_copy.is_file():
        active = [line for line in inf_copy.read_text(errors="replace").splitlines()
                  if line.strip().lower().startswith("copyfiles")]
        check.equal(active, [], "CopyFiles lines left active in the INF copy")
    for placed, source in ((DRIVER, "EXDISK.SY_"), (PORT_DRIVER, "EXDISK.PDR")):
        file = program.windows_file(placed)
        check.true(file.is_file() and file.read_bytes() == (package / source).read_bytes(),
                   f"{placed} is a copy of {source}")
    for name in DRIVER_DATABASE:
        check.true(not program.windows_file(name).exists(), f"{name} deleted")
    check.equal(program.reg_query(CURRENT_VERSION_KEY, "OtherDevicePath"), OTHER_DEVICE_PATH, "OtherDevicePath")


@case("job.uninstall_removes_devices_inf_copies_and_driver")
def uninstall_job(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "job.uninstall", "win98", package)
    prepare_windows_98_system(program)
    description = (package / "EXDISK.IN_").read_bytes()
    program.put_windows_file(INF_COPY, description)
    program.put_windows_file(INF_COPY_TWIN, b"precompiled")
    foreign_inf = r"C:\windows\inf\other\FOREIGN.INF"
    program.put_windows_file(foreign_inf, description.replace(b"VID_1A2B&PID_3C4D", b"VID_9999&PID_0001")
                             .replace(b"VID_1A2B&PID_3C4E", b"VID_9999&PID_0002"))
    program.put_windows_file(DRIVER, (package / "EXDISK.SY_").read_bytes())
    nodes = {node: program.seed_device_node(node, USB_CLASS) for node in (TARGET_NODE, SECOND_MODEL_NODE, FOREIGN_NODE)}

    t = program.drive([launch(program), WAIT_DIALOG, f"click id={UNINSTALL}", "dump", f"click id={START}",
                       "wait-messagebox", "press", "wait-exit"])
    if not check.completed(t):
        return
    chosen = t.dumps()[0]
    check.equal((chosen[INSTALL]["checked"], chosen[UNINSTALL]["checked"]), ("0", "1"), "checks after choosing uninstall")
    expect_one_message(check, t, TITLE, UNINSTALL_COMPLETE, "information")
    check.equal(t.exit_code, 0, "exit code")
    for node in (TARGET_NODE, SECOND_MODEL_NODE):
        check.true(not program.reg_key_exists(nodes[node]), f"device node {node} removed")
    check.true(program.reg_key_exists(nodes[FOREIGN_NODE]), f"device node {FOREIGN_NODE} kept")
    for name in (INF_COPY, INF_COPY_TWIN, DRIVER):
        check.true(not program.windows_file(name).exists(), f"{name} deleted")
    check.true(program.windows_file(foreign_inf).exists(), f"{foreign_inf} kept")
    program.remove_windows_file(foreign_inf)
    program.reg_delete_key(nodes[FOREIGN_NODE])


@case("job.install_places_the_files_and_locks_the_dialog_while_it_runs")
def install_job(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "job.install", "win98", package)
    prepare_windows_98_system(program)
    t = program.drive([launch(program), WAIT_DIALOG, f"click id={START}", "dump", "key name=Alt+F4",
                       "wait-messagebox", "dump", "press", "wait-exit"])
    if not check.completed(t):
        return
    running, closing = t.dumps()
    check.equal((running[START]["enabled"], running[EXIT]["enabled"]), ("0", "0"), "Start and Exit while the job runs")
    # Alt+F4 during the job must not end it: the closing message still comes, over the dialog.
    expect_one_message(check, t, TITLE, INSTALL_COMPLETE, "information")
    check.equal(closing[0]["visible"], "1", "setup dialog still shown under the closing message")
    check.equal((closing[START]["enabled"], closing[EXIT]["enabled"]), ("1", "1"),
                "Start and Exit under the closing message")
    check.equal(closing[STATUS]["text"], "", "status line under the closing message")
    check.equal(closing[PROGRESS].get("position"), "100", "progress under the closing message")
    check.equal(t.exit_code, 0, "exit code")
    expect_installed(check, program, package)


@case("keyboard.tab_order")
def tab_order(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "keyboard.tab_order", "win98", package)
    steps = [launch(program), WAIT_DIALOG, "focus"]
    for key in ("Tab", "Tab", "Tab", "Shift+Tab", "Shift+Tab"):
        steps += [f"key name={key}", "focus"]
    t = program.drive(steps + [f"click id={EXIT}", "wait-exit"])
    if check.completed(t):
        check.equal(t.focus_ids(), [START, INSTALL, EXIT, START, EXIT, INSTALL],
                    "focus: at start, after Tab, Tab, Tab, Shift+Tab, Shift+Tab")
        check.equal(t.exit_code, 0, "exit code")


@case("keyboard.arrow_chooses_uninstall_and_enter_starts")
def arrow_and_enter(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "keyboard.arrow_chooses_uninstall_and_enter_starts", "win98", package)
    t = program.drive([launch(program), WAIT_DIALOG, "key name=Tab", "key name=Down", "focus", "dump",
                       "key name=Enter", "wait-messagebox", "press", "wait-exit"])
    if not check.completed(t):
        return
    check.equal(t.focus_ids(), [UNINSTALL], "focus after Tab, Down")
    chosen = t.dumps()[0]
    check.equal((chosen[INSTALL]["checked"], chosen[UNINSTALL]["checked"]), ("0", "1"), "checks after Down")
    # Enter presses the default button, Start; the job is the one the arrow chose.
    check.equal([b["text"] for b in t.message_boxes()], [UNINSTALL_COMPLETE], "closing message after Enter")
    check.equal(t.exit_code, 0, "exit code")


def _key_ends_dialog(key: str):
    def run_case(run: TestRun, check: Check, package: Path) -> None:
        program = prepare(run, f"keyboard.{key}_ends_the_dialog", "win98", package)
        t = program.drive([launch(program), WAIT_DIALOG, f"key name={key}", "wait-exit"])
        if check.completed(t):
            check.equal(t.shown_message_boxes(), [], "message boxes shown")
            check.equal(t.exit_code, 0, "exit code")

    return run_case


for _key in ("Escape", "Alt+F4"):
    case(f"keyboard.{_key.lower().replace('+', '_')}_ends_the_dialog")(_key_ends_dialog(_key))


@case("silent.win98_installs_without_a_message")
def silent_install(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "silent.win98", "win98", package)
    prepare_windows_98_system(program)
    # Backups that a run cut short left behind: the hiding clears them before it moves the
    # database aside, and there is nothing to move, since the placement deleted it.
    for name in DRIVER_DATABASE_BACKUPS:
        program.put_windows_file(name, b"stale backup")
    t = program.drive([launch(program, args="/S"), "wait-exit timeout=30000"])
    if not check.completed(t):
        return
    check.equal(t.shown_message_boxes(), [], "message boxes shown")
    # Wine 8 cannot locate the root device node, so the device tree is never re-enumerated
    # and the silent run reports that the device was not started.
    check.equal(t.exit_code, 2, "exit code (device not started)")
    expect_installed(check, program, package)
    for name in DRIVER_DATABASE_BACKUPS:
        check.true(not program.windows_file(name).exists(), f"{name} left behind")


@case("about_box.from_the_system_menu")
def about_box(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "about_box", "win98", package)
    t = program.drive([launch(program), WAIT_DIALOG, "syscommand id=16", f"wait-window caption={q('About ' + TITLE)}",
                       "dump", f"click id={ABOUT_OK}", "dump", f"click id={EXIT}", "wait-exit"])
    if not check.completed(t):
        return
    about, after = t.dumps()
    check.equal(about[0]["caption"], f"About {TITLE}", "about box caption")
    if text := control(check, about, ABOUT_TEXT):
        check.true(text["text"].startswith(TITLE), f"about text starts with {TITLE!r}: {text['text']!r}")
    if ok := control(check, about, ABOUT_OK):
        check.equal((ok["text"], ok["focus"]), ("OK", "1"), "OK button text and focus")
    # OK closes the box and the setup dialog waits on, unchanged.
    check.equal(after[0]["caption"], TITLE, "window after OK")
    check.equal(after[0]["enabled"], "1", "setup dialog enabled after OK")
    check.equal(t.exit_code, 0, "exit code")


@case("language.japanese")
def japanese(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "language.japanese", "win98", package)
    t = program.drive([launch(program), WAIT_DIALOG, "dump", f"click id={EXIT}", "wait-exit"], lang="ja_JP.UTF-8")
    if not check.completed(t):
        return
    dump = t.dumps()[0]
    check.equal(dump[0]["caption"], TITLE, "caption (the package's title)")
    check.equal(dump[START]["text"], "スタート", "Start in Japanese")
    check.equal(dump[EXIT]["text"], "終了", "Exit in Japanese")
    check.equal(dump[INSTALL]["text"], "ドライバーをインストール、またはアップデートします", "install choice in Japanese")
    check.equal(t.exit_code, 0, "exit code")


@case("drive_root.runs_from_the_root_of_a_drive")
def drive_root(run: TestRun, check: Check, package: Path) -> None:
    program = ProgramCase(run, "drive_root")
    root_folder = run.state_dir / "drive_e"
    if root_folder.exists():
        shutil.rmtree(root_folder)
    root = program.map_drive("E", root_folder)
    program.install_program(into=root_folder)
    program.install_package(package, into=root_folder)
    program.set_windows_version("win98")
    t = program.drive([launch(program, folder=root), WAIT_DIALOG, "dump", f"click id={EXIT}", "wait-exit"])
    if check.completed(t):
        expect_setup_dialog(check, t.dumps()[0])
        check.equal(t.exit_code, 0, "exit code")


@case("screenshot.of_the_waiting_dialog")
def screenshot(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "screenshot", "win98", package)
    picture = program.logs / "dialog.png"
    t = program.drive([launch(program), WAIT_DIALOG, *program.pause("shot"), f"click id={EXIT}", "wait-exit"],
                      on_signal=lambda name: run.screenshot(picture))
    if not check.completed(t):
        return
    check.true(picture.is_file(), f"screenshot {picture} taken")
    if picture.is_file():
        # A blank or black screen has a colour or two; the dialog in its desktop has many.
        colours = subprocess.run(["identify", "-format", "%k", str(picture)], capture_output=True, text=True).stdout
        check.true(colours.isdigit() and int(colours) > 8, f"colours in the screenshot: {colours!r}")


# ---------------------------------------------------------------------------------------------


def main(argv: list[str], cases: dict[str, Callable[[TestRun, Check, Path], None]] | None = None,
         description: str | None = None) -> int:
    """Lists the cases or runs one of them; another case file passes its own cases."""
    cases = CASES if cases is None else cases
    parser = argparse.ArgumentParser(description=description or __doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", action="store_true", help="print the names of the cases, one a line")
    parser.add_argument("--state", type=Path, help="the run's folder (made by wine_harness.py setup)")
    parser.add_argument("--package", type=Path, help="the example package folder")
    parser.add_argument("case", nargs="?")
    options = parser.parse_args(argv)
    if options.list:
        print("\n".join(cases))
        return 0
    if not (options.state and options.package and options.case):
        parser.error("give --state, --package and a case")
    if options.case not in cases:
        parser.error(f"no case {options.case}; --list shows them")
    function = cases[options.case]
    check = Check(options.case)
    try:
        run = TestRun.load(options.state)
        function(run, check, options.package.resolve())
    except HarnessError as problem:
        print(f"{options.case}: test setup failed: {problem}")
        return 1
    return check.report(run)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
