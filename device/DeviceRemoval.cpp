// The device nodes that carry one of the package's VID/PID pairs: their removal, and whether the
// disk is attached.
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

// One pass: every node of the class from the enumerator, attached or not, whose instance ID
// carries one of the pairs is removed once; the number of successful removals.
int RemoveDevicesOfClass(DeviceSetup& devices, const HardwareIdList& hardwareIds, const ClassGuid& classGuid,
                         const std::string& enumerator)
{
    int removed = 0;
    for (const std::string& instanceId : devices.InstanceIds(classGuid, enumerator, DeviceNodes::All)) {
        if (CarriesAnyPair(instanceId, hardwareIds) && devices.RemoveDevice(instanceId))
            ++removed;
    }
    return removed;
}

} // namespace

int RemoveMatchingDevices(DeviceSetup& devices, const HardwareIdList& hardwareIds)
{
    int removed = 0;
    for (const RemovalPass& pass : RemovalPasses)
        removed += RemoveDevicesOfClass(devices, hardwareIds, pass.classGuid, pass.enumerator);
    return removed;
}

bool DiskAttached(DeviceSetup& devices, const HardwareIdList& hardwareIds)
{
    const RemovalPass& usbDevice = RemovalPasses[0];
    for (const std::string& instanceId :
         devices.InstanceIds(usbDevice.classGuid, usbDevice.enumerator, DeviceNodes::Attached)) {
        if (CarriesAnyPair(instanceId, hardwareIds))
            return true;
    }
    return false;
}
