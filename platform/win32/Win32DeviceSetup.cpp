// Device-installation sets through SetupAPI's ANSI calls.
#include "platform/win32/Win32DeviceSetup.h"

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
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = classGuid.Data4[i];
    return guid;
}

} // namespace

bool Win32DeviceSetup::GetClassDevices(const ClassGuid& classGuid, const std::string& enumerator,
                                       std::uint32_t flags, DeviceSet& set)
{
    GUID guid = ToGuid(classGuid);
    DeviceInfoSet handle(
        SetupDiGetClassDevsA(&guid, enumerator.empty() ? nullptr : enumerator.c_str(), nullptr, flags));
    if (!handle)
        return false;
    set = reinterpret_cast<DeviceSet>(handle.Get());
    sets_[set] = OpenSet{std::move(handle), {}};
    return true;
}

SP_DEVINFO_DATA* Win32DeviceSetup::Record(DeviceSet set, std::uint32_t index)
{
    auto open = sets_.find(set);
    if (open == sets_.end())
        return nullptr;
    auto known = open->second.records.find(index);
    if (known != open->second.records.end())
        return &known->second;

    SP_DEVINFO_DATA record{};
    record.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!SetupDiEnumDeviceInfo(open->second.handle.Get(), index, &record))
        return nullptr;
    return &open->second.records.emplace(index, record).first->second;
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
    if (!SetupDiGetDeviceInstanceIdA(reinterpret_cast<HDEVINFO>(set), record, buffer, InstanceIdBufferSize,
                                     &requiredSize))
        return false;
    buffer[InstanceIdBufferSize - 1] = '\0';
    instanceId = buffer;
    return true;
}

bool Win32DeviceSetup::RemoveDevice(DeviceSet set, std::uint32_t index)
{
    SP_DEVINFO_DATA* record = Record(set, index);
    return record != nullptr && SetupDiRemoveDevice(reinterpret_cast<HDEVINFO>(set), record) != FALSE;
}

void Win32DeviceSetup::DestroyDeviceSet(DeviceSet set)
{
    sets_.erase(set);
}
