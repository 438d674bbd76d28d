#pragma once
// The clock controls time their animations, delays and clicks by: the framework services' clock,
// so that tests move time through their fake services. 0 while no services are registered.
// Thread: UI thread only.
#include <cstdint>

namespace KX::FrameworkClock {

uint32_t Milliseconds();
// Seconds accumulated from the millisecond clock.
double Seconds();

} // namespace KX::FrameworkClock
