// Device nodes as the core relies on them: the nodes of a setup class from one enumerator, and
// their removal.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A device setup class GUID, laid out as the platform lays out a GUID.
struct ClassGuid {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

// Which nodes a listing gives.
enum class DeviceNodes {
    All,      // attached or not
    Attached, // only those of devices attached now
};

// What became of a node the system was asked to remove.
enum class NodeRemoval {
    Removed,
    AtRestart, // the device is in use and runs on until the system restarts
    Refused,
};

class DeviceSetup {
public:
    virtual ~DeviceSetup() = default;

    // The instance IDs of the nodes of the class from the enumerator, in the system's order. A
    // node whose ID cannot be read is left out; empty when the system lists none.
    virtual std::vector<std::string> InstanceIds(const ClassGuid& classGuid, const std::string& enumerator,
                                                 DeviceNodes which) = 0;
    // Removes from the system the node of that ID, as the latest listing found it.
    virtual NodeRemoval RemoveDevice(const std::string& instanceId) = 0;
};
