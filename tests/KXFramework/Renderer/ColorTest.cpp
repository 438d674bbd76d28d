#include "KXFramework/Renderer/Color.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

namespace KX::Test {

struct FromStringCase {
    const char* text;
    uint32_t expected; // the colour starts as 0x40102030
};

// The text, not the case's bytes (a pointer among them), so that the test's name is the same every build.
void PrintTo(const FromStringCase& c, std::ostream* out)
{
    *out << '"' << c.text << '"';
}

std::string FromStringCaseName(const ::testing::TestParamInfo<FromStringCase>& info)
{
    std::string name = "Text_";
    for (const char* p = info.param.text; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

class ColorFromString : public ::testing::TestWithParam<FromStringCase> {};

TEST_P(ColorFromString, ChangesOnlyTheChannelsItsLengthNames)
{
    LColor colour(0x40102030u);
    colour.FromString(GetParam().text);
    EXPECT_EQ(colour.ToARGB(), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ColorFromString,
                         ::testing::Values(FromStringCase{"0x80", 0x80102030u}, FromStringCase{"FF0000", 0x40FF0000u},
                                           FromStringCase{"0xFF00FF00", 0xFF00FF00u},
                                           FromStringCase{"0Xa0b0c0d0", 0xA0B0C0D0u},
                                           FromStringCase{"0x1234", 0x40102030u}, FromStringCase{"", 0x40102030u},
                                           // Not every character a digit: nothing changes, not a prefix.
                                           FromStringCase{"0x12G45678", 0x40102030u},
                                           FromStringCase{"12 456", 0x40102030u}, FromStringCase{"-1", 0x40102030u},
                                           FromStringCase{"+FFFFFFF", 0x40102030u}, FromStringCase{"0x", 0x40102030u}),
                         FromStringCaseName);

TEST(Color, NullTextChangesNothing)
{
    LColor colour(0x12345678u);
    colour.FromString(nullptr);
    EXPECT_EQ(colour.ToARGB(), 0x12345678u);
}

TEST(Color, PackingRoundsHalfAwayAndClamps)
{
    EXPECT_EQ(LColor(1.2f, -0.1f, 0.5f, 1.0f).ToARGB(), 0xFFFF0080u);
    EXPECT_EQ(LColor(0.0f, 0.0f, 0.0f, -5.0f).ToARGB(), 0x00000000u);
    EXPECT_EQ(LColor(0.0f, 0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()).ToARGB(), 0x00000000u);
}

TEST(Color, EveryByteSurvivesARoundTrip)
{
    for (uint32_t v = 0; v < 256; ++v) {
        const uint32_t argb = v << 24 | (255 - v) << 16 | v << 8 | (v ^ 0x5A);
        EXPECT_EQ(LColor(argb).ToARGB(), argb);
    }
}

} // namespace KX::Test
