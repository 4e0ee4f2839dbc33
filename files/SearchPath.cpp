// The other-device search path of the Windows 98 family.
#include "files/SearchPath.h"

#include "files/WindowsPaths.h"

namespace {
constexpr const char* CurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* OtherDevicePathValue = "OtherDevicePath";
constexpr long BufferOverflowStatus = 111; // ERROR_BUFFER_OVERFLOW: the folder path would not fit
} // namespace

long RegisterOtherDevicePath(FileSystem& files, Registry& registry, const SetupState& state)
{
    const std::string folder = OtherDeviceFolder(state);
    if (folder.empty())
        return BufferOverflowStatus;
    files.MakeDirectory(folder);

    RegistryKey key;
    const long opened = registry.OpenMachineKey(CurrentVersionKey, SearchPathKeyAccess, key);
    if (opened != RegistrySuccess)
        return opened;
    registry.SetStringValue(key, OtherDevicePathValue, folder);
    return registry.CloseKey(key);
}
