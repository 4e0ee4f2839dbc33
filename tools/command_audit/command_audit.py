#!/usr/bin/env python3
"""Checks that every external command the project's scripts and tests start comes from a Debian
package that scripts/bootstrap installs, or from one the machine image is known to carry
(tools/command_audit/image-packages.txt). A command that only a hand install provides passes
on the machine that has it and fails on a new one; this check fails on both.

    command_audit.py [--root DIR] [--bootstrap FILE] [--verbose]

Commands are found in the shell scripts (scripts/, .ci/run), in the Python files and in the
CMake files of scripts/, tests/ and tools/. Each is looked up on PATH; the owner of every
executable of that name on PATH (following links, past /etc/alternatives) is asked of dpkg.
The command passes when one of them belongs to an allowed package. Exit status 0 when every
command passes, 1 otherwise.
"""

from __future__ import annotations

import argparse
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent

# Words after which the next word is the command.
SHELL_PREFIXES = {"if", "then", "else", "elif", "do", "while", "until", "!", "time", "exec", "command", "sudo", "Q"}
WORD = re.compile(r"[A-Za-z][\w.+-]*$")

PYTHON_CALL = re.compile(
    r"subprocess\.(?:run|Popen|call|check_call|check_output)\(\s*\[\s*\"([A-Za-z][\w.+-]*)\"", re.S)
PYTHON_COMMAND_LIST = re.compile(r"\bcommand\s*=\s*\[\s*\"([A-Za-z][\w.+-]*)\"")
PYTHON_WHICH = re.compile(r"shutil\.which\(\s*\"([A-Za-z][\w.+-]*)\"")
CMAKE_COMMAND = re.compile(r"\bCOMMAND\s+([A-Za-z][\w.+-]*)")
CMAKE_FIND_PROGRAM = re.compile(r"find_program\(\s*\w+\s+NAMES\s+([A-Za-z][\w.+-]*)")


def _command_segments(text: str) -> list[str]:
    """The script with quoted texts, here-documents and array values blanked out and every
    command separator (including the start of a command substitution) turned into a newline."""
    out: list[str] = []
    stack: list[str] = []  # for each open $( inside double quotes: "dq"; for a plain $( or (: "("
    quote = ""
    lines = text.splitlines()
    index = 0
    while index < len(lines):
        line = lines[index]
        index += 1
        heredoc = re.search(r"<<-?\s*['\"]?(\w+)['\"]?", line) if not quote else None
        i = 0
        while i < len(line):
            c = line[i]
            two = line[i:i + 2]
            if quote == "'":
                if c == "'":
                    quote = ""
                i += 1
            elif quote == '"':
                if c == "\\":
                    i += 2
                elif line.startswith("$((", i):
                    close = line.find("))", i)
                    i = close + 2 if close >= 0 else len(line)
                elif two == "$(":
                    stack.append("dq")
                    quote = ""
                    out.append("\n")
                    i += 2
                elif c == '"':
                    quote = ""
                    out.append(" Q ")
                    i += 1
                else:
                    i += 1
            elif c == "#" and (i == 0 or line[i - 1] in " \t;"):
                break
            elif c in "'\"":
                quote = c
                if c == "'":
                    out.append(" Q ")
                i += 1
            elif c == "\\":
                i += 2
            elif line.startswith("$((", i):
                close = line.find("))", i)
                i = close + 2 if close >= 0 else len(line)
            elif two == "$(" or c == "`":
                stack.append("(")
                out.append("\n")
                i += 2 if two == "$(" else 1
            elif two == "((" or (c == "(" and i > 0 and line[i - 1] == "="):
                # arithmetic, or an array value: words, not commands; it may run over lines
                close = line.find(")", i)
                while close < 0 and index < len(lines):
                    line, i = lines[index], 0
                    index += 1
                    close = line.find(")")
                i = close + 1 if close >= 0 else len(line)
                if two == "((":
                    i = line.find("))", i - 1) + 2 if line.find("))", i - 1) >= 0 else len(line)
            elif c == "(":
                stack.append("(")
                out.append("\n")
                i += 1
            elif c == ")":
                if stack and stack.pop() == "dq":
                    quote = '"'
                out.append("\n")
                i += 1
            elif two in ("&&", "||", ";;"):
                out.append("\n")
                i += 2
            elif c in ";|&{}":
                out.append("\n")
                i += 1
            else:
                out.append(c)
                i += 1
        out.append("\n")
        if heredoc:
            while index < len(lines) and lines[index].strip() != heredoc.group(1):
                index += 1
            index += 1
    return "".join(out).splitlines()


def shell_commands(text: str) -> set[str]:
    """Words in command position of a bash script: the first word of each simple command, after
    variable assignments, keywords and prefixes such as `timeout N`; the script's own functions
    and loop headers are left out."""
    functions = set(re.findall(r"^\s*(?:function\s+)?([\w-]+)\s*\(\)", text, re.M))
    found: set[str] = set()
    for segment in _command_segments(text):
        words = segment.split()
        if words and words[0] in ("for", "case", "select", "function"):
            continue
        while words and (re.match(r"\w+(\[[^]]*\])?\+?=", words[0]) or words[0] in SHELL_PREFIXES
                         or words[0] == "timeout" or words[0].startswith("-")):
            if words[0] == "timeout":
                found.add("timeout")
                words = words[1:]
                while words and (words[0].startswith("-") or words[0][:1].isdigit()):
                    words = words[1:]
                continue
            words = words[1:]
        if words and WORD.match(words[0]) and words[0] not in functions and words[0] not in ("fi", "done", "esac"):
            found.add(words[0])
    return found


def project_commands(root: Path) -> dict[str, set[str]]:
    """Every command name, with the files that start it."""
    uses: dict[str, set[str]] = {}
    built = set()  # programs the build makes, which tests start by target name
    for path in root.rglob("CMakeLists.txt"):
        if "build" not in path.relative_to(root).parts:
            built.update(re.findall(r"add_executable\(\s*([\w.+-]+)", path.read_text(errors="replace")))

    def note(names, path: Path) -> None:
        for name in names:
            if name in built:
                continue
            uses.setdefault(name, set()).add(str(path.relative_to(root)))

    shell_files = [p for p in (root / "scripts").iterdir() if p.is_file()] + [root / ".ci" / "run"]
    for path in shell_files:
        text = path.read_text(errors="replace")
        if text.startswith("#!") and "python" in text.splitlines()[0]:
            continue
        note(shell_commands(text), path)
    for folder in ("scripts", "tests", "tools"):
        for path in sorted((root / folder).rglob("*")):
            if path.suffix == ".py" or (path.is_file() and path.parent.name == "scripts" and path.suffix == ""):
                text = path.read_text(errors="replace")
                if path.suffix == ".py" or text.startswith("#!/usr/bin/env python"):
                    note(PYTHON_CALL.findall(text) + PYTHON_COMMAND_LIST.findall(text) + PYTHON_WHICH.findall(text),
                         path)
            elif path.name == "CMakeLists.txt" or path.suffix == ".cmake":
                text = path.read_text(errors="replace")
                note(CMAKE_COMMAND.findall(text) + CMAKE_FIND_PROGRAM.findall(text), path)
    return uses


def is_shell_builtin(name: str) -> bool:
    kind = subprocess.run(["bash", "-c", f"type -t -- {name}"], capture_output=True, text=True).stdout.strip()
    return kind in ("builtin", "keyword", "function", "alias")


# A user's PATH on Debian lacks the sbin folders, where locale-gen is; bootstrap runs it as root.
def executables_on_path(name: str) -> list[Path]:
    found = []
    for folder in os.environ.get("PATH", "").split(os.pathsep) + ["/usr/sbin", "/sbin"]:
        candidate = Path(folder or ".") / name
        if candidate.is_file() and os.access(candidate, os.X_OK) and candidate not in found:
            found.append(candidate)
    return found


def link_chain(path: Path) -> list[Path]:
    """The path and every link it leads through, with the usr-merged twin of each."""
    chain: list[Path] = []
    current = Path(os.path.abspath(path))
    for _ in range(16):
        chain.append(current)
        if not current.is_symlink():
            break
        current = Path(os.path.normpath(current.parent / os.readlink(current)))
    with_twins = []
    for entry in chain:
        with_twins.append(entry)
        text = str(entry)
        for short, merged in (("/bin/", "/usr/bin/"), ("/sbin/", "/usr/sbin/"), ("/lib/", "/usr/lib/")):
            if text.startswith(merged):
                with_twins.append(Path(short + text[len(merged):]))
            elif text.startswith(short):
                with_twins.append(Path(merged + text[len(short):]))
    return with_twins


def owning_packages(path: Path) -> list[str]:
    """The Debian packages (without architecture) that own the first file of the link chain that
    dpkg knows; /etc/alternatives only points onwards."""
    for entry in link_chain(path):
        if str(entry).startswith("/etc/alternatives/"):
            continue
        result = subprocess.run(["dpkg", "-S", str(entry)], capture_output=True, text=True)
        if result.returncode != 0:
            continue
        for line in result.stdout.splitlines():
            if line.startswith("diversion by "):
                continue
            owners, _, owned = line.partition(": ")
            if owned.strip() == str(entry):
                return [owner.strip().split(":")[0] for owner in owners.split(",")]
    return []


def with_dependencies(packages: set[str]) -> set[str]:
    """The packages and everything they depend on, as installed here (a package's files may
    live in a dependency: python3's interpreter is python3-minimal's); architectures dropped."""
    seen: set[str] = set()
    waiting = list(packages)
    while waiting:
        package = waiting.pop()
        name = package.split(":")[0]
        if name in seen:
            continue
        seen.add(name)
        result = subprocess.run(["dpkg-query", "-W", "-f=${Pre-Depends}, ${Depends}", package],
                                capture_output=True, text=True)
        for alternative in re.split(r"[,|]", result.stdout if result.returncode == 0 else ""):
            dependency = re.sub(r"\(.*?\)|\[.*?\]", "", alternative).strip()
            if dependency:
                waiting.append(dependency.split(":")[0])
    return seen


def allowed_packages(bootstrap: Path) -> tuple[set[str], set[str]]:
    listed = subprocess.run([str(bootstrap), "--list-packages"], capture_output=True, text=True, check=True).stdout
    installed_by_bootstrap = with_dependencies({line.strip() for line in listed.splitlines() if line.strip()})
    image = set()
    for line in (HERE / "image-packages.txt").read_text().splitlines():
        line = line.split("#", 1)[0].strip()
        if line:
            image.add(line.split()[0])
    return installed_by_bootstrap, image


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", type=Path, default=HERE.parent.parent)
    parser.add_argument("--bootstrap", type=Path, help="the bootstrap script whose packages count (default: the root's)")
    parser.add_argument("--verbose", action="store_true", help="one line for every command, not only the failures")
    options = parser.parse_args(argv)
    root = options.root.resolve()
    if not shutil.which("dpkg"):
        print("command_audit: dpkg is not on this machine; the check needs a Debian system", file=sys.stderr)
        return 1

    from_bootstrap, from_image = allowed_packages(options.bootstrap or root / "scripts" / "bootstrap")
    problems = 0
    checked = 0
    for name, files in sorted(project_commands(root).items()):
        if is_shell_builtin(name):
            continue
        where = ", ".join(sorted(files))
        paths = executables_on_path(name)
        if not paths:
            if (root / "scripts" / name).exists() or any((root / f).parent.joinpath(name).exists() for f in files):
                continue  # one of the project's own scripts, started by a relative path
            print(f"command_audit: {name} (started by {where}) is not on PATH")
            problems += 1
            continue
        checked += 1
        owners = {str(p): owning_packages(p) for p in paths}
        good = [(p, o) for p, o in owners.items() if set(o) & (from_bootstrap | from_image)]
        if options.verbose or not good:
            owner_text = "; ".join(f"{p} from {', '.join(o) or 'no Debian package'}" for p, o in owners.items())
            verdict = "ok" if good else "NOT INSTALLED BY scripts/bootstrap"
            print(f"command_audit: {name}: {owner_text}: {verdict} (started by {where})")
        if not good:
            problems += 1
    if problems:
        print(f"command_audit: {problems} command(s) come from packages that scripts/bootstrap does not install "
              f"and the machine image is not known to carry; add the package to scripts/bootstrap")
        return 1
    print(f"command_audit: ok ({checked} commands, each from a package that scripts/bootstrap installs or the image carries)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
