// The simulated keyboard against literal wire bytes, so that the end-to-end tests of the manager rest
// on a device that follows the protocol rather than on the manager's own encoding.
#include "SimulatedKivo61.h"

#include <gtest/gtest.h>

#include <mutex>

namespace KX::Test {

namespace {

using KX::Test::SimulatedKivo61;
using KX::Test::VirtualMidiSystem;
using Bytes = std::vector<std::uint8_t>;
namespace Midi = KX::Platform::Midi;

const Bytes kMode{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x6D, 0x00, 0x01, 0x01, 0xF7};

class SimulatedKivo : public ::testing::Test {
protected:
    SimulatedKivo()
    {
        m_sink->onLong = [this](Midi::Handle, const std::uint8_t* b, std::size_t n, bool complete) {
            std::lock_guard lock(m_mutex);
            m_pending.insert(m_pending.end(), b, b + n);
            if (complete)
                m_messages.push_back(std::exchange(m_pending, {}));
        };
        EXPECT_EQ(midi.OpenInput(0, m_sink, m_in), Midi::Status::Ok);
        EXPECT_EQ(midi.StartInput(m_in), Midi::Status::Ok);
        EXPECT_EQ(midi.OpenOutput(0, m_sink, m_out), Midi::Status::Ok);
    }
    ~SimulatedKivo() override { midi.Detach(*m_sink); }

    // Sends in pieces of 256 bytes, as the manager does, and waits for every answer.
    std::vector<Bytes> Exchange(const Bytes& message)
    {
        for (std::size_t at = 0; at < message.size(); at += 256) {
            const std::size_t n = std::min<std::size_t>(256, message.size() - at);
            EXPECT_EQ(midi.SendLong(m_out, message.data() + at, n), Midi::Status::Ok);
        }
        EXPECT_TRUE(midi.WaitIdle());
        std::lock_guard lock(m_mutex);
        return std::exchange(m_messages, {});
    }

    static Bytes Own(std::initializer_list<std::uint8_t> tail)
    {
        Bytes m{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06};
        m.insert(m.end(), tail);
        return m;
    }

    VirtualMidiSystem midi;
    SimulatedKivo61 kivo{midi};

private:
    std::shared_ptr<Midi::Sink> m_sink = std::make_shared<Midi::Sink>();
    Midi::Handle m_in = 0;
    Midi::Handle m_out = 0;
    std::mutex m_mutex;
    Bytes m_pending;
    std::vector<Bytes> m_messages;
};

TEST_F(SimulatedKivo, AnswersIdentityDumpAndParameterRequests)
{
    EXPECT_TRUE(Exchange(kMode).empty());
    EXPECT_EQ(kivo.ModeMessages(), 1);

    kivo.SetFirmware("1100");
    EXPECT_EQ(Exchange({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}),
              (std::vector<Bytes>{{0xF0, 0x7E, 0x7F, 0x06, 0x02, 0, 0, 0, 0, 0, '1', '1', '0', '0', 0xF7}}));

    const auto dump = Exchange(Own({0x62, 0x05, 0xF7}));
    ASSERT_EQ(dump.size(), 1u);
    Bytes expected = Own({0x63, 0x0A, 0x3B, 0x05});
    const Bytes slot = kivo.Slot(5);
    expected.insert(expected.end(), slot.begin(), slot.end());
    expected.push_back(0xF7);
    EXPECT_EQ(dump[0], expected);
    EXPECT_NE(kivo.Slot(4), slot);

    kivo.SetGlobal(13, 300);
    EXPECT_EQ(Exchange(Own({0x6B, 0x00, 0x02, 0x00, 13, 0xF7})),
              (std::vector<Bytes>{Own({0x6C, 0x00, 0x04, 0x00, 13, 0x02, 0x2C, 0xF7})}));

    // Nothing answers what is outside the protocol.
    EXPECT_TRUE(Exchange(Own({0x62, 13, 0xF7})).empty());
    EXPECT_TRUE(Exchange(Own({0x6B, 0x00, 0x02, 0x00, 17, 0xF7})).empty());
    EXPECT_TRUE(Exchange(Own({0x6B, 0x00, 0x02, 0x01, 13, 0xF7})).empty());
    Exchange(Own({0x6D, 0x00, 0x01, 0x00, 0xF7}));
    EXPECT_EQ(kivo.ModeMessages(), 1);
}

TEST_F(SimulatedKivo, StoresDumpsAndSettingsThatAreWhole)
{
    Bytes dump = Own({0x61, 0x0A, 0x3B, 0x07});
    Bytes values(1338);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint8_t>(i % 100);
    dump.insert(dump.end(), values.begin(), values.end());
    dump.push_back(0xF7);
    EXPECT_TRUE(Exchange(dump).empty());
    EXPECT_EQ(kivo.Slot(7), values);

    Bytes wrongLength = dump;
    wrongLength[9] = 0x3A;
    wrongLength[20] = 0x55;
    Exchange(wrongLength);
    Bytes truncated(dump.begin(), dump.end() - 2);
    truncated.back() = 0xF7;
    Exchange(truncated);
    EXPECT_EQ(kivo.Slot(7), values);

    Exchange(Own({0x6A, 0x00, 0x04, 0x00, 6, 0x00, 0x18, 0xF7}));
    EXPECT_EQ(kivo.Global(6), 24);
    Exchange(Own({0x6A, 0x00, 0x04, 0x01, 6, 0x00, 0x17, 0xF7}));
    EXPECT_EQ(kivo.Global(6), 24);
    EXPECT_EQ(kivo.Stores(), 2);
}

TEST_F(SimulatedKivo, MisbehavesAsToldPerRequest)
{
    const Bytes request = Own({0x62, 0x00, 0xF7});
    kivo.SetBehaviour(SimulatedKivo61::Request::PresetDump, {.silent = true});
    EXPECT_TRUE(Exchange(request).empty());

    kivo.SetBehaviour(SimulatedKivo61::Request::PresetDump, {.ignoreFirst = 2, .twice = true});
    EXPECT_TRUE(Exchange(request).empty()); // the third request overall is the first answered
    EXPECT_EQ(Exchange(request).size(), 2u);
    EXPECT_EQ(kivo.Requests(SimulatedKivo61::Request::PresetDump), 3);

    using M = SimulatedKivo61::Malformed;
    const auto reply = [&](M malformed) {
        kivo.SetBehaviour(SimulatedKivo61::Request::PresetDump, {.malformed = malformed});
        auto got = Exchange(request);
        return got.size() == 1 ? got[0] : Bytes{};
    };
    EXPECT_EQ(reply(M::Shorter).size(), 1349u);
    EXPECT_EQ(reply(M::Longer).size(), 1351u);
    EXPECT_NE(reply(M::WrongManufacturer)[2], 0x6E);
    EXPECT_EQ(reply(M::OtherTarget)[10], 1);
    EXPECT_EQ(reply(M::CorruptBody)[11], 0x90);

    // Late replies go out when the test says they are late, in the order of their requests.
    kivo.SetBehaviour(SimulatedKivo61::Request::PresetDump, {.late = true});
    EXPECT_TRUE(Exchange(request).empty());
    EXPECT_TRUE(Exchange(Own({0x62, 0x04, 0xF7})).empty());
    kivo.SendLateReplies();
    const std::vector<Bytes> late = Exchange({});
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[0][10], 0);
    EXPECT_EQ(late[1][10], 4);
    EXPECT_TRUE(Exchange({}).empty()) << "each goes out once";

    kivo.SetBehaviour(SimulatedKivo61::Request::PresetDump, {});
    kivo.RequireModeMessage(true);
    EXPECT_TRUE(Exchange(request).empty());
    Exchange(kMode);
    EXPECT_EQ(Exchange(request).size(), 1u);
}

} // namespace

} // namespace KX::Test
