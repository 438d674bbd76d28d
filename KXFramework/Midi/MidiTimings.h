#pragma once
// Every waiting time of the MIDI transport and the device protocol in one record, so that tests can
// scale them all down at once.
#include "KXFramework/ObjectBase/ServiceSlot.h"

#include <cstdint>

namespace KX {

struct MidiTimings {
    uint32_t tryWaitMs = 500; // how long a request waits for its reply, per try
    uint32_t tries = 10;      // how many times a request is sent before it gives up
    // How long a try whose time is up still waits for the replies that came in meanwhile to be handed over.
    uint32_t handOverWaitMs = 1000;
    uint32_t doneWaitMs = 10000; // how long a long send waits for the device to take it
    uint32_t pieceGapMs = 10;    // pause between the pieces of a long message
    uint32_t pollPeriodMs = 500; // period of the device presence check
};

// The timings in force for the process; the defaults until someone sets others.
ServiceSlot<MidiTimings>& MidiTimingsSlot();
inline MidiTimings GetMidiTimings()
{
    return MidiTimingsSlot().Get();
}

} // namespace KX
