// Recovery of an interrupted run: a run cut off between hiding and restoring (power loss, a
// program ended by the user) leaves the system's files under our backup names, and only a later
// run of ours can find them again.
#include "files/Recovery.h"

#include "files/CopyFilesEdit.h"
#include "files/FileSteps.h"
#include "files/SystemFileHiding.h"
#include "files/WindowsPaths.h"

void RecoverInterruptedRun(RunContext& run, FileSystem& files)
{
    RetryWhileRefused(run, [&] { return RestoreUsbStorageInf(files, run.State); });
    RetryWhileRefused(run, [&] { return RestoreDriverDatabase(files, run.State); });
    RecoverCopyFilesEdit(files, InfCopyDestination(run.State));
}
