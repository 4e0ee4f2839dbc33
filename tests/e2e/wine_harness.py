#!/usr/bin/env python3
"""The Wine side of the end-to-end tests: one prefix and one Xvfb display per test run, a fresh
program folder per case, DialogDriver runs and their transcripts, and what the case files share:
the program's texts and controls, the system it changes, the checks.

    wine_harness.py setup   --state DIR --dist-root DIST   make the prefix, start Xvfb (the fixture)
    wine_harness.py cleanup --state DIR                    end every process of the run

The run takes the build that scripts/wine-arch names: the shipped dist/win32/Setup.exe in a
32-bit prefix wherever the machine starts 32-bit programs, else dist/win64 in a 64-bit one.
"""

from __future__ import annotations

import argparse
import json
import os
import re
import shutil
import signal
import stat
import subprocess
import sys
import time
from functools import lru_cache
from pathlib import Path, PureWindowsPath
from typing import Callable

SOURCE = Path(__file__).resolve().parents[2]
WINE64_LOADER = "/usr/lib/wine/wine64"  # Debian's wine64 package
# Every program of the prefix runs in one Wine virtual desktop, which draws frames and
# captions (there is no window manager on Xvfb) and gives a known screen size.
DESKTOP_NAME, DESKTOP_SIZE = "e2e", "800x600"
DEFAULT_LANG = "en_US.UTF-8"
DRIVER_TIMEOUT_S = 90  # a whole driver run; each of its own waits is much shorter
SERVER_PERSISTENCE_S = 60  # a server left behind by a killed run ends itself after this idle time
# Dialogs of the mono and gecko installers would wait for a click during wineboot; the menu
# builder would write desktop entries into the user's home.
DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"

# The program under test with the example package: texts, controls, the steps that start it.
TITLE = "Example Disk Setup"  # the package's SetupName
TEMPLATE_CAPTION, TEMPLATE_INSTRUCTION = "Setup", "IDS_INSTRUCTION"  # the dialog's texts before the start fills them
INSTALL_COMPLETE = "Installation is complete. Please replug your device."
UNINSTALL_COMPLETE = "Uninstallation is complete."
EXIT, START, PROGRESS, INSTALL, UNINSTALL, STATUS, GROUP, INSTRUCTION = 2, 1003, 1004, 1006, 1007, 1008, 1011, 1014
WAIT_DIALOG = f'wait-window caption="{TITLE}"'
MESSAGE = ["wait-messagebox", "press", "wait-exit"]  # a message box closes the run

# What the jobs change, with C:\windows as the Windows folder.
WINDOWS_98_FAMILY = ("win95", "win98", "winme")
INF_FOLDER = r"C:\windows\inf"
OTHER_FOLDER = rf"{INF_FOLDER}\other"
INF_COPY_98, INF_COPY_XP = rf"{OTHER_FOLDER}\EXDISK.INF", rf"{INF_FOLDER}\oemEXDISK.INF"
IOSUBSYS_FOLDER = r"C:\windows\system\iosubsys"
PORT_DRIVER = rf"{IOSUBSYS_FOLDER}\EXDISK.PDR"
DRIVER = r"C:\windows\system32\drivers\EXDISK.SYS"
DRIVER_DATABASE = {"DRVIDX.BIN": "DRVIDX.Q7", "DRVDATA.BIN": "DRVDATA.Q7"}  # system files: their backup names
USB_STORAGE_INF = {"USBSTOR.INF": "USBSTOR.IQ7", "USBSTOR.PNF": "USBSTOR.PQ7"}
USB_STORAGE_FILES = [*USB_STORAGE_INF, *USB_STORAGE_INF.values()]  # the system's and their backup names
SYSTEM_USB_STORAGE = {"USBSTOR.INF": b"[Version]\r\n; the system's USB storage INF\r\n",
                      "USBSTOR.PNF": b"precompiled USBSTOR"}
CURRENT_VERSION_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
OTHER_DEVICE_PATH = r"C:\windows\INF\OTHER"
EARLIER_SEARCH_PATH = r"C:\windows\INF;C:\DRIVERS\EARLIER"  # OtherDevicePath before a case
ENUM = r"HKLM\System\CurrentControlSet\Enum"
USB_CLASS = "{36FC9E60-C465-11CF-8056-444553540000}"


class HarnessError(Exception):
    """A problem of the test setup itself, not of the program under test."""


# ---------------------------------------------------------------------------------------------
# Transcripts: `verb key=value ...` lines, texts quoted as JSON strings

_FIELD = re.compile(r'([\w-]+)=("(?:[^"\\]|\\.)*"|\S*)')
_STEP_FIELD = re.compile(r' ([\w-]+)=("[^"]*"|\S*)')  # a step's argument; a value with blanks is quoted


class Transcript:
    """What a helper program saw in one run: each line as a dict of its fields and its verb."""

    def __init__(self, text: str, log: str = "", steps: list[str] | tuple = (), seconds: float = 0.0):
        self.text, self.log, self.steps, self.seconds = text, log, steps, seconds
        self.events = [{"verb": verb, **{k: json.loads(v) if v.startswith('"') else v for k, v in _FIELD.findall(rest)}}
                       for verb, _, rest in (line.partition(" ") for line in text.splitlines()) if verb]

    def all(self, verb: str) -> list[dict]:
        return [e for e in self.events if e["verb"] == verb]

    @property
    def completed(self) -> bool:
        return bool(self.events) and self.events[-1]["verb"] == "done"

    @property
    def exit_code(self) -> int | None:
        return next((int(e["code"]) for e in self.all("exit")), None)

    def shown(self, message_boxes: bool) -> list[dict]:
        """The top-level windows of the program that became visible: its message boxes, or the others."""
        return [e for e in self.all("shown") if (e["messagebox"] == "1") == message_boxes]

    def dumps(self) -> list[dict]:
        """Each dump as {control id: its line}, with the dialog's line under 0 and there, under
        "order", the ids in the order of the dialog's children (its tab order)."""
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


# ---------------------------------------------------------------------------------------------
# Processes


# Every wine command writes to files, never to a pipe: wineserver and the programs it starts keep
# inherited descriptors open, so a reader waiting for end of file would hang.
def _log_file(path: Path):
    path.parent.mkdir(parents=True, exist_ok=True)
    return open(path, "wb")


def _processes_with_environment(name: str, value: str) -> list[int]:
    """Ids of this user's processes whose environment holds name=value exactly."""
    wanted, found = f"{name}={value}".encode(), []
    for entry in Path("/proc").iterdir():
        if entry.name.isdigit() and int(entry.name) != os.getpid():
            try:
                if wanted in (entry / "environ").read_bytes().split(b"\0"):
                    found.append(int(entry.name))
            except OSError:
                continue
    return found


def wait_or_end(process: subprocess.Popen, timeout: float) -> int | None:
    """The exit status of a process once it has ended by itself within timeout seconds; None when
    it had to be ended."""
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None


def _end_process(pid: int) -> None:
    for sent in (signal.SIGTERM, signal.SIGKILL):
        deadline = time.monotonic() + 2
        try:
            os.kill(pid, sent)
            while time.monotonic() < deadline:
                time.sleep(0.05)
                os.kill(pid, 0)
        except ProcessLookupError:
            return


@lru_cache(maxsize=None)
def _system_has_locale(lang: str) -> bool:
    listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower().split()
    return lang.lower().replace("utf-8", "utf8") in listed


# ---------------------------------------------------------------------------------------------
# The test run: one prefix, one Xvfb display


class TestRun:
    """The prefix and display shared by all tests of one run, described by state.json."""

    def __init__(self, state_dir: Path):
        self.state_dir = state_dir.resolve()
        self.prefix, self.logs, self.state_file = (self.state_dir / n for n in ("prefix", "logs", "state.json"))
        self.display: str | None = None
        self.xvfb_pid: int | None = None
        self.dist_dir: Path | None = None
        self.arch = "win32"  # the prefix's architecture, and the build of the programs it runs

    @classmethod
    def load(cls, state_dir: Path) -> "TestRun":
        run = cls(state_dir)
        if not run.state_file.exists():
            raise HarnessError(f"no test run in {run.state_dir}: the fixture setup has not run")
        state = json.loads(run.state_file.read_text())
        run.display, run.xvfb_pid, run.dist_dir, run.arch = (state["display"], state["xvfb_pid"],
                                                             Path(state["dist_dir"]), state["arch"])
        return run

    def describe(self) -> str:
        """The program under test and its prefix, for every case's log."""
        return f"program under test: {self.dist_dir / 'Setup.exe'}; Wine prefix: {self.arch} ({self.prefix})"

    # How a program of the prefix is started. In a 64-bit prefix on a machine that also has Wine's
    # 32-bit loader, `wine` starts the prefix's tools (reg) as 32-bit programs, which see the
    # registry redirected; the 64-bit loader starts them as the prefix's own.
    def loader(self) -> list[str]:
        return [WINE64_LOADER] if self.arch == "win64" and Path(WINE64_LOADER).exists() else ["wine"]

    # `reg` options for the view Setup.exe uses: a 64-bit prefix that can also run 32-bit programs
    # starts the 32-bit reg.exe, which sees the 32-bit view.
    def reg_view(self) -> list[str]:
        return ["/reg:64"] if self.arch == "win64" else []

    def environment(self, lang: str = DEFAULT_LANG, dll_overrides: str = "") -> dict[str, str]:
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("LC_", "WINE")) and k not in ("LANGUAGE", "LOCPATH")}
        env.update(WINEPREFIX=str(self.prefix), WINEARCH=self.arch, WINEDEBUG="-all", LANG=lang,
                   WINEDLLOVERRIDES=";".join(filter(None, (DLL_OVERRIDES, dll_overrides))))
        if self.display:
            env["DISPLAY"] = self.display
        # Wine takes the user's language and code page from LANG, but only when the C library
        # knows that locale; otherwise it would run in English without a word.
        if not _system_has_locale(lang):
            raise HarnessError(f"the locale {lang} is missing: scripts/bootstrap generates it")
        return env

    def start(self, args: list[str], log_path: Path, lang: str = DEFAULT_LANG, dll_overrides: str = ""):
        """Starts a program of the prefix with its output in log_path."""
        with _log_file(log_path) as log:
            return subprocess.Popen([*self.loader(), *args], env=self.environment(lang, dll_overrides),
                                    stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    def wine(self, args: list[str], log_name: str, lang: str = DEFAULT_LANG, timeout: float = 60) -> int:
        """Runs one wine command with its output in logs/<log_name>.log; its exit status."""
        status = wait_or_end(self.start(args, self.logs / f"{log_name}.log", lang), timeout)
        if status is None:
            self.restart_server()
            raise HarnessError(f"wine {' '.join(args)} did not end within {timeout:.0f} s")
        return status

    def server(self, *args: str) -> int:
        with _log_file(self.logs / "wineserver.log") as log:
            return subprocess.run(["wineserver", *args], env=self.environment(), stdin=subprocess.DEVNULL,
                                  stdout=log, stderr=log).returncode

    def restart_server(self) -> None:
        """Ends every process of the prefix (after a hang) and starts a fresh server."""
        self.server("-k")
        self.server("-w")
        self.server(f"-p{SERVER_PERSISTENCE_S}")

    def setup(self, dist_root: Path) -> None:
        started = time.monotonic()
        answer = subprocess.run([str(SOURCE / "scripts" / "wine-arch")], capture_output=True, text=True, check=True)
        self.arch, reason = (answer.stdout.splitlines() + [""])[:2]
        self.dist_dir = (dist_root / self.arch).resolve()
        for tool in ("wine", "wineserver", "Xvfb"):
            if not shutil.which(tool):
                raise HarnessError(f"{tool} is not installed")
        for needed in (self.dist_dir / "Setup.exe", self.dist_dir / "tests" / "DialogDriver.exe"):
            if not needed.exists():
                raise HarnessError(f"{needed} is missing: build the {self.arch} preset first")
        if self.state_file.exists():  # a run that ended without its cleanup
            TestRun.load(self.state_dir).cleanup()
        shutil.rmtree(self.prefix, ignore_errors=True)
        shutil.rmtree(self.logs, ignore_errors=True)
        self.logs.mkdir(parents=True)
        # Kept after the cleanup, for scripts/test to say which build the run tested and why.
        (self.state_dir / "architecture.txt").write_text(f"{self.arch}\n{reason}\n{self.dist_dir / 'Setup.exe'}\n")
        print(f"{self.describe()}: {reason}")

        self._start_xvfb()
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
        self.restart_server()
        warmup.drive([])  # the first program started pays for the desktop's start; here, not in the first case
        print(f"{self.arch} prefix {self.prefix} on display {self.display}, "
              f"ready in {time.monotonic() - started:.1f} s")

    def _start_xvfb(self) -> None:
        read_end, write_end = os.pipe()
        with _log_file(self.logs / "xvfb.log") as log:
            xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                start_new_session=True,  # outlives this setup command, until the cleanup
            )
        os.close(write_end)
        self.xvfb_pid = xvfb.pid
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline()
        if not number.endswith(b"\n"):
            raise HarnessError(f"Xvfb did not start, see {self.logs}/xvfb.log")
        self.display = f":{number.decode().strip()}"

    def cleanup(self) -> list[str]:
        """Ends the prefix's processes and Xvfb; returns what had to be ended by force."""
        forced = []
        if self.prefix.exists():
            self.server("-k")
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and _processes_with_environment("WINEPREFIX", str(self.prefix)):
                time.sleep(0.1)
            for pid in _processes_with_environment("WINEPREFIX", str(self.prefix)):
                forced.append(f"wine process {pid}")
                _end_process(pid)
        if self.xvfb_pid:
            _end_process(self.xvfb_pid)
        self.state_file.unlink(missing_ok=True)
        return forced

    def screenshot(self, target: Path) -> None:
        """The whole Xvfb screen as an image file (PNG by its name), by ImageMagick's import."""
        with _log_file(self.logs / "screenshot.log") as log:
            subprocess.run(["import", "-display", self.display, "-window", "root", str(target)],
                           stdout=log, stderr=log, timeout=30)


# ---------------------------------------------------------------------------------------------
# One case: a program folder C:\e2e\<case> in the prefix, the runs in it, the failed checks


class Case:
    def __init__(self, run: TestRun, name: str, package: Path | None = None):
        self.run, self.name, self.package = run, name, package
        self.folder = run.prefix / "drive_c" / "e2e" / name
        self.windows_folder = rf"C:\e2e\{name}"
        self.logs = run.logs / name
        self.failures: list[str] = []
        self.records: list[str] = []  # transcripts and logs, shown when the case fails
        self._count = 0
        for folder in (self.folder, self.logs):
            shutil.rmtree(folder, ignore_errors=True)
            folder.mkdir(parents=True)
        shutil.copy2(run.dist_dir / "tests" / "DialogDriver.exe", self.folder)
        print(run.describe())

    def _next(self, what: str) -> str:
        self._count += 1
        return f"{self._count:02d}-{what}"

    # -- the program, its package, the Windows version, the system -------------------------

    def prepare(self, version: str, package: bool = True, into: Path | None = None, **setup_values: str | None) -> None:
        """Setup.exe and the package in the case's folder (or into), the package's [Setup] keys
        changed (None removes one), the prefix set to a Windows version, and the system as no job
        has left it: without INF copies and what the cases put beside them, the drivers, USB
        storage INFs and backups; with a driver database of its own and an earlier OtherDevicePath
        (a Wine prefix has neither, nor an INF\\OTHER or IOSUBSYS folder)."""
        target = into or self.folder
        target.mkdir(parents=True, exist_ok=True)
        shutil.copy2(self.run.dist_dir / "Setup.exe", target)
        for item in self.package.iterdir() if package else ():
            shutil.copy2(item, target)
        self.description = target / "EXDISK.IN_"  # as the case leaves it
        for key, value in setup_values.items():
            text = re.sub(rf"(?im)^{key}=.*\r\n", "", self.description.read_bytes().decode("latin-1"))
            if value is not None:
                text = re.sub(r"(?im)^\[Setup\]\r\n", lambda m: f"{m[0]}{key}={value}\r\n", text, count=1)
            self.description.write_bytes(text.encode("latin-1"))
        shutil.rmtree(self.path(OTHER_FOLDER), ignore_errors=True)
        for name in self.names(INF_FOLDER):
            if name.lower().startswith(("oem", "usbdisk.", "usbstor.", "drvidx.", "drvdata.")):
                self.remove(rf"{INF_FOLDER}\{name}")
        self.path(IOSUBSYS_FOLDER).mkdir(parents=True, exist_ok=True)
        for path in (PORT_DRIVER, DRIVER):
            self.remove(path)
        self.database = {name: f"{name} of the system".encode() for name in DRIVER_DATABASE}
        for name, content in self.database.items():
            self.put(rf"{INF_FOLDER}\{name}", content)
        self.reg_import({r"HKCU\Software\Wine": {"Version": version},
                         CURRENT_VERSION_KEY: {"OtherDevicePath": EARLIER_SEARCH_PATH}})

    def launch(self, args: str = "", folder: str | None = None, exe: str | None = None) -> str:
        """The step that starts Setup.exe in folder (the case's by default)."""
        folder = folder or self.windows_folder
        exe = exe or folder.rstrip("\\") + "\\Setup.exe"
        return f'launch exe="{exe}" cwd="{folder}"' + (f' args="{args}"' if args else "")

    # -- files and registry of the prefix --------------------------------------------------

    def path(self, windows_path: str) -> Path:
        """The Unix path of a path on drive C, found case-insensitively as Windows would."""
        current = self.run.prefix / "drive_c"
        for part in PureWindowsPath(windows_path).parts[1:]:
            exact = current / part
            matches = [] if exact.exists() or not current.is_dir() else [
                p for p in current.iterdir() if p.name.lower() == part.lower()]
            current = matches[0] if matches else exact
        return current

    def read(self, windows_path: str) -> bytes | None:
        file = self.path(windows_path)
        return file.read_bytes() if file.is_file() else None

    def put(self, windows_path: str, content: bytes) -> Path:
        target = self.path(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(content)
        return target

    def remove(self, windows_path: str) -> None:
        path = self.path(windows_path)
        if path.is_dir():  # a folder a case put in the way of a file
            shutil.rmtree(path)
        else:
            path.unlink(missing_ok=True)

    def names(self, folder: str) -> set[str]:
        """The names in a folder of the prefix, exactly as they are written there."""
        path = self.path(folder)
        return {entry.name for entry in path.iterdir()} if path.is_dir() else set()

    def reg_import(self, keys: dict[str, dict[str, str] | None]) -> None:
        """Writes {key: {value name: text}} into the registry; {key: None} deletes the key."""
        lines = ["REGEDIT4", ""]
        for key, values in keys.items():
            key = key.replace("HKLM", "HKEY_LOCAL_MACHINE", 1).replace("HKCU", "HKEY_CURRENT_USER", 1)
            lines += [f"[-{key}]"] if values is None else [f"[{key}]"] + [
                f'"{name}"="{text}"'.replace("\\", "\\\\") for name, text in values.items()]
        file = self.folder / f"{self._next('import')}.reg"
        file.write_text("\r\n".join(lines + [""]), encoding="latin-1")
        # By its full path: the Windows folder's regedit.exe is the prefix's own architecture.
        if self.run.wine([r"C:\windows\regedit.exe", "/S", rf"{self.windows_folder}\{file.name}"],
                         f"{self.name}/{file.stem}") != 0:
            raise HarnessError(f"regedit failed to import {file}")

    def registry(self, key: str) -> dict[str, dict[str, str]]:
        """Every key at and below key, as one `reg export` lists them: {key: {value name: text}},
        names lower-cased and HKLM spelt short; empty when the key does not exist."""
        file = self.folder / f"{self._next('export')}.reg"
        if self.run.wine(["reg", "export", key, rf"{self.windows_folder}\{file.name}", "/y", *self.run.reg_view()],
                         f"{self.name}/{file.stem}") != 0:
            return {}
        keys: dict[str, dict[str, str]] = {}
        for line in file.read_bytes().decode("utf-16").splitlines():
            if line.startswith("["):
                values = keys.setdefault(re.sub(r"(?i)^HKEY_LOCAL_MACHINE", "HKLM", line.strip()[1:-1]).lower(), {})
            elif value := re.fullmatch(r'"(.*?)"="(.*)"', line.strip()):
                values[value[1].lower()] = re.sub(r"\\(.)", r"\1", value[2])
        return keys

    # -- runs ----------------------------------------------------------------------------------

    def start(self, tool: str, args: list[str]) -> subprocess.Popen:
        """Starts a helper program of dist/<arch>/tests beside the program under test."""
        shutil.copy2(self.run.dist_dir / "tests" / tool, self.folder)
        return self.run.start([rf"{self.windows_folder}\{tool}", *args], self.logs / f"{self._next(tool)}.log")

    def drive(self, steps: list[str], lang: str = DEFAULT_LANG, dll_overrides: str = "",
              timeout_s: float = DRIVER_TIMEOUT_S) -> Transcript:
        """Runs DialogDriver with these steps and returns its transcript, held to the rule of the
        dialog's appearance. A step `screenshot` waits while the screen is taken to logs/screen.png."""
        number = self._next("driver")
        steps = [f"wait-file file={self.windows_folder}\\{number}.taken timeout=60000" if s == "screenshot" else s
                 for s in steps]
        # The driver reads a step's verb and key=value arguments separated by tabs.
        lines = ["\t".join([s.split(" ")[0], *(k + "=" + v.strip('"') for k, v in _STEP_FIELD.findall(s))])
                 for s in steps]
        (self.logs / f"{number}-steps.txt").write_text("".join(line + "\n" for line in lines), encoding="utf-8")
        shutil.copy2(self.logs / f"{number}-steps.txt", self.folder / "steps.txt")
        result = self.folder / f"{number}.txt"
        started = time.monotonic()
        arguments = [rf"{self.windows_folder}\{name}" for name in ("DialogDriver.exe", result.name, "steps.txt")]
        process = self.run.start(arguments, self.logs / f"{number}.log", lang, dll_overrides)
        while process.poll() is None:
            if time.monotonic() > started + timeout_s:
                process.kill()
                process.wait()
                self.run.restart_server()
            if result.exists() and f"{number}.taken" in result.read_text(errors="replace"):
                if not (self.folder / f"{number}.taken").exists():
                    self.run.screenshot(self.logs / "screen.png")
                    (self.folder / f"{number}.taken").write_text("")
            time.sleep(0.05)
        text = result.read_text(encoding="utf-8") if result.exists() else ""
        (self.logs / f"{number}-result.txt").write_text(text, encoding="utf-8")
        t = Transcript(text, (self.logs / f"{number}.log").read_text(errors="replace"), steps,
                       time.monotonic() - started)
        self.records.append(f"{text.rstrip()}\n--- wine output ---\n{t.log.rstrip()}")
        self._expect_shown_once(t)
        if not t.completed:
            failure = next((e["message"] for e in t.all("error")), f"wine exited with {process.returncode}")
            self.failures.append(f"DialogDriver did not finish its steps: {failure}")
        return t

    def silent(self, timeout_s: int, dll_overrides: str = "") -> Transcript:
        return self.drive([self.launch("/S"), f"wait-exit timeout={timeout_s * 1000}"], dll_overrides=dll_overrides,
                          timeout_s=max(timeout_s + 20, DRIVER_TIMEOUT_S))

    # -- checks ----------------------------------------------------------------------------------

    def equal(self, actual, expected, what: str) -> None:
        if actual != expected:
            self.failures.append(f"{what}: expected {expected!r}, got {actual!r}")

    def true(self, condition, what: str) -> None:
        if not condition:
            self.failures.append(what)

    def _expect_shown_once(self, t: Transcript) -> None:
        """A start that ends during initialisation (package messages, refusal, silent run) shows no
        window but its message boxes, not even for an instant; a start that waits shows the setup
        dialog once, with the package's title and its instruction already in place."""
        shown = t.shown(message_boxes=False)
        if not any(step.startswith("wait-window") for step in t.steps):
            self.equal([(e["class"], e["caption"]) for e in shown], [],
                       "windows of the program shown besides message boxes")
            return
        setup = [e for e in shown if "instruction" in e]
        self.equal(len(setup), 1, "times the setup dialog appeared")
        for e in setup[:1]:
            self.true(e["caption"] != TEMPLATE_CAPTION, f"caption in place when shown: {e['caption']!r}")
            self.true(e["instruction"] not in ("", TEMPLATE_INSTRUCTION),
                      f"instruction in place when shown: {e['instruction']!r}")

    def ended(self, t: Transcript, code: int, box: tuple[str, ...] | None = None) -> None:
        """The run ended with this exit status, having shown no message box, or exactly this one:
        (caption, text, icon[, caption of its owner, by default the same caption]) with OK."""
        self.equal(t.exit_code, code, "exit code")
        self.equal(len(t.shown(message_boxes=True)), 1 if box else 0, "message boxes shown")
        for found in t.all("messagebox")[:1] if box else ():
            expected = (*box, box[0])[:4] + ("OK",)
            self.equal(tuple(found[k] for k in ("caption", "text", "icon", "owner", "buttons")), expected,
                       "message box caption, text, icon, owner's caption, buttons")

    def report(self) -> int:
        if not self.failures:
            print(f"{self.name}: passed")
            return 0
        print(f"{self.name}: FAILED", *(f"  - {failure}" for failure in self.failures), sep="\n")
        for number, record in enumerate(self.records, 1):
            print(f"\n--- transcript {number} ---\n{record}")
        print(f"\nlogs: {self.logs}")
        return 1


# ---------------------------------------------------------------------------------------------
# The system as the jobs meet it


def inf_files(c: Case, names) -> dict[str, bytes]:
    """The files of the INF folder among these names (any case), by upper-case name."""
    wanted = {name.upper() for name in names}
    return {name.upper(): c.read(rf"{INF_FOLDER}\{name}") for name in c.names(INF_FOLDER) if name.upper() in wanted}


def expected_inf_copy(c: Case) -> bytes:
    """The setup description with the install section's CopyFiles line commented out once."""
    description = c.description.read_bytes()
    assert description.count(b"\r\nCopyFiles=ExFiles\r\n") == 1, "the package's [ExInstall] is not as the cases expect"
    return description.replace(b"\r\nCopyFiles=ExFiles\r\n", b"\r\n;CopyFiles=ExFiles\r\n")


def expect_placed(c: Case, version: str) -> None:
    """What an install leaves: the INF copy under its name, edited once; the port driver, the
    deleted driver database and the search path on the 98 family only; the driver everywhere;
    every placed file writable."""
    family_98 = version in WINDOWS_98_FAMILY
    inf_copy, other_copy = (INF_COPY_98, INF_COPY_XP) if family_98 else (INF_COPY_XP, INF_COPY_98)
    folder, name = inf_copy.rsplit("\\", 1)
    c.true(name in c.names(folder), f"{name} in {folder}: {sorted(c.names(folder))}")
    c.equal(c.read(inf_copy), expected_inf_copy(c), f"{inf_copy}: the setup description, CopyFiles commented out")
    c.equal(c.read(other_copy), None, f"no {other_copy}")
    c.equal(c.read(DRIVER), (c.package / "EXDISK.SY_").read_bytes(), f"{DRIVER}: a copy of EXDISK.SY_")
    c.equal(c.read(PORT_DRIVER), (c.package / "EXDISK.PDR").read_bytes() if family_98 else None,
            f"{PORT_DRIVER}: a copy of EXDISK.PDR on the 98 family only")
    c.equal(inf_files(c, c.database), {} if family_98 else c.database, "driver database deleted on the 98 family only")
    c.equal(c.registry(CURRENT_VERSION_KEY).get(CURRENT_VERSION_KEY.lower(), {}).get("otherdevicepath"),
            OTHER_DEVICE_PATH if family_98 else EARLIER_SEARCH_PATH, "OtherDevicePath")
    for path in (inf_copy, DRIVER, PORT_DRIVER) if family_98 else (inf_copy, DRIVER):
        # Wine shows a file without write permission as read-only.
        c.true(c.path(path).is_file() and c.path(path).stat().st_mode & stat.S_IWUSR, f"{path} writable")


# ---------------------------------------------------------------------------------------------


CASES: dict[str, Callable[[Case], None]] = {}  # the cases of the case file that runs


def case(name: str):
    """Registers a function of a case file as the case of this name."""
    def register(function: Callable[[Case], None]):
        CASES[name] = function
        return function
    return register


def run_cases(description: str) -> int:
    """The command line of a case file: lists its cases or runs one of them."""
    cases = CASES
    parser = argparse.ArgumentParser(description=description, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", action="store_true", help="print the names of the cases, one a line")
    parser.add_argument("--state", type=Path, help="the run's folder (made by wine_harness.py setup)")
    parser.add_argument("--package", type=Path, help="the example package folder")
    parser.add_argument("case", nargs="?")
    options = parser.parse_args()
    if options.list:
        print("\n".join(cases))
        return 0
    if not (options.state and options.package and options.case in cases):
        parser.error("give --state, --package and a case that --list shows")
    try:
        case = Case(TestRun.load(options.state), options.case, options.package.resolve())
        cases[options.case](case)
    except HarnessError as problem:
        print(f"{options.case}: test setup failed: {problem}")
        return 1
    return case.report()


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=("setup", "cleanup"))
    parser.add_argument("--state", type=Path, required=True, help="folder of the run's prefix and logs")
    parser.add_argument("--dist-root", type=Path, help="the dist folder, with win32/ and win64/ (setup only)")
    options = parser.parse_args(argv)
    try:
        if options.command == "setup":
            TestRun(options.state).setup(options.dist_root or parser.error("setup needs --dist-root"))
        else:
            run = TestRun.load(options.state) if (options.state / "state.json").exists() else TestRun(options.state)
            print(*(f"had to end {what}" for what in run.cleanup()), sep="\n")
            print("no Wine or Xvfb process of this run is left")
    except HarnessError as problem:
        print(f"e2e {options.command}: {problem}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
