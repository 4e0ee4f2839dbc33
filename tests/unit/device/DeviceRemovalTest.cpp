// Removal of the disk's device nodes: the three passes, the matching, and the failures.
#include <gtest/gtest.h>

#include "device/DeviceRemoval.h"
#include "fakes/TestPlatform.h"

namespace {

using Ids = std::vector<std::string>;
constexpr ClassGuid OtherClass = {0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

class DeviceRemovalTest : public ::testing::Test, public TestPlatform {
protected:
    SetupSession session{platform};

    void AddPair(const char* vid, const char* pid)
    {
        HardwareIdEntry entry;
        entry.VidText.Assign(vid);
        entry.PidText.Assign(pid);
        session.State.HardwareIds.Append(entry);
    }
    DeviceRemovalPass last;
    int RemoveOnce()
    {
        last = RemoveMatchingDevices(devices, session.State.HardwareIds);
        return last.removed;
    }
};

// One pass per class and enumerator, in this order. A node carries a pair when its ID holds both
// texts of it, in any case and either order; one that two pairs match is removed and counted
// once, and a pair of texts that are no VID and PID matches nothing.
TEST_F(DeviceRemovalTest, ThreePassesRemoveTheNodesThatCarryAPair)
{
    // 9AB: three characters are no PID.
    for (const auto& [vid, pid] :
         {std::pair{"1A2B", "3C4D"}, {"1234", "abcd"}, {"5678", "9ABC"}, {"1234", "ABCD"}, {"1234", "9AB"}})
        AddPair(vid, pid);
    session.State.HardwareIds.Append(HardwareIdEntry{});
    devices.AddNode(HardDiskControllerClass, "UQ7STOR", "UQ7STOR\\VID_1A2B&PID_3C4D\\5&2");
    devices.AddNode(HardDiskControllerClass, "UQ7STOR", "UQ7STOR\\VID_1A2B&PID_FFFF\\1"); // other PID
    devices.AddNode(HardDiskControllerClass, "USB", "USB\\VID_1A2B&PID_3C4D&MI_00\\7&1");
    devices.AddNode(OtherClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0002");  // other class
    devices.AddNode(UsbDeviceClass, "PCI", "PCI\\VID_1A2B&PID_3C4D\\3"); // other enumerator
    for (const char* id :
         {"USB\\VID_1A2B&PID_3C4D\\0001", "usb\\vid_1234&pid_abcd\\0002", "USB\\PID_9ABC&VID_5678\\0003",
          "USB\\VID_1234&PID_9ABC\\0004", "USB\\VID_1234\\0005"}) // 0004: the pairs crossed
        devices.AddNode(UsbDeviceClass, "USB", id);
    EXPECT_EQ(RemoveOnce(), 5);
    EXPECT_EQ(devices.removals,
              (Ids{"USB\\VID_1A2B&PID_3C4D\\0001", "usb\\vid_1234&pid_abcd\\0002", "USB\\PID_9ABC&VID_5678\\0003",
                   "USB\\VID_1A2B&PID_3C4D&MI_00\\7&1", "UQ7STOR\\VID_1A2B&PID_3C4D\\5&2"}));
    EXPECT_EQ(devices.NodesLeft(),
              (Ids{"UQ7STOR\\VID_1A2B&PID_FFFF\\1", "USB\\VID_1A2B&PID_3C4D\\0002", "PCI\\VID_1A2B&PID_3C4D\\3",
                   "USB\\VID_1234&PID_9ABC\\0004", "USB\\VID_1234\\0005"}));
    EXPECT_EQ(RemoveOnce(), 0);
}

// Neither does a node in use, removed only at the restart. A pass says which of the two stay.
TEST_F(DeviceRemovalTest, FailuresAndRemovalsAtRestartAreSkippedAndNotCounted)
{
    AddPair("1A2B", "3C4D");
    devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0001");
    devices.AddNode(HardDiskControllerClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0003");
    devices.faults.FailCall(Op::ListNodes, 1);  // the USB pass lists nothing
    devices.faults.FailCall(Op::RemoveNode, 2); // the system refuses to remove 0001
    EXPECT_EQ(RemoveOnce(), 1);
    EXPECT_EQ(RemoveOnce(), 0); // the node that cannot be removed does not keep the phase looping
    EXPECT_EQ(devices.NodesLeft(), Ids{"USB\\VID_1A2B&PID_3C4D\\0001"});
    EXPECT_EQ(std::pair(last.refused, last.atRestart), std::pair(true, false));

    devices.AddNode(HardDiskControllerClass, "UQ7STOR", "UQ7STOR\\VID_1A2B&PID_3C4D\\2").inUse = true;
    EXPECT_EQ(RemoveOnce(), 1);
    EXPECT_EQ(std::pair(last.refused, last.atRestart), std::pair(false, true));
    EXPECT_EQ(devices.NodesLeft(), Ids{"UQ7STOR\\VID_1A2B&PID_3C4D\\2"});
}

} // namespace
