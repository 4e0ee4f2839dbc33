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
//       -I. -Iresources -Itests/unit app/*.cpp package/*.cpp files/*.cpp device/*.cpp \
//       tests/fuzz/DriverPackageFuzz.cpp -o package_fuzz
//   mkdir -p /tmp/package-corpus && ./package_fuzz -max_total_time=60 -timeout=10 -max_len=8192 \
//       -dict=tests/fuzz/DriverPackage.dict /tmp/package-corpus tests/fuzz/DriverPackageCorpus \
//       tests/fuzz/InfFileCorpus
// DriverPackageCrashes/ keeps minimised inputs that broke an invariant: run the target on one
// (./package_fuzz tests/fuzz/DriverPackageCrashes/NAME) to see which and where.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/SetupPhases.h"
#include "fakes/ShiftJisCodePage.h"
#include "fakes/TestPlatform.h"
#include "files/InstalledCopyRemoval.h"
#include "files/CopyFilesEdit.h"
#include "package/DriverPackage.h"
#include "text/Texts.h"

namespace {

constexpr std::string_view FileSeparator = "#NEXT#";
constexpr const char* ProgramFolder = "C:\\PKG";
constexpr const char* WindowsFolder = "C:\\WINDOWS";
constexpr const char* EditedCopy = "C:\\WINDOWS\\INF\\OEM9.INF";
// Names the setup description search ("*.in?") takes; the first is packed, the second is not.
constexpr const char* DescriptionNames[2] = {"EXDISK.IN_", "SETUP.INF"};
// Pairs checked by the removal per input: the read may produce hundreds, and each check parses
// the copy again.
constexpr std::size_t PairsChecked = 4;
constexpr std::uint16_t UserLanguages[4] = {0x0409, 0x0411, 0x0804, 0x0404};
using Operation = FakeFileSystem::Operation;
constexpr Operation EditOperations[6] = {Operation::Copy,    Operation::Move,   Operation::Rewrite,
                                         Operation::ReadAll, Operation::Remove, Operation::SetNormalAttributes};

// The lead bytes of the Chinese code pages 936 and 950; text from Unicode files keeps ASCII.
class ChineseCodePage : public TextCodePage {
public:
    std::string FromUtf16(const std::u16string& text) override
    {
        std::string bytes;
        for (char16_t unit : text) bytes.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
        return bytes;
    }
    bool IsLeadByte(unsigned char byte) const override { return byte >= 0x81 && byte <= 0xFE; }
};

void Check(bool condition, const char* what, const std::string& detail = {})
{
    if (condition)
        return;
    std::fprintf(stderr, "\n*** invariant broken: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// What the two control bytes at the end of the input choose.
struct Scenario {
    Scenario(std::uint8_t first, std::uint8_t second)
        : driverFile(first & 0x01), portDriverFile(first & 0x02),
          osClass(static_cast<OsClass>(((first >> 2) & 0x07) % 6)), userLanguage(UserLanguages[(first >> 5) & 0x03]),
          secondFoundFirst(first & 0x80), editedCopyReadOnly(second & 0x80),
          failingOperation(EditOperations[(second & 0x07) % 6]),
          failingCall((second & 0x07) < 6 ? 1 + ((second >> 3) & 0x0F) % 6 : 0)
    {
    }
    bool driverFile;     // X.SY_ beside the descriptions
    bool portDriverFile; // X.PDR beside them
    OsClass osClass;
    std::uint16_t userLanguage;
    bool secondFoundFirst;
    bool editedCopyReadOnly;
    // One call of the fake file system that fails during the CopyFiles edit, counted from the
    // first call of that operation the edit makes; none when failingCall is 0.
    FakeFileSystem::Operation failingOperation;
    int failingCall;
};

// Every file of a folder with its bytes, to tell whether anything in it changed.
std::map<std::string, std::string> Snapshot(const FakeFileSystem& files, const std::string& folder)
{
    std::map<std::string, std::string> contents;
    for (const std::string& name : files.Names(folder)) contents[name] = files.Contents(folder + "\\" + name);
    return contents;
}

// True when `after` is `before` with exactly one ';' put in somewhere.
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
    if (utf16)
        at -= at % 2; // the unit the ';' was put in front of
    return after.compare(at, semicolon.size(), semicolon) == 0 &&
           after.compare(at + semicolon.size(), std::string::npos, before, at) == 0;
}

// Whether a value read from the file may name a directory id (%1%, %10%, ...): %1% stands for
// the INF's own folder, so the same line reads differently in the package and in the INF
// folder. NUL bytes are dropped first, which makes the ASCII of a UTF-16 file plain text too.
bool MayNameDirectoryId(const std::string& bytes)
{
    std::string text;
    for (char c : bytes)
        if (c != '\0')
            text += c;
    for (std::size_t open = text.find('%'); open != std::string::npos; open = text.find('%', open + 1)) {
        std::size_t end = open + 1;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        if (end > open + 1 && end < text.size() && text[end] == '%')
            return true;
    }
    return false;
}

// Runs the removal for one pair over an INF folder holding only `infBytes` as an installed copy
// with its precompiled twin. The removal may delete those two files and nothing else. When the
// copy is the very description the pair was read from, it must be found.
void CheckRemoval(TestPlatform& test, SetupSession& session, const std::string& infBytes, const std::string& vid,
                  const std::string& pid, bool pairReadFromCopy)
{
    // Where the removal looks for installed copies on this system: OEM*.INF in INF on 2000 and
    // XP, anything in INF\OTHER on the 98 family.
    const std::string copy =
        IsWindows98Family(session.State.OsClass) ? "C:\\WINDOWS\\INF\\OTHER\\A" : "C:\\WINDOWS\\INF\\OEM1";
    const std::string inf = copy + ".INF", precompiled = copy + ".PNF";
    FakeFileSystem& files = test.files;
    files.AddFile(inf, infBytes);
    files.AddFile(precompiled, "PNF");
    const std::size_t logBefore = files.log.size();

    const int matched = RemoveInfCopies(InfReadingOf(session.platform), session.State, vid.c_str(), pid.c_str());

    const std::string pair = vid + "/" + pid;
    Check(matched == 0 || matched == 1, "RemoveInfCopies counted copies that are not there", pair);
    Check(files.IsFile(inf) == (matched == 0), "the copy's presence disagrees with the count", pair);
    Check(files.IsFile(precompiled) == (matched == 0), "the precompiled twin was not handled with its INF", pair);
    if (matched == 0)
        Check(files.Contents(inf) == infBytes, "an unmatched copy was changed", pair);
    for (std::size_t i = logBefore; i < files.log.size(); ++i) {
        const std::string& entry = files.log[i];
        Check(entry == "attributes " + inf || entry == "delete " + inf || entry == "attributes " + precompiled ||
                  entry == "delete " + precompiled,
              "the removal touched another file", entry);
    }
    if (pairReadFromCopy)
        Check(matched == 1, "the removal does not find the pair in the INF the package read took it from", pair);

    files.Remove(inf);
    files.Remove(precompiled);
}

// The CopyFiles edit of a placed copy: whatever fails, the copy ends as it was or with one ';'
// put in, never missing or cut short; when nothing fails it is edited exactly when it can be.
void CheckCopyFilesEdit(TestPlatform& test, const Scenario& scenario, const std::string& infBytes,
                        std::string_view installSection)
{
    FakeFileSystem& files = test.files;
    files.AddFile(EditedCopy, infBytes, scenario.editedCopyReadOnly);
    if (scenario.failingCall != 0)
        files.faults.FailCall(scenario.failingOperation,
                              files.faults.CallCount(scenario.failingOperation) + scenario.failingCall);

    CommentOutCopyFiles(files, EditedCopy, installSection);
    files.faults.Clear();

    Check(files.IsFile(EditedCopy), "the CopyFiles edit lost the INF copy");
    const std::string after = files.Contents(EditedCopy);
    Check(after == infBytes || IsOneSemicolonInserted(infBytes, after),
          "the CopyFiles edit left the copy neither as it was nor with one ';' put in");
    if (scenario.failingCall != 0)
        return;

    std::string edited;
    const bool editable = !infBytes.empty() && CommentedOutCopyFiles(infBytes, installSection, edited);
    Check(after == (editable ? edited : infBytes), "the CopyFiles edit did not replace the copy by its edited bytes");
    for (const std::string& name : files.Names("C:\\WINDOWS\\INF"))
        Check(ToUpperAscii(name).rfind("OEM9.", 0) != 0 || ToUpperAscii(name) == "OEM9.INF",
              "the CopyFiles edit left a working file behind", name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const Scenario scenario(data[size - 1], data[size - 2]);
    const std::string_view payload(reinterpret_cast<const char*>(data), size - 2);
    std::vector<std::string> descriptions;
    const std::size_t separator = payload.find(FileSeparator);
    descriptions.emplace_back(payload.substr(0, separator));
    if (separator != std::string_view::npos)
        descriptions.emplace_back(payload.substr(separator + FileSeparator.size()));

    TestPlatform test;
    FakeFileSystem& files = test.files;
    test.system.userLanguage = scenario.userLanguage;
    files.AddFolder(std::string(WindowsFolder) + "\\INF\\OTHER");
    files.AddFolder(ProgramFolder);
    for (std::size_t i = 0; i < descriptions.size(); ++i)
        files.AddFile(std::string(ProgramFolder) + "\\" + DescriptionNames[i], descriptions[i]);
    if (scenario.driverFile)
        files.AddFile("C:\\PKG\\X.SY_", "driver");
    if (scenario.portDriverFile)
        files.AddFile("C:\\PKG\\X.PDR", "port driver");
    if (scenario.secondFoundFirst)
        files.SetSearchOrder(ProgramFolder, {DescriptionNames[1]});
    const auto package = Snapshot(files, ProgramFolder);

    // The ANSI code page of a system in the user's language.
    ShiftJisCodePage japanese;
    ChineseCodePage chinese;
    TextCodePage& codePage = scenario.userLanguage == 0x0411   ? static_cast<TextCodePage&>(japanese)
                             : scenario.userLanguage == 0x0409 ? static_cast<TextCodePage&>(test.codePage)
                                                               : chinese;
    Platform platform{test.files,  test.registry, test.devices, test.configManager, test.windows,
                      test.system, test.clock,    codePage,     test.view};
    SetupSession session{platform};
    session.State.OsClass = scenario.osClass;
    Check(session.State.ProgramFolder.Assign(ProgramFolder) && session.State.WindowsFolder.Assign(WindowsFolder),
          "folders do not fit the record");

    // An exception out of the read ends the run through std::terminate, which the fuzzer reports.
    std::string failureReason;
    const bool read = ReadDriverPackage(InfReadingOf(platform), session.State, session.Brand, failureReason).usable;

    const SetupState& state = session.State;
    for (const HardwareIdEntry& entry : state.HardwareIds) {
        const std::string pair = entry.VidText.str() + "/" + entry.PidText.str();
        Check(!entry.VidText.empty() && !entry.PidText.empty(), "a hardware ID pair has an empty VID or PID", pair);
        Check(entry.VidText.view().size() <= 4 && entry.PidText.view().size() <= 4,
              "a hardware ID pair is longer than four characters", pair);
    }
    Check(state.TargetVidText.view().size() <= 4 && state.TargetPidText.view().size() <= 4,
          "the target pair is longer than four characters");
    if (read) {
        Check(scenario.driverFile && scenario.portDriverFile, "the read succeeded without the driver files");
        Check(state.DriverFileName.view() == "X.SY_" && state.PortDriverFileName.view() == "X.PDR",
              "the read names driver files that are not there");
        Check(!state.SetupFileName.empty(), "the read succeeded without a setup description");
    } else {
        Check(!failureReason.empty(), "a failed read gives no reason");
    }

    // The description the read used, or the first one when it found none: it is the INF copy the
    // removal examines and the edit changes, as the setup places it. The removal must find each
    // pair in the copy of the very file it was read from, unless the lines depend on the folder.
    const std::string& copy = descriptions[state.SetupFileName.view() == DescriptionNames[1] ? 1 : 0];
    const bool pairsFromCopy = !state.SetupFileName.empty() && !MayNameDirectoryId(copy);
    const std::size_t pairs = state.HardwareIds.size();
    if (pairs == 0)
        CheckRemoval(test, session, copy, "1A2B", "3C4D", false);
    for (std::size_t i = 0; i < pairs; ++i) {
        if (i < PairsChecked || i + 1 == pairs)
            CheckRemoval(test, session, copy, state.HardwareIds[i].VidText.str(), state.HardwareIds[i].PidText.str(),
                         pairsFromCopy);
    }

    CheckCopyFilesEdit(test, scenario, copy, state.InstallSectionName.view());

    Check(Snapshot(files, ProgramFolder) == package, "the package's own files changed");
    return 0;
}
