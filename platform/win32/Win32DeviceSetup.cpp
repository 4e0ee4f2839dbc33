// Device-installation sets through SetupAPI's ANSI calls, loaded from the system folder.
#include "platform/win32/Win32DeviceSetup.h"

#include "platform/win32/DynamicFunction.h"

namespace {

// Instance IDs are read into a buffer of this many characters, terminator included.
constexpr DWORD InstanceIdBufferSize = 512;

static_assert(sizeof(SP_DEVINFO_DATA) == (sizeof(void*) == 4 ? 28 : 32), "the record SetupAPI checks by size");

GUID ToGuid(const ClassGuid& classGuid)
{
    GUID guid;
    guid.Data1 = classGuid.Data1;
    guid.Data2 = classGuid.Data2;
    guid.Data3 = classGuid.Data3;
    for (int i = 0; i < 8; ++i) guid.Data4[i] = classGuid.Data4[i];
    return guid;
}

HDEVINFO HandleOf(DeviceSet set)
{
    return reinterpret_cast<HDEVINFO>(set);
}

} // namespace

Win32DeviceSetup::~Win32DeviceSetup()
{
    for (const auto& open : sets_) destroyDeviceInfoList_(HandleOf(open.first));
}

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
    }
    return getClassDevs_ && enumDeviceInfo_ && getDeviceInstanceId_ && removeDevice_ && destroyDeviceInfoList_;
}

bool Win32DeviceSetup::GetClassDevices(const ClassGuid& classGuid, const std::string& enumerator, std::uint32_t flags,
                                       DeviceSet& set)
{
    if (!LoadFunctions())
        return false;
    GUID guid = ToGuid(classGuid);
    HDEVINFO handle = getClassDevs_(&guid, enumerator.empty() ? nullptr : enumerator.c_str(), nullptr, flags);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    set = reinterpret_cast<DeviceSet>(handle);
    sets_[set].clear();
    return true;
}

SP_DEVINFO_DATA* Win32DeviceSetup::Record(DeviceSet set, std::uint32_t index)
{
    auto open = sets_.find(set);
    if (open == sets_.end())
        return nullptr;
    auto known = open->second.find(index);
    if (known != open->second.end())
        return &known->second;

    SP_DEVINFO_DATA record{};
    record.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!enumDeviceInfo_(HandleOf(set), index, &record))
        return nullptr;
    return &open->second.emplace(index, record).first->second;
}

bool Win32DeviceSetup::EnumDevice(DeviceSet set, std::uint32_t index)
{
    return Record(set, index) != nullptr;
}

bool Win32DeviceSetup::GetInstanceId(DeviceSet set, std::uint32_t index, std::string& instanceId)
{
    SP_DEVINFO_DATA* record = Record(set, index);
    if (record == nullptr)
        return false;
    char buffer[InstanceIdBufferSize];
    DWORD requiredSize = 0;
    if (!getDeviceInstanceId_(HandleOf(set), record, buffer, InstanceIdBufferSize, &requiredSize))
        return false;
    buffer[InstanceIdBufferSize - 1] = '\0';
    instanceId = buffer;
    return true;
}

bool Win32DeviceSetup::RemoveDevice(DeviceSet set, std::uint32_t index)
{
    SP_DEVINFO_DATA* record = Record(set, index);
    return record != nullptr && removeDevice_(HandleOf(set), record) != FALSE;
}

void Win32DeviceSetup::DestroyDeviceSet(DeviceSet set)
{
    if (sets_.erase(set) != 0)
        destroyDeviceInfoList_(HandleOf(set));
}
