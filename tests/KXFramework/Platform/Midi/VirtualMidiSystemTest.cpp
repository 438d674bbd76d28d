#include "VirtualMidiSystem.h"
#include "ScopedService.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <numeric>
#include <set>
#include <thread>

namespace KX::Test {

namespace {

using namespace KX::Platform::Midi;
using KX::Test::VirtualMidiSystem;
using ::testing::ElementsAre;
using Ms = std::chrono::milliseconds;

// What a sink received, in order.
struct Received {
    enum Kind { Short, Long, LongError, Done } kind;
    Handle handle;
    std::vector<std::uint8_t> bytes{};
    bool complete = false;
    std::uint32_t packed = 0;
    Ms stamp{0};
};

class Recorder {
public:
    Recorder()
    {
        m_sink->onShort = [this](Handle h, std::uint32_t packed, Ms stamp) {
            Add({Received::Short, h, {}, false, packed, stamp});
        };
        m_sink->onLong = [this](Handle h, const std::uint8_t* bytes, std::size_t n, bool complete) {
            Add({Received::Long, h, std::vector(bytes, bytes + n), complete});
        };
        m_sink->onLongError = [this](Handle h) { Add({Received::LongError, h}); };
        m_sink->onLongDone = [this](Handle h) { Add({Received::Done, h}); };
    }
    std::shared_ptr<Sink> sink() const { return m_sink; }
    std::vector<Received> All() const
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    void Add(Received r)
    {
        std::lock_guard lock(m_mutex);
        m_received.push_back(std::move(r));
    }
    std::shared_ptr<Sink> m_sink = std::make_shared<Sink>();
    mutable std::mutex m_mutex;
    std::vector<Received> m_received;
};

std::vector<std::uint8_t> SysEx(std::size_t length)
{
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<std::uint8_t>(i % 0x7F);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

class VirtualMidi : public ::testing::Test {
protected:
    Handle OpenStartedInput(unsigned device)
    {
        Handle in = kNoHandle;
        EXPECT_EQ(midi.OpenInput(device, recorder.sink(), in), Status::Ok);
        EXPECT_EQ(midi.StartInput(in), Status::Ok);
        return in;
    }
    Handle OpenOutput(unsigned device)
    {
        Handle out = kNoHandle;
        EXPECT_EQ(midi.OpenOutput(device, recorder.sink(), out), Status::Ok);
        return out;
    }

    VirtualMidiSystem midi;
    Recorder recorder;
};

TEST_F(VirtualMidi, ListsPluggedDevicesInOrderAndNumbersThemByPosition)
{
    const auto thru = midi.AddDevice("Midi Through Port-0", "Midi Through Port-0");
    midi.AddDevice("MIDIIN4 (Kivo 61)", "MIDIOUT4 (Kivo 61)");
    midi.AddDevice("Kivo 61", "Kivo 61", {}, 0);
    midi.AddDevice("", "Out Only");
    std::vector<std::string> names;
    EXPECT_EQ(midi.ListInputs(names), Status::Ok);
    EXPECT_THAT(names, ElementsAre("Kivo 61", "Midi Through Port-0", "MIDIIN4 (Kivo 61)"));
    EXPECT_EQ(midi.ListOutputs(names), Status::Ok);
    EXPECT_THAT(names, ElementsAre("Kivo 61", "Midi Through Port-0", "MIDIOUT4 (Kivo 61)", "Out Only"));
    EXPECT_EQ(midi.Enumerations(), 2);

    midi.Unplug(thru);
    midi.ListInputs(names);
    EXPECT_THAT(names, ElementsAre("Kivo 61", "MIDIIN4 (Kivo 61)"));
    Handle h = 99;
    EXPECT_EQ(midi.OpenInput(2, recorder.sink(), h), Status::BadDevice);
    EXPECT_EQ(h, kNoHandle);
}

TEST_F(VirtualMidi, UnplugKillsHandlesAndAReplugNeedsANewOpen)
{
    const auto kivo = midi.AddDevice("Kivo 61", "Kivo 61");
    const Handle in = OpenStartedInput(0);
    const Handle out = OpenOutput(0);
    EXPECT_TRUE(midi.IsInputAlive(in));
    EXPECT_TRUE(midi.IsOutputAlive(out));

    midi.Unplug(kivo);
    midi.InjectShort(kivo, 0x643C90);
    const std::uint8_t bytes[] = {0xF0, 0x01, 0xF7};
    EXPECT_EQ(midi.SendLong(out, bytes, sizeof bytes), Status::InvalidHandle);
    EXPECT_EQ(midi.SendShort(out, 0x643C90), Status::InvalidHandle);
    ASSERT_TRUE(midi.WaitIdle());
    EXPECT_FALSE(midi.IsInputAlive(in));
    EXPECT_FALSE(midi.IsOutputAlive(out));
    EXPECT_TRUE(recorder.All().empty()) << "no input and no done from an unplugged device";
    EXPECT_TRUE(midi.SentMessages().empty());

    midi.Replug(kivo);
    EXPECT_FALSE(midi.IsInputAlive(in)) << "old handles stay dead";
    EXPECT_EQ(midi.CloseInput(in), Status::Ok);
    EXPECT_EQ(midi.CloseOutput(out), Status::Ok);
    const Handle again = OpenStartedInput(0);
    EXPECT_NE(again, in) << "handles are never reused";
    midi.InjectShort(kivo, 0xF8);
    ASSERT_TRUE(midi.WaitIdle());
    ASSERT_EQ(recorder.All().size(), 1u);
    EXPECT_EQ(recorder.All()[0].handle, again);
}

TEST_F(VirtualMidi, A1350ByteReplyArrivesInChunksOfAtMost256WithTheLastComplete)
{
    const auto kivo = midi.AddDevice("Kivo 61", "Kivo 61");
    const Handle in = OpenStartedInput(0);
    const std::vector<std::uint8_t> reply = SysEx(1350);
    midi.InjectSysEx(kivo, reply);
    ASSERT_TRUE(midi.WaitIdle());

    const auto got = recorder.All();
    ASSERT_EQ(got.size(), 6u);
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].kind, Received::Long);
        EXPECT_EQ(got[i].handle, in);
        EXPECT_EQ(got[i].bytes.size(), i < 5 ? 256u : 70u);
        EXPECT_EQ(got[i].complete, i == 5);
        joined.insert(joined.end(), got[i].bytes.begin(), got[i].bytes.end());
    }
    EXPECT_EQ(joined, reply);
}

TEST(Chunking, RulesAndSizes)
{
    const auto chunks = [](std::size_t length, std::size_t chunk, CompleteRule rule) {
        std::vector<std::pair<std::size_t, bool>> out;
        const std::vector<std::uint8_t> bytes = SysEx(length);
        ForEachChunk(bytes.data(), bytes.size(), chunk, rule,
                     [&](const std::uint8_t*, std::size_t n, bool complete) { out.emplace_back(n, complete); });
        return out;
    };
    using P = std::pair<std::size_t, bool>;
    // WinMM fills buffers: a short buffer is complete even without F7; a full one ending in F7 is too.
    EXPECT_THAT(chunks(300, 256, CompleteRule::ShortOrF7), ElementsAre(P{256, false}, P{44, true}));
    EXPECT_THAT(chunks(512, 256, CompleteRule::ShortOrF7), ElementsAre(P{256, false}, P{256, true}));
    EXPECT_THAT(chunks(256, 256, CompleteRule::ShortOrF7), ElementsAre(P{256, true}));
    // Chunks never exceed the layer's 256 bytes, whatever is asked.
    EXPECT_THAT(chunks(600, 1000, CompleteRule::LastEndsF7), ElementsAre(P{256, false}, P{256, false}, P{88, true}));
    EXPECT_THAT(chunks(5, 0, CompleteRule::LastEndsF7), ElementsAre(P{5, true}));

    // A piece cut short (no F7) completes nothing under the ALSA rule, but does under WinMM's.
    std::vector<std::uint8_t> cut = SysEx(100);
    cut.back() = 0x10;
    std::vector<bool> flags;
    ForEachChunk(cut.data(), cut.size(), 64, CompleteRule::LastEndsF7,
                 [&](const std::uint8_t*, std::size_t, bool complete) { flags.push_back(complete); });
    EXPECT_THAT(flags, ElementsAre(false, false));
    flags.clear();
    ForEachChunk(cut.data(), cut.size(), 64, CompleteRule::ShortOrF7,
                 [&](const std::uint8_t*, std::size_t, bool complete) { flags.push_back(complete); });
    EXPECT_THAT(flags, ElementsAre(false, true));

    // Two messages in one run of bytes (one ALSA event from a software client) stay two.
    std::vector<std::uint8_t> two = SysEx(10);
    const std::vector<std::uint8_t> second = SysEx(300);
    two.insert(two.end(), second.begin(), second.end());
    std::vector<std::pair<std::size_t, bool>> got;
    ForEachChunk(two.data(), two.size(), 256, CompleteRule::LastEndsF7,
                 [&](const std::uint8_t*, std::size_t n, bool complete) { got.emplace_back(n, complete); });
    EXPECT_THAT(got, ElementsAre(P{10, true}, P{256, false}, P{44, true}));
}

TEST_F(VirtualMidi, InputKeepsOrderFollowsTimingAndStartsOnlyWithStartInput)
{
    const auto kivo = midi.AddDevice("Kivo 61", "Kivo 61");
    Handle in = kNoHandle;
    ASSERT_EQ(midi.OpenInput(0, recorder.sink(), in), Status::Ok);
    midi.InjectShort(kivo, 0x90);
    ASSERT_TRUE(midi.WaitIdle());
    EXPECT_TRUE(recorder.All().empty()) << "nothing is delivered before StartInput";
    ASSERT_EQ(midi.StartInput(in), Status::Ok);

    midi.Pause();
    midi.InjectShort(kivo, 0x643C90, Ms{1234});
    midi.InjectSysEx(kivo, SysEx(300), 128, CompleteRule::LastEndsF7, Ms{0}, Ms{100});
    midi.InjectLongError(kivo);
    midi.InjectShort(kivo, 0x05C0, {}, Ms{400}); // later than everything above
    // Nothing comes while paused, however long the test takes to go on.
    EXPECT_FALSE(midi.WaitIdle(Ms{250}));
    EXPECT_TRUE(recorder.All().empty());
    // Timed from the pause: before the SysEx's later pieces, however long after them it was made.
    midi.InjectShort(kivo, 0xF8);
    midi.Resume();
    ASSERT_TRUE(midi.WaitIdle());

    const auto got = recorder.All();
    std::vector<Received::Kind> kinds;
    for (const Received& r : got)
        kinds.push_back(r.kind);
    // The long error comes before the later SysEx pieces, which are 100 ms apart.
    EXPECT_THAT(kinds, ElementsAre(Received::Short, Received::Long, Received::LongError, Received::Short,
                                   Received::Long, Received::Long, Received::Short));
    EXPECT_EQ(got[0].packed, 0x643C90u);
    EXPECT_EQ(got[0].stamp, Ms{1234});
    EXPECT_EQ(got[3].packed, 0xF8u);
    EXPECT_EQ(got[6].packed, 0x05C0u);
    EXPECT_GE(got[6].stamp, Ms{400}) << "measured from StartInput";
    EXPECT_THAT((std::vector{got[1].complete, got[4].complete, got[5].complete}), ElementsAre(false, false, true));
}

TEST_F(VirtualMidi, RecordsSendsAndLongSendsCopyTheCallersBytes)
{
    std::vector<VirtualMidiSystem::Sent> heard;
    std::mutex heardLock;
    const auto kivo = midi.AddDevice("Kivo 61", "Kivo 61", [&](VirtualMidiSystem&, int, const auto& sent) {
        std::lock_guard lock(heardLock);
        heard.push_back(sent);
    });
    midi.SetDone(kivo, VirtualMidiSystem::Done::AfterDelay, Ms{20});
    const Handle out = OpenOutput(0);

    EXPECT_EQ(midi.SendShort(out, 0x643C90), Status::Ok);
    EXPECT_EQ(midi.SendShort(out, 0x05C0), Status::Ok);
    EXPECT_EQ(midi.SendShort(out, 0xF7), Status::Error) << "F7 cannot go as a short message";
    auto bytes = std::make_unique<std::vector<std::uint8_t>>(SysEx(1350));
    const std::vector<std::uint8_t> expected = *bytes;
    EXPECT_EQ(midi.SendLong(out, bytes->data(), bytes->size()), Status::Ok);
    bytes.reset(); // the record and the peer keep their own copies
    ASSERT_TRUE(midi.WaitIdle());

    const auto sent = midi.SentMessages();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_THAT(sent[0].bytes, ElementsAre(0x90, 0x3C, 0x64));
    EXPECT_FALSE(sent[0].isLong);
    EXPECT_THAT(sent[1].bytes, ElementsAre(0xC0, 0x05));
    EXPECT_EQ(sent[2].bytes, expected);
    EXPECT_TRUE(sent[2].isLong);
    EXPECT_EQ(sent[2].device, kivo);
    std::lock_guard lock(heardLock);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[2].bytes, expected);
    midi.ClearSent();
    EXPECT_TRUE(midi.SentMessages().empty());
}

TEST_F(VirtualMidi, DoneModesFailuresAndListsDuringALongSend)
{
    const auto kivo = midi.AddDevice("Kivo 61", "Kivo 61");
    const Handle out = OpenOutput(0);
    const std::vector<std::uint8_t> bytes = SysEx(10);

    // At once: done is reported inside SendLong.
    ASSERT_EQ(midi.SendLong(out, bytes.data(), bytes.size()), Status::Ok);
    ASSERT_EQ(recorder.All().size(), 1u);
    EXPECT_EQ(recorder.All()[0].kind, Received::Done);

    // Never: no done at all.
    midi.SetDone(kivo, VirtualMidiSystem::Done::Never);
    ASSERT_EQ(midi.SendLong(out, bytes.data(), bytes.size()), Status::Ok);
    ASSERT_TRUE(midi.WaitIdle());
    EXPECT_EQ(recorder.All().size(), 1u);

    // After a delay: a list read before done counts as read during the send.
    midi.SetDone(kivo, VirtualMidiSystem::Done::AfterDelay, Ms{200});
    midi.Pause(); // done comes only after the list, however slowly the test reads it
    ASSERT_EQ(midi.SendLong(out, bytes.data(), bytes.size()), Status::Ok);
    std::vector<std::string> names;
    midi.ListOutputs(names);
    midi.Resume();
    ASSERT_TRUE(midi.WaitIdle());
    midi.ListOutputs(names);
    EXPECT_EQ(recorder.All().size(), 2u);
    EXPECT_EQ(midi.ListsDuringLongSend(), 1);

    // The next two sends fail and are not recorded.
    midi.ClearSent();
    midi.FailNextSends(kivo, 2);
    EXPECT_EQ(midi.SendShort(out, 0xF8), Status::Error);
    EXPECT_EQ(midi.SendLong(out, bytes.data(), bytes.size()), Status::Error);
    EXPECT_EQ(midi.SendShort(out, 0xF8), Status::Ok);
    EXPECT_EQ(midi.SentMessages().size(), 1u);
    EXPECT_EQ(midi.SendLong(out, bytes.data(), 0), Status::Error);
}

// The answer is in before the send returns, so that a sender's time limit never races it.
TEST_F(VirtualMidi, APeerAnswersWhatItsDeviceReceivesBeforeTheSendReturns)
{
    // An echo device: answers every long message with the same bytes, in 100-byte pieces.
    midi.AddDevice("Echo", "Echo", [](VirtualMidiSystem& system, int device, const VirtualMidiSystem::Sent& sent) {
        if (sent.isLong)
            system.InjectSysEx(device, sent.bytes, 100);
    });
    OpenStartedInput(0);
    const Handle out = OpenOutput(0);
    const std::vector<std::uint8_t> request = SysEx(250);
    ASSERT_EQ(midi.SendLong(out, request.data(), request.size()), Status::Ok);

    std::vector<std::uint8_t> answer;
    for (const Received& r : recorder.All())
        if (r.kind == Received::Long)
            answer.insert(answer.end(), r.bytes.begin(), r.bytes.end());
    EXPECT_EQ(answer, request);
}

// A port object as the MIDI classes keep it: its callbacks take the port lock, under which ports are also
// opened and closed.
TEST(VirtualMidiThreads, ClosingPortsWhileInputArrives)
{
    VirtualMidiSystem midi;
    const auto kivo = midi.AddDevice("Kivo 61", "Kivo 61");
    std::mutex portLock;
    std::set<Handle> open;
    std::atomic<int> delivered{0};
    std::atomic<int> afterClose{0};
    auto sink = std::make_shared<Sink>();
    sink->onShort = [&](Handle h, std::uint32_t, Ms) {
        std::lock_guard lock(portLock);
        ++(open.count(h) ? delivered : afterClose);
    };
    sink->onLong = [&](Handle, const std::uint8_t*, std::size_t, bool) { std::lock_guard lock(portLock); };

    std::atomic<bool> stop{false};
    std::thread device([&] {
        while (!stop) {
            midi.InjectShort(kivo, 0x643C90);
            midi.InjectSysEx(kivo, SysEx(300));
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 200; ++i) {
        std::lock_guard lock(portLock);
        Handle in = kNoHandle;
        EXPECT_EQ(midi.OpenInput(0, sink, in), Status::Ok);
        EXPECT_EQ(midi.StartInput(in), Status::Ok);
        open.insert(in);
        if (i % 2) {
            EXPECT_EQ(midi.CloseInput(in), Status::Ok);
            open.erase(in);
        }
    }
    stop = true;
    device.join();
    ASSERT_TRUE(midi.WaitIdle());

    // Once the earlier deliveries are over, closed handles receive nothing.
    afterClose = 0;
    const int before = delivered;
    midi.InjectShort(kivo, 0x643C90);
    ASSERT_TRUE(midi.WaitIdle());
    EXPECT_EQ(afterClose, 0);
    EXPECT_EQ(delivered - before, 100) << "one delivery per handle still open";
}

TEST(VirtualMidiThreads, DetachWaitsForACallInProgressAndStopsLaterOnes)
{
    VirtualMidiSystem midi;
    const auto kivo = midi.AddDevice("Kivo 61", "Kivo 61");
    struct Owner {
        std::atomic<int> calls{0};
    };
    auto owner = std::make_unique<Owner>();
    Owner* raw = owner.get();
    std::atomic<bool> entered{false};
    std::atomic<bool> finished{false};
    auto sink = std::make_shared<Sink>();
    sink->onShort = [&, raw](Handle, std::uint32_t, Ms) {
        entered = true;
        std::this_thread::sleep_for(Ms{50});
        ++raw->calls;
        finished = true;
    };
    Handle in = kNoHandle;
    ASSERT_EQ(midi.OpenInput(0, sink, in), Status::Ok);
    ASSERT_EQ(midi.StartInput(in), Status::Ok);
    midi.InjectShort(kivo, 0xF8);
    while (!entered)
        std::this_thread::yield();
    for (int i = 0; i < 50; ++i)
        midi.InjectShort(kivo, 0xF8);

    midi.Detach(*sink);
    EXPECT_TRUE(finished) << "Detach returned while a call into the sink ran";
    owner.reset(); // a later call would touch freed memory
    ASSERT_TRUE(midi.WaitIdle());
    EXPECT_FALSE(midi.IsInputAlive(in));
}

TEST(BackendChoice, TestsInstallTheVirtualSystemAndNullGoesBackToTheSequencer)
{
    const auto midi = std::make_shared<VirtualMidiSystem>();
    KX::Test::ScopedService<std::shared_ptr<Backend>> backend(BackendSlot(), midi);
    EXPECT_EQ(GetBackend(), midi);
    backend.Set(nullptr);
    const std::shared_ptr<Backend> real = GetBackend();
    ASSERT_NE(real, nullptr);
    EXPECT_NE(real, midi);
    EXPECT_EQ(GetBackend(), real) << "built once";
}

} // namespace

} // namespace KX::Test
