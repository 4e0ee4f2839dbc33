// Hiding the system's own matching data under backup names while a device is started, and
// putting it back: the USB storage INF on Windows XP, the driver database on the 98 family.
#pragma once
#include "platform/FileSystem.h"
#include "records/SetupState.h"

// A hide is true when no system file is left standing under its own name, and a restore when no
// backup is left standing for a system file that is missing: a rename refused for a moment leaves
// them false, and trying again (RetryWhileRefused) may then do the step.
bool HideUsbStorageInf(FileSystem& files, const SetupState& state);
bool RestoreUsbStorageInf(FileSystem& files, const SetupState& state);
bool HideDriverDatabase(FileSystem& files, const SetupState& state);
bool RestoreDriverDatabase(FileSystem& files, const SetupState& state);
