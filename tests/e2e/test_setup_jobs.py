#!/usr/bin/env python3
"""End-to-end tests of Setup.exe under Wine: what its jobs leave on the system.

    test_setup_jobs.py --list
    test_setup_jobs.py --state DIR --package DIR CASE

Uninstall and install through the dialog, and silent installs, on the Windows versions whose
steps differ. Each case seeds the prefix's files, device nodes and registry value, runs the
program and checks what is left. The prefix is shared by all cases, so a case first clears
everything that it is going to check.
"""

from __future__ import annotations

import shutil
import stat
import sys
import time
from pathlib import Path
from typing import Callable

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
from test_setup_dialog import (  # noqa: E402
    CURRENT_VERSION_KEY,
    INSTALL_COMPLETE,
    OTHER_DEVICE_PATH,
    START,
    TITLE,
    UNINSTALL,
    UNINSTALL_COMPLETE,
    USB_CLASS,
    WAIT_DIALOG,
    Check,
    expect_one_message,
    launch,
    main,
    prepare,
)
from wine_harness import ProgramCase, TestRun, Transcript, parse_transcript  # noqa: E402

DEVICE_DESCRIPTION = "Example USB Disk"  # the target model's description, which names the wizard
WINDOWS_98_FAMILY = ("win95", "win98", "winme")

INF_FOLDER = r"C:\windows\inf"
OTHER_FOLDER = r"C:\windows\inf\other"
INF_COPY_98 = rf"{OTHER_FOLDER}\EXDISK.INF"
INF_COPY_XP = rf"{INF_FOLDER}\oemEXDISK.INF"
IOSUBSYS_FOLDER = r"C:\windows\system\iosubsys"
PORT_DRIVER = rf"{IOSUBSYS_FOLDER}\EXDISK.PDR"
DRIVER = r"C:\windows\system32\drivers\EXDISK.SYS"
# System files of the INF folder and the backup names they are hidden under.
DRIVER_DATABASE = {"DRVIDX.BIN": "DRVIDX.Q7", "DRVDATA.BIN": "DRVDATA.Q7"}
USB_STORAGE_INF = {"USBSTOR.INF": "USBSTOR.IQ7", "USBSTOR.PNF": "USBSTOR.PQ7"}
# What OtherDevicePath holds before a case: replaced on the 98 family, kept on 2000 and XP.
EARLIER_SEARCH_PATH = r"C:\windows\INF;C:\DRIVERS\EARLIER"
INSTALL_SECTION_COPY_LINE = b"\r\nCopyFiles=ExFiles\r\n"

ENUM = r"HKLM\System\CurrentControlSet\Enum"
HDC_CLASS = "{4D36E96A-E325-11CE-BFC1-08002BE10318}"
DISK_CLASS = "{4D36E967-E325-11CE-BFC1-08002BE10318}"
# Device nodes as the removal passes meet them: instance ID, setup class, whether it must go.
DEVICE_NODES = [
    (r"USB\VID_1A2B&PID_3C4D\5&2A3B1C&0&1", USB_CLASS, True),  # the device on the USB bus
    (r"USB\Vid_1a2b&Pid_3c4e&MI_00\6&1F2E&0&0000", HDC_CLASS, True),  # its storage node, written in lower case
    (r"UQ7STOR\VID_1A2B&PID_3C4D\7&3C4D&0&0", HDC_CLASS, True),  # the node of the disk's own port driver
    (r"USB\VID_1A2B&PID_3C4F\5&2A3B1C&0&2", USB_CLASS, False),  # another model of the same maker
    (r"USB\VID_1A2B&PID_3C4D&MI_01\6&1F2E&0&0001", DISK_CLASS, False),  # the pair in another class
    (r"PCI\VID_1A2B&PID_3C4D\3&61AA&0&10", HDC_CLASS, False),  # the pair under another enumerator
    (r"UQ7STOR\VID_1A2B&PID_3C4E\7&3C4E&0&0", USB_CLASS, False),  # the USB class under the port driver's enumerator
]

WIZARD_LOG = "wizard.log"
WIZARD_WAIT_S = 20  # for the stand-in to show its first page
WIZARD_SEARCH_S = 60  # the program's search for the wizard: 120 cycles of 500 ms
SYSTEM_USB_STORAGE = {"USBSTOR.INF": b"[Version]\r\n; the system's USB storage INF\r\n",
                      "USBSTOR.PNF": b"precompiled USBSTOR"}
# A hung wizard: two opening presses that time out (3 s each), then 160 quiet cycles of 500 ms.
HUNG_WIZARD_LIMIT_S = 130


# ---------------------------------------------------------------------------------------------
# The prefix before and after a run


def folder_names(program: ProgramCase, folder: str) -> set[str]:
    """The names in a folder of the prefix, exactly as they are written there."""
    path = program.windows_file(folder)
    return {entry.name for entry in path.iterdir()} if path.is_dir() else set()


def file_bytes(program: ProgramCase, path: str) -> bytes | None:
    file = program.windows_file(path)
    return file.read_bytes() if file.is_file() else None


def clear_system(program: ProgramCase) -> None:
    """Removes what any job or case may have left: INF copies and the files the cases seed
    beside them, the port driver, the driver, the driver database and its backups; sets
    OtherDevicePath to an earlier value. A Wine prefix has no INF\\OTHER folder of its own."""
    shutil.rmtree(program.windows_file(OTHER_FOLDER), ignore_errors=True)
    ours = ("oemexdisk.", "oem7.", "oem12.", "oem13.", "usbdisk.", "drvidx.", "drvdata.")
    for name in folder_names(program, INF_FOLDER):
        if name.lower().startswith(ours):
            program.remove_windows_file(rf"{INF_FOLDER}\{name}")
    program.windows_file(IOSUBSYS_FOLDER).mkdir(parents=True, exist_ok=True)
    for path in (PORT_DRIVER, DRIVER):
        program.remove_windows_file(path)
    program.reg_add(CURRENT_VERSION_KEY, "OtherDevicePath", EARLIER_SEARCH_PATH)


def make_read_only(file: Path) -> None:
    """Wine shows a file without any write permission as read-only."""
    file.chmod(stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)


def expected_inf_copy(description: bytes) -> bytes:
    """The setup description with the install section's CopyFiles line commented out once."""
    assert description.count(INSTALL_SECTION_COPY_LINE) == 1, "the package's [ExInstall] is not as these cases expect"
    return description.replace(INSTALL_SECTION_COPY_LINE, b"\r\n;CopyFiles=ExFiles\r\n")


def seed_installed_driver(program: ProgramCase) -> None:
    """A read-only driver of an earlier install, with other bytes than the package's."""
    make_read_only(program.put_windows_file(DRIVER, b"driver of an earlier install"))


def expect_placed(check: Check, program: ProgramCase, version: str, description: bytes, package: Path,
                  database: dict[str, bytes]) -> None:
    """The files and the value that an install leaves: the INF copy under its name, edited once;
    the port driver, the deleted driver database and the search path on the 98 family only;
    the driver everywhere; every placed file writable."""
    family_98 = version in WINDOWS_98_FAMILY
    inf_copy, wrong_copy = (INF_COPY_98, INF_COPY_XP) if family_98 else (INF_COPY_XP, INF_COPY_98)
    folder, name = inf_copy.rsplit("\\", 1)
    check.true(name in folder_names(program, folder), f"{name} in {folder}: {sorted(folder_names(program, folder))}")
    check.equal(file_bytes(program, inf_copy), expected_inf_copy(description),
                f"{inf_copy}: the setup description with one ';' before CopyFiles")
    check.true(not program.windows_file(wrong_copy).exists(), f"no {wrong_copy}")
    check.equal(file_bytes(program, DRIVER), (package / "EXDISK.SY_").read_bytes(), f"{DRIVER}: a copy of EXDISK.SY_")
    if family_98:
        check.equal(file_bytes(program, PORT_DRIVER), (package / "EXDISK.PDR").read_bytes(),
                    f"{PORT_DRIVER}: a copy of EXDISK.PDR")
        for file in database:
            check.equal(file_bytes(program, rf"{INF_FOLDER}\{file}"), None, f"{file} deleted")
        check.equal(program.reg_query(CURRENT_VERSION_KEY, "OtherDevicePath"), OTHER_DEVICE_PATH, "OtherDevicePath")
    else:
        check.true(not program.windows_file(PORT_DRIVER).exists(), f"no {PORT_DRIVER}")
        for file, content in database.items():
            check.equal(file_bytes(program, rf"{INF_FOLDER}\{file}"), content, f"{file} untouched")
        check.equal(program.reg_query(CURRENT_VERSION_KEY, "OtherDevicePath"), EARLIER_SEARCH_PATH,
                    "OtherDevicePath untouched")
    placed = [inf_copy, DRIVER] + ([PORT_DRIVER] if family_98 else [])
    attributes = program.dos_attributes(placed)
    for path in placed:
        shown = attributes.get(path.lower())
        check.true(shown is not None and "R" not in shown, f"{path} writable: attributes {shown!r}")


def seed_driver_database(program: ProgramCase) -> dict[str, bytes]:
    database = {name: f"{name} of the system".encode() for name in DRIVER_DATABASE}
    for name, content in database.items():
        program.put_windows_file(rf"{INF_FOLDER}\{name}", content)
    return database


def backups_left(program: ProgramCase) -> list[str]:
    """Backup names of hidden system files still in the INF folder, in any case."""
    backups = {b.lower() for b in (*DRIVER_DATABASE.values(), *USB_STORAGE_INF.values())}
    return sorted(name for name in folder_names(program, INF_FOLDER) if name.lower() in backups)


class UsbStorageInf:
    """USBSTOR.INF, USBSTOR.PNF and their backups in the prefix: whatever the prefix had is put
    aside while a case seeds its own, and put back afterwards."""

    def __init__(self, program: ProgramCase):
        self.program = program
        self.names = [*USB_STORAGE_INF, *USB_STORAGE_INF.values()]
        self.saved = {name: file_bytes(program, rf"{INF_FOLDER}\{name}") for name in self.names}

    def seed(self, contents: dict[str, bytes]) -> None:
        for name in self.names:
            self.program.remove_windows_file(rf"{INF_FOLDER}\{name}")
        for name, content in contents.items():
            self.program.put_windows_file(rf"{INF_FOLDER}\{name.upper()}", content)

    def current(self) -> dict[str, bytes]:
        """The files present, by their upper-case names."""
        found = {}
        for name in folder_names(self.program, INF_FOLDER):
            if name.upper() in self.names:
                found[name.upper()] = file_bytes(self.program, rf"{INF_FOLDER}\{name}")
        return found

    def put_back(self) -> None:
        self.seed({name: content for name, content in self.saved.items() if content is not None})


# ---------------------------------------------------------------------------------------------
# Runs


def install_by_dialog(program: ProgramCase) -> Transcript:
    return program.drive([launch(program), WAIT_DIALOG, f"click id={START}", "wait-messagebox", "press", "wait-exit"])


def install_silently(program: ProgramCase, timeout_s: int, dll_overrides: str = "") -> Transcript:
    return program.drive([launch(program, args="/S"), f"wait-exit timeout={timeout_s * 1000}"],
                         dll_overrides=dll_overrides, timeout_s=max(timeout_s + 20, 90))


def start_wizard(program: ProgramCase, *options: str):
    """The new-hardware wizard stand-in, started beside the program; the process and its log."""
    wizard_exe = program.install_tool("NewHardwareWizard.exe")
    process = program.start(wizard_exe, ["--log", rf"{program.windows_folder}\{WIZARD_LOG}", "--device",
                                         DEVICE_DESCRIPTION, *options], "wizard")
    return process, program.folder / WIZARD_LOG


def expect_silent_end(check: Check, t: Transcript, exit_code: int, what: str) -> None:
    check.equal(t.shown_message_boxes(), [], "message boxes shown")
    check.equal(t.exit_code, exit_code, f"exit code ({what})")


# ---------------------------------------------------------------------------------------------
# Cases

CASES: dict[str, Callable[[TestRun, Check, Path], None]] = {}


def case(name: str):
    def register(function):
        CASES[name] = function
        return function

    return register


def device_nodes_import(seed: bool) -> str:
    """A .reg text that deletes the device keys of DEVICE_NODES and, with seed, makes the nodes."""
    root = ENUM.replace("HKLM", "HKEY_LOCAL_MACHINE", 1)
    parents = sorted({node.rsplit("\\", 1)[0].upper() for node, _, _ in DEVICE_NODES})
    lines = ["REGEDIT4", ""] + [f"[-{root}\\{parent}]" for parent in parents] + [""]
    if seed:
        for node, class_guid, _ in DEVICE_NODES:
            lines += [f"[{root}\\{node}]", f'"ClassGUID"="{class_guid}"', ""]
    return "\n".join(lines)


def unicode_inf(hardware_id: str) -> bytes:
    """A device INF in UTF-16LE with its byte order mark, as Windows writes them."""
    text = "\r\n".join([
        "[Version]", 'Signature="$Windows NT$"', "Class=HDC", "Provider=%Maker%", "",
        "[Manufacturer]", "%Maker%=DiskModels", "",
        "[DiskModels]", f"%Disk.Desc%=DiskInstall,{hardware_id}", "",
        "[DiskInstall]", "AddReg=DiskRegistry", "",
        "[Strings]", 'Maker="Exämple Mäker"', 'Disk.Desc="Exämple USB Dïsk Storage"', "",
    ])
    return b"\xff\xfe" + text.encode("utf-16-le")


# Another vendor's installed copy whose hardware ID holds the pair's digits, but not as a VID and
# PID: it is not ours to delete.
FOREIGN_VENDOR_INF = (b"[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Net\r\nProvider=Other\r\n\r\n"
                      b"[Manufacturer]\r\nOther=NetModels\r\n\r\n"
                      b"[NetModels]\r\nNetwork Card=NetInstall,PCI\\VEN_8086&DEV_1A2B&SUBSYS_3C4D8086\r\n")


def other_device_inf(description: bytes) -> bytes:
    return description.replace(b"VID_1A2B&PID_3C4D", b"VID_9999&PID_0001").replace(b"VID_1A2B&PID_3C4E",
                                                                                     b"VID_9999&PID_0002")


def _uninstall(version: str):
    def run_case(run: TestRun, check: Check, package: Path) -> None:
        values = {} if version == "win98" else {"Win98Only": "0"}
        program = prepare(run, f"uninstall.{version}", version, package, **values)
        clear_system(program)
        description = (package / "EXDISK.IN_").read_bytes()
        if version in WINDOWS_98_FAMILY:
            # Copies in INF\OTHER are the candidates; an OEM name in the INF folder is not one.
            inf_files = {
                rf"{OTHER_FOLDER}\EXDISK.INF": (description, False),
                rf"{OTHER_FOLDER}\EXDISK.PNF": (b"precompiled EXDISK", False),
                rf"{OTHER_FOLDER}\EXDISK2.INF": (unicode_inf(r"USB\VID_1a2b&PID_3c4e"), False),
                rf"{OTHER_FOLDER}\EXDISK2.PNF": (b"precompiled EXDISK2", False),
                rf"{OTHER_FOLDER}\FOREIGN.INF": (other_device_inf(description), True),
                rf"{OTHER_FOLDER}\FOREIGN.PNF": (b"precompiled FOREIGN", True),
                rf"{OTHER_FOLDER}\PCINET.INF": (FOREIGN_VENDOR_INF, True),
                rf"{INF_FOLDER}\oem7.inf": (description, True),
                rf"{INF_FOLDER}\oem7.PNF": (b"precompiled oem7", True),
            }
        else:
            # OEM*.INF in the INF folder are the candidates; the system's own INFs are not.
            inf_files = {
                INF_COPY_XP: (description, False),
                rf"{INF_FOLDER}\oemEXDISK.PNF": (b"precompiled oemEXDISK", False),
                rf"{INF_FOLDER}\oem12.inf": (unicode_inf(r"USB\VID_1a2b&PID_3c4e"), False),
                rf"{INF_FOLDER}\oem12.PNF": (b"precompiled oem12", False),
                rf"{INF_FOLDER}\oem13.inf": (other_device_inf(description), True),
                rf"{INF_FOLDER}\oem13.PNF": (b"precompiled oem13", True),
                rf"{INF_FOLDER}\oem14.inf": (FOREIGN_VENDOR_INF, True),
                rf"{INF_FOLDER}\usbdisk.inf": (description, True),
                rf"{INF_FOLDER}\usbdisk.PNF": (b"precompiled usbdisk", True),
            }
        for path, (content, _) in inf_files.items():
            program.put_windows_file(path, content)
        seed_installed_driver(program)
        program.reg_import(device_nodes_import(seed=True))

        t = program.drive([launch(program), WAIT_DIALOG, f"click id={UNINSTALL}", f"click id={START}",
                           "wait-messagebox", "press", "wait-exit"])
        if check.completed(t):
            expect_one_message(check, t, TITLE, UNINSTALL_COMPLETE, "information")
            check.equal(t.exit_code, 0, "exit code")
        keys = program.reg_keys(ENUM)
        for node, class_guid, removed in DEVICE_NODES:
            check.equal(rf"{ENUM}\{node}".lower() in keys, not removed,
                        f"device node {node} of class {class_guid} still there")
        for path, (content, kept) in inf_files.items():
            check.equal(file_bytes(program, path), content if kept else None, f"{path} {'kept' if kept else 'deleted'}")
        check.true(not program.windows_file(DRIVER).exists(), f"read-only {DRIVER} deleted")

        program.reg_import(device_nodes_import(seed=False))
        for path in inf_files:
            program.remove_windows_file(path)

    return run_case


for _version in ("winxp", "win98"):
    case(f"uninstall.{_version}.removes_nodes_copies_and_driver")(_uninstall(_version))


def _install(version: str, twice: bool):
    def run_case(run: TestRun, check: Check, package: Path) -> None:
        values = {} if version == "win98" else {"Win98Only": "0"}
        program = prepare(run, f"install.{version}", version, package, **values)
        description = program.setup_description().read_bytes()
        for file in program.folder.glob("EXDISK.*"):  # a package on a read-only medium
            make_read_only(file)
        clear_system(program)
        database = seed_driver_database(program)
        seed_installed_driver(program)

        for run_number in range(1, 3 if twice else 2):
            t = install_by_dialog(program)
            if not check.completed(t):
                return
            expect_one_message(check, t, TITLE, INSTALL_COMPLETE, "information")
            check.equal(t.exit_code, 0, f"exit code of install {run_number}")
            expect_placed(check, program, version, description, package, database)

    return run_case


for _version, _twice in (("win98", True), ("winme", False), ("win2k", False), ("winxp", False)):
    case(f"install.{_version}.places_the_package" + ("_twice" if _twice else ""))(_install(_version, _twice))


@case("silent.winxp.drives_the_wizard_to_finish")
def silent_winxp_wizard(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "silent.winxp_wizard", "winxp", package)
    description = program.setup_description().read_bytes()
    clear_system(program)
    storage = UsbStorageInf(program)
    storage.seed(SYSTEM_USB_STORAGE)
    probes = [rf"{INF_FOLDER}\{name}" for name in (*USB_STORAGE_INF, *USB_STORAGE_INF.values())] + [INF_COPY_XP, DRIVER]
    wizard, log = start_wizard(program, *[a for p in probes for a in ("--probe", p)])
    try:
        deadline = time.monotonic() + WIZARD_WAIT_S
        while time.monotonic() < deadline and "page name=welcome" not in (log.read_text() if log.exists() else ""):
            time.sleep(0.05)
        t = install_silently(program, 45)
    finally:
        wizard_status = program.wait_or_end(wizard, 15)
        storage_after = storage.current()
        storage.put_back()
    wizard_log = log.read_text() if log.exists() else ""
    events = parse_transcript(wizard_log)
    check.transcripts.append(Transcript(events, f"(the wizard's log)\n{wizard_log}"))
    if check.completed(t):
        expect_silent_end(check, t, 0, "the wizard was finished")

    def seen(verb: str, *keys: str) -> list[tuple[str, ...]]:
        return [tuple(e.get(k) for k in keys) for e in events if e.verb == verb]

    check.equal(seen("page", "name"), [("welcome",), ("busy",), ("found",), ("finish",)], "wizard pages shown")
    # Two opening presses that do not look at the button (the second comes while the wizard is
    # busy), none while Next is disabled, one when a page with Next comes up.
    check.equal(seen("next", "page", "by", "refused"),
                [("welcome", "driver", "0"), ("busy", "driver", "1"), ("busy", "wizard", "0"), ("found", "driver", "0")],
                "Next presses: page, by whom, refused")
    check.equal(seen("device-dialog", "command"), [(None,), ("5303",)], "the device dialog: shown, then its command")
    check.equal(seen("finish", "page"), [("finish",)], "Finish pressed on the last page")
    check.equal(wizard_status, 0, "the wizard's exit status (0: finished)")
    # While the wizard installs, the system's USB storage INF is hidden and the package is in place.
    busy_probes = {e["file"]: e["exists"] for e in events if e.verb == "probe" and e.get("page") == "busy"}
    expected_probes = {rf"{INF_FOLDER}\USBSTOR.INF": "0", rf"{INF_FOLDER}\USBSTOR.PNF": "0",
                       rf"{INF_FOLDER}\USBSTOR.IQ7": "1", rf"{INF_FOLDER}\USBSTOR.PQ7": "1",
                       INF_COPY_XP: "1", DRIVER: "1"}
    check.equal(busy_probes, expected_probes, "files present while the wizard is busy")
    check.equal(storage_after, SYSTEM_USB_STORAGE, "USBSTOR.INF and USBSTOR.PNF back, byte for byte, and no backup")
    check.equal(file_bytes(program, INF_COPY_XP), expected_inf_copy(description), f"{INF_COPY_XP} placed")


@case("silent.winxp.without_a_wizard_gives_up_after_the_search")
def silent_winxp_no_wizard(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "silent.winxp_no_wizard", "winxp", package)
    clear_system(program)
    storage = UsbStorageInf(program)
    # A run cut short left backups: USBSTOR.IQ7 beside a newer USBSTOR.INF, and USBSTOR.PQ7 alone.
    # The restore before the hiding keeps the newer INF and brings the PNF back.
    system_inf, stale_inf, hidden_pnf = b"[Version]\r\n; current\r\n", b"[Version]\r\n; stale\r\n", b"precompiled"
    storage.seed({"USBSTOR.INF": system_inf, "USBSTOR.IQ7": stale_inf, "USBSTOR.PQ7": hidden_pnf})
    started = time.monotonic()
    try:
        t = install_silently(program, WIZARD_SEARCH_S + 25)
    finally:
        elapsed = time.monotonic() - started
        storage_after = storage.current()
        storage.put_back()
    if check.completed(t):
        expect_silent_end(check, t, 2, "no wizard was finished")
        check.true(WIZARD_SEARCH_S <= elapsed < WIZARD_SEARCH_S + 25,
                   f"the run lasted {elapsed:.1f} s: the wizard search of {WIZARD_SEARCH_S} s and the install")
    check.equal(storage_after, {"USBSTOR.INF": system_inf, "USBSTOR.PNF": hidden_pnf},
                "USBSTOR.INF and USBSTOR.PNF after the run, and no backup")


@case("silent.winxp.a_hung_wizard_ends_the_run_with_2")
def silent_winxp_hung_wizard(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "silent.winxp_hung_wizard", "winxp", package)
    clear_system(program)
    storage = UsbStorageInf(program)
    storage.seed(SYSTEM_USB_STORAGE)
    wizard, log = start_wizard(program, "--hang-ms", "1000", "--lifetime-ms", "600000")
    started = time.monotonic()
    try:
        deadline = time.monotonic() + WIZARD_WAIT_S
        while time.monotonic() < deadline and "hung" not in (log.read_text() if log.exists() else ""):
            time.sleep(0.05)
        started = time.monotonic()
        t = install_silently(program, HUNG_WIZARD_LIMIT_S)
    finally:
        elapsed = time.monotonic() - started
        program.wait_or_end(wizard, 1)
        storage_after = storage.current()
        storage.put_back()
    wizard_log = log.read_text() if log.exists() else ""
    check.transcripts.append(Transcript(parse_transcript(wizard_log), f"(the wizard's log)\n{wizard_log}"))
    check.true("hung" in wizard_log, "the stand-in hung")
    if check.completed(t):
        expect_silent_end(check, t, 2, "the wizard never finished")
        check.true(elapsed < HUNG_WIZARD_LIMIT_S, f"the run ended by itself within the driving loop's limits: {elapsed:.1f} s")
    check.equal(storage_after, SYSTEM_USB_STORAGE, "USBSTOR.INF and USBSTOR.PNF back, and no backup")


@case("uninstall.winxp.after_an_interrupted_silent_run_puts_usbstor_back")
def uninstall_after_interrupted_silent_run(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "uninstall.winxp_interrupted", "winxp", package, Win98Only="0")
    clear_system(program)
    storage = UsbStorageInf(program)
    # A silent run cut off while the wizard ran: the system's files under the backup names alone.
    storage.seed({"USBSTOR.IQ7": SYSTEM_USB_STORAGE["USBSTOR.INF"], "USBSTOR.PQ7": SYSTEM_USB_STORAGE["USBSTOR.PNF"]})
    try:
        t = program.drive([launch(program), WAIT_DIALOG, f"click id={UNINSTALL}", f"click id={START}",
                           "wait-messagebox", "press", "wait-exit"])
    finally:
        storage_after = storage.current()
        storage.put_back()
    if check.completed(t):
        expect_one_message(check, t, TITLE, UNINSTALL_COMPLETE, "information")
    check.equal(storage_after, SYSTEM_USB_STORAGE, "USBSTOR.INF and USBSTOR.PNF back under their own names, and no backup")


@case("silent.a_dialog_that_cannot_be_made_exits_with_3")
def silent_without_common_controls(run: TestRun, check: Check, package: Path) -> None:
    # Without the common controls the progress bar's class does not exist, so the dialog cannot
    # be made: nothing ran, and the status says so instead of "installed".
    program = prepare(run, "silent.no_dialog", "winxp", package)
    clear_system(program)
    t = install_silently(program, 30, dll_overrides="comctl32=d")
    if check.completed(t):
        expect_silent_end(check, t, 3, "the dialog could not be made")
    check.true(not program.windows_file(INF_COPY_XP).exists(), f"nothing placed: {INF_COPY_XP}")


@case("silent.winxp.files_that_cannot_be_placed_exit_with_4")
def silent_files_not_placed(run: TestRun, check: Check, package: Path) -> None:
    # A folder where the driver goes: the copy fails, so no device is started (no wizard search)
    # and the status says the files could not be placed.
    program = prepare(run, "silent.not_placed", "winxp", package)
    clear_system(program)
    blocker = program.windows_file(DRIVER)
    blocker.mkdir(parents=True)
    storage = UsbStorageInf(program)
    storage.seed(SYSTEM_USB_STORAGE)
    started = time.monotonic()
    try:
        t = install_silently(program, 40)
    finally:
        elapsed = time.monotonic() - started
        storage_after = storage.current()
        storage.put_back()
        shutil.rmtree(blocker, ignore_errors=True)
    if check.completed(t):
        expect_silent_end(check, t, 4, "the driver could not be placed")
        check.true(elapsed < WIZARD_SEARCH_S, f"no wizard search: the run lasted {elapsed:.1f} s")
    check.equal(storage_after, SYSTEM_USB_STORAGE, "USBSTOR.INF and USBSTOR.PNF never hidden")


@case("silent.win2k.hides_nothing")
def silent_win2k(run: TestRun, check: Check, package: Path) -> None:
    program = prepare(run, "silent.win2k", "win2k", package)
    description = program.setup_description().read_bytes()
    clear_system(program)
    storage = UsbStorageInf(program)
    system_files = {"USBSTOR.INF": b"usb storage inf", "USBSTOR.PNF": b"usb storage pnf", "USBSTOR.IQ7": b"old backup"}
    storage.seed(system_files)
    database = seed_driver_database(program)
    program.put_windows_file(rf"{INF_FOLDER}\DRVIDX.Q7", b"old database backup")
    try:
        t = install_silently(program, 30)
    finally:
        storage_after = storage.current()
        database_after = {name: file_bytes(program, rf"{INF_FOLDER}\{name}")
                          for name in (*DRIVER_DATABASE, *DRIVER_DATABASE.values())}
        storage.put_back()
    if check.completed(t):
        # Wine 8 cannot locate the root device node: the re-enumeration fails.
        expect_silent_end(check, t, 2, "the device tree was not re-enumerated")
    check.equal(storage_after, system_files, "USBSTOR files and backup untouched")
    check.equal(database_after, {**database, "DRVIDX.Q7": b"old database backup", "DRVDATA.Q7": None},
                "driver database and backups untouched")
    check.equal(file_bytes(program, INF_COPY_XP), expected_inf_copy(description), f"{INF_COPY_XP} placed")
    check.equal(file_bytes(program, DRIVER), (package / "EXDISK.SY_").read_bytes(), f"{DRIVER} placed")
    check.true(not program.windows_file(PORT_DRIVER).exists(), f"no {PORT_DRIVER}")
    check.equal(program.reg_query(CURRENT_VERSION_KEY, "OtherDevicePath"), EARLIER_SEARCH_PATH,
                "OtherDevicePath untouched")


@case("silent.win95.installs_like_the_98_family")
def silent_win95(run: TestRun, check: Check, package: Path) -> None:
    # Windows 95 is no system the program knows; only the interactive run refuses it.
    program = prepare(run, "silent.win95", "win95", package)
    description = program.setup_description().read_bytes()
    clear_system(program)
    database = seed_driver_database(program)
    t = install_silently(program, 30)
    if check.completed(t):
        expect_silent_end(check, t, 2, "the device tree was not re-enumerated")
    expect_placed(check, program, "win95", description, package, database)
    check.equal(backups_left(program), [], "backups left in the INF folder")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:], CASES, __doc__))
