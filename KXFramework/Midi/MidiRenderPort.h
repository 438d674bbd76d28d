#pragma once
// MIDI output: a render port is one open output device that sends one short or one long message at a
// time and waits for a long message to be taken before it returns.
#include "KXFramework/Midi/MidiPort.h"
#include "KXFramework/Utilities/Threads/Event.h"

#include <mutex>

namespace KX {

class LMidiRenderPort : public LMidiPort {
public:
    // Null for an empty name or a null owner.
    static RCPtr<LMidiRenderPort> Create(const String& name, const RCPtr<LMidiComm>& owner);
    ~LMidiRenderPort() override;

    // (Re)opens the device the name stands for: Ok, NoDriver when no device matches, else the
    // backend's failure. Callers hold the owner's port lock.
    Platform::Midi::Status Open();

    // The number of bytes sent (for a short message the length its status implies); E_INVALIDARG when
    // port is no render port or there is nothing to send; E_FAIL when the system refuses or a long
    // message is not done within the done wait. Sends on one port never overlap.
    [[nodiscard]] static KXRESULT Send(const RCPtr<LRefCountedObject>& port, const unsigned char* bytes, int length);
    static int GetShortMessageLength(const unsigned char* message);

    // The backend reports a long message done; under the owner's port lock.
    void OnLongDone() { m_doneGate.SetGreen(); }

private:
    LMidiRenderPort(const String& name, const RCPtr<LMidiComm>& owner);
    [[nodiscard]] KXRESULT RemoveFromOwner() override;
    [[nodiscard]] KXRESULT SendBytes(const unsigned char* bytes, int length);

    TrafficLight m_doneGate{true}; // green: no long message in flight
    std::mutex m_sendLock;
};

} // namespace KX
