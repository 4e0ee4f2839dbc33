// Putting back what an interrupted run left hidden or half swapped.
#pragma once
#include "platform/FileSystem.h"
#include "records/RunContext.h"

// Before a job's removal phase: every system file that stands only under its backup name is
// moved back (USBSTOR.INF/.PNF on Windows XP, the driver database on the 98 family), and the
// INF copy's edit that was cut off between its renames is put back or cleared away. A rename
// back that is refused is tried again, as after a device start. False when a system file still
// stands under its backup name.
bool RecoverInterruptedRun(RunContext& run, FileSystem& files);
