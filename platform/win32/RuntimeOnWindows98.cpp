// The compiler runtime's start-up and locking, held to what Windows 98 provides, so that the
// program starts and runs the same way on Windows 98 as on XP.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

// The runtime's locks (static initialisation guards, the unwinder's list of frame tables,
// thread-local emulation) create their semaphores with CreateSemaphoreW. Windows 95 and 98
// implement only a handful of Unicode functions ("Windows 95 General Limitations" in the
// Platform SDK); kernel32 exports the rest, CreateSemaphoreW among them, as stubs that fail.
// The ANSI function works everywhere. The runtime only ever asks for unnamed semaphores.
HANDLE WINAPI CreateSemaphoreWithAnsiName(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount,
                                          LPCWSTR name)
{
    if (name == nullptr)
        return CreateSemaphoreA(attributes, initialCount, maximumCount, nullptr);
    char ansiName[MAX_PATH];
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, ansiName, sizeof ansiName, nullptr, nullptr) == 0)
        return nullptr;
    return CreateSemaphoreA(attributes, initialCount, maximumCount, ansiName);
}

} // namespace

// The runtime calls CreateSemaphoreW through its import slot, __imp_CreateSemaphoreW. Defining
// the slot here, filled with the function above, satisfies those calls before the linker looks
// in kernel32's import library, so Setup.exe does not import CreateSemaphoreW at all.
#if defined(__i386__)
#define IMPORT_SLOT(function, argumentBytes) asm("__imp__" #function "@" #argumentBytes)
#else
#define IMPORT_SLOT(function, argumentBytes) asm("__imp_" #function)
#endif

extern "C" {
decltype(&CreateSemaphoreW) ImportedCreateSemaphoreW IMPORT_SLOT(CreateSemaphoreW, 16) = CreateSemaphoreWithAnsiName;
}

// The start-up code's support for native thread-local variables puts a TLS directory with two
// callbacks into the image: one runs dynamic initialisers of native thread-local variables, the
// other destructors of the runtime's thread keys when a thread ends. Windows 98's loader does
// not call TLS callbacks when it starts a program, so they would run on XP and not on 98.
// Setup.exe has no native thread-local variables (thread_local goes through the runtime's
// emulation, on TlsAlloc) and runs a single thread. Defining the four symbols by which the
// start-up code reaches that support keeps it out of the link: no TLS directory, no
// callbacks, the same start on every system. With no callback to pass, the start-up code
// skips the call.
extern "C" {
int __mingw_initltsdrot_force = 0;
int __mingw_initltsdyn_force = 0;
int __mingw_initltssuo_force = 0;
extern const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback;
const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;
}

// The runtime is built for the Pentium Pro and later: two of its pieces that run in every start
// use a conditional move (cmov), which the Pentium, Pentium MMX and K6 processors that also run
// Windows 98 lack. Both are defined here instead, compiled for the Pentium like the rest of the
// program's code.
//
// The start-up code passes over the program's name in the C library's copy of the command line,
// toggling a flag at each quote with a cmov, to find the text it hands to WinMain. Given a copy
// that starts after the name, at the blank before the arguments or at the end, it finds the
// same text without taking a step of that loop. The program reads its own command line with
// GetCommandLineA; nothing else reads this copy.
extern "C" char** __cdecl __p__acmdln()
{
    static char* arguments = nullptr;
    if (arguments == nullptr) {
        char* text = GetCommandLineA();
        for (bool quoted = false; *text != '\0' && (quoted || static_cast<unsigned char>(*text) > ' '); ++text)
            if (*text == '"')
                quoted = !quoted;
        arguments = text;
    }
    return &arguments;
}

// As the library's own: memory from malloc, the new handler asked while there is one, else
// std::bad_alloc.
void* operator new(std::size_t size)
{
    for (;;) {
        if (void* memory = std::malloc(size != 0 ? size : 1))
            return memory;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}
