// Other programs' windows through Windows' ANSI window calls.
#include "platform/win32/Win32WindowSystem.h"

#include <vector>

#include "platform/win32/Handles.h"

namespace {

HWND ToWindow(WindowHandle window)
{
    return reinterpret_cast<HWND>(window);
}

// The class argument of FindWindowExA: an atom travels in the low word of the pointer
// (MAKEINTATOM, spelled out so that it stays ANSI), no class at all means any class.
LPCSTR ClassArgument(const WindowClass& windowClass)
{
    if (windowClass.Atom != 0)
        return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(windowClass.Atom));
    if (!windowClass.Name.empty())
        return windowClass.Name.c_str();
    return nullptr;
}

} // namespace

WindowHandle Win32WindowSystem::FindWindowAfter(WindowHandle parent, WindowHandle after, const WindowClass& windowClass)
{
    HWND found = FindWindowExA(ToWindow(parent), ToWindow(after), ClassArgument(windowClass), nullptr);
    return reinterpret_cast<WindowHandle>(found);
}

std::string Win32WindowSystem::ReadWindowText(WindowHandle window, int maxCount)
{
    if (maxCount <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(maxCount), '\0');
    int length = GetWindowTextA(ToWindow(window), buffer.data(), maxCount);
    if (length <= 0)
        return std::string();
    if (length > maxCount - 1)
        length = maxCount - 1;
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

int Win32WindowSystem::ControlId(WindowHandle window)
{
    return GetDlgCtrlID(ToWindow(window));
}

bool Win32WindowSystem::IsEnabled(WindowHandle window)
{
    return IsWindowEnabled(ToWindow(window)) != FALSE;
}

bool Win32WindowSystem::IsVisible(WindowHandle window)
{
    return IsWindowVisible(ToWindow(window)) != FALSE;
}

// The program has one thread, which makes all of its windows.
bool Win32WindowSystem::IsOwnWindow(WindowHandle window)
{
    return GetWindowThreadProcessId(ToWindow(window), nullptr) == GetCurrentThreadId();
}

bool Win32WindowSystem::SendCommand(WindowHandle window, std::uint32_t wParam, std::intptr_t lParam)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(ToWindow(window), WM_COMMAND, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
                               SMTO_NORMAL | SMTO_ABORTIFHUNG, static_cast<UINT>(CommandTimeoutMilliseconds),
                               &result) != 0;
}
