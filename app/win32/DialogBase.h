// A modal dialog as a small class: the static procedure finds the object, the member
// procedure handles the messages.
#pragma once
#include <windows.h>

class DialogBase {
public:
    virtual ~DialogBase() = default;

    // Runs the dialog from a template and returns its end result (-1 when it cannot be made).
    INT_PTR RunModal(HINSTANCE instance, int templateId, HWND owner);

protected:
    HWND window() const { return window_; }

    // Returns TRUE for a handled message, FALSE for the platform's default handling; a value
    // for messages whose result the dialog manager returns directly.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static INT_PTR CALLBACK StaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};
