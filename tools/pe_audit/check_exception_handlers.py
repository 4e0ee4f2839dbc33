#!/usr/bin/env python3
"""Checks that the program's sources handle no exception but std::bad_alloc.

Setup.exe defines the standard library's raising helpers itself (platform/win32/
TerminateHandler.cpp) to keep the library's message-carrying exception classes out of the
file: std::bad_alloc and the other types of <new>, <typeinfo> and <exception> are raised as
usual, but a length, range or argument error ends the process at once. That is the same
ending as long as nothing catches such an error. The native build raises them for real, so
a handler that catches one would work in the unit tests and not in Setup.exe; this check
fails on any handler other than `catch (const std::bad_alloc&)`.

    check_exception_handlers.py SOURCE_ROOT
"""

import os
import re
import sys

FOLDERS = ("app", "device", "files", "package", "records", "text", "platform")
HANDLER = re.compile(r"\bcatch\s*\(([^)]*)\)")
ALLOWED = {"const std::bad_alloc&", "const std::bad_alloc &", "std::bad_alloc const&", "std::bad_alloc const &"}


def handlers(root):
    for folder in FOLDERS:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(directory, name)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        code = line.split("//", 1)[0]
                        for match in HANDLER.finditer(code):
                            yield os.path.relpath(path, root), number, " ".join(match.group(1).split())


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip())
        return 2
    found = list(handlers(argv[1]))
    problems = [(path, number, caught) for path, number, caught in found if caught not in ALLOWED]
    for path, number, caught in problems:
        print("%s:%d: catch (%s): Setup.exe ends the process on every exception but std::bad_alloc"
              " (platform/win32/TerminateHandler.cpp); catch only std::bad_alloc or raise no exception"
              % (path, number, caught))
    print("check_exception_handlers: %d handler(s), %d not for std::bad_alloc" % (len(found), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
