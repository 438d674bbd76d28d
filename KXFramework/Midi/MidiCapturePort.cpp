#include "KXFramework/Midi/MidiCapturePort.h"

#include "KXFramework/Utilities/Storage/ReuseAllocator.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace KX {

namespace Midi = Platform::Midi;

namespace {

ReuseAllocator<LMidiCaptureNotificationData, 4>& CapturePool()
{
    return ProcessReuseAllocator<LMidiCaptureNotificationData, 4, true>();
}

} // namespace

LMidiCaptureNotificationData::LMidiCaptureNotificationData(const String& portName, LMidiCapturePort* source)
    : m_source(source), m_portName(portName)
{
}

void* LMidiCaptureNotificationData::operator new(std::size_t size)
{
    if (void* p = CapturePool().Allocate(size))
        return p;
    throw std::bad_alloc();
}

void LMidiCaptureNotificationData::operator delete(void* p)
{
    CapturePool().Free(p);
}

void LMidiCaptureNotificationData::AppendBytes(const unsigned char* bytes, std::size_t count)
{
    if (count == 0)
        return;
    const unsigned old = m_bytes.GetCount();
    m_bytes.SetCount(old + static_cast<unsigned>(count));
    std::memcpy(m_bytes.GetData() + old, bytes, count);
}

RCPtr<LMidiCaptureNotificationData> SysExAssembler::Append(const unsigned char* bytes, std::size_t count,
                                                           bool complete, const String& portName,
                                                           LMidiCapturePort* source)
{
    if (!bytes || count == 0)
        return nullptr;
    if (bytes[0] == 0xF0)
        m_pending = new LMidiCaptureNotificationData(portName, source);
    else if (!m_pending)
        return nullptr; // the rest of a message whose beginning was lost or dropped
    if (GetPendingSize() + count > kMaxMessage) {
        m_pending = nullptr;
        return nullptr;
    }
    m_pending->AppendBytes(bytes, count);
    if (!complete)
        return nullptr;
    return std::move(m_pending);
}

RCPtr<LMidiCapturePort> LMidiCapturePort::Create(const String& name, const RCPtr<LMidiComm>& owner)
{
    if (name.IsEmpty() || !owner)
        return nullptr;
    return RCPtr<LMidiCapturePort>(new LMidiCapturePort(name, owner));
}

LMidiCapturePort::LMidiCapturePort(const String& name, const RCPtr<LMidiComm>& owner) : m_name(name), m_owner(owner) {}

LMidiCapturePort::~LMidiCapturePort()
{
    Close();
}

void LMidiCapturePort::SplitPortName(const String& name, String& base, int& index)
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

int LMidiCapturePort::ChooseDevice(const std::vector<std::string>& devices, const String& name)
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

int LMidiCapturePort::Open()
{
    Close();
    Midi::Backend& backend = m_owner->GetBackend();
    std::vector<std::string> devices;
    backend.ListInputs(devices);
    const int device = ChooseDevice(devices, m_name);
    if (device < 0)
        return Midi::kNoDriver;
    m_deviceName = String(devices[static_cast<std::size_t>(device)].c_str());
    Midi::Handle handle = Midi::kNoHandle;
    const int r = backend.OpenInput(static_cast<unsigned>(device), m_owner->GetSink(), handle);
    if (r != Midi::kOk) {
        if (handle != Midi::kNoHandle)
            backend.CloseInput(handle);
        return r;
    }
    m_closing = false;
    m_handle = handle;
    return r;
}

int LMidiCapturePort::Start()
{
    const Midi::Handle handle = m_handle.load();
    return handle == Midi::kNoHandle ? Midi::kInvalidHandle : m_owner->GetBackend().StartInput(handle);
}

void LMidiCapturePort::Close()
{
    const Midi::Handle handle = m_handle.load();
    if (handle == Midi::kNoHandle)
        return;
    m_closing = true;
    m_owner->GetBackend().CloseInput(handle);
    m_handle = Midi::kNoHandle;
    // A message cut off by the close must not be joined to the first one after a re-open.
    m_assembler.Discard();
}

bool LMidiCapturePort::IsAlive() const
{
    const Midi::Handle handle = m_handle.load();
    return handle != Midi::kNoHandle && m_owner->GetBackend().IsInputAlive(handle);
}

void LMidiCapturePort::OnShortMessage(uint32_t packed, uint32_t timeStamp)
{
    if (m_closing)
        return;
    // The length its status implies (a data byte alone counts 1), so that no system common message
    // loses its data bytes.
    const auto status = static_cast<uint8_t>(packed);
    const std::size_t length = std::max<std::size_t>(Midi::ShortMessageLength(status), 1);
    RCPtr<LMidiCaptureNotificationData> capture(new LMidiCaptureNotificationData(m_name, this));
    capture->SetTimeStamp(timeStamp);
    unsigned char bytes[4];
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<unsigned char>(packed >> (8 * i));
    capture->AppendBytes(bytes, length);
    m_owner->QueueCapture(capture);
}

void LMidiCapturePort::AppendLongData(const unsigned char* bytes, std::size_t count, bool complete)
{
    if (m_closing)
        return;
    if (RCPtr<LMidiCaptureNotificationData> done = m_assembler.Append(bytes, count, complete, m_name, this))
        m_owner->QueueCapture(done);
}

void LMidiCapturePort::OnLongError()
{
    m_assembler.Discard();
}

int32_t LMidiCapturePort::Release()
{
    // The owner outlives the lock even when this release destroys the port.
    const RCPtr<LMidiComm> owner = m_owner;
    MutexLock guard(owner->GetPortLock());
    return LRefCountedObject::Release();
}

KXRESULT LMidiCapturePort::BreakCycles()
{
    MutexLock guard(m_owner->GetPortLock());
    if (GetOwnerCount() > 0 && GetRefCount() == GetOwnerCount() + 1) {
        AdjustOwnerCount(-1);
        m_owner->RemoveCapturePort(this);
    }
    return LRefCountedObject::BreakCycles();
}

} // namespace KX
