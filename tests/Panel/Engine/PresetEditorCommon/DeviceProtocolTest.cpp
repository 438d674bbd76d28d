#include "Panel/Engine/PresetEditorCommon/DeviceProtocol.h"

#include <gtest/gtest.h>

namespace KX::Test {

using namespace KX;
namespace P = KX::DeviceProtocol;
using Bytes = P::Bytes;

namespace {

Bytes Reply(std::uint8_t command, std::size_t size)
{
    Bytes m(size, 0x00);
    m[0] = 0xF0;
    std::copy(P::DeviceSysExHeader.begin(), P::DeviceSysExHeader.end(), m.begin() + 1);
    m[7] = command;
    m.back() = 0xF7;
    return m;
}

Bytes Identity(std::uint8_t d1, std::uint8_t d2, std::uint8_t d3, std::uint8_t d4)
{
    return {0xF0, 0x7E, 0x7F, 0x06, 0x02, 0, 0, 0, 0, 0, d1, d2, d3, d4, 0xF7};
}

} // namespace

TEST(DeviceProtocol, MessagesTheEditorSendsHaveTheirWireBytes)
{
    EXPECT_EQ(P::ModeMessage(), (Bytes{0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x6D, 0x00, 0x01, 0x01}));
    EXPECT_EQ(P::PresetDumpRequestMessage(12), (Bytes{0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x62, 0x0C}));
    EXPECT_EQ(P::PresetDumpHead(0), (Bytes{0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x61, 0x0A, 0x3B, 0x00}));
    // "KEY_OCTAVE" is index 5.
    EXPECT_EQ(P::GlobalParamRequestMessage(5),
              (Bytes{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x6B, 0x00, 0x02, 0x00, 0x05, 0xF7}));
    EXPECT_EQ(P::GlobalParamSetMessage(9, 25),
              (Bytes{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x6A, 0x00, 0x04, 0x00, 0x09, 0x00, 0x19, 0xF7}));
    EXPECT_EQ(P::GlobalParamSetMessage(13, 127).at(13), 0x7F);
    EXPECT_EQ(P::IdentityRequestMessage(), (Bytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));
}

TEST(DeviceProtocol, FramingAddsOnlyTheMissingEnds)
{
    Bytes bare{0x01, 0x02};
    ASSERT_EQ(P::Frame(bare), S_OK);
    EXPECT_EQ(bare, (Bytes{0xF0, 0x01, 0x02, 0xF7}));
    Bytes framed = bare;
    ASSERT_EQ(P::Frame(framed), S_OK);
    EXPECT_EQ(framed, bare);
    Bytes openEnded{0xF0, 0x01};
    ASSERT_EQ(P::Frame(openEnded), S_OK);
    EXPECT_EQ(openEnded, (Bytes{0xF0, 0x01, 0xF7}));
    Bytes lone{0x42};
    ASSERT_EQ(P::Frame(lone), S_OK);
    EXPECT_EQ(lone, (Bytes{0xF0, 0x42, 0xF7}));

    for (std::uint8_t b : {0xF0, 0xF7}) {
        Bytes refused{b};
        EXPECT_EQ(P::Frame(refused), E_FAIL);
        EXPECT_EQ(refused, Bytes{b});
    }
    Bytes empty;
    EXPECT_EQ(P::Frame(empty), E_INVALIDARG);
    EXPECT_TRUE(empty.empty());
}

TEST(DeviceProtocol, ABodyWithAStatusByteIsNoSysExBody)
{
    EXPECT_TRUE(P::HasSevenBitBody(Bytes{0xF0, 0x00, 0x7F, 0xF7}));
    EXPECT_TRUE(P::HasSevenBitBody(Bytes{0x00, 0x7F}));
    EXPECT_TRUE(P::HasSevenBitBody(Bytes{0xF0}));
    EXPECT_FALSE(P::HasSevenBitBody(Bytes{0xF0, 0x80, 0xF7}));
    EXPECT_FALSE(P::HasSevenBitBody(Bytes{0x00, 0xF7, 0x01}));
    EXPECT_FALSE(P::HasSevenBitBody(Bytes{0xF0, 0xF0, 0x01, 0xF7}));
}

TEST(DeviceProtocol, ADumpReplyIsRecognisedByLengthHeaderAndCommandOnly)
{
    Bytes reply = Reply(0x63, 1350);
    EXPECT_TRUE(P::IsPresetDumpReply(reply));
    reply[10] = 0x55; // the slot byte is not read
    EXPECT_TRUE(P::IsPresetDumpReply(reply));

    EXPECT_FALSE(P::IsPresetDumpReply(Reply(0x63, 1349)));
    EXPECT_FALSE(P::IsPresetDumpReply(Reply(0x63, 1351)));
    EXPECT_FALSE(P::IsPresetDumpReply(Reply(0x61, 1350)));
    Bytes foreign = Reply(0x63, 1350);
    foreign[2] = 0x6F;
    EXPECT_FALSE(P::IsPresetDumpReply(foreign));

    EXPECT_FALSE(P::IsDeviceSysExReply(Bytes{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31}));
    EXPECT_TRUE(P::IsDeviceSysExReply(Bytes{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06}));
}

TEST(DeviceProtocol, AParameterReplyGivesItsKeyIndexAndValue)
{
    Bytes reply = Reply(0x6C, 15);
    reply[11] = 16;
    reply[12] = 0x01;
    reply[13] = 0x05;
    int index = -1, value = -1;
    ASSERT_TRUE(P::ParseGlobalParamReply(reply, index, value));
    EXPECT_EQ(index, 16);
    EXPECT_EQ(value, 133);

    reply[11] = 17; // past the list: no key to pass on
    EXPECT_FALSE(P::ParseGlobalParamReply(reply, index, value));
    EXPECT_FALSE(P::ParseGlobalParamReply(Reply(0x6C, 14), index, value));
    EXPECT_FALSE(P::ParseGlobalParamReply(Reply(0x6C, 16), index, value));
    EXPECT_FALSE(P::ParseGlobalParamReply(Reply(0x63, 15), index, value));
}

TEST(DeviceProtocol, OnlyFirmwareAbove1040IsAccepted)
{
    EXPECT_TRUE(P::IsFirmwareVersionNewer(Identity('1', '0', '4', '1')));
    EXPECT_TRUE(P::IsFirmwareVersionNewer(Identity('1', '1', '0', '0')));
    EXPECT_TRUE(P::IsFirmwareVersionNewer(Identity('2', '0', '0', '0')));
    EXPECT_FALSE(P::IsFirmwareVersionNewer(Identity('1', '0', '4', '0')));
    EXPECT_FALSE(P::IsFirmwareVersionNewer(Identity('1', '0', '3', '9')));
    EXPECT_FALSE(P::IsFirmwareVersionNewer(Identity('0', '9', '9', '9')));
    // Bytes below '0' are negative digits.
    EXPECT_FALSE(P::IsFirmwareVersionNewer(Identity('1', '0', '4', 0x20)));
    EXPECT_TRUE(P::IsFirmwareVersionNewer(Identity('1', '0', 'A', '0')));

    Bytes longer = Identity('2', '0', '0', '0');
    longer.insert(longer.begin() + 5, {0x00, 0x00});
    EXPECT_FALSE(P::IsIdentityReply(longer));
    EXPECT_FALSE(P::IsFirmwareVersionNewer(longer));

    Bytes other = Identity('2', '0', '0', '0');
    EXPECT_TRUE(P::IsIdentityReply(other));
    other[1] = 0x7D;
    EXPECT_FALSE(P::IsIdentityReply(other));
}

TEST(DeviceProtocol, GlobalKeysAndTheirRanges)
{
    const auto& names = P::GlobalParameterNames();
    EXPECT_EQ(names[0], u"Global_Channel");
    EXPECT_EQ(names[11], u"CURVE_ACCELLERATION");
    EXPECT_EQ(names[16], u"MIDI_DIN_OUT");
    EXPECT_EQ(P::GlobalParameterIndex(u"KEY_OCTAVE"), 5);
    EXPECT_EQ(P::GlobalParameterIndex(u"key_octave"), -1);
    EXPECT_EQ(P::GlobalParameterIndex(u""), -1);

    EXPECT_TRUE(P::IsValidGlobalParameterValue(u"KEY_OCTAVE", 2));
    EXPECT_TRUE(P::IsValidGlobalParameterValue(u"KEY_OCTAVE", 9));
    EXPECT_FALSE(P::IsValidGlobalParameterValue(u"KEY_OCTAVE", 1));
    EXPECT_FALSE(P::IsValidGlobalParameterValue(u"KEY_OCTAVE", 10));
    EXPECT_FALSE(P::IsValidGlobalParameterValue(u"XY_SENSITIVITY", 10));
    EXPECT_TRUE(P::IsValidGlobalParameterValue(u"GLOBAL_PROGRAM", 127));
    EXPECT_FALSE(P::IsValidGlobalParameterValue(u"GLOBAL_PROGRAM", 128));
    EXPECT_TRUE(P::IsValidGlobalParameterValue(u"Global_Channel", 16));
    for (const char16_t* xy : {u"XYPAD_VELOCITY", u"XYPAD_FRACTION", u"XYPAD_REBOUND"})
        EXPECT_FALSE(P::IsValidGlobalParameterValue(xy, 0));
    EXPECT_FALSE(P::IsValidGlobalParameterValue(u"PAD_OCTAVE", -1));
    EXPECT_FALSE(P::IsValidGlobalParameterValue(u"NO_SUCH_KEY", 0));
}

} // namespace KX::Test
