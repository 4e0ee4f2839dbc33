#!/usr/bin/env python3
"""The Wine side of the end-to-end tests: one prefix and one Xvfb display per test run,
a fresh program folder per test, DialogDriver runs and their transcripts, and checks on
the files and registry of the prefix afterwards.

As a command (the CTest fixture):
    wine_harness.py setup   --state DIR --dist-root DIST   make the prefix, start Xvfb
    wine_harness.py cleanup --state DIR                    end every process of the run

The run takes the build that scripts/wine-arch names: the shipped dist/win32/Setup.exe in a
32-bit prefix wherever the machine starts 32-bit programs, else dist/win64 in a 64-bit one.

Every wine command writes to files, never to a pipe: wineserver and the programs it starts
keep inherited descriptors open, so a reader waiting for end of file would hang.
"""

from __future__ import annotations

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from functools import lru_cache
from pathlib import Path, PureWindowsPath

SOURCE = Path(__file__).resolve().parents[2]
WINE64_LOADER = "/usr/lib/wine/wine64"  # Debian's wine64 package
WINDOWS_VERSIONS = ("win95", "win98", "winme", "win2k", "winxp")
# Every program of the prefix runs in one Wine virtual desktop, which draws frames and
# captions (there is no window manager on Xvfb) and gives a known screen size.
DESKTOP_NAME, DESKTOP_SIZE = "e2e", "800x600"
DEFAULT_LANG = "en_US.UTF-8"
PROGRAMS_FOLDER = "e2e"  # C:\e2e\<case> holds each test's copy of the program
DRIVER_TIMEOUT_S = 90  # a whole driver run; each of its own waits is much shorter
SERVER_PERSISTENCE_S = 60  # a server left behind by a killed run ends itself after this idle time

# Dialogs of the mono and gecko installers would wait for a click during wineboot; the menu
# builder would write desktop entries into the user's home.
DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"


class HarnessError(Exception):
    """A problem of the test setup itself, not of the program under test."""


# ---------------------------------------------------------------------------------------------
# Transcripts of DialogDriver

_FIELD = re.compile(r'([A-Za-z_][\w-]*)=("(?:[^"\\]|\\.)*"|\S*)')
_ESCAPES = {"\\": "\\", '"': '"', "n": "\n", "r": "\r", "t": "\t"}


def _unquote(value: str) -> str:
    if not value.startswith('"'):
        return value
    body, out, i = value[1:-1], [], 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            nxt = body[i + 1]
            if nxt == "u":
                out.append(chr(int(body[i + 2 : i + 6], 16)))
                i += 6
                continue
            out.append(_ESCAPES.get(nxt, nxt))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


@dataclass
class Event:
    """One line of a transcript: `verb key=value ...`."""

    verb: str
    fields: dict[str, str]
    line: str

    def __getitem__(self, key: str) -> str:
        return self.fields[key]

    def get(self, key: str, default: str | None = None) -> str | None:
        return self.fields.get(key, default)

    def number(self, key: str) -> int:
        return int(self.fields[key])


def parse_transcript(text: str) -> list[Event]:
    events = []
    for line in text.splitlines():
        if not line.strip():
            continue
        verb, _, rest = line.partition(" ")
        fields = {m.group(1): _unquote(m.group(2)) for m in _FIELD.finditer(rest)}
        events.append(Event(verb, fields, line))
    return events


@dataclass
class Transcript:
    """What DialogDriver saw in one run, with the questions the tests ask of it."""

    events: list[Event]
    text: str
    log: str = ""
    steps: tuple[str, ...] = ()

    def all(self, verb: str) -> list[Event]:
        return [e for e in self.events if e.verb == verb]

    def first(self, verb: str) -> Event | None:
        found = self.all(verb)
        return found[0] if found else None

    @property
    def completed(self) -> bool:
        return bool(self.events) and self.events[-1].verb == "done"

    @property
    def error(self) -> str | None:
        failure = self.first("error")
        return failure["message"] if failure else None

    @property
    def exit_code(self) -> int | None:
        ended = self.first("exit")
        return ended.number("code") if ended else None

    def message_boxes(self) -> list[Event]:
        return self.all("messagebox")

    def shown_windows(self) -> list[Event]:
        """Every other top-level window of the program that became visible (its dialogs)."""
        return [e for e in self.all("shown") if e.get("messagebox") != "1"]

    def shown_message_boxes(self) -> list[Event]:
        """Every message box the program showed, whether or not a step waited for it."""
        return [e for e in self.all("shown") if e.get("messagebox") == "1"]

    def dumps(self) -> list[dict[int, Event]]:
        """Each `dump` step as {control id: control line}, with the dialog line under key 0."""
        result: list[dict[int, Event]] = []
        for event in self.events:
            if event.verb == "dialog":
                result.append({0: event})
            elif event.verb == "control" and result:
                result[-1][event.number("id")] = event
        return result

    def dump_order(self, index: int = -1) -> list[int]:
        """Control ids of one dump in the order of the dialog's children (its tab order)."""
        seen: list[list[int]] = []
        for event in self.events:
            if event.verb == "dialog":
                seen.append([])
            elif event.verb == "control":
                seen[-1].append(event.number("id"))
        return seen[index] if seen else []

    def focus_ids(self) -> list[int | None]:
        return [int(e["id"]) if "id" in e.fields else None for e in self.all("focus")]


# ---------------------------------------------------------------------------------------------
# Processes


def _log_file(path: Path):
    path.parent.mkdir(parents=True, exist_ok=True)
    return open(path, "wb")


def _processes_with_environment(name: str, value: str) -> list[int]:
    """Ids of this user's processes whose environment holds name=value exactly."""
    wanted = f"{name}={value}".encode()
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            environment = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if wanted in environment:
            found.append(int(entry.name))
    return found


def _end_process(pid: int, grace_s: float = 2.0) -> None:
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + grace_s
    while time.monotonic() < deadline:
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            return
        time.sleep(0.05)
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def _is_running(pid: int) -> bool:
    try:
        os.kill(pid, 0)
    except (ProcessLookupError, PermissionError):
        return False
    try:  # a zombie of ours counts as ended
        return Path(f"/proc/{pid}/stat").read_text().split(") ")[1][0] != "Z"
    except (OSError, IndexError):
        return True


# ---------------------------------------------------------------------------------------------
# The test run: one prefix, one Xvfb display


class TestRun:
    """The prefix and display shared by all tests of one run, described by state.json."""

    def __init__(self, state_dir: Path):
        self.state_dir = state_dir.resolve()
        self.prefix = self.state_dir / "prefix"
        self.logs = self.state_dir / "logs"
        self.locales = self.state_dir / "locale"
        self.state_file = self.state_dir / "state.json"
        self.display: str | None = None
        self.xvfb_pid: int | None = None
        self.dist_dir: Path | None = None
        self.arch = "win32"  # the prefix's architecture, and the build of the programs it runs

    # -- state -----------------------------------------------------------------------------

    @classmethod
    def load(cls, state_dir: Path) -> "TestRun":
        run = cls(state_dir)
        if not run.state_file.exists():
            raise HarnessError(f"no test run in {run.state_dir}: the fixture setup has not run")
        state = json.loads(run.state_file.read_text())
        run.display, run.xvfb_pid, run.dist_dir = state["display"], state["xvfb_pid"], Path(state["dist_dir"])
        run.arch = state["arch"]
        return run

    def _save(self) -> None:
        self.state_file.write_text(json.dumps({"display": self.display, "xvfb_pid": self.xvfb_pid,
                                               "dist_dir": str(self.dist_dir), "arch": self.arch}, indent=1))

    def describe(self) -> str:
        """The program under test and its prefix, for every case's log."""
        return f"program under test: {self.dist_dir / 'Setup.exe'}; Wine prefix: {self.arch} ({self.prefix})"

    def loader(self) -> list[str]:
        """How a program of the prefix is started. In a 64-bit prefix on a machine that also has
        Wine's 32-bit loader, `wine` starts the prefix's tools (cmd, reg) as 32-bit programs,
        which see system32 and the registry redirected; the 64-bit loader starts them as the
        prefix's own."""
        if self.arch == "win64" and Path(WINE64_LOADER).exists():
            return [WINE64_LOADER]
        return ["wine"]

    def reg_view(self) -> list[str]:
        """`reg` options that read and write the view Setup.exe uses: a 64-bit prefix that can
        also run 32-bit programs starts the 32-bit reg.exe, which sees the 32-bit view."""
        return ["/reg:64"] if self.arch == "win64" else []

    # -- environment and wine commands -----------------------------------------------------

    def environment(self, lang: str = DEFAULT_LANG, dll_overrides: str = "") -> dict[str, str]:
        env = dict(os.environ)
        for name in [n for n in env if n.startswith(("LC_", "WINE"))] + ["LANGUAGE", "LOCPATH"]:
            env.pop(name, None)
        env.update(
            WINEPREFIX=str(self.prefix),
            WINEARCH=self.arch,
            WINEDEBUG="-all",
            WINEDLLOVERRIDES=DLL_OVERRIDES + (";" + dll_overrides if dll_overrides else ""),
            LANG=lang,
        )
        if self.display:
            env["DISPLAY"] = self.display
        locale_path = self.ensure_locale(lang)
        if locale_path:
            env["LOCPATH"] = str(locale_path)
        return env

    def ensure_locale(self, lang: str) -> Path | None:
        """Wine takes the user's language and code page from LANG, but only when the C library
        knows that locale. One the system lacks is compiled into the run's own folder once and
        handed over through LOCPATH (the definitions come with Debian's `locales`)."""
        if lang in ("C", "POSIX", "C.UTF-8") or _system_has_locale(lang):
            return None
        target = self.locales / lang
        if not (target / "LC_CTYPE").exists():
            name, _, charset = lang.partition(".")
            self.locales.mkdir(parents=True, exist_ok=True)
            with _log_file(self.logs / f"localedef-{lang}.log") as log:
                result = subprocess.run(
                    ["localedef", "-i", name, "-f", charset or "UTF-8", str(target)], stdout=log, stderr=log
                )
            if result.returncode not in (0, 1) or not (target / "LC_CTYPE").exists():
                raise HarnessError(
                    f"cannot compile the locale {lang} (localedef failed, see {self.logs}); "
                    "install Debian's `locales` package"
                )
        return self.locales

    def wine(self, args: list[str], log_name: str, lang: str = DEFAULT_LANG, timeout: float = 60) -> int:
        """Runs one wine command with its output in logs/<log_name>.log; its exit status."""
        with _log_file(self.logs / f"{log_name}.log") as log:
            process = subprocess.Popen(
                [*self.loader(), *args], env=self.environment(lang), stdin=subprocess.DEVNULL, stdout=log, stderr=log
            )
            try:
                return process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                self.restart_server()
                raise HarnessError(f"wine {' '.join(args)} did not end within {timeout:.0f} s")

    def server(self, *args: str) -> int:
        with _log_file(self.logs / "wineserver.log") as log:
            return subprocess.run(
                ["wineserver", *args], env=self.environment(), stdin=subprocess.DEVNULL, stdout=log, stderr=log
            ).returncode

    def restart_server(self) -> None:
        """Ends every process of the prefix (after a hang) and starts a fresh server."""
        self.server("-k")
        self.server("-w")
        self.server(f"-p{SERVER_PERSISTENCE_S}")

    def windows_path(self, path: str) -> Path:
        """The Unix path of a path in the prefix's drive C (`C:\\windows\\inf` ...), found
        case-insensitively as Windows would."""
        parts = PureWindowsPath(path).parts
        if not parts or parts[0].upper() != "C:\\":
            raise HarnessError(f"not a path on drive C: {path}")
        current = self.prefix / "drive_c"
        for part in parts[1:]:
            exact = current / part
            if exact.exists() or not current.is_dir():
                current = exact
                continue
            matches = [p for p in current.iterdir() if p.name.lower() == part.lower()]
            current = matches[0] if matches else exact
        return current

    # -- the fixture -----------------------------------------------------------------------

    def setup(self, dist_root: Path) -> None:
        started = time.monotonic()
        answer = subprocess.run([str(SOURCE / "scripts" / "wine-arch")], capture_output=True, text=True, check=True)
        self.arch, reason = (answer.stdout.splitlines() + [""])[:2]
        self.dist_dir = (dist_root / self.arch).resolve()
        for tool in ("wine", "wineserver", "Xvfb", "localedef"):
            if not shutil.which(tool):
                raise HarnessError(f"{tool} is not installed")
        for needed in (self.dist_dir / "Setup.exe", self.dist_dir / "tests" / "DialogDriver.exe"):
            if not needed.exists():
                raise HarnessError(f"{needed} is missing: build the {self.arch} preset first")

        if self.state_file.exists():  # a run that ended without its cleanup
            TestRun.load(self.state_dir).cleanup()
        if self.prefix.exists():
            shutil.rmtree(self.prefix)
        shutil.rmtree(self.logs, ignore_errors=True)
        self.logs.mkdir(parents=True)
        # Kept after the cleanup, for scripts/test to say which build the run tested and why.
        (self.state_dir / "architecture.txt").write_text(f"{self.arch}\n{reason}\n{self.dist_dir / 'Setup.exe'}\n")
        print(f"{self.describe()}: {reason}")

        self._start_xvfb()
        self._save()  # from here on the cleanup knows what to end
        self.server(f"-p{SERVER_PERSISTENCE_S}")
        status = self.wine(["wineboot", "-i"], "wineboot", timeout=180)
        if status != 0:
            raise HarnessError(f"wineboot -i failed with status {status}, see {self.logs}/wineboot.log")
        # The desktop is chosen when it starts, so the setting must be in place before any
        # window opens: the server is restarted after wineboot for it to apply.
        for key, name, value in ((r"HKCU\Software\Wine\Explorer", "Desktop", DESKTOP_NAME),
                                 (r"HKCU\Software\Wine\Explorer\Desktops", DESKTOP_NAME, DESKTOP_SIZE)):
            if self.wine(["reg", "add", key, "/v", name, "/d", value, "/f"], "desktop") != 0:
                raise HarnessError(f"cannot set {key}\\{name}, see {self.logs}/desktop.log")
        self.restart_server()
        # The first program that opens a window starts the desktop; doing it here keeps that
        # start-up time out of the first test's timeouts.
        warmup = self.prefix / "drive_c" / PROGRAMS_FOLDER / "warmup"
        warmup.mkdir(parents=True)
        shutil.copy2(self.dist_dir / "tests" / "DialogDriver.exe", warmup)
        self.wine([rf"C:\{PROGRAMS_FOLDER}\warmup\DialogDriver.exe",
                   "--out", rf"C:\{PROGRAMS_FOLDER}\warmup\result.txt", "sleep ms=100"], "warmup")
        print(f"{self.arch} prefix {self.prefix} on display {self.display}, ready in {time.monotonic() - started:.1f} s")

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
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise HarnessError(f"Xvfb did not start, see {self.logs}/xvfb.log")
                number += chunk
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
        if self.xvfb_pid and _is_running(self.xvfb_pid):
            _end_process(self.xvfb_pid)
        self.xvfb_pid = None
        if self.state_file.exists():
            self.state_file.unlink()
        return forced

    # -- screenshots -------------------------------------------------------------------------

    def screenshot(self, target: Path) -> Path:
        """The whole Xvfb screen as an image file (PNG by its name), by ImageMagick's import."""
        target.parent.mkdir(parents=True, exist_ok=True)
        with _log_file(self.logs / "screenshot.log") as log:
            result = subprocess.run(
                ["import", "-display", self.display, "-window", "root", str(target)],
                stdout=log, stderr=log, timeout=30,
            )
        if result.returncode != 0:
            raise HarnessError(f"import failed with status {result.returncode}, see {self.logs}/screenshot.log")
        return target


@lru_cache(maxsize=None)
def _system_has_locale(lang: str) -> bool:
    def normal(name: str) -> str:
        return name.lower().replace("utf-8", "utf8")

    listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    return normal(lang) in {normal(n) for n in listed}


# ---------------------------------------------------------------------------------------------
# One test: a program folder in the prefix and the runs of DialogDriver in it


class ProgramCase:
    """A fresh copy of the program (and, if wanted, the package) in C:\\e2e\\<name>."""

    def __init__(self, run: TestRun, name: str):
        self.run = run
        self.name = re.sub(r"[^A-Za-z0-9_.-]", "_", name)
        self.folder = run.prefix / "drive_c" / PROGRAMS_FOLDER / self.name
        self.windows_folder = rf"C:\{PROGRAMS_FOLDER}\{self.name}"
        self.logs = run.logs / self.name
        self._runs = 0
        if self.folder.exists():
            shutil.rmtree(self.folder)
        shutil.rmtree(self.logs, ignore_errors=True)
        self.folder.mkdir(parents=True)
        self.logs.mkdir(parents=True)
        shutil.copy2(run.dist_dir / "tests" / "DialogDriver.exe", self.folder)
        print(run.describe())

    # -- the program and its package -------------------------------------------------------

    def install_program(self, into: Path | None = None) -> Path:
        target = into or self.folder
        target.mkdir(parents=True, exist_ok=True)
        shutil.copy2(self.run.dist_dir / "Setup.exe", target)
        return target / "Setup.exe"

    def install_package(self, package_dir: Path, into: Path | None = None) -> None:
        target = into or self.folder
        for item in package_dir.iterdir():
            if item.is_file():
                shutil.copy2(item, target)

    def setup_description(self, into: Path | None = None) -> Path:
        found = sorted((into or self.folder).glob("*.[Ii][Nn]?"))
        if not found:
            raise HarnessError(f"no setup description in {into or self.folder}")
        return found[0]

    def set_setup_value(self, key: str, value: str | None, into: Path | None = None) -> None:
        """Sets key=value in the [Setup] section of the package's setup description, or
        removes the key when value is None."""
        path = self.setup_description(into)
        raw = path.read_bytes().decode("latin-1")
        newline = "\r\n" if "\r\n" in raw else "\n"
        lines = raw.split(newline)
        section, done = None, False
        for index, line in enumerate(lines):
            stripped = line.strip()
            if stripped.startswith("["):
                if section == "setup" and value is not None:
                    lines.insert(index, f"{key}={value}")
                    done = True
                    break
                section = stripped.strip("[]").strip().lower()
            elif section == "setup" and stripped.split("=", 1)[0].strip().lower() == key.lower():
                if value is None:
                    del lines[index]
                else:
                    lines[index] = f"{key}={value}"
                done = True
                break
        if not done and value is not None:
            if section != "setup":
                lines.append("[Setup]")
            lines.append(f"{key}={value}")
        path.write_bytes(newline.join(lines).encode("latin-1"))

    # -- the prefix --------------------------------------------------------------------------

    def set_windows_version(self, version: str) -> None:
        if version not in WINDOWS_VERSIONS:
            raise HarnessError(f"unknown Windows version {version}")
        self.reg_add(r"HKCU\Software\Wine", "Version", version)

    def map_drive(self, letter: str, folder: Path) -> str:
        """Makes a Unix folder the root of a drive (E: ...); returns the drive root."""
        link = self.run.prefix / "dosdevices" / f"{letter.lower()}:"
        if link.is_symlink() or link.exists():
            link.unlink()
        folder.mkdir(parents=True, exist_ok=True)
        link.symlink_to(folder.resolve())
        return f"{letter.upper()}:\\"

    def reg_add(self, key: str, name: str | None, value: str, kind: str = "REG_SZ") -> None:
        args = ["reg", "add", key] + (["/v", name] if name is not None else ["/ve"]) + ["/t", kind, "/d", value, "/f"]
        args += self.run.reg_view()
        if self.run.wine(args, self._log("reg")) != 0:
            raise HarnessError(f"reg add {key} {name} failed")

    def reg_query(self, key: str, name: str) -> str | None:
        """The data of one registry value as `reg query` prints it, or None when it is absent."""
        log = self._log("reg")
        self.run.wine(["reg", "query", key, "/v", name, *self.run.reg_view()], log)
        text = (self.run.logs / f"{log}.log").read_text(errors="replace")
        for line in text.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0].lower() == name.lower() and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None

    def reg_key_exists(self, key: str) -> bool:
        return self.run.wine(["reg", "query", key, *self.run.reg_view()], self._log("reg")) == 0

    def reg_delete_key(self, key: str) -> None:
        self.run.wine(["reg", "delete", key, "/f", *self.run.reg_view()], self._log("reg"))

    def reg_import(self, text: str) -> None:
        """Imports a .reg text (REGEDIT4 or Windows Registry Editor 5.00 syntax)."""
        self._runs += 1
        file = self.folder / f"import{self._runs}.reg"
        file.write_text(text.replace("\n", "\r\n"), encoding="utf-16" if text.startswith("Windows") else "latin-1")
        # By its full path: the Windows folder's regedit.exe is the prefix's own architecture.
        if self.run.wine([r"C:\windows\regedit.exe", "/S", rf"{self.windows_folder}\{file.name}"],
                         self._log("regedit")) != 0:
            raise HarnessError(f"regedit failed to import {file}")

    def seed_device_node(self, instance_id: str, class_guid: str) -> str:
        """A device node in the prefix's registry (Enum\\<instance_id> with its ClassGUID), as
        Wine's SetupAPI enumerates and removes them; returns its key."""
        key = rf"HKLM\System\CurrentControlSet\Enum\{instance_id}"
        self.reg_add(key, "ClassGUID", class_guid)
        return key

    def reg_keys(self, key: str) -> set[str]:
        """Every key at and below key (HKLM\\...), lower-cased with HKLM spelt short, as one
        `reg export` lists them; empty when the key does not exist."""
        self._runs += 1
        export = self.folder / f"export{self._runs}.reg"
        if self.run.wine(["reg", "export", key, rf"{self.windows_folder}\{export.name}", "/y", *self.run.reg_view()],
                         self._log("reg")) != 0:
            return set()
        keys = set()
        for line in export.read_bytes().decode("utf-16").splitlines():
            if line.startswith("[") and line.rstrip().endswith("]"):
                name = line.strip()[1:-1]
                keys.add(re.sub(r"^HKEY_LOCAL_MACHINE\\", r"HKLM\\", name, flags=re.I).lower())
        return keys

    def dos_attributes(self, paths: list[str]) -> dict[str, str]:
        """The attribute letters (A, R, H, S ...) that Windows' attrib shows for each existing file,
        by its lower-cased path; one command for all of them."""
        args = ["cmd", "/c"]
        for index, path in enumerate(paths):
            args += (["&"] if index else []) + ["attrib", path]
        log = self._log("attrib")
        self.run.wine(args, log)
        found = {}
        for line in (self.run.logs / f"{log}.log").read_text(errors="replace").splitlines():
            shown = re.fullmatch(r"([A-Z ]*?)\s*([A-Za-z]:\\.*)", line.rstrip())
            if shown:
                found[shown.group(2).lower()] = "".join(shown.group(1).split())
        return found

    def windows_file(self, path: str) -> Path:
        """The Unix path of a file in the prefix (C:\\windows\\...), found case-insensitively."""
        return self.run.windows_path(path)

    def remove_windows_file(self, path: str) -> None:
        target = self.run.windows_path(path)
        if target.is_file() or target.is_symlink():
            target.unlink()

    def put_windows_file(self, path: str, content: bytes) -> Path:
        """Writes a file into the prefix, making its folders (C:\\windows\\inf\\other\\X.INF)."""
        target = self.run.windows_path(path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(content)
        return target

    def _log(self, what: str) -> str:
        self._runs += 1
        return f"{self.name}/{self._runs:02d}-{what}"

    # -- other Windows programs ----------------------------------------------------------------

    def install_tool(self, name: str) -> str:
        """Copies a test tool of dist/<arch>/tests into the case's folder; its Windows path."""
        source = self.run.dist_dir / "tests" / name
        if not source.exists():
            raise HarnessError(f"{source} is missing: build the {self.run.arch} preset first")
        shutil.copy2(source, self.folder)
        return rf"{self.windows_folder}\{name}"

    def start(self, exe: str, args: list[str], log_name: str) -> subprocess.Popen:
        """Starts a Windows program in the prefix that runs beside the program under test (a
        stand-in for a program of the system); end it with wait_or_end()."""
        with _log_file(self.logs / f"{log_name}.log") as log:
            return subprocess.Popen([*self.run.loader(), exe, *args], env=self.run.environment(), stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=log)

    def wait_or_end(self, process: subprocess.Popen, timeout: float) -> int | None:
        """The exit status of a program start()ed, once it has ended by itself within timeout
        seconds; None when it had to be ended."""
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            return None

    # -- DialogDriver --------------------------------------------------------------------------

    def pause(self, name: str) -> list[str]:
        """Steps that stop the driver until drive()'s on_signal(name) has returned."""
        return [rf"signal file={self.windows_folder}\{name}.signal",
                rf"wait-file file={self.windows_folder}\{name}.done timeout=60000"]

    def drive(self, steps: list[str], lang: str = DEFAULT_LANG, on_signal=None, dll_overrides: str = "",
              timeout_s: float = DRIVER_TIMEOUT_S) -> Transcript:
        """Runs DialogDriver with these steps and returns its transcript.

        on_signal(name) is called whenever the script's `signal file=<folder>\\<name>` step
        fires; the driver's following `wait-file file=<folder>\\<name>.done` then goes on
        (this is how a screenshot is taken at a chosen moment)."""
        self._runs += 1
        number = f"{self._runs:02d}"
        script = self.folder / f"steps{number}.txt"
        result = self.folder / f"result{number}.txt"
        script.write_text("\n".join(steps) + "\n", encoding="utf-8")
        if result.exists():
            result.unlink()
        log_path = self.logs / f"{number}-driver.log"
        command = [*self.run.loader(), rf"{self.windows_folder}\DialogDriver.exe",
                   "--out", rf"{self.windows_folder}\{result.name}", "--script", rf"{self.windows_folder}\{script.name}"]
        with _log_file(log_path) as log:
            process = subprocess.Popen(command, env=self.run.environment(lang, dll_overrides), stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=log)
            deadline = time.monotonic() + timeout_s
            handled: set[str] = set()
            while process.poll() is None:
                if time.monotonic() > deadline:
                    process.kill()
                    process.wait()
                    self.run.restart_server()
                    break
                if on_signal:
                    for flag in self.folder.glob("*.signal"):
                        if flag.name not in handled:
                            handled.add(flag.name)
                            on_signal(flag.stem)
                            (self.folder / f"{flag.stem}.done").write_text("")
                time.sleep(0.05)
        text = result.read_text(encoding="utf-8") if result.exists() else ""
        shutil.copy2(script, self.logs / f"{number}-steps.txt")
        (self.logs / f"{number}-result.txt").write_text(text, encoding="utf-8")
        transcript = Transcript(parse_transcript(text), text, log_path.read_text(errors="replace"), tuple(steps))
        if process.returncode is not None and not text and not transcript.completed:
            transcript.log += f"\n(DialogDriver wrote nothing; wine exited with {process.returncode})"
        return transcript


# ---------------------------------------------------------------------------------------------


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=("setup", "cleanup"))
    parser.add_argument("--state", type=Path, required=True, help="folder of the run's prefix and logs")
    parser.add_argument("--dist-root", type=Path, help="the dist folder, with win32/ and win64/ (setup only)")
    options = parser.parse_args(argv)
    try:
        if options.command == "setup":
            if not options.dist_root:
                parser.error("setup needs --dist-root")
            TestRun(options.state).setup(options.dist_root)
        else:
            run = TestRun.load(options.state) if (options.state / "state.json").exists() else TestRun(options.state)
            forced = run.cleanup()
            for what in forced:
                print(f"had to end {what}")
            print("no Wine or Xvfb process of this run is left")
    except HarnessError as problem:
        print(f"e2e {options.command}: {problem}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
