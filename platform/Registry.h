// The registry as the core relies on it: one key under HKEY_LOCAL_MACHINE, one string value.
#pragma once
#include <cstdint>
#include <string>

using RegistryKey = std::uintptr_t;

// Status codes are the platform's own (ERROR_SUCCESS is 0).
constexpr long RegistrySuccess = 0;

class Registry {
public:
    virtual ~Registry() = default;

    // Opens an existing key under HKEY_LOCAL_MACHINE (RegOpenKeyExA); never creates one.
    virtual long OpenMachineKey(const std::string& subKey, std::uint32_t access, RegistryKey& key) = 0;
    // Writes a REG_SZ value: the text and its terminator, nothing after it (RegSetValueExA).
    virtual long SetStringValue(RegistryKey key, const std::string& name, const std::string& value) = 0;
    virtual long CloseKey(RegistryKey key) = 0;
};
