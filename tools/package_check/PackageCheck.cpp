// Package check: reads a driver package folder with the same reader Setup.exe uses and prints
// what Setup.exe would know, or exactly why it would close.
//
//   PackageCheck FOLDER [--os-class N] [--language 0xLLLL]
//
// Exit status 0 for a readable package, 1 for an unusable one, 2 for a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CheckPlatform.h"
#include "app/SetupSession.h"
#include "package/DriverPackage.h"

namespace {

const char* OsClassName(OsClass osClass)
{
    switch (osClass) {
    case OsClass::Windows98: return "1 (Windows 98)";
    case OsClass::Windows98SecondEdition: return "2 (Windows 98 Second Edition)";
    case OsClass::WindowsMe: return "3 (Windows Me)";
    case OsClass::Windows2000: return "4 (Windows 2000)";
    case OsClass::WindowsXp: return "5 (Windows XP)";
    default: return "0 (unsupported)";
    }
}

template <std::size_t Width>
void PrintField(const char* name, const FixedText<Width>& value)
{
    std::printf("%-20s %s\n", name, value.c_str());
}

void PrintRecord(const SetupSession& session)
{
    const SetupState& state = session.State;
    std::printf("%-20s %s\n", "OsClass", OsClassName(state.OsClass));
    PrintField("ProgramFolder", state.ProgramFolder);
    PrintField("SetupFileName", state.SetupFileName);
    PrintField("MpdInfName", state.MpdInfName);
    PrintField("FddInfName", state.FddInfName);
    std::printf("%-20s %d\n", "Win98Only", static_cast<int>(state.Win98Only));
    PrintField("ProviderName", state.ProviderName);
    PrintField("ModelsSectionName", state.ModelsSectionName);
    PrintField("TargetVidText", state.TargetVidText);
    PrintField("TargetPidText", state.TargetPidText);
    PrintField("DeviceDescription", state.DeviceDescription);
    PrintField("DeviceDisplayName", state.DeviceDisplayName);
    PrintField("InstallSectionName", state.InstallSectionName);
    PrintField("DriverFileName", state.DriverFileName);
    PrintField("PortDriverFileName", state.PortDriverFileName);
    std::printf("%-20s %s\n", "AppTitle", session.Brand.AppTitle.c_str());
    std::printf("%-20s %s\n", "DeviceName", session.Brand.DeviceName.c_str());
    std::printf("%-20s %s\n", "AboutText", session.Brand.AboutText.c_str());
    std::printf("HardwareIds          %zu\n", state.HardwareIds.size());
    for (const HardwareIdEntry& entry : state.HardwareIds) {
        const bool target = entry.VidText.view() == state.TargetVidText.view() &&
                            entry.PidText.view() == state.TargetPidText.view();
        std::printf("  VID_%s PID_%s%s\n", entry.VidText.c_str(), entry.PidText.c_str(), target ? "  (target)" : "");
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: PackageCheck FOLDER [--os-class 0-5] [--language 0xLLLL]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    CheckPlatform check;
    std::string folder = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return Usage();
        const long value = std::strtol(argv[++i], nullptr, 0);
        if (option == "--os-class" && value >= 0 && value <= 5)
            check.osClass = static_cast<OsClass>(value);
        else if (option == "--language" && value > 0 && value <= 0xFFFF)
            check.system.language = static_cast<std::uint16_t>(value);
        else
            return Usage();
    }
    // The program folder is recorded without a trailing separator, as Setup.exe records its own.
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();

    SetupSession session(check.platform);
    session.State.OsClass = check.osClass;
    session.Brand.AppTitle = "<string 325>";
    session.Brand.DeviceName = "<string 326>";
    session.Brand.AboutText = "<string 327>";
    if (!session.State.ProgramFolder.Assign(folder)) {
        std::printf("unusable: the folder path is longer than 259 characters\n");
        return 1;
    }

    std::string failureReason;
    std::vector<std::string> notes;
    const bool readable = ReadDriverPackage(session, failureReason, &notes);
    PrintRecord(session);
    for (const std::string& note : notes)
        std::printf("note: %s\n", note.c_str());
    if (!readable) {
        std::printf("unusable: %s\n", failureReason.c_str());
        return 1;
    }
    std::printf("readable\n");
    return 0;
}
