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

// One pass: every node of the class from the enumerator, attached or not, whose instance ID
// carries one of the pairs is removed once. A node in use stays until the restart: asking again
// would not remove it sooner, so it does not count as removed.
void RemoveDevicesOfClass(DeviceSetup& devices, const PairIndex& pairs, const ClassGuid& classGuid,
                          const std::string& enumerator, DeviceRemovalPass& pass)
{
    for (const std::string& instanceId : devices.InstanceIds(classGuid, enumerator, DeviceNodes::All)) {
        if (pairs.FirstPairIn(instanceId) == PairIndex::NoPair)
            continue;
        const NodeRemoval removal = devices.RemoveDevice(instanceId);
        pass.removed += removal == NodeRemoval::Removed;
        pass.atRestart = pass.atRestart || removal == NodeRemoval::AtRestart;
        pass.refused = pass.refused || removal == NodeRemoval::Refused;
    }
}

} // namespace

DeviceRemovalPass RemoveMatchingDevices(DeviceSetup& devices, const HardwareIdList& hardwareIds)
{
    const PairIndex pairs(hardwareIds);
    DeviceRemovalPass result;
    for (const RemovalPass& pass : RemovalPasses)
        RemoveDevicesOfClass(devices, pairs, pass.classGuid, pass.enumerator, result);
    return result;
}

// Any node the removal counts as the disk's will do: the package's INF may put the disk's USB node
// in the hard-disk-controller class instead of the USB class.
bool DiskAttached(DeviceSetup& devices, const PairIndex& pairs)
{
    for (const RemovalPass& pass : RemovalPasses)
        for (const std::string& instanceId :
             devices.InstanceIds(pass.classGuid, pass.enumerator, DeviceNodes::Attached))
            if (pairs.FirstPairIn(instanceId) != PairIndex::NoPair)
                return true;
    return false;
}
