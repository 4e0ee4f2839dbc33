// Hiding the system's own matching data under backup names while a device is started, and
// putting it back: the USB storage INF on Windows XP, the driver database on the 98 family.
#pragma once
#include "platform/FileSystem.h"
#include "records/RunContext.h"
#include "records/SetupState.h"

// A restore is true when no backup is left standing for a system file that is missing, which a
// rename refused for a moment leaves; trying again may then bring the file back.
void HideUsbStorageInf(FileSystem& files, const SetupState& state);
bool RestoreUsbStorageInf(FileSystem& files, const SetupState& state);
void HideDriverDatabase(FileSystem& files, const SetupState& state);
bool RestoreDriverDatabase(FileSystem& files, const SetupState& state);

// A restore, tried again for a few seconds while it is false: a rename refused for a moment (a
// virus scanner reading the backup) would leave the system without its file until our next run,
// and every other device that needs it without a driver. Whether it worked in the end.
bool RestoreRetrying(RunContext& run, FileSystem& files, bool (*restore)(FileSystem&, const SetupState&));
