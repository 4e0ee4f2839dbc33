// The device start phase of a silent install.
#include "device/DeviceStart.h"

bool StartDevicePhase(SetupSession&, int, int)
{
    return false; // nothing is started yet
}
