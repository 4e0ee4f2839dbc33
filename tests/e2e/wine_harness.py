#!/usr/bin/env python3
# The Wine side of the end-to-end tests: one prefix and one Xvfb display per test run, a fresh
# program folder per case, DialogDriver runs and their transcripts, and what the case files share:
# the program's texts and controls, the system it changes, the checks.
#
#   wine_harness.py setup STATE DIST_ROOT     make the prefix, start Xvfb (the fixture)
#   wine_harness.py cleanup STATE             end every process of the run
#   wine_harness.py list CASE_FILE            the names of a case file's cases, one a line
#   wine_harness.py run CASE_FILE STATE CASE  one case of a case file
#
# The run takes the build that scripts/wine-arch names: the shipped dist/win32/Setup.exe in a
# 32-bit prefix wherever the machine starts 32-bit programs, else dist/win64 in a 64-bit one.

import json
import os
import re
import runpy
import shutil
import signal
import stat
import subprocess
import sys
import time
from contextlib import suppress
from pathlib import Path, PureWindowsPath
from typing import Callable

SOURCE = Path(__file__).resolve().parents[2]
PACKAGE = SOURCE / "examples" / "ExampleDisk"
WINE64_LOADER = "/usr/lib/wine/wine64"  # Debian's wine64 package
# Every program of the prefix runs in one Wine virtual desktop, which draws frames and
# captions (there is no window manager on Xvfb) and gives a known screen size.
DESKTOP_NAME, DESKTOP_SIZE = "e2e", "800x600"
DEFAULT_LANG = "en_US.UTF-8"
DRIVER_TIMEOUT_S = 90  # a whole driver run; each of its own waits is much shorter
SERVER_PERSISTENCE_S = 60  # a server left behind by a killed run ends itself after this idle time
# The wineserver commands that end every process of the prefix (after a hang) and start a fresh server.
RESTART = ("-k", "-w", f"-p{SERVER_PERSISTENCE_S}")
# Dialogs of the mono and gecko installers would wait for a click during wineboot; the menu
# builder would write desktop entries into the user's home.
DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"

# The program under test with the example package: texts, controls, the steps that start it.
TITLE = "Example Disk Setup"  # the package's SetupName
TEMPLATE_CAPTION, TEMPLATE_INSTRUCTION = "Setup", "IDS_INSTRUCTION"  # the dialog's texts before the start fills them
INSTALL_COMPLETE = "Installation is complete. Please replug your device."
UNINSTALL_COMPLETE = "Uninstallation is complete."
EXIT, START, PROGRESS, INSTALL, UNINSTALL, STATUS, GROUP, INSTRUCTION = 2, 1003, 1004, 1006, 1007, 1008, 1011, 1014
WAIT_DIALOG = f"wait-window {TITLE}"
MESSAGE = ["wait-messagebox", "press", "wait-exit"]  # a message box closes the run

# What the jobs change, with C:\windows as the Windows folder.
INF_FOLDER = r"C:\windows\inf"
OTHER_FOLDER = rf"{INF_FOLDER}\other"
INF_COPY_98, INF_COPY_XP = rf"{OTHER_FOLDER}\EXDISK.INF", rf"{INF_FOLDER}\oemEXDISK.INF"
PORT_DRIVER = r"C:\windows\system\iosubsys\EXDISK.PDR"
DRIVER = r"C:\windows\system32\drivers\EXDISK.SYS"
DRIVER_DATABASE = ("DRVIDX.BIN", "DRVDATA.BIN")  # system files, deleted by an install on the 98 family
USB_STORAGE_INF = {"USBSTOR.INF": "USBSTOR.IQ7", "USBSTOR.PNF": "USBSTOR.PQ7"}  # the system's: their backup names
USB_STORAGE_FILES = [*USB_STORAGE_INF, *USB_STORAGE_INF.values()]
SYSTEM_USB_STORAGE = {"USBSTOR.INF": b"[Version]\r\n; the system's USB storage INF\r\n",
                      "USBSTOR.PNF": b"precompiled USBSTOR"}
CURRENT_VERSION_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
OTHER_DEVICE_PATH = r"C:\windows\INF\OTHER"
EARLIER_SEARCH_PATH = r"C:\windows\INF;C:\DRIVERS\EARLIER"  # OtherDevicePath before a case
ENUM = r"HKLM\System\CurrentControlSet\Enum"
USB_CLASS = "{36FC9E60-C465-11CF-8056-444553540000}"


# A problem of the test setup itself, not of the program under test.
class HarnessError(Exception):
    pass


# A transcript, as the helper programs write them: `verb key=value ...` lines, texts quoted as
# JSON strings.
class Transcript:
    def __init__(self, text: str, completed: bool = True, seconds: float = 0.0):
        self.text, self.completed, self.seconds = text, completed, seconds
        self.events = [{"verb": verb, **{k: json.loads(v) if v[:1] == '"' else v
                                         for k, v in re.findall(r'([\w-]+)=("(?:[^"\\]|\\.)*"|\S*)', rest)}}
                       for verb, _, rest in (line.partition(" ") for line in text.splitlines()) if verb]

    def all(self, verb: str) -> list[dict]:
        return [e for e in self.events if e["verb"] == verb]

    # Each dump as {control id: its line}, with the dialog's line under 0 and there, under "order",
    # the ids in the order of the dialog's children (its tab order).
    def dumps(self) -> list[dict]:
        result: list[dict] = []
        for e in self.events:
            if e["verb"] == "dialog":
                result.append({0: {**e, "order": []}})
            elif e["verb"] == "control":
                result[-1][int(e["id"])] = e
                result[-1][0]["order"].append(int(e["id"]))
        return result


def focus(dump: dict) -> int | None:
    return next((i for i, e in dump.items() if i and e["focus"] == "1"), None)


# A Unix path as the prefix's programs reach it, through drive Z.
def windows_path(path: Path) -> str:
    return "Z:" + str(path).replace("/", "\\")


# Every wine command writes to files, never to a pipe: wineserver and the programs it starts keep
# inherited descriptors open, so a reader waiting for end of file would hang.
def log_file(path: Path):
    path.parent.mkdir(parents=True, exist_ok=True)
    return open(path, "wb")


# The exit status of a process that ended by itself within timeout seconds; None when it had to be ended.
def wait_or_end(process: subprocess.Popen, timeout: float) -> int | None:
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None


# Ids of this user's other processes whose environment holds this variable=value exactly.
def processes_with(variable: str) -> list[int]:
    found = []
    for entry in Path("/proc").glob("[0-9]*"):
        with suppress(OSError):  # a process that ended, or another user's
            if int(entry.name) != os.getpid() and variable.encode() in (entry / "environ").read_bytes().split(b"\0"):
                found.append(int(entry.name))
    return found


# The prefix and display shared by all tests of one run, described by state.json.
class TestRun:
    def __init__(self, state_dir: Path):
        self.state_dir = state_dir.resolve()
        self.prefix, self.logs, self.state_file = (self.state_dir / n for n in ("prefix", "logs", "state.json"))
        # The display, the Xvfb process, the build's dist folder and the prefix's architecture.
        self.display, self.xvfb_pid, self.dist_dir, self.arch = None, None, Path(), "win32"

    @classmethod
    def load(cls, state_dir: Path) -> "TestRun":
        run = cls(state_dir)
        vars(run).update(json.loads(run.state_file.read_text()))
        run.dist_dir = Path(run.dist_dir)
        return run

    # The program under test and its prefix, for every case's log.
    def describe(self) -> str:
        return f"program under test: {self.dist_dir / 'Setup.exe'}; Wine prefix: {self.arch} ({self.prefix})"

    # Wine takes the user's language and code page from LANG (a locale that scripts/bootstrap generates).
    def environment(self, lang: str = DEFAULT_LANG, dll_overrides: str = "") -> dict[str, str]:
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("LC_", "WINE")) and k not in ("LANGUAGE", "LOCPATH", "DISPLAY")}
        return {**env, **({"DISPLAY": self.display} if self.display else {}), "WINEPREFIX": str(self.prefix),
                "WINEARCH": self.arch, "WINEDEBUG": "-all", "LANG": lang,
                "WINEDLLOVERRIDES": ";".join(filter(None, (DLL_OVERRIDES, dll_overrides)))}

    # Starts a program of the prefix with its output in log_path. In a 64-bit prefix on a machine
    # that also has Wine's 32-bit loader, `wine` starts the prefix's tools (reg) as 32-bit programs,
    # which see the registry redirected; the 64-bit loader starts them as the prefix's own.
    # Setup.exe, 64-bit there, uses the 64-bit view.
    # Another program than the loader (wineserver) runs with the prefix's environment in the same way.
    def start(self, args: list[str], log_path: Path, lang: str = DEFAULT_LANG, dll_overrides: str = "",
              loader: str = ""):
        loader = loader or (WINE64_LOADER if self.arch == "win64" and Path(WINE64_LOADER).exists() else "wine")
        with log_file(log_path) as log:
            return subprocess.Popen([loader, *args], env=self.environment(lang, dll_overrides),
                                    stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    # Runs one wine command with its output in logs/<log_name>.log; its exit status.
    def wine(self, args: list[str], log_name: str, lang: str = DEFAULT_LANG, timeout: float = 60) -> int:
        status = wait_or_end(self.start(args, self.logs / f"{log_name}.log", lang), timeout)
        if status is None:
            self.server(*RESTART)
            raise HarnessError(f"wine {' '.join(args)} did not end within {timeout:.0f} s")
        return status

    # Runs wineserver with each of these options in turn.
    def server(self, *options: str) -> None:
        for option in options:
            self.start([option], self.logs / "wineserver.log", loader="wineserver").wait()

    def setup(self, dist_root: Path) -> None:
        started = time.monotonic()
        answer = subprocess.run([str(SOURCE / "scripts" / "wine-arch")], capture_output=True, text=True, check=True)
        self.arch, reason = (answer.stdout.splitlines() + [""])[:2]
        self.dist_dir = (dist_root / self.arch).resolve()
        if not (self.dist_dir / "tests" / "DialogDriver.exe").exists():
            raise HarnessError(f"{self.dist_dir} has no tests/DialogDriver.exe: build the {self.arch} preset first")
        if self.state_file.exists():  # a run that ended without its cleanup
            TestRun.load(self.state_dir).cleanup()
        shutil.rmtree(self.prefix, ignore_errors=True)
        shutil.rmtree(self.logs, ignore_errors=True)
        self.logs.mkdir(parents=True)
        # Kept after the cleanup, for scripts/test to say which build the run tested and why.
        (self.state_dir / "architecture.txt").write_text(f"{self.arch}\n{reason}\n{self.dist_dir / 'Setup.exe'}\n")
        print(f"{self.describe()}: {reason}")

        # Xvfb writes its display number to the pipe once it is ready; it outlives this command.
        read_end, write_end = os.pipe()
        with log_file(self.logs / "xvfb.log") as log:
            self.xvfb_pid = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True).pid
        os.close(write_end)
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline()
        if not number.endswith(b"\n"):
            raise HarnessError(f"Xvfb did not start, see {self.logs}/xvfb.log")
        self.display = f":{number.decode().strip()}"
        self.state_file.write_text(json.dumps({"display": self.display, "xvfb_pid": self.xvfb_pid,
                                               "dist_dir": str(self.dist_dir), "arch": self.arch}))
        self.server(f"-p{SERVER_PERSISTENCE_S}")
        if self.wine(["wineboot", "-i"], "wineboot", timeout=180) != 0:
            raise HarnessError(f"wineboot -i failed, see {self.logs}/wineboot.log")
        # The desktop is chosen when it starts, so the setting must be in place before any
        # window opens: the server is restarted after wineboot for it to apply.
        warmup = Case(self, "warmup")
        warmup.reg_import({r"HKCU\Software\Wine\Explorer": {"Desktop": DESKTOP_NAME},
                           r"HKCU\Software\Wine\Explorer\Desktops": {DESKTOP_NAME: DESKTOP_SIZE}})
        self.server(*RESTART)
        warmup.drive([])  # the first program started pays for the desktop's start; here, not in the first case
        if warmup.failures:  # else every case would wait out its own timeouts
            raise HarnessError("the test driver cannot run in the prefix: " + "; ".join(warmup.failures))
        print(f"{self.arch} prefix {self.prefix} on display {self.display}, "
              f"ready in {time.monotonic() - started:.1f} s")

    # Ends the prefix's processes and Xvfb; returns what had to be ended by force.
    def cleanup(self) -> list[str]:
        left = []
        if self.prefix.exists():
            self.server("-k")  # the server ends the prefix's processes with it
            deadline = time.monotonic() + 10
            while (left := processes_with(f"WINEPREFIX={self.prefix}")) and time.monotonic() < deadline:
                time.sleep(0.1)
        ends = {**dict.fromkeys(left, signal.SIGKILL), **({self.xvfb_pid: signal.SIGTERM} if self.xvfb_pid else {})}
        for pid, sig in ends.items():
            with suppress(ProcessLookupError):
                os.kill(pid, sig)
        self.state_file.unlink(missing_ok=True)
        return [f"wine process {pid}" for pid in left]


# Runs a benchmark (tools/benchmarks) in a prefix of its own, made when missing and its processes
# ended afterwards unless kept, so that the timing shares the machine with no test run; the
# benchmark's exit status, or 1 where the prefix failed.
def run_benchmark(state_dir: Path, dist_root: Path, keep: bool, benchmark: Callable[["TestRun"], int]) -> int:
    run = TestRun.load(state_dir) if (state_dir / "state.json").exists() else TestRun(state_dir)
    try:
        if not run.state_file.exists():
            run.setup(dist_root)
        return benchmark(run)
    except HarnessError as problem:
        print(f"benchmark: {problem}", file=sys.stderr)
        return 1
    finally:
        if not keep:
            run.cleanup()


# One case: a program folder C:\e2e\<case> in the prefix, the runs in it, the failed checks.
class Case:
    def __init__(self, run: TestRun, name: str):
        self.run, self.name = run, name
        self.folder, self.windows_folder = run.prefix / "drive_c" / "e2e" / name, rf"C:\e2e\{name}"
        self.logs = run.logs / name
        # The failed checks, the transcripts and logs shown when there are any, the files of the logs.
        self.failures, self.records, self._count = [], [], 0
        for folder in (self.folder, self.logs):
            shutil.rmtree(folder, ignore_errors=True)
            folder.mkdir(parents=True)
        shutil.copy2(run.dist_dir / "tests" / "DialogDriver.exe", self.folder)
        print(run.describe())

    # A new file name of the case's logs: its number in the case's runs, and what it holds.
    def _next(self, what: str) -> Path:
        self._count += 1
        return self.logs / f"{self._count:02d}-{what}"

    # Setup.exe and the package in the case's folder (or into), the package's [Setup] keys
    # changed (None removes one), the prefix set to a Windows version, and the system as no job
    # has left it: without INF copies and what the cases put beside them, the drivers, USB
    # storage INFs and backups; with a driver database of its own and an earlier OtherDevicePath
    # (a Wine prefix has neither, nor an INF\OTHER or IOSUBSYS folder).
    def prepare(self, version: str, package: bool = True, into: Path | None = None, **setup_values: str | None) -> None:
        target = into or self.folder
        target.mkdir(parents=True, exist_ok=True)
        for item in [self.run.dist_dir / "Setup.exe", *(PACKAGE.iterdir() if package else ())]:
            shutil.copy2(item, target)
        self.description = target / "EXDISK.IN_"  # as the case leaves it
        for key, value in setup_values.items():
            text = re.sub(rf"(?im)^{key}=.*\r\n", "", self.description.read_bytes().decode("latin-1"))
            if value is not None:
                text = re.sub(r"(?im)^\[Setup\]\r\n", lambda m: f"{m[0]}{key}={value}\r\n", text, count=1)
            self.description.write_bytes(text.encode("latin-1"))
        shutil.rmtree(self.path(OTHER_FOLDER), ignore_errors=True)
        self.path(PORT_DRIVER).parent.mkdir(parents=True, exist_ok=True)
        left = ("oem", "usbdisk.", "usbstor.", "drvidx.", "drvdata.")
        for path in [*(rf"{INF_FOLDER}\{n}" for n in self.names(INF_FOLDER) if n.lower().startswith(left)), PORT_DRIVER,
                     DRIVER]:
            file = self.path(path)  # a folder where a case put one in the way of a file
            shutil.rmtree(file) if file.is_dir() else file.unlink(missing_ok=True)
        self.database = {name: f"{name} of the system".encode() for name in DRIVER_DATABASE}
        for name, content in self.database.items():
            self.put(rf"{INF_FOLDER}\{name}", content)
        self.reg_import({r"HKCU\Software\Wine": {"Version": version},
                         CURRENT_VERSION_KEY: {"OtherDevicePath": EARLIER_SEARCH_PATH}})

    # The step that starts Setup.exe of the case's folder (or exe) in its own folder.
    def launch(self, args: str = "", exe: str = "") -> str:
        return " ".join(filter(None, ("launch", exe or rf"{self.windows_folder}\Setup.exe", args)))

    # -- files and registry of the prefix --------------------------------------------------

    # The Unix path of a path on drive C, found case-insensitively as Windows would.
    def path(self, windows_path: str) -> Path:
        current = self.run.prefix / "drive_c"
        for part in PureWindowsPath(windows_path).parts[1:]:
            exact = current / part
            current = exact if exact.exists() or not current.is_dir() else next(
                (p for p in current.iterdir() if p.name.lower() == part.lower()), exact)
        return current

    def read(self, windows_path: str) -> bytes | None:
        file = self.path(windows_path)
        return file.read_bytes() if file.is_file() else None

    def put(self, windows_path: str, content: bytes) -> Path:
        target = self.path(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(content)
        return target

    # The names in a folder of the prefix, exactly as they are written there.
    def names(self, folder: str) -> set[str]:
        path = self.path(folder)
        return {entry.name for entry in path.iterdir()} if path.is_dir() else set()

    # Writes {key: {value name: text}} into the registry; {key: None} deletes the key.
    def reg_import(self, keys: dict[str, dict[str, str] | None]) -> None:
        lines = ["REGEDIT4", ""]
        for key, values in keys.items():
            key = key.replace("HKLM", "HKEY_LOCAL_MACHINE", 1).replace("HKCU", "HKEY_CURRENT_USER", 1)
            lines += [f"[-{key}]"] if values is None else [f"[{key}]"] + [
                f'"{name}"="{text}"'.replace("\\", "\\\\") for name, text in values.items()]
        file = self._next("import.reg")
        file.write_text("\r\n".join(lines + [""]), encoding="latin-1")
        # By its full path: the Windows folder's regedit.exe is the prefix's own architecture.
        if self.run.wine([r"C:\windows\regedit.exe", "/S", windows_path(file)], f"{self.name}/{file.stem}") != 0:
            raise HarnessError(f"regedit failed to import {file}")

    # Every key at and below key, as one `reg export` lists them: {key: {value name: text}},
    # names lower-cased and HKLM spelt short; empty when the key does not exist.
    def registry(self, key: str) -> dict[str, dict[str, str]]:
        file = self._next("export.reg")
        if self.run.wine(["reg", "export", key, windows_path(file), "/y", *(["/reg:64"] if self.run.arch == "win64"
                                                                             else [])], f"{self.name}/{file.stem}"):
            return {}
        keys: dict[str, dict[str, str]] = {}
        for line in file.read_bytes().decode("utf-16").splitlines():
            if line.startswith("["):
                values = keys.setdefault(re.sub(r"(?i)^HKEY_LOCAL_MACHINE", "HKLM", line.strip()[1:-1]).lower(), {})
            elif value := re.fullmatch(r'"(.*?)"="(.*)"', line.strip()):
                values[value[1].lower()] = re.sub(r"\\(.)", r"\1", value[2])
        return keys

    # -- runs and checks ---------------------------------------------------------------------

    # Runs DialogDriver with these steps and returns its transcript, held to the rule of the
    # dialog's appearance, and with a code, to the way the run ended: with this exit status, having
    # shown no message box, or exactly this one: (caption, text, icon[, caption of its owner, by
    # default the same caption]) with OK. A step `screenshot` waits while the screen is taken to
    # logs/screen.png.
    def drive(self, steps: list[str], lang: str = DEFAULT_LANG, dll_overrides: str = "",
              timeout_s: float = DRIVER_TIMEOUT_S, code: int | None = None, box: tuple | None = None) -> Transcript:
        result = self._next("driver.txt")
        taken = result.with_suffix(".taken")
        steps = [f"wait-file {windows_path(taken)}" if s == "screenshot" else s for s in steps]
        started = time.monotonic()
        process = self.run.start([rf"{self.windows_folder}\DialogDriver.exe", windows_path(result), *steps],
                                 result.with_suffix(".log"), lang, dll_overrides)
        while process.poll() is None:
            if time.monotonic() > started + timeout_s:
                process.kill()
                self.run.server(*RESTART)
            elif not taken.exists() and taken.name in (result.read_bytes() if result.exists() else b"").decode(
                    "utf-16-le", "replace"):
                with log_file(self.logs / "screenshot.log") as log:  # by ImageMagick's import
                    subprocess.run(["import", "-display", self.run.display, "-window", "root",
                                    str(self.logs / "screen.png")], stdout=log, stderr=log, timeout=30)
                taken.write_text("")
            time.sleep(0.05)
        text = result.read_bytes().decode("utf-16-le") if result.exists() else ""
        t = Transcript(text, process.returncode == 0, time.monotonic() - started)
        wine_output = result.with_suffix(".log").read_text(errors="replace").rstrip()
        self.records.append(f"{text.rstrip()}\n--- wine output ---\n{wine_output}")
        # A start that ends during initialisation (package messages, refusal, silent run) shows no
        # window but its message boxes, not even for an instant; a start that waits shows the setup
        # dialog once, with the package's title and its instruction already in place.
        shown = [e for e in t.all("shown") if e["messagebox"] == "0"]
        if not any(step.startswith("wait-window") for step in steps):
            self.equal([e["caption"] for e in shown], [],
                       "windows of the program shown besides message boxes")
        else:
            setup = [e for e in shown if "instruction" in e]
            self.equal(len(setup), 1, "times the setup dialog appeared")
            for e in setup[:1]:
                self.true(e["caption"] != TEMPLATE_CAPTION and e["instruction"] not in ("", TEMPLATE_INSTRUCTION),
                          f"caption and instruction in place when shown: {e['caption']!r}, {e['instruction']!r}")
        failure = next((e["message"] for e in t.all("error")), f"wine exited with {process.returncode}")
        self.true(t.completed, f"DialogDriver did not finish its steps: {failure}")
        if code is not None:
            self.equal(next((int(e["code"]) for e in t.all("exit")), None), code, "exit code")
            self.equal(len([e for e in t.all("shown") if e["messagebox"] == "1"]), 1 if box else 0,
                       "message boxes shown")
            for found in t.all("messagebox")[:1] if box else ():
                self.equal(tuple(found[k] for k in ("caption", "text", "icon", "owner", "buttons")),
                           (*box, box[0])[:4] + ("OK",), "message box caption, text, icon, owner's caption, buttons")
        return t

    def equal(self, actual, expected, what: str) -> None:
        self.true(actual == expected, f"{what}: expected {expected!r}, got {actual!r}")

    def true(self, condition, what: str) -> None:
        if not condition:
            self.failures.append(what)

    def report(self) -> int:
        print(f"{self.name}: {'FAILED' if self.failures else 'passed'}", *(f"  - {f}" for f in self.failures),
              sep="\n")
        if self.failures:
            print(*(f"\n--- transcript {n} ---\n{record}" for n, record in enumerate(self.records, 1)), sep="\n")
            print(f"\nlogs: {self.logs}")
        return 1 if self.failures else 0


# The system as the jobs meet it

# A Pentium, Pentium MMX or K6 under Windows 98: every instruction such a processor lacks (the
# conditional moves and compares of the Pentium Pro) in a 32-bit program replaced by ud2, which
# faults wherever it is reached; the number replaced.
def fault_on_p6_instructions(program: Path) -> int:
    return fault_where(program, r"\s(cmov[a-z]+|fcmov[a-z]+|fu?comip?)\s")


# Each instruction of the 32-bit program's code that the pattern finds in its listing starts with
# ud2 instead, which faults where it runs. The count of them.
def fault_where(program: Path, pattern: str) -> int:
    data = bytearray(program.read_bytes())
    header = int.from_bytes(data[0x3C:0x40], "little")
    sections, optional_size = (int.from_bytes(data[header + o:header + o + 2], "little") for o in (6, 20))
    image_base = int.from_bytes(data[header + 52:header + 56], "little")
    table = [[int.from_bytes(data[t + o:t + o + 4], "little") for o in (12, 8, 20)]  # address, size, in file
             for t in range(header + 24 + optional_size, header + 24 + optional_size + 40 * sections, 40)]
    listing = subprocess.run(["i686-w64-mingw32-objdump", "-d", "-j", ".text", str(program)], check=True,
                             stdout=subprocess.PIPE, text=True).stdout
    count = 0
    for line in listing.splitlines():
        if re.search(pattern, line):
            address = int(line.split(":")[0], 16) - image_base
            offset = next(raw + address - start for start, size, raw in table if start <= address < start + size)
            data[offset:offset + 2] = b"\x0f\x0b"
            count += 1
    program.write_bytes(data)
    return count


# The pattern of the program's calls of an imported function, through its slot of the import
# address table: the slots of each DLL follow one another from its first thunk, in the order the
# import table lists its names.
def calls_of(program: Path, function: str) -> str:
    listing = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(program)], check=True, stdout=subprocess.PIPE,
                             text=True).stdout
    image_base = int(re.search(r"ImageBase\s+([0-9a-fA-F]+)", listing).group(1), 16)
    slot = None
    for line in listing.splitlines():
        fields = line.split()
        if len(fields) == 6 and all(re.fullmatch(r"[0-9a-fA-F]{8}", f) for f in fields):
            slot = int(fields[5], 16)  # a DLL's row: its first thunk
        elif len(fields) == 3 and slot is not None and re.fullmatch(r"[0-9a-f]+", fields[0]):
            if fields[2] == function:
                return rf"\scall\s+\*0x{image_base + slot:x}\b"
            slot += 4
    raise ValueError(f"{program} imports no {function}")


# The files of the INF folder among these names (any case), by upper-case name.
def inf_files(c: Case, names) -> dict[str, bytes]:
    wanted = {name.upper() for name in names}
    return {name.upper(): c.read(rf"{INF_FOLDER}\{name}") for name in c.names(INF_FOLDER) if name.upper() in wanted}


# The setup description with the install section's CopyFiles line commented out once.
def expected_inf_copy(c: Case) -> bytes:
    description = c.description.read_bytes()
    assert description.count(b"\r\nCopyFiles=ExFiles\r\n") == 1, "the package's [ExInstall] is not as the cases expect"
    return description.replace(b"\r\nCopyFiles=ExFiles\r\n", b"\r\n;CopyFiles=ExFiles\r\n")


# What an install leaves: the INF copy under its name, edited once; the port driver, the
# deleted driver database and the search path on the 98 family only; the driver everywhere;
# every placed file writable.
def expect_placed(c: Case, version: str) -> None:
    family_98 = version in ("win95", "win98", "winme")
    inf_copy, other_copy = (INF_COPY_98, INF_COPY_XP) if family_98 else (INF_COPY_XP, INF_COPY_98)
    folder, name = inf_copy.rsplit("\\", 1)
    c.true(name in c.names(folder), f"{name} in {folder}: {sorted(c.names(folder))}")
    c.equal(c.read(inf_copy), expected_inf_copy(c), f"{inf_copy}: the setup description, CopyFiles commented out")
    c.equal(c.read(other_copy), None, f"no {other_copy}")
    c.equal(c.read(DRIVER), (PACKAGE / "EXDISK.SY_").read_bytes(), f"{DRIVER}: a copy of EXDISK.SY_")
    c.equal(c.read(PORT_DRIVER), (PACKAGE / "EXDISK.PDR").read_bytes() if family_98 else None,
            f"{PORT_DRIVER}: a copy of EXDISK.PDR on the 98 family only")
    c.equal(inf_files(c, c.database), {} if family_98 else c.database, "driver database deleted on the 98 family only")
    c.equal(c.registry(CURRENT_VERSION_KEY).get(CURRENT_VERSION_KEY.lower(), {}).get("otherdevicepath"),
            OTHER_DEVICE_PATH if family_98 else EARLIER_SEARCH_PATH, "OtherDevicePath")
    for path in (inf_copy, DRIVER, PORT_DRIVER) if family_98 else (inf_copy, DRIVER):
        # Wine shows a file without write permission as read-only.
        c.true(c.path(path).is_file() and c.path(path).stat().st_mode & stat.S_IWUSR, f"{path} writable")


CASES: dict[str, Callable[[Case], None]] = {}  # the cases of the case file that runs


# Registers a function of a case file as the case of this name; a name taken twice is an error,
# never a case silently dropped.
def case(name: str):
    def register(function: Callable[[Case], None]) -> Callable[[Case], None]:
        assert name not in CASES, f"two cases named {name}"
        CASES[name] = function
        return function
    return register


# Registers one case per row of a table {name: arguments}: the function, called with the row and
# the case as c.
def cases(table: dict[str, tuple], function: Callable[..., None]) -> None:
    for name, row in table.items():
        case(name)(lambda c, row=row: function(*row, c=c))


# The commands of the header. A failure of setup or cleanup ends the command with its traceback and
# exit status 1. The case file's `from wine_harness import` finds this module, whether it was
# imported or started as the command.
def main(command: str, path: str, *args: str) -> int:
    if command == "setup":
        TestRun(Path(path)).setup(Path(args[0]))
    elif command == "cleanup":
        run = TestRun.load(Path(path)) if (Path(path) / "state.json").exists() else TestRun(Path(path))
        print(*(f"had to end {what}" for what in run.cleanup()), "no Wine or Xvfb process of this run is left",
              sep="\n")
    else:
        sys.modules.setdefault("wine_harness", sys.modules[__name__])
        runpy.run_path(path)
        if command == "list":
            print(*CASES, sep="\n")
            return 0
        state, name = args
        try:
            c = Case(TestRun.load(Path(state)), name)
            CASES[name](c)
        except HarnessError as problem:
            print(f"{name}: test setup failed: {problem}")
            return 1
        return c.report()
    return 0


if __name__ == "__main__":
    sys.dont_write_bytecode = True  # the case files it runs leave no __pycache__ in the source tree
    sys.exit(main(*sys.argv[1:]))
