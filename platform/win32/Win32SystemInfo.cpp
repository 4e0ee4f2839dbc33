// What the program asks of the system at start, through Windows' ANSI calls.
#include "platform/win32/Win32SystemInfo.h"

#include "platform/win32/DynamicFunction.h"
#include "platform/win32/Handles.h"

namespace {

constexpr DWORD PathBufferSize = 260;

static_assert(sizeof(OSVERSIONINFOA) == 148, "the basic version record");

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

} // namespace

bool Win32SystemInfo::QueryVersion(SystemVersion& version)
{
    // A program run in a compatibility mode ("Windows 98 / Windows Me" on XP, say) is told the
    // chosen system's version by GetVersionExA, and would take the 98 family's folders on XP.
    // The system's own layer tells the truth on 2000 and XP; the 98 family has no such export.
    const auto rtlGetVersion =
        GetDynamicFunction<RtlGetVersionFunction>(GetModuleHandleA("ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW trueInfo{};
    trueInfo.dwOSVersionInfoSize = sizeof(trueInfo);
    if (rtlGetVersion != nullptr && rtlGetVersion(&trueInfo) == 0) {
        version.Major = trueInfo.dwMajorVersion;
        version.Minor = trueInfo.dwMinorVersion;
        version.Build = trueInfo.dwBuildNumber;
        version.PlatformId = trueInfo.dwPlatformId;
        return true;
    }
    // The basic record (148 bytes): Windows 98 refuses the larger OSVERSIONINFOEXA.
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info))
        return false;
    version.Major = info.dwMajorVersion;
    version.Minor = info.dwMinorVersion;
    version.Build = info.dwBuildNumber;
    version.PlatformId = info.dwPlatformId;
    return true;
}

std::string Win32SystemInfo::WindowsFolder()
{
    char buffer[PathBufferSize];
    // A result of the buffer's size or more is the size needed, not a length.
    UINT length = GetWindowsDirectoryA(buffer, PathBufferSize);
    if (length == 0 || length >= PathBufferSize)
        return std::string();
    return std::string(buffer, length);
}

std::string Win32SystemInfo::ModuleFileName()
{
    char buffer[PathBufferSize];
    // A path that fills the buffer was cut (and on Windows XP is not even terminated).
    DWORD length = GetModuleFileNameA(nullptr, buffer, PathBufferSize);
    if (length == 0 || length >= PathBufferSize)
        return std::string();
    return std::string(buffer, length);
}

std::uint16_t Win32SystemInfo::UserLanguage()
{
    return GetUserDefaultLangID();
}
