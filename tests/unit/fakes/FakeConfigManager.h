// A configuration manager whose answers a test scripts, recording what was asked of it.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ConfigManager.h"

class FakeConfigManager : public ConfigManager {
public:
    static constexpr std::uint32_t Failure = 0x13;     // CR_FAILURE
    static constexpr std::uint32_t InvalidNode = 0x05; // CR_INVALID_DEVNODE

    std::uint32_t locateResult = ConfigSuccess;
    DeviceNode rootNode = 1;
    std::uint32_t reenumerateResult = ConfigSuccess;
    // Runs on each re-enumeration the fake accepts, so a test can let new hardware (a wizard)
    // appear as the system would.
    std::function<void()> onReenumerate;

    // "locate" and "reenumerate NODE FLAGS", in order.
    std::vector<std::string> log;

    std::uint32_t LocateRootNode(DeviceNode& node) override
    {
        log.push_back("locate");
        if (locateResult == ConfigSuccess)
            node = rootNode;
        return locateResult;
    }

    std::uint32_t ReenumerateNode(DeviceNode node, std::uint32_t flags) override
    {
        log.push_back("reenumerate " + std::to_string(node) + " " + std::to_string(flags));
        if (node != rootNode)
            return InvalidNode;
        if (reenumerateResult == ConfigSuccess && onReenumerate)
            onReenumerate();
        return reenumerateResult;
    }
};
