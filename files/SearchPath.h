// The other-device search path of the Windows 98 family: where the system looks for the INF
// of a new device.
#pragma once
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "records/SetupState.h"

// Creates WINDOWS\INF\OTHER and records it as OtherDevicePath; false when the value was not
// written (the folder path would not fit, the key could not be opened or written).
bool RegisterOtherDevicePath(FileSystem& files, Registry& registry, const SetupState& state);
