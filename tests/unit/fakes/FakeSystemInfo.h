// A system whose version, folders and language a test sets.
#pragma once
#include "platform/SystemInfo.h"

class FakeSystemInfo : public SystemInfo {
public:
    bool versionQueryWorks = true;
    SystemVersion version{4, 10, 0x040A08AE, 1}; // Windows 98 Second Edition
    std::string windowsFolder = "C:\\WINDOWS";
    std::string moduleFileName = "C:\\PKG\\SETUP.EXE";
    std::uint16_t userLanguage = 0x0409;

    bool QueryVersion(SystemVersion& out) override
    {
        if (versionQueryWorks)
            out = version;
        return versionQueryWorks;
    }
    std::string WindowsFolder() override { return windowsFolder; }
    std::string ModuleFileName() override { return moduleFileName; }
    std::uint16_t UserLanguage() override { return userLanguage; }
};
