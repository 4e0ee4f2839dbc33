#!/usr/bin/env python3
"""Checks of command_audit.py: it finds commands where bash would start them, and it fails when
scripts/bootstrap stops installing a package whose commands the project starts."""

import re
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from command_audit import shell_commands  # noqa: E402

failures = []


def expect(condition: bool, what: str) -> None:
    if not condition:
        failures.append(what)
        print(f"FAILED: {what}")


SCRIPT = r'''#!/usr/bin/env bash
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(
    cmake notacommand
)
helper() { grep -q x file; }
echo "this | is not sort a command; nor && is this" 'nor | that'
for name in one two; do "${sudo_cmd[@]}" apt-get install "$name"; done
total=$((passed + failed)) && echo "$((total - 1)) seen"
cat <<'TEXT'
uniq inside a here-document is text
TEXT
x=$(timeout 5 head -n 1 f | tr a b) # tail in a comment
if ! diff a b >/dev/null; then helper; fi
'''

found = shell_commands(SCRIPT)
expect(found >= {"dirname", "apt-get", "head", "tr", "diff", "grep", "cat"}, f"commands found: {sorted(found)}")
for word in ("sort", "notacommand", "uniq", "tail", "one", "name", "helper", "passed", "total", "is", "nor"):
    expect(word not in found, f"{word!r} is not a command of the script: {sorted(found)}")

# Without `wine` in its list, bootstrap would leave wine, wineboot and wineserver to a hand install.
bootstrap = (HERE.parent.parent / "scripts" / "bootstrap").read_text()
without_wine, count = re.subn(r"(?m)^(\s+)wine wine64 ", r"\1wine64 ", bootstrap)
expect(count == 1, "bootstrap lists the wine package at the start of a line of its package list")
with tempfile.TemporaryDirectory() as folder:
    trimmed = Path(folder) / "bootstrap"
    trimmed.write_text(without_wine)
    trimmed.chmod(0o755)
    result = subprocess.run([sys.executable, str(HERE / "command_audit.py"), "--bootstrap", str(trimmed)],
                            capture_output=True, text=True)
    expect(result.returncode == 1, f"the audit fails without the wine package (exit {result.returncode})")
    for command in ("wine", "wineboot", "wineserver"):
        expect(f"command_audit: {command}: " in result.stdout, f"the audit names {command}:\n{result.stdout}")

print(f"{'FAILED' if failures else 'ok'}: {len(failures)} of the checks failed")
sys.exit(1 if failures else 0)
