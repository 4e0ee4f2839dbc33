// Test tool: a stand-in for the system's new-hardware wizard, for the silent install on
// Windows XP to find and drive, with a log of what was done to it.
//
// NewHardwareWizard.exe --log LOG.txt [--device TEXT] [--busy-ms N] [--lifetime-ms N] [--hang-ms N]
//                       [--probe PATH]...
//
// A real property-sheet wizard (PropertySheetA, PSH_WIZARD) whose pages name the device in a
// static control:
//   welcome   Next enabled
//   busy      Next and Finish disabled; a separate top-level dialog naming the device comes up
//             and holds the work up until it receives command 5303 (its "Continue" button);
//             busy-ms after the page showed, and once that dialog is gone, the wizard enables
//             Next and moves on by itself, as the system's wizard does when it has installed
//   found     Next enabled
//   finish    Finish only
// A Next that arrives while the busy page is busy is refused (the page stays). After
// lifetime-ms the wizard cancels itself, so a run that nobody drives still ends. With hang-ms,
// the wizard stops taking messages for good that long after the welcome page showed (a hung
// wizard); then only ending its process ends it.
//
// The log is one event a line, `verb key=value ...`, flushed at once:
//   page name=N                  a page became the current one
//   probe page=N file=P exists=0|1   each --probe file, looked at whenever a page other than
//                                the first shows
//   next page=N by=driver|wizard refused=0|1   by=wizard: its own move after the busy page
//   device-dialog shown | device-dialog command=ID
//   finish page=N
//   gave-up
//   hung
//   exit code=N                  0 when Finish was pressed, 1 otherwise
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr WORD ButtonClassAtom = 0x0080;
constexpr WORD StaticClassAtom = 0x0082;
constexpr int DeviceTextId = 1001;
constexpr int IntroTextId = 1002;
constexpr int DeviceDialogContinueId = 5303;
constexpr int DeviceDialogStopId = 5304;
constexpr UINT_PTR BusyTimer = 1;
constexpr UINT_PTR HangTimer = 2;
constexpr DWORD BusyRecheckMs = 250;

struct Options {
    std::string LogPath;
    std::string Device = "Example USB Disk";
    DWORD BusyMs = 2000;
    DWORD LifetimeMs = 60000;
    DWORD HangMs = 0; // 0: never hangs
    std::vector<std::string> Probes;
};

Options options;
std::FILE* logFile = nullptr;
HWND wizardFrame = nullptr;
HWND deviceDialog = nullptr;
bool busy = false;
bool pressingOwnNext = false;
bool finished = false;

void Log(const std::string& line)
{
    if (!logFile)
        return;
    std::fputs(line.c_str(), logFile);
    std::fputc('\n', logFile);
    std::fflush(logFile);
}

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::wstring Wide(const std::string& text)
{
    int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1)
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, result.data(), size);
    return result;
}

// An in-memory dialog template: DLGTEMPLATE, then DLGITEMTEMPLATEs on DWORD boundaries.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short width, short height, const std::string& caption)
    {
        AddDword(style | DS_SETFONT);
        AddDword(0); // extended style
        countAt_ = words_.size();
        words_.push_back(0);
        for (short value : {short(0), short(0), width, height}) words_.push_back(WORD(value));
        words_.push_back(0); // no menu
        words_.push_back(0); // the dialog class
        AddText(caption);
        words_.push_back(8);
        AddText("MS Sans Serif");
    }

    void Add(WORD classAtom, int id, DWORD style, short x, short y, short width, short height, const std::string& text)
    {
        if (words_.size() % 2)
            words_.push_back(0);
        AddDword(style | WS_CHILD | WS_VISIBLE);
        AddDword(0);
        for (short value : {x, y, width, height}) words_.push_back(WORD(value));
        words_.push_back(WORD(id));
        words_.push_back(0xFFFF);
        words_.push_back(classAtom);
        AddText(text);
        words_.push_back(0); // no creation data
        ++words_[countAt_];
    }

    // The template, DWORD aligned as the dialog manager wants it.
    const DLGTEMPLATE* Get()
    {
        aligned_.assign((words_.size() + 1) / 2, 0);
        std::memcpy(aligned_.data(), words_.data(), words_.size() * sizeof(WORD));
        return reinterpret_cast<const DLGTEMPLATE*>(aligned_.data());
    }

private:
    void AddDword(DWORD value)
    {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void AddText(const std::string& text)
    {
        for (wchar_t c : Wide(text)) words_.push_back(WORD(c));
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    std::vector<DWORD> aligned_;
    size_t countAt_ = 0;
};

enum Page { Welcome, Busy, Found, Finish, PageCount };
const char* const PageNames[PageCount] = {"welcome", "busy", "found", "finish"};
const char* const PageIntros[PageCount] = {
    "Welcome to the Found New Hardware Wizard. This wizard helps you install software for:",
    "Please wait while the wizard installs the software for:",
    "The wizard has found the software for:",
    "The wizard has finished installing the software for:",
};

void ProbeFiles(Page page)
{
    for (const std::string& path : options.Probes) {
        bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        Log(std::string("probe page=") + PageNames[page] + " file=" + Quoted(path) + " exists=" + (exists ? "1" : "0"));
    }
}

void SetButtons(DWORD flags)
{
    SendMessageA(wizardFrame, PSM_SETWIZBUTTONS, 0, LPARAM(flags));
}

INT_PTR CALLBACK DeviceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        Log("device-dialog command=" + std::to_string(LOWORD(wParam)));
        if (LOWORD(wParam) == DeviceDialogContinueId || LOWORD(wParam) == DeviceDialogStopId ||
            LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(dialog);
            deviceDialog = nullptr;
        }
        return TRUE;
    }
    return FALSE;
}

// A separate top-level dialog that names the device, owned by the wizard, as the system shows
// while it installs; the work goes on only once it is answered.
void ShowDeviceDialog()
{
    DialogTemplate dialog(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 260, 90,
                          "Hardware Installation");
    dialog.Add(StaticClassAtom, IntroTextId, SS_LEFT, 10, 10, 240, 10,
               "The software you are installing for this hardware:");
    dialog.Add(StaticClassAtom, DeviceTextId, SS_LEFT, 20, 26, 230, 10, options.Device);
    dialog.Add(ButtonClassAtom, DeviceDialogContinueId, BS_PUSHBUTTON | WS_TABSTOP, 90, 66, 70, 14, "&Continue");
    dialog.Add(ButtonClassAtom, DeviceDialogStopId, BS_DEFPUSHBUTTON | WS_TABSTOP, 170, 66, 80, 14,
               "&Stop Installation");
    deviceDialog =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog.Get(), wizardFrame, DeviceDialogProc, 0);
    Log(deviceDialog ? "device-dialog shown" : "device-dialog failed error=" + std::to_string(GetLastError()));
}

void Answer(HWND page, LONG_PTR result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    Page which = Page(GetWindowLongPtrA(page, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG: {
        auto* sheet = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        SetWindowLongPtrA(page, GWLP_USERDATA, sheet->lParam);
        wizardFrame = GetParent(page);
        return TRUE;
    }
    case WM_TIMER:
        if (wParam == HangTimer) {
            Log("hung");
            for (;;) Sleep(INFINITE);
        }
        if (wParam == BusyTimer && which == Busy) {
            if (deviceDialog) { // held up until the dialog is answered
                SetTimer(page, BusyTimer, BusyRecheckMs, nullptr);
                return TRUE;
            }
            KillTimer(page, BusyTimer);
            busy = false;
            Log("busy-over");
            SetButtons(PSWIZB_NEXT);
            pressingOwnNext = true;
            SendMessageA(wizardFrame, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
            pressingOwnNext = false;
        }
        return TRUE;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<const NMHDR*>(lParam);
        switch (header->code) {
        case PSN_SETACTIVE:
            Log(std::string("page name=") + PageNames[which]);
            if (which != Welcome)
                ProbeFiles(which);
            if (which == Welcome && options.HangMs != 0)
                SetTimer(page, HangTimer, options.HangMs, nullptr);
            if (which == Welcome || which == Found) {
                SetButtons(PSWIZB_NEXT);
            } else if (which == Busy) {
                busy = true;
                SetButtons(0);
                ShowDeviceDialog();
                SetTimer(page, BusyTimer, options.BusyMs, nullptr);
            } else {
                SetButtons(PSWIZB_FINISH);
            }
            Answer(page, 0);
            return TRUE;
        case PSN_WIZNEXT: {
            bool refused = which == Busy && busy;
            Log(std::string("next page=") + PageNames[which] + " by=" + (pressingOwnNext ? "wizard" : "driver") +
                " refused=" + (refused ? "1" : "0"));
            Answer(page, refused ? -1 : 0);
            return TRUE;
        }
        case PSN_WIZFINISH:
            Log(std::string("finish page=") + PageNames[which]);
            finished = true;
            // The sheet's loop notices its end only with the next message it takes; a Finish
            // sent from another process brings none.
            PostMessageA(wizardFrame, WM_NULL, 0, 0);
            Answer(page, 0);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD)
{
    Log("gave-up");
    if (deviceDialog)
        DestroyWindow(deviceDialog);
    deviceDialog = nullptr;
    if (wizardFrame)
        SendMessageA(wizardFrame, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

bool ParseArguments(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i], value = argv[i + 1];
        if (name == "--log")
            options.LogPath = value;
        else if (name == "--device")
            options.Device = value;
        else if (name == "--busy-ms")
            options.BusyMs = DWORD(std::strtoul(value.c_str(), nullptr, 10));
        else if (name == "--lifetime-ms")
            options.LifetimeMs = DWORD(std::strtoul(value.c_str(), nullptr, 10));
        else if (name == "--hang-ms")
            options.HangMs = DWORD(std::strtoul(value.c_str(), nullptr, 10));
        else if (name == "--probe")
            options.Probes.push_back(value);
        else
            return false;
    }
    return argc % 2 == 1 && !options.LogPath.empty();
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseArguments(argc, argv)) {
        std::fprintf(stderr, "usage: NewHardwareWizard --log LOG.txt [--device TEXT] [--busy-ms N] "
                             "[--lifetime-ms N] [--hang-ms N] [--probe PATH]...\n");
        return 2;
    }
    logFile = std::fopen(options.LogPath.c_str(), "wb");
    if (!logFile) {
        std::fprintf(stderr, "NewHardwareWizard: cannot write %s\n", options.LogPath.c_str());
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Log("started");

    std::vector<DialogTemplate> templates;
    templates.reserve(PageCount);
    PROPSHEETPAGEA pages[PageCount]{};
    for (int index = 0; index < PageCount; ++index) {
        // Pages without a caption of their own: the frame's caption is the wizard's.
        DialogTemplate& page = templates.emplace_back(WS_CHILD | DS_CONTROL, 317, 143, "");
        page.Add(StaticClassAtom, IntroTextId, SS_LEFT, 10, 10, 297, 20, PageIntros[index]);
        page.Add(StaticClassAtom, DeviceTextId, SS_LEFT, 20, 36, 287, 10, options.Device);
        pages[index].dwSize = sizeof(PROPSHEETPAGEA);
        pages[index].dwFlags = PSP_DLGINDIRECT;
        pages[index].hInstance = GetModuleHandleA(nullptr);
        pages[index].pResource = page.Get();
        pages[index].pfnDlgProc = PageProc;
        pages[index].lParam = index;
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = "Found New Hardware Wizard";
    header.nPages = PageCount;
    header.ppsp = pages;

    UINT_PTR lifetime = SetTimer(nullptr, 0, options.LifetimeMs, GiveUp);
    INT_PTR result = PropertySheetA(&header);
    KillTimer(nullptr, lifetime);
    if (result < 0)
        Log("property-sheet-failed error=" + std::to_string(GetLastError()));
    int code = finished ? 0 : 1;
    Log("exit code=" + std::to_string(code));
    std::fclose(logFile);
    return code;
}
