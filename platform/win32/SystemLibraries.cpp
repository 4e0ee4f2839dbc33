// Start-up steps that keep DLLs planted beside Setup.exe out of the process.
#include "platform/win32/SystemLibraries.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/DynamicFunction.h"

namespace {
// LOAD_LIBRARY_SEARCH_SYSTEM32; the headers of older SDKs lack it.
constexpr DWORD SearchSystemFolderOnly = 0x00000800;
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
} // namespace

void RestrictDllSearchPath()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (auto setDefault = GetDynamicFunction<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories"))
        setDefault(SearchSystemFolderOnly);
    // An empty string removes the current folder from the search (XP SP1 and later).
    if (auto setDirectory = GetDynamicFunction<SetDllDirectoryFunction>(kernel, "SetDllDirectoryA"))
        setDirectory("");
}

bool InitCommonControlsFromSystem()
{
    // Kept loaded for the life of the process: the dialog's progress bar lives in it.
    static ModuleHandle commonControls = LoadSystemLibrary("comctl32.dll");
    auto initCommonControls = GET_DYNAMIC_FUNCTION(commonControls.Get(), InitCommonControls);
    if (initCommonControls == nullptr)
        return false;
    initCommonControls();
    return true;
}
