// Test tool: a stand-in for the system's new-hardware wizard, for the silent install on Windows XP
// to find and drive, with a log of what was done to it.
//
//   NewHardwareWizard.exe LOG.txt [--hang | --hold FILE MS | PROBE...]
//
// A property-sheet wizard whose pages name the device:
//   welcome   Next enabled
//   busy      Next and Finish disabled; a separate top-level dialog naming the device comes up and
//             holds the work up until it receives command 5303 (its "Continue" button); BusyMs after
//             the page showed, and once that dialog is gone, the wizard enables Next and moves on by
//             itself, as the system's wizard does when it has installed
//   found     Next enabled
//   finish    Finish only
// A Next that arrives while the busy page is busy is refused. A wizard that nobody finishes runs
// until its process is ended. With --hang, it stops taking messages for good a second after the
// welcome page showed. With --hold, Finish opens FILE for no other process to open, as a virus
// scanner reading it would, and the wizard lets go of it MS milliseconds after its end. Exit status 0 when
// Finish was pressed, 1 otherwise.
//
// The log has one event a line, `verb key=value ...`, flushed at once:
//   page name=N                      a page became the current one
//   probe file=P exists=0|1          each PROBE file, looked at when the busy page shows
//   next page=N by=driver|wizard refused=0|1
//   device-dialog shown | device-dialog command=ID
//   finish page=N
//   held file=P opened=0|1
//   hung
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* Device = "Example USB Disk"; // the target model's description
constexpr int ContinueId = 5303;
constexpr UINT_PTR BusyTimer = 1, HangTimer = 2;
constexpr DWORD BusyMs = 2000, BusyRecheckMs = 250, HangMs = 1000;
enum Page { Welcome, Busy, Found, Finish, PageCount };
const char* const PageNames[PageCount] = {"welcome", "busy", "found", "finish"};
constexpr DWORD PageButtons[PageCount] = {PSWIZB_NEXT, 0, PSWIZB_NEXT, PSWIZB_FINISH};

std::FILE* logFile;
char** probes;        // the PROBE arguments, up to a null pointer
const char* holdPath; // --hold FILE MS
DWORD holdMs;
HANDLE held = INVALID_HANDLE_VALUE;
bool hang, busy, pressingOwnNext, finished;
HWND wizardFrame, deviceDialog;

void Log(const std::string& line)
{
    std::fputs((line + "\n").c_str(), logFile);
    std::fflush(logFile);
}

// An empty dialog template: no menu, the dialog class, no caption of its own (a page shows the
// frame's). The dialogs make their controls when they start.
struct EmptyTemplate {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
};
alignas(4) const EmptyTemplate PageTemplate{{WS_CHILD | DS_CONTROL, 0, 0, 0, 0, 317, 143}, 0, 0, 0};
alignas(4) const EmptyTemplate DeviceDialogTemplate{
    {DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 0, 0, 0, 260, 90}, 0, 0, 0};

// A child control of a page or dialog.
void AddControl(HWND parent, const char* className, const char* text, int id, int x, int y, int width)
{
    CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE, x, y, width, 24, parent, HMENU(INT_PTR(id)),
                    GetModuleHandleA(nullptr), nullptr);
}

// A separate top-level dialog that names the device, owned by the wizard, as the system shows while
// it installs; the work goes on only once it is answered.
INT_PTR CALLBACK DeviceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        AddControl(dialog, "STATIC", Device, 1001, 30, 40, 340);
        AddControl(dialog, "BUTTON", "&Continue", ContinueId, 130, 100, 100);
    }
    if (message != WM_COMMAND)
        return message == WM_INITDIALOG;
    Log("device-dialog command=" + std::to_string(LOWORD(wParam)));
    if (LOWORD(wParam) == ContinueId)
        DestroyWindow(dialog);
    return TRUE;
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Page which = Page(GetWindowLongPtrA(page, GWLP_USERDATA));
    LONG_PTR result = 0;
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(page, GWLP_USERDATA, reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        wizardFrame = GetParent(page);
        AddControl(page, "STATIC", Device, 1001, 30, 60, 400);
        return TRUE;
    }
    if (message == WM_TIMER && wParam == HangTimer) {
        Log("hung");
        for (;;) Sleep(INFINITE);
    }
    if (message == WM_TIMER && wParam == BusyTimer) {
        if (IsWindow(deviceDialog)) // held up until the dialog is answered
            return SetTimer(page, BusyTimer, BusyRecheckMs, nullptr) != 0;
        KillTimer(page, BusyTimer);
        busy = false;
        SendMessageA(wizardFrame, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
        pressingOwnNext = true;
        SendMessageA(wizardFrame, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        pressingOwnNext = false;
        return TRUE;
    }
    if (message != WM_NOTIFY)
        return FALSE;
    switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE:
        Log(std::string("page name=") + PageNames[which]);
        SendMessageA(wizardFrame, PSM_SETWIZBUTTONS, 0, PageButtons[which]);
        if (which == Welcome && hang)
            SetTimer(page, HangTimer, HangMs, nullptr);
        if (which == Busy) {
            for (char** probe = probes; *probe; ++probe)
                Log(std::string("probe file=") + *probe +
                    " exists=" + (GetFileAttributesA(*probe) != INVALID_FILE_ATTRIBUTES ? "1" : "0"));
            busy = true;
            deviceDialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &DeviceDialogTemplate.dialog,
                                                      wizardFrame, DeviceDialogProc, 0);
            Log(deviceDialog ? "device-dialog shown" : "device-dialog failed");
            SetTimer(page, BusyTimer, BusyMs, nullptr);
        }
        break;
    case PSN_WIZNEXT:
        result = which == Busy && busy ? -1 : 0;
        Log(std::string("next page=") + PageNames[which] + " by=" + (pressingOwnNext ? "wizard" : "driver") +
            " refused=" + (result ? "1" : "0"));
        break;
    case PSN_WIZFINISH:
        Log(std::string("finish page=") + PageNames[which]);
        finished = true;
        if (holdPath) {
            held = CreateFileA(holdPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            Log(std::string("held file=") + holdPath + " opened=" + (held != INVALID_HANDLE_VALUE ? "1" : "0"));
        }
        // The sheet's loop notices its end only with the next message it takes; a Finish sent from
        // another process brings none.
        PostMessageA(wizardFrame, WM_NULL, 0, 0);
        break;
    default:
        return FALSE;
    }
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !(logFile = std::fopen(argv[1], "wb"))) // called the wrong way: the header says how
        return 2;
    hang = argc > 2 && std::strcmp(argv[2], "--hang") == 0;
    holdPath = argc > 4 && std::strcmp(argv[2], "--hold") == 0 ? argv[3] : nullptr;
    holdMs = holdPath ? std::strtoul(argv[4], nullptr, 10) : 0;
    probes = argv + (hang ? argc : holdPath ? 5 : 2);
    InitCommonControls();
    PROPSHEETPAGEA pages[PageCount]{};
    for (int index = 0; index < PageCount; ++index) {
        pages[index].dwSize = sizeof pages[index];
        pages[index].dwFlags = PSP_DLGINDIRECT;
        pages[index].pResource = &PageTemplate.dialog;
        pages[index].pfnDlgProc = PageProc;
        pages[index].lParam = index;
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE;
    header.pszCaption = "Found New Hardware Wizard";
    header.nPages = PageCount;
    header.ppsp = pages;
    PropertySheetA(&header);
    if (held != INVALID_HANDLE_VALUE) {
        Sleep(holdMs);
        CloseHandle(held);
    }
    std::fclose(logFile);
    return finished ? 0 : 1;
}
