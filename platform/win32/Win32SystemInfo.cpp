// What the program asks of the system at start, through Windows' ANSI calls.
#include "platform/win32/Win32SystemInfo.h"

#include "platform/win32/DynamicFunction.h"
#include "platform/win32/Handles.h"

namespace {

constexpr DWORD PathBufferSize = 260;

static_assert(sizeof(OSVERSIONINFOA) == 148, "the basic version record");

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

// A wide path in the ANSI code page, only when every character has its own counterpart there:
// empty where one would become '?' or, without WC_NO_BEST_FIT_CHARS (known from Windows 2000 on),
// a look-alike letter.
std::string ExactAnsi(const wchar_t* wide)
{
    char buffer[PathBufferSize];
    BOOL usedDefault = FALSE;
    const int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buffer, PathBufferSize, nullptr, &usedDefault);
    if (size <= 0 || usedDefault)
        return std::string();
    return std::string(buffer, static_cast<std::size_t>(size) - 1);
}

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
    const std::string path(buffer, length);

    // On 2000 and XP a folder may be named in letters the ANSI code page lacks (a desktop under a
    // Cyrillic user name on a Western system): the ANSI path holds '?' or a look-alike in their
    // place and names no folder, so the package beside the program would not be found. The short
    // form of the path serves instead where the code page shows it exactly. The 98 family names
    // every file in the code page; there the wide calls fail or are missing, and the path stands.
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto getModuleFileNameW = GET_DYNAMIC_FUNCTION(kernel, GetModuleFileNameW);
    const auto getShortPathNameW = GET_DYNAMIC_FUNCTION(kernel, GetShortPathNameW);
    if (getModuleFileNameW == nullptr || getShortPathNameW == nullptr)
        return path;
    wchar_t wide[PathBufferSize], shortWide[PathBufferSize];
    const DWORD wideLength = getModuleFileNameW(nullptr, wide, PathBufferSize);
    if (wideLength == 0 || wideLength >= PathBufferSize || ExactAnsi(wide) == path)
        return path;
    const DWORD shortLength = getShortPathNameW(wide, shortWide, PathBufferSize);
    if (shortLength == 0 || shortLength >= PathBufferSize)
        return path;
    const std::string shortPath = ExactAnsi(shortWide);
    return shortPath.empty() ? path : shortPath;
}

std::string Win32SystemInfo::ShortPath(const std::string& path)
{
    char buffer[PathBufferSize];
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, PathBufferSize);
    if (length == 0 || length >= PathBufferSize)
        return std::string();
    return std::string(buffer, length);
}

std::uint16_t Win32SystemInfo::UserLanguage()
{
    return GetUserDefaultLangID();
}
