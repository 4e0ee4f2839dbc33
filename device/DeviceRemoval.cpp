// Removal of the device nodes that carry one of the package's VID/PID pairs.
#include "device/DeviceRemoval.h"

#include "package/HardwareIdMatch.h"

namespace {

struct RemovalPass {
    const ClassGuid& classGuid;
    const char* enumerator;
};

// The USB device itself, its storage node under the USB enumerator, and the storage node of
// the disk's own port driver.
const RemovalPass RemovalPasses[] = {
    {UsbDeviceClass, "USB"},
    {HardDiskControllerClass, "USB"},
    {HardDiskControllerClass, "UQ7STOR"},
};

bool CarriesAnyPair(const std::string& instanceId, const HardwareIdList& hardwareIds)
{
    for (const HardwareIdEntry& entry : hardwareIds) {
        if (CarriesPair(instanceId, entry.VidText.view(), entry.PidText.view()))
            return true;
    }
    return false;
}

} // namespace

int RemoveDevicesOfClass(DeviceSetup& devices, const HardwareIdList& hardwareIds, const ClassGuid& classGuid,
                         const std::string& enumerator, std::uint32_t flags)
{
    DeviceSet set;
    if (!devices.GetClassDevices(classGuid, enumerator, flags, set))
        return 0;
    int removed = 0;
    for (std::uint32_t index = 0; devices.EnumDevice(set, index); ++index) {
        std::string instanceId;
        if (!devices.GetInstanceId(set, index, instanceId))
            continue;
        if (CarriesAnyPair(instanceId, hardwareIds) && devices.RemoveDevice(set, index))
            ++removed;
    }
    devices.DestroyDeviceSet(set);
    return removed;
}

int RemoveMatchingDevices(DeviceSetup& devices, const HardwareIdList& hardwareIds)
{
    int removed = 0;
    for (const RemovalPass& pass : RemovalPasses)
        removed += RemoveDevicesOfClass(devices, hardwareIds, pass.classGuid, pass.enumerator, 0);
    return removed;
}
