// Waiting through Windows' Sleep (the thread's messages wait too), time through GetTickCount.
#include "platform/win32/Win32Clock.h"

#include "platform/win32/Handles.h"

void Win32Clock::Sleep(int milliseconds)
{
    ::Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

std::uint32_t Win32Clock::Milliseconds()
{
    return GetTickCount();
}
