// Keys under HKEY_LOCAL_MACHINE through Windows' ANSI registry calls.
#include "platform/win32/Win32Registry.h"

#include "platform/win32/Handles.h"

namespace {

HKEY ToKey(RegistryKey key)
{
    return reinterpret_cast<HKEY>(key);
}

} // namespace

long Win32Registry::OpenMachineKey(const std::string& subKey, std::uint32_t access, RegistryKey& key)
{
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, access, &opened);
    if (status == ERROR_SUCCESS)
        key = reinterpret_cast<RegistryKey>(opened);
    return status;
}

long Win32Registry::SetStringValue(RegistryKey key, const std::string& name, const std::string& value)
{
    if (value.size() >= MAXDWORD)
        return ERROR_INVALID_PARAMETER;
    // REG_SZ data is the text with its terminator and nothing after it.
    return RegSetValueExA(ToKey(key), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
}

long Win32Registry::CloseKey(RegistryKey key)
{
    return RegCloseKey(ToKey(key));
}
