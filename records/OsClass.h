// The class of the running system.
#pragma once
#include <cstdint>

// Below Windows2000 the Windows 98 family's steps apply.
enum class OsClass : std::uint8_t {
    Unsupported = 0,
    Windows98 = 1,
    Windows98SecondEdition = 2,
    WindowsMe = 3,
    Windows2000 = 4,
    WindowsXp = 5,
};

inline bool IsWindows98Family(OsClass osClass)
{
    return osClass <= OsClass::WindowsMe;
}
