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

struct Address
{
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

class AlsaBackend final : public Backend
{
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
    struct Port
    {
        Address address;
        std::string name;
        std::shared_ptr<Sink> sink;
        bool dead = false; // the sequencer announced that the port or its client left
        bool started = false;
        Clock::time_point start{};
    };

    enum class Kind { Short, Long, LongError };
    struct Delivery
    {
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

    std::mutex mutex_; // guards everything below and every libasound call
    SinkCalls calls_;
    std::unique_ptr<AlsaSequencer> seq_; // null without a sequencer
    int ownClient_ = -1;
    int inPort_ = -1;
    int outPort_ = -1;
    snd_midi_event_t* decoder_ = nullptr;
    snd_midi_event_t* encoder_ = nullptr;
    std::vector<pollfd> inFds_;
    int wake_ = -1;
    std::thread thread_;
    std::map<Handle, Port> inputs_;
    std::map<Handle, Port> outputs_;
    std::vector<SequencerPort> logged_; // the ports last written to the debug log
};

AlsaBackend::AlsaBackend(std::unique_ptr<AlsaSequencer> seq, const std::string& sequencer) : seq_(std::move(seq))
{
    if (!Setup(sequencer)) {
        Teardown();
        return;
    }
    thread_ = std::thread([this] { InputLoop(); });
}

AlsaBackend::~AlsaBackend()
{
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        while (write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    Teardown();
}

bool AlsaBackend::Setup(const std::string& sequencer)
{
    // Without a sequencer the backend has no devices, like a machine without a keyboard; the log says why.
    if (const int r = seq_->Open(sequencer); r < 0) {
        Log("the sequencer \"" + sequencer + "\" cannot be opened (" + snd_strerror(r) + "); no MIDI devices");
        seq_.reset();
        return false;
    }
    seq_->SetClientName("Kivo 61 Preset Editor");
    seq_->SetInputBufferSize(kInputBufferBytes);
    ownClient_ = seq_->ClientId();
    const unsigned type = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION;
    inPort_ = seq_->CreateSimplePort("In", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE, type);
    outPort_ = seq_->CreateSimplePort("Out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ, type);
    if (ownClient_ < 0 || inPort_ < 0 || outPort_ < 0) {
        Log("our client and ports cannot be made: "
            + std::string(snd_strerror(std::min({ownClient_, inPort_, outPort_}))));
        return false;
    }
    if (snd_midi_event_new(kChunk, &decoder_) < 0 || snd_midi_event_new(kChunk, &encoder_) < 0)
        return false;
    snd_midi_event_no_status(decoder_, 1);
    // Port and client departures arrive from the announce port; without them liveness still checks the list.
    if (const int r = seq_->ConnectFrom(inPort_, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE); r < 0)
        LogFailure("subscribing to the announce port", r);

    inFds_ = seq_->PollDescriptors(POLLIN);
    if (inFds_.empty())
        return false;
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0)
        return false;
    inFds_.push_back({wake_, POLLIN, 0});
    return true;
}

void AlsaBackend::Teardown()
{
    if (decoder_)
        snd_midi_event_free(decoder_);
    if (encoder_)
        snd_midi_event_free(encoder_);
    if (wake_ >= 0)
        close(wake_);
    decoder_ = encoder_ = nullptr;
    seq_.reset();
    wake_ = -1;
}

std::vector<ListedPort> AlsaBackend::EnumerateLocked(bool inputs)
{
    if (!seq_)
        return {};
    std::vector<SequencerPort> ports = seq_->Ports();
    // What the system offers, whenever it changes, so that a keyboard that is not found can be diagnosed.
    const auto same = [](const SequencerPort& a, const SequencerPort& b) {
        return a.client == b.client && a.port == b.port && a.clientName == b.clientName && a.portName == b.portName
            && a.readable == b.readable && a.writable == b.writable && a.exported == b.exported;
    };
    if (!std::equal(ports.begin(), ports.end(), logged_.begin(), logged_.end(), same)) {
        Log("the sequencer lists " + std::to_string(ports.size()) + " ports");
        for (const SequencerPort& p : ports)
            Log("  " + ToText({p.client, p.port}) + " \"" + p.clientName + "\" port \"" + p.portName + "\""
                + (p.readable ? " in" : "") + (p.writable ? " out" : "") + (p.exported ? "" : " unlisted"));
        logged_ = ports;
    }
    return ListPorts(std::move(ports), ownClient_, inputs);
}

Status AlsaBackend::List(std::vector<std::string>& names, bool inputs)
{
    std::lock_guard lock(mutex_);
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
    if (!seq_)
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
    const Address in{ownClient_, inPort_}, out{ownClient_, outPort_};
    return input ? seq_->Subscribed(ToSeq(address), ToSeq(in)) == 0 : seq_->Subscribed(ToSeq(out), ToSeq(address)) == 0;
}

// Input needs the subscription to receive anything. Output needs it too: the kernel opens a USB MIDI
// device's output only while a write subscription exists, and refuses a direct event to an unsubscribed
// hardware port (-ENODEV).
bool AlsaBackend::SubscribeLocked(const Address& address, bool input)
{
    if (SubscribedLocked(address, input))
        return true;
    const int r = input ? seq_->ConnectFrom(inPort_, address.client, address.port)
                        : seq_->ConnectTo(outPort_, address.client, address.port);
    if (r < 0)
        LogFailure(std::string(input ? "subscribing from " : "subscribing to ") + ToText(address), r);
    return r >= 0;
}

Status AlsaBackend::OpenInput(unsigned device, std::shared_ptr<Sink> sink, Handle& in)
{
    in = kNoHandle;
    std::lock_guard lock(mutex_);
    ListedPort p;
    if (const Status r = FindListedLocked(device, true, p); r != Status::Ok)
        return r;
    const Address address{p.client, p.port};
    if (!SubscribeLocked(address, true))
        return Status::Error;
    in = NewHandle();
    inputs_.emplace(in, Port{.address = address, .name = std::move(p.name), .sink = std::move(sink)});
    return Status::Ok;
}

Status AlsaBackend::StartInput(Handle in)
{
    std::lock_guard lock(mutex_);
    const auto it = inputs_.find(in);
    if (it == inputs_.end() || it->second.dead)
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
    const bool shared = std::any_of(ports.begin(), ports.end(),
        [&](const auto& entry) { return !entry.second.dead && entry.second.address == address; });
    if (shared || !SubscribedLocked(address, input))
        return;
    const int r = input ? seq_->DisconnectFrom(inPort_, address.client, address.port)
                        : seq_->DisconnectTo(outPort_, address.client, address.port);
    if (r < 0)
        LogFailure(std::string(input ? "unsubscribing from " : "unsubscribing to ") + ToText(address), r);
}

Status AlsaBackend::CloseInput(Handle in)
{
    std::lock_guard lock(mutex_);
    const auto it = inputs_.find(in);
    if (it == inputs_.end())
        return Status::InvalidHandle;
    ReleaseLocked(inputs_, it, true);
    return Status::Ok;
}

bool AlsaBackend::IsInputAlive(Handle in)
{
    std::lock_guard lock(mutex_);
    const auto it = inputs_.find(in);
    return it != inputs_.end() && StillListedLocked(it->second, true);
}

Status AlsaBackend::OpenOutput(unsigned device, std::shared_ptr<Sink> sink, Handle& out)
{
    out = kNoHandle;
    std::lock_guard lock(mutex_);
    ListedPort p;
    if (const Status r = FindListedLocked(device, false, p); r != Status::Ok)
        return r;
    const Address address{p.client, p.port};
    if (!SubscribeLocked(address, false))
        return Status::Error;
    out = NewHandle();
    outputs_.emplace(out, Port{.address = address, .name = std::move(p.name), .sink = std::move(sink)});
    return Status::Ok;
}

Status AlsaBackend::CloseOutput(Handle out)
{
    std::lock_guard lock(mutex_);
    const auto it = outputs_.find(out);
    if (it == outputs_.end())
        return Status::InvalidHandle;
    ReleaseLocked(outputs_, it, false);
    return Status::Ok;
}

bool AlsaBackend::IsOutputAlive(Handle out)
{
    std::lock_guard lock(mutex_);
    const auto it = outputs_.find(out);
    return it != outputs_.end() && StillListedLocked(it->second, false);
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
        const int r = seq_->OutputDirect(event);
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
    std::unique_lock lock(mutex_);
    const auto it = outputs_.find(out);
    if (it == outputs_.end() || it->second.dead)
        return Status::InvalidHandle;
    const std::vector<std::uint8_t> bytes = UnpackShort(packed);
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_midi_event_reset_encode(encoder_);
    if (bytes.empty() || snd_midi_event_encode(encoder_, bytes.data(), bytes.size(), &event) < 0 ||
        event.type == SND_SEQ_EVENT_NONE)
        return Status::Error;
    snd_seq_ev_set_source(&event, outPort_);
    snd_seq_ev_set_dest(&event, it->second.address.client, it->second.address.port);
    snd_seq_ev_set_direct(&event);
    return OutputLocked(lock, event, Clock::now() + kSendBudget);
}

Status AlsaBackend::SendLong(Handle out, const std::uint8_t* bytes, std::size_t count)
{
    if (!bytes || count == 0)
        return Status::Error;
    std::unique_lock lock(mutex_);
    auto it = outputs_.find(out);
    if (it == outputs_.end() || it->second.dead)
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
        snd_seq_ev_set_source(&event, outPort_);
        snd_seq_ev_set_dest(&event, address.client, address.port);
        snd_seq_ev_set_direct(&event);
        if (const Status r = OutputLocked(lock, event, deadline); r != Status::Ok)
            return r;
    }
    // The kernel has taken every byte: the message is done. The handle may have been closed meanwhile.
    it = outputs_.find(out);
    if (it != outputs_.end() && it->second.sink && it->second.sink->onLongDone) {
        const std::shared_ptr<Sink> sink = it->second.sink;
        calls_.Unlocked(lock, sink.get(), [&] { sink->onLongDone(out); });
    }
    return Status::Ok;
}

void AlsaBackend::Detach(const Sink& sink)
{
    std::unique_lock lock(mutex_);
    for (auto it = inputs_.begin(); it != inputs_.end();) {
        const auto next = std::next(it);
        if (it->second.sink.get() == &sink)
            ReleaseLocked(inputs_, it, true);
        it = next;
    }
    for (auto it = outputs_.begin(); it != outputs_.end();) {
        const auto next = std::next(it);
        if (it->second.sink.get() == &sink)
            ReleaseLocked(outputs_, it, false);
        it = next;
    }
    calls_.WaitIdle(lock, &sink);
}

void AlsaBackend::InputLoop()
{
    std::vector<pollfd> fds = inFds_;
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
            std::lock_guard lock(mutex_);
            for (auto* ports : {&inputs_, &outputs_})
                for (auto& [handle, port] : *ports)
                    port.dead = true;
            return;
        }
        std::vector<Delivery> deliveries;
        {
            std::lock_guard lock(mutex_);
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
        const int r = seq_->Input(event);
        if (r == -ENOSPC) {
            // Input was lost: any SysEx being assembled is broken.
            for (const auto& [handle, port] : inputs_)
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
            for (auto* ports : {&inputs_, &outputs_})
                for (auto& [handle, port] : *ports)
                    if (port.address == gone || (clientExit && port.address.client == gone.client))
                        port.dead = true;
        }
        return;
    }
    const Address source{event.source.client, event.source.port};
    std::vector<std::pair<Handle, Clock::time_point>> targets;
    for (const auto& [handle, port] : inputs_)
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
    const long n = snd_midi_event_decode(decoder_, bytes, sizeof bytes, &event);
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
    std::unique_lock lock(mutex_);
    const auto it = inputs_.find(d.in);
    if (it == inputs_.end() || !it->second.started || !it->second.sink)
        return;
    const std::shared_ptr<Sink> sink = it->second.sink;
    calls_.Unlocked(lock, sink.get(), [&] {
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
