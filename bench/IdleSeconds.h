#pragma once
// How long a benchmark watches an idle program: its own length, or KX_BENCH_IDLE_SECONDS when that is
// set to more than 0 (the smoke runs make every idle watch brief).
#include <cstdlib>

namespace KX::Bench {

inline double IdleSeconds(double standard)
{
    const char* set = std::getenv("KX_BENCH_IDLE_SECONDS");
    const double seconds = set ? std::atof(set) : 0;
    return seconds > 0 ? seconds : standard;
}

} // namespace KX::Bench
