// Meets a fault that nothing handles inside a window procedure, where Setup.exe runs its jobs,
// with Setup.exe's terminate handler; with /S it first asks for the silent run's quiet end.
#include <windows.h>

#include <cstring>
#include <new>

#include "app/SetupSession.h"
#include "platform/win32/TerminateHandler.h"

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        throw std::bad_alloc();
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    if (std::strstr(commandLine, "/S") != nullptr)
        EndQuietlyOnFault(SilentEndedByFault);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "FaultingProgram";
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowA("FaultingProgram", "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    SendMessageA(window, WM_APP, 0, 0);
    return 0;
}
