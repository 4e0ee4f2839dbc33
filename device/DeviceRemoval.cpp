// Removal of the device nodes that carry one of the package's VID/PID pairs.
#include "device/DeviceRemoval.h"

int RemoveMatchingDevices(SetupSession&, const HardwareIdList&)
{
    return 0; // no device node is looked at yet, so none is removed
}
