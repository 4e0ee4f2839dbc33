// The configuration manager as the core relies on it: the root node and its re-enumeration.
#pragma once
#include <cstdint>

using DeviceNode = std::uint32_t;

// CONFIGRET values are the platform's own (CR_SUCCESS is 0).
constexpr std::uint32_t ConfigSuccess = 0;

class ConfigManager {
public:
    virtual ~ConfigManager() = default;

    // CM_Locate_DevNodeA with no instance ID: the root of the device tree.
    virtual std::uint32_t LocateRootNode(DeviceNode& node) = 0;
    // CM_Reenumerate_DevNode.
    virtual std::uint32_t ReenumerateNode(DeviceNode node, std::uint32_t flags) = 0;
};
