#include "KXFramework/Platform/Midi/AlsaMidiBackend.h"
#include "Eventually.h"
#include "KXFramework/Platform/Midi/AlsaPortNames.h"
#include "KXFramework/Platform/Midi/AlsaSequencer.h"

#include <alsa/asoundlib.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace KX::Test {

namespace {

using namespace KX::Platform::Midi;
using ::testing::ElementsAre;
using Ms = std::chrono::milliseconds;

bool HaveSequencer()
{
    return access("/dev/snd/seq", R_OK | W_OK) == 0;
}

TEST(AlsaPortNames, FirstPortTakesTheClientNameTheOthersTheDriversPattern)
{
    EXPECT_EQ(SynthesizePortName("Kivo 61", 1, true), "Kivo 61");
    EXPECT_EQ(SynthesizePortName("Kivo 61", 1, false), "Kivo 61");
    EXPECT_EQ(SynthesizePortName("Kivo 61", 4, true), "MIDIIN4 (Kivo 61)");
    EXPECT_EQ(SynthesizePortName("Kivo 61", 4, false), "MIDIOUT4 (Kivo 61)");
    EXPECT_EQ(SynthesizePortName("Kivo 61", 12, false), "MIDIOUT12 (Kivo 61)");
}

TEST(AlsaPortNames, ListsEachDirectionInAddressOrderCountingPortsPerClient)
{
    const int own = 128;
    std::vector<SequencerPort> ports = {
        {24, "Kivo 61", 3, true, true},      {0, "System", 1, true, false}, // the announce port
        {24, "Kivo 61", 0, true, true},      {14, "Midi Through", 0, true, true},
        {24, "Kivo 61", 1, true, true},      {own, "Kivo 61 Preset Editor", 0, true, true},
        {24, "Kivo 61", 2, true, true},      {30, "Synth", 0, false, true}, // output only
        {30, "Synth", 1, true, false},                                      // input only
        {30, "Synth", 2, true, true, false},                                // asks not to be listed
        {30, "Synth", 3, true, true},
    };
    const auto names = [&](bool inputs) {
        std::vector<std::string> out;
        for (const ListedPort& p : ListPorts(ports, own, inputs))
            out.push_back(p.name + " @" + std::to_string(p.client) + ":" + std::to_string(p.port));
        return out;
    };
    EXPECT_THAT(names(true),
                ElementsAre("Midi Through @14:0", "Kivo 61 @24:0", "MIDIIN2 (Kivo 61) @24:1", "MIDIIN3 (Kivo 61) @24:2",
                            "MIDIIN4 (Kivo 61) @24:3", "Synth @30:1", "MIDIIN2 (Synth) @30:3"));
    EXPECT_THAT(names(false), ElementsAre("Midi Through @14:0", "Kivo 61 @24:0", "MIDIOUT2 (Kivo 61) @24:1",
                                          "MIDIOUT3 (Kivo 61) @24:2", "MIDIOUT4 (Kivo 61) @24:3", "Synth @30:0",
                                          "MIDIOUT2 (Synth) @30:3"));
}

// What every inert backend must do: list nothing, fail every open, never throw, stay silent.
void ExpectInert(Backend& backend)
{
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(backend.ListInputs(names), Status::Ok);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(backend.ListOutputs(names), Status::Ok);
    EXPECT_TRUE(names.empty());
    Handle h = 7;
    EXPECT_EQ(backend.OpenInput(0, std::make_shared<Sink>(), h), Status::NoDriver);
    EXPECT_EQ(h, kNoHandle);
    EXPECT_EQ(backend.OpenOutput(0, std::make_shared<Sink>(), h), Status::NoDriver);
    EXPECT_EQ(h, kNoHandle);
    EXPECT_EQ(backend.StartInput(1), Status::InvalidHandle);
    EXPECT_FALSE(backend.IsInputAlive(1));
    EXPECT_FALSE(backend.IsOutputAlive(1));
    EXPECT_EQ(backend.SendShort(1, 0x643C90), Status::InvalidHandle);
    const std::uint8_t bytes[] = {0xF0, 0xF7};
    EXPECT_EQ(backend.SendLong(1, bytes, sizeof bytes), Status::InvalidHandle);
    EXPECT_EQ(backend.CloseInput(1), Status::InvalidHandle);
    EXPECT_EQ(backend.CloseOutput(1), Status::InvalidHandle);
    Sink sink;
    backend.Detach(sink);
}

// The debug log's lines (standard error, each after a time stamp) that mention text.
std::vector<std::string> LogLines(const std::string& captured, const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(captured);
    for (std::string line; std::getline(in, line);) {
        EXPECT_THAT(line, ::testing::MatchesRegex("[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9][0-9][0-9] ALSA.*"));
        if (line.find(text) != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

TEST(AlsaBackendWithoutSequencer, ReportsNoDevicesFailsOpensAndSaysWhyOnceInTheLog)
{
    ::testing::internal::CaptureStderr();
    {
        const std::shared_ptr<Backend> backend = MakeAlsaBackend("kx-no-such-sequencer");
        ExpectInert(*backend);
        ExpectInert(*backend);
    }
    // libasound's own complaint comes through the log as well.
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(LogLines(log, "cannot be opened"), ::testing::ElementsAre(::testing::HasSubstr(
                                                       "the sequencer \"kx-no-such-sequencer\" cannot be opened (")));
    EXPECT_THAT(LogLines(log, "ALSA lib "), ::testing::Not(::testing::IsEmpty()));
}

TEST(AlsaBackendWithoutSequencer, TheDefaultBackendOnAMachineWithoutOne)
{
    if (HaveSequencer())
        GTEST_SKIP() << "this machine has an ALSA sequencer (/dev/snd/seq)";
    ::testing::internal::CaptureStderr();
    ExpectInert(*MakeAlsaBackend());
    EXPECT_THAT(LogLines(::testing::internal::GetCapturedStderr(), "cannot be opened"), ::testing::SizeIs(1));
}

// A second sequencer client standing in for a keyboard with two ports.
class SequencerPeer {
public:
    explicit SequencerPeer(const char* name)
    {
        if (snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0)
            return;
        snd_seq_set_client_name(m_seq, name);
        const unsigned caps =
            SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
        for (int i = 0; i < 2; ++i)
            snd_seq_create_simple_port(m_seq, "port", caps, SND_SEQ_PORT_TYPE_MIDI_GENERIC);
    }
    ~SequencerPeer() { Unplug(); }
    bool ok() const { return m_seq != nullptr; }
    void Unplug()
    {
        if (m_seq)
            snd_seq_close(m_seq);
        m_seq = nullptr;
    }
    void SendSysEx(int port, std::vector<std::uint8_t> bytes)
    {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_seq_ev_set_source(&event, port);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        snd_seq_ev_set_sysex(&event, bytes.size(), bytes.data());
        ASSERT_GE(snd_seq_event_output_direct(m_seq, &event), 0);
    }
    std::vector<std::uint8_t> ReceiveSysEx(std::size_t count)
    {
        std::vector<std::uint8_t> bytes;
        Eventually(
            [&] {
                snd_seq_event_t* event = nullptr;
                while (bytes.size() < count && snd_seq_event_input(m_seq, &event) >= 0 && event) {
                    if (event->type == SND_SEQ_EVENT_SYSEX) {
                        const auto* p = static_cast<const std::uint8_t*>(event->data.ext.ptr);
                        bytes.insert(bytes.end(), p, p + event->data.ext.len);
                    }
                    event = nullptr;
                }
                return bytes.size() >= count;
            },
            std::chrono::seconds(5));
        return bytes;
    }

private:
    snd_seq_t* m_seq = nullptr;
};

std::vector<std::uint8_t> SysEx(std::size_t length)
{
    std::vector<std::uint8_t> bytes(length, 0x55);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

unsigned IndexOf(const std::vector<std::string>& names, const std::string& name)
{
    return static_cast<unsigned>(std::find(names.begin(), names.end(), name) - names.begin());
}

TEST(AlsaBackendWithSequencer, SysExBothWaysAndAPeerThatLeaves)
{
    if (!HaveSequencer())
        GTEST_SKIP() << "needs an ALSA sequencer (/dev/snd/seq), which this machine lacks";
    const std::shared_ptr<Backend> backend = MakeAlsaBackend();
    SequencerPeer peer("KX Test Keys");
    ASSERT_TRUE(peer.ok());

    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    ASSERT_EQ(backend->ListInputs(inputs), Status::Ok);
    ASSERT_EQ(backend->ListOutputs(outputs), Status::Ok);
    const unsigned in2 = IndexOf(inputs, "MIDIIN2 (KX Test Keys)");
    const unsigned out1 = IndexOf(outputs, "KX Test Keys");
    ASSERT_LT(in2, inputs.size());
    ASSERT_LT(out1, outputs.size());

    std::mutex lock;
    std::vector<std::pair<std::vector<std::uint8_t>, bool>> chunks;
    int done = 0;
    auto sink = std::make_shared<Sink>();
    sink->onLong = [&](Handle, const std::uint8_t* bytes, std::size_t n, bool complete) {
        std::lock_guard guard(lock);
        chunks.emplace_back(std::vector(bytes, bytes + n), complete);
    };
    sink->onLongDone = [&](Handle) {
        std::lock_guard guard(lock);
        ++done;
    };
    Handle in = kNoHandle;
    Handle out = kNoHandle;
    ASSERT_EQ(backend->OpenInput(in2, sink, in), Status::Ok);
    ASSERT_EQ(backend->StartInput(in), Status::Ok);
    ASSERT_EQ(backend->OpenOutput(out1, sink, out), Status::Ok);

    const std::vector<std::uint8_t> message = SysEx(600);
    peer.SendSysEx(1, message);
    Eventually(
        [&] {
            std::lock_guard guard(lock);
            return !chunks.empty() && chunks.back().second;
        },
        std::chrono::seconds(5));
    {
        std::lock_guard guard(lock);
        std::vector<std::uint8_t> joined;
        for (std::size_t i = 0; i < chunks.size(); ++i) {
            EXPECT_LE(chunks[i].first.size(), kChunk);
            EXPECT_EQ(chunks[i].second, i + 1 == chunks.size());
            joined.insert(joined.end(), chunks[i].first.begin(), chunks[i].first.end());
        }
        EXPECT_EQ(joined, message);
    }

    const std::vector<std::uint8_t> request = SysEx(300);
    ASSERT_EQ(backend->SendLong(out, request.data(), request.size()), Status::Ok);
    EXPECT_EQ(peer.ReceiveSysEx(request.size()), request);
    {
        std::lock_guard guard(lock);
        EXPECT_EQ(done, 1);
    }

    EXPECT_TRUE(backend->IsInputAlive(in));
    EXPECT_TRUE(backend->IsOutputAlive(out));
    peer.Unplug();
    EXPECT_FALSE(backend->IsInputAlive(in));
    EXPECT_FALSE(backend->IsOutputAlive(out));
    EXPECT_EQ(backend->CloseInput(in), Status::Ok);
    EXPECT_EQ(backend->CloseOutput(out), Status::Ok);
    backend->Detach(*sink);
}

// The kernel as far as the backend's sends and subscriptions reach it: a keyboard client with two hardware
// ports, subscriptions kept as the sequencer keeps them, and direct events to a port refused (-ENODEV)
// unless our output port is subscribed to it. A pool that is full for the next few events gives -EAGAIN.
class FakeSequencer final : public AlsaSequencer {
public:
    static constexpr int kOwnClient = 128;
    static constexpr int kKeyboard = 24;

    struct Sent {
        int client;
        int port;
        std::vector<std::uint8_t> bytes; // the SysEx bytes; empty for other events
        std::chrono::steady_clock::time_point at;
    };

    struct State {
        std::mutex lock;
        std::vector<SequencerPort> ports{{kKeyboard, "Kivo 61", 0, true, true, true, "Kivo 61 MIDI 1"},
                                         {kKeyboard, "Kivo 61", 1, true, true, true, "Kivo 61 MIDI 2"}};
        std::set<std::pair<std::pair<int, int>, std::pair<int, int>>> subscriptions; // (sender, dest)
        int connectsTo = 0;
        int refuseConnects = 0;
        int fullPool = 0;
        std::vector<std::chrono::steady_clock::time_point> refusedAt;
        std::vector<Sent> sent;

        bool Subscribed(int ownPort, int client, int port)
        {
            std::lock_guard guard(lock);
            return subscriptions.count({{kOwnClient, ownPort}, {client, port}}) != 0;
        }
    };

    explicit FakeSequencer(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    ~FakeSequencer() override { ::close(m_never); }

    int Open(const std::string&) override { return 0; }
    int SetClientName(const std::string&) override { return 0; }
    int SetInputBufferSize(std::size_t) override { return 0; }
    int ClientId() override { return kOwnClient; }
    int CreateSimplePort(const std::string&, unsigned, unsigned) override { return m_nextPort++; }
    std::vector<SequencerPort> Ports() override
    {
        std::lock_guard guard(m_state->lock);
        return m_state->ports;
    }
    int ConnectFrom(int ownPort, int client, int port) override
    {
        return Connect({client, port}, {kOwnClient, ownPort});
    }
    int DisconnectFrom(int ownPort, int client, int port) override
    {
        return Disconnect({client, port}, {kOwnClient, ownPort});
    }
    int ConnectTo(int ownPort, int client, int port) override
    {
        {
            std::lock_guard guard(m_state->lock);
            ++m_state->connectsTo;
            if (m_state->refuseConnects > 0) {
                --m_state->refuseConnects;
                return -EPERM;
            }
        }
        return Connect({kOwnClient, ownPort}, {client, port});
    }
    int DisconnectTo(int ownPort, int client, int port) override
    {
        return Disconnect({kOwnClient, ownPort}, {client, port});
    }
    int Subscribed(snd_seq_addr_t sender, snd_seq_addr_t dest) override
    {
        std::lock_guard guard(m_state->lock);
        return m_state->subscriptions.count({{sender.client, sender.port}, {dest.client, dest.port}}) ? 0 : -ENOENT;
    }
    std::vector<pollfd> PollDescriptors(short events) override { return {{m_never, events, 0}}; }
    int OutputDirect(snd_seq_event_t& event) override
    {
        std::lock_guard guard(m_state->lock);
        if (!m_state->subscriptions.count({{kOwnClient, event.source.port}, {event.dest.client, event.dest.port}}))
            return -ENODEV;
        if (m_state->fullPool > 0) {
            --m_state->fullPool;
            m_state->refusedAt.push_back(std::chrono::steady_clock::now());
            return -EAGAIN;
        }
        std::vector<std::uint8_t> bytes;
        if (event.type == SND_SEQ_EVENT_SYSEX) {
            const auto* p = static_cast<const std::uint8_t*>(event.data.ext.ptr);
            bytes.assign(p, p + event.data.ext.len);
        }
        m_state->sent.push_back({event.dest.client, event.dest.port, bytes, std::chrono::steady_clock::now()});
        return static_cast<int>(sizeof event + bytes.size());
    }
    int Input(snd_seq_event_t*&) override { return -EAGAIN; }

private:
    using Address = std::pair<int, int>;
    int Connect(Address sender, Address dest)
    {
        std::lock_guard guard(m_state->lock);
        return m_state->subscriptions.insert({sender, dest}).second ? 0 : -EBUSY;
    }
    int Disconnect(Address sender, Address dest)
    {
        std::lock_guard guard(m_state->lock);
        return m_state->subscriptions.erase({sender, dest}) ? 0 : -ENOENT;
    }

    std::shared_ptr<State> m_state;
    int m_nextPort = 0;
    int m_never = ::eventfd(0, EFD_CLOEXEC);
};

class AlsaBackendOnFakeSequencer : public ::testing::Test {
protected:
    static constexpr int kOutPort = 1; // our second port, after "In"

    Handle OpenOutput(unsigned device, Status expected = Status::Ok)
    {
        Handle out = kNoHandle;
        EXPECT_EQ(backend->OpenOutput(device, sink, out), expected);
        return out;
    }

    std::shared_ptr<FakeSequencer::State> state = std::make_shared<FakeSequencer::State>();
    std::shared_ptr<Backend> backend = MakeAlsaBackend(std::make_unique<FakeSequencer>(state), "default");
    std::shared_ptr<Sink> sink = std::make_shared<Sink>();
};

TEST_F(AlsaBackendOnFakeSequencer, OutputsAreSubscribedBeforeTheFirstEventAndUntilTheLastClose)
{
    const Handle first = OpenOutput(1);
    EXPECT_TRUE(state->Subscribed(kOutPort, FakeSequencer::kKeyboard, 1));
    EXPECT_FALSE(state->Subscribed(kOutPort, FakeSequencer::kKeyboard, 0));
    const std::vector<std::uint8_t> dump = SysEx(600);
    EXPECT_EQ(backend->SendShort(first, 0x643C90), Status::Ok);
    EXPECT_EQ(backend->SendLong(first, dump.data(), dump.size()), Status::Ok);

    // A second handle on the port shares the subscription; it ends with the last of them.
    const Handle second = OpenOutput(1);
    EXPECT_EQ(state->connectsTo, 1);
    EXPECT_EQ(backend->CloseOutput(first), Status::Ok);
    EXPECT_TRUE(state->Subscribed(kOutPort, FakeSequencer::kKeyboard, 1));
    EXPECT_EQ(backend->SendShort(second, 0x90), Status::Ok);
    EXPECT_EQ(backend->CloseOutput(second), Status::Ok);
    EXPECT_FALSE(state->Subscribed(kOutPort, FakeSequencer::kKeyboard, 1));

    std::lock_guard guard(state->lock);
    ASSERT_EQ(state->sent.size(), 5u); // the note, the dump in three events, the note off
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(state->sent[i].port, 1);
        EXPECT_LE(state->sent[i].bytes.size(), kChunk);
        joined.insert(joined.end(), state->sent[i].bytes.begin(), state->sent[i].bytes.end());
    }
    EXPECT_EQ(joined, dump);
}

TEST_F(AlsaBackendOnFakeSequencer, TheSubscriptionIsCheckedWithTheSequencerAndARefusalIsLogged)
{
    const Handle first = OpenOutput(0);
    // Someone else (aconnect -d) ends the subscription: the next open makes it again.
    {
        std::lock_guard guard(state->lock);
        state->subscriptions.clear();
    }
    const Handle second = OpenOutput(0);
    EXPECT_TRUE(state->Subscribed(kOutPort, FakeSequencer::kKeyboard, 0));
    EXPECT_EQ(backend->SendShort(second, 0xF8), Status::Ok);
    EXPECT_EQ(backend->CloseOutput(first), Status::Ok);
    EXPECT_EQ(backend->CloseOutput(second), Status::Ok);

    // A port that refuses the subscription is not opened, and the log says why.
    state->refuseConnects = 1;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(OpenOutput(0, Status::Error), kNoHandle);
    EXPECT_THAT(LogLines(::testing::internal::GetCapturedStderr(), "subscribing to 24:0 failed"), ::testing::SizeIs(1));
}

TEST_F(AlsaBackendOnFakeSequencer, ASendRefusedForAFullPoolPausesBetweenTries)
{
    const Handle out = OpenOutput(0);
    state->fullPool = 20;
    EXPECT_EQ(backend->SendShort(out, 0xF8), Status::Ok);
    std::lock_guard guard(state->lock);
    ASSERT_EQ(state->refusedAt.size(), 20u);
    ASSERT_EQ(state->sent.size(), 1u);
    state->refusedAt.push_back(state->sent[0].at);
    // A loop that spins tries again within microseconds.
    for (std::size_t i = 1; i < state->refusedAt.size(); ++i)
        EXPECT_GE(state->refusedAt[i] - state->refusedAt[i - 1], std::chrono::milliseconds(1)) << "try " << i;
}

TEST_F(AlsaBackendOnFakeSequencer, TheLogListsWhatTheSequencerOffersWhenItChanges)
{
    std::vector<std::string> names;
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(backend->ListOutputs(names), Status::Ok);
    ASSERT_EQ(backend->ListInputs(names), Status::Ok);
    {
        std::lock_guard guard(state->lock);
        state->ports.push_back({30, "Synth", 0, false, true, true, "Synth Port"});
    }
    ASSERT_EQ(backend->ListOutputs(names), Status::Ok);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(names, ElementsAre("Kivo 61", "MIDIOUT2 (Kivo 61)", "Synth"));
    EXPECT_THAT(LogLines(log, "lists"),
                ElementsAre(::testing::HasSubstr("lists 2 ports"), ::testing::HasSubstr("lists 3 ports")));
    EXPECT_THAT(LogLines(log, "\"Kivo 61\" port \"Kivo 61 MIDI 2\" in out"), ::testing::SizeIs(2));
    EXPECT_THAT(LogLines(log, "30:0 \"Synth\" port \"Synth Port\" out"), ::testing::SizeIs(1));
}

} // namespace

} // namespace KX::Test
