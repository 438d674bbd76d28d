#pragma once
// A clock that stands still until the test moves it; Sleep moves it by the time asked.
// Install with KX::Platform::SetClock (&clock) and remove with SetClock (nullptr).
#include "KXFramework/Platform/Process/Clock.h"

#include <atomic>

namespace KX::Test {

class ManualClock final : public KX::Platform::Clock {
public:
    explicit ManualClock(uint32_t start = 0) : now_(start) {}
    uint32_t Milliseconds() override { return now_.load(); }
    void Sleep(uint32_t ms) override { now_ += ms; }
    void Advance(uint32_t ms) { now_ += ms; }

private:
    std::atomic<uint32_t> now_;
};

} // namespace KX::Test
