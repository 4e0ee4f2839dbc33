// An ordinary program that imports setupapi.dll and comctl32.dll the usual way, by name: the
// system's search finds a planted copy in the program's folder when the loader prefers it.
#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>

int main()
{
    InitCommonControls();
    return SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE) ? 0 : 1;
}
