// Functions that older systems lack, looked up at run time with the type their header declares.
#pragma once
#include <string>
#include <type_traits>

#include "platform/win32/Handles.h"

// Loads a DLL from the system folder by its full path. A bare name would also search the
// program's own folder, where anyone who can write beside Setup.exe could plant a DLL; the
// flags that restrict the search (LOAD_LIBRARY_SEARCH_SYSTEM32) are unknown to Windows 98.
inline ModuleHandle LoadSystemLibrary(const char* fileName)
{
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return ModuleHandle();
    std::string path(folder, length);
    if (path.back() != '\\')
        path += '\\';
    path += fileName;
    return ModuleHandle(LoadLibraryA(path.c_str()));
}

// The exported function of that name as a typed pointer; null when the module or the export is
// missing. Use GET_DYNAMIC_FUNCTION so that the type comes from the declaration itself.
template <typename FunctionPointer>
FunctionPointer GetDynamicFunction(HMODULE module, const char* name)
{
    static_assert(std::is_pointer_v<FunctionPointer> && std::is_function_v<std::remove_pointer_t<FunctionPointer>>,
                  "GetDynamicFunction needs a function pointer type");
    if (module == nullptr)
        return nullptr;
    FARPROC address = GetProcAddress(module, name);
    // Going through void (*)() keeps -Wcast-function-type quiet: it stands for any function.
    return reinterpret_cast<FunctionPointer>(reinterpret_cast<void (*)()>(address));
}

// The function's name is spelled once, so the name looked up and the type checked cannot
// drift apart. Only the declaration is used: nothing is imported at link time.
#define GET_DYNAMIC_FUNCTION(module, function) GetDynamicFunction<decltype(&function)>(module, #function)
