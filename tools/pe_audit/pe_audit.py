#!/usr/bin/env python3
"""Import and header audit of the shipped 32-bit Setup.exe.

Reads the PE file itself and checks what decides whether it starts on Windows 98 (first
edition) through XP: the DLLs and functions it imports, the header fields the Windows 98
loader looks at, the TLS callbacks, the section table, and the size budget. Prints a short
report and ends with one summary line; the exit status is 1 when anything is wrong, with
one line per problem.

    pe_audit.py dist/win32/Setup.exe
    pe_audit.py --budget 0 build/win32/tools/pe_audit/BadImport.exe   (no size budget)
"""

import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_LIST = os.path.join(HERE, "windows98-imports.txt")
DEFAULT_BUDGET = 200 * 1024

# The DLLs Setup.exe may import statically: present on every Windows 98 installation and
# loaded from the system folder by the loader itself.
STATIC_DLLS = ("kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll")

# DLLs the program uses but loads at run time by full path from the system folder
# (LoadSystemLibrary), so that a copy planted beside Setup.exe is never picked up.
RUNTIME_LOADED_DLLS = {
    "setupapi.dll": "loaded at run time from the system folder (LoadSystemLibrary)",
    "comctl32.dll": "loaded at run time from the system folder (InitCommonControlsFromSystem)",
}

IMAGE_FILE_MACHINE_I386 = 0x014C
IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002
IMAGE_FILE_DLL = 0x2000
PE32_MAGIC = 0x010B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE = 0x8000

IMAGE_SCN_CNT_UNINITIALIZED_DATA = 0x00000080
IMAGE_SCN_LNK_INFO = 0x00000200
IMAGE_SCN_LNK_REMOVE = 0x00000800
IMAGE_SCN_LNK_COMDAT = 0x00001000
IMAGE_SCN_MEM_SHARED = 0x10000000

DIRECTORY_IMPORT = 1
DIRECTORY_TLS = 9
DIRECTORY_DELAY_IMPORT = 13

# Windows 95/98 keep the lowest 4 MB of every process for MS-DOS and 16-bit Windows and the
# upper 2 GB for memory shared by all processes; a program lives in between, and the loader
# maps an EXE at its preferred base in 64 KiB allocation units. 0x400000 is the linkers'
# default for exactly that reason.
LOWEST_IMAGE_BASE = 0x00400000
SHARED_ARENA = 0x80000000
ALLOCATION_GRANULARITY = 0x10000

# The Windows 98 loader maps every section onto whole 4 KiB pages with their own protection,
# so a section alignment below the page size (accepted by NT-based systems, and used by
# hand-made "tiny" executables and drivers) does not load there. The file alignment of 512
# is the classic one; a 4 KiB file alignment (the linker option /OPT:WIN98 of VC++ 6.0,
# KB Q235956) only lets Windows 98 page sections straight from the file, which loads a
# little faster but makes the file larger. Setup.exe keeps 512.
PAGE_SIZE = 0x1000
FILE_ALIGNMENT = 0x200

# A TLS directory in an EXE is fine on Windows 98: the loader sets up the static TLS of the
# program and of the DLLs it imports (KB Q118816: only a DLL brought in later by LoadLibrary
# cannot have static TLS). TLS callbacks are another matter: Windows 9x does not call them
# when it loads a program, while NT-based systems do, so code in a callback would run on XP
# and not on 98. The audit fails on any callback.
MAX_TLS_CALLBACKS = 256


class PeError(Exception):
    """The file is not a PE image this audit can read."""


class Import:
    def __init__(self, name=None, ordinal=None):
        self.name = name
        self.ordinal = ordinal

    def label(self):
        return self.name if self.name is not None else "#%d" % self.ordinal


class Section:
    def __init__(self, name, virtual_size, virtual_address, raw_size, raw_pointer, characteristics):
        self.name = name
        self.virtual_size = virtual_size
        self.virtual_address = virtual_address
        self.raw_size = raw_size
        self.raw_pointer = raw_pointer
        self.characteristics = characteristics


class PeImage:
    """The parts of a 32-bit PE image the audit needs, read with bounds checks."""

    def __init__(self, data):
        self.data = data
        if self._u16(0) != 0x5A4D:
            raise PeError("no MZ header")
        pe = self._u32(0x3C)
        if self._bytes(pe, 4) != b"PE\0\0":
            raise PeError("no PE signature at 0x%x" % pe)
        (self.machine, section_count, _, _, _, optional_size, self.characteristics) = self._unpack(
            "<HHIIIHH", pe + 4)
        optional = pe + 24
        self.magic = self._u16(optional)
        if self.magic != PE32_MAGIC:
            raise PeError("optional header magic 0x%x is not PE32 (0x10b)" % self.magic)
        if optional_size < 96:
            raise PeError("optional header of %d bytes is too short" % optional_size)
        (self.image_base, self.section_alignment, self.file_alignment,
         self.os_major, self.os_minor, _, _, self.subsystem_major, self.subsystem_minor,
         _, self.image_size, self.headers_size, _, self.subsystem, self.dll_characteristics) = self._unpack(
            "<IIIHHHHHHIIIIHH", optional + 28)
        directory_count = self._u32(optional + 92)
        directory_count = min(directory_count, (optional_size - 96) // 8)
        self.directories = [self._unpack("<II", optional + 96 + 8 * i) for i in range(directory_count)]
        self.sections = []
        table = optional + optional_size
        for i in range(section_count):
            raw_name, virtual_size, virtual_address, raw_size, raw_pointer = self._unpack("<8sIIII", table + 40 * i)
            characteristics = self._u32(table + 40 * i + 36)
            name = raw_name.rstrip(b"\0").decode("latin-1")
            self.sections.append(Section(name, virtual_size, virtual_address, raw_size, raw_pointer, characteristics))

    # Reading ---------------------------------------------------------------------------------

    def _bytes(self, offset, size):
        if offset < 0 or offset + size > len(self.data):
            raise PeError("reference to bytes 0x%x..0x%x beyond the end of the file" % (offset, offset + size))
        return self.data[offset:offset + size]

    def _unpack(self, layout, offset):
        return struct.unpack(layout, self._bytes(offset, struct.calcsize(layout)))

    def _u16(self, offset):
        return self._unpack("<H", offset)[0]

    def _u32(self, offset):
        return self._unpack("<I", offset)[0]

    def offset_of(self, rva):
        for section in self.sections:
            span = max(section.virtual_size, section.raw_size)
            if section.virtual_address <= rva < section.virtual_address + span:
                delta = rva - section.virtual_address
                if delta >= section.raw_size:
                    raise PeError("RVA 0x%x lies in the uninitialised part of %s" % (rva, section.name))
                return section.raw_pointer + delta
        if rva < self.headers_size:
            return rva
        raise PeError("RVA 0x%x is in no section" % rva)

    def u32_at(self, rva):
        return self._u32(self.offset_of(rva))

    def string_at(self, rva, limit=512):
        offset = self.offset_of(rva)
        end = self.data.find(b"\0", offset, offset + limit)
        if end < 0:
            raise PeError("unterminated name at RVA 0x%x" % rva)
        return self.data[offset:end].decode("latin-1")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    # Tables ----------------------------------------------------------------------------------

    def imports(self):
        """[(dll name, [Import])] in the order of the import directory."""
        rva, size = self.directory(DIRECTORY_IMPORT)
        result = []
        if rva == 0 or size == 0:
            return result
        for index in range(4096):
            entry = self.offset_of(rva + 20 * index)
            lookup, _, _, name_rva, address_table = self._unpack("<IIIII", entry)
            if lookup == 0 and name_rva == 0 and address_table == 0:
                return result
            dll = self.string_at(name_rva)
            thunks = lookup if lookup != 0 else address_table
            functions = []
            for slot in range(65536):
                thunk = self.u32_at(thunks + 4 * slot)
                if thunk == 0:
                    break
                if thunk & 0x80000000:
                    functions.append(Import(ordinal=thunk & 0xFFFF))
                else:
                    functions.append(Import(name=self.string_at(thunk + 2)))
            else:
                raise PeError("import table of %s has no end" % dll)
            result.append((dll, functions))
        raise PeError("import directory has no end")

    def tls_callbacks(self):
        """None without a TLS directory, else the callback addresses (possibly none)."""
        rva, size = self.directory(DIRECTORY_TLS)
        if rva == 0 or size == 0:
            return None
        callbacks_va = self.u32_at(rva + 12)
        callbacks = []
        if callbacks_va == 0:
            return callbacks
        if callbacks_va < self.image_base:
            raise PeError("TLS callback array at 0x%x lies below the image base" % callbacks_va)
        array_rva = callbacks_va - self.image_base
        for index in range(MAX_TLS_CALLBACKS):
            callback = self.u32_at(array_rva + 4 * index)
            if callback == 0:
                return callbacks
            callbacks.append(callback)
        raise PeError("TLS callback array has no end")


def load_function_list(path):
    """The list of DLL!function lines: {(dll, function): note}, and problems with the list."""
    allowed = {}
    problems = []
    with open(path, encoding="utf-8") as listing:
        for number, line in enumerate(listing, 1):
            text = line.strip()
            if not text or text.startswith("#"):
                continue
            where = "%s:%d" % (os.path.basename(path), number)
            parts = text.split(None, 1)
            entry = parts[0]
            note = parts[1].strip() if len(parts) > 1 else ""
            if entry.count("!") != 1:
                problems.append("%s: '%s' is not DLL!function" % (where, entry))
                continue
            dll, function = entry.split("!")
            dll = dll.lower()
            if dll not in STATIC_DLLS:
                problems.append("%s: %s is not a DLL Setup.exe may import statically" % (where, dll))
                continue
            if not note:
                # An entry nobody can check does not count.
                problems.append("%s: %s has no note saying where its Windows 98 availability is documented"
                                % (where, entry))
                continue
            key = (dll, function)
            if key in allowed:
                problems.append("%s: %s is listed twice" % (where, entry))
            allowed[key] = note
    return allowed, problems


def group_digits(number):
    return "{:,}".format(number)


def wrap_names(names, indent, width=100):
    lines, current = [], indent
    for name in names:
        if len(current) + len(name) + 1 > width and current.strip():
            lines.append(current.rstrip())
            current = indent
        current += name + " "
    if current.strip():
        lines.append(current.rstrip())
    return lines


def check_header(image, problems):
    if image.machine != IMAGE_FILE_MACHINE_I386:
        problems.append("machine 0x%x is not i386 (0x14c)" % image.machine)
    if not image.characteristics & IMAGE_FILE_EXECUTABLE_IMAGE:
        problems.append("the file is not flagged as an executable image")
    if image.characteristics & IMAGE_FILE_DLL:
        problems.append("the file is a DLL, not a program")
    if image.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        problems.append("subsystem %d is not Windows GUI (2)" % image.subsystem)
    if (image.subsystem_major, image.subsystem_minor) > (4, 0):
        problems.append("subsystem version %d.%d is above 4.0: Windows 98 refuses to start it"
                        % (image.subsystem_major, image.subsystem_minor))
    if image.os_major > 4:
        problems.append("operating system version %d.%d is above 4.x" % (image.os_major, image.os_minor))
    if not image.dll_characteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE:
        problems.append("not flagged terminal-server aware: on a Windows 2000 terminal server the program would get"
                        " the user's private Windows folder")
    if image.image_base % ALLOCATION_GRANULARITY != 0:
        problems.append("image base 0x%x is not a multiple of 64 KiB" % image.image_base)
    if not LOWEST_IMAGE_BASE <= image.image_base < SHARED_ARENA:
        problems.append("image base 0x%x is outside 0x400000..0x7fffffff, where Windows 98 places programs"
                        % image.image_base)
    alignment = image.section_alignment
    if alignment < PAGE_SIZE or alignment & (alignment - 1):
        problems.append("section alignment 0x%x is not a power of two of at least 4 KiB" % alignment)
    if image.file_alignment != FILE_ALIGNMENT:
        problems.append("file alignment 0x%x is not 0x200" % image.file_alignment)


def check_sections(image, file_size, problems):
    previous_end = 0
    for section in image.sections:
        name = section.name or "(unnamed)"
        if image.section_alignment and section.virtual_address % image.section_alignment:
            problems.append("section %s starts at 0x%x, not on the section alignment" % (name, section.virtual_address))
        if section.virtual_address < previous_end:
            problems.append("section %s overlaps or precedes the one before it" % name)
        previous_end = section.virtual_address + max(section.virtual_size, section.raw_size)
        if section.raw_size:
            if image.file_alignment and section.raw_pointer % image.file_alignment:
                problems.append("section %s starts at file offset 0x%x, not on the file alignment"
                                % (name, section.raw_pointer))
            if section.raw_pointer + section.raw_size > file_size:
                problems.append("section %s runs past the end of the file" % name)
        if section.characteristics & IMAGE_SCN_MEM_SHARED:
            problems.append("section %s is shared: Windows 98 would place it in memory common to every process"
                            % name)
        if section.characteristics & (IMAGE_SCN_LNK_INFO | IMAGE_SCN_LNK_REMOVE | IMAGE_SCN_LNK_COMDAT):
            problems.append("section %s carries linker-only flags (0x%08x) that have no place in a program"
                            % (name, section.characteristics))
    if image.sections and previous_end > image.image_size:
        problems.append("the last section ends beyond SizeOfImage")


def audit(path, list_path, budget):
    """Returns (report lines, problem lines, summary)."""
    report, problems = [], []
    try:
        with open(path, "rb") as exe:
            data = exe.read()
    except OSError as error:
        return report, ["cannot read %s: %s" % (path, error.strerror)], "no file"
    size = len(data)
    allowed, list_problems = load_function_list(list_path)
    problems.extend(list_problems)
    try:
        image = PeImage(data)
        imports = image.imports()
        callbacks = image.tls_callbacks()
    except PeError as error:
        problems.append("%s is not a PE image this audit can read: %s" % (path, error))
        return report, problems, "unreadable, %s bytes" % group_digits(size)

    report.append("pe_audit: %s" % path)
    report.append("  header: machine 0x%x, subsystem %d version %d.%d, OS version %d.%d, image base 0x%x,"
                  " section alignment 0x%x, file alignment 0x%x"
                  % (image.machine, image.subsystem, image.subsystem_major, image.subsystem_minor,
                     image.os_major, image.os_minor, image.image_base, image.section_alignment,
                     image.file_alignment))
    report.append("  sections: " + ", ".join("%s %s" % (s.name, group_digits(s.raw_size)) for s in image.sections))
    check_header(image, problems)
    check_sections(image, size, problems)

    if callbacks is None:
        report.append("  TLS: no TLS directory")
    else:
        report.append("  TLS: directory with %d callback(s)" % len(callbacks))
        if callbacks:
            problems.append("TLS callbacks at %s: Windows 98 does not call them when it starts a program"
                            % ", ".join("0x%x" % c for c in callbacks))

    delay_rva, delay_size = image.directory(DIRECTORY_DELAY_IMPORT)
    if delay_rva and delay_size:
        problems.append("the image has delay-load imports, which this audit does not check;"
                        " load optional functions with GetDynamicFunction instead")

    function_count = 0
    for dll, functions in imports:
        function_count += len(functions)
        key = dll.lower()
        labels = [f.label() for f in functions]
        report.append("  %s, %d function(s):" % (dll, len(functions)))
        report.extend(wrap_names(labels, "      "))
        if key in RUNTIME_LOADED_DLLS:
            problems.append("%s is imported statically; it must be %s" % (dll, RUNTIME_LOADED_DLLS[key]))
            continue
        if key not in STATIC_DLLS:
            problems.append("%s is not one of the system DLLs Setup.exe may import statically (%s)"
                            % (dll, ", ".join(STATIC_DLLS)))
            continue
        for function in functions:
            if function.name is None:
                problems.append("%s!#%d is imported by ordinal; import it by name so it can be checked"
                                % (dll, function.ordinal))
            elif (key, function.name) not in allowed:
                problems.append("%s!%s is not on the Windows 98 list (%s)"
                                % (dll, function.name, os.path.basename(list_path)))

    if budget > 0:
        report.append("  size: %s bytes, budget %s (%s to spare)"
                      % (group_digits(size), group_digits(budget), group_digits(budget - size)))
        if size > budget:
            problems.append("the file is %s bytes, over the budget of %s by %s"
                            % (group_digits(size), group_digits(budget), group_digits(size - budget)))
        size_text = "%s bytes of %s" % (group_digits(size), group_digits(budget))
    else:
        report.append("  size: %s bytes, no budget" % group_digits(size))
        size_text = "%s bytes" % group_digits(size)
    summary = "%d DLLs, %d functions, %s" % (len(imports), function_count, size_text)
    return report, problems, summary


def main(argv=None):
    parser = argparse.ArgumentParser(description="Check that a 32-bit Setup.exe can start on Windows 98 through XP.")
    parser.add_argument("exe", help="the PE file to audit")
    parser.add_argument("--list", default=DEFAULT_LIST, help="the DLL!function list (default: %(default)s)")
    parser.add_argument("--budget", type=int, default=DEFAULT_BUDGET,
                        help="largest allowed file size in bytes, 0 for none (default: %(default)s)")
    arguments = parser.parse_args(argv)

    report, problems, summary = audit(arguments.exe, arguments.list, arguments.budget)
    for line in report:
        print(line)
    for problem in problems:
        print("pe_audit: error: %s" % problem)
    if problems:
        print("pe_audit: FAILED, %d problem(s) (%s)" % (len(problems), summary))
        return 1
    print("pe_audit: ok (%s)" % summary)
    return 0


if __name__ == "__main__":
    sys.exit(main())
