#!/usr/bin/env python3
"""Checks that the program's own 32-bit code runs on a Pentium-class processor.

Windows 98 runs on Pentium, Pentium MMX, K6 and other processors without the instructions
the Pentium Pro brought (cmov, fcmov, fcomi, fucomi); the first of them they meet stops the
program with an illegal instruction. The 32-bit build compiles for i586 so that none is
emitted; this check disassembles the objects of Setup.exe's own sources in the win32 build
and fails on any, naming the object and the function.

    check_processor.py BUILD_WIN32_FOLDER [OBJDUMP]
"""

import pathlib
import re
import subprocess
import sys

P6_ONLY = re.compile(r"\s(cmov[a-z]+|fcmov[a-z]+|fu?comip?)\s")
FUNCTION = re.compile(r"^[0-9a-f]+ <(.*)>:$")


def own_objects(build):
    # The core libraries (setup_*) and Setup.exe's own sources; not the test programs or tools.
    for folder in sorted((build / "CMakeFiles").glob("*.dir")):
        if folder.name == "Setup.dir" or folder.name.startswith("setup_"):
            yield from sorted(folder.rglob("*.obj"))


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    build = pathlib.Path(argv[1])
    objdump = argv[2] if len(argv) == 3 else "i686-w64-mingw32-objdump"
    objects = list(own_objects(build))
    if not objects:
        print(f"check_processor: no objects under {build}/CMakeFiles: build the win32 preset first")
        return 1
    found = []
    for path in objects:
        listing = subprocess.run([objdump, "-d", str(path)], check=True, stdout=subprocess.PIPE, text=True).stdout
        function = "?"
        for line in listing.splitlines():
            named = FUNCTION.match(line)
            if named:
                function = named.group(1)
            elif P6_ONLY.search(line):
                found.append(f"{path.relative_to(build)}: {function}: {line.split(chr(9))[-1].strip()}")
    for entry in found:
        print(entry)
    print(f"check_processor: {len(objects)} objects, {len(found)} instructions a Pentium lacks")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
