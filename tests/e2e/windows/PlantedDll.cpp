// A DLL planted beside a program under a system DLL's name (built as setupapi.dll and as
// comctl32.dll): when a process loads it, it leaves C:\planted-<its name>.txt behind.
#include <windows.h>

#include <cstring>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    const char* name = path;
    for (DWORD i = 0; i < length; ++i) {
        if (path[i] == '\\')
            name = path + i + 1;
    }
    char marker[MAX_PATH] = "C:\\planted-";
    std::strncat(marker, name, MAX_PATH - std::strlen(marker) - 5);
    std::strcat(marker, ".txt");
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return TRUE;
}

// The calls an ordinary program imports from the two DLLs.
extern "C" __declspec(dllexport) BOOL WINAPI SetupDiDestroyDeviceInfoList(void*)
{
    return TRUE;
}
extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}
