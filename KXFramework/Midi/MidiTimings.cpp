#include "KXFramework/Midi/MidiTimings.h"

namespace KX {

ServiceSlot<MidiTimings>& MidiTimingsSlot()
{
    static auto* slot = new ServiceSlot<MidiTimings>;
    return *slot;
}

} // namespace KX
