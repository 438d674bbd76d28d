#include "KXFramework/Platform/Process/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace KX::Platform {

namespace {

class SteadyClock final : public Clock {
public:
    uint32_t Milliseconds() override
    {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

SteadyClock g_steadyClock;
std::atomic<Clock*> g_clock{&g_steadyClock};

} // namespace

void SetClock(Clock* clock)
{
    g_clock.store(clock != nullptr ? clock : &g_steadyClock);
}

uint32_t GetMilliseconds()
{
    return g_clock.load()->Milliseconds();
}

void SleepMilliseconds(uint32_t ms)
{
    g_clock.load()->Sleep(ms);
}

void BeginTimerPeriod(uint32_t) {}

void EndTimerPeriod(uint32_t) {}

} // namespace KX::Platform
