#pragma once
// The program's one door to the system's MIDI services: device lists under unique names, capture and
// render ports opened by name and kept in lists, sends through render ports, and delivery of every
// captured message as NID_MIDI_DATA_CAPTURED, one at a time and in arrival order, on a worker thread.
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/ObjectBase/Mutex.h"
#include "KXFramework/Platform/Midi/MidiBackend.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"
#include "KXFramework/Utilities/Threads/ThreadPool.h"
#include "KXFramework/Utilities/Threads/ThreadWorker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace KX {

inline constexpr const char16_t* NID_MIDI_DATA_CAPTURED = u"NID_MIDI_DATA_CAPTURED";

class LIBuffer;
class LMidiCapturePort;
class LMidiCaptureNotificationData;
class LMidiRenderPort;

// Decides which captured messages one subscriber receives.
class LIMidiFilterByIncludePrefixList : public virtual LRefCountedObject {
public:
    // True when the subscriber takes the message.
    virtual bool IsIncluded(const unsigned char* bytes, unsigned count) = 0;
};

class LMidiCommInterface : public LNotificationDistributor {
public:
    struct MidiFilterEntry {
        uintptr_t key = 0; // the subscriber's identity, as the distributor records it
        RCPtr<LIMidiFilterByIncludePrefixList> filter;
    };

    static void Create(RCPtr<LMidiCommInterface>& out);

    // 0 with a started port; E_INVALIDARG when the name matches two or more devices; E_FAIL when no
    // port results. port is emptied first in every case.
    [[nodiscard]] virtual KXRESULT OpenCapturePort(const String& name, RCPtr<LMidiCapturePort>& port) = 0;
    [[nodiscard]] virtual KXRESULT OpenRenderPort(const String& name, RCPtr<LMidiRenderPort>& port) = 0;
    // The number of bytes sent; E_INVALIDARG when port is no render port or there is nothing to send;
    // E_FAIL when the system refuses or a long message is not done in time.
    [[nodiscard]] virtual KXRESULT SendMidi(const RCPtr<LRefCountedObject>& port, const RCPtr<LIBuffer>& data) = 0;
    [[nodiscard]] virtual KXRESULT SendMidi(const RCPtr<LRefCountedObject>& port,
                                            const Array<unsigned char>& bytes) = 0;
    // How many messages have been captured so far, from any thread. Deliveries lag behind on the
    // worker, so a subscriber tells by this count what came in before a moment of its own: a message
    // whose arrival (LMidiCaptureNotificationData::GetArrival) is higher came in after it was read.
    virtual uint64_t GetCaptureCount() const = 0;
    // Waits until no captured message is left to hand over to the subscribers, at most ms: true when
    // none is. A reply that came in before a request's time was up is then known to have been seen.
    virtual bool WaitForDelivery(uint32_t ms) = 0;

    // The subscriber's filter, or null.
    virtual void GetMidiFilter(RCPtr<LIMidiFilterByIncludePrefixList>& filter, uintptr_t key);
    // Adds, replaces or (with a null filter) removes the subscriber's entry; 0.
    [[nodiscard]] virtual KXRESULT SetMidiFilter(uintptr_t key, const RCPtr<LIMidiFilterByIncludePrefixList>& filter);
    // Delivers data to every subscriber whose filter takes it, the last registered first; 1 when
    // nobody subscribes, else 0, for the record only; callers may ignore it. Subscribers run with the filter lock held.
    virtual KXRESULT DispatchCapturedData(const RCPtr<LMidiCaptureNotificationData>& data);

protected:
    Mutex m_filterLock;
    Array<MidiFilterEntry> m_filters;
};

class LMidiComm : public LMidiCommInterface, public LThreadWorker {
public:
    // Captures queued for delivery and not yet delivered; beyond this, new ones are dropped.
    static constexpr unsigned kMaxQueuedCaptures = 1024;

    LMidiComm();
    ~LMidiComm() override;

    [[nodiscard]] KXRESULT OpenCapturePort(const String& name, RCPtr<LMidiCapturePort>& port) override;
    [[nodiscard]] KXRESULT OpenRenderPort(const String& name, RCPtr<LMidiRenderPort>& port) override;
    [[nodiscard]] KXRESULT SendMidi(const RCPtr<LRefCountedObject>& port, const RCPtr<LIBuffer>& data) override;
    [[nodiscard]] KXRESULT SendMidi(const RCPtr<LRefCountedObject>& port, const Array<unsigned char>& bytes) override;
    uint64_t GetCaptureCount() const override { return m_captureCount.load(); }
    bool WaitForDelivery(uint32_t ms) override;

    // Delivers one queued capture; runs on the pool's worker thread. 0.
    [[nodiscard]] KXRESULT Run(const RCPtr<LRefCountedObject>& data) override;

    // Unique device names in device order; E_FAIL when the list could not be read whole (the names
    // read so far are kept).
    [[nodiscard]] KXRESULT GetInputDeviceNames(Array<String>& names);
    [[nodiscard]] KXRESULT GetOutputDeviceNames(Array<String>& names);
    // A name that occurs k >= 2 times becomes "name (1)" .. "name (k)", all at its first place.
    static Array<String> MakeUniquePortNames(const Array<String>& names);
    // Counts the names that contain requested, ignoring case; one that equals it wins alone (1).
    // index is the first such name, -1 when none.
    static int FindDeviceByName(const Array<String>& names, const String& requested, int& index);

    void GetCapturePortNames(Array<String>& names);
    void GetRenderPortNames(Array<String>& names);
    // 0, or E_FAIL when the port is not listed.
    [[nodiscard]] KXRESULT RemoveCapturePort(LMidiCapturePort* port);
    [[nodiscard]] KXRESULT RemoveRenderPort(LMidiRenderPort* port);

    // What the backend reports, by handle; each runs under the port lock.
    void OnMidiInMessage(Platform::Midi::Handle in, uint32_t packed, std::chrono::milliseconds sinceStart);
    void OnMidiInMessage(Platform::Midi::Handle in, const uint8_t* bytes, std::size_t count, bool complete);
    void OnMidiInLongError(Platform::Midi::Handle in);
    void OnMidiOutMessage(Platform::Midi::Handle out);

    // For the ports: the backend and the sink they open their devices with, the port lock, and the
    // hand-over of a finished capture to the worker (called with the port lock held).
    Platform::Midi::Backend& GetBackend() const { return *m_backend; }
    const std::shared_ptr<Platform::Midi::Sink>& GetSink() const { return m_sink; }
    Mutex& GetPortLock() { return m_portLock; }
    void QueueCapture(const RCPtr<LMidiCaptureNotificationData>& data);
    // Captures dropped because too many were waiting for delivery.
    unsigned GetDroppedCaptureCount() const { return m_droppedCaptures.load(); }

private:
    // The match count of name among the unique device names of one direction (FindDeviceByName), with
    // the first matching name in matched.
    int MatchDevice(bool inputs, const String& name, String& matched);
    // Callers hold the port lock.
    LMidiCapturePort* FindCapturePort(Platform::Midi::Handle in);
    LMidiRenderPort* FindRenderPort(Platform::Midi::Handle out);
    // One queued capture is done with, delivered or not.
    void HandedOver();

    const std::shared_ptr<Platform::Midi::Backend> m_backend;
    const std::shared_ptr<Platform::Midi::Sink> m_sink;
    Mutex m_portLock;
    RCPtrArray<LMidiCapturePort, 1, 0> m_capturePorts;
    RCPtrArray<LMidiRenderPort, 1, 0> m_renderPorts;
    RCPtr<LThreadPool> m_pool;
    std::atomic<uint64_t> m_captureCount{0};
    std::atomic<unsigned> m_queuedCaptures{0};
    std::mutex m_handOverLock;
    std::condition_variable m_handedOver;
    std::atomic<unsigned> m_droppedCaptures{0};
};

} // namespace KX
