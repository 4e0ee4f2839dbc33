// Device-installation sets through SetupAPI's ANSI calls.
#pragma once
#include <map>

#include <windows.h>
#include <setupapi.h>

#include "platform/DeviceSetup.h"
#include "platform/win32/Handles.h"

// A DeviceSet is the HDEVINFO itself. The object owns every set it handed out until
// DestroyDeviceSet (or its own end), and keeps the record of each node it enumerated, so the
// core never sees an SP_DEVINFO_DATA.
//
// setupapi.dll is loaded from the system folder by its full path when first needed: it is no
// DLL the loader always takes from there, and the program usually runs from a folder nobody
// vetted. Without it every call fails.
class Win32DeviceSetup : public DeviceSetup {
public:
    ~Win32DeviceSetup() override;

    bool GetClassDevices(const ClassGuid& classGuid, const std::string& enumerator, std::uint32_t flags,
                         DeviceSet& set) override;
    bool EnumDevice(DeviceSet set, std::uint32_t index) override;
    bool GetInstanceId(DeviceSet set, std::uint32_t index, std::string& instanceId) override;
    bool RemoveDevice(DeviceSet set, std::uint32_t index) override;
    void DestroyDeviceSet(DeviceSet set) override;

private:
    // The record of the node at an index, enumerated now if it was not before; null past the end.
    SP_DEVINFO_DATA* Record(DeviceSet set, std::uint32_t index);
    bool LoadFunctions();

    bool loaded_ = false;
    ModuleHandle library_;
    decltype(&SetupDiGetClassDevsA) getClassDevs_ = nullptr;
    decltype(&SetupDiEnumDeviceInfo) enumDeviceInfo_ = nullptr;
    decltype(&SetupDiGetDeviceInstanceIdA) getDeviceInstanceId_ = nullptr;
    decltype(&SetupDiRemoveDevice) removeDevice_ = nullptr;
    decltype(&SetupDiDestroyDeviceInfoList) destroyDeviceInfoList_ = nullptr;
    std::map<DeviceSet, std::map<std::uint32_t, SP_DEVINFO_DATA>> sets_;
};
