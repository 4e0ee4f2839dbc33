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

using Kind = PackageNote::Kind;

constexpr std::string_view SetupDescriptionPattern = "*.in?";
constexpr const char* MissingSetupSectionText = "Main .in_ file with [Setup] section is not found !";
// Put after the package's own title in the about box.
constexpr std::string_view AboutNotice = "  Driver setup utility for USB flash disks.";

// The first entry found in the program folder that opens as a Windows-4-style INF with a line
// in [Setup]; the file stays open. Null when there is none, with the message for it in result.
std::unique_ptr<InfFile> OpenSetupDescription(const InfReading& reading, SetupState& state, PackageReadResult& result,
                                              PackageNote& failure, PackageReadNotes* notes)
{
    std::string pattern;
    std::vector<std::string> names;
    if (JoinPath(reading.codePage, state.ProgramFolder.view(), SetupDescriptionPattern, pattern))
        names = FindMatchingFiles(reading.files, reading.codePage, pattern);
    if (names.empty()) {
        result.messageId = IDS_INF_NOT_FOUND;
        failure.kind = Kind::NoSetupDescription;
        return nullptr;
    }

    state.SetupFileName.Clear();
    const InfOpenOptions options = SystemInfOptions(state, reading.system, reading.codePage);
    using Candidate = PackageReadNotes::Candidate;
    const auto note = [notes](const std::string& name, Candidate verdict) {
        if (notes)
            notes->candidates.emplace_back(name, verdict);
    };
    for (const std::string& name : names) {
        FixedText<20> fileName;
        std::string path;
        // A name that does not fit the record could not be copied into the INF folder later.
        if (!fileName.Assign(name) || !JoinPath(reading.codePage, state.ProgramFolder.view(), name, path)) {
            note(name, Candidate::NameTooLong);
            continue;
        }
        std::unique_ptr<InfFile> inf = InfFile::Open(reading.files, reading.codePage, path, options);
        InfLine line;
        if (!inf) {
            note(name, Candidate::NotAnInf);
            continue;
        }
        if (!inf->FindFirstLine("Setup", nullptr, line)) {
            note(name, Candidate::NoSetupSection);
            continue;
        }
        // Its installed copy would be useless there: the 98 family's own INF reader reads ANSI only,
        // and takes even a UTF-8 byte order mark for text of the first line.
        if (IsWindows98Family(state.OsClass) && inf->IsUnicodeFile()) {
            note(name, Candidate::UnicodeOn98Family);
            continue;
        }
        note(name, Candidate::Taken);
        state.SetupFileName = fileName;
        return inf;
    }
    result.messageText = MissingSetupSectionText;
    failure.kind = Kind::NoUsableSetupDescription;
    return nullptr;
}

bool ReadSetupKeys(const InfFile& inf, SetupState& state, PackageNote& failure)
{
    InfLine line;
    if (inf.FindFirstLine("Setup", "MPDInf", line) && !inf.GetStringField(line, 1, state.MpdInfName)) {
        failure.kind = Kind::MpdInfTooLong;
        return false;
    }
    if (!inf.FindFirstLine("Setup", "FDDInf", line)) {
        failure.kind = Kind::NoFddInf;
        return false;
    }
    if (!inf.GetStringField(line, 1, state.FddInfName)) {
        failure.kind = Kind::FddInfTooLong;
        return false;
    }
    state.Win98Only = 1;
    if (inf.FindFirstLine("Setup", "Win98Only", line))
        inf.GetIntField(line, 1, state.Win98Only);
    return true;
}

void ApplyBrandKeys(const InfFile& inf, SetupState& state, BrandStrings& brand, std::vector<PackageNote>* notes)
{
    InfLine line;
    // The package's own device name stands for both tokens of the texts; the model line's
    // description stays what the new-hardware wizard is searched by.
    if (inf.FindFirstLine("Setup", "SetupDeviceDesc", line)) {
        if (inf.GetStringField(line, 1, state.DeviceDisplayName))
            brand.DeviceName = state.DeviceDisplayName.str();
        else if (notes)
            notes->push_back({Kind::SetupDeviceDescTooLong, 0, {}});
    }

    FixedText<64> setupName;
    if (inf.FindFirstLine("Setup", "SetupName", line)) {
        if (inf.GetStringField(line, 1, setupName)) {
            brand.AppTitle = setupName.str();
            brand.AboutText = setupName.str() + std::string(AboutNotice);
        } else if (notes) {
            notes->push_back({Kind::SetupNameTooLong, 0, {}});
        }
    }
}

// The first driver file of the search whose name fits the record. A file of no bytes (a copy
// cut short, a download that failed) is passed over: the job would put nothing in the place of
// a working driver.
bool FindFirstFitting(const InfReading& reading, std::string_view folder, std::string_view pattern,
                      FixedText<20>& fileName)
{
    std::string path;
    if (!JoinPath(reading.codePage, folder, pattern, path))
        return false;
    for (const std::string& name : FindMatchingFiles(reading.files, reading.codePage, path)) {
        std::string file, bytes;
        if (JoinPath(reading.codePage, folder, name, file) && reading.files.ReadAll(file, bytes) && bytes.empty())
            continue;
        if (fileName.Assign(name))
            return true;
    }
    return false;
}

// The first "*.sy_" and "*.pdr" files of the program folder whose names fit the record; a
// missing one with its message in result.
bool FindDriverFiles(const InfReading& reading, SetupState& state, PackageReadResult& result, PackageNote& failure)
{
    if (!FindFirstFitting(reading, state.ProgramFolder.view(), "*.sy_", state.DriverFileName)) {
        result.messageId = IDS_SYS_NOT_FOUND;
        failure.kind = Kind::NoDriverFile;
        return false;
    }
    if (!FindFirstFitting(reading, state.ProgramFolder.view(), "*.pdr", state.PortDriverFileName)) {
        result.messageId = IDS_MPD_NOT_FOUND;
        failure.kind = Kind::NoPortDriver;
        return false;
    }
    return true;
}

} // namespace

PackageReadResult ReadDriverPackage(const InfReading& reading, SetupState& state, BrandStrings& brand,
                                    PackageNote& failure, PackageReadNotes* notes)
{
    PackageReadResult result;
    failure = {};
    std::vector<PackageNote>* remarks = notes ? &notes->remarks : nullptr;
    // The setup description stays open until the read ends, whichever way it ends.
    const std::unique_ptr<InfFile> inf = OpenSetupDescription(reading, state, result, failure, notes);
    if (!inf)
        return result;
    const bool read = ReadSetupKeys(*inf, state, failure) && ReadDeviceModel(*inf, state, &failure, remarks);
    if (read)
        ApplyBrandKeys(*inf, state, brand, remarks);
    // Lines that could not be read are not lines that are absent: the setup description is then
    // unreadable, as one that does not open. So it is when its pairs did not fit in memory.
    if (inf->LinesLost() || failure.kind == Kind::NoUsableSetupDescription) {
        result = {};
        result.messageText = MissingSetupSectionText;
        failure = {Kind::NoUsableSetupDescription, 0, {}};
        return result;
    }
    if (!read)
        return result;
    result.usable = FindDriverFiles(reading, state, result, failure);
    return result;
}

InfOpenOptions SystemInfOptions(const SetupState& state, SystemInfo& system, const TextCodePage& codePage)
{
    InfOpenOptions options;
    options.preferLocalizedStrings = state.OsClass >= OsClass::Windows2000;
    options.userLanguage = system.UserLanguage();
    // The folders of the directory ids; the system folder is "system" on the Windows 98 family.
    const std::string_view windows = state.WindowsFolder.view();
    if (!windows.empty()) {
        options.windowsFolder = windows;
        const char* systemFolder = IsWindows98Family(state.OsClass) ? "system" : "system32";
        JoinPath(codePage, windows, systemFolder, options.systemFolder); // empty if too long
    }
    return options;
}
