// Reading the driver package beside the program into the setup record: the setup
// description with its [Setup] keys, the device model, the driver files.
#include "package/DriverPackage.h"

#include <memory>

#include "package/DeviceModel.h"
#include "package/FileSearch.h"
#include "package/InfFile.h"
#include "text/Paths.h"
#include "resource_ids.h"

namespace {

constexpr std::string_view SetupDescriptionPattern = "*.in?";
constexpr const char* MissingSetupSectionText = "Main .in_ file with [Setup] section is not found !";
// Put after the package's own title in the about box.
constexpr std::string_view AboutNotice = "  Driver setup utility for USB flash disks.";

// The first entry found in the program folder that opens as a Windows-4-style INF with a line
// in [Setup]; the file stays open. Null when there is none, after the message for it.
std::unique_ptr<InfFile> OpenSetupDescription(SetupSession& session, std::string& failureReason,
                                              PackageReadNotes* notes)
{
    SetupState& state = session.State;
    std::string pattern;
    std::vector<std::string> names;
    if (JoinPath(session.platform.codePage, state.ProgramFolder.view(), SetupDescriptionPattern, pattern))
        names = FindMatchingFiles(session.platform.files, pattern);
    if (names.empty()) {
        session.ShowMessage(IDS_INF_NOT_FOUND, MessageStop);
        failureReason = "no file matches *.in? in the program folder";
        return nullptr;
    }

    state.SetupFileName.Clear();
    const InfOpenOptions options = SystemInfOptions(session);
    using Candidate = PackageReadNotes::Candidate;
    const auto note = [notes](const std::string& name, Candidate verdict) {
        if (notes)
            notes->candidates.emplace_back(name, verdict);
    };
    for (const std::string& name : names) {
        FixedText<20> fileName;
        std::string path;
        // A name that does not fit the record could not be copied into the INF folder later.
        if (!fileName.Assign(name) || !JoinPath(session.platform.codePage, state.ProgramFolder.view(), name, path)) {
            note(name, Candidate::NameTooLong);
            continue;
        }
        std::unique_ptr<InfFile> inf = InfFile::Open(session.platform.files, session.platform.codePage, path, options);
        InfLine line;
        if (!inf) {
            note(name, Candidate::NotAnInf);
            continue;
        }
        if (!inf->FindFirstLine("Setup", nullptr, line)) {
            note(name, Candidate::NoSetupSection);
            continue;
        }
        // Its installed copy would be useless there: the 98 family's own INF reader reads ANSI only.
        if (IsWindows98Family(state.OsClass) && inf->IsUtf16File()) {
            note(name, Candidate::Utf16On98Family);
            continue;
        }
        note(name, Candidate::Taken);
        state.SetupFileName = fileName;
        return inf;
    }
    session.ShowMessageText(MissingSetupSectionText, MessageStop);
    failureReason = "no *.in? file with a name of at most 19 characters opens as a Windows-4 INF with a line in "
                    "[Setup] (see the candidates)";
    return nullptr;
}

bool ReadSetupKeys(const InfFile& inf, SetupState& state, std::string& failureReason)
{
    InfLine line;
    if (inf.FindFirstLine("Setup", "MPDInf", line) && !inf.GetStringField(line, 1, state.MpdInfName)) {
        failureReason = "MPDInf of [Setup] has no value of at most 19 characters";
        return false;
    }
    if (!inf.FindFirstLine("Setup", "FDDInf", line)) {
        failureReason = "[Setup] has no FDDInf line";
        return false;
    }
    if (!inf.GetStringField(line, 1, state.FddInfName)) {
        failureReason = "FDDInf of [Setup] has no value of at most 19 characters";
        return false;
    }
    state.Win98Only = 1;
    if (inf.FindFirstLine("Setup", "Win98Only", line))
        inf.GetIntField(line, 1, state.Win98Only);
    return true;
}

void ApplyBrandKeys(const InfFile& inf, SetupSession& session, std::vector<std::string>* notes)
{
    InfLine line;
    if (inf.FindFirstLine("Setup", "SetupDeviceDesc", line)) {
        if (inf.GetStringField(line, 1, session.State.DeviceDisplayName))
            session.Brand.DeviceName = session.State.DeviceDisplayName.str();
        else if (notes)
            notes->push_back("SetupDeviceDesc is longer than 63 characters: ignored");
    }

    FixedText<64> setupName;
    if (inf.FindFirstLine("Setup", "SetupName", line)) {
        if (inf.GetStringField(line, 1, setupName)) {
            session.Brand.AppTitle = setupName.str();
            session.Brand.AboutText = setupName.str() + std::string(AboutNotice);
        } else if (notes) {
            notes->push_back("SetupName is longer than 63 characters: ignored");
        }
    }
}

} // namespace

bool ReadDriverPackage(SetupSession& session, std::string& failureReason, PackageReadNotes* notes)
{
    std::vector<std::string>* remarks = notes ? &notes->remarks : nullptr;
    // The setup description stays open until the read ends, whichever way it ends.
    const std::unique_ptr<InfFile> inf = OpenSetupDescription(session, failureReason, notes);
    if (!inf)
        return false;
    if (!ReadSetupKeys(*inf, session.State, failureReason))
        return false;
    if (!ReadDeviceModel(*inf, session.State, &failureReason, remarks))
        return false;
    ApplyBrandKeys(*inf, session, remarks);
    return FindDriverFiles(session, &failureReason);
}

InfOpenOptions SystemInfOptions(SetupSession& session)
{
    InfOpenOptions options;
    options.preferLocalizedStrings = session.State.OsClass >= OsClass::Windows2000;
    options.userLanguage = session.platform.system.UserLanguage();
    // The folders of the directory ids; the system folder is "system" on the Windows 98 family.
    const std::string_view windows = session.State.WindowsFolder.view();
    if (!windows.empty()) {
        options.windowsFolder = windows;
        const char* system = IsWindows98Family(session.State.OsClass) ? "system" : "system32";
        JoinPath(session.platform.codePage, windows, system, options.systemFolder); // empty if too long
    }
    return options;
}

bool ReadDriverPackage(SetupSession& session)
{
    std::string failureReason;
    return ReadDriverPackage(session, failureReason);
}
