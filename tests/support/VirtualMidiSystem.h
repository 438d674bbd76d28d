#pragma once
// An in-process MIDI system for tests: devices that tests plug in and pull out, input delivered on the
// system's own thread with chosen chunking and timing, a record of every send, and peers (a simulated
// keyboard) that answer what a device receives. Install it in Platform::Midi::BackendSlot().
//
// A send to a device with a peer returns only once the peer has handled it and what it answered at
// once has been delivered: the device answers before the sender starts waiting, so no test races its
// answer against the sender's time limits, however busy the machine.
#include "KXFramework/Platform/Midi/MidiBackend.h"
#include "KXFramework/Platform/Midi/SinkCalls.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace KX::Test {

class VirtualMidiSystem final : public Platform::Midi::Backend {
public:
    using Handle = Platform::Midi::Handle;
    using Status = Platform::Midi::Status;
    using Sink = Platform::Midi::Sink;
    using CompleteRule = Platform::Midi::CompleteRule;
    using Clock = std::chrono::steady_clock;
    using Ms = std::chrono::milliseconds;
    using DeviceId = int;

    // One message the host sent to a device.
    struct Sent {
        DeviceId device = 0;
        std::vector<std::uint8_t> bytes{};
        bool isLong = false;
        Clock::time_point at{};
    };
    // Runs on the system's thread for every message its device receives; it may inject the answer.
    using Peer = std::function<void(VirtualMidiSystem& system, DeviceId device, const Sent& received)>;

    // When a long send reports done.
    enum class Done {
        AtOnce,     // inside SendLong
        AfterDelay, // on the system's thread, the device's done delay after the send
        Never,
    };

    static constexpr std::size_t kEnd = std::numeric_limits<std::size_t>::max();

    VirtualMidiSystem();
    ~VirtualMidiSystem() override;

    // A device with an input (device to host) and an output (host to device); an empty name leaves that
    // direction out. position: its place among the devices, at the end by default.
    DeviceId AddDevice(std::string inName, std::string outName, Peer peer = {}, std::size_t position = kEnd);
    void SetPeer(DeviceId device, Peer peer);
    // Unplugging kills the device's handles: they are not alive, sends fail, no more input. A re-plugged
    // device is listed again at its place and must be opened anew.
    void Unplug(DeviceId device);
    void Replug(DeviceId device);

    // Input from the device, delivered to every started handle on it after delay. A short message carries
    // stamp, or the time since its handle was started.
    void InjectShort(DeviceId device, std::uint32_t packed, std::optional<Ms> stamp = {}, Ms delay = Ms{0});
    // bytes in chunks of chunk bytes (at most the layer's 256), gap apart.
    void InjectSysEx(DeviceId device, std::vector<std::uint8_t> bytes, std::size_t chunk = Platform::Midi::kChunk,
                     CompleteRule rule = CompleteRule::LastEndsF7, Ms delay = Ms{0}, Ms gap = Ms{0});
    void InjectLongError(DeviceId device, Ms delay = Ms{0});

    void SetDone(DeviceId device, Done done, Ms delay = Ms{0});
    // The device's next count sends fail with Status::Error and are not recorded.
    void FailNextSends(DeviceId device, int count);

    std::vector<Sent> SentMessages() const;
    void ClearSent();
    // How many times a device list was read.
    int Enumerations() const;
    // How many device lists were read while a long send was in flight (sending or waiting for done).
    int ListsDuringLongSend() const;
    // Waits until every queued event has been delivered and no call runs; false after timeout.
    bool WaitIdle(Ms timeout = Ms{5000});
    // While paused nothing is delivered, and input is timed from the moment of the pause, so that it
    // keeps the timing a test gives it however long the test takes to inject it. Nothing may be sent
    // to a device with a peer meanwhile.
    void Pause();
    void Resume();

    Status ListInputs(std::vector<std::string>& names) override;
    Status ListOutputs(std::vector<std::string>& names) override;
    Status OpenInput(unsigned device, std::shared_ptr<Sink> sink, Handle& in) override
    {
        return Open(device, std::move(sink), in, true);
    }
    Status StartInput(Handle in) override;
    Status CloseInput(Handle in) override { return Close(in, true); }
    bool IsInputAlive(Handle in) override { return IsAlive(in, true); }
    Status OpenOutput(unsigned device, std::shared_ptr<Sink> sink, Handle& out) override
    {
        return Open(device, std::move(sink), out, false);
    }
    Status CloseOutput(Handle out) override { return Close(out, false); }
    bool IsOutputAlive(Handle out) override { return IsAlive(out, false); }
    Status SendShort(Handle out, std::uint32_t packed) override;
    Status SendLong(Handle out, const std::uint8_t* bytes, std::size_t count) override;
    void Detach(const Sink& sink) override;

private:
    struct Device {
        DeviceId id = 0;
        std::string inName;
        std::string outName;
        Peer peer;
        bool plugged = true;
        Done done = Done::AtOnce;
        Ms doneDelay{0};
        int failNext = 0;
    };
    struct Port {
        DeviceId device = 0;
        std::shared_ptr<Sink> sink{};
        bool started = false;
        bool dead = false;
        Clock::time_point start{};
    };
    enum class Kind { Short, Long, LongError, LongDone, ToPeer };
    struct Event {
        Kind kind = Kind::Short;
        DeviceId device = 0;
        Handle out = 0;
        std::uint32_t packed = 0;
        std::optional<Ms> stamp{};
        std::vector<std::uint8_t> bytes{};
        bool complete = false;
        Sent sent{};
    };

    Device* FindLocked(DeviceId id);
    Status ListLocked(std::vector<std::string>& names, bool inputs);
    Device* NthLocked(unsigned n, bool inputs);
    Status Open(unsigned device, std::shared_ptr<Sink> sink, Handle& handle, bool input);
    Status Close(Handle handle, bool input);
    bool IsAlive(Handle handle, bool input);
    void QueueLocked(Clock::time_point due, Event event);
    // Now, or the moment of the pause while paused.
    Clock::time_point NowLocked() const;
    Status CheckSendLocked(Handle out, Device*& device);
    // Records a send and hands it to the device's peer; true when it has one.
    bool RecordLocked(Device& device, std::vector<std::uint8_t> bytes, bool isLong);
    // Waits until nothing that is due is left to deliver and no call runs.
    void WaitDeliveredLocked(std::unique_lock<std::mutex>& lock);
    void Run();
    void DispatchLocked(std::unique_lock<std::mutex>& lock, Event& event);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    Platform::Midi::SinkCalls m_calls;
    std::vector<Device> m_devices;
    DeviceId m_nextDevice = 1;
    std::map<Handle, Port> m_inputs;
    std::map<Handle, Port> m_outputs;
    std::map<std::pair<Clock::time_point, std::uint64_t>, Event> m_queue;
    std::uint64_t m_nextEvent = 0;
    bool m_busy = false;
    bool m_stop = false;
    std::optional<Clock::time_point> m_pausedAt;
    std::vector<Sent> m_sent;
    int m_enumerations = 0;
    int m_longSending = 0;
    int m_listsDuringLongSend = 0;
    std::thread m_thread;
};

} // namespace KX::Test
