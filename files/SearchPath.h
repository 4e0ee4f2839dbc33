// The other-device search path of the Windows 98 family: where the system looks for the INF
// of a new device.
#pragma once
#include <cstdint>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "records/SetupState.h"

// Registry access asked for the key: KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY.
constexpr std::uint32_t SearchPathKeyAccess = 0x2001F;

// Creates WINDOWS\INF\OTHER and records it as OtherDevicePath. Returns the platform status:
// that of closing the key, or the error of opening it.
long RegisterOtherDevicePath(FileSystem& files, Registry& registry, const SetupState& state);
