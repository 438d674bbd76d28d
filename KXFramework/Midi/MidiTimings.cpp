#include "KXFramework/Midi/MidiTimings.h"

#include <mutex>

namespace KX {

namespace {
std::mutex g_lock;
MidiTimings g_timings;
} // namespace

MidiTimings GetMidiTimings()
{
    std::lock_guard guard(g_lock);
    return g_timings;
}

void SetMidiTimings(const MidiTimings& timings)
{
    std::lock_guard guard(g_lock);
    g_timings = timings;
}

} // namespace KX
