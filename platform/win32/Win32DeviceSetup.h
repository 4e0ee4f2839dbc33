// Device-installation sets through SetupAPI's ANSI calls.
#pragma once
#include <map>
#include <utility>

#include "platform/DeviceSetup.h"
#include "platform/win32/Handles.h"

// A DeviceSet is the HDEVINFO itself. The object owns every set it handed out until
// DestroyDeviceSet (or its own end), and keeps the record of each node it enumerated, so the
// core never sees an SP_DEVINFO_DATA.
class Win32DeviceSetup : public DeviceSetup {
public:
    bool GetClassDevices(const ClassGuid& classGuid, const std::string& enumerator, std::uint32_t flags,
                         DeviceSet& set) override;
    bool EnumDevice(DeviceSet set, std::uint32_t index) override;
    bool GetInstanceId(DeviceSet set, std::uint32_t index, std::string& instanceId) override;
    bool RemoveDevice(DeviceSet set, std::uint32_t index) override;
    void DestroyDeviceSet(DeviceSet set) override;

private:
    struct OpenSet {
        DeviceInfoSet handle;
        std::map<std::uint32_t, SP_DEVINFO_DATA> records;
    };

    // The record of the node at an index, enumerated now if it was not before; null past the end.
    SP_DEVINFO_DATA* Record(DeviceSet set, std::uint32_t index);

    std::map<DeviceSet, OpenSet> sets_;
};
