// Removal of the device nodes that carry one of the package's VID/PID pairs.
#include "device/DeviceRemoval.h"

#include "app/Texts.h"

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

bool CarriesPair(const std::string& upperInstanceId, const HardwareIdEntry& entry)
{
    // An empty text would be found in every ID; the package reader never gives one.
    if (entry.VidText.empty() || entry.PidText.empty())
        return false;
    return upperInstanceId.find(ToUpperAscii("VID_" + entry.VidText.str())) != std::string::npos &&
           upperInstanceId.find(ToUpperAscii("PID_" + entry.PidText.str())) != std::string::npos;
}

bool CarriesAnyPair(const std::string& upperInstanceId, const HardwareIdList& hardwareIds)
{
    for (const HardwareIdEntry& entry : hardwareIds) {
        if (CarriesPair(upperInstanceId, entry))
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
        if (CarriesAnyPair(ToUpperAscii(instanceId), hardwareIds) && devices.RemoveDevice(set, index))
            ++removed;
    }
    devices.DestroyDeviceSet(set);
    return removed;
}

int RemoveMatchingDevices(SetupSession& session, const HardwareIdList& hardwareIds)
{
    int removed = 0;
    for (const RemovalPass& pass : RemovalPasses)
        removed += RemoveDevicesOfClass(session.platform.devices, hardwareIds, pass.classGuid, pass.enumerator, 0);
    return removed;
}
