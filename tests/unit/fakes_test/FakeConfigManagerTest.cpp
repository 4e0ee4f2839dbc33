// The fake configuration manager re-enumerates only the node it handed out.
#include <gtest/gtest.h>

#include "fakes/FakeConfigManager.h"

TEST(FakeConfigManagerTest, OnlyTheLocatedRootIsReenumerated)
{
    FakeConfigManager configManager;
    int newHardware = 0;
    configManager.onReenumerate = [&] { ++newHardware; };

    DeviceNode node = 0;
    ASSERT_EQ(configManager.LocateRootNode(node), ConfigSuccess);
    EXPECT_EQ(configManager.ReenumerateNode(node + 1, 0), FakeConfigManager::InvalidNode);
    EXPECT_EQ(configManager.ReenumerateNode(node, 0), ConfigSuccess);

    EXPECT_EQ(newHardware, 1);
    EXPECT_EQ(configManager.log, (std::vector<std::string>{"locate", "reenumerate 2 0", "reenumerate 1 0"}));
}

TEST(FakeConfigManagerTest, FailedLocateLeavesTheNodeAlone)
{
    FakeConfigManager configManager;
    configManager.locateResult = FakeConfigManager::Failure;

    DeviceNode node = 77;
    EXPECT_EQ(configManager.LocateRootNode(node), FakeConfigManager::Failure);
    EXPECT_EQ(node, 77u);
}
