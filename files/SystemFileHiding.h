// Hiding the system's own matching data under backup names while a device is started, and
// putting it back: the USB storage INF on Windows XP, the driver database on the 98 family.
#pragma once
#include "platform/FileSystem.h"
#include "records/SetupState.h"

void HideUsbStorageInf(FileSystem& files, const SetupState& state);
void RestoreUsbStorageInf(FileSystem& files, const SetupState& state);
void HideDriverDatabase(FileSystem& files, const SetupState& state);
void RestoreDriverDatabase(FileSystem& files, const SetupState& state);
