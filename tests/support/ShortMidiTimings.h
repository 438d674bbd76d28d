#pragma once
// The protocol's waits scaled down for a simulated keyboard that answers at once: a try gives up
// soon when no reply comes. The waits for what is on its way (a reply being handed over, a long
// send being taken) stay generous, as they only keep a broken test from hanging.
#include "KXFramework/Midi/MidiTimings.h"

#include <cstdint>

namespace KX::Test {

inline MidiTimings ShortMidiTimings(uint32_t tryWaitMs)
{
    MidiTimings timings;
    timings.tryWaitMs = tryWaitMs;
    timings.handOverWaitMs = 10000;
    timings.pieceGapMs = 1;
    timings.pollPeriodMs = 5;
    timings.doneWaitMs = 10000;
    return timings;
}

} // namespace KX::Test
