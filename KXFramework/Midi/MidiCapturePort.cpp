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
    : m_source(source),
      m_portName(portName)
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

RCPtr<LMidiCaptureNotificationData> SysExAssembler::Append(const unsigned char* bytes, std::size_t count, bool complete,
                                                           const String& portName, LMidiCapturePort* source)
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

LMidiCapturePort::LMidiCapturePort(const String& name, const RCPtr<LMidiComm>& owner) : LMidiPort(name, owner, true) {}

LMidiCapturePort::~LMidiCapturePort()
{
    Close();
}

Platform::Midi::Status LMidiCapturePort::Open()
{
    Close();
    const Midi::Status r = OpenDevice();
    if (r == Midi::Status::Ok)
        m_closing = false;
    return r;
}

Platform::Midi::Status LMidiCapturePort::Start()
{
    const Midi::Handle handle = GetHandle();
    return handle == Midi::kNoHandle ? Midi::Status::InvalidHandle : Owner().GetBackend().StartInput(handle);
}

void LMidiCapturePort::Close()
{
    if (GetHandle() == Midi::kNoHandle)
        return;
    m_closing = true;
    CloseDevice();
    // A message cut off by the close must not be joined to the first one after a re-open.
    m_assembler.Discard();
}

void LMidiCapturePort::OnShortMessage(uint32_t packed, uint32_t timeStamp)
{
    if (m_closing)
        return;
    // The length its status implies (a data byte alone counts 1), so that no system common message
    // loses its data bytes.
    const auto status = static_cast<uint8_t>(packed);
    const std::size_t length = std::max<std::size_t>(Midi::ShortMessageLength(status), 1);
    RCPtr<LMidiCaptureNotificationData> capture(new LMidiCaptureNotificationData(GetName(), this));
    capture->SetTimeStamp(timeStamp);
    unsigned char bytes[4];
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<unsigned char>(packed >> (8 * i));
    capture->AppendBytes(bytes, length);
    Owner().QueueCapture(capture);
}

void LMidiCapturePort::AppendLongData(const unsigned char* bytes, std::size_t count, bool complete)
{
    if (m_closing)
        return;
    if (RCPtr<LMidiCaptureNotificationData> done = m_assembler.Append(bytes, count, complete, GetName(), this))
        Owner().QueueCapture(done);
}

void LMidiCapturePort::OnLongError()
{
    m_assembler.Discard();
}

KXRESULT LMidiCapturePort::RemoveFromOwner()
{
    return Owner().RemoveCapturePort(this);
}

} // namespace KX
