// The registry as the core relies on it: one string value under HKEY_LOCAL_MACHINE.
#pragma once
#include <string>

class Registry {
public:
    virtual ~Registry() = default;

    // Writes a string value under an existing key of HKEY_LOCAL_MACHINE; the key is never
    // created. False when the key could not be opened or the value not written.
    virtual bool SetMachineString(const std::string& keyPath, const std::string& valueName,
                                  const std::string& text) = 0;
};
