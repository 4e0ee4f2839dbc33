// A modal dialog as a small class.
#include "app/win32/DialogBase.h"

INT_PTR DialogBase::RunModal(HINSTANCE instance, int templateId, HWND owner)
{
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, &DialogBase::StaticProcedure,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK DialogBase::StaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DialogBase* dialog;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<DialogBase*>(lParam);
        dialog->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) have no object yet.
    return dialog ? dialog->HandleMessage(message, wParam, lParam) : FALSE;
}
