// Placing the package's files under the Windows folder: the INF copy (edited), on the
// Windows 98 family the port driver and the removal of the driver database, and the driver.
#include "files/DriverPlacement.h"

#include "files/CopyFilesEdit.h"
#include "files/SearchPath.h"
#include "files/WindowsPaths.h"
#include "files/FileSteps.h"
#include "text/Paths.h"

namespace {

// Clears a read-only copy an earlier install left, copies over it, and leaves the new copy
// writable and without the source's attributes. False when the copy failed.
bool CopyWithAttributeClearing(FileSystem& files, const std::string& source, const std::string& destination)
{
    files.SetNormalAttributes(destination);
    const bool copied = files.Copy(source, destination);
    files.SetNormalAttributes(destination);
    return copied;
}

// The package file's path in the program folder; empty when it would not fit.
std::string SourceOf(const SetupState& state, std::string_view fileName)
{
    std::string source;
    FormatPath("%s\\%s", {state.ProgramFolder.view(), fileName}, source);
    return source;
}

bool PlaceCopy(FileSystem& files, const std::string& source, const std::string& destination)
{
    return !source.empty() && !destination.empty() && CopyWithAttributeClearing(files, source, destination);
}

void PlaceInfCopy(RunContext& run, FileSystem& files, TextCodePage& codePage, Registry& registry)
{
    const SetupState& state = run.State;
    if (IsWindows98Family(state.OsClass))
        RegisterOtherDevicePath(files, registry, state);
    const std::string destination = InfCopyDestination(state);
    // Under such a name a file that survived the removal (which deleted every copy that lists
    // one of the pairs) is another package's INF, which the system installed there: it stays,
    // and the placement check says that the copy is not in place.
    if (destination.empty() || (InfCopyTakesSystemName(state) && StandsThere(files, destination)))
        return;
    // Whatever stands there when the copy failed (the package's drive gone) survived the removal
    // as another package's INF, and is not edited.
    if (!PlaceCopy(files, SourceOf(state, state.SetupFileName.view()), destination))
        return;
    // Left unedited, the copy would have the system ask for the driver files as it installs the
    // device; a scanner reading the copy just placed refuses the edit's renames for a moment.
    RetryWhileRefused(
        run, [&] { return CommentOutCopyFiles(files, codePage, destination, state.InstallSectionName.view()); });
}

void PlacePortDriver(FileSystem& files, const SetupState& state)
{
    PlaceCopy(files, SourceOf(state, state.PortDriverFileName.view()), PortDriverDestination(state));
}

// The 98 family rebuilds its driver database from the INF folder when these are gone, so the
// new INF copy is found.
void DeleteDriverDatabase(FileSystem& files, const SetupState& state)
{
    for (const char* name : DriverDatabaseFiles) {
        std::string path;
        if (FormatPath(name, {state.WindowsFolder.view()}, path))
            files.Remove(path);
    }
}

void PlaceDriver(FileSystem& files, const SetupState& state)
{
    PlaceCopy(files, SourceOf(state, state.DriverFileName.view()), DriverDestination(state));
}

} // namespace

// A copy that failed over a file an earlier install left behind (locked, or read-only for good)
// leaves that file standing: it counts only when it holds the package's bytes, the INF copy
// edited or, where the edit failed, as it was. A package file that can no longer be read is
// taken as placed when its destination can be read.
bool DriverFilesInPlace(FileSystem& files, TextCodePage& codePage, const SetupState& state)
{
    const auto holdsPackageFile = [&](std::string_view fileName, const std::string& destination, bool infCopy) {
        std::string bytes, package, edited;
        if (destination.empty() || !files.ReadAll(destination, bytes))
            return false;
        const std::string source = SourceOf(state, fileName);
        if (source.empty() || !files.ReadAll(source, package) || bytes == package)
            return true;
        return infCopy && CommentedOutCopyFiles(package, state.InstallSectionName.view(), codePage, edited) &&
               bytes == edited;
    };
    // The 98 family's storage driver is the port driver: the system copies nothing itself from
    // the edited copy, so without it the disk cannot work.
    return holdsPackageFile(state.SetupFileName.view(), InfCopyDestination(state), true) &&
           holdsPackageFile(state.DriverFileName.view(), DriverDestination(state), false) &&
           (!IsWindows98Family(state.OsClass) ||
            holdsPackageFile(state.PortDriverFileName.view(), PortDriverDestination(state), false));
}

void PlaceDriverFiles(RunContext& run, FileSystem& files, TextCodePage& codePage, Registry& registry,
                      const PhaseSpan& span)
{
    const SetupState& state = run.State;
    const bool windows98Family = IsWindows98Family(state.OsClass);

    run.StartPhase(span);
    run.SetProgressFor(span, 20);
    run.PumpMessages(StepPumpMilliseconds);
    PlaceInfCopy(run, files, codePage, registry);
    run.SetProgressFor(span, 40);
    if (windows98Family) {
        run.PumpMessages(StepPumpMilliseconds);
        run.SetProgressFor(span, 60);
        PlacePortDriver(files, state);
        DeleteDriverDatabase(files, state);
    }
    run.PumpMessages(StepPumpMilliseconds);
    run.SetProgressFor(span, 80);
    PlaceDriver(files, state);
    run.PumpMessages(StepPumpMilliseconds);
    run.SetProgressFor(span, 100);
}
