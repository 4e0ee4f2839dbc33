# End-to-end tests of Setup.exe under Wine: the places it is started from. Japanese Windows with a
# program folder named in its double-byte code page, a folder named outside the ANSI code page,
# DLLs planted beside the program under the names of system DLLs; and the unit tests over the core
# as the shipped build compiles it.

import shutil

from wine_harness import (DRIVER, ENUM, EXIT, INSTALL, INSTALL_COMPLETE, MESSAGE, OTHER_FOLDER, PACKAGE, START, TITLE,
                          UNINSTALL, UNINSTALL_COMPLETE, USB_CLASS, WAIT_DIALOG, Case, case, cases, expect_placed,
                          windows_path)

# The last character's second byte in code page 932 is 0x5C, the byte of a backslash.
FOLDER_ENDING_IN_0X5C = "ソフト表"
# Letters that code page 1252, the ANSI code page of the English prefix, lacks: a desktop under a
# Cyrillic user name on a Western system.
CYRILLIC_FOLDER = "Установка"
JAPANESE_LABELS = {START: "スタート", EXIT: "終了", INSTALL: "ドライバーをインストール、またはアップデートします"}
JAPANESE_INSTALL_COMPLETE = "ドライバーのインストールは完了しました。USBフラッシュメモリをプラグインして下さい。"
PLANTED = ["comctl32.dll", "setupapi.dll"]
# Wine prefers its own copies of system DLLs; these make it load a copy found beside a program
# first, as Windows does for a DLL that is not a known system DLL.
PREFER_PLANTED = "setupapi,comctl32=n,b"


@case("compatibility.japanese_folder_ending_in_a_backslash_byte")
def japanese_folder(c: Case) -> None:
    c.prepare("win98", into=c.folder / FOLDER_ENDING_IN_0X5C)
    t = c.drive([c.launch(exe=rf"{c.windows_folder}\{FOLDER_ENDING_IN_0X5C}\Setup.exe"), WAIT_DIALOG, "dump",
                 f"click {START}", *MESSAGE], lang="ja_JP.UTF-8", code=0,
                box=(TITLE, JAPANESE_INSTALL_COMPLETE, "information"))
    if t.completed:
        dump = t.dumps()[0]
        c.equal(dump[0]["caption"], TITLE, "caption (the package's title)")
        c.equal({i: dump.get(i, {}).get("text") for i in JAPANESE_LABELS}, JAPANESE_LABELS, "labels in Japanese")
    expect_placed(c, "win98")


# name: (Windows version, the name of the folder in the case's folder that the package is in)
FOLDERS = {
    "compatibility.winxp.install_from_a_folder_named_outside_the_code_page": ("winxp", lambda c: CYRILLIC_FOLDER),
    # A folder of 249 characters, where "\\EXDISK.IN_" makes a path one character too long.
    "compatibility.win98.install_from_a_folder_too_deep_for_the_package_names":
        ("win98", lambda c: "D" * (248 - len(c.windows_folder))),
}


def install_from(version: str, folder_name, c: Case) -> None:
    name = folder_name(c)
    c.prepare(version, into=c.folder / name, **({} if version == "win98" else {"Win98Only": "0"}))
    c.drive([c.launch(exe=rf"{c.windows_folder}\{name}\Setup.exe"), WAIT_DIALOG, f"click {START}", *MESSAGE],
            code=0, box=(TITLE, INSTALL_COMPLETE, "information"))
    expect_placed(c, version)


cases(FOLDERS, install_from)


# Names whose double-byte characters end in that byte: a driver named so is the package's, and
# an installed copy named so goes with its precompiled twin and the driver.
@case("compatibility.japanese_file_names_with_a_backslash_byte")
def japanese_names(c: Case) -> None:
    c.prepare("win98")
    (c.folder / "EXDISK.SY_").rename(c.folder / "表.SY_")
    copy, driver = rf"{OTHER_FOLDER}\ソニーEXDISK.INF", DRIVER.replace("EXDISK.SYS", "表.SYS")
    c.put(copy, (PACKAGE / "EXDISK.IN_").read_bytes())
    c.put(copy[:-4] + ".PNF", b"precompiled")
    c.put(driver, b"driver of an earlier install")
    c.drive([c.launch(), WAIT_DIALOG, f"click {UNINSTALL}", f"click {START}", *MESSAGE], lang="ja_JP.UTF-8", code=0,
            box=(TITLE, "アンインストールを完了しました。", "information"))
    c.equal([c.read(path) for path in (copy, copy[:-4] + ".PNF", driver)], [None] * 3, "copy, twin and driver deleted")


@case("compatibility.planted_system_dlls_are_not_loaded")
def planted_dlls(c: Case) -> None:
    c.prepare("win98")
    for file in [*(c.run.dist_dir / "tests" / "planted" / name for name in PLANTED),
                 c.run.dist_dir / "tests" / "PlantedDllImporter.exe"]:
        shutil.copy2(file, c.folder)

    # The planted DLLs that some process loaded since the last call: each leaves C:\planted-<name>.txt.
    def loaded() -> list[str]:
        markers = list(c.path("C:\\").glob("[Pp][Ll][Aa][Nn][Tt][Ee][Dd]-*"))
        for marker in markers:
            marker.unlink()
        return sorted(marker.name.lower()[len("planted-"):-len(".txt")] for marker in markers)

    loaded()
    # An ordinary program in the same folder, importing the two DLLs by name, gets the planted ones.
    c.drive([c.launch(exe=rf"{c.windows_folder}\PlantedDllImporter.exe"), "wait-exit"], dll_overrides=PREFER_PLANTED)
    c.equal(loaded(), PLANTED, "the planted DLLs load into an ordinary program")
    # Setup.exe, run through an uninstall that needs both DLLs, loads the system's own.
    node = rf"{ENUM}\USB\VID_1A2B&PID_3C4D\0001"
    c.reg_import({node: {"ClassGUID": USB_CLASS}})
    c.true(c.registry(node), "the device node seeded")
    c.drive([c.launch(), WAIT_DIALOG, f"click {UNINSTALL}", f"click {START}", *MESSAGE], dll_overrides=PREFER_PLANTED,
            code=0, box=(TITLE, UNINSTALL_COMPLETE, "information"))
    c.equal(c.registry(node), {}, "the device node, removed through the system's setupapi.dll")
    c.equal(loaded(), [], "planted DLLs loaded into Setup.exe")


# Every unit test passes in the shipped build's form too: 4-byte words and sizes, code for the
# Pentium, the compiler's Windows runtime (the win32-unit preset). A 64-bit prefix cannot start it.
@case("compatibility.unit_tests_pass_in_the_shipped_build")
def unit_tests_in_the_shipped_build(c: Case) -> None:
    program = c.run.dist_dir / "tests" / "unit_tests.exe"
    if c.run.arch != "win32":
        print(f"not run: the 32-bit unit tests need a 32-bit prefix, and this run's is {c.run.arch}")
        return
    c.true(program.exists(), f"{program} exists (scripts/build win32-unit)")
    if program.exists():
        status = c.run.wine([windows_path(program), "--gtest_brief=1"], f"{c.name}/unit_tests", timeout=180)
        c.equal(status, 0, f"the unit tests' exit status (their output: {c.logs}/unit_tests.log)")
