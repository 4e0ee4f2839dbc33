// Other programs' windows as an in-memory tree, searched the way FindWindowExA searches.
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

struct FakeWindow {
    WindowHandle parent = NoWindow;
    std::string className;
    std::uint16_t atom = 0;
    std::string text;
    int controlId = 0;
    bool enabled = true;
    bool visible = true;
    // A window whose thread no longer takes messages: a command sent to it times out.
    bool hung = false;
    // Direct children in the system's order, the first one on top.
    std::vector<WindowHandle> children;
};

// Every class has an atom: "#32770", the dialog class, has 0x8002 as in Windows, and any other
// class name gets one of its own, so a search by atom or by name finds the same windows.
class FakeWindowSystem : public WindowSystem {
public:
    static constexpr std::uint16_t DialogAtom = 0x8002;
    static constexpr const char* DialogClass = "#32770";

    // "command ID to TEXT" for every WM_COMMAND sent, in order, including those to windows that
    // no longer exist (the low word of wParam, the window's text).
    std::vector<std::string> log;
    // Called for each command to an existing window, after it was recorded; it may change the
    // tree (turn a wizard's page, close a dialog), as the receiving program would.
    std::function<void(WindowHandle window, std::uint32_t wParam, std::intptr_t lParam)> onCommand;

    // Adds a window after the existing children of parent (NoWindow: a top-level window).
    WindowHandle AddWindow(WindowHandle parent, const std::string& className, const std::string& text = std::string(),
                           int controlId = 0)
    {
        if (parent != NoWindow && !Exists(parent))
            throw std::invalid_argument("AddWindow: no such parent");
        WindowHandle handle = nextHandle_;
        nextHandle_ += 4;
        FakeWindow window;
        window.parent = parent;
        window.className = className;
        window.atom = AtomOf(className);
        window.text = text;
        window.controlId = controlId;
        windows_[handle] = window;
        ChildrenOf(parent).push_back(handle);
        return handle;
    }

    bool Exists(WindowHandle window) const { return windows_.count(window) != 0; }
    FakeWindow& Window(WindowHandle window)
    {
        auto found = windows_.find(window);
        if (found == windows_.end())
            throw std::invalid_argument("no such window");
        return found->second;
    }

    // Destroys a window and everything below it; its handle is invalid afterwards.
    void DestroyWindow(WindowHandle window)
    {
        FakeWindow& destroyed = Window(window);
        for (WindowHandle child : std::vector<WindowHandle>(destroyed.children)) DestroyWindow(child);
        std::vector<WindowHandle>& siblings = ChildrenOf(destroyed.parent);
        siblings.erase(std::find(siblings.begin(), siblings.end(), window));
        windows_.erase(window);
    }
    // Makes a window the first of its siblings, as a wizard does with the page it shows.
    void BringToTop(WindowHandle window)
    {
        std::vector<WindowHandle>& siblings = ChildrenOf(Window(window).parent);
        siblings.erase(std::find(siblings.begin(), siblings.end(), window));
        siblings.insert(siblings.begin(), window);
    }

    WindowHandle FindWindowAfter(WindowHandle parent, WindowHandle after, const WindowClass& windowClass) override
    {
        if (parent != NoWindow && !Exists(parent))
            return NoWindow;
        const std::vector<WindowHandle>& siblings = ChildrenOf(parent);
        auto next = siblings.begin();
        if (after != NoWindow) {
            // The sibling to start after must be a direct child of parent.
            auto position = std::find(siblings.begin(), siblings.end(), after);
            if (position == siblings.end())
                return NoWindow;
            next = position + 1;
        }
        for (; next != siblings.end(); ++next)
            if (ClassMatches(windows_.at(*next), windowClass))
                return *next;
        return NoWindow;
    }

    std::string ReadWindowText(WindowHandle window, int maxCount) override
    {
        auto found = windows_.find(window);
        if (found == windows_.end() || maxCount <= 0)
            return std::string();
        return found->second.text.substr(0, static_cast<std::size_t>(maxCount - 1));
    }

    int ControlId(WindowHandle window) override
    {
        auto found = windows_.find(window);
        return found == windows_.end() ? 0 : found->second.controlId;
    }

    bool IsEnabled(WindowHandle window) override
    {
        auto found = windows_.find(window);
        return found != windows_.end() && found->second.enabled;
    }

    // Like IsWindowVisible: the window and every window above it must be visible.
    bool IsVisible(WindowHandle window) override
    {
        for (WindowHandle current = window; current != NoWindow;) {
            auto found = windows_.find(current);
            if (found == windows_.end() || !found->second.visible)
                return false;
            current = found->second.parent;
        }
        return window != NoWindow;
    }

    bool SendCommand(WindowHandle window, std::uint32_t wParam, std::intptr_t lParam) override
    {
        auto found = windows_.find(window);
        log.push_back("command " + std::to_string(wParam & 0xFFFF) + " to " +
                      (found == windows_.end() ? std::string("(no window)") : found->second.text));
        if (found == windows_.end() || IsHung(window))
            return false;
        if (onCommand)
            onCommand(window, wParam, lParam);
        return true;
    }

    // A window is hung when it or a window above it is.
    bool IsHung(WindowHandle window) const
    {
        for (auto found = windows_.find(window); found != windows_.end(); found = windows_.find(found->second.parent)) {
            if (found->second.hung)
                return true;
        }
        return false;
    }

private:
    static std::string Upper(const std::string& text)
    {
        std::string upper = text;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
        return upper;
    }

    // Class names are case-insensitive, like their atoms.
    std::uint16_t AtomOf(const std::string& className)
    {
        if (className == DialogClass)
            return DialogAtom;
        auto known = atoms_.find(Upper(className));
        if (known != atoms_.end())
            return known->second;
        std::uint16_t atom = nextAtom_++;
        atoms_[Upper(className)] = atom;
        return atom;
    }

    static bool ClassMatches(const FakeWindow& window, const WindowClass& windowClass)
    {
        if (windowClass.Atom != 0)
            return window.atom == windowClass.Atom;
        if (!windowClass.Name.empty())
            return Upper(window.className) == Upper(windowClass.Name);
        return true;
    }

    std::vector<WindowHandle>& ChildrenOf(WindowHandle parent)
    {
        return parent == NoWindow ? topLevel_ : Window(parent).children;
    }
    const std::vector<WindowHandle>& ChildrenOf(WindowHandle parent) const
    {
        return const_cast<FakeWindowSystem*>(this)->ChildrenOf(parent);
    }

    std::map<WindowHandle, FakeWindow> windows_;
    std::vector<WindowHandle> topLevel_;
    std::map<std::string, std::uint16_t> atoms_;
    WindowHandle nextHandle_ = 0x10010;
    std::uint16_t nextAtom_ = 0xC000;
};
