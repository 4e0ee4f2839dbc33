// libFuzzer target for the package read and what follows it on the INF files: the whole read of
// a program folder on the fake file system, the removal of installed INF copies with the pairs
// the read produced, and the CopyFiles edit of a placed copy.
//
// Input: the bytes of one or two setup descriptions (split at the first "#NEXT#"), followed by
// two control bytes that choose the system, the user's language (and with it a single-byte or a
// double-byte ANSI code page), which driver files lie beside them, and one failing file
// operation for the edit.
//
// Build and run from the repository root (the native build makes build/native/tests/fuzz/package_fuzz):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
//       -I. -Iresources -Itests/unit app/*.cpp package/*.cpp files/*.cpp device/*.cpp records/*.cpp \
//       text/*.cpp tests/fuzz/DriverPackageFuzz.cpp -o package_fuzz
//   mkdir -p /tmp/package-corpus && ./package_fuzz -max_total_time=60 -timeout=10 -max_len=8192 \
//       -dict=tests/fuzz/DriverPackage.dict /tmp/package-corpus tests/fuzz/DriverPackageCorpus \
//       tests/fuzz/InfFileCorpus
// DriverPackageCrashes/ keeps minimised inputs that broke an invariant: run the target on one
// (./package_fuzz tests/fuzz/DriverPackageCrashes/NAME) to see which and where.
#include <cstdio>
#include <cstdlib>

#include "app/SetupPhases.h"
#include "fakes/ShiftJisCodePage.h"
#include "fakes/TestPlatform.h"
#include "files/CopyFilesEdit.h"
#include "files/InstalledCopyRemoval.h"
#include "package/DriverPackage.h"

namespace {

const std::string Package = "C:\\PKG\\", EditedCopy = "C:\\WINDOWS\\INF\\OEM9.INF";
// Names the setup description search ("*.in?") takes; the first is packed, the second is not.
const std::string DescriptionNames[2] = {"EXDISK.IN_", "SETUP.INF"};
// Pairs checked by the removal per input: the read may give hundreds, and each check parses the
// copy again.
constexpr std::size_t PairsChecked = 4;
constexpr std::uint16_t UserLanguages[4] = {0x0409, 0x0411, 0x0804, 0x0404};
constexpr Op EditOperations[6] = {Op::Copy, Op::Move, Op::Rewrite, Op::Read, Op::Remove, Op::Attributes};

// The lead bytes of the Chinese code pages 936 and 950.
struct ChineseCodePage : ShiftJisCodePage {
    bool IsLeadByte(unsigned char byte) const override { return byte >= 0x81 && byte <= 0xFE; }
};

void Check(bool condition, const char* what, const std::string& detail = {})
{
    if (condition)
        return;
    std::fprintf(stderr, "\n*** invariant broken: %s: %s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// One ';' put in: a byte, or in a UTF-16 file (byte order mark, even size) one code unit at a
// unit boundary.
bool IsOneSemicolonInserted(const std::string& before, const std::string& after)
{
    const bool utf16 = before.size() % 2 == 0 && before.compare(0, 2, "\xFF\xFE") == 0;
    const std::string semicolon = utf16 ? std::string(";\0", 2) : std::string(";");
    if (after.size() != before.size() + semicolon.size())
        return false;
    std::size_t at = 0;
    while (at < before.size() && before[at] == after[at]) ++at;
    at -= utf16 ? at % 2 : 0; // the unit the ';' was put in front of
    return after.compare(at, semicolon.size(), semicolon) == 0 &&
           after.compare(at + semicolon.size(), std::string::npos, before, at) == 0;
}

// Whether a value read from the file may name a directory id (%1%, %10%, ...): %1% stands for
// the INF's own folder, so the same line reads differently in the package and in the INF
// folder. NUL bytes are dropped first, which makes the ASCII of a UTF-16 file plain text too.
bool MayNameDirectoryId(std::string text)
{
    std::erase(text, '\0');
    for (std::size_t open = text.find('%'); open != std::string::npos; open = text.find('%', open + 1)) {
        std::size_t end = open + 1;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        if (end > open + 1 && end < text.size() && text[end] == '%')
            return true;
    }
    return false;
}

// The removal for one pair over an INF folder holding only `infBytes` as an installed copy with
// its precompiled twin, where this system looks for them: it deletes both or neither. When the
// copy is the very description the pair was read from, it is found.
void CheckRemoval(TestPlatform& test, SetupSession& session, const std::string& infBytes, const std::string& vid,
                  const std::string& pid, bool pairReadFromCopy)
{
    const std::string copy =
        IsWindows98Family(session.State.OsClass) ? "C:\\WINDOWS\\INF\\OTHER\\A" : "C:\\WINDOWS\\INF\\OEM1";
    const std::string inf = copy + ".INF", precompiled = copy + ".PNF", pair = vid + "/" + pid;
    test.files.AddFile(inf, infBytes);
    test.files.AddFile(precompiled, "PNF");

    const int matched = RemoveInfCopies(session, InfReadingOf(session.platform), vid.c_str(), pid.c_str());

    Check(test.files.IsFile(inf) == (matched == 0), "the copy's presence disagrees with the count", pair);
    Check(test.files.IsFile(precompiled) == (matched == 0), "the precompiled twin was not handled with its INF", pair);
    Check(!pairReadFromCopy || matched == 1, "the removal does not find the pair in the INF it was read from", pair);
    test.files.Remove(inf);
    test.files.Remove(precompiled);
}

// The CopyFiles edit of a placed copy: whatever fails, the copy ends as it was or with one ';'
// put in, never missing or cut short. (What the edit makes of a text is the unit tests' matter.)
void CheckCopyFilesEdit(FakeFileSystem& files, TextCodePage& codePage, std::uint8_t control,
                        const std::string& infBytes, std::string_view installSection)
{
    files.AddFile(EditedCopy, infBytes, (control & 0x80) != 0);
    const Op failing = EditOperations[(control & 0x07) % 6];
    const int failingCall = (control & 0x07) < 6 ? 1 + ((control >> 3) & 0x0F) % 6 : 0; // from the edit's first
    if (failingCall != 0)
        files.faults.FailCall(failing, files.faults.calls[failing] + failingCall);
    CommentOutCopyFiles(files, codePage, EditedCopy, installSection);
    files.faults.failing.clear();

    Check(files.IsFile(EditedCopy), "the CopyFiles edit lost the INF copy");
    const std::string after = files.Contents(EditedCopy);
    Check(after == infBytes || IsOneSemicolonInserted(infBytes, after),
          "the CopyFiles edit left the copy neither as it was nor with one ';' put in");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The last byte: X.SY_ (bit 0) and X.PDR (bit 1) beside the descriptions, the system, the
    // user's language, and whether the second description is found first (bit 7). The one
    // before it: the failing call of the edit, and whether the copy is read-only.
    const std::uint8_t control = data[size - 1];
    const std::string_view payload(reinterpret_cast<const char*>(data), size - 2);
    std::vector<std::string> descriptions{std::string(payload.substr(0, payload.find("#NEXT#")))};
    if (payload.find("#NEXT#") != std::string_view::npos)
        descriptions.emplace_back(payload.substr(payload.find("#NEXT#") + 6));

    TestPlatform test;
    FakeFileSystem& files = test.files;
    test.system.userLanguage = UserLanguages[(control >> 5) & 0x03];
    files.AddFolder("C:\\WINDOWS\\INF\\OTHER");
    files.AddFolder(Package);
    for (std::size_t i = 0; i < descriptions.size(); ++i) {
        const std::size_t file = control & 0x80 ? descriptions.size() - 1 - i : i;
        files.AddFile(Package + DescriptionNames[file], descriptions[file]);
    }
    if (control & 0x01)
        files.AddFile(Package + "X.SY_", "driver");
    if (control & 0x02)
        files.AddFile(Package + "X.PDR", "port driver");

    // The ANSI code page of a system in the user's language.
    ShiftJisCodePage japanese;
    ChineseCodePage chinese;
    TextCodePage& codePage = test.system.userLanguage == 0x0411   ? japanese
                             : test.system.userLanguage == 0x0409 ? static_cast<TextCodePage&>(test.codePage)
                                                                  : chinese;
    Platform platform{test.files,  test.registry, test.devices, test.configManager, test.windows,
                      test.system, test.clock,    codePage,     test.view,          test.jobLock};
    SetupSession session{platform};
    session.State.OsClass = static_cast<OsClass>(((control >> 2) & 0x07) % 6);
    Check(session.State.ProgramFolder.Assign("C:\\PKG") && session.State.WindowsFolder.Assign("C:\\WINDOWS"),
          "folders do not fit the record");

    // An exception out of the read ends the run through std::terminate, which the fuzzer reports.
    PackageNote failure;
    const bool read = ReadDriverPackage(InfReadingOf(platform), session.State, session.Brand, failure).usable;
    const SetupState& state = session.State;
    for (const HardwareIdEntry& entry : state.HardwareIds)
        Check(entry.VidText.view().size() == 4 && entry.PidText.view().size() == 4,
              "a hardware ID pair is not four and four characters", entry.VidText.str() + "/" + entry.PidText.str());
    Check(state.TargetVidText.view().size() <= 4 && state.TargetPidText.view().size() <= 4,
          "the target pair is longer than four characters");
    Check(read != (failure.kind != PackageNote::Kind::None),
          "a failed read gives no reason, or a usable one gives one");

    // The description the read used, or the first one when it found none: it is the INF copy the
    // removal examines and the edit changes, as the setup places it. The removal must find each
    // pair in the copy of the very file it was read from, unless the lines depend on the folder.
    const std::string& copy = descriptions[state.SetupFileName.view() == DescriptionNames[1] ? 1 : 0];
    const bool pairsFromCopy = !state.SetupFileName.empty() && !MayNameDirectoryId(copy);
    const std::size_t pairs = state.HardwareIds.size();
    if (pairs == 0)
        CheckRemoval(test, session, copy, "1A2B", "3C4D", false);
    for (std::size_t i = 0; i < pairs; ++i)
        if (i < PairsChecked || i + 1 == pairs)
            CheckRemoval(test, session, copy, state.HardwareIds[i].VidText.str(), state.HardwareIds[i].PidText.str(),
                         pairsFromCopy);

    CheckCopyFilesEdit(files, codePage, data[size - 2], copy, state.InstallSectionName.view());
    return 0;
}
