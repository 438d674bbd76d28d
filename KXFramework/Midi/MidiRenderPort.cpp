#include "KXFramework/Midi/MidiRenderPort.h"

#include "KXFramework/Midi/MidiCapturePort.h"
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

LMidiRenderPort::LMidiRenderPort(const String& name, const RCPtr<LMidiComm>& owner) : m_name(name), m_owner(owner) {}

LMidiRenderPort::~LMidiRenderPort()
{
    CloseDevice();
}

void LMidiRenderPort::CloseDevice()
{
    const Midi::Handle handle = m_handle.exchange(Midi::kNoHandle);
    if (handle != Midi::kNoHandle)
        m_owner->GetBackend().CloseOutput(handle);
}

int LMidiRenderPort::Open()
{
    CloseDevice();
    Midi::Backend& backend = m_owner->GetBackend();
    std::vector<std::string> devices;
    backend.ListOutputs(devices);
    const int device = LMidiCapturePort::ChooseDevice(devices, m_name);
    if (device < 0)
        return Midi::kNoDriver;
    m_deviceName = String(devices[static_cast<std::size_t>(device)].c_str());
    Midi::Handle handle = Midi::kNoHandle;
    const int r = backend.OpenOutput(static_cast<unsigned>(device), m_owner->GetSink(), handle);
    if (r != Midi::kOk) {
        if (handle != Midi::kNoHandle)
            backend.CloseOutput(handle);
        return r;
    }
    m_handle = handle;
    return r;
}

bool LMidiRenderPort::IsAlive() const
{
    const Midi::Handle handle = m_handle.load();
    return handle != Midi::kNoHandle && m_owner->GetBackend().IsOutputAlive(handle);
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
    Midi::Backend& backend = m_owner->GetBackend();
    const Midi::Handle handle = m_handle.load();

    const unsigned char first = bytes[0];
    if (first >= 0x80 && first != 0xF0 && first != 0xF7) {
        // Bytes the caller did not give count as 0; none is read past length.
        uint32_t packed = 0;
        for (int i = 0; i < std::min(length, 4); ++i)
            packed |= static_cast<uint32_t>(bytes[i]) << (8 * i);
        if (backend.SendShort(handle, packed) != Midi::kOk)
            return E_FAIL;
        return GetShortMessageLength(bytes);
    }

    // The backend copies the bytes, so a send that times out leaves nothing reading the caller's buffer.
    m_doneGate.SetRed();
    bool done = backend.SendLong(handle, bytes, static_cast<std::size_t>(length)) == Midi::kOk;
    if (done)
        done = m_doneGate.Wait(GetMidiTimings().doneWaitMs) == Event::kSignaled;
    m_doneGate.SetGreen();
    return done ? length : E_FAIL;
}

int32_t LMidiRenderPort::Release()
{
    // The owner outlives the lock even when this release destroys the port.
    const RCPtr<LMidiComm> owner = m_owner;
    MutexLock guard(owner->GetPortLock());
    return LRefCountedObject::Release();
}

KXRESULT LMidiRenderPort::BreakCycles()
{
    MutexLock guard(m_owner->GetPortLock());
    if (GetOwnerCount() > 0 && GetRefCount() == GetOwnerCount() + 1) {
        AdjustOwnerCount(-1);
        m_owner->RemoveRenderPort(this);
    }
    return LRefCountedObject::BreakCycles();
}

} // namespace KX
