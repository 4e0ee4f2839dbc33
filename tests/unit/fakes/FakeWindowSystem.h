// Other programs' windows as an in-memory tree, searched the way FindWindowExA searches it.
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

struct FakeWindow {
    WindowHandle parent = NoWindow;
    std::string className, text;
    int controlId = 0;
    bool enabled = true, visible = true;
    bool hung = false; // its thread takes no messages: a command to it or a window below it times out
    bool own = false;  // one of the program's own windows
};

// The dialog class "#32770" has the atom 0x8002, as in Windows; no other class is searched by atom.
class FakeWindowSystem : public WindowSystem {
public:
    // "command ID to TEXT" for every WM_COMMAND, in order, also to windows that no longer exist.
    std::vector<std::string> log;
    // Runs for each command an existing window takes, as the receiving program would (turn a
    // wizard's page, close a dialog).
    std::function<void(WindowHandle window, std::uint32_t command)> onCommand;

    // A window after the existing children of parent (NoWindow: a top-level window), or before them
    // when first, as a wizard's page is when it is shown.
    WindowHandle AddWindow(WindowHandle parent, const std::string& className, const std::string& text = "",
                           int controlId = 0, bool first = false)
    {
        const WindowHandle window = next_ += 4;
        windows_[window] = {parent, className, text, controlId};
        children_[parent].insert(first ? children_[parent].begin() : children_[parent].end(), window);
        return window;
    }
    FakeWindow& Window(WindowHandle window) { return windows_.at(window); }
    // The window and everything below it go; the handle is invalid afterwards.
    void DestroyWindow(WindowHandle window)
    {
        for (WindowHandle child : std::vector<WindowHandle>(children_[window])) DestroyWindow(child);
        std::erase(children_[Window(window).parent], window);
        windows_.erase(window);
    }

    WindowHandle FindWindowAfter(WindowHandle parent, WindowHandle after, const WindowClass& windowClass) override
    {
        if (parent != NoWindow && !windows_.count(parent))
            return NoWindow;
        const std::vector<WindowHandle>& siblings = children_[parent];
        auto next = std::find(siblings.begin(), siblings.end(), after); // after must be a direct child
        next = after == NoWindow ? siblings.begin() : next == siblings.end() ? next : next + 1;
        for (; next != siblings.end(); ++next) {
            const std::string& name = windows_.at(*next).className;
            if (windowClass.Atom != 0 ? windowClass.Atom == 0x8002 && name == "#32770"
                                      : windowClass.Name.empty() || windowClass.Name == name)
                return *next;
        }
        return NoWindow;
    }
    std::string ReadWindowText(WindowHandle window, int maxCount) override
    {
        return windows_.count(window) && maxCount > 0 ? Window(window).text.substr(0, maxCount - 1) : "";
    }
    int ControlId(WindowHandle window) override { return windows_.count(window) ? Window(window).controlId : 0; }
    bool IsEnabled(WindowHandle window) override { return windows_.count(window) && Window(window).enabled; }
    bool IsOwnWindow(WindowHandle window) override { return windows_.count(window) && Window(window).own; }
    // As IsWindowVisible: the window and every window above it are visible.
    bool IsVisible(WindowHandle window) override
    {
        return window != NoWindow && Chain(window, [](const FakeWindow& each) { return each.visible; });
    }
    // The whole wParam and any lParam are logged: a command carries its id alone.
    bool SendCommand(WindowHandle window, std::uint32_t wParam, std::intptr_t lParam) override
    {
        const bool exists = windows_.count(window) != 0;
        log.push_back("command " + std::to_string(wParam) + (lParam ? " lParam " + std::to_string(lParam) : "") +
                      " to " + (exists ? Window(window).text : "(no window)"));
        if (!exists || !Chain(window, [](const FakeWindow& each) { return !each.hung; }))
            return false;
        if (onCommand)
            onCommand(window, wParam);
        return true;
    }

private:
    // Whether the window and every window above it exist and pass.
    template <typename Test>
    bool Chain(WindowHandle window, Test test) const
    {
        for (; window != NoWindow; window = windows_.at(window).parent)
            if (!windows_.count(window) || !test(windows_.at(window)))
                return false;
        return true;
    }

    std::map<WindowHandle, FakeWindow> windows_;
    std::map<WindowHandle, std::vector<WindowHandle>> children_; // NoWindow: the top-level windows
    WindowHandle next_ = 0x10010;
};
