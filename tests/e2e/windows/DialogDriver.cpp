// Test tool: starts a program, drives its dialogs the way a person would, and writes what it saw.
//
// DialogDriver.exe --out RESULT.txt --script STEPS.txt
// DialogDriver.exe --out RESULT.txt "launch exe=C:\x\Setup.exe" "wait-window" "dump" ...
//
// A step is a verb with key=value arguments; a value with blanks is written in double quotes,
// "" inside it stands for one quote. The result file is UTF-8, one event per line, in the same
// shape: `verb key=value ...`, texts always quoted with C escapes (\\ \" \n \r \t \u00XX).
// The first failing step writes an `error` line, ends the launched program and ends this one
// with exit code 1. Window handles and process ids never appear in the output, so a run's
// result can be compared whole.
//
// Steps:
//   launch exe=PATH [args=TEXT] [cwd=FOLDER]   start the program under test
//   wait-window [caption=TEXT] [timeout=MS]    a visible dialog of it (not a message box) becomes current
//   dump                                       caption, size and every control of the current window:
//                                              text, check, progress position, state, focus, rectangle
//   click id=N                                 a mouse click on an enabled, visible control (BM_CLICK)
//   key name=NAME                              one key stroke to the current window's focused control:
//                                              Tab Shift+Tab Enter Escape Space Up Down Left Right Alt+F4
//   focus                                      which control of the current window has the keyboard focus
//   syscommand id=N                            a system-menu command (WM_SYSCOMMAND) to the current window
//   wait-messagebox [timeout=MS]               a message box of the program: caption, text, icon, buttons
//   press [id=N]                               a click on a message-box button (default OK)
//   wait-exit [timeout=MS]                     the program ends: its exit code
//   sleep ms=N
//   signal file=PATH                           creates an empty file (tells the harness a moment has come)
//   wait-file file=PATH [timeout=MS]           waits until a file exists (the harness's answer)
// Besides the steps' own lines, a watcher writes `shown ...` the first time each top-level window
// of the program becomes visible (with the text of control 1014, where the window has one, as it
// stood at that moment), so a test can tell that nothing else appeared, and nothing too early.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr DWORD DefaultTimeoutMs = 20000;
constexpr DWORD PollMs = 10;
constexpr UINT ReadTimeoutMs = 10000;
constexpr int MessageBoxTextId = 0xFFFF; // the static text of a platform message box
constexpr int SetupInstructionId = 1014; // the setup dialog's instruction text
constexpr const wchar_t* DialogClass = L"#32770";

struct StepFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size);
    return result;
}

// A text as it appears in the result file: quoted, with control characters escaped.
std::string Quote(const std::wstring& text)
{
    std::string out = "\"";
    for (unsigned char c : ToUtf8(text)) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\u%04X", c);
                out += hex;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

// The result file, shared by the steps and the window watcher; every line is flushed at once
// so that a run cut short still leaves what it saw.
class Transcript {
public:
    explicit Transcript(const std::wstring& path) : file_(_wfopen(path.c_str(), L"wb"))
    {
        InitializeCriticalSection(&lock_);
    }
    ~Transcript()
    {
        if (file_)
            std::fclose(file_);
        DeleteCriticalSection(&lock_);
    }
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;
    bool IsOpen() const { return file_ != nullptr; }
    void Write(const std::string& line)
    {
        EnterCriticalSection(&lock_);
        std::fputs(line.c_str(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
        LeaveCriticalSection(&lock_);
    }

private:
    std::FILE* file_;
    CRITICAL_SECTION lock_;
};

// One step of the script: its verb and arguments.
struct Step {
    std::string Verb;
    std::map<std::string, std::wstring> Arguments;

    std::optional<std::wstring> Get(const std::string& key) const
    {
        auto found = Arguments.find(key);
        if (found == Arguments.end())
            return std::nullopt;
        return found->second;
    }
    std::wstring Require(const std::string& key) const
    {
        auto value = Get(key);
        if (!value)
            throw StepFailure(Verb + " needs " + key + "=");
        return *value;
    }
    long Number(const std::string& key, long fallback) const
    {
        auto value = Get(key);
        if (!value)
            return fallback;
        wchar_t* end = nullptr;
        long number = std::wcstol(value->c_str(), &end, 0);
        if (value->empty() || *end != L'\0')
            throw StepFailure(Verb + ": " + key + "= is not a number");
        return number;
    }
};

Step ParseStep(const std::wstring& line)
{
    Step step;
    size_t at = 0;
    auto skipBlanks = [&] {
        while (at < line.size() && iswspace(line[at])) ++at;
    };
    skipBlanks();
    while (at < line.size() && !iswspace(line[at])) step.Verb += char(line[at++]);
    for (skipBlanks(); at < line.size(); skipBlanks()) {
        size_t equals = line.find(L'=', at);
        if (equals == std::wstring::npos)
            throw StepFailure("argument without '=' in: " + ToUtf8(line));
        std::string key = ToUtf8(line.substr(at, equals - at));
        at = equals + 1;
        std::wstring value;
        if (at < line.size() && line[at] == L'"') {
            ++at;
            for (;;) {
                if (at >= line.size())
                    throw StepFailure("unterminated quote in: " + ToUtf8(line));
                if (line[at] == L'"') {
                    if (at + 1 < line.size() && line[at + 1] == L'"') {
                        value += L'"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                value += line[at++];
            }
        } else {
            while (at < line.size() && !iswspace(line[at])) value += line[at++];
        }
        step.Arguments[key] = value;
    }
    return step;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// Texts of another process's windows are read with a bounded wait, so a hung program fails
// the step instead of hanging the run.
std::wstring TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, ReadTimeoutMs, &length))
        throw StepFailure("no answer to WM_GETTEXTLENGTH (error " + std::to_string(GetLastError()) + ")");
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             ReadTimeoutMs, &copied))
        throw StepFailure("no answer to WM_GETTEXT (error " + std::to_string(GetLastError()) + ")");
    text.resize(copied);
    return text;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ReadTimeoutMs, &result))
        throw StepFailure("no answer to message " + std::to_string(message));
    return LRESULT(result);
}

// The dialog base units of the platform's dialog font as this process computes them, which are
// the units the program's dialog manager used (same prefix, same locale, same font substitutes).
struct DialogUnits {
    int BaseX = 0;
    int BaseY = 0;

    static DialogUnits ForFont(const wchar_t* face, int points)
    {
        DialogUnits units;
        HDC screen = GetDC(nullptr);
        HFONT font = CreateFontW(-MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                                 FALSE, FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE, face);
        HGDIOBJ old = SelectObject(screen, font);
        const wchar_t* alphabet = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        SIZE size{};
        GetTextExtentPoint32W(screen, alphabet, 52, &size);
        TEXTMETRICW metrics{};
        GetTextMetricsW(screen, &metrics);
        units.BaseX = (size.cx / 26 + 1) / 2;
        units.BaseY = metrics.tmHeight;
        SelectObject(screen, old);
        DeleteObject(font);
        ReleaseDC(nullptr, screen);
        return units;
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
    int X(int pixels) const { return Back(pixels, BaseX, 4); }
    int Y(int pixels) const { return Back(pixels, BaseY, 8); }
};

std::string Rect(int x, int y, int w, int h)
{
    return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," + std::to_string(h);
}

// What kind of control a window is, from its class and style.
std::string KindOf(HWND control)
{
    std::wstring cls = ClassOf(control);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
            return "pushbutton";
        case BS_DEFPUSHBUTTON:
            return "defpushbutton";
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
            return "checkbox";
        case BS_RADIOBUTTON:
            return "radio";
        case BS_AUTORADIOBUTTON:
            return "autoradio";
        case BS_GROUPBOX:
            return "groupbox";
        default:
            return "button";
        }
    }
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        switch (style & SS_TYPEMASK) {
        case SS_ICON:
            return "icon";
        case SS_BITMAP:
            return "bitmap";
        default:
            return "text";
        }
    }
    if (_wcsicmp(cls.c_str(), L"msctls_progress32") == 0)
        return "progress";
    return "other";
}

bool HasCheckState(HWND control)
{
    std::string kind = KindOf(control);
    return kind == "checkbox" || kind == "radio" || kind == "autoradio";
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
    if (ClassOf(window) != DialogClass)
        return false;
    HWND text = GetDlgItem(window, MessageBoxTextId);
    return text && _wcsicmp(ClassOf(text).c_str(), L"Static") == 0;
}

struct WindowSearch {
    DWORD ProcessId;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->ProcessId)
        search->Found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId)
{
    WindowSearch search{processId, {}};
    EnumWindows(&CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The icon of a message box, told apart by its pixels on the screen: a system icon handle
// belongs to the process that loaded it, so handles cannot be compared across processes.
// Only the pixels where the reference icon is opaque are compared, so the background colour
// of the box does not matter.
std::string MatchIconOnScreen(HWND iconControl)
{
    if (!iconControl || !IsWindowVisible(iconControl))
        return "none";
    RECT rect;
    GetWindowRect(iconControl, &rect);
    int width = std::min<int>(rect.right - rect.left, 64);
    int height = std::min<int>(rect.bottom - rect.top, 64);
    if (width <= 0 || height <= 0)
        return "none";

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    auto* pixels = static_cast<const DWORD*>(bits);
    size_t count = size_t(width) * size_t(height);

    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    std::vector<DWORD> shown(pixels, pixels + count);

    auto render = [&](HICON icon, COLORREF background) {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all{0, 0, width, height};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
        GdiFlush();
        return std::vector<DWORD>(pixels, pixels + count);
    };

    struct Candidate {
        const char* Name;
        LPCWSTR Id;
    };
    const Candidate candidates[] = {
        {"error", IDI_HAND}, {"warning", IDI_EXCLAMATION}, {"information", IDI_ASTERISK}, {"question", IDI_QUESTION}};
    std::string best = "unknown";
    double bestScore = 0.0;
    for (const Candidate& candidate : candidates) {
        HICON icon = LoadIconW(nullptr, candidate.Id);
        std::vector<DWORD> onBlack = render(icon, RGB(0, 0, 0));
        std::vector<DWORD> onWhite = render(icon, RGB(255, 255, 255));
        size_t opaque = 0, same = 0;
        for (size_t i = 0; i < count; ++i) {
            if ((onBlack[i] & 0xFFFFFF) != (onWhite[i] & 0xFFFFFF))
                continue;
            ++opaque;
            if ((onBlack[i] & 0xFFFFFF) == (shown[i] & 0xFFFFFF))
                ++same;
        }
        double score = opaque ? double(same) / double(opaque) : 0.0;
        if (score > bestScore) {
            bestScore = score;
            best = candidate.Name;
        }
    }
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bestScore >= 0.9 ? best : "unknown";
}

// A box just shown may not be on the screen yet (painted, then flushed to the display a
// moment later), so the match is tried again for a while.
std::string IdentifyIcon(HWND iconControl)
{
    std::string icon = MatchIconOnScreen(iconControl);
    for (int attempt = 0; icon == "unknown" && attempt < 20 && IsWindow(iconControl); ++attempt) {
        Sleep(50);
        icon = MatchIconOnScreen(iconControl);
    }
    return icon;
}

std::wstring WithoutMnemonic(std::wstring text)
{
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    return text;
}

struct KeyStroke {
    WORD VirtualKey;
    bool Shift;
    bool Alt;
};

std::optional<KeyStroke> KeyNamed(const std::wstring& name)
{
    static const std::map<std::wstring, KeyStroke> keys = {
        {L"Tab", {VK_TAB, false, false}},      {L"Shift+Tab", {VK_TAB, true, false}},
        {L"Enter", {VK_RETURN, false, false}}, {L"Escape", {VK_ESCAPE, false, false}},
        {L"Space", {VK_SPACE, false, false}},  {L"Up", {VK_UP, false, false}},
        {L"Down", {VK_DOWN, false, false}},    {L"Left", {VK_LEFT, false, false}},
        {L"Right", {VK_RIGHT, false, false}},  {L"Alt+F4", {VK_F4, false, true}},
    };
    auto found = keys.find(name);
    if (found == keys.end())
        return std::nullopt;
    return found->second;
}

class Driver {
public:
    explicit Driver(Transcript& transcript) : out_(transcript) {}

    ~Driver()
    {
        StopWatcher();
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_.hProcess, 255);
                out_.Write("terminated reason=\"still running at the end of the script\"");
            }
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }

    void Run(const Step& step)
    {
        const std::string& verb = step.Verb;
        if (verb == "launch")
            Launch(step);
        else if (verb == "wait-window")
            WaitWindow(step);
        else if (verb == "dump")
            Dump();
        else if (verb == "click")
            Click(step);
        else if (verb == "key")
            Key(step);
        else if (verb == "focus")
            Focus();
        else if (verb == "syscommand")
            SysCommand(step);
        else if (verb == "wait-messagebox")
            WaitMessageBox(step);
        else if (verb == "press")
            Press(step);
        else if (verb == "wait-exit")
            WaitExit(step);
        else if (verb == "sleep")
            Sleep(DWORD(step.Number("ms", 0)));
        else if (verb == "signal")
            Signal(step);
        else if (verb == "wait-file")
            WaitFile(step);
        else
            throw StepFailure("unknown step: " + verb);
    }

private:
    void Launch(const Step& step)
    {
        if (process_.hProcess)
            throw StepFailure("launch: a program was already launched");
        std::wstring exe = step.Require("exe");
        std::wstring args = step.Get("args").value_or(L"");
        std::wstring cwd = step.Get("cwd").value_or(L"");
        std::wstring commandLine = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            cwd.empty() ? nullptr : cwd.c_str(), &startup, &process_))
            throw StepFailure("launch: CreateProcess failed with error " + std::to_string(GetLastError()));
        out_.Write("launch exe=" + Quote(exe) + " args=" + Quote(args));
        StartWatcher();
    }

    DWORD ProcessId() const
    {
        if (!process_.hProcess)
            throw StepFailure("no program was launched");
        return process_.dwProcessId;
    }

    bool HasExited() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }

    // Polls until found() gives a window, the program ends, or the time is up.
    template <typename Find>
    HWND WaitFor(const char* what, DWORD timeoutMs, Find found)
    {
        DWORD start = GetTickCount();
        for (;;) {
            if (HWND window = found())
                return window;
            if (HasExited())
                throw StepFailure(std::string("the program ended while waiting for ") + what);
            if (GetTickCount() - start >= timeoutMs)
                throw StepFailure(std::string("timed out after ") + std::to_string(timeoutMs) + " ms waiting for " +
                                  what);
            Sleep(PollMs);
        }
    }

    void WaitWindow(const Step& step)
    {
        auto caption = step.Get("caption");
        DWORD timeout = DWORD(step.Number("timeout", DefaultTimeoutMs));
        std::string what = caption ? "a window with caption " + Quote(*caption) : std::string("a dialog");
        HWND window = WaitFor(what.c_str(), timeout, [&]() -> HWND {
            for (HWND candidate : TopLevelWindowsOf(ProcessId())) {
                if (!IsWindowVisible(candidate) || IsMessageBox(candidate))
                    continue;
                if (caption ? TextOf(candidate) == *caption : ClassOf(candidate) == DialogClass)
                    return candidate;
            }
            return nullptr;
        });
        windows_.push_back(window);
        out_.Write("window caption=" + Quote(TextOf(window)) + " class=" + Quote(ClassOf(window)));
    }

    // The window the steps act on: the last one waited for that still exists.
    HWND Current()
    {
        while (!windows_.empty() && !IsWindow(windows_.back())) windows_.pop_back();
        if (windows_.empty())
            throw StepFailure("no current window (wait-window first, or it has closed)");
        return windows_.back();
    }

    HWND Control(HWND dialog, long id)
    {
        HWND control = GetDlgItem(dialog, int(id));
        if (!control)
            throw StepFailure("the window has no control with id " + std::to_string(id));
        return control;
    }

    HWND FocusOf(HWND window)
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
            throw StepFailure("GetGUIThreadInfo failed with error " + std::to_string(GetLastError()));
        return info.hwndFocus;
    }

    void Dump()
    {
        HWND dialog = Current();
        DialogUnits units = DialogUnits::ForFont(L"MS Sans Serif", 8);
        RECT client;
        GetClientRect(dialog, &client);
        POINT origin{0, 0};
        ClientToScreen(dialog, &origin);
        out_.Write("dialog caption=" + Quote(TextOf(dialog)) + " class=" + Quote(ClassOf(dialog)) +
                   " size=" + std::to_string(units.X(client.right)) + "," + std::to_string(units.Y(client.bottom)) +
                   " enabled=" + std::to_string(IsWindowEnabled(dialog) ? 1 : 0) +
                   " visible=" + std::to_string(IsWindowVisible(dialog) ? 1 : 0));
        HWND focus = FocusOf(dialog);
        for (HWND control : ChildrenOf(dialog)) {
            RECT rect;
            GetWindowRect(control, &rect);
            int x = rect.left - origin.x, y = rect.top - origin.y;
            int w = rect.right - rect.left, h = rect.bottom - rect.top;
            std::string line = "control id=" + std::to_string(GetDlgCtrlID(control)) +
                               " class=" + Quote(ClassOf(control)) + " kind=" + KindOf(control) +
                               " text=" + Quote(TextOf(control));
            if (HasCheckState(control))
                line += " checked=" + std::to_string(Ask(control, BM_GETCHECK) == BST_CHECKED ? 1 : 0);
            if (KindOf(control) == "progress")
                line += " position=" + std::to_string(Ask(control, PBM_GETPOS));
            if (KindOf(control) == "text") // whether "&" shows as itself or underlines the next letter
                line += " prefix=" + std::to_string((GetWindowLongW(control, GWL_STYLE) & SS_NOPREFIX) ? 0 : 1);
            line += " enabled=" + std::to_string(IsWindowEnabled(control) ? 1 : 0) +
                    " visible=" + std::to_string(IsWindowVisible(control) ? 1 : 0) +
                    " focus=" + std::to_string(control == focus ? 1 : 0) +
                    " du=" + Rect(units.X(x), units.Y(y), units.X(w), units.Y(h)) + " px=" + Rect(x, y, w, h);
            out_.Write(line);
        }
    }

    // Lets the program handle what was posted to it: each round trip of a sent message ends
    // only after the program's thread came back for its next message, so after three of them
    // the posted input and whatever it posted in turn have been handled.
    void Settle(HWND window)
    {
        for (int trip = 0; trip < 3 && IsWindow(window); ++trip) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ReadTimeoutMs, &ignored);
            Sleep(20);
        }
    }

    void Click(const Step& step)
    {
        HWND dialog = Current();
        long id = step.Number("id", -1);
        HWND control = Control(dialog, id);
        if (!IsWindowVisible(control))
            throw StepFailure("click: control " + std::to_string(id) + " is not visible");
        if (!IsWindowEnabled(control))
            throw StepFailure("click: control " + std::to_string(id) + " is disabled");
        PostMessageW(control, BM_CLICK, 0, 0);
        out_.Write("click id=" + std::to_string(id));
        Settle(dialog);
    }

    // A key stroke as the keyboard makes it: through the input queue to the foreground window,
    // which is the program's dialog (brought to the front first, as a person's click would).
    void Key(const Step& step)
    {
        HWND dialog = Current();
        std::wstring name = step.Require("name");
        auto stroke = KeyNamed(name);
        if (!stroke)
            throw StepFailure("key: unknown key name " + ToUtf8(name));
        HWND front = GetLastActivePopup(GetAncestor(dialog, GA_ROOTOWNER));
        if (GetForegroundWindow() != front) {
            SetForegroundWindow(front);
            Settle(front);
        }
        std::vector<INPUT> inputs;
        auto add = [&](WORD key, bool up) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = key;
            input.ki.wScan = WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            if (key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT)
                input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
            inputs.push_back(input);
        };
        if (stroke->Alt)
            add(VK_MENU, false);
        if (stroke->Shift)
            add(VK_SHIFT, false);
        add(stroke->VirtualKey, false);
        add(stroke->VirtualKey, true);
        if (stroke->Shift)
            add(VK_SHIFT, true);
        if (stroke->Alt)
            add(VK_MENU, true);
        if (SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
            throw StepFailure("key: SendInput failed with error " + std::to_string(GetLastError()));
        out_.Write("key name=" + Quote(name));
        Settle(dialog);
    }

    void Focus()
    {
        HWND dialog = Current();
        HWND focus = FocusOf(dialog);
        if (!focus) {
            out_.Write("focus none");
            return;
        }
        std::string where = focus == dialog ? "dialog" : IsChild(dialog, focus) ? "control" : "elsewhere";
        out_.Write("focus id=" + std::to_string(GetDlgCtrlID(focus)) + " in=" + where +
                   " class=" + Quote(ClassOf(focus)) + " text=" + Quote(TextOf(focus)));
    }

    void SysCommand(const Step& step)
    {
        HWND dialog = Current();
        long id = step.Number("id", -1);
        PostMessageW(dialog, WM_SYSCOMMAND, WPARAM(id), 0);
        out_.Write("syscommand id=" + std::to_string(id));
        Settle(dialog);
    }

    void WaitMessageBox(const Step& step)
    {
        DWORD timeout = DWORD(step.Number("timeout", DefaultTimeoutMs));
        HWND box = WaitFor("a message box", timeout, [&]() -> HWND {
            for (HWND candidate : TopLevelWindowsOf(ProcessId()))
                if (IsWindowVisible(candidate) && IsMessageBox(candidate))
                    return candidate;
            return nullptr;
        });
        messageBox_ = box;
        Settle(box); // painted, so that its icon can be read from the screen
        HWND iconControl = nullptr;
        std::wstring buttons;
        for (HWND control : ChildrenOf(box)) {
            std::string kind = KindOf(control);
            if (kind == "icon" && IsWindowVisible(control))
                iconControl = control;
            if ((kind == "pushbutton" || kind == "defpushbutton") && IsWindowVisible(control))
                buttons += (buttons.empty() ? L"" : L",") + WithoutMnemonic(TextOf(control));
        }
        std::wstring owner;
        if (HWND ownerWindow = GetWindow(box, GW_OWNER))
            owner = TextOf(ownerWindow);
        out_.Write("messagebox caption=" + Quote(TextOf(box)) +
                   " text=" + Quote(TextOf(GetDlgItem(box, MessageBoxTextId))) + " icon=" + IdentifyIcon(iconControl) +
                   " buttons=" + Quote(buttons) + " owner=" + Quote(owner));
    }

    void Press(const Step& step)
    {
        if (!messageBox_ || !IsWindow(messageBox_))
            throw StepFailure("press: no message box is open (wait-messagebox first)");
        long id = step.Number("id", IDOK);
        HWND button = Control(messageBox_, id);
        std::wstring text = WithoutMnemonic(TextOf(button)); // read first: the click closes the box
        PostMessageW(button, BM_CLICK, 0, 0);
        out_.Write("press id=" + std::to_string(id) + " text=" + Quote(text));
        Settle(messageBox_);
        messageBox_ = nullptr;
    }

    void WaitExit(const Step& step)
    {
        DWORD timeout = DWORD(step.Number("timeout", DefaultTimeoutMs));
        if (WaitForSingleObject(process_.hProcess, timeout) != WAIT_OBJECT_0)
            throw StepFailure("timed out after " + std::to_string(timeout) + " ms waiting for the program to end");
        StopWatcher();
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        out_.Write("exit code=" + std::to_string(code));
    }

    void Signal(const Step& step)
    {
        std::wstring path = step.Require("file");
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            throw StepFailure("signal: cannot create " + ToUtf8(path));
        CloseHandle(file);
        out_.Write("signal file=" + Quote(path));
    }

    void WaitFile(const Step& step)
    {
        std::wstring path = step.Require("file");
        DWORD timeout = DWORD(step.Number("timeout", DefaultTimeoutMs));
        DWORD start = GetTickCount();
        while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount() - start >= timeout)
                throw StepFailure("timed out after " + std::to_string(timeout) + " ms waiting for the file " +
                                  ToUtf8(path));
            Sleep(PollMs);
        }
        out_.Write("file-found file=" + Quote(path));
    }

    // The watcher notes every top-level window of the program the first time it is visible.
    // (A plain Win32 thread: the win32 thread model of the toolchain has no std::thread.)
    void StartWatcher()
    {
        watching_ = 1;
        watcher_ = CreateThread(nullptr, 0, &Driver::Watch, this, 0, nullptr);
    }

    static DWORD WINAPI Watch(void* context)
    {
        auto* self = static_cast<Driver*>(context);
        std::set<HWND> seen;
        while (InterlockedCompareExchange(&self->watching_, 1, 1)) {
            for (HWND window : TopLevelWindowsOf(self->process_.dwProcessId)) {
                if (!IsWindowVisible(window) || seen.count(window))
                    continue;
                seen.insert(window);
                wchar_t caption[512] = {};
                GetWindowTextW(window, caption, 512); // no message to the program's thread
                std::string line = "shown class=" + Quote(ClassOf(window)) + " caption=" + Quote(caption) +
                                   " messagebox=" + (IsMessageBox(window) ? "1" : "0");
                // What the setup dialog's instruction says the moment it appears: its texts
                // must be in place before it is shown.
                if (HWND instruction = GetDlgItem(window, SetupInstructionId)) {
                    wchar_t text[1024] = {};
                    InternalGetWindowText(instruction, text, 1024);
                    line += " instruction=" + Quote(text);
                }
                self->out_.Write(line);
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

    Transcript& out_;
    PROCESS_INFORMATION process_{};
    std::vector<HWND> windows_;
    HWND messageBox_ = nullptr;
    volatile LONG watching_ = 0;
    HANDLE watcher_ = nullptr;
};

std::vector<std::wstring> ReadScript(const std::wstring& path)
{
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        throw StepFailure("cannot open the script " + ToUtf8(path));
    std::string content;
    char buffer[4096];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, read);
    std::fclose(file);
    if (content.rfind("\xEF\xBB\xBF", 0) == 0)
        content.erase(0, 3);
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start <= content.size()) {
        size_t end = content.find('\n', start);
        std::string line = content.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] != '#')
            lines.push_back(FromUtf8(line));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring outPath;
    std::vector<std::wstring> lines;
    try {
        for (int i = 1; i < argc; ++i) {
            std::wstring arg = argv[i];
            if (arg == L"--out" && i + 1 < argc) {
                outPath = argv[++i];
            } else if (arg == L"--script" && i + 1 < argc) {
                auto script = ReadScript(argv[++i]);
                lines.insert(lines.end(), script.begin(), script.end());
            } else {
                lines.push_back(arg);
            }
        }
    } catch (const StepFailure& failure) {
        std::fprintf(stderr, "DialogDriver: %s\n", failure.what());
        return 2;
    }
    if (outPath.empty()) {
        std::fprintf(stderr, "usage: DialogDriver --out RESULT.txt (--script STEPS.txt | STEP...)\n");
        return 2;
    }
    Transcript out(outPath);
    if (!out.IsOpen()) {
        std::fprintf(stderr, "DialogDriver: cannot write %ls\n", outPath.c_str());
        return 2;
    }

    int status = 0;
    {
        Driver driver(out);
        for (size_t index = 0; index < lines.size(); ++index) {
            try {
                driver.Run(ParseStep(lines[index]));
            } catch (const StepFailure& failure) {
                out.Write("error step=" + std::to_string(index + 1) + " line=" + Quote(lines[index]) +
                          " message=" + Quote(FromUtf8(failure.what())));
                status = 1;
                break;
            }
        }
    }
    out.Write(status == 0 ? "done" : "failed");
    return status;
}
