// The setup dialog on Windows: its controls and its messages, and the view the job shows
// itself in.
#pragma once
#include "app/SetupPhases.h"
#include "app/win32/DialogBase.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32Platform.h"
#include "resource_ids.h"

class SetupDialog : public DialogBase, public SetupView {
public:
    // The job runs on the services; the dialog is their view.
    SetupDialog(HINSTANCE instance, bool silentMode, Win32Platform& services);

    // Runs the dialog to its end and returns the process exit status.
    int Run()
    {
        RunModal(instance_, IDD_SETUP, nullptr);
        return session_.ExitStatus;
    }

    // SetupView
    std::string LoadText(int stringId) override;
    void AddSystemMenuEntry(int commandId, const std::string& text) override;
    void SetDialogIcon() override;
    void ShowLogo() override;
    void SetCaption(const std::string& text) override;
    void SetControlText(int controlId, const std::string& text) override;
    void SetCheck(int controlId, bool checked) override;
    void FocusControl(int controlId) override;
    void EnableControl(int controlId, bool enabled) override;
    void SetProgress(int position) override;
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    void DispatchOneMessage() override;
    void ShowDialog() override;
    void EndDialog(int result) override;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    BOOL OnInitDialog();
    BOOL OnCommand(int controlId, int notification);
    BOOL OnSysCommand(WPARAM commandId);
    BOOL OnPaint();
    BOOL OnSetCursor(HWND overWindow);
    void OnWindowPosChanging(WINDOWPOS& position);
    void OnClose();
    void OpenLink();

    HINSTANCE instance_;
    bool silentMode_;
    HICON icon_;
    GdiObject<HBITMAP> logo_;
    bool mayShow_ = false; // set when the start waits for the user, cleared when the dialog ends

    Platform platform_;
    SystemPhases phases_;
    SetupSession session_;
};
