// The machine-wide job lock as a named mutex, shared by every session of the machine.
#include "platform/win32/Win32JobLock.h"

#include "platform/win32/Win32SystemInfo.h"

namespace {

// One name for every copy of the program, whatever package it sits beside: the files at stake
// are the system's. On Windows 2000 and XP the name is in the global namespace, so that a run in
// another user's session (fast user switching, terminal services) is seen too; the Windows 98
// family has one namespace and takes no backslash in the name.
constexpr char GlobalName[] = "Global\\UsbFlashDiskDriverSetup.Job";
constexpr char PlainName[] = "UsbFlashDiskDriverSetup.Job";

bool IsWindowsNt()
{
    SystemVersion version;
    return Win32SystemInfo().QueryVersion(version) && version.PlatformId == VER_PLATFORM_WIN32_NT;
}

} // namespace

bool Win32JobLock::TryTake()
{
    if (held_)
        return true;
    if (!mutex_) {
        HANDLE mutex = nullptr;
        if (IsWindowsNt()) {
            mutex = CreateMutexA(nullptr, FALSE, GlobalName);
            // A lock made by another account (a deployment service's run as LocalSystem, say)
            // may give this one only the rights to wait on it and to let go of it, which is all
            // the job needs; asking for every right would be refused.
            if (mutex == nullptr && GetLastError() == ERROR_ACCESS_DENIED)
                mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, GlobalName);
        }
        // Where the global name cannot be had at all, the name of the session's own namespace
        // still guards the runs of this session.
        if (mutex == nullptr)
            mutex = CreateMutexA(nullptr, FALSE, PlainName);
        // No lock to be had at all: the job runs as it would without one.
        if (mutex == nullptr)
            return true;
        mutex_.Reset(mutex);
    }
    // WAIT_ABANDONED: the run that held it ended without letting go; this run holds it now, and
    // its job starts by putting back what that run left hidden.
    const DWORD result = WaitForSingleObject(mutex_.Get(), 0);
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return held_ || result == WAIT_FAILED;
}

void Win32JobLock::Release()
{
    if (held_)
        ReleaseMutex(mutex_.Get());
    held_ = false;
}
