// How Setup.exe ends on a fault that nothing handles, and the light raising helpers of the
// standard library that go with it.
#include "platform/win32/TerminateHandler.h"

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {
bool endQuietly = false;
unsigned quietExitStatus = 0;

LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS*)
{
    ExitProcess(quietExitStatus);
}
} // namespace

void EndQuietlyOnFault(unsigned exitStatus)
{
    endQuietly = true;
    quietExitStatus = exitStatus;
    // The system's own boxes would hold the run as well: the one for a processor fault (an access
    // violation, say), and the ones asking for a disk or a file, which then fail the call instead.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(EndOnUnhandledException);
}

// A plain terminate handler: the library's verbose one pulls in the symbol demangler, which
// would add about a third to the size of Setup.exe. The runtime's abort() shows its "abnormal
// program termination" box to a program with windows and then exits with 3.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    if (endQuietly)
        ExitProcess(quietExitStatus);
    std::abort();
}
} // namespace __gnu_cxx

// The standard library raises its exceptions through these helpers. The library's own copies
// share one object file with the message-carrying <stdexcept> classes, which drag in a second
// (copy-on-write) string, std::random_device and a small printf; their unwind tables keep all of it
// in the 32-bit build, whatever --gc-sections does (the PE linker script keeps every
// .eh_frame whole). Defining the helpers here keeps that object out of the link; should a new
// helper ever be needed, the library object comes back and the link fails on the duplicates.
//
// The program handles exactly one exception: std::bad_alloc, in the INF reader. The types of
// <new>, <typeinfo> and <exception> carry no message, so they are raised as before. Everything
// else (length, range and argument errors) has no handler anywhere: raising it searches the
// stack, finds nothing and calls std::terminate without unwinding a frame of ours, so calling
// std::terminate at once ends the process the same way. The native build raises these for
// real, so tools/pe_audit/check_exception_handlers.py fails on any handler in the sources
// that would count on catching one.
namespace std {
void __throw_bad_alloc()
{
    throw bad_alloc();
}

void __throw_bad_array_new_length()
{
    throw bad_array_new_length();
}

void __throw_bad_cast()
{
    throw bad_cast();
}

void __throw_bad_typeid()
{
    throw bad_typeid();
}

void __throw_bad_exception()
{
    throw bad_exception();
}

void __throw_logic_error(const char*)
{
    terminate();
}

void __throw_domain_error(const char*)
{
    terminate();
}

void __throw_invalid_argument(const char*)
{
    terminate();
}

void __throw_length_error(const char*)
{
    terminate();
}

void __throw_out_of_range(const char*)
{
    terminate();
}

void __throw_out_of_range_fmt(const char*, ...)
{
    terminate();
}

void __throw_runtime_error(const char*)
{
    terminate();
}

void __throw_range_error(const char*)
{
    terminate();
}

void __throw_overflow_error(const char*)
{
    terminate();
}

void __throw_underflow_error(const char*)
{
    terminate();
}
} // namespace std
