// The setup dialog on Windows: its controls and its messages, and the view the job shows
// itself in.
#include "app/win32/SetupDialog.h"

#include <commctrl.h>

#include "app/AboutBox.h"
#include "app/DialogStart.h"
#include "app/JobControl.h"
#include "app/win32/AboutDialog.h"
#include "resource_ids.h"

namespace {
// Long enough for the longest row of every string table in a double-byte code page.
constexpr int StringBufferSize = 4096;
} // namespace

SetupDialog::SetupDialog(HINSTANCE instance, bool silentMode, Win32Platform& services)
    : instance_(instance), silentMode_(silentMode), icon_(LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP))),
      platform_(services.With(*this)), session_(platform_)
{
    if (silentMode_)
        session_.ExitStatus = SilentDialogNotCreated;
}

INT_PTR SetupDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_CLOSE:
        OnClose();
        return TRUE;
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(icon_);
    case WM_SETCURSOR:
        return OnSetCursor(reinterpret_cast<HWND>(wParam));
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
        return FALSE;
    default:
        return FALSE;
    }
}

BOOL SetupDialog::OnInitDialog()
{
    StartSetupDialog(session_, phases_, silentMode_);
    return FALSE; // the dialog's start places the focus itself
}

BOOL SetupDialog::OnCommand(int controlId, int notification)
{
    switch (controlId) {
    case IDC_START:
        if (notification == BN_CLICKED)
            OnStartClicked(session_, phases_);
        return TRUE;
    case IDC_INSTALL:
        if (notification == BN_CLICKED)
            OnInstallChosen(session_);
        return TRUE;
    case IDC_UNINSTALL:
        if (notification == BN_CLICKED)
            OnUninstallChosen(session_);
        return TRUE;
    case IDC_EXIT: // Exit, Escape, and the close box through WM_CLOSE
        OnClose();
        return TRUE;
    case IDC_LOGO:
        if (notification == STN_CLICKED && !session_.JobRunning)
            OpenLink();
        return TRUE;
    default:
        return FALSE;
    }
}

void SetupDialog::OnClose()
{
    if (MayCloseDialog(session_))
        EndDialog(DialogCancelResult);
}

BOOL SetupDialog::OnSysCommand(WPARAM commandId)
{
    if (!IsAboutCommand(static_cast<unsigned>(commandId)))
        return FALSE;
    // The job takes the dialog's messages while it runs: a modal box opened from one would hold
    // the job, and the machine's job lock with it, until the user closed the box.
    if (session_.JobRunning)
        return TRUE;
    AboutDialog about(LoadText(IDS_ABOUT) + session_.Brand.AppTitle, session_.Brand.AboutText);
    about.RunModal(instance_, IDD_ABOUT, window());
    return TRUE;
}

BOOL SetupDialog::OnPaint()
{
    if (!IsIconic(window()))
        return FALSE;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window(), &paint);
    SendMessageA(window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(window(), &client);
    const IconPlacement at = MinimisedIconPlacement(client.right - client.left, client.bottom - client.top,
                                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    DrawIcon(dc, at.x, at.y, icon_);
    EndPaint(window(), &paint);
    return TRUE;
}

BOOL SetupDialog::OnSetCursor(HWND overWindow)
{
    if (overWindow != GetDlgItem(window(), IDC_LOGO) || !IsActiveLink(session_.Brand.LinkText))
        return FALSE;
    SetCursor(LoadCursorA(instance_, MAKEINTRESOURCEA(IDC_HAND_POINTER)));
    SetWindowLongPtrA(window(), DWLP_MSGRESULT, TRUE);
    return TRUE;
}

// The template is not visible, and the dialog is shown only by ShowDialog. A dialog manager may
// still show it on its own (when its template was visible, or when its modal loop first goes
// idle); a start that ended during initialisation must not flash on the screen, so every show
// before ShowDialog or after the end is refused here.
void SetupDialog::OnWindowPosChanging(WINDOWPOS& position)
{
    if (!mayShow_)
        position.flags &= ~SWP_SHOWWINDOW;
}

void SetupDialog::OpenLink()
{
    if (const std::optional<std::string> command =
            LinkCommand(platform_.codePage, session_.State.WindowsFolder.view(), session_.Brand.LinkText))
        WinExec(command->c_str(), SW_SHOWNORMAL);
}

std::string SetupDialog::LoadText(int stringId)
{
    char buffer[StringBufferSize];
    const int length = LoadStringA(instance_, static_cast<UINT>(stringId), buffer, StringBufferSize);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

void SetupDialog::AddSystemMenuEntry(int commandId, const std::string& text)
{
    HMENU menu = GetSystemMenu(window(), FALSE);
    if (!menu)
        return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(commandId), text.c_str());
}

void SetupDialog::SetDialogIcon()
{
    SendMessageA(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
}

void SetupDialog::ShowLogo()
{
    logo_.Reset(static_cast<HBITMAP>(LoadImageA(instance_, MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, 0, 0,
                                                LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT)));
    if (!logo_)
        return;
    // The picture the control showed before is handed back to us, to be deleted.
    const GdiObject<HGDIOBJ> previous(reinterpret_cast<HGDIOBJ>(
        SendDlgItemMessageA(window(), IDC_LOGO, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo_.Get()))));
}

void SetupDialog::SetCaption(const std::string& text)
{
    SetWindowTextA(window(), text.c_str());
}

void SetupDialog::SetControlText(int controlId, const std::string& text)
{
    SetDlgItemTextA(window(), controlId, text.c_str());
}

void SetupDialog::SetCheck(int controlId, bool checked)
{
    SendDlgItemMessageA(window(), controlId, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void SetupDialog::FocusControl(int controlId)
{
    SetFocus(GetDlgItem(window(), controlId));
}

void SetupDialog::EnableControl(int controlId, bool enabled)
{
    EnableWindow(GetDlgItem(window(), controlId), enabled ? TRUE : FALSE);
}

void SetupDialog::SetProgress(int position)
{
    SendDlgItemMessageA(window(), IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int SetupDialog::ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags)
{
    return MessageBoxA(window(), text.c_str(), caption.c_str(), flags);
}

void SetupDialog::DispatchOneMessage()
{
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        return;
    if (message.message == WM_QUIT) {
        // Leave the request to end for the modal loop that owns it.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void SetupDialog::ShowDialog()
{
    mayShow_ = true;
    ShowWindow(window(), SW_SHOWNORMAL);
}

void SetupDialog::EndDialog(int result)
{
    mayShow_ = false;
    ::EndDialog(window(), result);
}
