// The machine-wide job lock as a named mutex, shared by every session of the machine.
#pragma once
#include "platform/JobLock.h"
#include "platform/win32/Handles.h"

class Win32JobLock : public JobLock {
public:
    bool TryTake() override;
    void Release() override;

private:
    KernelHandle mutex_; // made at the first take, closed when the program ends
    bool held_ = false;
};
