// The device start phase of a silent install.
#pragma once
#include "app/SetupSession.h"

// Re-enumerates the device tree with the system's own matching data hidden; true when the
// device was started (on Windows XP: when the new-hardware wizard was driven to its end).
bool StartDevicePhase(SetupSession& session, int from, int to);
