// The about box: the program's title, its about text and its icon.
#include "app/win32/AboutDialog.h"

#include "resource_ids.h"

INT_PTR AboutDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(window(), LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

BOOL AboutDialog::OnInitDialog()
{
    SetWindowTextA(window(), caption_.c_str());
    SetDlgItemTextA(window(), IDC_ABOUT_TEXT, aboutText_.c_str());
    return TRUE; // the OK button, the only tab stop, keeps the focus
}
