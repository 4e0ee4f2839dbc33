// One string value under HKEY_LOCAL_MACHINE through Windows' ANSI registry calls.
#include "platform/win32/Win32Registry.h"

#include "platform/win32/Handles.h"

namespace {

// The rights asked for the key: those the value has always been written with.
constexpr REGSAM KeyAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

} // namespace

bool Win32Registry::SetMachineString(const std::string& keyPath, const std::string& valueName, const std::string& text)
{
    if (text.size() >= MAXDWORD)
        return false;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KeyAccess, &opened) != ERROR_SUCCESS)
        return false;
    const RegistryKeyHandle key(opened);
    // REG_SZ data is the text with its terminator and nothing after it.
    return RegSetValueExA(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}
