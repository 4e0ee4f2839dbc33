// The device start phase of a silent install.
#pragma once
#include "platform/Clock.h"
#include "platform/ConfigManager.h"
#include "platform/DeviceSetup.h"
#include "platform/FileSystem.h"
#include "platform/WindowSystem.h"
#include "records/RunContext.h"

// How a device start went.
struct DeviceStartOutcome {
    // On Windows XP: the new-hardware wizard was driven to its end; elsewhere: the device tree was
    // re-enumerated and the disk's node is there.
    bool started = false;
    bool restored = true; // every system file hidden meanwhile is back under its own name
};

// Re-enumerates the device tree with the system's own matching data hidden, then puts it back.
DeviceStartOutcome StartDevicePhase(RunContext& run, FileSystem& files, DeviceSetup& devices,
                                    ConfigManager& configManager, WindowSystem& windows, Clock& clock,
                                    const PhaseSpan& span);
