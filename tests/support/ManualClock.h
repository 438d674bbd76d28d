#pragma once
// A clock that stands still until the test moves it; Sleep moves it by the time asked.
// Install with KX::Platform::SetClock (&clock) and remove with SetClock (nullptr).
#include "KXFramework/Platform/Process/Clock.h"

#include <atomic>

namespace KX::Test {

class ManualClock final : public KX::Platform::Clock {
public:
    explicit ManualClock(uint32_t start = 0) : m_now(start) {}
    uint32_t Milliseconds() override { return m_now.load(); }
    void Sleep(uint32_t ms) override { m_now += ms; }
    void Advance(uint32_t ms) { m_now += ms; }

private:
    std::atomic<uint32_t> m_now;
};

} // namespace KX::Test
