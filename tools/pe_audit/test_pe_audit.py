#!/usr/bin/env python3
"""Checks of pe_audit.py against real builds: the deliberately bad BadImport.exe, and copies
of the shipped Setup.exe with one thing broken at a time.

    test_pe_audit.py --setup dist/win32/Setup.exe --bad-import build/win32/tools/pe_audit/BadImport.exe
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pe_audit  # noqa: E402

SETUP = None
BAD_IMPORT = None


def run_audit(path, *options):
    completed = subprocess.run([sys.executable, os.path.join(HERE, "pe_audit.py"), *options, path],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return completed.returncode, completed.stdout


class PatchedCopies(unittest.TestCase):
    """Each test breaks one field of a copy of Setup.exe and expects exactly that complaint."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="pe_audit.")
        with open(SETUP, "rb") as exe:
            self.original = exe.read()
        self.image = pe_audit.PeImage(self.original)
        self.optional = struct.unpack_from("<I", self.original, 0x3C)[0] + 24

    def tearDown(self):
        shutil.rmtree(self.folder)

    def audit_with(self, patches, budget=pe_audit.DEFAULT_BUDGET, list_path=pe_audit.DEFAULT_LIST, extra=b""):
        data = bytearray(self.original)
        for offset, layout, value in patches:
            struct.pack_into(layout, data, offset, value)
        path = os.path.join(self.folder, "Setup.exe")
        with open(path, "wb") as exe:
            exe.write(bytes(data) + extra)
        return pe_audit.audit(path, list_path, budget)[1]

    def assertOnlyProblem(self, problems, text):
        self.assertEqual(len(problems), 1, problems)
        self.assertIn(text, problems[0])

    def test_the_unchanged_copy_passes(self):
        self.assertEqual(self.audit_with([]), [])

    def test_rejects_subsystem_version_5(self):
        problems = self.audit_with([(self.optional + 48, "<H", 5)])
        self.assertOnlyProblem(problems, "subsystem version 5.0 is above 4.0")

    def test_rejects_subsystem_version_4_10(self):
        problems = self.audit_with([(self.optional + 50, "<H", 10)])
        self.assertOnlyProblem(problems, "subsystem version 4.10 is above 4.0")

    def test_rejects_operating_system_version_5(self):
        problems = self.audit_with([(self.optional + 40, "<H", 5)])
        self.assertOnlyProblem(problems, "operating system version 5.0")

    def test_rejects_a_program_not_flagged_terminal_server_aware(self):
        problems = self.audit_with([(self.optional + 70, "<H", self.image.dll_characteristics & ~0x8000)])
        self.assertOnlyProblem(problems, "not flagged terminal-server aware")

    def test_rejects_a_console_program(self):
        problems = self.audit_with([(self.optional + 68, "<H", 3)])
        self.assertOnlyProblem(problems, "subsystem 3 is not Windows GUI")

    def test_rejects_another_machine(self):
        problems = self.audit_with([(self.optional - 20, "<H", 0x8664)])
        self.assertOnlyProblem(problems, "machine 0x8664 is not i386")

    def test_rejects_an_image_base_below_4_mb(self):
        problems = self.audit_with([(self.optional + 28, "<I", 0x10000)])
        self.assertOnlyProblem(problems, "image base 0x10000 is outside")

    def test_rejects_an_image_base_off_the_64k_grid(self):
        problems = self.audit_with([(self.optional + 28, "<I", 0x401000)])
        self.assertOnlyProblem(problems, "not a multiple of 64 KiB")

    def test_rejects_file_alignment_4k(self):
        problems = self.audit_with([(self.optional + 36, "<I", 0x1000)])
        # The sections now also sit off the new file alignment.
        self.assertIn("file alignment 0x1000 is not 0x200", problems[0])

    def test_rejects_section_alignment_below_a_page(self):
        problems = self.audit_with([(self.optional + 32, "<I", 0x200)])
        self.assertIn("section alignment 0x200 is not a power of two of at least 4 KiB", problems)

    def test_rejects_a_shared_section(self):
        table = self.optional + struct.unpack_from("<H", self.original, self.optional - 4)[0]
        characteristics = struct.unpack_from("<I", self.original, table + 36)[0]
        problems = self.audit_with([(table + 36, "<I", characteristics | pe_audit.IMAGE_SCN_MEM_SHARED)])
        self.assertOnlyProblem(problems, "section .text is shared")

    def test_rejects_an_import_by_ordinal(self):
        # The first slot of the first DLL's lookup table becomes ordinal 17.
        directory = self.image.directory(pe_audit.DIRECTORY_IMPORT)[0]
        lookup = struct.unpack_from("<I", self.original, self.image.offset_of(directory))[0]
        dll = self.image.imports()[0][0]
        problems = self.audit_with([(self.image.offset_of(lookup), "<I", 0x80000011)])
        self.assertOnlyProblem(problems, "%s!#17 is imported by ordinal" % dll)

    def test_rejects_a_dll_outside_the_system_set(self):
        # GDI32.dll and OLE32.dll have names of the same length.
        name_offset = self.original.find(b"GDI32.dll\0")
        self.assertGreater(name_offset, 0)
        patches = [(name_offset + i, "<B", byte) for i, byte in enumerate(b"OLE32.dll")]
        problems = self.audit_with(patches)
        self.assertOnlyProblem(problems, "OLE32.dll is not one of the system DLLs")

    def test_rejects_a_file_over_the_budget(self):
        problems = self.audit_with([], budget=len(self.original) - 1)
        self.assertOnlyProblem(problems, "over the budget of %s by 1" % pe_audit.group_digits(len(self.original) - 1))

    def test_accepts_a_file_exactly_at_the_budget(self):
        self.assertEqual(self.audit_with([], budget=len(self.original)), [])

    def test_rejects_a_list_line_without_a_note(self):
        list_path = os.path.join(self.folder, "list.txt")
        with open(pe_audit.DEFAULT_LIST, encoding="utf-8") as source, open(list_path, "w", encoding="utf-8") as copy:
            for line in source:
                copy.write("KERNEL32.dll!CloseHandle\n" if line.startswith("KERNEL32.dll!CloseHandle ") else line)
        problems = self.audit_with([], list_path=list_path)
        self.assertEqual(len(problems), 2, problems)
        self.assertIn("KERNEL32.dll!CloseHandle has no note", problems[0])
        self.assertIn("KERNEL32.dll!CloseHandle is not on the Windows 98 list", problems[1])

    def test_a_truncated_file_is_a_problem_not_a_crash(self):
        path = os.path.join(self.folder, "Truncated.exe")
        with open(path, "wb") as exe:
            exe.write(self.original[:0x200])
        problems = pe_audit.audit(path, pe_audit.DEFAULT_LIST, pe_audit.DEFAULT_BUDGET)[1]
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("is not a PE image this audit can read", problems[0])


class BadImport(unittest.TestCase):
    """BadImport.exe is linked like Setup.exe but imports what Windows 98 lacks."""

    def test_is_rejected_naming_the_missing_function(self):
        status, output = run_audit(BAD_IMPORT, "--budget", "0")
        self.assertEqual(status, 1, output)
        self.assertIn("pe_audit: error: KERNEL32.dll!GetFileSizeEx is not on the Windows 98 list", output)
        self.assertIn("pe_audit: FAILED", output)

    def test_is_rejected_for_importing_comctl32_statically(self):
        status, output = run_audit(BAD_IMPORT, "--budget", "0")
        self.assertEqual(status, 1, output)
        self.assertIn("comctl32.dll is imported statically; it must be loaded at run time", output.lower())

    def test_shows_the_start_up_codes_tls_callbacks(self):
        # Linked without RuntimeOnWindows98.cpp, the start-up code brings its two callbacks.
        status, output = run_audit(BAD_IMPORT, "--budget", "0")
        self.assertIn("TLS: directory with 2 callback(s)", output)
        self.assertIn("Windows 98 does not call them", output)


class ShippedProgram(unittest.TestCase):

    def test_has_no_tls_directory(self):
        with open(SETUP, "rb") as exe:
            self.assertIsNone(pe_audit.PeImage(exe.read()).tls_callbacks())

    def test_imports_read_as_objdump_reads_them(self):
        objdump = shutil.which("i686-w64-mingw32-objdump")
        if objdump is None:
            self.skipTest("i686-w64-mingw32-objdump is not installed")
        text = subprocess.run([objdump, "-p", SETUP], stdout=subprocess.PIPE, text=True, check=True).stdout
        expected, dll = {}, None
        for line in text.splitlines():
            if "DLL Name:" in line:
                dll = line.split("DLL Name:")[1].strip()
                expected[dll] = []
            elif dll and line.startswith("\t") and len(line.split()) == 3 and line.split()[1].isdigit():
                expected[dll].append(line.split()[2])
            elif not line.strip():
                continue
            elif not line.startswith("\t"):
                dll = None
        with open(SETUP, "rb") as exe:
            actual = {name: [f.label() for f in functions] for name, functions in pe_audit.PeImage(exe.read()).imports()}
        self.assertEqual(actual, expected)


def main():
    global SETUP, BAD_IMPORT
    parser = argparse.ArgumentParser()
    parser.add_argument("--setup", required=True)
    parser.add_argument("--bad-import", required=True)
    arguments, rest = parser.parse_known_args()
    SETUP, BAD_IMPORT = arguments.setup, arguments.bad_import
    for path in (SETUP, BAD_IMPORT):
        if not os.path.isfile(path):
            print("test_pe_audit: %s is missing; build the win32 preset first" % path)
            return 1
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
