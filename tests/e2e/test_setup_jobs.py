# End-to-end tests of Setup.exe under Wine: what the dialog's jobs leave on the system. Uninstall
# and install through the dialog, on the Windows versions whose steps differ. Each case seeds the
# prefix's files, device nodes and registry, runs the program and checks what is left. The prefix
# is shared by all cases; each starts from a system that the harness has cleared.

from wine_harness import (DRIVER, ENUM, EXIT, INF_COPY_98, INF_COPY_XP, INF_FOLDER, INSTALL, INSTALL_COMPLETE, MESSAGE,
                          OTHER_FOLDER, PACKAGE, PORT_DRIVER, PROGRESS, START, STATUS, SYSTEM_USB_STORAGE, TITLE,
                          UNINSTALL, UNINSTALL_COMPLETE, USB_CLASS, USB_STORAGE_FILES, USB_STORAGE_INF, WAIT_DIALOG,
                          Case, cases, expect_placed, focus, inf_files)

FILES_NOT_PLACED = "The driver files could not be copied into the Windows folder. Installation is not complete."
DRIVER_NOT_REMOVED = "The driver could not be removed from the Windows folder. Uninstallation is not complete."
HDC_CLASS = "{4D36E96A-E325-11CE-BFC1-08002BE10318}"
DISK_CLASS = "{4D36E967-E325-11CE-BFC1-08002BE10318}"
# Device nodes as the removal passes meet them: instance ID, setup class, whether it must go.
DEVICE_NODES = [
    (r"USB\VID_1A2B&PID_3C4D\5&2A3B1C&0&1", USB_CLASS, True),  # the device on the USB bus
    (r"USB\VID_1A2B&PID_3C4E\5&1234&0&2", USB_CLASS, True),  # the package's second model
    (r"USB\Vid_1a2b&Pid_3c4e&MI_00\6&1F2E&0&0000", HDC_CLASS, True),  # its storage node, written in lower case
    (r"UQ7STOR\VID_1A2B&PID_3C4D\7&3C4D&0&0", HDC_CLASS, True),  # the node of the disk's own port driver
    (r"USB\VID_1A2B&PID_3C4F\5&2A3B1C&0&2", USB_CLASS, False),  # another model of the same maker
    (r"USB\VID_9999&PID_0001\0001", USB_CLASS, False),  # another maker's device
    (r"USB\VID_1A2B&PID_3C4D&MI_01\6&1F2E&0&0001", DISK_CLASS, False),  # the pair in another class
    (r"PCI\VID_1A2B&PID_3C4D\3&61AA&0&10", HDC_CLASS, False),  # the pair under another enumerator
    (r"UQ7STOR\VID_1A2B&PID_3C4E\7&3C4E&0&0", USB_CLASS, False),  # the USB class under the port driver's enumerator
]
# Another vendor's installed copy whose hardware ID holds the pair's digits, but not as a VID and
# PID: it is not ours to delete.
FOREIGN_VENDOR_INF = (b"[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Net\r\nProvider=Other\r\n\r\n"
                      b"[Manufacturer]\r\nOther=NetModels\r\n\r\n"
                      b"[NetModels]\r\nNetwork Card=NetInstall,PCI\\VEN_8086&DEV_1A2B&SUBSYS_3C4D8086\r\n")
# A device INF in UTF-16LE with its byte order mark, as Windows writes them, naming the second model.
UNICODE_INF = b"\xff\xfe" + "\r\n".join([
    "[Version]", 'Signature="$Windows NT$"', "Class=HDC", "Provider=%Maker%", "",
    "[Manufacturer]", "%Maker%=DiskModels", "", "[DiskModels]", r"%Disk.Desc%=DiskInstall,USB\VID_1a2b&PID_3c4e", "",
    "[DiskInstall]", "AddReg=DiskRegistry", "",
    "[Strings]", 'Maker="Exämple Mäker"', 'Disk.Desc="Exämple USB Dïsk Storage"', ""]).encode("utf-16-le")
# INF files as an uninstall meets them, each but the other vendor's with its precompiled twin
# (.PNF): ours, ours in UTF-16, another device's, another vendor's, ours where it is no candidate.
# On the 98 family the copies in INF\OTHER are the candidates, an OEM name in the INF folder is
# not one; on 2000 and XP the OEM*.INF of the INF folder are, the system's own INFs are not.
UNINSTALL_INFS = {
    "win98": (rf"{OTHER_FOLDER}\EXDISK.INF", rf"{OTHER_FOLDER}\EXDISK2.INF", rf"{OTHER_FOLDER}\FOREIGN.INF",
              rf"{OTHER_FOLDER}\PCINET.INF", rf"{INF_FOLDER}\oem7.inf"),
    "winxp": (INF_COPY_XP, rf"{INF_FOLDER}\oem12.inf", rf"{INF_FOLDER}\oem13.inf", rf"{INF_FOLDER}\oem14.inf",
              rf"{INF_FOLDER}\usbdisk.inf"),
}
# How the uninstall is chosen and started: by the keyboard (Tab to the choices, Down, Enter for
# the default button, Start) on Windows 98, where a scanner holds the driver and our INF copy for
# a moment as the job starts; by clicks on XP, where the system's USB storage INF also stands
# under its backup names only, as a silent run cut off while the wizard ran left it, and a scanner
# holds one of them for a moment as the job starts.
UNINSTALLS = {
    "win98": (["key Tab", "key Down", "dump", f"hold-file {DRIVER}", rf"hold-file {OTHER_FOLDER}\EXDISK.INF",
               "key Enter", "pause 1500", "release-file"], {}),
    "winxp": ([f"click {UNINSTALL}", "dump", rf"hold-file {INF_FOLDER}\USBSTOR.IQ7", f"click {START}", "pause 1500",
               "release-file"],
              {rf"{INF_FOLDER}\{USB_STORAGE_INF[name]}": content for name, content in SYSTEM_USB_STORAGE.items()}),
}
# Me takes the 98 family's steps and folders, 2000 the INF folder's copies. Where no run hides
# the system's USB storage INF, it stands under its own name and must stay there.
UNINSTALL_INFS |= {"winme": UNINSTALL_INFS["win98"], "win2k": UNINSTALL_INFS["winxp"]}
UNINSTALLS |= {"winme": UNINSTALLS["win98"], "win2k": ([f"click {UNINSTALL}", "dump", f"click {START}"], {})}
SYSTEM_USB_STORAGE_IN_PLACE = {rf"{INF_FOLDER}\{name}": content for name, content in SYSTEM_USB_STORAGE.items()}
UNINSTALLS = {version: (steps, backups or SYSTEM_USB_STORAGE_IN_PLACE)
              for version, (steps, backups) in UNINSTALLS.items()}
NINETY_EIGHT_FAMILY = ("win98", "winme")


def uninstall(version: str, c: Case) -> None:
    steps, backups = UNINSTALLS[version]
    c.prepare(version, **({} if version == "win98" else {"Win98Only": "0"}))
    description = (PACKAGE / "EXDISK.IN_").read_bytes()
    other_device = description.replace(b"VID_1A2B&PID_3C4D", b"VID_9999&PID_0001").replace(b"VID_1A2B&PID_3C4E",
                                                                                           b"VID_9999&PID_0002")
    seeded = {}  # path: (content, kept)
    contents = (description, UNICODE_INF, other_device, FOREIGN_VENDOR_INF, description)
    for index, (path, content) in enumerate(zip(UNINSTALL_INFS[version], contents)):
        seeded[path] = (content, index >= 2)
        if index != 3:
            seeded[path[:-4] + ".PNF"] = (b"precompiled " + path.encode(), index >= 2)
    for path, content in [*((path, content) for path, (content, _) in seeded.items()), *backups.items()]:
        c.put(path, content)
    c.put(DRIVER, b"driver of an earlier install").chmod(0o444)  # read-only
    c.put(PORT_DRIVER, b"port driver of an earlier install").chmod(0o444)
    nodes = {rf"{ENUM}\{node}": {"ClassGUID": class_guid} for node, class_guid, _ in DEVICE_NODES}
    c.reg_import({**{key.rsplit("\\", 1)[0]: None for key in nodes}, **nodes})  # each instance's parent cleared first

    t = c.drive([c.launch(), WAIT_DIALOG, *steps, *MESSAGE], code=0, box=(TITLE, UNINSTALL_COMPLETE, "information"))
    if t.completed:
        chosen = t.dumps()[0]
        c.equal((chosen[INSTALL]["checked"], chosen[UNINSTALL]["checked"]), ("0", "1"), "checks after choosing")
        c.true("key Down" not in steps or focus(chosen) == UNINSTALL, "focus on Uninstall after Tab, Down")
    keys = c.registry(ENUM)
    for node, class_guid, removed in DEVICE_NODES:
        c.equal(rf"{ENUM}\{node}".lower() in keys, not removed, f"device node {node} of class {class_guid} still there")
    for path, (content, kept) in seeded.items():
        c.equal(c.read(path), content if kept else None, f"{path} {'kept' if kept else 'deleted'}")
    c.equal(c.read(DRIVER), None, f"read-only {DRIVER} deleted")
    c.equal(c.read(PORT_DRIVER), None if version in NINETY_EIGHT_FAMILY else b"port driver of an earlier install",
            f"read-only {PORT_DRIVER} deleted on the 98 family only")
    c.equal(inf_files(c, USB_STORAGE_FILES), SYSTEM_USB_STORAGE,
            "USBSTOR.INF and USBSTOR.PNF under their own names, and no backup")


cases({f"uninstall.{version}.removes_nodes_copies_and_driver": (version,) for version in UNINSTALLS}, uninstall)


# The first install on Windows 98 also looks at the dialog while the job runs and closes it then
# by Alt+F4, which must not end the job: the closing message still comes, over the dialog.
WATCHED = ["dump", "key Alt+F4", "wait-messagebox", "dump", "press", "wait-exit"]


def install(version: str, c: Case) -> None:
    c.prepare(version, **({} if version == "win98" else {"Win98Only": "0"}))
    for file in c.folder.glob("EXDISK.*"):  # a package on a read-only medium
        file.chmod(0o444)
    for name in ("A.SY_", "A.PDR"):  # folders named like the package's files are no driver files
        (c.folder / name).mkdir()
    c.put(DRIVER, b"driver of an earlier install").chmod(0o444)  # read-only, other bytes than the package's
    # On XP a scanner holds the edit's sibling that an interrupted run left, for the job's first
    # 6 s (the placement begins about 3.5 s in): the edit is tried again once it lets go.
    copy = INF_COPY_98 if version in NINETY_EIGHT_FAMILY else INF_COPY_XP
    sibling, held = copy[:-1] + "$", []
    if version == "winxp":
        c.put(sibling, b"half written")
        held = [f"hold-file {sibling}"]
    for steps in [WATCHED, MESSAGE] if version == "win98" else [MESSAGE]:
        t = c.drive([c.launch(), WAIT_DIALOG, *held, f"click {START}", *(["pause 6000", "release-file"] if held else []),
                     *steps], code=0, box=(TITLE, INSTALL_COMPLETE, "information"))
        if not t.completed:
            return
        expect_placed(c, version)
        for leftover in (sibling, copy[:-1] + "~"):
            c.equal(c.read(leftover), None, f"no {leftover}")
        if steps is WATCHED:
            running, closing = t.dumps()
            c.equal((running[START]["enabled"], running[EXIT]["enabled"]), ("0", "0"),
                    "Start and Exit while the job runs")
            c.equal((closing[0]["visible"], closing[START]["enabled"], closing[EXIT]["enabled"],
                     closing[STATUS]["text"], closing[PROGRESS]["position"]), ("1", "1", "1", "", "100"),
                    "under the closing message: dialog shown, Start and Exit enabled, status line empty, progress full")


cases({f"install.{version}.places_the_package" + ("_twice" if version == "win98" else ""): (version,)
       for version in ("win98", "winme", "win2k", "winxp")}, install)


# A folder where the driver goes stands for a user without the right to write or delete there:
# the job says that it is not complete; an install's bar stops where the placement left it. Each
# arrangement gives the files that the job must leave as they are.
def driver_blocked(c: Case) -> dict[str, bytes]:
    c.path(DRIVER).mkdir(parents=True)
    return {}


# An installed driver held open as the job runs (a scanner, say): it cannot be deleted.
def driver_held(c: Case) -> dict[str, bytes]:
    c.put(DRIVER, b"installed driver")
    return {DRIVER: b"installed driver"}


def port_driver_blocked(c: Case) -> dict[str, bytes]:
    c.path(PORT_DRIVER).mkdir(parents=True)
    return {}


# On XP a setup description named 12.IN_ would be copied as oem12.INF, where the system keeps
# another package's INF: that stays, and the install says that it is not complete.
def numbered_description(c: Case) -> dict[str, bytes]:
    (c.folder / "EXDISK.IN_").rename(c.folder / "12.IN_")
    c.put(rf"{INF_FOLDER}\oem12.inf", FOREIGN_VENDOR_INF)
    return {rf"{INF_FOLDER}\oem12.inf": FOREIGN_VENDOR_INF}


NOT_DONE = {
    "install.winxp.files_that_cannot_be_placed_say_so": ("winxp", [], FILES_NOT_PLACED, "30", driver_blocked),
    "install.win98.a_port_driver_that_cannot_be_placed_says_so":
        ("win98", [], FILES_NOT_PLACED, "30", port_driver_blocked),
    "uninstall.winxp.a_driver_that_cannot_be_removed_says_so":
        ("winxp", [f"click {UNINSTALL}", f"hold-file {DRIVER}"], DRIVER_NOT_REMOVED, "100", driver_held),
    "install.winxp.a_description_named_by_a_number_leaves_the_systems_oem_copy_alone":
        ("winxp", [], FILES_NOT_PLACED, "30", numbered_description)}


def job_not_done(version: str, choice: list[str], text: str, bar: str, arrange, c: Case) -> None:
    c.prepare(version, Win98Only="0")
    kept = arrange(c)
    t = c.drive([c.launch(), WAIT_DIALOG, *choice, f"click {START}", "wait-messagebox", "dump", "press", "wait-exit"],
                code=0, box=(TITLE, text, "error"))
    if t.completed:
        c.equal(t.dumps()[-1][PROGRESS]["position"], bar, "the bar under the closing message")
    for path, content in kept.items():
        c.equal(c.read(path), content, f"{path} left as it was")


cases(NOT_DONE, job_not_done)


# Another run's job holds the lock: the install waits, its status line saying why, then runs. The
# user chose Uninstall first and then Install again: the install is what runs.
def install_after_the_lock(version: str, c: Case) -> None:
    c.prepare(version, Win98Only="0")
    t = c.drive([r"hold-lock Global\UsbFlashDiskDriverSetup.Job", c.launch(), WAIT_DIALOG, f"click {UNINSTALL}",
                 f"click {INSTALL}", f"click {START}",
                 "pause 3000", "dump", "release-lock", *MESSAGE], code=0, box=(TITLE, INSTALL_COMPLETE, "information"))
    if t.completed:
        waiting = t.dumps()[-1]
        c.equal((waiting[STATUS]["text"], waiting[START]["enabled"], waiting[PROGRESS]["position"]),
                ("waiting for another setup...", "0", "0"), "status line, Start and bar while the lock is held")
        expect_placed(c, version)


cases({"install.winxp.waits_for_another_runs_job_saying_so": ("winxp",)}, install_after_the_lock)
