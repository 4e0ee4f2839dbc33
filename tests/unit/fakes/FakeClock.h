// Sleeping costs nothing: the fake clock only adds up the time asked for.
#pragma once
#include <functional>
#include <vector>

#include "platform/Clock.h"

class FakeClock : public Clock {
public:
    long long elapsedMilliseconds = 0;
    std::vector<int> sleeps;
    // Called after each sleep, so a test can script what other programs do meanwhile.
    std::function<void()> onSleep;

    void Sleep(int milliseconds) override
    {
        elapsedMilliseconds += milliseconds;
        sleeps.push_back(milliseconds);
        if (onSleep)
            onSleep();
    }
};
