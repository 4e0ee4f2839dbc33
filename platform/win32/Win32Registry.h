// Keys under HKEY_LOCAL_MACHINE through Windows' ANSI registry calls.
#pragma once
#include "platform/Registry.h"

// The caller owns every key it opens and closes it through CloseKey; the statuses are the
// registry calls' own.
class Win32Registry : public Registry {
public:
    long OpenMachineKey(const std::string& subKey, std::uint32_t access, RegistryKey& key) override;
    long SetStringValue(RegistryKey key, const std::string& name, const std::string& value) override;
    long CloseKey(RegistryKey key) override;
};
