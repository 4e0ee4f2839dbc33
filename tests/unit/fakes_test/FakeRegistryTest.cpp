// The fake registry answers with the registry calls' statuses and keeps what was written.
#include <gtest/gtest.h>

#include "fakes/FakeRegistry.h"

namespace {

const std::string CurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

} // namespace

TEST(FakeRegistryTest, OpeningNeverCreatesAKey)
{
    FakeRegistry registry;
    RegistryKey key = 0;

    EXPECT_EQ(registry.OpenMachineKey(CurrentVersion, 0x2001F, key), FakeRegistry::FileNotFound);
    EXPECT_FALSE(registry.KeyExists(CurrentVersion));
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST(FakeRegistryTest, StringValueKeepsItsTerminatorAndKeysBalance)
{
    FakeRegistry registry;
    registry.AddKey(CurrentVersion);
    RegistryKey key = 0;

    ASSERT_EQ(registry.OpenMachineKey("SOFTWARE\\microsoft\\Windows\\CurrentVersion", 0x2001F, key), RegistrySuccess);
    EXPECT_EQ(registry.OpenKeyCount(), 1u);
    EXPECT_EQ(registry.SetStringValue(key, "OtherDevicePath", "C:\\WINDOWS\\INF\\OTHER"), RegistrySuccess);
    EXPECT_EQ(registry.CloseKey(key), RegistrySuccess);
    EXPECT_EQ(registry.CloseKey(key), FakeRegistry::InvalidHandle);

    auto value = registry.GetValue(CurrentVersion, "otherdevicepath");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, FakeRegistry::StringType);
    EXPECT_EQ(value->bytes, std::string("C:\\WINDOWS\\INF\\OTHER\0", 21));
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
    ASSERT_EQ(registry.opens.size(), 1u);
    EXPECT_EQ(registry.opens[0].access, 0x2001Fu);
}

TEST(FakeRegistryTest, WritingNeedsTheSetValueRight)
{
    FakeRegistry registry;
    registry.AddKey(CurrentVersion);
    RegistryKey key = 0;

    ASSERT_EQ(registry.OpenMachineKey(CurrentVersion, 0x20019 /* KEY_READ */, key), RegistrySuccess);
    EXPECT_EQ(registry.SetStringValue(key, "OtherDevicePath", "x"), FakeRegistry::AccessDenied);
    EXPECT_FALSE(registry.GetValue(CurrentVersion, "OtherDevicePath").has_value());
}
