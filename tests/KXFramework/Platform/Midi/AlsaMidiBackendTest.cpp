#include "KXFramework/Platform/Midi/AlsaMidiBackend.h"
#include "KXFramework/Platform/Midi/AlsaPortNames.h"

#include <alsa/asoundlib.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
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
        {24, "Kivo 61", 3, true, true},
        {0, "System", 1, true, false},          // the announce port
        {24, "Kivo 61", 0, true, true},
        {14, "Midi Through", 0, true, true},
        {24, "Kivo 61", 1, true, true},
        {own, "Kivo 61 Preset Editor", 0, true, true},
        {24, "Kivo 61", 2, true, true},
        {30, "Synth", 0, false, true},          // output only
        {30, "Synth", 1, true, false},          // input only
        {30, "Synth", 2, true, true, false},    // asks not to be listed
        {30, "Synth", 3, true, true},
    };
    const auto names = [&](bool inputs) {
        std::vector<std::string> out;
        for (const ListedPort& p : ListPorts(ports, own, inputs))
            out.push_back(p.name + " @" + std::to_string(p.client) + ":" + std::to_string(p.port));
        return out;
    };
    EXPECT_THAT(names(true), ElementsAre("Midi Through @14:0", "Kivo 61 @24:0", "MIDIIN2 (Kivo 61) @24:1",
                                         "MIDIIN3 (Kivo 61) @24:2", "MIDIIN4 (Kivo 61) @24:3", "Synth @30:1",
                                         "MIDIIN2 (Synth) @30:3"));
    EXPECT_THAT(names(false), ElementsAre("Midi Through @14:0", "Kivo 61 @24:0", "MIDIOUT2 (Kivo 61) @24:1",
                                          "MIDIOUT3 (Kivo 61) @24:2", "MIDIOUT4 (Kivo 61) @24:3", "Synth @30:0",
                                          "MIDIOUT2 (Synth) @30:3"));
}

// What every inert backend must do: list nothing, fail every open, never throw, stay silent.
void ExpectInert(Backend& backend)
{
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(backend.ListInputs(names), kOk);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(backend.ListOutputs(names), kOk);
    EXPECT_TRUE(names.empty());
    Handle h = 7;
    EXPECT_EQ(backend.OpenInput(0, std::make_shared<Sink>(), h), kNoDriver);
    EXPECT_EQ(h, kNoHandle);
    EXPECT_EQ(backend.OpenOutput(0, std::make_shared<Sink>(), h), kNoDriver);
    EXPECT_EQ(h, kNoHandle);
    EXPECT_EQ(backend.StartInput(1), kInvalidHandle);
    EXPECT_FALSE(backend.IsInputAlive(1));
    EXPECT_FALSE(backend.IsOutputAlive(1));
    EXPECT_EQ(backend.SendShort(1, 0x643C90), kInvalidHandle);
    const std::uint8_t bytes[] = {0xF0, 0xF7};
    EXPECT_EQ(backend.SendLong(1, bytes, sizeof bytes), kInvalidHandle);
    EXPECT_EQ(backend.CloseInput(1), kInvalidHandle);
    EXPECT_EQ(backend.CloseOutput(1), kInvalidHandle);
    Sink sink;
    backend.Detach(sink);
}

TEST(AlsaBackendWithoutSequencer, ReportsNoDevicesFailsOpensAndWritesNothing)
{
    ::testing::internal::CaptureStderr();
    {
        const std::shared_ptr<Backend> backend = MakeAlsaBackend("kx-no-such-sequencer");
        ExpectInert(*backend);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(AlsaBackendWithoutSequencer, TheDefaultBackendOnAMachineWithoutOne)
{
    if (HaveSequencer())
        GTEST_SKIP() << "this machine has an ALSA sequencer (/dev/snd/seq)";
    ::testing::internal::CaptureStderr();
    ExpectInert(*GetBackend());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// A second sequencer client standing in for a keyboard with two ports.
class SequencerPeer
{
public:
    explicit SequencerPeer(const char* name)
    {
        if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0)
            return;
        snd_seq_set_client_name(seq_, name);
        const unsigned caps = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_WRITE |
                              SND_SEQ_PORT_CAP_SUBS_WRITE;
        for (int i = 0; i < 2; ++i)
            snd_seq_create_simple_port(seq_, "port", caps, SND_SEQ_PORT_TYPE_MIDI_GENERIC);
    }
    ~SequencerPeer() { Unplug(); }
    bool ok() const { return seq_ != nullptr; }
    void Unplug()
    {
        if (seq_)
            snd_seq_close(seq_);
        seq_ = nullptr;
    }
    void SendSysEx(int port, std::vector<std::uint8_t> bytes)
    {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_seq_ev_set_source(&event, port);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        snd_seq_ev_set_sysex(&event, bytes.size(), bytes.data());
        ASSERT_GE(snd_seq_event_output_direct(seq_, &event), 0);
    }
    std::vector<std::uint8_t> ReceiveSysEx(std::size_t count)
    {
        std::vector<std::uint8_t> bytes;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
            snd_seq_event_t* event = nullptr;
            if (snd_seq_event_input(seq_, &event) < 0 || !event) {
                std::this_thread::sleep_for(Ms{5});
                continue;
            }
            if (event->type == SND_SEQ_EVENT_SYSEX) {
                const auto* p = static_cast<const std::uint8_t*>(event->data.ext.ptr);
                bytes.insert(bytes.end(), p, p + event->data.ext.len);
            }
        }
        return bytes;
    }

private:
    snd_seq_t* seq_ = nullptr;
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
    ASSERT_EQ(backend->ListInputs(inputs), kOk);
    ASSERT_EQ(backend->ListOutputs(outputs), kOk);
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
    ASSERT_EQ(backend->OpenInput(in2, sink, in), kOk);
    ASSERT_EQ(backend->StartInput(in), kOk);
    ASSERT_EQ(backend->OpenOutput(out1, sink, out), kOk);

    const std::vector<std::uint8_t> message = SysEx(600);
    peer.SendSysEx(1, message);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        {
            std::lock_guard guard(lock);
            if ((!chunks.empty() && chunks.back().second) || std::chrono::steady_clock::now() > deadline)
                break;
        }
        std::this_thread::sleep_for(Ms{5});
    }
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
    ASSERT_EQ(backend->SendLong(out, request.data(), request.size()), kOk);
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
    EXPECT_EQ(backend->CloseInput(in), kOk);
    EXPECT_EQ(backend->CloseOutput(out), kOk);
    backend->Detach(*sink);
}

} // namespace

} // namespace KX::Test
