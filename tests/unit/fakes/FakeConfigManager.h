// A configuration manager whose re-enumeration a test can make fail, or use to let new hardware
// (a wizard) appear as the system would.
#pragma once
#include <functional>

#include "fakes/FaultInjection.h"
#include "platform/ConfigManager.h"

class FakeConfigManager : public ConfigManager {
public:
    enum class Operation { ReenumerateDeviceTree };

    FaultInjection<Operation> faults;
    // Runs on each re-enumeration that works.
    std::function<void()> onReenumerate;

    bool ReenumerateDeviceTree() override
    {
        if (faults.CallFails(Operation::ReenumerateDeviceTree))
            return false;
        if (onReenumerate)
            onReenumerate();
        return true;
    }
};
