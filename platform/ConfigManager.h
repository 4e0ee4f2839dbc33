// The configuration manager as the core relies on it: the device tree looked over again.
#pragma once

class ConfigManager {
public:
    virtual ~ConfigManager() = default;

    // Re-enumerates the device tree from its root, so that the system finds a device that was
    // plugged in and installs it; false when the tree could not be re-enumerated.
    virtual bool ReenumerateDeviceTree() = 0;
};
