#pragma once
// Polls `done` until it holds or a generous bound has passed; the bound only keeps a broken test
// from hanging, it measures nothing.
#include <chrono>
#include <thread>

namespace KX::Test {

template <class F>
bool Eventually(F done, std::chrono::milliseconds bound = std::chrono::seconds(10))
{
    for (auto end = std::chrono::steady_clock::now() + bound; std::chrono::steady_clock::now() < end;) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

} // namespace KX::Test
