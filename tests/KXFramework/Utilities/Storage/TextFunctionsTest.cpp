#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include "CommaLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace KX::Test {

namespace {

TEST(ParseInt, SkipsBlanksReadsSignStopsAtFirstOtherUnit)
{
    EXPECT_EQ(KX::ParseInt32(u" \t\r\n\v\f-123abc"), -123);
    EXPECT_EQ(KX::ParseInt32(u"+77 8"), 77);
    EXPECT_EQ(KX::ParseInt32(u"abc"), 0);
    EXPECT_EQ(KX::ParseInt32(u"- 5"), 0);
    EXPECT_EQ(KX::ParseInt32(u""), 0);
    EXPECT_EQ(KX::ParseInt32(static_cast<const char16_t*>(nullptr)), 0);
    EXPECT_EQ(KX::ParseInt32(u"\u00A012"), 0); // only ASCII white space is skipped
    EXPECT_EQ(KX::ParseInt32(u"\uFF11"), 0);   // full-width digits are not digits
    EXPECT_EQ(KX::ParseInt32("0042"), 42);
}

TEST(ParseInt, SaturatesAtTheTypeLimits)
{
    EXPECT_EQ(KX::ParseInt32(u"2147483647"), 2147483647);
    EXPECT_EQ(KX::ParseInt32(u"2147483648"), 2147483647);
    EXPECT_EQ(KX::ParseInt32(u"-2147483648"), -2147483647 - 1);
    EXPECT_EQ(KX::ParseInt32(u"-2147483649"), -2147483647 - 1);
    EXPECT_EQ(KX::ParseInt32(u"99999999999999999999999999x"), 2147483647);
    EXPECT_EQ(KX::ParseInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(KX::ParseInt64("9223372036854775808"), INT64_MAX);
    EXPECT_EQ(KX::ParseInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(KX::ParseInt64(u"-100000000000000000000"), INT64_MIN);
    EXPECT_EQ(KX::ParseInt64(u"4294967296"), 4294967296LL);
}

TEST(ParseDouble, UsesTheDecimalPointWhateverTheLocale)
{
    const KX::Test::CommaLocale comma;
    ASSERT_TRUE(comma.IsActive()) << comma.kMissing;
    EXPECT_DOUBLE_EQ(KX::ParseDouble(u"  1.25xyz"), 1.25);
    EXPECT_DOUBLE_EQ(KX::ParseDouble("-2.5e3"), -2500.0);
    EXPECT_DOUBLE_EQ(KX::ParseDouble(u"1,5"), 1.0);
}

TEST(ParseDouble, NothingToReadIsZeroAndNonAsciiEndsTheText)
{
    EXPECT_EQ(KX::ParseDouble(u"abc"), 0.0);
    EXPECT_EQ(KX::ParseDouble(u""), 0.0);
    EXPECT_EQ(KX::ParseDouble(static_cast<const char*>(nullptr)), 0.0);
    EXPECT_DOUBLE_EQ(KX::ParseDouble(u"3.5\u0661"), 3.5);
    EXPECT_DOUBLE_EQ(KX::ParseDouble(u"12\u00B75"), 12.0);
    EXPECT_TRUE(std::isinf(KX::ParseDouble(u"1e999")));
}

TEST(CaseFolding, OnlyAsciiLettersFold)
{
    EXPECT_EQ(KX::AsciiToUpper(u'a'), u'A');
    EXPECT_EQ(KX::AsciiToUpper(u'\u00E9'), u'\u00E9');
    EXPECT_EQ(KX::AsciiToLower(u'Z'), u'z');
    EXPECT_EQ(KX::AsciiToLower(u'['), u'[');
    EXPECT_EQ(KX::AsciiToLower(static_cast<char16_t>(0xD83D)), 0xD83D);

    EXPECT_EQ(KX::CompareNoCase(u"True", u"tRUE"), 0);
    EXPECT_LT(KX::CompareNoCase(u"abc", u"ABD"), 0);
    EXPECT_GT(KX::CompareNoCase(u"abcd", u"ABC"), 0);
    EXPECT_NE(KX::CompareNoCase(u"\u00C9", u"\u00E9"), 0);
    // Unsigned units: a surrogate sorts above every ASCII letter.
    EXPECT_GT(KX::CompareNoCase(u"\U0001F600", u"z"), 0);
    EXPECT_EQ(KX::CompareNoCase(static_cast<const char16_t*>(nullptr), u""), 0);
    EXPECT_EQ(KX::CompareNoCase("Kivo 61", "KIVO 61"), 0);
    EXPECT_GT(KX::CompareNoCase("\xC3", "a"), 0);

    // The views' whole lengths count, past any zero.
    using namespace std::string_view_literals;
    EXPECT_TRUE(KX::EqualNoCase("ProductName", "PRODUCTname"));
    EXPECT_FALSE(KX::EqualNoCase("Key", "Key "));
    EXPECT_FALSE(KX::EqualNoCase("a\0b"sv, "a\0c"sv));
    EXPECT_FALSE(KX::EqualNoCase("\xC3\x89", "\xC3\xA9"));
}

} // namespace

} // namespace KX::Test
