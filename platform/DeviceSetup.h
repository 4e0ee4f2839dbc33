// Device-installation sets as the core relies on them (SetupDi... calls).
#pragma once
#include <cstdint>
#include <string>

// A device setup class GUID, laid out as the platform lays out a GUID.
struct ClassGuid {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

using DeviceSet = std::uintptr_t;

class DeviceSetup {
public:
    virtual ~DeviceSetup() = default;

    // Every node of a class from one enumerator, attached or not (SetupDiGetClassDevsA, no
    // parent window). False when the system gives no set.
    virtual bool GetClassDevices(const ClassGuid& classGuid, const std::string& enumerator, std::uint32_t flags,
                                 DeviceSet& set) = 0;
    // The node at an index of the set (SetupDiEnumDeviceInfo); false past the last node.
    virtual bool EnumDevice(DeviceSet set, std::uint32_t index) = 0;
    // The instance ID of the node at an index, read into a buffer of 512 characters
    // (SetupDiGetDeviceInstanceIdA); false when it cannot be read or does not fit.
    virtual bool GetInstanceId(DeviceSet set, std::uint32_t index, std::string& instanceId) = 0;
    // Removes the node at an index from the system (SetupDiRemoveDevice).
    virtual bool RemoveDevice(DeviceSet set, std::uint32_t index) = 0;
    virtual void DestroyDeviceSet(DeviceSet set) = 0;
};
