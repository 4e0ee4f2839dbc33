// The device start phase of a silent install.
#pragma once
#include "platform/Clock.h"
#include "platform/ConfigManager.h"
#include "platform/FileSystem.h"
#include "platform/WindowSystem.h"
#include "records/RunContext.h"

// Re-enumerates the device tree with the system's own matching data hidden; true when the
// device was started (on Windows XP: when the new-hardware wizard was driven to its end).
bool StartDevicePhase(RunContext& run, FileSystem& files, ConfigManager& configManager, WindowSystem& windows,
                      Clock& clock, const PhaseSpan& span);
