// Waiting through Windows' Sleep (the thread's messages wait too), time through GetTickCount.
#pragma once
#include "platform/Clock.h"

class Win32Clock : public Clock {
public:
    void Sleep(int milliseconds) override;
    std::uint32_t Milliseconds() override;
};
