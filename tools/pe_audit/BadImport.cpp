// A program the import audit must reject, built beside Setup.exe with the same link options:
// it imports GetFileSizeEx, which Windows 98's kernel32 does not export, and takes
// InitCommonControls from comctl32 statically instead of loading that DLL from the system folder.
#include <windows.h>
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    InitCommonControls();
    HANDLE file = CreateFileA(commandLine, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    LARGE_INTEGER size = {};
    const BOOL known = GetFileSizeEx(file, &size);
    CloseHandle(file);
    return known ? 0 : 2;
}
