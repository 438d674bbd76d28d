#include "KXFramework/Platform/Midi/AlsaMidiBackend.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Midi/AlsaPortNames.h"
#include "KXFramework/Platform/Midi/AlsaSequencer.h"
#include "KXFramework/Platform/Midi/SinkCalls.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <thread>

namespace KX::Platform::Midi {

namespace {

using Clock = std::chrono::steady_clock;

// The render port waits this long for a long message; a send that the receiver keeps refusing for lack of
// room gives up then.
constexpr auto kSendBudget = std::chrono::milliseconds(10000);
// Between tries of a refused send. Nothing tells us when the receiver has room again (see OutputLocked).
constexpr auto kRetryPause = std::chrono::milliseconds(1);
constexpr std::size_t kInputBufferBytes = 64 * 1024;

struct Address {
    int client = 0;
    int port = 0;
    bool operator==(const Address&) const = default;
};

std::string ToText(const Address& a)
{
    return std::to_string(a.client) + ":" + std::to_string(a.port);
}

snd_seq_addr_t ToSeq(const Address& a)
{
    return {static_cast<unsigned char>(a.client), static_cast<unsigned char>(a.port)};
}

void Log(const std::string& line)
{
    DebugLog::WriteLine("ALSA: " + line);
}

void LogFailure(const std::string& what, int r)
{
    Log(what + " failed: " + snd_strerror(r));
}

class AlsaBackend final : public Backend {
public:
    AlsaBackend(std::unique_ptr<AlsaSequencer> seq, const std::string& sequencer);
    ~AlsaBackend() override;

    Status ListInputs(std::vector<std::string>& names) override { return List(names, true); }
    Status ListOutputs(std::vector<std::string>& names) override { return List(names, false); }
    Status OpenInput(unsigned device, std::shared_ptr<Sink> sink, Handle& in) override;
    Status StartInput(Handle in) override;
    Status CloseInput(Handle in) override;
    bool IsInputAlive(Handle in) override;
    Status OpenOutput(unsigned device, std::shared_ptr<Sink> sink, Handle& out) override;
    Status CloseOutput(Handle out) override;
    bool IsOutputAlive(Handle out) override;
    Status SendShort(Handle out, std::uint32_t packed) override;
    Status SendLong(Handle out, const std::uint8_t* bytes, std::size_t count) override;
    void Detach(const Sink& sink) override;

private:
    struct Port {
        Address address;
        std::string name;
        std::shared_ptr<Sink> sink;
        bool dead = false; // the sequencer announced that the port or its client left
        bool started = false;
        Clock::time_point start{};
    };

    enum class Kind { Short, Long, LongError };
    struct Delivery {
        Handle in;
        Kind kind;
        std::uint32_t packed = 0;
        std::chrono::milliseconds sinceStart{0};
        std::vector<std::uint8_t> bytes{};
        bool complete = false;
    };

    bool Setup(const std::string& sequencer);
    void Teardown();
    Status List(std::vector<std::string>& names, bool inputs);
    std::vector<ListedPort> EnumerateLocked(bool inputs);
    bool StillListedLocked(const Port& port, bool input);
    Status FindListedLocked(unsigned device, bool inputs, ListedPort& found);
    bool SubscribedLocked(const Address& address, bool input);
    bool SubscribeLocked(const Address& address, bool input);
    void ReleaseLocked(std::map<Handle, Port>& ports, std::map<Handle, Port>::iterator it, bool input);
    Status OutputLocked(std::unique_lock<std::mutex>& lock, snd_seq_event_t& event, Clock::time_point deadline);
    void InputLoop();
    void ReadEventsLocked(std::vector<Delivery>& deliveries);
    void HandleEventLocked(const snd_seq_event_t& event, std::vector<Delivery>& deliveries);
    void Deliver(const Delivery& delivery);

    std::mutex m_mutex; // guards everything below and every libasound call
    SinkCalls m_calls;
    std::unique_ptr<AlsaSequencer> m_seq; // null without a sequencer
    int m_ownClient = -1;
    int m_inPort = -1;
    int m_outPort = -1;
    snd_midi_event_t* m_decoder = nullptr;
    snd_midi_event_t* m_encoder = nullptr;
    std::vector<pollfd> m_inFds;
    int m_wake = -1;
    std::thread m_thread;
    std::map<Handle, Port> m_inputs;
    std::map<Handle, Port> m_outputs;
    std::vector<SequencerPort> m_logged; // the ports last written to the debug log
};

AlsaBackend::AlsaBackend(std::unique_ptr<AlsaSequencer> seq, const std::string& sequencer) : m_seq(std::move(seq))
{
    if (!Setup(sequencer)) {
        Teardown();
        return;
    }
    m_thread = std::thread([this] { InputLoop(); });
}

AlsaBackend::~AlsaBackend()
{
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        while (write(m_wake, &one, sizeof one) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    Teardown();
}

bool AlsaBackend::Setup(const std::string& sequencer)
{
    // Without a sequencer the backend has no devices, like a machine without a keyboard; the log says why.
    if (const int r = m_seq->Open(sequencer); r < 0) {
        Log("the sequencer \"" + sequencer + "\" cannot be opened (" + snd_strerror(r) + "); no MIDI devices");
        m_seq.reset();
        return false;
    }
    m_seq->SetClientName("Kivo 61 Preset Editor");
    m_seq->SetInputBufferSize(kInputBufferBytes);
    m_ownClient = m_seq->ClientId();
    const unsigned type = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION;
    m_inPort = m_seq->CreateSimplePort("In", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE, type);
    m_outPort = m_seq->CreateSimplePort("Out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ, type);
    if (m_ownClient < 0 || m_inPort < 0 || m_outPort < 0) {
        Log("our client and ports cannot be made: " +
            std::string(snd_strerror(std::min({m_ownClient, m_inPort, m_outPort}))));
        return false;
    }
    if (snd_midi_event_new(kChunk, &m_decoder) < 0 || snd_midi_event_new(kChunk, &m_encoder) < 0)
        return false;
    snd_midi_event_no_status(m_decoder, 1);
    // Port and client departures arrive from the announce port; without them liveness still checks the list.
    if (const int r = m_seq->ConnectFrom(m_inPort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE); r < 0)
        LogFailure("subscribing to the announce port", r);

    m_inFds = m_seq->PollDescriptors(POLLIN);
    if (m_inFds.empty())
        return false;
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0)
        return false;
    m_inFds.push_back({m_wake, POLLIN, 0});
    return true;
}

void AlsaBackend::Teardown()
{
    if (m_decoder)
        snd_midi_event_free(m_decoder);
    if (m_encoder)
        snd_midi_event_free(m_encoder);
    if (m_wake >= 0)
        close(m_wake);
    m_decoder = m_encoder = nullptr;
    m_seq.reset();
    m_wake = -1;
}

std::vector<ListedPort> AlsaBackend::EnumerateLocked(bool inputs)
{
    if (!m_seq)
        return {};
    std::vector<SequencerPort> ports = m_seq->Ports();
    // What the system offers, whenever it changes, so that a keyboard that is not found can be diagnosed.
    const auto same = [](const SequencerPort& a, const SequencerPort& b) {
        return a.client == b.client && a.port == b.port && a.clientName == b.clientName && a.portName == b.portName &&
               a.readable == b.readable && a.writable == b.writable && a.exported == b.exported;
    };
    if (!std::equal(ports.begin(), ports.end(), m_logged.begin(), m_logged.end(), same)) {
        Log("the sequencer lists " + std::to_string(ports.size()) + " ports");
        for (const SequencerPort& p : ports)
            Log("  " + ToText({p.client, p.port}) + " \"" + p.clientName + "\" port \"" + p.portName + "\"" +
                (p.readable ? " in" : "") + (p.writable ? " out" : "") + (p.exported ? "" : " unlisted"));
        m_logged = ports;
    }
    return ListPorts(std::move(ports), m_ownClient, inputs);
}

Status AlsaBackend::List(std::vector<std::string>& names, bool inputs)
{
    std::lock_guard lock(m_mutex);
    names.clear();
    for (ListedPort& p : EnumerateLocked(inputs))
        names.push_back(std::move(p.name));
    return Status::Ok;
}

// A re-plugged keyboard may come back at the same address under another name, or a different port may
// take the address: the handle stays alive only while its port is listed under the name it was opened by.
bool AlsaBackend::StillListedLocked(const Port& port, bool input)
{
    if (port.dead)
        return false;
    const std::vector<ListedPort> listed = EnumerateLocked(input);
    return std::any_of(listed.begin(), listed.end(), [&](const ListedPort& p) {
        return Address{p.client, p.port} == port.address && p.name == port.name;
    });
}

// The listed port with that device number: Ok, NoDriver without a sequencer, BadDevice when none.
Status AlsaBackend::FindListedLocked(unsigned device, bool inputs, ListedPort& found)
{
    if (!m_seq)
        return Status::NoDriver;
    std::vector<ListedPort> listed = EnumerateLocked(inputs);
    if (device >= listed.size())
        return Status::BadDevice;
    found = std::move(listed[device]);
    return Status::Ok;
}

// Whether the sequencer delivers from address to our input port, or from our output port to address.
// Handles on one port share one subscription; asking the sequencer rather than trusting our handles
// covers a port that left and came back at the same address before its departure was read.
bool AlsaBackend::SubscribedLocked(const Address& address, bool input)
{
    const Address in{m_ownClient, m_inPort}, out{m_ownClient, m_outPort};
    return input ? m_seq->Subscribed(ToSeq(address), ToSeq(in)) == 0
                 : m_seq->Subscribed(ToSeq(out), ToSeq(address)) == 0;
}

// Input needs the subscription to receive anything. Output needs it too: the kernel opens a USB MIDI
// device's output only while a write subscription exists, and refuses a direct event to an unsubscribed
// hardware port (-ENODEV).
bool AlsaBackend::SubscribeLocked(const Address& address, bool input)
{
    if (SubscribedLocked(address, input))
        return true;
    const int r = input ? m_seq->ConnectFrom(m_inPort, address.client, address.port)
                        : m_seq->ConnectTo(m_outPort, address.client, address.port);
    if (r < 0)
        LogFailure(std::string(input ? "subscribing from " : "subscribing to ") + ToText(address), r);
    return r >= 0;
}

Status AlsaBackend::OpenInput(unsigned device, std::shared_ptr<Sink> sink, Handle& in)
{
    in = kNoHandle;
    std::lock_guard lock(m_mutex);
    ListedPort p;
    if (const Status r = FindListedLocked(device, true, p); r != Status::Ok)
        return r;
    const Address address{p.client, p.port};
    if (!SubscribeLocked(address, true))
        return Status::Error;
    in = NewHandle();
    m_inputs.emplace(in, Port{.address = address, .name = std::move(p.name), .sink = std::move(sink)});
    return Status::Ok;
}

Status AlsaBackend::StartInput(Handle in)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_inputs.find(in);
    if (it == m_inputs.end() || it->second.dead)
        return Status::InvalidHandle;
    it->second.started = true;
    it->second.start = Clock::now();
    return Status::Ok;
}

// The last open handle on a port ends the subscription; one that died with its port has none left.
void AlsaBackend::ReleaseLocked(std::map<Handle, Port>& ports, std::map<Handle, Port>::iterator it, bool input)
{
    const Address address = it->second.address;
    ports.erase(it);
    const bool shared = std::any_of(ports.begin(), ports.end(), [&](const auto& entry) {
        return !entry.second.dead && entry.second.address == address;
    });
    if (shared || !SubscribedLocked(address, input))
        return;
    const int r = input ? m_seq->DisconnectFrom(m_inPort, address.client, address.port)
                        : m_seq->DisconnectTo(m_outPort, address.client, address.port);
    if (r < 0)
        LogFailure(std::string(input ? "unsubscribing from " : "unsubscribing to ") + ToText(address), r);
}

Status AlsaBackend::CloseInput(Handle in)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_inputs.find(in);
    if (it == m_inputs.end())
        return Status::InvalidHandle;
    ReleaseLocked(m_inputs, it, true);
    return Status::Ok;
}

bool AlsaBackend::IsInputAlive(Handle in)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_inputs.find(in);
    return it != m_inputs.end() && StillListedLocked(it->second, true);
}

Status AlsaBackend::OpenOutput(unsigned device, std::shared_ptr<Sink> sink, Handle& out)
{
    out = kNoHandle;
    std::lock_guard lock(m_mutex);
    ListedPort p;
    if (const Status r = FindListedLocked(device, false, p); r != Status::Ok)
        return r;
    const Address address{p.client, p.port};
    if (!SubscribeLocked(address, false))
        return Status::Error;
    out = NewHandle();
    m_outputs.emplace(out, Port{.address = address, .name = std::move(p.name), .sink = std::move(sink)});
    return Status::Ok;
}

Status AlsaBackend::CloseOutput(Handle out)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_outputs.find(out);
    if (it == m_outputs.end())
        return Status::InvalidHandle;
    ReleaseLocked(m_outputs, it, false);
    return Status::Ok;
}

bool AlsaBackend::IsOutputAlive(Handle out)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_outputs.find(out);
    return it != m_outputs.end() && StillListedLocked(it->second, false);
}

// A direct event bypasses our own output pool and is handed to the receiver at once. A hardware port's
// driver copies it into the device's MIDI output buffer (4 KiB by default) and drops it when the buffer
// lacks room, with no error that reaches us: there the sender's pace keeps a long message whole. An
// application's port queues it in that application's input pool, which gives -EAGAIN while it is full.
// Our descriptors' POLLOUT tells only of our own pool, so polling them would return at once: pause between
// tries instead, without the lock, so that input goes on meanwhile.
Status AlsaBackend::OutputLocked(std::unique_lock<std::mutex>& lock, snd_seq_event_t& event, Clock::time_point deadline)
{
    for (;;) {
        const int r = m_seq->OutputDirect(event);
        if (r >= 0)
            return Status::Ok;
        const auto now = Clock::now();
        if (r != -EAGAIN || now >= deadline) {
            LogFailure("sending to " + ToText({event.dest.client, event.dest.port}), r);
            return Status::Error;
        }
        lock.unlock();
        std::this_thread::sleep_for(std::min<Clock::duration>(kRetryPause, deadline - now));
        lock.lock();
    }
}

Status AlsaBackend::SendShort(Handle out, std::uint32_t packed)
{
    std::unique_lock lock(m_mutex);
    const auto it = m_outputs.find(out);
    if (it == m_outputs.end() || it->second.dead)
        return Status::InvalidHandle;
    const std::vector<std::uint8_t> bytes = UnpackShort(packed);
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_midi_event_reset_encode(m_encoder);
    if (bytes.empty() || snd_midi_event_encode(m_encoder, bytes.data(), bytes.size(), &event) < 0 ||
        event.type == SND_SEQ_EVENT_NONE)
        return Status::Error;
    snd_seq_ev_set_source(&event, m_outPort);
    snd_seq_ev_set_dest(&event, it->second.address.client, it->second.address.port);
    snd_seq_ev_set_direct(&event);
    return OutputLocked(lock, event, Clock::now() + kSendBudget);
}

Status AlsaBackend::SendLong(Handle out, const std::uint8_t* bytes, std::size_t count)
{
    if (!bytes || count == 0)
        return Status::Error;
    std::unique_lock lock(m_mutex);
    auto it = m_outputs.find(out);
    if (it == m_outputs.end() || it->second.dead)
        return Status::InvalidHandle;
    const Address address = it->second.address;
    const auto deadline = Clock::now() + kSendBudget;
    // Events of at most kChunk bytes stay far below what a receiver can take at once (see OutputLocked);
    // a device's driver writes them out back to back.
    for (std::size_t at = 0; at < count; at += kChunk) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_seq_ev_set_sysex(&event, static_cast<unsigned>(std::min(kChunk, count - at)),
                             const_cast<std::uint8_t*>(bytes + at));
        snd_seq_ev_set_source(&event, m_outPort);
        snd_seq_ev_set_dest(&event, address.client, address.port);
        snd_seq_ev_set_direct(&event);
        if (const Status r = OutputLocked(lock, event, deadline); r != Status::Ok)
            return r;
    }
    // The kernel has taken every byte: the message is done. The handle may have been closed meanwhile.
    it = m_outputs.find(out);
    if (it != m_outputs.end() && it->second.sink && it->second.sink->onLongDone) {
        const std::shared_ptr<Sink> sink = it->second.sink;
        m_calls.Unlocked(lock, sink.get(), [&] { sink->onLongDone(out); });
    }
    return Status::Ok;
}

void AlsaBackend::Detach(const Sink& sink)
{
    std::unique_lock lock(m_mutex);
    for (auto it = m_inputs.begin(); it != m_inputs.end();) {
        const auto next = std::next(it);
        if (it->second.sink.get() == &sink)
            ReleaseLocked(m_inputs, it, true);
        it = next;
    }
    for (auto it = m_outputs.begin(); it != m_outputs.end();) {
        const auto next = std::next(it);
        if (it->second.sink.get() == &sink)
            ReleaseLocked(m_outputs, it, false);
        it = next;
    }
    m_calls.WaitIdle(lock, &sink);
}

void AlsaBackend::InputLoop()
{
    std::vector<pollfd> fds = m_inFds;
    for (;;) {
        for (pollfd& fd : fds)
            fd.revents = 0;
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return;
        if (fds.back().revents & POLLIN)
            return; // shutting down
        if (std::any_of(fds.begin(), fds.end() - 1,
                        [](const pollfd& fd) { return fd.revents & (POLLERR | POLLHUP | POLLNVAL); })) {
            // The sequencer itself failed; polling again would only spin. Every open port is gone.
            std::lock_guard lock(m_mutex);
            for (auto* ports : {&m_inputs, &m_outputs})
                for (auto& [handle, port] : *ports)
                    port.dead = true;
            return;
        }
        std::vector<Delivery> deliveries;
        {
            std::lock_guard lock(m_mutex);
            ReadEventsLocked(deliveries);
        }
        for (const Delivery& d : deliveries)
            Deliver(d);
    }
}

void AlsaBackend::ReadEventsLocked(std::vector<Delivery>& deliveries)
{
    for (;;) {
        snd_seq_event_t* event = nullptr;
        const int r = m_seq->Input(event);
        if (r == -ENOSPC) {
            // Input was lost: any SysEx being assembled is broken.
            for (const auto& [handle, port] : m_inputs)
                if (port.started && !port.dead)
                    deliveries.push_back({.in = handle, .kind = Kind::LongError});
            continue;
        }
        if (r < 0 || !event)
            return;
        HandleEventLocked(*event, deliveries);
    }
}

void AlsaBackend::HandleEventLocked(const snd_seq_event_t& event, std::vector<Delivery>& deliveries)
{
    if (event.source.client == SND_SEQ_CLIENT_SYSTEM && event.source.port == SND_SEQ_PORT_SYSTEM_ANNOUNCE) {
        const Address gone{event.data.addr.client, event.data.addr.port};
        const bool clientExit = event.type == SND_SEQ_EVENT_CLIENT_EXIT;
        if (clientExit || event.type == SND_SEQ_EVENT_PORT_EXIT) {
            for (auto* ports : {&m_inputs, &m_outputs})
                for (auto& [handle, port] : *ports)
                    if (port.address == gone || (clientExit && port.address.client == gone.client))
                        port.dead = true;
        }
        return;
    }
    const Address source{event.source.client, event.source.port};
    std::vector<std::pair<Handle, Clock::time_point>> targets;
    for (const auto& [handle, port] : m_inputs)
        if (port.started && !port.dead && port.address == source)
            targets.emplace_back(handle, port.start);
    if (targets.empty())
        return;

    if (event.type == SND_SEQ_EVENT_SYSEX) {
        // Event sizes do not mark message ends, and one event may carry several messages: a chunk
        // completes a message when it ends with its F7.
        ForEachChunk(static_cast<const std::uint8_t*>(event.data.ext.ptr), event.data.ext.len, kChunk,
                     CompleteRule::LastEndsF7, [&](const std::uint8_t* bytes, std::size_t n, bool complete) {
                         for (const auto& target : targets)
                             deliveries.push_back({.in = target.first,
                                                   .kind = Kind::Long,
                                                   .bytes = std::vector(bytes, bytes + n),
                                                   .complete = complete});
                     });
        return;
    }
    unsigned char bytes[16];
    const long n = snd_midi_event_decode(m_decoder, bytes, sizeof bytes, &event);
    if (n <= 0)
        return; // not a MIDI event
    const auto now = Clock::now();
    // Some events (14-bit controllers, parameter numbers) decode to several messages.
    for (long at = 0; at < n;) {
        const long length = std::clamp<long>(ShortMessageLength(bytes[at]), 1, std::min<long>(3, n - at));
        std::uint32_t packed = 0;
        for (long i = 0; i < length; ++i)
            packed |= std::uint32_t{bytes[at + i]} << (8 * i);
        for (const auto& [handle, start] : targets)
            deliveries.push_back({.in = handle,
                                  .kind = Kind::Short,
                                  .packed = packed,
                                  .sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(now - start)});
        at += length;
    }
}

void AlsaBackend::Deliver(const Delivery& d)
{
    std::unique_lock lock(m_mutex);
    const auto it = m_inputs.find(d.in);
    if (it == m_inputs.end() || !it->second.started || !it->second.sink)
        return;
    const std::shared_ptr<Sink> sink = it->second.sink;
    m_calls.Unlocked(lock, sink.get(), [&] {
        switch (d.kind) {
        case Kind::Short:
            if (sink->onShort)
                sink->onShort(d.in, d.packed, d.sinceStart);
            break;
        case Kind::Long:
            if (sink->onLong)
                sink->onLong(d.in, d.bytes.data(), d.bytes.size(), d.complete);
            break;
        case Kind::LongError:
            if (sink->onLongError)
                sink->onLongError(d.in);
            break;
        }
    });
}

} // namespace

std::shared_ptr<Backend> MakeAlsaBackend(const std::string& sequencer)
{
    return MakeAlsaBackend(MakeAlsaSequencer(), sequencer);
}

std::shared_ptr<Backend> MakeAlsaBackend(std::unique_ptr<AlsaSequencer> seq, const std::string& sequencer)
{
    return std::make_shared<AlsaBackend>(std::move(seq), sequencer);
}

} // namespace KX::Platform::Midi
