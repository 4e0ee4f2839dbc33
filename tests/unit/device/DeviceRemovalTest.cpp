// Removal of the disk's device nodes: the three passes, the matching, and the repetition of
// the removal phase until nothing is left.
#include <gtest/gtest.h>

#include "app/JobControl.h"
#include "device/DeviceRemoval.h"
#include "fakes/TestPlatform.h"

namespace {

constexpr ClassGuid OtherClass = {0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

class DeviceRemovalTest : public ::testing::Test {
protected:
    TestPlatform test;
    SetupSession session{test.platform};

    void AddPair(const char* vid, const char* pid)
    {
        HardwareIdEntry entry;
        entry.VidText.Assign(vid);
        entry.PidText.Assign(pid);
        session.State.HardwareIds.Append(entry);
    }
    int RemoveOnce() { return RemoveMatchingDevices(session.platform.devices, session.State.HardwareIds); }
};

TEST_F(DeviceRemovalTest, ThreePassesRemoveTheMatchingNodesOfEachClassInOrder)
{
    AddPair("1A2B", "3C4D");
    test.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0001");
    test.devices.AddNode(HardDiskControllerClass, "USB", "USB\\VID_1A2B&PID_3C4D&MI_00\\7&1");
    test.devices.AddNode(HardDiskControllerClass, "UQ7STOR", "UQ7STOR\\VID_1A2B&PID_3C4D\\5&2");
    test.devices.AddNode(OtherClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0002");                   // other class
    test.devices.AddNode(UsbDeviceClass, "PCI", "PCI\\VID_1A2B&PID_3C4D\\3");                  // other enumerator
    test.devices.AddNode(HardDiskControllerClass, "UQ7STOR", "UQ7STOR\\VID_1A2B&PID_FFFF\\1"); // other PID

    EXPECT_EQ(RemoveOnce(), 3);
    EXPECT_EQ(test.devices.NodesLeft(),
              (std::vector<std::string>{"USB\\VID_1A2B&PID_3C4D\\0002", "PCI\\VID_1A2B&PID_3C4D\\3",
                                        "UQ7STOR\\VID_1A2B&PID_FFFF\\1"}));
    EXPECT_EQ(test.devices.removals,
              (std::vector<std::string>{"USB\\VID_1A2B&PID_3C4D\\0001", "USB\\VID_1A2B&PID_3C4D&MI_00\\7&1",
                                        "UQ7STOR\\VID_1A2B&PID_3C4D\\5&2"}));
    EXPECT_EQ(RemoveOnce(), 0);
}

// A node two pairs match is removed and counted once; an empty pair matches nothing.
TEST_F(DeviceRemovalTest, MatchingIgnoresCaseAndOrderButNeedsBothTexts)
{
    AddPair("1234", "abcd");
    AddPair("5678", "9ABC");
    AddPair("1234", "ABCD");
    session.State.HardwareIds.Append(HardwareIdEntry{});
    test.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1234&PID_ABCD\\0001");
    test.devices.AddNode(UsbDeviceClass, "USB", "usb\\vid_1234&pid_abcd\\0002");
    test.devices.AddNode(UsbDeviceClass, "USB", "USB\\PID_9ABC&VID_5678\\0003");
    test.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1234&PID_9ABC\\0004"); // pairs crossed
    test.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1234\\0005");
    EXPECT_EQ(RemoveOnce(), 3);
    EXPECT_EQ(test.devices.removals.size(), 3u);
    EXPECT_EQ(test.devices.NodesLeft(),
              (std::vector<std::string>{"USB\\VID_1234&PID_9ABC\\0004", "USB\\VID_1234\\0005"}));
}

TEST_F(DeviceRemovalTest, FailuresAreSkippedAndNotCounted)
{
    AddPair("1A2B", "3C4D");
    test.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0001").removalFails = true;
    test.devices.AddNode(HardDiskControllerClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0003");
    test.devices.faults.FailCall(Op::ListNodes, 1); // the USB pass lists nothing
    EXPECT_EQ(RemoveOnce(), 1);
    EXPECT_EQ(RemoveOnce(), 0); // the node that cannot be removed does not keep the phase looping
    EXPECT_EQ(test.devices.NodesLeft(), std::vector<std::string>{"USB\\VID_1A2B&PID_3C4D\\0001"});
}

TEST_F(DeviceRemovalTest, TheRemovalPhaseRepeatsWhileNodesComeBack)
{
    SystemPhases phases;
    AddPair("1A2B", "3C4D");
    test.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0001").comebacks = 2;
    RunRemovalPhase(session, phases, {IDS_REMOVING_DEVICE, 0, 100});
    EXPECT_TRUE(test.devices.NodesLeft().empty());
    EXPECT_EQ(test.devices.removals.size(), 3u);

    test.devices.AddNode(UsbDeviceClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0002").comebacks = 1000;
    test.devices.removals.clear();
    RunRemovalPhase(session, phases, {IDS_REMOVING_DEVICE, 0, 100});
    EXPECT_EQ(test.devices.removals.size(), 16u);
}

} // namespace
