// Removal of installed INF copies and of the installed driver.
#include "files/InstalledCopyRemoval.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/FileSteps.h"
#include "files/WindowsPaths.h"
#include "package/DriverPackage.h"
#include "package/FileSearch.h"
#include "package/HardwareIdMatch.h"
#include "package/InfFile.h"
#include "package/StableSort.h"

namespace {

// Calls `take` with each hardware ID of the INF's first models section, in order, until it
// returns true or a line without a readable hardware ID ends the examination.
template <typename Take>
void ForFirstModelsIds(const InfFile& inf, Take take)
{
    InfLine line;
    FixedText<20> modelsSection;
    if (!inf.FindFirstLine("Manufacturer", nullptr, line) || !inf.GetStringField(line, 1, modelsSection) ||
        !inf.FindFirstLine(modelsSection.view(), nullptr, line))
        return;
    do {
        char buffer[256];
        std::string_view hardwareId;
        if (!inf.GetStringView(line, 2, buffer, sizeof buffer, hardwareId) || take(hardwareId))
            return;
    } while (inf.FindNextLine(line));
}

} // namespace

int RemoveInfCopies(RunContext& run, const InfReading& reading, const char* vidText, const char* pidText)
{
    HardwareIdEntry pair;
    HardwareIdList pairs;
    if (pair.VidText.Assign(vidText) && pair.PidText.Assign(pidText))
        pairs.Append(pair);
    return RemoveInfCopies(run, reading, pairs);
}

int RemoveInfCopies(RunContext& run, const InfReading& reading, const HardwareIdList& pairs)
{
    const SetupState& state = run.State;
    // A text that is not a VID or PID would be found in other vendors' hardware IDs: the index
    // leaves such pairs out.
    const PairIndex index(pairs);
    FileSystem& files = reading.files;
    const std::string pattern = InfCopySearchPattern(state);
    if (index.empty() || pattern.empty())
        return 0;
    const InfOpenOptions options = SystemInfOptions(state, reading.system, reading.codePage);

    // One search and one read of each copy serve all the pairs: a search and a read for each pair
    // would make a package of many pairs take hours. A copy belongs to the first pair it lists,
    // and the copies go pair by pair, each pair's in search order, as a search for each pair in
    // turn would find them.
    std::vector<std::string> paths;
    std::vector<std::uint32_t> firstPairs;
    for (const std::string& name : FindMatchingFiles(files, reading.codePage, pattern)) {
        const std::string path = InfCopyPath(state, name);
        const std::unique_ptr<InfFile> inf =
            path.empty() ? nullptr : InfFile::Open(files, reading.codePage, path, options);
        if (!inf)
            continue;
        std::uint32_t first = PairIndex::NoPair;
        ForFirstModelsIds(*inf, [&](std::string_view id) {
            first = std::min(first, index.FirstPairIn(id));
            return first == 0;
        });
        if (first != PairIndex::NoPair) {
            paths.push_back(path);
            firstPairs.push_back(first);
        }
    }
    std::vector<std::uint32_t> order(paths.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    inf::SortByValue(order, firstPairs);
    // A scanner reading a copy refuses its delete for a moment; left standing, the copy would
    // install our driver again, or an old one, when the disk is next plugged in. A refused copy
    // keeps its twin until it goes itself.
    RetryWhileRefused(run, [&] {
        std::erase_if(order, [&](std::uint32_t copy) {
            const bool gone = DeleteClearingAttributes(files, paths[copy]) || !StandsThere(files, paths[copy]);
            if (gone)
                DeleteClearingAttributes(files, PrecompiledTwin(paths[copy]));
            return gone;
        });
        return order.empty();
    });
    return static_cast<int>(paths.size());
}

namespace {

// The 98 family loads every port driver of its iosubsys folder at each start: ours goes with the
// driver.
bool PortDriverGoesToo(const SetupState& state)
{
    return IsWindows98Family(state.OsClass) && !state.PortDriverFileName.empty();
}

} // namespace

void DeleteDriverFile(RunContext& run, FileSystem& files)
{
    const SetupState& state = run.State;
    // A driver still unloading after its device nodes went, or a scanner reading it, refuses the
    // delete for a moment; left standing, it would end an uninstall as not complete, or refuse
    // the install's copy over it.
    RetryWhileRefused(run, [&] {
        const std::string driverPath = DriverDestination(state);
        if (!driverPath.empty())
            DeleteClearingAttributes(files, driverPath);
        if (PortDriverGoesToo(state))
            DeleteClearingAttributes(files, PortDriverDestination(state));
        return DriverFileRemoved(files, state);
    });
}

bool DriverFileRemoved(FileSystem& files, const SetupState& state)
{
    // An empty path (no driver name) finds nothing.
    return !StandsThere(files, DriverDestination(state)) &&
           !(PortDriverGoesToo(state) && StandsThere(files, PortDriverDestination(state)));
}
