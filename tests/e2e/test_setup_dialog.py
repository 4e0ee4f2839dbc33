# End-to-end tests of Setup.exe under Wine: the start and the dialog as a person meets them. Each
# case copies the program (and usually the example package) into a fresh folder of the run's
# prefix, sets the Windows version, lets DialogDriver act and look, and checks the transcript.

import shutil
import subprocess

from wine_harness import (EXIT, GROUP, INSTALL, INSTALL_COMPLETE, INSTRUCTION, MESSAGE, PROGRESS, START, STATUS,
                          TEMPLATE_CAPTION, TITLE, UNINSTALL, WAIT_DIALOG, Case, case, cases, focus)

DEVICE_NAME = "Example Disk"  # the package's SetupDeviceDesc
APP_TITLE = "NORVALE PocketVault Win98 Driver Setup Utility"  # the English row 325
NO_PACKAGE = (APP_TITLE, "INF file not found !", "error", TEMPLATE_CAPTION)
REFUSAL = (TITLE, "This program is for Windows 98 only !", "error")
ABOUT_TEXT, ABOUT_OK, LOGO, SIDE_PICTURE = 1010, 1, 1013, -1
# The children of the setup dialog in template order, which is the tab order, and the position
# and size in dialog units that the template gives them; the two pictures take their bitmaps' sizes.
TEMPLATE_ORDER = [EXIT, START, PROGRESS, INSTALL, UNINSTALL, GROUP, STATUS, LOGO, INSTRUCTION, SIDE_PICTURE]
TEMPLATE_RECTS = {EXIT: "252,229,48,14", START: "198,229,48,14", PROGRESS: "103,212,199,12",
                  INSTALL: "109,165,153,10", UNINSTALL: "109,183,152,10", GROUP: "103,150,199,51",
                  STATUS: "103,204,146,8", INSTRUCTION: "103,10,200,138", LOGO: "12,9,51,35",
                  SIDE_PICTURE: "10,9,66,158"}
LABELS = {EXIT: "Exit", START: "Start", INSTALL: "Install or update driver", UNINSTALL: "Uninstall driver",
          GROUP: "Select Install/Uninstall"}
SHOWN = [WAIT_DIALOG, "dump", f"click {EXIT}", "wait-exit"]


# The waiting setup dialog: title, labels, the install choice, an empty status line, and the
# instruction naming the device, an "&" in it shown as itself (no mnemonic underline).
def expect_setup_dialog(c: Case, dump: dict, device: str = DEVICE_NAME) -> None:
    expected = [(0, "caption", TITLE), *((i, "text", label) for i, label in LABELS.items()), (STATUS, "text", ""),
                (INSTALL, "checked", "1"), (UNINSTALL, "checked", "0"), (INSTRUCTION, "prefix", "0")]
    for control_id, field, value in expected:  # the dialog's own line under 0
        c.equal(dump.get(control_id, {}).get(field), value, f"{field} of control {control_id}")
    text = dump.get(INSTRUCTION, {}).get("text", "")
    c.true(text.startswith(f"This program will install or uninstall {device} device driver for you."),
           f"the instruction names {device!r}: {text[:120]!r}")


# Setup.exe at the root of drive E: (a folder of the run mapped as that drive).
def drive_root(c: Case) -> tuple:
    root, drive = c.run.state_dir / "drive_e", c.run.prefix / "dosdevices" / "e:"
    shutil.rmtree(root, ignore_errors=True)
    drive.unlink(missing_ok=True)
    drive.symlink_to(root)
    return root, "E:\\Setup.exe"


# name: (Windows version, changes to the package's [Setup] section or None for no package at all,
# the steps after the launch, the message box the run shows or None, where the program is: its
# folder and path, the case's by default). Every run ends with 0.
STARTS = {
    **{f"no_package.{v}": (v, None, MESSAGE, NO_PACKAGE) for v in ("win98", "winxp")},  # read before any system step
    **{f"refusal.{v}": (v, {}, MESSAGE, REFUSAL) for v in ("win95", "winme", "win2k", "winxp")},
    "refusal.win95_even_when_not_win98_only": ("win95", {"Win98Only": "0"}, MESSAGE, REFUSAL),
    **{f"not_win98_only.{v}": (v, {"Win98Only": "0"}, SHOWN, None) for v in ("winme", "win2k", "winxp")},
    "package_without_fddinf.closes_without_a_message": ("win98", {"FDDInf": None}, ["wait-exit"], None),
    "setup_dialog.an_ampersand_in_the_device_name_shows_as_itself":
        ("win98", {"SetupDeviceDesc": "AT&T Disk"}, SHOWN, None),
    **{f"keyboard.{key.lower().replace('+', '_')}_ends_the_dialog":
       ("win98", {}, [WAIT_DIALOG, f"key {key}", "wait-exit"], None) for key in ("Escape", "Alt+F4")},
    # Started as C:/e2e/<case>/Setup.exe: "/Setup.exe" holds "/S", but the program's path is no argument.
    "setup_dialog.a_program_path_with_slash_s_is_no_switch":
        ("win98", {}, SHOWN, None, lambda c: (None, c.windows_folder.replace("\\", "/") + "/Setup.exe")),
    "drive_root.runs_from_the_root_of_a_drive": ("win98", {}, SHOWN, None, drive_root),
}


def start(version: str, setup_values: dict | None, steps: list[str], box: tuple | None, where=None, *, c: Case):
    into, exe = where(c) if where else (None, "")
    c.prepare(version, package=setup_values is not None, into=into, **(setup_values or {}))
    t = c.drive([c.launch(exe=exe), *steps], code=0, box=box)
    for dump in t.dumps() if t.completed else []:
        expect_setup_dialog(c, dump, (setup_values or {}).get("SetupDeviceDesc", DEVICE_NAME))


cases(STARTS, start)


@case("setup_dialog.win98.layout_keyboard_and_screenshot")
def layout_keyboard_and_screenshot(c: Case) -> None:
    c.prepare("win98")
    keys = ("Tab", "Tab", "Tab", "Shift+Tab", "Shift+Tab")
    t = c.drive([c.launch(), WAIT_DIALOG, "dump", "screenshot", *[s for k in keys for s in (f"key {k}", "dump")],
                 f"click {EXIT}", "wait-exit"], code=0)
    if not t.completed:
        return
    dump = t.dumps()[0]
    expect_setup_dialog(c, dump)
    c.equal(dump[0]["size"], "314,253", "dialog size in dialog units")
    c.equal(dump[0]["order"], TEMPLATE_ORDER, "children in template order")
    c.equal({i: dump.get(i, {}).get("du") for i in TEMPLATE_RECTS}, TEMPLATE_RECTS, "positions in dialog units")
    buttons = (EXIT, START, INSTALL, UNINSTALL)
    c.equal({i: (dump.get(i, {}).get("enabled"), dump.get(i, {}).get("visible")) for i in buttons},
            dict.fromkeys(buttons, ("1", "1")), "buttons enabled and visible")
    c.equal(dump.get(START, {}).get("default"), "1", "Start is the default button")
    c.equal([focus(d) for d in t.dumps()], [START, INSTALL, EXIT, START, EXIT, INSTALL],
            "focus: at start, after " + ", ".join(keys))
    # A blank or black screen has a colour or two; the dialog in its desktop has many.
    colours = subprocess.run(["identify", "-format", "%k", str(c.logs / "screen.png")], capture_output=True,
                             text=True).stdout
    c.true(colours.isdigit() and int(colours) > 8, f"colours in the screenshot: {colours!r}")


@case("about_box.from_the_system_menu")
def about_box(c: Case) -> None:
    c.prepare("win98")
    # First a click on the logo, which with the shipped "no link" does nothing.
    about_box = ["syscommand 16", f"wait-window About {TITLE}"]
    t = c.drive([c.launch(), WAIT_DIALOG, f"click {LOGO}", *about_box, "dump", f"click {ABOUT_OK}", "dump", *about_box,
                 "key Escape", "dump", f"click {EXIT}", "wait-exit"], code=0)
    if not t.completed:
        return
    about, after, after_escape = t.dumps()
    c.equal(about[0]["caption"], f"About {TITLE}", "about box caption")
    c.true(about.get(ABOUT_TEXT, {}).get("text", "").startswith(TITLE), f"about text starts with {TITLE!r}")
    c.equal((about.get(ABOUT_OK, {}).get("text"), about.get(ABOUT_OK, {}).get("focus")), ("OK", "1"),
            "OK button text and focus")
    c.equal((about[0]["size"], about.get(ABOUT_TEXT, {}).get("du"), about.get(ABOUT_TEXT, {}).get("prefix"),
             about.get(ABOUT_OK, {}).get("du"), about.get(-1, {}).get("du", "").split(",")[:2]),
            ("257,59", "37,11,159,34", "0", "200,7,50,14", ["9", "16"]),
            "about box size, text and OK in dialog units, the text without mnemonics, the icon's place")
    # OK closes the box and the setup dialog waits on, unchanged.
    c.equal((after[0]["caption"], after[0]["enabled"]), (TITLE, "1"), "the setup dialog, enabled, after OK")
    c.equal((after_escape[0]["caption"], after_escape[0]["enabled"]), (TITLE, "1"),
            "the setup dialog, enabled, after Escape closed the box")


@case("setup_exe.version_resource")
def version_resource(c: Case) -> None:
    c.prepare("win98", package=False)
    t = c.drive([rf"version {c.windows_folder}\Setup.exe"])
    blank = " "
    c.equal(t.all("version")[:1], [{
        "verb": "version", "file": "2.0.3.0", "product": "1.0.3.0", "Comments": "050831", "CompanyName": blank,
        "FileDescription": APP_TITLE, "FileVersion": "2.03", "InternalName": "Setup.exe",
        "LegalTrademarks": blank, "OriginalFilename": "Setup.exe", "PrivateBuild": blank,
        "ProductName": "VEZ Uzudo Virozi", "ProductVersion": blank, "SpecialBuild": blank}], "version resource")


# A box opened while the job runs would hold the job (and the machine's job lock) until closed.
@case("about_box.not_while_a_job_runs")
def no_about_box_during_a_job(c: Case) -> None:
    c.prepare("winxp", Win98Only="0")
    t = c.drive([c.launch(), WAIT_DIALOG, f"click {START}", "syscommand 16", *MESSAGE], code=0,
                box=(TITLE, INSTALL_COMPLETE, "information"))
    c.equal([e["caption"] for e in t.all("shown") if e["caption"].startswith("About")], [], "about boxes shown")
