// Removal of installed INF copies and of the installed driver.
#include "files/InstalledCopyRemoval.h"

#include <memory>

#include "files/FileSteps.h"
#include "files/WindowsPaths.h"
#include "package/DriverPackage.h"
#include "package/FileSearch.h"
#include "package/HardwareIdMatch.h"
#include "package/InfFile.h"

namespace {

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
        char buffer[256];
        std::string_view hardwareId;
        if (!inf.GetStringView(line, 2, buffer, sizeof buffer, hardwareId))
            return false;
        if (CarriesPair(hardwareId, vidText, pidText))
            return true;
    } while (inf.FindNextLine(line));
    return false;
}

} // namespace

int RemoveInfCopies(const InfReading& reading, const SetupState& state, const char* vidText, const char* pidText)
{
    // A text that is not a VID or PID would be found in other vendors' hardware IDs.
    if (!IsIdText(vidText) || !IsIdText(pidText))
        return 0;

    FileSystem& files = reading.files;
    const std::string pattern = InfCopySearchPattern(state);
    if (pattern.empty())
        return 0;

    const InfOpenOptions options = SystemInfOptions(state, reading.system, reading.codePage);

    int matched = 0;
    for (const std::string& name : FindMatchingFiles(files, pattern)) {
        const std::string path = InfCopyPath(state, name);
        if (path.empty())
            continue;
        bool lists;
        {
            const std::unique_ptr<InfFile> inf = InfFile::Open(files, reading.codePage, path, options);
            lists = inf && ListsPair(*inf, vidText, pidText);
        }
        if (!lists)
            continue;
        DeleteClearingAttributes(files, path);
        DeleteClearingAttributes(files, PrecompiledTwin(path));
        ++matched;
    }
    return matched;
}

void DeleteDriverFile(FileSystem& files, const SetupState& state)
{
    const std::string driverPath = DriverDestination(state);
    if (!driverPath.empty())
        DeleteClearingAttributes(files, driverPath);
}
