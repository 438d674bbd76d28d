#include "MidiTestFixture.h"

#include <future>
#include <thread>

namespace KX::Test {
namespace {

using namespace std::chrono_literals;
using Done = VirtualMidiSystem::Done;

Array<unsigned char> ToArray(const Bytes& bytes)
{
    Array<unsigned char> out;
    for (const std::uint8_t b : bytes)
        out.Add(b);
    return out;
}

class MidiRender : public MidiFixture {
protected:
    void SetUp() override
    {
        MidiFixture::SetUp();
        kivo = system->AddDevice("Kivo 61", "Kivo 61");
        ASSERT_EQ(comm->OpenRenderPort(String(u"Kivo 61"), out), S_OK);
    }

    KXRESULT Send(const Bytes& bytes) { return comm->SendMidi(RCPtr<LRefCountedObject>(out), ToArray(bytes)); }

    VirtualMidiSystem::DeviceId kivo = 0;
    RCPtr<LMidiRenderPort> out;
};

TEST_F(MidiRender, ShortAndLongSendsReturnTheirLength)
{
    EXPECT_EQ(Send({0x90, 0x3C, 0x64}), 3);
    EXPECT_EQ(Send({0xC0, 0x05}), 2);
    EXPECT_EQ(Send({0xF8}), 1);
    const Bytes dump = SysEx(1350);
    EXPECT_EQ(Send(dump), 1350);
    // A continuation piece begins with a data byte and goes out as it is.
    EXPECT_EQ(Send({0x10, 0x11, 0xF7}), 3);

    const auto sent = system->SentMessages();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[0].bytes, (Bytes{0x90, 0x3C, 0x64}));
    EXPECT_FALSE(sent[0].isLong);
    EXPECT_EQ(sent[2].bytes, Bytes{0xF8});
    EXPECT_EQ(sent[3].bytes, dump);
    EXPECT_TRUE(sent[3].isLong);
    EXPECT_EQ(sent[4].bytes, (Bytes{0x10, 0x11, 0xF7}));

    // Through a buffer object as well.
    RCPtr<LIBuffer> buffer;
    String::StorageBuffer::Create(buffer, 3, 3, true);
    buffer->GetData()[0] = 0xB0;
    EXPECT_EQ(comm->SendMidi(RCPtr<LRefCountedObject>(out), buffer), 3);
}

TEST_F(MidiRender, NothingToSendOrNoRenderPortIsRefusedWithoutTouchingTheDevice)
{
    EXPECT_EQ(Send({}), E_INVALIDARG);
    RCPtr<LMidiCapturePort> in;
    ASSERT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), in), S_OK);
    EXPECT_EQ(comm->SendMidi(RCPtr<LRefCountedObject>(in), ToArray({0xF8})), E_INVALIDARG);
    EXPECT_EQ(comm->SendMidi(RCPtr<LRefCountedObject>(), ToArray({0xF8})), E_INVALIDARG);
    EXPECT_EQ(comm->SendMidi(RCPtr<LRefCountedObject>(out), RCPtr<LIBuffer>()), E_INVALIDARG);
    EXPECT_TRUE(system->SentMessages().empty());
}

TEST_F(MidiRender, AShortMessageShorterThanItsStatusIsPaddedNotOverread)
{
    // Exactly two bytes on the heap: reading a third would be caught by the address sanitizer.
    auto bytes = std::make_unique<unsigned char[]>(2);
    bytes[0] = 0x90;
    bytes[1] = 0x3C;
    EXPECT_EQ(LMidiRenderPort::Send(RCPtr<LRefCountedObject>(out), bytes.get(), 2), 3);
    ASSERT_EQ(system->SentMessages().size(), 1u);
    EXPECT_EQ(system->SentMessages()[0].bytes, (Bytes{0x90, 0x3C, 0x00}));
}

TEST_F(MidiRender, ALongSendThatIsNeverDoneFailsAndDoesNotHoldUpTheNext)
{
    system->SetDone(kivo, Done::Never);
    timings.Set(NeverDoneTimings());
    {
        // The caller's bytes are gone once the send returns; the device must not need them.
        const Bytes dump = SysEx(1350);
        EXPECT_EQ(Send(dump), E_FAIL);
    }
    timings.Set({});
    system->SetDone(kivo, Done::AfterDelay, 20ms);
    EXPECT_EQ(Send(SysEx(256)), 256);
    system->SetDone(kivo, Done::AtOnce);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Send(SysEx(256)), 256);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(GetMidiTimings().doneWaitMs));

    system->FailNextSends(kivo, 2);
    EXPECT_EQ(Send(SysEx(10)), E_FAIL);
    EXPECT_EQ(Send({0x90, 0x3C, 0x64}), E_FAIL);
}

TEST_F(MidiRender, SendsOnOnePortNeverOverlap)
{
    system->SetDone(kivo, Done::AfterDelay, 40ms);
    std::vector<std::future<KXRESULT>> senders;
    for (int i = 0; i < 4; ++i)
        senders.push_back(std::async(std::launch::async, [&] { return Send(SysEx(300)); }));
    for (auto& sender : senders)
        EXPECT_EQ(sender.get(), 300);

    // Each long message leaves only after the previous one was done.
    const auto sent = system->SentMessages();
    ASSERT_EQ(sent.size(), 4u);
    for (std::size_t i = 1; i < sent.size(); ++i)
        EXPECT_GE(sent[i].at - sent[i - 1].at, 35ms);
}

TEST_F(MidiRender, UnplugDuringASendFailsItAndTheDeviceIsReopenedWhenBack)
{
    // The device takes the message but goes before it reports it done.
    system->SetDone(kivo, Done::Never);
    timings.Set(NeverDoneTimings());
    auto sending = std::async(std::launch::async, [&] { return Send(SysEx(1350)); });
    while (system->SentMessages().empty())
        std::this_thread::yield();
    system->Unplug(kivo);
    EXPECT_EQ(sending.get(), E_FAIL);
    EXPECT_EQ(Send({0xF8}), E_FAIL);

    RCPtr<LMidiRenderPort> probe;
    EXPECT_EQ(comm->OpenRenderPort(String(u"Kivo 61"), probe), E_FAIL);
    system->Replug(kivo);
    system->SetDone(kivo, Done::AtOnce);
    ASSERT_EQ(comm->OpenRenderPort(String(u"Kivo 61"), probe), S_OK);
    EXPECT_EQ(probe.Get(), out.Get());
    EXPECT_EQ(Send(SysEx(1350)), 1350);
}

} // namespace
} // namespace KX::Test
