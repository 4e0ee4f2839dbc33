// Device nodes through SetupAPI's ANSI calls.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include <windows.h>
#include <setupapi.h>

#include "platform/DeviceSetup.h"
#include "platform/win32/Handles.h"

// A listing is one device information set of SetupDiGetClassDevsA, kept with the record of each
// node it listed until the next listing (or the object's end), so that a node is removed through
// the set that found it. The core never sees a set or an SP_DEVINFO_DATA.
//
// setupapi.dll is loaded from the system folder by its full path when first needed: it is no
// DLL the loader always takes from there, and the program usually runs from a folder nobody
// vetted. Without it nothing is listed and nothing removed.
class Win32DeviceSetup : public DeviceSetup {
public:
    std::vector<std::string> InstanceIds(const ClassGuid& classGuid, const std::string& enumerator,
                                         DeviceNodes which) override;
    NodeRemoval RemoveDevice(const std::string& instanceId) override;

private:
    bool LoadFunctions();

    // A set with the call that destroys it, loaded beside the others.
    struct DeviceInfoSetTraits {
        struct Handle {
            HDEVINFO set = INVALID_HANDLE_VALUE;
            decltype(&SetupDiDestroyDeviceInfoList) destroy = nullptr;
            bool operator==(const Handle&) const = default;
        };
        static Handle Invalid() { return {}; }
        static void Close(Handle handle) { handle.destroy(handle.set); }
    };

    bool loaded_ = false;
    ModuleHandle library_;
    decltype(&SetupDiGetClassDevsA) getClassDevs_ = nullptr;
    decltype(&SetupDiEnumDeviceInfo) enumDeviceInfo_ = nullptr;
    decltype(&SetupDiGetDeviceInstanceIdA) getDeviceInstanceId_ = nullptr;
    decltype(&SetupDiRemoveDevice) removeDevice_ = nullptr;
    decltype(&SetupDiDestroyDeviceInfoList) destroyDeviceInfoList_ = nullptr;
    decltype(&SetupDiGetDeviceInstallParamsA) getDeviceInstallParams_ = nullptr; // may be missing
    // Declared after library_, so the set is destroyed while setupapi.dll is still loaded.
    UniqueHandle<DeviceInfoSetTraits> listed_;
    std::vector<std::pair<std::string, SP_DEVINFO_DATA>> listedNodes_;
};
