#pragma once
// A MIDI communication object on the virtual MIDI system, with short timings and a subscriber that
// collects every captured message.
#include "KXFramework/Midi/MidiCapturePort.h"
#include "KXFramework/Midi/MidiComm.h"
#include "KXFramework/Midi/MidiRenderPort.h"
#include "KXFramework/Midi/MidiTimings.h"
#include "ScopedService.h"
#include "VirtualMidiSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace KX::Test {

using Bytes = std::vector<std::uint8_t>;

// A subscriber to NID_MIDI_DATA_CAPTURED that keeps what it receives.
class CaptureCollector : public LNotificationClient {
public:
    struct Message {
        Bytes bytes;
        std::string portName;
        uint32_t timeStamp = 0;
    };

    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) override
    {
        RCPtr<LMidiCaptureNotificationData> data(n->GetPayload());
        if (onReceive)
            onReceive();
        std::lock_guard guard(m_lock);
        if (data) {
            const Array<unsigned char>& bytes = data->GetBytes();
            m_messages.push_back({Bytes(bytes.begin(), bytes.end()),
                                  std::string(data->GetPortName().ToNarrow().GetData()), data->GetTimeStamp()});
        }
        m_changed.notify_all();
        return S_FALSE;
    }

    // Waits until count messages have arrived; false after timeout.
    bool WaitFor(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] { return m_messages.size() >= count; });
    }

    std::vector<Message> Messages()
    {
        std::lock_guard guard(m_lock);
        return m_messages;
    }

    // Runs inside each delivery, before the message is stored.
    std::function<void()> onReceive;

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Message> m_messages;
};

class MidiFixture : public ::testing::Test {
protected:
    // For a long send that is never done: it gives up soon. A send that is done keeps the protocol's
    // generous wait, so that its done never races the time limit.
    static MidiTimings NeverDoneTimings()
    {
        MidiTimings timings;
        timings.doneWaitMs = 300;
        return timings;
    }

    void SetUp() override
    {
        LMidiCommInterface::Create(comm);
        ASSERT_TRUE(comm);
        collector = new CaptureCollector();
        collector->RegisterForNotification(RCPtr<LNotificationDistributor>(comm), NID_MIDI_DATA_CAPTURED, 0);
    }

    void TearDown() override
    {
        system->WaitIdle();
        collector->UnregisterForAllNotifications();
        comm = nullptr;
    }

    LMidiComm& Comm() { return static_cast<LMidiComm&>(*comm.Get()); }

    // Lets everything injected so far reach the subscriber.
    bool Settle() { return system->WaitIdle(); }

    std::shared_ptr<VirtualMidiSystem> system = std::make_shared<VirtualMidiSystem>();
    KX::Test::ScopedService<MidiTimings> timings{MidiTimingsSlot(), MidiTimings{}};
    KX::Test::ScopedService<std::shared_ptr<Platform::Midi::Backend>> backend{Platform::Midi::BackendSlot(), system};
    RCPtr<LMidiCommInterface> comm;
    RCPtr<CaptureCollector> collector;
};

// F0, n - 2 data bytes counting up, F7.
inline Bytes SysEx(std::size_t n)
{
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(i % 0x80);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

} // namespace KX::Test
