// What the program asks of the system at start: version, folders, the user's language.
#pragma once
#include <cstdint>
#include <string>

// The basic version record (OSVERSIONINFOA) as far as the core reads it.
struct SystemVersion {
    std::uint32_t Major = 0;
    std::uint32_t Minor = 0;
    std::uint32_t Build = 0;
    std::uint32_t PlatformId = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // GetVersionExA with the basic record; false when the query fails.
    virtual bool QueryVersion(SystemVersion& version) = 0;
    // GetWindowsDirectoryA with a buffer of 260; empty when it fails or does not fit.
    virtual std::string WindowsFolder() = 0;
    // GetModuleFileNameA of the program itself with a buffer of 260; empty when it fails. Where
    // that path has lost letters the ANSI code page lacks, the path's short form instead.
    virtual std::string ModuleFileName() = 0;
    // GetShortPathNameA with a buffer of 260: the short form of an existing path; empty when it
    // fails or does not fit.
    virtual std::string ShortPath(const std::string& path) = 0;
    // The user's language (LANGID), used to pick a localized [Strings.LLLL] section.
    virtual std::uint16_t UserLanguage() = 0;
};
