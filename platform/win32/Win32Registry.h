// One string value under HKEY_LOCAL_MACHINE through Windows' ANSI registry calls.
#pragma once
#include "platform/Registry.h"

class Win32Registry : public Registry {
public:
    bool SetMachineString(const std::string& keyPath, const std::string& valueName, const std::string& text) override;
};
