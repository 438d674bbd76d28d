#include "KXFramework/Utilities/Storage/Formatter.h"

#include "CommaLocale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace KX::Test {

namespace {

using KX::FormatText;

void ExpectEveryConversion()
{
    EXPECT_EQ(FormatText(u"%d|%5d|%-5d|%05d|%+d|% d", -42, 42, 42, -42, 7, 7), u"-42|   42|42   |-0042|+7| 7");
    EXPECT_EQ(FormatText(u"%u %x %X %08x %#x", 4000000000u, 255, 255, 0xBEEF, 16), u"4000000000 ff FF 0000beef 0x10");
    EXPECT_EQ(FormatText(u"%f %.2f %lf %0.0f %8.3f", 1.5, 2.345, 0.25, 2.5, -3.14159), u"1.500000 2.35 0.250000 2 "
                                                                                       u"  -3.142");
    EXPECT_EQ(FormatText(u"(%g, %g) %g", 0.5, 1e20, 100.0), u"(0.5, 1e+20) 100");
    EXPECT_EQ(FormatText(u"%s|%6s|%-6s|%.2s", u"abc", u"abc", u"abc", u"abc"), u"abc|   abc|abc   |ab");
    EXPECT_EQ(FormatText(u"100%% %s", u"\U0001F600"), u"100% \U0001F600");
    EXPECT_EQ(FormatText("%s=%.1f", "x\xC3\xA9", 0.25), "x\xC3\xA9=0.2");
}

TEST(Formatter, EveryConversionOfTheSubset)
{
    ExpectEveryConversion();
}

TEST(Formatter, NumbersIgnoreTheProcessLocale)
{
    const KX::Test::CommaLocale comma;
    ASSERT_TRUE(comma.IsActive()) << comma.kMissing;
    ExpectEveryConversion();
    EXPECT_EQ(FormatText(u"%.2lf", 1234.5), u"1234.50");
}

TEST(Formatter, LengthModifiersPickTheArgumentWidth)
{
    const int64_t big = 0x123456789LL;
    EXPECT_EQ(FormatText(u"%I64d %lld %I64X", big, big, big), u"4886718345 4886718345 123456789");
    // 32-bit conversions see the low 32 bits, as the caller's width named them.
    EXPECT_EQ(FormatText(u"%d %I32d %ld", big, big, big), u"591751049 591751049 591751049");
    EXPECT_EQ(FormatText(u"%I32u %u %08lx", -1, -1, -1), u"4294967295 4294967295 ffffffff");
    EXPECT_EQ(FormatText(u"%I64d %I64u", INT64_MIN, UINT64_MAX), u"-9223372036854775808 18446744073709551615");
    EXPECT_EQ(FormatText(u"%d %u", true, static_cast<uint8_t>(200)), u"1 200");
}

TEST(Formatter, OutputHasNoLengthLimit)
{
    std::u16string longText(40000, u'w');
    std::u16string formatted = FormatText(u"<%s>%d", longText.c_str(), 5);
    ASSERT_EQ(formatted.size(), 40003u);
    EXPECT_EQ(formatted.front(), u'<');
    EXPECT_EQ(formatted.substr(40001), u">5");

    EXPECT_EQ(FormatText(u"%20000d", 1).size(), 20000u);
    EXPECT_EQ(FormatText(u"%.300f", 1.0).size(), 302u);
}

TEST(Formatter, UnknownConversionsAreCopiedAndConsumeNothing)
{
    EXPECT_EQ(FormatText(u"%q %d %", 3), u"%q 3 %");
    EXPECT_EQ(FormatText(u"plain"), u"plain");
    EXPECT_EQ(FormatText<char16_t>(nullptr), u"");
}

TEST(Formatter, NullTextPrintsAsNull)
{
    EXPECT_EQ(FormatText(u"[%s]", static_cast<const char16_t*>(nullptr)), u"[(null)]");
}

} // namespace

} // namespace KX::Test
