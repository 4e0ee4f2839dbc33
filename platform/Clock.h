// Waiting without dispatching window messages, and the time that passed meanwhile.
#pragma once
#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    virtual void Sleep(int milliseconds) = 0;
    // Milliseconds since some fixed moment, wrapping around after 2^32 as GetTickCount does:
    // only the difference of two readings means anything.
    virtual std::uint32_t Milliseconds() = 0;
};
