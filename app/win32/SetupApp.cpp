// Start-up: the command line, the one setup dialog, and the end of the process with it.
#include <windows.h>

#include "app/CommandLine.h"
#include "app/SetupSession.h"
#include "app/win32/SetupDialog.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/TerminateHandler.h"
#include "platform/win32/Win32Platform.h"

namespace {

class SetupApp {
public:
    // Every end of the dialog ends the process; the dialog's own result is not looked at.
    int Run(HINSTANCE instance)
    {
        RestrictDllSearchPath();
        InitCommonControlsFromSystem(); // registers the progress bar's window class
        char programPath[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameA(nullptr, programPath, MAX_PATH);
        SilentMode = HasSilentSwitch(GetCommandLineA(), length < MAX_PATH ? programPath : "");
        if (SilentMode)
            EndQuietlyOnFault(SilentEndedByFault);
        Win32Platform services;
        SetupDialog dialog(instance, SilentMode, services);
        return dialog.Run();
    }

    bool SilentMode = false;
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    SetupApp app;
    return app.Run(instance);
}
