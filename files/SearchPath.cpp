// The other-device search path of the Windows 98 family.
#include "files/SearchPath.h"

#include "files/WindowsPaths.h"

namespace {
constexpr const char* CurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* OtherDevicePathValue = "OtherDevicePath";
} // namespace

bool RegisterOtherDevicePath(FileSystem& files, Registry& registry, const SetupState& state)
{
    const std::string folder = OtherDeviceFolder(state);
    if (folder.empty())
        return false;
    files.MakeDirectory(folder);
    return registry.SetMachineString(CurrentVersionKey, OtherDevicePathValue, folder);
}
