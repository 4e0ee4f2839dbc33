#!/usr/bin/env python3
"""Differential test of our INF reader against the SetupAPI of Wine, in the prefix of the
end-to-end tests.

    run_differential.py --list
    run_differential.py --state DIR --package DIR GROUP

Each group is a set of INF files of corpus/ (or of the example package). The group's files are
copied into a fresh folder of the prefix and InfDifferential.exe (dist/<arch>/tests) reads each of
them through both readers, asking both the same questions: whether the file opens, the lines of
every section, every field of every line at the widths the callers use, as text and as integer,
and searches for every key in several spellings. The test fails on any answer where the two
differ, unless WINDOWS_ANSWERS below records that Wine answers otherwise than Windows there; our
reader is then held to the Windows answer instead.

Files whose names start with `refused_` must fail to open in Wine (and so in our reader), every
other file must open: a corpus that nobody can read would compare nothing.
"""

from __future__ import annotations

import argparse
import re
import shutil
import sys
from dataclasses import dataclass
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
from wine_harness import DEFAULT_LANG, HarnessError, ProgramCase, TestRun  # noqa: E402

CORPUS = HERE / "corpus"
PROGRAM = "InfDifferential.exe"
RUN_TIMEOUT_S = 120
REFUSED_PREFIX = "refused_"
SHOWN_MISMATCHES = 60  # a broken reader differs everywhere; the first ones say enough


@dataclass(frozen=True)
class Group:
    name: str
    files: tuple[str, ...]  # globs under corpus/
    # How our reader opens the files: "win98" looks %name% up in [Strings] only, as the Windows 98
    # family does; "win2000" in [Strings.LLLL] of the user's language first, as 2000 and XP do.
    mode: str = "win98"
    lang: str = DEFAULT_LANG  # Wine's user language and ANSI code page
    example_package: bool = False


GROUPS = [
    Group("opening", ("opening/*.inf",)),
    Group("syntax", ("syntax/*.inf",)),
    Group("substitution", ("substitution/*.inf",)),
    Group("integers", ("integers/*.inf",)),
    Group("encodings", ("encodings/*.inf",)),
    # Shift-JIS files, read with code page 932: second bytes that look like `\` or `]`.
    Group("cp932", ("cp932/*.inf",), lang="ja_JP.UTF-8"),
    Group("package", ("package/*.inf",), example_package=True),
    Group("strings_windows2000", ("substitution/strings_*.inf", "package/*.inf"), mode="win2000",
          example_package=True),
]


@dataclass(frozen=True)
class WindowsAnswer:
    """An answer in which Wine's SetupAPI is known to differ from Windows': our reader must give
    the Windows answer. `question` is a regular expression over the program's question text."""

    modes: tuple[str, ...]
    file: str
    question: str
    windows: str
    why: str


LOCALIZED_STRINGS = ("Windows 2000 and XP look %name% up in [Strings.LLLL] of the user's language (0409 here) "
              "before [Strings]; Wine only in [Strings]")
WINDOWS_ANSWERS = [
    WindowsAnswer(("win2000",), "strings_localized.inf", r'\["(?i:test)"\] line 0 field 1 width \d+', 'ok "Localized"',
                  LOCALIZED_STRINGS),
    WindowsAnswer(("win2000",), "strings_localized.inf", r'\["(?i:test)"\] line 2 field 0 width \d+', 'ok "Localized"',
                  LOCALIZED_STRINGS),
    WindowsAnswer(("win2000",), "strings_localized.inf", r'\["Test"\] key "(?i:localized)"', "ok line 2",
                  LOCALIZED_STRINGS + "; a key search matches the substituted key"),
    WindowsAnswer(("win2000",), "strings_localized.inf", r'\["Test"\] key "(?i:english)"', "fail",
                  LOCALIZED_STRINGS + "; a key search matches the substituted key"),
    WindowsAnswer(("win98", "win2000"), "refused_only_text.inf", r"open", "fail",
                  "Windows refuses a file of only `abcd` with ERROR_WRONG_INF_STYLE, Wine with "
                  "ERROR_EXPECTED_SECTION_NAME: both refuse it, which is all our reader tells"),
    WindowsAnswer(("win98", "win2000"), "encoding_utf16_without_bom.inf", r"open", "fail",
                  "Wine also takes a file for UTF-16 when its first bytes hold NULs; Windows reads a file without "
                  "a byte order mark in the ANSI code page, where this one has no [Version] section"),
]


# ---------------------------------------------------------------------------------------------
# The program's transcript


@dataclass
class Answers:
    wine: str | None = None
    ours: str | None = None


@dataclass
class Transcript:
    answers: dict[tuple[str, str], Answers]  # (file, question) -> both answers, in the order asked
    notes: list[str]
    errors: list[str]
    summary: dict[str, int] | None


def parse_transcript(text: str) -> Transcript:
    answers: dict[tuple[str, str], Answers] = {}
    notes, errors, summary = [], [], None
    for line in text.splitlines():
        parts = line.split("\t")
        if parts[0] in ("wine", "ours") and len(parts) == 4:
            entry = answers.setdefault((parts[1], parts[2]), Answers())
            setattr(entry, parts[0], parts[3])
        elif parts[0] == "note":
            notes.append(line)
        elif parts[0] == "error":
            errors.append(line)
        elif line.startswith("summary "):
            summary = {k: int(v) for k, v in (item.split("=") for item in line.split()[1:])}
    return Transcript(answers, notes, errors, summary)


# ---------------------------------------------------------------------------------------------
# One group


def group_files(group: Group, package_dir: Path | None) -> list[Path]:
    files = sorted({path for pattern in group.files for path in CORPUS.glob(pattern)})
    if group.example_package:
        if package_dir is None:
            raise HarnessError(f"group {group.name} needs --package")
        files += sorted(p for p in package_dir.iterdir() if p.is_file() and re.fullmatch(r"(?i).*\.in[f_]", p.name))
    names = [p.name for p in files]
    if len(set(names)) != len(names):
        raise HarnessError(f"group {group.name} has two files of the same name")
    return files


def check(group: Group, files: list[Path], transcript: Transcript, status: int) -> list[str]:
    problems: list[str] = list(transcript.errors)
    if transcript.summary is None:
        problems.append(f"{PROGRAM} did not finish (exit status {status})")
        return problems
    if transcript.summary["files"] != len(files):
        problems.append(f"{PROGRAM} read {transcript.summary['files']} files of {len(files)}")

    for path in files:
        opened = transcript.answers.get((path.name, "open"))
        if opened is None:
            problems.append(f"{path.name}: no answer to open")
            continue
        meant_to_open = not path.name.startswith(REFUSED_PREFIX)
        if (opened.wine == "ok") != meant_to_open:
            problems.append(f"{path.name}: Wine's SetupAPI answered {opened.wine} to open, the corpus means it to "
                            f"{'open' if meant_to_open else 'be refused'}")

    # Where Wine is known to differ from Windows, our reader gives the Windows answer.
    covered: set[tuple[str, str]] = set()
    for known in WINDOWS_ANSWERS:
        if group.mode not in known.modes or known.file not in {p.name for p in files}:
            continue
        matched = [key for key in transcript.answers if key[0] == known.file and re.fullmatch(known.question, key[1])]
        if not matched:
            problems.append(f"{known.file}: no question matches the Windows answer {known.question!r}: stale entry")
        for key in matched:
            covered.add(key)
            answer = transcript.answers[key]
            if answer.ours != known.windows:
                problems.append(f"{known.file}\t{key[1]}\tours: {answer.ours}\tWindows: {known.windows} ({known.why})")
            if answer.wine == known.windows:
                print(f"notice: Wine now answers as Windows does: {known.file}\t{key[1]}\t{known.windows}")

    # One line for the widths of a field that answered alike.
    mismatches: dict[tuple[str, str, str | None, str | None], list[str]] = {}
    for (file, question), answer in transcript.answers.items():
        if answer.wine == answer.ours or (file, question) in covered:
            continue
        width = re.search(r" width (\d+)$", question)
        asked = question[: width.start()] if width else question
        mismatches.setdefault((file, asked, answer.wine, answer.ours), []).append(width.group(1) if width else "")
    for count, ((file, question, wine, ours), widths) in enumerate(mismatches.items()):
        if count == SHOWN_MISMATCHES:
            problems.append(f"... and {len(mismatches) - SHOWN_MISMATCHES} more mismatches")
            break
        if widths != [""]:
            question += f" width {', '.join(widths)}"
        problems.append(f"{file}\t{question}\twine: {wine}\tours: {ours}")
    return problems


def run_group(group: Group, state: Path, package_dir: Path | None) -> int:
    run = TestRun.load(state)
    files = group_files(group, package_dir)
    case = ProgramCase(run, f"inf_differential.{group.name}")
    shutil.copy2(run.dist_dir / "tests" / PROGRAM, case.folder)
    inf_folder = case.folder / "infs"
    inf_folder.mkdir()
    for path in files:
        shutil.copy2(path, inf_folder)
    result = case.folder / "answers.txt"
    args = [rf"{case.windows_folder}\{PROGRAM}", "--out", rf"{case.windows_folder}\{result.name}"]
    if group.mode == "win2000":
        args.append("--localized-strings")
    args += [rf"{case.windows_folder}\infs\{path.name}" for path in files]
    status = run.wine(args, f"{case.name}/differential", lang=group.lang, timeout=RUN_TIMEOUT_S)

    text = result.read_text(encoding="latin-1") if result.exists() else ""
    kept = case.logs / "answers.txt"
    kept.write_text(text, encoding="latin-1")
    transcript = parse_transcript(text)
    problems = check(group, files, transcript, status)

    summary = transcript.summary or {}
    known = sum(1 for k in WINDOWS_ANSWERS if group.mode in k.modes and k.file in {p.name for p in files})
    print(f"{group.name}: {summary.get('files', 0)} files, {summary.get('answers', 0)} questions asked of both "
          f"readers, {summary.get('mismatches', 0)} answered differently, {known} known Windows answers; "
          f"mode {group.mode}, {group.lang}")
    for note in transcript.notes:
        print(note.replace("\t", "  "))
    print(f"all answers: {kept}")
    if problems:
        print(f"FAILED: {len(problems)} problems", file=sys.stderr)
        for problem in problems:
            print(problem, file=sys.stderr)
        return 1
    return 0


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", action="store_true", help="print the group names, one a line")
    parser.add_argument("--state", type=Path, help="folder of the run's prefix (the wine_prefix fixture)")
    parser.add_argument("--package", type=Path, help="folder of the example package")
    parser.add_argument("group", nargs="?", choices=[g.name for g in GROUPS])
    options = parser.parse_args(argv)
    if options.list:
        print("\n".join(g.name for g in GROUPS))
        return 0
    if not options.state or not options.group:
        parser.error("--state and a group are needed")
    try:
        return run_group(next(g for g in GROUPS if g.name == options.group), options.state, options.package)
    except HarnessError as problem:
        print(f"inf_differential {options.group}: {problem}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
