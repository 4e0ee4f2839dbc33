// Hiding the system's own matching data under backup names, and putting it back.
//
// Everything the operations know is on disk, so a backup an interrupted run left behind is
// found by the next run. Each step's failure is ignored on its own: no attribute is cleared,
// and a rename never replaces a file.
#include "files/SystemFileHiding.h"

#include <vector>

#include "files/FileSteps.h"
#include "files/WindowsPaths.h"
#include "text/Paths.h"

namespace {

struct HiddenPaths {
    std::string system;
    std::string backup;
};

// Both paths of each pair; a pair whose paths the Windows folder makes too long is left out.
template <std::size_t Count>
std::vector<HiddenPaths> PathsOf(const SetupState& state, const HiddenFile (&files)[Count])
{
    const std::string_view windows = state.WindowsFolder.view();
    std::vector<HiddenPaths> pairs;
    for (const HiddenFile& file : files) {
        HiddenPaths paths;
        if (FormatPath(file.systemName, {windows}, paths.system) &&
            FormatPath(file.backupName, {windows}, paths.backup))
            pairs.push_back(paths);
    }
    return pairs;
}

// Clears the backup names, then moves each system file onto its backup name. A backup is
// cleared only when a file stands under the system name: when an interrupted run left the
// system's file under the backup name alone, that is its only copy. False while a system file
// still stands under its own name.
bool Hide(FileSystem& files, const std::vector<HiddenPaths>& pairs)
{
    for (const HiddenPaths& pair : pairs) {
        if (Exists(files, pair.system))
            files.Remove(pair.backup);
    }
    bool hidden = true;
    for (const HiddenPaths& pair : pairs)
        hidden = (files.Move(pair.system, pair.backup) || !Exists(files, pair.system)) && hidden;
    return hidden;
}

// Moves each backup back where the system name is free, then discards the backups. A backup
// is discarded only when a file stands under the system name: a rename that failed for any
// other reason must not cost the system its only copy. False while a backup stands in for a
// missing system file.
bool Restore(FileSystem& files, const std::vector<HiddenPaths>& pairs)
{
    for (const HiddenPaths& pair : pairs) files.Move(pair.backup, pair.system);
    bool back = true;
    for (const HiddenPaths& pair : pairs) {
        if (Exists(files, pair.system))
            files.Remove(pair.backup);
        else if (Exists(files, pair.backup))
            back = false;
    }
    return back;
}

bool OnWindowsXp(const SetupState& state)
{
    return state.OsClass == OsClass::WindowsXp;
}

} // namespace

bool HideUsbStorageInf(FileSystem& files, const SetupState& state)
{
    return !OnWindowsXp(state) || Hide(files, PathsOf(state, UsbStorageInf));
}

bool RestoreUsbStorageInf(FileSystem& files, const SetupState& state)
{
    return !OnWindowsXp(state) || Restore(files, PathsOf(state, UsbStorageInf));
}

bool HideDriverDatabase(FileSystem& files, const SetupState& state)
{
    return !IsWindows98Family(state.OsClass) || Hide(files, PathsOf(state, DriverDatabase));
}

bool RestoreDriverDatabase(FileSystem& files, const SetupState& state)
{
    return !IsWindows98Family(state.OsClass) || Restore(files, PathsOf(state, DriverDatabase));
}
