// Recovery of an interrupted run: a run cut off between hiding and restoring (power loss, a
// program ended by the user) leaves the system's files under our backup names, and only a later
// run of ours can find them again.
#include "files/Recovery.h"

#include "files/CopyFilesEdit.h"
#include "files/FileSteps.h"
#include "files/SystemFileHiding.h"
#include "files/WindowsPaths.h"

bool RecoverInterruptedRun(RunContext& run, FileSystem& files)
{
    const bool usbStorageInf = RetryWhileRefused(run, [&] { return RestoreUsbStorageInf(files, run.State); });
    const bool driverDatabase = RetryWhileRefused(run, [&] { return RestoreDriverDatabase(files, run.State); });
    RecoverCopyFilesEdit(files, InfCopyDestination(run.State));
    return usbStorageInf && driverDatabase;
}
