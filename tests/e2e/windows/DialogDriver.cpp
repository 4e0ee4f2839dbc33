// Test tool: starts a program, drives its dialogs the way a person would, and writes what it saw.
//
//   DialogDriver.exe RESULT.txt STEPS.txt
//
// STEPS.txt holds one step a line, UTF-8: a verb and key=value arguments, separated by tabs.
// RESULT.txt gets one event a line, UTF-8, `verb key=value ...` with texts quoted as JSON strings:
// each step's line as `step line=...`, then what the step saw. The first failing step writes an
// `error` line and ends the launched program; the last line is `done` or `failed` (exit status 1).
// Window handles and process ids never appear in the result.
//
// Steps:
//   launch exe=PATH cwd=FOLDER [args=TEXT]   start the program under test
//   wait-window caption=TEXT                 a visible window of it with this caption becomes current
//   dump                                     caption, size and state of the current window and its controls
//   click id=N                               a click on an enabled, visible control of the current window
//   key name=NAME                            a key stroke through the input queue (names in KeyNamed)
//   syscommand id=N                          a system-menu command to the current window
//   wait-messagebox                          a message box of the program: caption, text, icon, buttons, owner
//   press                                    a click on the message box's OK button
//   wait-exit                                the program ends: its exit code
//   wait-file file=PATH                      until the file exists (the harness's answer)
// Every wait- step takes timeout=MS. Besides the steps' lines, a watcher writes `shown ...` the first
// time each top-level window of the program becomes visible (with the setup dialog's instruction as
// it stood at that moment), so a test can tell that nothing else appeared, and nothing too early.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr DWORD DefaultTimeoutMs = 20000;
constexpr UINT ReadTimeoutMs = 10000;
constexpr int MessageBoxTextId = 0xFFFF; // the static text of a platform message box
constexpr int SetupInstructionId = 1014;

struct StepFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring Wide(const std::string& text)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size);
    return result;
}

std::string Quote(const std::wstring& text)
{
    std::string out = "\"";
    for (unsigned char c : Utf8(text)) {
        char escaped[8] = {char(c), 0};
        if (c < 0x20)
            std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
        else if (c == '"' || c == '\\')
            escaped[0] = '\\', escaped[1] = char(c);
        out += escaped;
    }
    return out + "\"";
}

std::string Number(long long value)
{
    return std::to_string(value);
}

// The result file, written by the steps and the window watcher; every line is flushed at once so
// that a run cut short still leaves what it saw.
std::FILE* out = nullptr;
CRITICAL_SECTION outLock;

void Write(const std::string& line)
{
    EnterCriticalSection(&outLock);
    std::fputs((line + "\n").c_str(), out);
    std::fflush(out);
    LeaveCriticalSection(&outLock);
}

// A step: its verb under "", its arguments under their keys. The fields of a step's line are
// separated by tabs, each argument a key=value.
using Step = std::map<std::string, std::wstring>;

Step ParseStep(const std::wstring& line)
{
    Step step;
    size_t end = line.find(L'\t');
    step[""] = line.substr(0, end);
    while (end != std::wstring::npos) {
        const size_t start = end + 1, equals = line.find(L'=', start);
        end = line.find(L'\t', start);
        if (equals == std::wstring::npos || equals > end)
            throw StepFailure("argument without '='");
        step[Utf8(line.substr(start, equals - start))] = line.substr(equals + 1, end - equals - 1);
    }
    return step;
}

std::wstring Argument(const Step& step, const std::string& key)
{
    auto found = step.find(key);
    if (found == step.end())
        throw StepFailure(Utf8(step.at("")) + " needs " + key + "=");
    return found->second;
}

long NumberArgument(const Step& step, const std::string& key, long fallback = -1)
{
    return step.count(key) ? std::wcstol(step.at(key).c_str(), nullptr, 0) : fallback;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// Messages to another process's windows wait a bounded time, so a hung program fails the step
// instead of hanging the run.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ReadTimeoutMs, &result))
        throw StepFailure("no answer to message " + Number(message));
    return LRESULT(result);
}

std::wstring TextOf(HWND window)
{
    std::wstring text(Ask(window, WM_GETTEXTLENGTH) + 1, L'\0');
    text.resize(Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    return text;
}

std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool IsMessageBox(HWND window)
{
    HWND text = GetDlgItem(window, MessageBoxTextId);
    return ClassOf(window) == L"#32770" && text && _wcsicmp(ClassOf(text).c_str(), L"Static") == 0;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId)
{
    std::pair<DWORD, std::vector<HWND>> search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM context) WINAPI -> BOOL {
            auto* search = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == search->first)
                search->second.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The icon of a message box, told apart by its pixels on the screen: a system icon handle
// belongs to the process that loaded it, so handles cannot be compared across processes.
// Only the pixels where a candidate icon is opaque (the same drawn on black and on white) are
// compared, so the background colour of the box does not matter.
std::string MatchIconOnScreen(HWND iconControl)
{
    RECT rect{};
    GetWindowRect(iconControl, &rect);
    const int width = std::min<int>(rect.right - rect.left, 64), height = std::min<int>(rect.bottom - rect.top, 64);
    if (width <= 0 || height <= 0)
        return "none";
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    auto* pixels = static_cast<const DWORD*>(bits);
    const size_t count = size_t(width) * size_t(height);
    auto render = [&](HICON icon, int background) {
        RECT all{0, 0, width, height};
        FillRect(memory, &all, HBRUSH(GetStockObject(background)));
        if (icon)
            DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
        else
            BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        std::vector<DWORD> result(pixels, pixels + count);
        for (DWORD& pixel : result) pixel &= 0xFFFFFF;
        return result;
    };
    const std::vector<DWORD> shown = render(nullptr, BLACK_BRUSH);
    const std::pair<const char*, LPCWSTR> candidates[] = {
        {"error", IDI_HAND}, {"warning", IDI_EXCLAMATION}, {"information", IDI_ASTERISK}, {"question", IDI_QUESTION}};
    std::string best;
    double bestScore = 0.0;
    for (const auto& [name, id] : candidates) {
        const std::vector<DWORD> onBlack = render(LoadIconW(nullptr, id), BLACK_BRUSH);
        const std::vector<DWORD> onWhite = render(LoadIconW(nullptr, id), WHITE_BRUSH);
        size_t opaque = 0, same = 0;
        for (size_t i = 0; i < count; ++i) {
            if (onBlack[i] == onWhite[i]) {
                ++opaque;
                same += onBlack[i] == shown[i];
            }
        }
        if (opaque && double(same) / double(opaque) > bestScore) {
            bestScore = double(same) / double(opaque);
            best = name;
        }
    }
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bestScore >= 0.9 ? best : "unknown"; // the least share of matching pixels that names an icon
}

// The dialog base units of the platform's dialog font as this process computes them, which are
// the units the program's dialog manager used (same prefix, same locale, same font substitutes).
struct DialogUnits {
    int BaseX = 0;
    int BaseY = 0;

    DialogUnits()
    {
        HDC screen = GetDC(nullptr);
        HFONT font = CreateFontW(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                 FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE, L"MS Sans Serif");
        HGDIOBJ old = SelectObject(screen, font);
        SIZE size{};
        GetTextExtentPoint32W(screen, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
        TEXTMETRICW metrics{};
        GetTextMetricsW(screen, &metrics);
        BaseX = (size.cx / 26 + 1) / 2;
        BaseY = metrics.tmHeight;
        SelectObject(screen, old);
        DeleteObject(font);
        ReleaseDC(nullptr, screen);
    }

    // The dialog-unit value that maps to these pixels (MulDiv rounding, as the dialog manager does).
    static int Back(int pixels, int base, int per)
    {
        int guess = MulDiv(pixels, per, base);
        for (int candidate : {guess, guess - 1, guess + 1})
            if (MulDiv(candidate, base, per) == pixels)
                return candidate;
        return guess;
    }
    std::string Of(int x, int y) const { return Number(Back(x, BaseX, 4)) + "," + Number(Back(y, BaseY, 8)); }
};

const std::map<std::wstring, std::vector<WORD>> KeyNamed = {
    {L"Tab", {VK_TAB}},   {L"Shift+Tab", {VK_SHIFT, VK_TAB}}, {L"Enter", {VK_RETURN}}, {L"Escape", {VK_ESCAPE}},
    {L"Down", {VK_DOWN}}, {L"Alt+F4", {VK_MENU, VK_F4}},
};

class Driver {
public:
    ~Driver()
    {
        StopWatcher();
        if (process_.hProcess) {
            if (!HasExited()) // still running at the end of the steps
                TerminateProcess(process_.hProcess, 255);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }

    void Run(const Step& step)
    {
        const std::wstring& verb = step.at("");
        if (verb == L"launch")
            Launch(step);
        else if (verb == L"wait-window")
            WaitWindow(step);
        else if (verb == L"dump")
            Dump();
        else if (verb == L"click")
            Click(Current(), NumberArgument(step, "id"));
        else if (verb == L"key")
            Key(Argument(step, "name"));
        else if (verb == L"syscommand")
            SysCommand(NumberArgument(step, "id"));
        else if (verb == L"wait-messagebox")
            WaitMessageBox(step);
        else if (verb == L"press")
            Click(messageBox_, IDOK);
        else if (verb == L"wait-exit")
            WaitExit(step);
        else if (verb == L"wait-file")
            WaitFor(step, "the file",
                    [&] { return GetFileAttributesW(Argument(step, "file").c_str()) != INVALID_FILE_ATTRIBUTES; });
        else
            throw StepFailure("unknown step");
    }

private:
    void Launch(const Step& step)
    {
        std::wstring exe = Argument(step, "exe"), cwd = Argument(step, "cwd");
        std::wstring commandLine = L"\"" + exe + L"\"" + (step.count("args") ? L" " + step.at("args") : L"");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (process_.hProcess || !CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                                 cwd.c_str(), &startup, &process_))
            throw StepFailure("CreateProcess failed with error " + Number(GetLastError()));
        watching_ = 1;
        watcher_ = CreateThread(nullptr, 0, &Driver::Watch, this, 0, nullptr);
    }

    bool HasExited() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }

    // Polls until found() holds, or the time is up.
    template <typename Found>
    void WaitFor(const Step& step, const std::string& what, Found found)
    {
        const DWORD timeout = DWORD(NumberArgument(step, "timeout", DefaultTimeoutMs)), start = GetTickCount();
        while (!found()) {
            if (GetTickCount() - start >= timeout)
                throw StepFailure("timed out after " + Number(timeout) + " ms waiting for " + what);
            Sleep(10);
        }
    }

    // Waits for a visible top-level window of the program that passes the test, while it runs.
    template <typename Test>
    HWND WaitForWindow(const Step& step, const std::string& what, Test test)
    {
        HWND found = nullptr;
        WaitFor(step, what, [&] {
            for (HWND window : TopLevelWindowsOf(process_.dwProcessId))
                if (IsWindowVisible(window) && test(window))
                    return (found = window) != nullptr;
            if (HasExited())
                throw StepFailure("the program ended while waiting for " + what);
            return false;
        });
        return found;
    }

    void WaitWindow(const Step& step)
    {
        const std::wstring caption = Argument(step, "caption");
        windows_.push_back(WaitForWindow(step, "a window with caption " + Quote(caption),
                                         [&](HWND w) { return !IsMessageBox(w) && TextOf(w) == caption; }));
        Write("window caption=" + Quote(caption));
    }

    // The window the steps act on: the last one waited for that still exists.
    HWND Current()
    {
        while (!windows_.empty() && !IsWindow(windows_.back())) windows_.pop_back();
        if (windows_.empty())
            throw StepFailure("no current window (wait-window first, or it has closed)");
        return windows_.back();
    }

    HWND FocusOf(HWND window)
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
        return info.hwndFocus;
    }

    void Dump()
    {
        HWND dialog = Current();
        const DialogUnits units;
        RECT client{};
        GetClientRect(dialog, &client);
        POINT origin{0, 0};
        ClientToScreen(dialog, &origin);
        auto state = [](HWND window) {
            return " enabled=" + Number(IsWindowEnabled(window) != FALSE) +
                   " visible=" + Number(IsWindowVisible(window) != FALSE);
        };
        Write("dialog caption=" + Quote(TextOf(dialog)) + " size=" + units.Of(client.right, client.bottom) +
              state(dialog));
        HWND focus = FocusOf(dialog);
        for (HWND control : ChildrenOf(dialog)) {
            const std::wstring cls = ClassOf(control);
            const LONG style = GetWindowLongW(control, GWL_STYLE);
            RECT rect{};
            GetWindowRect(control, &rect);
            std::string line = "control id=" + Number(GetDlgCtrlID(control)) + " text=" + Quote(TextOf(control));
            if (_wcsicmp(cls.c_str(), L"Button") == 0)
                line += " checked=" + Number(Ask(control, BM_GETCHECK) == BST_CHECKED) +
                        " default=" + Number((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
            if (_wcsicmp(cls.c_str(), L"Static") == 0) // whether "&" underlines the next letter
                line += " prefix=" + Number(!(style & SS_NOPREFIX));
            if (_wcsicmp(cls.c_str(), PROGRESS_CLASSW) == 0)
                line += " position=" + Number(Ask(control, PBM_GETPOS));
            Write(line + state(control) + " focus=" + Number(control == focus) +
                  " du=" + units.Of(rect.left - origin.x, rect.top - origin.y) + "," +
                  units.Of(rect.right - rect.left, rect.bottom - rect.top));
        }
    }

    // Lets the program handle what was posted to it: each round trip of a sent message ends only
    // after the program's thread came back for its next message, so after three of them the posted
    // input and whatever it posted in turn have been handled.
    void Settle(HWND window)
    {
        for (int trip = 0; trip < 3 && IsWindow(window); ++trip) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ReadTimeoutMs, &ignored);
            Sleep(20);
        }
    }

    void SysCommand(long id)
    {
        PostMessageW(Current(), WM_SYSCOMMAND, WPARAM(id), 0);
        Settle(Current());
    }

    void Click(HWND window, long id)
    {
        HWND control = window && IsWindow(window) ? GetDlgItem(window, int(id)) : nullptr;
        if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control))
            throw StepFailure("no enabled, visible control " + Number(id) + " to click");
        PostMessageW(control, BM_CLICK, 0, 0);
        Settle(window);
    }

    // A key stroke as the keyboard makes it: through the input queue to the foreground window,
    // which is the program's dialog (brought to the front first, as a person's click would).
    void Key(const std::wstring& name)
    {
        HWND dialog = Current();
        auto keys = KeyNamed.find(name);
        if (keys == KeyNamed.end())
            throw StepFailure("unknown key name");
        HWND front = GetLastActivePopup(GetAncestor(dialog, GA_ROOTOWNER));
        if (GetForegroundWindow() != front) {
            SetForegroundWindow(front);
            Settle(front);
        }
        std::vector<INPUT> inputs;
        for (int up = 0; up < 2; ++up) { // down in order, then up in reverse
            for (size_t i = 0; i < keys->second.size(); ++i) {
                const WORD key = keys->second[up ? keys->second.size() - 1 - i : i];
                INPUT input{};
                input.type = INPUT_KEYBOARD;
                input.ki.wVk = key;
                input.ki.wScan = WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
                input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (key == VK_DOWN ? KEYEVENTF_EXTENDEDKEY : 0);
                inputs.push_back(input);
            }
        }
        if (SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
            throw StepFailure("SendInput failed with error " + Number(GetLastError()));
        Settle(dialog);
    }

    void WaitMessageBox(const Step& step)
    {
        messageBox_ = WaitForWindow(step, "a message box", IsMessageBox);
        Settle(messageBox_); // painted, so that its icon can be read from the screen
        HWND icon = nullptr;
        std::wstring buttons;
        for (HWND control : ChildrenOf(messageBox_)) {
            if (!IsWindowVisible(control))
                continue;
            if (_wcsicmp(ClassOf(control).c_str(), L"Static") == 0 &&
                (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                icon = control;
            if (_wcsicmp(ClassOf(control).c_str(), L"Button") == 0) {
                std::wstring text = TextOf(control);
                text.erase(std::remove(text.begin(), text.end(), L'&'), text.end()); // without its mnemonic
                buttons += (buttons.empty() ? L"" : L",") + text;
            }
        }
        // A box just shown may reach the screen a moment after it was painted.
        std::string iconName = icon ? "unknown" : "none";
        for (int attempt = 0; icon && iconName == "unknown" && attempt < 20; ++attempt, Sleep(50))
            iconName = MatchIconOnScreen(icon);
        HWND owner = GetWindow(messageBox_, GW_OWNER);
        Write("messagebox caption=" + Quote(TextOf(messageBox_)) +
              " text=" + Quote(TextOf(GetDlgItem(messageBox_, MessageBoxTextId))) + " icon=" + iconName +
              " buttons=" + Quote(buttons) + " owner=" + Quote(owner ? TextOf(owner) : L""));
    }

    void WaitExit(const Step& step)
    {
        WaitFor(step, "the program to end", [&] { return HasExited(); });
        StopWatcher();
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        Write("exit code=" + Number(code));
    }

    // The watcher notes every top-level window of the program the first time it is visible.
    // (A plain Win32 thread: the win32 thread model of the toolchain has no std::thread.)
    static DWORD WINAPI Watch(void* context)
    {
        auto* self = static_cast<Driver*>(context);
        std::set<HWND> seen;
        while (InterlockedCompareExchange(&self->watching_, 1, 1)) {
            for (HWND window : TopLevelWindowsOf(self->process_.dwProcessId)) {
                if (!IsWindowVisible(window) || !seen.insert(window).second)
                    continue;
                wchar_t caption[512] = {}, instruction[1024] = {};
                GetWindowTextW(window, caption, 512); // no message to the program's thread
                std::string line = "shown class=" + Quote(ClassOf(window)) + " caption=" + Quote(caption) +
                                   " messagebox=" + Number(IsMessageBox(window));
                if (HWND text = GetDlgItem(window, SetupInstructionId)) {
                    InternalGetWindowText(text, instruction, 1024);
                    line += " instruction=" + Quote(instruction);
                }
                Write(line);
            }
            Sleep(5);
        }
        return 0;
    }

    void StopWatcher()
    {
        if (!watcher_)
            return;
        InterlockedExchange(&watching_, 0);
        WaitForSingleObject(watcher_, INFINITE);
        CloseHandle(watcher_);
        watcher_ = nullptr;
    }

    PROCESS_INFORMATION process_{};
    std::vector<HWND> windows_;
    HWND messageBox_ = nullptr;
    volatile LONG watching_ = 0;
    HANDLE watcher_ = nullptr;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::FILE* script = argc == 3 ? _wfopen(argv[2], L"rb") : nullptr;
    if (!script || !(out = _wfopen(argv[1], L"wb"))) {
        std::fprintf(stderr, "usage: DialogDriver RESULT.txt STEPS.txt (a readable steps file)\n");
        return 2;
    }
    std::string text;
    char buffer[4096];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, script)) > 0;) text.append(buffer, read);
    std::fclose(script);
    InitializeCriticalSection(&outLock);

    bool failed = false;
    {
        Driver driver;
        for (size_t start = 0, end; !failed && start < text.size(); start = end + 1) {
            end = std::min(text.find('\n', start), text.size());
            const std::wstring line = Wide(text.substr(start, end - start));
            if (line.empty())
                continue;
            Write("step line=" + Quote(line));
            try {
                driver.Run(ParseStep(line));
            } catch (const StepFailure& failure) {
                Write("error message=" + Quote(Wide(failure.what())));
                failed = true;
            }
        }
    }
    Write(failed ? "failed" : "done");
    std::fclose(out);
    return failed ? 1 : 0;
}
