// What the program asks of the system at start, through Windows' ANSI calls.
#pragma once
#include "platform/SystemInfo.h"

class Win32SystemInfo : public SystemInfo {
public:
    bool QueryVersion(SystemVersion& version) override;
    std::string WindowsFolder() override;
    std::string ModuleFileName() override;
    std::string ShortPath(const std::string& path) override;
    std::uint16_t UserLanguage() override;
};
