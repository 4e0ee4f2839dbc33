// Test tool: starts a program, drives its dialogs the way a person would, and writes what it saw.
//
//   DialogDriver.exe RESULT.txt STEP...
//
// A step is a verb, and after a space its argument. RESULT.txt gets one event a line, UTF-16LE,
// `verb key=value ...` with texts quoted as JSON strings: each step's line as `step line=...`, then
// what the step saw. The first failing step writes an `error` line and ends the run with exit
// status 1; the launched program never outlives the run. Window handles and process ids never
// appear in the result.
//
// Steps:
//   launch EXE [ARGS]     start the program under test, in its own folder
//   wait-window CAPTION   a visible window of it with this caption becomes current
//   dump                  caption, size and state of the current window and its controls
//   click ID              a click on an enabled, visible control of the current window
//   key NAME              a key stroke through the input queue (names in Keys)
//   syscommand ID         a system-menu command to the current window
//   wait-messagebox       a message box of the program: caption, text, icon, buttons, owner
//   press                 a click on the message box's OK button
//   wait-exit [MS]        the program ends (by default within 20 s): its exit code
//   wait-file PATH        until the file exists (the harness's answer)
//   hold-lock NAME        take the program's job lock (a mutex), as another run's job would hold it
//   release-lock          let go of it
//   hold-file PATH        open the file as a virus scanner reads it: others may read it, but not
//                         write, rename or delete it; each hold adds one file
//   release-file          close every held file
//   pause MS              wait that long
//   probe PATH            whether the file exists now
//   version PATH          the file's version numbers and its US English version texts
// Besides the steps' lines, a watcher writes `shown ...` the first time each top-level window of
// the program becomes visible (with the setup dialog's instruction as it stood at that moment), so
// a test can tell that nothing else appeared, and nothing too early.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Text = std::wstring; // the failure a step throws, too
constexpr DWORD DefaultTimeoutMs = 20000, AnswerTimeoutMs = 10000;
constexpr int MessageBoxTextId = 0xFFFF, SetupInstructionId = 1014;

std::FILE* out;
PROCESS_INFORMATION program{};
std::vector<HWND> windows; // those waited for, the current one last
HWND messageBox;
HANDLE watcher;                // ends by itself once the program has ended
HANDLE jobLock;                // the program's own job lock, taken by hold-lock
std::vector<HANDLE> heldFiles; // opened by hold-file

Text Quote(const Text& text)
{
    Text quoted = L"\"";
    for (const wchar_t c : text)
        quoted += c < 0x20 ? Text{L'\\', L'u', L'0', L'0', L"0123456789ABCDEF"[c >> 4], L"0123456789ABCDEF"[c & 15]}
                           : (c == L'"' || c == L'\\' ? L"\\" : L"") + Text(1, c);
    return quoted + L"\"";
}

// The watcher writes too: a line is one call, which holds the file's lock, and flushed at once, so
// that a run cut short leaves what it saw.
void Write(const Text& line)
{
    std::fwrite((line + L"\n").c_str(), sizeof(wchar_t), line.size() + 1, out);
    std::fflush(out);
}

bool IsClass(HWND window, const wchar_t* name)
{
    wchar_t found[256] = {};
    GetClassNameW(window, found, 256);
    return _wcsicmp(found, name) == 0;
}

// The text as the system holds it: no message to the program's thread.
Text TextOf(HWND window)
{
    wchar_t text[4096] = {};
    InternalGetWindowText(window, text, 4096);
    return text;
}

// Messages to the program wait a bounded time, so that a hung program fails the step instead of
// hanging the run.
LRESULT Ask(HWND window, UINT message)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, AnswerTimeoutMs, &result))
        throw L"no answer to message " + std::to_wstring(message);
    return LRESULT(result);
}

// Lets the program handle what was posted to it: each round trip of a sent message ends only after
// the program's thread came back for its next message, so after three of them the posted input and
// whatever it posted in turn have been handled.
void Settle(HWND window)
{
    for (int trip = 0; trip < 3 && IsWindow(window); ++trip, Sleep(20))
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, AnswerTimeoutMs, nullptr);
}

// The children of a window; of the desktop, the program's visible windows.
std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DWORD process = 0;
        GetWindowThreadProcessId(child, &process);
        if (parent != GetDesktopWindow() || (process == program.dwProcessId && IsWindowVisible(child)))
            children.push_back(child);
    }
    return children;
}

bool IsMessageBox(HWND window)
{
    return IsClass(window, L"#32770") && IsClass(GetDlgItem(window, MessageBoxTextId), L"Static");
}

bool HasExited()
{
    return WaitForSingleObject(program.hProcess, 0) == WAIT_OBJECT_0;
}

template <typename Found>
void WaitFor(DWORD timeoutMs, const Text& what, Found found)
{
    for (const DWORD start = GetTickCount(); !found(); Sleep(10))
        if (GetTickCount() - start >= timeoutMs)
            throw L"timed out after " + std::to_wstring(timeoutMs) + L" ms waiting for " + what;
}

template <typename Test>
HWND WaitForWindow(const Text& what, Test test)
{
    HWND found = nullptr;
    WaitFor(DefaultTimeoutMs, what, [&] {
        for (HWND window : Children(GetDesktopWindow()))
            if (test(window))
                return (found = window) != nullptr;
        if (HasExited())
            throw L"the program ended while waiting for " + what;
        return false;
    });
    return found;
}

// The window the steps act on: the last one waited for that still exists.
HWND Current()
{
    while (!windows.empty() && !IsWindow(windows.back())) windows.pop_back();
    if (windows.empty())
        throw Text(L"no current window");
    return windows.back();
}

void Click(HWND window, int id)
{
    HWND control = GetDlgItem(window, id);
    if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control))
        throw L"no enabled, visible control " + std::to_wstring(id) + L" to click";
    if (IsClass(control, L"Static")) { // a picture or a text: the mouse itself, inside it
        PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    } else {
        PostMessageW(control, BM_CLICK, 0, 0);
    }
    Settle(window);
}

// The icon of a message box, told apart by its pixels on the screen (a system icon handle belongs
// to the process that loaded it): the candidate that, drawn over them, changes the fewest, and
// fewer than a quarter.
Text IconOnScreen(HWND icon)
{
    RECT rect{};
    GetWindowRect(icon, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, CreateCompatibleBitmap(screen, width, height));
    std::vector<COLORREF> shown;
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    for (int i = 0; i < width * height; ++i) shown.push_back(GetPixel(memory, i % width, i / width));
    Text name = L"unknown";
    long fewest = width * height / 4;
    for (const auto& [candidate, id] :
         {std::pair{L"error", IDI_HAND}, std::pair{L"warning", IDI_EXCLAMATION},
          std::pair{L"information", IDI_ASTERISK}, std::pair{L"question", IDI_QUESTION}}) {
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        DrawIconEx(memory, 0, 0, LoadIconW(nullptr, id), width, height, 0, nullptr, DI_NORMAL);
        long changed = 0;
        for (int i = 0; i < width * height; ++i) changed += GetPixel(memory, i % width, i / width) != shown[i];
        if (changed < fewest)
            fewest = changed, name = candidate;
    }
    DeleteObject(SelectObject(memory, old));
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return name;
}

// Sizes and positions in dialog units: those that the dialog manager's rounding (MulDiv) maps to
// the pixels, with the base units of the platform's dialog font as this process computes them,
// which are the units the program's dialog manager used (same prefix, same locale, same font
// substitutes).
void Dump(const Text&)
{
    HWND dialog = Current();
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, CreateFontW(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0,
                                                   FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY,
                                                   FF_DONTCARE, L"MS Sans Serif"));
    SIZE size{};
    GetTextExtentPoint32W(screen, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    DeleteObject(SelectObject(screen, old));
    ReleaseDC(nullptr, screen);
    const auto unit = [](int pixels, int base, int per) {
        int units = MulDiv(pixels, per, base) - 1;
        while (MulDiv(units, base, per) < pixels) ++units;
        return std::to_wstring(units);
    };
    const auto units = [&](int x, int y) {
        return unit(x, (size.cx / 26 + 1) / 2, 4) + L"," + unit(y, metrics.tmHeight, 8);
    };
    const auto flag = [](bool value) { return Text(value ? L"1" : L"0"); };
    const auto state = [&](HWND window) {
        return L" enabled=" + flag(IsWindowEnabled(window)) + L" visible=" + flag(IsWindowVisible(window));
    };
    RECT client{};
    GetClientRect(dialog, &client);
    Write(L"dialog caption=" + Quote(TextOf(dialog)) + L" size=" + units(client.right, client.bottom) + state(dialog));
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    for (HWND control : Children(dialog)) {
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2); // into the dialog's client area
        Text line = L"control id=" + std::to_wstring(GetDlgCtrlID(control)) + L" text=" + Quote(TextOf(control));
        if (IsClass(control, L"Button"))
            line += L" checked=" + flag(Ask(control, BM_GETCHECK) == BST_CHECKED) + L" default=" +
                    flag((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        if (IsClass(control, L"Static")) // whether "&" underlines the next letter
            line += L" prefix=" + flag(!(style & SS_NOPREFIX));
        if (IsClass(control, PROGRESS_CLASSW))
            line += L" position=" + std::to_wstring(Ask(control, PBM_GETPOS));
        Write(line + state(control) + L" focus=" + flag(control == gui.hwndFocus) + L" du=" +
              units(rect.left, rect.top) + L"," + units(rect.right - rect.left, rect.bottom - rect.top));
    }
}

void Version(const Text& path)
{
    DWORD ignored = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    VS_FIXEDFILEINFO* numbers = nullptr;
    UINT size = 0;
    if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, DWORD(data.size()), data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&numbers), &size))
        throw L"no version resource in " + Quote(path);
    const auto dotted = [](DWORD high, DWORD low) {
        return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
               std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
    };
    Text line = L"version file=" + dotted(numbers->dwFileVersionMS, numbers->dwFileVersionLS) + L" product=" +
                dotted(numbers->dwProductVersionMS, numbers->dwProductVersionLS);
    for (const wchar_t* name :
         {L"Comments", L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalTrademarks",
          L"OriginalFilename", L"PrivateBuild", L"ProductName", L"ProductVersion", L"SpecialBuild"}) {
        wchar_t* value = nullptr;
        const Text key = Text(L"\\StringFileInfo\\040904b0\\") + name;
        if (VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &size) && value)
            line += L" " + Text(name) + L"=" + Quote(value);
    }
    Write(line);
}

const std::map<Text, std::vector<BYTE>> Keys = {
    {L"Tab", {VK_TAB}},   {L"Shift+Tab", {VK_SHIFT, VK_TAB}}, {L"Enter", {VK_RETURN}}, {L"Escape", {VK_ESCAPE}},
    {L"Down", {VK_DOWN}}, {L"Alt+F4", {VK_MENU, VK_F4}},
};

// A key stroke as the keyboard makes it: through the input queue to the foreground window, which is
// the program's dialog (brought to the front first, as a person's click would); keys down in
// order, then up in reverse.
void Key(const Text& name)
{
    HWND dialog = Current(), front = GetLastActivePopup(GetAncestor(dialog, GA_ROOTOWNER));
    if (!Keys.count(name))
        throw L"unknown key " + name;
    if (GetForegroundWindow() != front) {
        SetForegroundWindow(front);
        Settle(front);
    }
    const std::vector<BYTE>& keys = Keys.at(name);
    const auto stroke = [](BYTE key, DWORD flags) {
        keybd_event(key, BYTE(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)),
                    flags | (key == VK_DOWN ? KEYEVENTF_EXTENDEDKEY : 0), 0);
    };
    std::for_each(keys.begin(), keys.end(), [&](BYTE key) { stroke(key, 0); });
    std::for_each(keys.rbegin(), keys.rend(), [&](BYTE key) { stroke(key, KEYEVENTF_KEYUP); });
    Settle(dialog);
}

void WaitMessageBox(const Text&)
{
    messageBox = WaitForWindow(L"a message box", IsMessageBox);
    Settle(messageBox); // painted, so that its icon can be read from the screen
    HWND icon = nullptr;
    Text buttons;
    for (HWND control : Children(messageBox)) {
        if (IsWindowVisible(control) && IsClass(control, L"Static") &&
            (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = control;
        if (IsWindowVisible(control) && IsClass(control, L"Button"))
            buttons += (buttons.empty() ? L"" : L",") + TextOf(control);
    }
    std::erase(buttons, L'&'); // the buttons' texts without their mnemonics
    // A box just shown may reach the screen a moment after it was painted.
    Text iconName = icon ? L"unknown" : L"none";
    for (int attempt = 0; icon && iconName == L"unknown" && attempt < 20; ++attempt, Sleep(50))
        iconName = IconOnScreen(icon);
    Write(L"messagebox caption=" + Quote(TextOf(messageBox)) + L" text=" +
          Quote(TextOf(GetDlgItem(messageBox, MessageBoxTextId))) + L" icon=" + iconName + L" buttons=" +
          Quote(buttons) + L" owner=" + Quote(TextOf(GetWindow(messageBox, GW_OWNER))));
}

// The watcher notes every top-level window of the program the first time it is visible, until the
// program ends.
DWORD WINAPI Watch(void*)
{
    std::set<HWND> seen;
    for (; !HasExited(); Sleep(5))
        for (HWND window : Children(GetDesktopWindow()))
            if (HWND instruction = GetDlgItem(window, SetupInstructionId); seen.insert(window).second)
                Write(L"shown caption=" + Quote(TextOf(window)) + L" messagebox=" +
                      std::to_wstring(IsMessageBox(window)) +
                      (instruction ? L" instruction=" + Quote(TextOf(instruction)) : Text()));
    return 0;
}

void Launch(const Text& commandLine)
{
    const Text exe = commandLine.substr(0, commandLine.find(L' '));
    Text quoted = L"\"" + exe + L"\"" + commandLine.substr(exe.size());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), quoted.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        exe.substr(0, exe.find_last_of(L"\\/") + 1).c_str(), &startup, &program))
        throw L"CreateProcess failed with error " + std::to_wstring(GetLastError());
    watcher = CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr);
}

void WaitExit(const Text& timeoutMs)
{
    WaitFor(timeoutMs.empty() ? DefaultTimeoutMs : DWORD(std::stoul(timeoutMs)), L"the program to end", HasExited);
    WaitForSingleObject(watcher, INFINITE); // its last lines come before the exit's
    DWORD code = 0;
    GetExitCodeProcess(program.hProcess, &code);
    Write(L"exit code=" + std::to_wstring(code));
}

const std::map<Text, std::function<void(const Text&)>> Steps = {
    {L"launch", Launch},
    {L"wait-window",
     [](const Text& caption) {
         windows.push_back(WaitForWindow(L"a window with caption " + Quote(caption),
                                         [&](HWND w) { return !IsMessageBox(w) && TextOf(w) == caption; }));
         Settle(windows.back()); // its start finished
     }},
    {L"dump", Dump},
    {L"version", Version},
    {L"click", [](const Text& id) { Click(Current(), std::stoi(id)); }},
    {L"key", Key},
    {L"syscommand",
     [](const Text& id) {
         PostMessageW(Current(), WM_SYSCOMMAND, WPARAM(std::stoi(id)), 0);
         Settle(Current());
     }},
    {L"wait-messagebox", WaitMessageBox},
    {L"press", [](const Text&) { Click(messageBox, IDOK); }},
    {L"wait-exit", WaitExit},
    {L"hold-lock",
     [](const Text& name) {
         jobLock = CreateMutexW(nullptr, TRUE, name.c_str());
         if (!jobLock || GetLastError() == ERROR_ALREADY_EXISTS)
             throw Text(L"the job lock is not free");
     }},
    {L"release-lock", [](const Text&) { ReleaseMutex(jobLock); }},
    {L"hold-file",
     [](const Text& path) {
         const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
         if (held == INVALID_HANDLE_VALUE)
             throw L"cannot hold " + Quote(path);
         heldFiles.push_back(held);
     }},
    {L"release-file",
     [](const Text&) {
         for (const HANDLE held : heldFiles) CloseHandle(held);
         heldFiles.clear();
     }},
    {L"pause", [](const Text& ms) { Sleep(DWORD(std::stoul(ms))); }},
    {L"probe",
     [](const Text& path) {
         Write(L"probe file=" + Quote(path) +
               (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES ? L" exists=1" : L" exists=0"));
     }},
    {L"wait-file",
     [](const Text& path) {
         WaitFor(DefaultTimeoutMs, path, [&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; });
     }},
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || !(out = _wfopen(argv[1], L"wb"))) // called the wrong way: the header says how
        return 2;
    int status = 0;
    for (int index = 2; index < argc && status == 0; ++index) {
        const Text step = argv[index], verb = step.substr(0, step.find(L' '));
        Write(L"step line=" + Quote(step));
        try {
            if (!Steps.count(verb))
                throw Text(L"unknown step");
            Steps.at(verb)(step.substr(std::min(step.size(), verb.size() + 1)));
        } catch (const Text& failure) {
            Write(L"error message=" + Quote(failure));
            status = 1;
        }
    }
    // The program, if still running at the end of the steps (else this fails and changes nothing),
    // then the watcher, at once when none was started.
    TerminateProcess(program.hProcess, 255);
    WaitForSingleObject(watcher, INFINITE);
    std::fclose(out);
    return status;
}
