#pragma once
// The protocol's waits scaled down for a simulated keyboard that answers at once.
#include "KXFramework/Midi/MidiTimings.h"

#include <cstdint>

namespace KX::Test {

inline MidiTimings ShortMidiTimings(uint32_t tryWaitMs)
{
    MidiTimings timings;
    timings.tryWaitMs = tryWaitMs;
    timings.pieceGapMs = 1;
    timings.pollPeriodMs = 5;
    timings.doneWaitMs = 2000;
    return timings;
}

} // namespace KX::Test
