// Other programs' windows through Windows' ANSI window calls.
#pragma once
#include "platform/WindowSystem.h"

class Win32WindowSystem : public WindowSystem {
public:
    WindowHandle FindWindowAfter(WindowHandle parent, WindowHandle after, const WindowClass& windowClass) override;
    std::string ReadWindowText(WindowHandle window, int maxCount) override;
    int ControlId(WindowHandle window) override;
    bool IsEnabled(WindowHandle window) override;
    bool IsVisible(WindowHandle window) override;
    bool IsOwnWindow(WindowHandle window) override;
    bool SendCommand(WindowHandle window, std::uint32_t wParam, std::intptr_t lParam) override;
};
