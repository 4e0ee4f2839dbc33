// Package check: reads a driver package folder with the same reader Setup.exe uses and prints
// what Setup.exe would know, each *.in? candidate and what became of it, the messages Setup.exe
// would show, and warnings about what would misbehave; or exactly why Setup.exe would close.
//
//   PackageCheck [--os-class 0-5] [--language 0xLLLL] FOLDER
//
// Exit status 0 for a usable package (warnings or not), 1 for an unusable one, 2 for a wrong
// command line. The report goes to standard output, the reason for refusal and usage errors to
// standard error.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "CheckPlatform.h"
#include "app/PackageMessage.h"
#include "app/SetupPhases.h"
#include "app/SetupSession.h"
#include "files/WindowsPaths.h"
#include "package/DriverPackage.h"
#include "package/FileSearch.h"
#include "text/Paths.h"
#include "text/Texts.h"
#include "resource_ids.h"

namespace {

constexpr const char* UsageText =
    "usage: PackageCheck [--os-class N] [--language 0xLLLL] FOLDER\n"
    "\n"
    "Reads the driver package in FOLDER as Setup.exe would and reports what it finds.\n"
    "  --os-class N       the system to read it for: 0 unrecognised, 1 Windows 98, 2 Windows 98 SE,\n"
    "                     3 Windows Me, 4 Windows 2000, 5 Windows XP (default 2)\n"
    "  --language 0xLLLL  the user's language: 0x0409 English (default), 0x0411 Japanese,\n"
    "                     0x0404 Chinese Traditional, 0x0804 Chinese Simplified\n"
    "  --help, -h, /?     this text\n"
    "Exit status: 0 usable (warnings are printed), 1 unusable (the reason on standard error),\n"
    "2 wrong command line.\n";

int UsageError(const std::string& problem)
{
    std::fprintf(stderr,
                 "PackageCheck: %s\nusage: PackageCheck [--os-class N] [--language 0xLLLL] FOLDER "
                 "(--help for more)\n",
                 problem.c_str());
    return 2;
}

// A whole-text number in the given base (0: C rules, so 0x for hex); false for anything else.
bool ParseNumber(const std::string& text, int base, long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, base);
    return end != nullptr && *end == '\0';
}

bool IsFolder(const std::string& path)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

bool Exists(const std::string& path)
{
#ifdef _WIN32
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
#endif
}

const char* OsClassName(OsClass osClass)
{
    switch (osClass) {
    case OsClass::Windows98:
        return "1 (Windows 98)";
    case OsClass::Windows98SecondEdition:
        return "2 (Windows 98 Second Edition)";
    case OsClass::WindowsMe:
        return "3 (Windows Me)";
    case OsClass::Windows2000:
        return "4 (Windows 2000)";
    case OsClass::WindowsXp:
        return "5 (Windows XP)";
    default:
        return "0 (unrecognised)";
    }
}

const char* CandidateText(PackageReadNotes::Candidate verdict)
{
    using Candidate = PackageReadNotes::Candidate;
    switch (verdict) {
    case Candidate::Taken:
        return "taken as the setup description";
    case Candidate::NameTooLong:
        return "passed over: the name is longer than 19 characters";
    case Candidate::NotAnInf:
        return "passed over: it does not open as a Windows-4 INF ([Version] with Signature $Chicago$, $Windows NT$ "
               "or $Windows 95$)";
    case Candidate::NoSetupSection:
        return "passed over: it has no line in [Setup]";
    case Candidate::UnicodeOn98Family:
        return "passed over: it is UTF-16 or UTF-8, which the Windows 98 family cannot read";
    }
    return "";
}

// What the read stopped at, passed over or ignored, in words; model lines are named by their
// number in the models section.
std::string NoteText(const PackageNote& note, const SetupState& state)
{
    using Kind = PackageNote::Kind;
    const std::string line = "line " + std::to_string(note.line) + " of [" + state.ModelsSectionName.str() + "]";
    const char* why = "";
    switch (note.kind) {
    case Kind::None:
        return "";
    case Kind::NoSetupDescription:
        return "no file matches *.in? in the program folder";
    case Kind::NoUsableSetupDescription:
        return "no *.in? file with a name of at most 19 characters opens as a Windows-4 INF with a line in [Setup] "
               "(see the candidates)";
    case Kind::MpdInfTooLong:
        return "MPDInf of [Setup] has no value of at most 19 characters";
    case Kind::NoFddInf:
        return "[Setup] has no FDDInf line";
    case Kind::FddInfTooLong:
        return "FDDInf of [Setup] has no value of at most 19 characters";
    case Kind::NoProvider:
        return "[Version] has no Provider line";
    case Kind::ProviderTooLong:
        return "the Provider of [Version] is missing or longer than 19 characters";
    case Kind::NoManufacturer:
        return "[Manufacturer] is missing or has no line";
    case Kind::NoModelsSectionName:
        return "the first line of [Manufacturer] names no models section of at most 19 characters";
    case Kind::NoModelLines:
        return "the models section [" + state.ModelsSectionName.str() + "] is missing or empty";
    case Kind::NoHardwareId:
        return line + " has no hardware ID (field 2), or one longer than 255 characters";
    case Kind::NoInstallSection:
        return "the target model line (" + line + ") names no install section of 1 to 19 characters";
    case Kind::NoDriverFile:
        return "no driver file (*.sy_ of at least one byte, with a name of at most 19 characters) in the program folder";
    case Kind::NoPortDriver:
        return "no port driver (*.pdr of at least one byte, with a name of at most 19 characters) in the program folder";
    case Kind::TargetIdNotHex:
        return "TargetID \"" + note.text + "\" is not eight hexadecimal digits: taken as absent";
    case Kind::SetupDeviceDescTooLong:
        return "SetupDeviceDesc is longer than 63 characters: ignored";
    case Kind::SetupNameTooLong:
        return "SetupName is longer than 63 characters: ignored";
    case Kind::NoVidMarker:
        why = "no VID_ in its hardware ID";
        break;
    case Kind::NoPidMarker:
        why = "no PID_ in its hardware ID";
        break;
    case Kind::VidNotHex:
        why = "the text after VID_ is not four hexadecimal digits";
        break;
    case Kind::PidNotHex:
        why = "the text after PID_ is not four hexadecimal digits";
        break;
    }
    return line + " (" + note.text + ") passed over: " + why;
}

void Field(const char* name, const std::string& value, const char* comment = nullptr)
{
    std::printf("  %-18s %s%s%s\n", name, value.c_str(), comment ? "  " : "", comment ? comment : "");
}

bool IsTarget(const HardwareIdEntry& entry, const SetupState& state)
{
    return ToUpperAscii(entry.VidText.str()) == ToUpperAscii(state.TargetVidText.str()) &&
           ToUpperAscii(entry.PidText.str()) == ToUpperAscii(state.TargetPidText.str());
}

// The package under the names of the README's [Setup] table and of the device INF.
void PrintPackage(const SetupSession& session)
{
    const SetupState& state = session.State;
    std::printf("package:\n");
    Field("setup description", state.SetupFileName.str());
    Field("FDDInf", state.FddInfName.str());
    Field("MPDInf", state.MpdInfName.str());
    Field("Win98Only", std::to_string(state.Win98Only));
    Field("TargetID", state.TargetVidText.str() + state.TargetPidText.str());
    Field("SetupName", session.Brand.AppTitle, "(the dialog's title)");
    Field("SetupDeviceDesc", session.Brand.DeviceName, "(the device name in the texts)");
    Field("Provider", state.ProviderName.str());
    Field("models section", state.ModelsSectionName.str());
    Field("device description", state.DeviceDescription.str(), "(of the target model line)");
    Field("install section", state.InstallSectionName.str());
    Field("driver", state.DriverFileName.str());
    Field("port driver", state.PortDriverFileName.str());
    std::printf("  %-18s %zu\n", "VID/PID pairs", state.HardwareIds.size());
    for (const HardwareIdEntry& entry : state.HardwareIds) {
        const bool target = IsTarget(entry, state);
        std::printf("    VID_%s PID_%s%s\n", entry.VidText.c_str(), entry.PidText.c_str(), target ? "  (target)" : "");
    }
}

bool HoldsToken(const std::string& text)
{
    const std::size_t first = text.find('%');
    return first != std::string::npos && text.find('%', first + 1) != std::string::npos;
}

// What a usable package would still do wrong.
std::vector<std::string> Warnings(const SetupSession& session, CheckPlatform& check, const PackageReadNotes& notes)
{
    const SetupState& state = session.State;
    std::vector<std::string> warnings;
    for (const PackageNote& remark : notes.remarks) warnings.push_back(NoteText(remark, state));
    if (state.HardwareIds.empty())
        warnings.push_back("no model line gives a VID/PID pair: the removal finds no device and no INF copy of "
                           "this package, and no model is the target");
    else if (state.InstallSectionName.empty())
        warnings.push_back("TargetID " + state.TargetVidText.str() + state.TargetPidText.str() +
                           " names no model line: there is no device description for the new-hardware wizard, "
                           "and the installed copy keeps its CopyFiles line active");
    const std::pair<const char*, std::string> texts[] = {
        {"the provider", state.ProviderName.str()},
        {"the device description", state.DeviceDescription.str()},
        {"SetupDeviceDesc", session.Brand.DeviceName}, // the shipped name where the package gives none
        {"SetupName", session.Brand.AppTitle},
    };
    for (const auto& [what, text] : texts) {
        if (HoldsToken(text))
            warnings.push_back(std::string(what) + " \"" + text +
                               "\" holds a %token% that no [Strings] line resolves: it is shown as it stands");
    }
    SetupState onXp;
    onXp.OsClass = OsClass::WindowsXp;
    onXp.WindowsFolder = state.WindowsFolder;
    onXp.SetupFileName = state.SetupFileName;
    if (InfCopyTakesSystemName(onXp)) {
        const std::string copy = InfCopyDestination(onXp);
        warnings.push_back("on Windows 2000 and XP the INF copy is placed as " + copy.substr(copy.rfind('\\') + 1) +
                           ", a name the system gives the INF copies it installs itself: where one of them "
                           "stands, the install stops without placing the copy; give the setup description a "
                           "name that is not a number");
    }
    // Looked for as Windows would, in any case, among all the folder's files: the name is no
    // pattern, and stars in it would make the match take exponential time.
    std::string allFiles;
    const auto inFolder = [&] {
        const std::vector<std::string> found = check.files.FindFiles(allFiles);
        return std::any_of(found.begin(), found.end(), [&](const std::string& name) {
            return ToUpperAscii(name) == ToUpperAscii(state.FddInfName.str());
        });
    };
    if (!state.FddInfName.empty() && JoinPath(check.codePage, state.ProgramFolder.view(), "*", allFiles) && !inFolder())
        warnings.push_back("FDDInf names " + state.FddInfName.str() + ", which is not in the folder");
    if (state.OsClass == OsClass::Unsupported)
        warnings.push_back("on an unrecognised system (--os-class 0) the dialog refuses to run; only /S installs");
    else if (state.Win98Only != 0 && state.OsClass > OsClass::Windows98SecondEdition)
        warnings.push_back(std::string("on ") + OsClassName(state.OsClass) +
                           " the dialog refuses to run because Win98Only is not 0; only /S installs");
    return warnings;
}

} // namespace

int main(int argc, char** argv)
{
    CheckPlatform check;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h" || argument == "/?") {
            std::printf("%s", UsageText);
            return 0;
        }
        if (argument == "--os-class" || argument == "--language") {
            if (i + 1 >= argc)
                return UsageError(argument + " needs a value");
            const std::string value = argv[++i];
            long number = 0;
            if (argument == "--os-class") {
                if (!ParseNumber(value, 10, number) || number < 0 || number > 5)
                    return UsageError("--os-class takes a class number from 0 to 5, not \"" + value + "\"");
                check.osClass = static_cast<OsClass>(number);
            } else {
                if (!ParseNumber(value, 0, number) || number <= 0 || number > 0xFFFF)
                    return UsageError("--language takes a language id such as 0x0411, not \"" + value + "\"");
                check.system.language = static_cast<std::uint16_t>(number);
                check.view.language = static_cast<std::uint16_t>(number);
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            return UsageError("unknown option " + argument);
        } else if (!folder.empty()) {
            return UsageError("one folder only (" + folder + " and " + argument + ")");
        } else {
            folder = argument;
        }
    }
    if (folder.empty())
        return UsageError("no package folder given");
    if (!IsFolder(folder))
        return UsageError(folder + (Exists(folder) ? " is a file, not a folder" : " does not exist"));
    // The program folder is recorded without a trailing separator, as Setup.exe records its own.
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    // Setup.exe reads a folder too deep for the package's file names through its short (8.3)
    // form, which the check cannot make: it would report long names where there are none.
    constexpr std::size_t LongestFileName = decltype(SetupState::SetupFileName)::width - 1;
    if (folder.size() + 1 + LongestFileName > MaxPathLength)
        return UsageError(folder + " is too deep for the package's file names (Setup.exe reads such a folder through "
                                   "its short 8.3 form): check a copy of the package in a shorter folder");

    SetupSession session(check.platform);
    session.State.OsClass = check.osClass;
    session.Brand.AppTitle = check.view.LoadText(IDS_APP_TITLE);
    session.Brand.DeviceName = check.view.LoadText(IDS_DEVICE_NAME);
    session.Brand.AboutText = check.view.LoadText(IDS_ABOUT_TEXT);
    // The directory ids in the package's values (%10%, %11%, %24%, ...) stand for the system's
    // folders, as Setup.exe reads them; the check reads them for the usual Windows folder.
    session.State.WindowsFolder.Assign(check.osClass == OsClass::Windows2000 ? "C:\\WINNT" : "C:\\WINDOWS");
    if (!session.State.ProgramFolder.Assign(folder)) {
        std::fprintf(stderr, "unusable: the folder path is longer than 259 characters\n");
        return 1;
    }
    std::printf("read for: %s, language 0x%04X\n", OsClassName(check.osClass), check.system.language);

    PackageNote failure;
    PackageReadNotes notes;
    const bool readable = ShowPackageMessage(
        session, ReadDriverPackage(InfReadingOf(check.platform), session.State, session.Brand, failure, &notes));
    std::printf("candidates (*.in? in search order):\n");
    for (const auto& [name, verdict] : notes.candidates)
        std::printf("  %s: %s\n", name.c_str(), CandidateText(verdict));
    if (notes.candidates.empty())
        std::printf("  (none)\n");
    PrintPackage(session);
    if (!readable) {
        for (const PackageNote& remark : notes.remarks)
            std::printf("note: %s\n", NoteText(remark, session.State).c_str());
        std::printf("unusable (exit status 1): Setup.exe closes at its start\n");
        std::fflush(stdout);
        std::fprintf(stderr, "unusable: %s\n", NoteText(failure, session.State).c_str());
        return 1;
    }
    const std::vector<std::string> warnings = Warnings(session, check, notes);
    for (const std::string& warning : warnings) std::printf("warning: %s\n", warning.c_str());
    std::printf("usable, %zu warning(s)\n", warnings.size());
    return 0;
}
