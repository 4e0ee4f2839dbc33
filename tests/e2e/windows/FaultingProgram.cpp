// Meets a fault that nothing handles inside a window procedure, where Setup.exe runs its jobs,
// with Setup.exe's terminate handler: memory running out, or with /access an access violation.
// With /S it first asks for the silent run's quiet end, and ends with 7 if the system's boxes
// for a missing disk or file were not turned off.
#include <windows.h>

#include <cstring>
#include <new>

#include "app/SetupSession.h"
#include "platform/win32/TerminateHandler.h"

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP && wParam != 0)
        *reinterpret_cast<volatile int*>(wParam - 1) = 0;
    if (message == WM_APP)
        throw std::bad_alloc();
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    if (std::strstr(commandLine, "/S") != nullptr) {
        EndQuietlyOnFault(SilentEndedByFault);
        const UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
        if ((SetErrorMode(quiet) & quiet) != quiet)
            return 7;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "FaultingProgram";
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowA("FaultingProgram", "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    SendMessageA(window, WM_APP, std::strstr(commandLine, "/access") != nullptr ? 1 : 0, 0);
    return 0;
}
