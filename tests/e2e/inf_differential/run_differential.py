# Differential test of our INF reader against the SetupAPI of Wine, in the prefix of the
# end-to-end tests. Each group is a set of INF files of corpus/ (or of the example package), which
# InfDifferential.exe (dist/<arch>/tests) reads where they are, through drive Z, asking both
# readers the same questions about each of them. The test fails on any answer where the two
# differ, unless WINDOWS_ANSWERS below records that Wine answers otherwise than Windows there; our
# reader is then held to the Windows answer instead.
#
# Files whose names start with `refused_` must fail to open in Wine (and so in our reader), every
# other file must open: a corpus that nobody can read would compare nothing.

import re
from pathlib import Path

from wine_harness import DEFAULT_LANG, PACKAGE, Case, cases, windows_path

CORPUS = Path(__file__).resolve().parent / "corpus"
SHOWN_MISMATCHES = 60  # a broken reader differs everywhere; the first ones say enough

# name: (globs under corpus/, how our reader opens the files, Wine's user language and ANSI code
# page). "win98" looks %name% up in [Strings] only, as the Windows 98 family does; "win2000" in
# [Strings.LLLL] of the user's language first, as 2000 and XP do. The groups whose globs take
# package/ also read the example package's INF files.
GROUPS = {
    **{name: ((f"{name}/*.inf",), "win98", DEFAULT_LANG)
       for name in ("opening", "syntax", "substitution", "integers", "encodings", "package")},
    # Shift-JIS files, read with code page 932: second bytes that look like `\` or `]`.
    "cp932": (("cp932/*.inf",), "win98", "ja_JP.UTF-8"),
    "strings_windows2000": (("substitution/strings_*.inf", "package/*.inf"), "win2000", DEFAULT_LANG),
}

# Answers in which Wine's SetupAPI is known to differ from Windows', where our reader must give
# the Windows answer: (modes, file, a regular expression over the question, the answer, why).
LOCALIZED_STRINGS = ("Windows 2000 and XP look %name% up in [Strings.LLLL] of the user's language (0409 here) "
                     "before [Strings]; Wine only in [Strings]")
KEY_SEARCH = "; a key search matches the substituted key"
WINDOWS_ANSWERS = [
    *((("win2000",), "strings_localized.inf", question, answer, why) for question, answer, why in [
        (r'\["(?i:test)"\] line 0 field 1 width \d+', 'ok "Localized"', LOCALIZED_STRINGS),
        (r'\["(?i:test)"\] line 2 field 0 width \d+', 'ok "Localized"', LOCALIZED_STRINGS),
        (r'\["Test"\] key "(?i:localized)"', "ok line 2", LOCALIZED_STRINGS + KEY_SEARCH),
        (r'\["Test"\] key "(?i:english)"', "fail", LOCALIZED_STRINGS + KEY_SEARCH)]),
    (("win98", "win2000"), "refused_only_text.inf", r"open", "fail",
     "Windows refuses a file of only `abcd` with ERROR_WRONG_INF_STYLE, Wine with "
     "ERROR_EXPECTED_SECTION_NAME: both refuse it, which is all our reader tells"),
    (("win98", "win2000"), "encoding_utf16_without_bom.inf", r"open", "fail",
     "Wine also takes a file for UTF-16 when its first bytes hold NULs; Windows reads a file without "
     "a byte order mark in the ANSI code page, where this one has no [Version] section"),
]


def run_group(globs: tuple[str, ...], mode: str, lang: str, c: Case) -> None:
    files = sorted({path for pattern in globs for path in CORPUS.glob(pattern)})
    if any(pattern.startswith("package/") for pattern in globs):
        files += sorted(p for p in PACKAGE.iterdir() if re.fullmatch(r"(?i).*\.in[f_]", p.name))
    names = [path.name for path in files]
    c.equal(len(set(names)), len(names), "files in the group, each name once")
    answers_file = c.logs / "answers.txt"
    status = c.run.wine([windows_path(c.run.dist_dir / "tests" / "InfDifferential.exe"), windows_path(answers_file),
                         *(["--localized-strings"] if mode == "win2000" else []), *map(windows_path, files)],
                        f"{c.name}/differential", lang, timeout=120)
    c.equal(status, 0, "exit status of InfDifferential.exe, which asks about every file")
    text = answers_file.read_text(encoding="latin-1") if answers_file.exists() else ""
    # (file, question): (Wine's answer, ours)
    answers = {(file, question): (wine, ours)
               for file, question, wine, ours in (line.split("\t") for line in text.splitlines())}
    for name in names:
        c.equal(answers.get((name, "open"), (None,))[0], "fail" if name.startswith("refused_") else "ok",
                f"{name}: Wine's SetupAPI opens it")

    # Where Wine is known to differ from Windows, our reader gives the Windows answer.
    covered = set()
    for modes, file, question, windows, why in WINDOWS_ANSWERS:
        if mode in modes and file in names:
            matched = [key for key in answers if key[0] == file and re.fullmatch(question, key[1])]
            c.true(matched, f"{file}: no question matches the Windows answer {question!r}: stale entry")
            covered.update(matched)
            for key in matched:
                c.equal(answers[key][1], windows, f"{file}\t{key[1]}\t({why})")
    mismatches = [(file, question, wine, ours) for (file, question), (wine, ours) in answers.items()
                  if wine != ours and (file, question) not in covered]
    c.failures += ["\t".join(mismatch) for mismatch in mismatches[:SHOWN_MISMATCHES]]
    c.true(len(mismatches) <= SHOWN_MISMATCHES, f"... and {len(mismatches) - SHOWN_MISMATCHES} more mismatches")
    print(f"{c.name}: {len(names)} files, {len(answers)} questions asked of both readers, {len(mismatches)} "
          f"answered differently beyond the known Windows answers; mode {mode}, {lang}; all answers: {answers_file}")


cases({f"inf_differential.{name}": group for name, group in GROUPS.items()}, run_group)
