// Other programs' windows as the core relies on them: search, read, and WM_COMMAND.
#pragma once
#include <cstdint>
#include <string>

using WindowHandle = std::uintptr_t;
constexpr WindowHandle NoWindow = 0;
// How long a command to another program's window may wait to be handled: a wizard that stops
// taking messages would otherwise hold the setup for ever, with the system's USB storage INF
// hidden, and a few seconds is far more than a responsive dialog needs.
constexpr int CommandTimeoutMilliseconds = 3000;

// A window class given either by its atom (nonzero) or by its name; both empty means any class.
struct WindowClass {
    std::uint16_t Atom = 0;
    std::string Name;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The next direct child of parent after the given sibling (NoWindow: from the first) whose
    // class matches; NoWindow as parent searches the top-level windows (FindWindowExA).
    virtual WindowHandle FindWindowAfter(WindowHandle parent, WindowHandle after, const WindowClass& windowClass) = 0;
    // At most maxCount - 1 characters of the window's text (GetWindowTextA).
    virtual std::string ReadWindowText(WindowHandle window, int maxCount) = 0;
    virtual int ControlId(WindowHandle window) = 0;
    virtual bool IsEnabled(WindowHandle window) = 0;
    virtual bool IsVisible(WindowHandle window) = 0;
    // Whether the window is one of this program's own (GetWindowThreadProcessId).
    virtual bool IsOwnWindow(WindowHandle window) = 0;
    // WM_COMMAND to another program's window, waiting CommandTimeoutMilliseconds at most for it
    // to be handled (SendMessageTimeoutA, SMTO_ABORTIFHUNG); false when it was not handled in
    // time or the window is gone.
    virtual bool SendCommand(WindowHandle window, std::uint32_t wParam, std::intptr_t lParam) = 0;
};
