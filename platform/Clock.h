// Waiting without dispatching window messages.
#pragma once

class Clock {
public:
    virtual ~Clock() = default;
    virtual void Sleep(int milliseconds) = 0;
};
