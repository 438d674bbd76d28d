#include "KXFramework/Midi/MidiPort.h"

namespace KX {

namespace Midi = Platform::Midi;

LMidiPort::LMidiPort(const String& name, const RCPtr<LMidiComm>& owner, bool input)
    : m_name(name),
      m_input(input),
      m_owner(owner)
{
}

void LMidiPort::SplitPortName(const String& name, String& base, int& index)
{
    const unsigned length = name.GetLength();
    const char16_t* text = name.GetData();
    // The first examined character, normally the blank before "(", goes with the suffix untested.
    for (const unsigned tail : {4u, 5u}) {
        if (length < tail)
            continue;
        const char16_t* suffix = text + length - tail;
        if (suffix[1] != u'(' || suffix[tail - 1] != u')')
            continue;
        index = name.SubString(static_cast<int>(length - tail + 2), tail - 3).ToInt() - 1;
        base = name.Left(length - tail);
        return;
    }
    base = name;
    index = 0;
}

int LMidiPort::ChooseDevice(const std::vector<std::string>& devices, const String& name)
{
    String base;
    int index = 0;
    SplitPortName(name, base, index);
    if (index < 0)
        return -1;
    const bool suffixed = base.GetLength() != name.GetLength();
    const String wanted = base.ToLower();
    int position = 0;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const String device = String(devices[i].c_str()).ToLower();
        const bool counts = suffixed ? device == wanted : device.Find(wanted) >= 0;
        if (counts && position++ == index)
            return static_cast<int>(i);
    }
    return -1;
}

Midi::Status LMidiPort::OpenDevice()
{
    Midi::Backend& backend = m_owner->GetBackend();
    std::vector<std::string> devices;
    if (m_input)
        backend.ListInputs(devices);
    else
        backend.ListOutputs(devices);
    const int device = ChooseDevice(devices, m_name);
    if (device < 0)
        return Midi::Status::NoDriver;
    m_deviceName = String(devices[static_cast<std::size_t>(device)].c_str());
    Midi::Handle handle = Midi::kNoHandle;
    const auto number = static_cast<unsigned>(device);
    const Midi::Status r = m_input ? backend.OpenInput(number, m_owner->GetSink(), handle)
                                   : backend.OpenOutput(number, m_owner->GetSink(), handle);
    m_handle = handle;
    if (r != Midi::Status::Ok)
        CloseDevice();
    return r;
}

void LMidiPort::CloseDevice()
{
    const Midi::Handle handle = m_handle.exchange(Midi::kNoHandle);
    if (handle == Midi::kNoHandle)
        return;
    if (m_input)
        m_owner->GetBackend().CloseInput(handle);
    else
        m_owner->GetBackend().CloseOutput(handle);
}

bool LMidiPort::IsAlive() const
{
    const Midi::Handle handle = m_handle.load();
    if (handle == Midi::kNoHandle)
        return false;
    Midi::Backend& backend = m_owner->GetBackend();
    return m_input ? backend.IsInputAlive(handle) : backend.IsOutputAlive(handle);
}

int32_t LMidiPort::Release()
{
    // The owner outlives the lock even when this release destroys the port.
    const RCPtr<LMidiComm> owner = m_owner;
    MutexLock guard(owner->GetPortLock());
    return LRefCountedObject::Release();
}

KXRESULT LMidiPort::BreakCycles()
{
    MutexLock guard(m_owner->GetPortLock());
    if (GetOwnerCount() > 0 && GetRefCount() == GetOwnerCount() + 1) {
        AdjustOwnerCount(-1);
        static_cast<void>(RemoveFromOwner()); // a port no longer listed is already out
    }
    return LRefCountedObject::BreakCycles();
}

} // namespace KX
