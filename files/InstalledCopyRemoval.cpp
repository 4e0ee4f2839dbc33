// Removal of installed INF copies and of the installed driver.
#include "files/InstalledCopyRemoval.h"

#include <memory>

#include "files/DriverPlacement.h"
#include "package/DriverPackage.h"
#include "package/FileSearch.h"
#include "package/HardwareIdMatch.h"
#include "package/InfFile.h"
#include "text/Paths.h"

namespace {

struct InfCopyFolder {
    const char* searchPattern;
    const char* pathTemplate;
};

// The 98 family keeps other-device INFs in INF\OTHER; 2000 and XP name installed copies OEM*.INF.
InfCopyFolder CopyFolderFor(OsClass osClass)
{
    if (IsWindows98Family(osClass))
        return {"%s\\INF\\OTHER\\*.INF", "%s\\INF\\OTHER\\%s"};
    return {"%s\\INF\\OEM*.INF", "%s\\INF\\%s"};
}

// Whether the first models section of the INF lists a hardware ID that carries the pair. A
// line without a readable hardware ID ends the examination.
bool ListsPair(const InfFile& inf, std::string_view vidText, std::string_view pidText)
{
    InfLine line;
    FixedText<20> modelsSection;
    if (!inf.FindFirstLine("Manufacturer", nullptr, line) || !inf.GetStringField(line, 1, modelsSection))
        return false;
    if (!inf.FindFirstLine(modelsSection.view(), nullptr, line))
        return false;
    do {
        FixedText<256> hardwareId;
        if (!inf.GetStringField(line, 2, hardwareId))
            return false;
        if (CarriesPair(hardwareId.view(), vidText, pidText))
            return true;
    } while (inf.FindNextLine(line));
    return false;
}

std::string PrecompiledTwin(const std::string& infPath)
{
    const std::size_t nameStart = infPath.rfind('\\') + 1;
    const std::size_t dot = infPath.rfind('.');
    const std::size_t extension = dot == std::string::npos || dot < nameStart ? infPath.size() : dot;
    return infPath.substr(0, extension) + ".PNF";
}

void DeleteWritable(FileSystem& files, const std::string& path)
{
    files.SetNormalAttributes(path);
    files.Remove(path);
}

} // namespace

int RemoveInfCopies(SetupSession& session, const char* vidText, const char* pidText)
{
    // A text that is not a VID or PID would be found in other vendors' hardware IDs.
    if (!IsIdText(vidText) || !IsIdText(pidText))
        return 0;

    const SetupState& state = session.State;
    FileSystem& files = session.platform.files;
    const InfCopyFolder folder = CopyFolderFor(state.OsClass);
    std::string pattern;
    if (!FormatPath(folder.searchPattern, {state.WindowsFolder.view()}, pattern))
        return 0;

    const InfOpenOptions options = SystemInfOptions(session);

    int matched = 0;
    for (const std::string& name : FindMatchingFiles(files, pattern)) {
        std::string path;
        if (!FormatPath(folder.pathTemplate, {state.WindowsFolder.view(), name}, path))
            continue;
        bool lists;
        {
            const std::unique_ptr<InfFile> inf = InfFile::Open(files, session.platform.codePage, path, options);
            lists = inf && ListsPair(*inf, vidText, pidText);
        }
        if (!lists)
            continue;
        DeleteWritable(files, path);
        DeleteWritable(files, PrecompiledTwin(path));
        ++matched;
    }
    return matched;
}

void DeleteDriverFile(SetupSession& session)
{
    const std::string driverPath = DriverDestination(session.State);
    if (!driverPath.empty())
        DeleteWritable(session.platform.files, driverPath);
}
