// Placing the package's files under the Windows folder: the INF copy (edited), on the
// Windows 98 family the port driver and the removal of the driver database, and the driver.
#include "files/DriverPlacement.h"

#include "files/CopyFilesEdit.h"
#include "files/SearchPath.h"
#include "files/WindowsPaths.h"
#include "text/Paths.h"
#include "resource_ids.h"

namespace {

constexpr int StepPumpMilliseconds = 200;

// Clears a read-only copy an earlier install left, copies over it, and leaves the new copy
// writable and without the source's attributes.
void CopyWithAttributeClearing(FileSystem& files, const std::string& source, const std::string& destination)
{
    files.SetNormalAttributes(destination);
    files.Copy(source, destination);
    files.SetNormalAttributes(destination);
}

// The package file's path in the program folder; empty when it would not fit.
std::string SourceOf(const SetupState& state, std::string_view fileName)
{
    std::string source;
    FormatPath("%s\\%s", {state.ProgramFolder.view(), fileName}, source);
    return source;
}

} // namespace

bool DriverFilesInPlace(SetupSession& session)
{
    std::string bytes;
    for (const std::string& path : {InfCopyDestination(session.State), DriverDestination(session.State)}) {
        if (path.empty() || !session.platform.files.ReadAll(path, bytes))
            return false;
    }
    return true;
}

namespace {

void PlaceCopy(FileSystem& files, const std::string& source, const std::string& destination)
{
    if (!source.empty() && !destination.empty())
        CopyWithAttributeClearing(files, source, destination);
}

void PlaceInfCopy(SetupSession& session)
{
    const SetupState& state = session.State;
    if (IsWindows98Family(state.OsClass))
        RegisterOtherDevicePath(session);
    const std::string destination = InfCopyDestination(state);
    if (destination.empty())
        return;
    PlaceCopy(session.platform.files, SourceOf(state, state.SetupFileName.view()), destination);
    CommentOutCopyFiles(session.platform.files, destination, state.InstallSectionName.view());
}

void PlacePortDriver(SetupSession& session)
{
    const SetupState& state = session.State;
    PlaceCopy(session.platform.files, SourceOf(state, state.PortDriverFileName.view()), PortDriverDestination(state));
}

// The 98 family rebuilds its driver database from the INF folder when these are gone, so the
// new INF copy is found.
void DeleteDriverDatabase(SetupSession& session)
{
    for (const char* name : DriverDatabaseFiles) {
        std::string path;
        if (FormatPath(name, {session.State.WindowsFolder.view()}, path))
            session.platform.files.Remove(path);
    }
}

void PlaceDriver(SetupSession& session)
{
    const SetupState& state = session.State;
    PlaceCopy(session.platform.files, SourceOf(state, state.DriverFileName.view()), DriverDestination(state));
}

} // namespace

void PlaceDriverFiles(SetupSession& session, int from, int to)
{
    const bool windows98Family = IsWindows98Family(session.State.OsClass);

    session.ShowStatus(IDS_INSTALLING);
    session.SetProgressFor(from, to, 20);
    session.PumpMessages(StepPumpMilliseconds);
    PlaceInfCopy(session);
    session.SetProgressFor(from, to, 40);
    if (windows98Family) {
        session.PumpMessages(StepPumpMilliseconds);
        session.SetProgressFor(from, to, 60);
        PlacePortDriver(session);
        DeleteDriverDatabase(session);
    }
    session.PumpMessages(StepPumpMilliseconds);
    session.SetProgressFor(from, to, 80);
    PlaceDriver(session);
    session.PumpMessages(StepPumpMilliseconds);
    session.SetProgressFor(from, to, 100);
}
