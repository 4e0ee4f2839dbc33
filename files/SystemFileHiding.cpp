// Hiding the system's own matching data under backup names, and putting it back.
//
// Everything the operations know is on disk, so a backup an interrupted run left behind is
// found by the next run. Each step's failure is ignored on its own: no attribute is cleared,
// and a rename never replaces a file.
#include "files/SystemFileHiding.h"

#include "package/Paths.h"

namespace {

struct HiddenFile {
    const char* systemName;
    const char* backupName;
};

constexpr HiddenFile UsbStorageInf[] = {
    {"%s\\INF\\USBSTOR.INF", "%s\\INF\\USBSTOR.IQ7"},
    {"%s\\INF\\USBSTOR.PNF", "%s\\INF\\USBSTOR.PQ7"},
};
constexpr HiddenFile DriverDatabase[] = {
    {"%s\\INF\\DRVIDX.BIN", "%s\\INF\\DRVIDX.Q7"},
    {"%s\\INF\\DRVDATA.BIN", "%s\\INF\\DRVDATA.Q7"},
};

struct HiddenPaths {
    std::string system;
    std::string backup;
};

// Both paths of a pair, or nothing when the Windows folder makes one too long.
bool PathsOf(const SetupSession& session, const HiddenFile& file, HiddenPaths& paths)
{
    const std::string_view windows = session.State.WindowsFolder.view();
    return FormatPath(file.systemName, {windows}, paths.system) && FormatPath(file.backupName, {windows}, paths.backup);
}

// Clears the backup names, then moves each system file onto its backup name.
template <std::size_t Count>
void Hide(SetupSession& session, const HiddenFile (&files)[Count])
{
    FileSystem& fileSystem = session.platform.files;
    HiddenPaths paths[Count];
    bool usable[Count];
    for (std::size_t i = 0; i < Count; ++i)
        usable[i] = PathsOf(session, files[i], paths[i]);
    for (std::size_t i = 0; i < Count; ++i) {
        if (usable[i])
            fileSystem.Remove(paths[i].backup);
    }
    for (std::size_t i = 0; i < Count; ++i) {
        if (usable[i])
            fileSystem.Move(paths[i].system, paths[i].backup);
    }
}

// Moves each backup back where the system name is free, then discards the backups. A backup
// is discarded only when a file stands under the system name: a rename that failed for any
// other reason must not cost the system its only copy.
template <std::size_t Count>
void Restore(SetupSession& session, const HiddenFile (&files)[Count])
{
    FileSystem& fileSystem = session.platform.files;
    HiddenPaths paths[Count];
    bool usable[Count];
    for (std::size_t i = 0; i < Count; ++i)
        usable[i] = PathsOf(session, files[i], paths[i]);
    for (std::size_t i = 0; i < Count; ++i) {
        if (usable[i])
            fileSystem.Move(paths[i].backup, paths[i].system);
    }
    for (std::size_t i = 0; i < Count; ++i) {
        if (usable[i] && !fileSystem.FindFiles(paths[i].system).empty())
            fileSystem.Remove(paths[i].backup);
    }
}

bool OnWindowsXp(const SetupSession& session)
{
    return session.State.OsClass == OsClass::WindowsXp;
}

bool On98Family(const SetupSession& session)
{
    return IsWindows98Family(session.State.OsClass);
}

} // namespace

void HideUsbStorageInf(SetupSession& session)
{
    if (OnWindowsXp(session))
        Hide(session, UsbStorageInf);
}

void RestoreUsbStorageInf(SetupSession& session)
{
    if (OnWindowsXp(session))
        Restore(session, UsbStorageInf);
}

void HideDriverDatabase(SetupSession& session)
{
    if (On98Family(session))
        Hide(session, DriverDatabase);
}

void RestoreDriverDatabase(SetupSession& session)
{
    if (On98Family(session))
        Restore(session, DriverDatabase);
}
