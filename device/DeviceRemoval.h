// Removal of the device nodes that carry one of the package's VID/PID pairs.
#pragma once
#include "app/SetupSession.h"

// One pass over each device class the disk appears in; the number of nodes removed.
int RemoveMatchingDevices(SetupSession& session, const HardwareIdList& hardwareIds);
