#pragma once
// The process's millisecond clock (the role of the system's millisecond timer). It goes through a
// replaceable clock so that tests can drive time.
#include <cstdint>

namespace KX::Platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of a monotonic clock; wraps at 2^32, so compare by unsigned subtraction.
    virtual uint32_t Milliseconds() = 0;
    virtual void Sleep(uint32_t ms) = 0;
};

// Installs a clock for the whole process; nullptr restores the steady clock. The caller keeps the
// clock alive while it is installed.
void SetClock(Clock* clock);

uint32_t GetMilliseconds();
void SleepMilliseconds(uint32_t ms);

// The system timer resolution: on Linux the steady clock already has millisecond resolution, so
// asking for a period has nothing to do.
void BeginTimerPeriod(uint32_t ms);
void EndTimerPeriod(uint32_t ms);

} // namespace KX::Platform
