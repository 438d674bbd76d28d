#pragma once
// MIDI input: a capture port is one open input device. It turns every short message and every whole
// SysEx message into a capture object and hands it to its owner for delivery.
#include "KXFramework/Midi/MidiPort.h"

#include <cstddef>
#include <cstdint>

namespace KX {

// One captured message, the payload of NID_MIDI_DATA_CAPTURED. The memory comes from a process-wide
// recycling pool, so the input path stops allocating once the pool is warm.
class LMidiCaptureNotificationData : public LRefCountedObject {
public:
    LMidiCaptureNotificationData(const String& portName, LMidiCapturePort* source);

    static void* operator new(std::size_t size);
    static void operator delete(void* p);

    // Not counted: the port may be gone by the time the message is read.
    LMidiCapturePort* GetSourcePort() const { return m_source; }
    const String& GetPortName() const { return m_portName; }
    // A SysEx message from F0 through F7, or a short message status byte first.
    const Array<unsigned char>& GetBytes() const { return m_bytes; }
    Array<unsigned char>& GetBytes() { return m_bytes; }
    // A short message's time stamp in ms since input started; 0 for SysEx.
    uint32_t GetTimeStamp() const { return m_timeStamp; }
    void SetTimeStamp(uint32_t ms) { m_timeStamp = ms; }
    // Its place in its communication object's arrival order, from 1 (LMidiComm::GetCaptureCount).
    uint64_t GetArrival() const { return m_arrival; }
    void SetArrival(uint64_t arrival) { m_arrival = arrival; }

    void AppendBytes(const unsigned char* bytes, std::size_t count);

private:
    LMidiCapturePort* const m_source;
    const String m_portName;
    Array<unsigned char> m_bytes;
    uint32_t m_timeStamp = 0;
    uint64_t m_arrival = 0;
};

// Joins SysEx chunks into whole messages. A message starts only with a chunk that begins with F0; such
// a chunk also ends any message still being assembled, whose end was lost. A message that grows past
// kMaxMessage is dropped, together with the rest of its chunks.
class SysExAssembler {
public:
    static constexpr std::size_t kMaxMessage = 64 * 1024;

    // The finished message when this chunk completes one, else null.
    RCPtr<LMidiCaptureNotificationData> Append(const unsigned char* bytes, std::size_t count, bool complete,
                                               const String& portName, LMidiCapturePort* source);
    // Input was lost: the message being assembled cannot be whole.
    void Discard() { m_pending = nullptr; }
    std::size_t GetPendingSize() const { return m_pending ? m_pending->GetBytes().GetCount() : 0; }

private:
    RCPtr<LMidiCaptureNotificationData> m_pending;
};

class LMidiCapturePort : public LMidiPort {
public:
    // Null for an empty name or a null owner.
    static RCPtr<LMidiCapturePort> Create(const String& name, const RCPtr<LMidiComm>& owner);
    ~LMidiCapturePort() override;

    // (Re)opens the device the name stands for, without starting input: Ok, NoDriver when no device
    // matches, else the backend's failure. Callers hold the owner's port lock.
    Platform::Midi::Status Open();
    Platform::Midi::Status Start();
    void Close();

    // The backend's input, under the owner's port lock.
    void OnShortMessage(uint32_t packed, uint32_t timeStamp);
    void AppendLongData(const unsigned char* bytes, std::size_t count, bool complete);
    void OnLongError();

private:
    LMidiCapturePort(const String& name, const RCPtr<LMidiComm>& owner);
    [[nodiscard]] KXRESULT RemoveFromOwner() override;

    bool m_closing = false;
    SysExAssembler m_assembler;
};

} // namespace KX
