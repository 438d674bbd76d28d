#include "KXFramework/Midi/MidiRenderPort.h"

#include "KXFramework/Midi/MidiTimings.h"

#include <algorithm>

namespace KX {

namespace Midi = Platform::Midi;

RCPtr<LMidiRenderPort> LMidiRenderPort::Create(const String& name, const RCPtr<LMidiComm>& owner)
{
    if (name.IsEmpty() || !owner)
        return nullptr;
    return RCPtr<LMidiRenderPort>(new LMidiRenderPort(name, owner));
}

LMidiRenderPort::LMidiRenderPort(const String& name, const RCPtr<LMidiComm>& owner) : LMidiPort(name, owner, false) {}

LMidiRenderPort::~LMidiRenderPort()
{
    CloseDevice();
}

Platform::Midi::Status LMidiRenderPort::Open()
{
    CloseDevice();
    return OpenDevice();
}

int LMidiRenderPort::GetShortMessageLength(const unsigned char* message)
{
    return static_cast<int>(Midi::ShortMessageLength(message[0]));
}

KXRESULT LMidiRenderPort::Send(const RCPtr<LRefCountedObject>& port, const unsigned char* bytes, int length)
{
    auto* render = dynamic_cast<LMidiRenderPort*>(port.Get());
    if (!render || !bytes || length <= 0)
        return E_INVALIDARG;
    return render->SendBytes(bytes, length);
}

KXRESULT LMidiRenderPort::SendBytes(const unsigned char* bytes, int length)
{
    // One send at a time: a second sender waits here rather than on the done gate, which two waiters
    // would pass together.
    std::lock_guard sending(m_sendLock);
    Midi::Backend& backend = Owner().GetBackend();
    const Midi::Handle handle = GetHandle();

    const unsigned char first = bytes[0];
    if (first >= 0x80 && first != 0xF0 && first != 0xF7) {
        // Bytes the caller did not give count as 0; none is read past length.
        uint32_t packed = 0;
        for (int i = 0; i < std::min(length, 4); ++i)
            packed |= static_cast<uint32_t>(bytes[i]) << (8 * i);
        if (backend.SendShort(handle, packed) != Midi::Status::Ok)
            return E_FAIL;
        return GetShortMessageLength(bytes);
    }

    // The backend copies the bytes, so a send that times out leaves nothing reading the caller's buffer.
    m_doneGate.SetRed();
    bool done = backend.SendLong(handle, bytes, static_cast<std::size_t>(length)) == Midi::Status::Ok;
    if (done)
        done = m_doneGate.Wait(GetMidiTimings().doneWaitMs) == Event::kSignaled;
    m_doneGate.SetGreen();
    return done ? length : E_FAIL;
}

KXRESULT LMidiRenderPort::RemoveFromOwner()
{
    return Owner().RemoveRenderPort(this);
}

} // namespace KX
