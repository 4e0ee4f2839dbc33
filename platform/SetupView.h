// What the setup dialog offers the core: its controls, its message boxes and its message queue.
#pragma once
#include <string>

class SetupView {
public:
    virtual ~SetupView() = default;

    // A row of the string table in the user's language; a missing row is the empty text.
    virtual std::string LoadText(int stringId) = 0;

    // Dialog start: the system-menu entry (after a separator; nothing when the dialog has no
    // system menu), the dialog's icon, the logo picture.
    virtual void AddSystemMenuEntry(int commandId, const std::string& text) = 0;
    virtual void SetDialogIcon() = 0;
    virtual void ShowLogo() = 0;

    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetControlText(int controlId, const std::string& text) = 0;
    virtual void SetCheck(int controlId, bool checked) = 0;
    virtual void FocusControl(int controlId) = 0;
    virtual void EnableControl(int controlId, bool enabled) = 0;
    // PBM_SETPOS on the progress bar.
    virtual void SetProgress(int position) = 0;

    // A modal message box owned by the dialog; returns the button pressed.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    // Takes at most one waiting message of this thread and dispatches it.
    virtual void DispatchOneMessage() = 0;
    // The dialog becomes visible: only a start that goes on to wait for the user shows it, once,
    // with its texts in place. A start that ends during initialisation never shows it.
    virtual void ShowDialog() = 0;
    virtual void EndDialog(int result) = 0;
};
