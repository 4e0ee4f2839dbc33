// Device nodes through SetupAPI's ANSI calls, loaded from the system folder.
#include "platform/win32/Win32DeviceSetup.h"

#include "platform/win32/DynamicFunction.h"

namespace {

// Instance IDs are read into a buffer of this many characters, terminator included.
constexpr DWORD InstanceIdBufferSize = 512;

static_assert(sizeof(SP_DEVINFO_DATA) == (sizeof(void*) == 4 ? 28 : 32), "the record SetupAPI checks by size");
static_assert(sizeof(SP_DEVINSTALL_PARAMS_A) == (sizeof(void*) == 4 ? 296 : 320), "the record SetupAPI checks by size");

GUID ToGuid(const ClassGuid& classGuid)
{
    GUID guid;
    guid.Data1 = classGuid.Data1;
    guid.Data2 = classGuid.Data2;
    guid.Data3 = classGuid.Data3;
    for (int i = 0; i < 8; ++i) guid.Data4[i] = classGuid.Data4[i];
    return guid;
}

} // namespace

bool Win32DeviceSetup::LoadFunctions()
{
    if (!loaded_) {
        loaded_ = true;
        library_ = LoadSystemLibrary("setupapi.dll");
        HMODULE module = library_.Get();
        getClassDevs_ = GET_DYNAMIC_FUNCTION(module, SetupDiGetClassDevsA);
        enumDeviceInfo_ = GET_DYNAMIC_FUNCTION(module, SetupDiEnumDeviceInfo);
        getDeviceInstanceId_ = GET_DYNAMIC_FUNCTION(module, SetupDiGetDeviceInstanceIdA);
        removeDevice_ = GET_DYNAMIC_FUNCTION(module, SetupDiRemoveDevice);
        destroyDeviceInfoList_ = GET_DYNAMIC_FUNCTION(module, SetupDiDestroyDeviceInfoList);
        getDeviceInstallParams_ = GET_DYNAMIC_FUNCTION(module, SetupDiGetDeviceInstallParamsA);
    }
    return getClassDevs_ && enumDeviceInfo_ && getDeviceInstanceId_ && removeDevice_ && destroyDeviceInfoList_;
}

std::vector<std::string> Win32DeviceSetup::InstanceIds(const ClassGuid& classGuid, const std::string& enumerator,
                                                       DeviceNodes which)
{
    // The earlier listing's set is destroyed before the system is asked for the next one.
    listedNodes_.clear();
    listed_.Reset();
    std::vector<std::string> ids;
    if (!LoadFunctions())
        return ids;
    GUID guid = ToGuid(classGuid);
    // Without DIGCF_PRESENT every node of the class, attached or not.
    const DWORD flags = which == DeviceNodes::Attached ? DIGCF_PRESENT : 0;
    HDEVINFO set = getClassDevs_(&guid, enumerator.empty() ? nullptr : enumerator.c_str(), nullptr, flags);
    if (set == INVALID_HANDLE_VALUE)
        return ids;
    listed_.Reset({set, destroyDeviceInfoList_});

    SP_DEVINFO_DATA record{};
    record.cbSize = sizeof(SP_DEVINFO_DATA);
    for (DWORD index = 0; enumDeviceInfo_(set, index, &record); ++index) {
        char buffer[InstanceIdBufferSize];
        DWORD requiredSize = 0;
        if (!getDeviceInstanceId_(set, &record, buffer, InstanceIdBufferSize, &requiredSize))
            continue;
        buffer[InstanceIdBufferSize - 1] = '\0';
        listedNodes_.emplace_back(buffer, record);
        ids.emplace_back(buffer);
    }
    return ids;
}

NodeRemoval Win32DeviceSetup::RemoveDevice(const std::string& instanceId)
{
    for (auto& [id, record] : listedNodes_) {
        if (id != instanceId)
            continue;
        const HDEVINFO set = listed_.Get().set;
        if (!removeDevice_(set, &record))
            return NodeRemoval::Refused;
        // A device in use that cannot be stopped is removed only when the system restarts: the
        // call succeeds and marks the node so, and the device runs on meanwhile.
        SP_DEVINSTALL_PARAMS_A params{};
        params.cbSize = sizeof params;
        if (getDeviceInstallParams_ && getDeviceInstallParams_(set, &record, &params) &&
            (params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT)) != 0)
            return NodeRemoval::AtRestart;
        return NodeRemoval::Removed;
    }
    return NodeRemoval::Refused;
}
