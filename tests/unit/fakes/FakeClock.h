// Sleeping costs nothing: the fake clock only adds up the time asked for.
#pragma once
#include <vector>

#include "platform/Clock.h"

class FakeClock : public Clock {
public:
    long long elapsedMilliseconds = 0;
    std::vector<int> sleeps;

    void Sleep(int milliseconds) override
    {
        elapsedMilliseconds += milliseconds;
        sleeps.push_back(milliseconds);
    }
};
