// A DLL planted beside a program under a system DLL's name (built as setupapi.dll and as
// comctl32.dll, PLANTED_NAME): when a process loads it, it leaves C:\planted-<its name>.txt behind.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        CloseHandle(CreateFileA("C:\\planted-" PLANTED_NAME ".txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return TRUE;
}

// The calls an ordinary program imports from the two DLLs.
extern "C" __declspec(dllexport) BOOL WINAPI SetupDiDestroyDeviceInfoList(void*)
{
    return TRUE;
}
extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}
