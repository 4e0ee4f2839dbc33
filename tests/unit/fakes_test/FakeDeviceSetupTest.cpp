// The fake device sets behave as SetupAPI's: snapshots, filtered by class, enumerator and presence.
#include <gtest/gtest.h>

#include "fakes/FakeDeviceSetup.h"

namespace {

const ClassGuid UsbClass = {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const ClassGuid DiskControllerClass = {0x4D36E96A, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::vector<std::string> IdsOfSet(FakeDeviceSetup& devices, DeviceSet set)
{
    std::vector<std::string> ids;
    for (std::uint32_t index = 0; devices.EnumDevice(set, index); ++index) {
        std::string id;
        ids.push_back(devices.GetInstanceId(set, index, id) ? id : "(unreadable)");
    }
    return ids;
}

} // namespace

TEST(FakeDeviceSetupTest, SetHoldsTheClassAndEnumeratorWithOrWithoutPresence)
{
    FakeDeviceSetup devices;
    devices.AddNode(UsbClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0001").attached = false;
    devices.AddNode(DiskControllerClass, "USB", "USB\\VID_1A2B&PID_3C4D\\0002");
    devices.AddNode(UsbClass, "usb", "USB\\VID_1111&PID_2222\\0003").idUnreadable = true;
    devices.AddNode(UsbClass, "PCI", "PCI\\VEN_8086\\0004");
    // 511 characters and the terminator fill the 512-character buffer; one more does not fit.
    devices.AddNode(UsbClass, "USB", "USB\\" + std::string(507, 'X')).attached = false;
    devices.AddNode(UsbClass, "USB", "USB\\" + std::string(508, 'X')).attached = false;

    DeviceSet set = 0;
    ASSERT_TRUE(devices.GetClassDevices(UsbClass, "USB", 0, set));
    EXPECT_EQ(IdsOfSet(devices, set), (std::vector<std::string>{"USB\\VID_1A2B&PID_3C4D\\0001", "(unreadable)",
                                                                "USB\\" + std::string(507, 'X'), "(unreadable)"}));
    devices.DestroyDeviceSet(set);

    ASSERT_TRUE(devices.GetClassDevices(UsbClass, "USB", FakeDeviceSetup::PresentOnly, set));
    EXPECT_EQ(IdsOfSet(devices, set), std::vector<std::string>{"(unreadable)"});
    devices.DestroyDeviceSet(set);

    EXPECT_EQ(devices.OpenSetCount(), 0u);
    EXPECT_EQ(devices.log.front(), "get {36FC9E60-C465-11CF-8056-444553540000} USB 0");
}

TEST(FakeDeviceSetupTest, RemovalKeepsTheSetsIndexesAndEmptiesLaterSets)
{
    FakeDeviceSetup devices;
    devices.AddNode(UsbClass, "USB", "USB\\A\\1");
    devices.AddNode(UsbClass, "USB", "USB\\B\\2").removalFails = true;
    devices.AddNode(UsbClass, "USB", "USB\\C\\3");

    DeviceSet set = 0;
    ASSERT_TRUE(devices.GetClassDevices(UsbClass, "USB", 0, set));
    EXPECT_TRUE(devices.RemoveDevice(set, 0));
    EXPECT_FALSE(devices.RemoveDevice(set, 0));
    EXPECT_FALSE(devices.RemoveDevice(set, 1));
    EXPECT_EQ(IdsOfSet(devices, set), (std::vector<std::string>{"USB\\A\\1", "USB\\B\\2", "USB\\C\\3"}));
    EXPECT_TRUE(devices.RemoveDevice(set, 2));
    devices.DestroyDeviceSet(set);

    EXPECT_EQ(devices.InstanceIds(), std::vector<std::string>{"USB\\B\\2"});
}

TEST(FakeDeviceSetupTest, NodeThatComesBackIsInTheNextSetAgain)
{
    FakeDeviceSetup devices;
    devices.AddNode(UsbClass, "USB", "USB\\A\\1").comebacks = 1;

    for (bool expectBack : {true, false}) {
        DeviceSet set = 0;
        ASSERT_TRUE(devices.GetClassDevices(UsbClass, "USB", 0, set));
        EXPECT_TRUE(devices.RemoveDevice(set, 0));
        devices.DestroyDeviceSet(set);
        EXPECT_EQ(devices.NodeExists("usb\\a\\1"), expectBack);
    }
    EXPECT_EQ(devices.RemovalCount(), 2);
}
