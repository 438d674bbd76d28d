#include "MidiTestFixture.h"

#include <atomic>
#include <thread>

namespace KX::Test {
namespace {

using Rule = Platform::Midi::CompleteRule;
using namespace std::chrono_literals;

// Feeds bytes to an assembler in chunks of chunk bytes, complete by rule; returns what it finishes.
std::vector<Bytes> Assemble(SysExAssembler& assembler, const Bytes& bytes, std::size_t chunk, Rule rule)
{
    std::vector<Bytes> done;
    Platform::Midi::ForEachChunk(bytes.data(), bytes.size(), chunk, rule,
                                 [&](const std::uint8_t* data, std::size_t n, bool complete) {
                                     if (auto m = assembler.Append(data, n, complete, String(u"in"), nullptr))
                                         done.emplace_back(m->GetBytes().begin(), m->GetBytes().end());
                                 });
    return done;
}

TEST(SysExAssembler, LostEndsNeverJoinTheNextMessageAndGrowthIsBounded)
{
    SysExAssembler assembler;
    const Bytes good = SysEx(300);

    // A message cut off (its last chunk never came) is replaced by the next F0, not joined to it.
    const Bytes whole = SysEx(400);
    const Bytes cut(whole.begin(), whole.begin() + 256);
    EXPECT_TRUE(Assemble(assembler, cut, 256, Rule::LastEndsF7).empty());
    EXPECT_EQ(Assemble(assembler, good, 256, Rule::LastEndsF7), std::vector<Bytes>{good});

    // After lost input the remaining chunks of that message start nothing.
    const Bytes big = SysEx(600);
    EXPECT_TRUE(Assemble(assembler, Bytes(big.begin(), big.begin() + 256), 256, Rule::LastEndsF7).empty());
    assembler.Discard();
    EXPECT_TRUE(Assemble(assembler, Bytes(big.begin() + 256, big.end()), 256, Rule::LastEndsF7).empty());
    EXPECT_EQ(assembler.GetPendingSize(), 0u);

    // A device that never sends F7 cannot grow the pending message past the limit; what follows is good.
    Bytes endless(256, 0x11);
    endless[0] = 0xF0;
    Assemble(assembler, endless, 256, Rule::LastEndsF7);
    const Bytes more(256, 0x22);
    for (int i = 0; i < 4000; ++i) {
        Assemble(assembler, more, 256, Rule::LastEndsF7);
        ASSERT_LE(assembler.GetPendingSize(), SysExAssembler::kMaxMessage);
    }
    EXPECT_EQ(Assemble(assembler, good, 256, Rule::LastEndsF7), std::vector<Bytes>{good});

    // The largest message that fits still arrives whole.
    const Bytes largest = SysEx(SysExAssembler::kMaxMessage);
    EXPECT_EQ(Assemble(assembler, largest, 256, Rule::LastEndsF7), std::vector<Bytes>{largest});
    EXPECT_TRUE(Assemble(assembler, SysEx(SysExAssembler::kMaxMessage + 1), 256, Rule::LastEndsF7).empty());
}

using MidiCapture = MidiFixture;

TEST_F(MidiCapture, SysExArrivesOnceAndWholeInEveryChunking)
{
    const auto kivo = system->AddDevice("Kivo 61", "Kivo 61");
    RCPtr<LMidiCapturePort> port;
    ASSERT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), port), S_OK);

    std::vector<Bytes> sent;
    for (const std::size_t size : {1350u, 256u, 300u, 512u, 6u}) {
        for (const std::size_t chunk : {256u, 255u, 100u, 7u, 1u}) {
            for (const Rule rule : {Rule::ShortOrF7, Rule::LastEndsF7}) {
                // A chunk of one byte can only be "shorter than the chunk" as the F7 itself.
                sent.push_back(SysEx(size));
                system->InjectSysEx(kivo, sent.back(), chunk, rule);
            }
        }
    }
    ASSERT_TRUE(collector->WaitFor(sent.size()));
    ASSERT_TRUE(Settle());
    const auto got = collector->Messages();
    ASSERT_EQ(got.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(got[i].bytes, sent[i]) << "message " << i;
        EXPECT_EQ(got[i].portName, "Kivo 61");
        EXPECT_EQ(got[i].timeStamp, 0u);
    }
}

TEST_F(MidiCapture, ShortMessagesInterleavedWithSysExKeepArrivalOrder)
{
    const auto kivo = system->AddDevice("Kivo 61", "Kivo 61");
    RCPtr<LMidiCapturePort> port;
    ASSERT_EQ(comm->OpenCapturePort(String(u"kivo 61"), port), S_OK);

    const Bytes reply = SysEx(1350);
    // Chunks 20 ms apart; notes and a clock byte arrive between them, timed from one moment however
    // slowly they are injected.
    system->Pause();
    system->InjectSysEx(kivo, reply, 256, Rule::LastEndsF7, 0ms, 20ms);
    system->InjectShort(kivo, 0x643C90, 1234ms, 30ms);
    system->InjectShort(kivo, 0x05C0, std::nullopt, 50ms);
    system->InjectShort(kivo, 0xF8, std::nullopt, 70ms);
    system->InjectShort(kivo, 0x403C80, std::nullopt, 200ms);
    system->Resume();
    ASSERT_TRUE(collector->WaitFor(5));
    ASSERT_TRUE(Settle());

    const auto got = collector->Messages();
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0].bytes, (Bytes{0x90, 0x3C, 0x64}));
    EXPECT_EQ(got[0].timeStamp, 1234u);
    EXPECT_EQ(got[1].bytes, (Bytes{0xC0, 0x05}));
    EXPECT_EQ(got[2].bytes, (Bytes{0xF8}));
    EXPECT_EQ(got[3].bytes, reply);
    EXPECT_EQ(got[4].bytes, (Bytes{0x80, 0x3C, 0x40}));
}

TEST_F(MidiCapture, TruncatedOrLostSysExDoesNotSpoilTheNextGoodOne)
{
    const auto kivo = system->AddDevice("Kivo 61", "Kivo 61");
    RCPtr<LMidiCapturePort> port;
    ASSERT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), port), S_OK);

    const Bytes first = SysEx(1350);
    const Bytes good = SysEx(1350);
    // The first reply loses its end; the good one follows at once.
    system->InjectSysEx(kivo, Bytes(first.begin(), first.begin() + 512), 256, Rule::LastEndsF7);
    system->InjectSysEx(kivo, good, 256, Rule::LastEndsF7);
    // The next loses its middle to an overrun; its remaining chunks must not make a message.
    system->InjectSysEx(kivo, Bytes(first.begin(), first.begin() + 256), 256, Rule::LastEndsF7);
    system->InjectLongError(kivo);
    system->InjectSysEx(kivo, Bytes(first.begin() + 512, first.end()), 256, Rule::LastEndsF7);
    system->InjectSysEx(kivo, good, 256, Rule::LastEndsF7);
    // Bytes that begin no message are dropped.
    system->InjectSysEx(kivo, Bytes{0x01, 0x02, 0xF7}, 256, Rule::LastEndsF7);
    system->InjectShort(kivo, 0xFE);
    ASSERT_TRUE(collector->WaitFor(3));
    ASSERT_TRUE(Settle());

    const auto got = collector->Messages();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].bytes, good);
    EXPECT_EQ(got[1].bytes, good);
    EXPECT_EQ(got[2].bytes, Bytes{0xFE});
}

TEST_F(MidiCapture, InputFasterThanDeliveryIsDroppedBeyondTheQueueLimit)
{
    const auto kivo = system->AddDevice("Kivo 61", "Kivo 61");
    RCPtr<LMidiCapturePort> port;
    ASSERT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), port), S_OK);

    // The subscriber stalls on the first message until everything has been queued.
    std::mutex gate;
    std::unique_lock hold(gate);
    collector->onReceive = [&] { std::lock_guard wait(gate); };
    const unsigned total = LMidiComm::kMaxQueuedCaptures + 100;
    for (unsigned i = 0; i < total; ++i)
        system->InjectShort(kivo, 0xF8);
    ASSERT_TRUE(Settle());
    hold.unlock();

    ASSERT_TRUE(collector->WaitFor(LMidiComm::kMaxQueuedCaptures));
    EXPECT_EQ(Comm().GetDroppedCaptureCount(), total - LMidiComm::kMaxQueuedCaptures);
    // Once the queue drains, input is delivered again.
    system->InjectShort(kivo, 0xFA);
    ASSERT_TRUE(collector->WaitFor(LMidiComm::kMaxQueuedCaptures + 1));
    EXPECT_EQ(collector->Messages().back().bytes, Bytes{0xFA});
}

TEST_F(MidiCapture, PortsOpenAndCloseWhileInputArrives)
{
    const auto kivo = system->AddDevice("Kivo 61", "Kivo 61");
    std::atomic<bool> stop{false};
    std::thread input([&] {
        while (!stop) {
            system->InjectSysEx(kivo, SysEx(700), 256, Rule::LastEndsF7);
            system->InjectShort(kivo, 0x643C90);
            std::this_thread::sleep_for(1ms);
        }
    });
    // The presence check opens and lets go of the port while a holder comes and goes.
    std::atomic<bool> done{false};
    std::thread checker([&] {
        while (!done) {
            RCPtr<LMidiCapturePort> probe;
            comm->OpenCapturePort(String(u"Kivo 61"), probe);
        }
    });
    int stale = -1;
    for (int i = 0; i < 2000 && stale < 0; ++i) {
        RCPtr<LMidiCapturePort> held;
        EXPECT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), held), S_OK);
        // The port just handed out is still listed: opening the name again finds it, and its input
        // reaches it.
        RCPtr<LMidiCapturePort> again;
        comm->OpenCapturePort(String(u"Kivo 61"), again);
        if (again.Get() != held.Get())
            stale = i;
    }
    EXPECT_EQ(stale, -1) << "a port handed out was not listed";
    done = true;
    checker.join();
    stop = true;
    input.join();
    ASSERT_TRUE(Settle());

    Array<String> names;
    Comm().GetCapturePortNames(names);
    EXPECT_EQ(names.GetCount(), 0u);
    for (const auto& message : collector->Messages())
        EXPECT_TRUE(message.bytes == SysEx(700) || message.bytes == (Bytes{0x90, 0x3C, 0x64}));
}

} // namespace
} // namespace KX::Test
