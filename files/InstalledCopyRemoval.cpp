// Removal of installed INF copies and of the installed driver.
#include "files/InstalledCopyRemoval.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "files/FileSteps.h"
#include "files/WindowsPaths.h"
#include "package/DriverPackage.h"
#include "package/FileSearch.h"
#include "package/HardwareIdMatch.h"
#include "package/InfFile.h"

namespace {

// The hardware IDs of each installed copy read so far, by path: a package of many pairs would
// otherwise parse every copy once for each pair. A copy that did not open is read again for the
// next pair, as a read that failed once may work then. Each pair's search finds the copies in
// the order of the last one, less those deleted, so a lookup starts after the last one found.
//
// What is kept has a limit: a copy's substitutions can make its IDs many times the size of the
// file (a 255-character string named on millions of six-byte lines). A copy whose IDs do not
// fit in what is left is not kept, and is read again for each pair instead.
class CopyIds {
public:
    static constexpr std::size_t KeptBytesLimit = 8 * 1024 * 1024;

    bool Fits(std::size_t bytes) const { return keptBytes_ + bytes <= KeptBytesLimit; }
    const std::string* Find(const std::string& path)
    {
        for (std::size_t n = 0; n < copies_.size(); ++n) {
            const std::size_t i = (next_ + n) % copies_.size();
            if (copies_[i].first == path) {
                next_ = i + 1;
                return &copies_[i].second;
            }
        }
        return nullptr;
    }
    const std::string* Add(const std::string& path, std::string ids)
    {
        keptBytes_ += ids.size();
        copies_.emplace_back(path, std::move(ids));
        next_ = copies_.size();
        return &copies_.back().second;
    }

private:
    std::vector<std::pair<std::string, std::string>> copies_;
    std::size_t next_ = 0;
    std::size_t keptBytes_ = 0;
};

// Calls `take` with each hardware ID of the INF's first models section, in order, until it
// returns true or a line without a readable hardware ID ends the examination; whether it did.
template <typename Take>
bool AnyFirstModelsId(const InfFile& inf, Take take)
{
    InfLine line;
    FixedText<20> modelsSection;
    if (!inf.FindFirstLine("Manufacturer", nullptr, line) || !inf.GetStringField(line, 1, modelsSection) ||
        !inf.FindFirstLine(modelsSection.view(), nullptr, line))
        return false;
    do {
        char buffer[256];
        std::string_view hardwareId;
        if (!inf.GetStringView(line, 2, buffer, sizeof buffer, hardwareId))
            return false;
        if (take(hardwareId))
            return true;
    } while (inf.FindNextLine(line));
    return false;
}

// Kept IDs follow each other, each ended by a NUL: no ID holds one, since the reader gives a
// NUL in the file as a space.
bool AnyKeptIdCarriesPair(std::string_view ids, std::string_view vidText, std::string_view pidText)
{
    for (std::size_t start = 0, end = 0; (end = ids.find('\0', start)) != std::string_view::npos; start = end + 1) {
        if (CarriesPair(ids.substr(start, end - start), vidText, pidText))
            return true;
    }
    return false;
}

// With `read`, the IDs of each copy are kept there for the pairs still to come; without it, a
// copy's examination stops at its first ID that carries the pair.
int RemoveCopiesOfPair(const InfReading& reading, const SetupState& state, const char* vidText, const char* pidText,
                       CopyIds* read)
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
    for (const std::string& name : FindMatchingFiles(files, reading.codePage, pattern)) {
        const std::string path = InfCopyPath(state, name);
        if (path.empty())
            continue;
        bool lists = false;
        if (const std::string* kept = read ? read->Find(path) : nullptr) {
            lists = AnyKeptIdCarriesPair(*kept, vidText, pidText);
        } else {
            const std::unique_ptr<InfFile> inf = InfFile::Open(files, reading.codePage, path, options);
            if (!inf)
                continue;
            // Its IDs are kept for the pairs to come when they all fit.
            std::string ids;
            const auto keep = [&](std::string_view id) {
                const bool full = !read->Fits(ids.size() + id.size() + 1);
                if (!full)
                    ids.append(id).push_back('\0');
                return full;
            };
            if (read && !AnyFirstModelsId(*inf, keep))
                lists = AnyKeptIdCarriesPair(*read->Add(path, std::move(ids)), vidText, pidText);
            else
                lists = AnyFirstModelsId(*inf, [&](std::string_view id) { return CarriesPair(id, vidText, pidText); });
        }
        if (!lists)
            continue;
        DeleteClearingAttributes(files, path);
        DeleteClearingAttributes(files, PrecompiledTwin(path));
        ++matched;
    }
    return matched;
}

} // namespace

int RemoveInfCopies(const InfReading& reading, const SetupState& state, const char* vidText, const char* pidText)
{
    return RemoveCopiesOfPair(reading, state, vidText, pidText, nullptr);
}

int RemoveInfCopies(const InfReading& reading, const SetupState& state, const HardwareIdList& pairs)
{
    // Keeping the IDs costs a copy of them, which pays only when a second pair reads them again.
    CopyIds read;
    int matched = 0;
    for (const HardwareIdEntry& pair : pairs)
        matched += RemoveCopiesOfPair(reading, state, pair.VidText.c_str(), pair.PidText.c_str(),
                                      pairs.size() > 1 ? &read : nullptr);
    return matched;
}

namespace {

// The 98 family loads every port driver of its iosubsys folder at each start: ours goes with the
// driver.
bool PortDriverGoesToo(const SetupState& state)
{
    return IsWindows98Family(state.OsClass) && !state.PortDriverFileName.empty();
}

} // namespace

void DeleteDriverFile(FileSystem& files, const SetupState& state)
{
    const std::string driverPath = DriverDestination(state);
    if (!driverPath.empty())
        DeleteClearingAttributes(files, driverPath);
    if (PortDriverGoesToo(state))
        DeleteClearingAttributes(files, PortDriverDestination(state));
}

bool DriverFileRemoved(FileSystem& files, const SetupState& state)
{
    // An empty path (no driver name) finds nothing.
    return !Exists(files, DriverDestination(state)) &&
           !(PortDriverGoesToo(state) && Exists(files, PortDriverDestination(state)));
}
