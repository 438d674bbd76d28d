#include "KXFramework/Platform/Text/TextConversion.h"

#include <gtest/gtest.h>

namespace KX::Test {

namespace {

using KX::Platform::Utf16FromUtf8;
using KX::Platform::Utf8FromUtf16;

TEST(TextConversion, Utf8ToUtf16ReplacesEachBadByte)
{
    const struct {
        std::string utf8;
        std::u16string utf16;
        bool wellFormed;
    } cases[] = {
        {"", u"", true},
        {"abc", u"abc", true},
        {"K\xC3\xBCr \xE2\x82\xAC \xF0\x9F\x8E\xB9", u"K\u00FCr \u20AC \U0001F3B9", true},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3), true},
        {"\xC3", u"\uFFFD", false}, // cut short at the end
        {"\xFF"
         "a",
         u"\uFFFDa", false},                                      // never a lead byte
        {"\xC0\xAF", u"\uFFFD\uFFFD", false},                     // over-long
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false}, // above U+10FFFF
        {"\x80x\xE2\x82", u"\uFFFDx\uFFFD\uFFFD", false},
    };
    for (const auto& c : cases) {
        bool wellFormed = !c.wellFormed;
        EXPECT_EQ(Utf16FromUtf8(c.utf8, &wellFormed), c.utf16) << c.utf8;
        EXPECT_EQ(wellFormed, c.wellFormed) << c.utf8;
    }
}

TEST(TextConversion, Utf16ToUtf8ReplacesUnpairedSurrogates)
{
    const struct {
        std::u16string utf16;
        std::string utf8;
    } cases[] = {
        {u"", ""},
        {u"K\u00FCr \u20AC \U0001F3B9", "K\xC3\xBCr \xE2\x82\xAC \xF0\x9F\x8E\xB9"},
        {u"a\xD800", "a\xEF\xBF\xBD"},
        {u"\xDC00z", "\xEF\xBF\xBDz"},
        {u"\xD800\xD800\xDC00", "\xEF\xBF\xBD\xF0\x90\x80\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8FromUtf16(c.utf16), c.utf8);
}

} // namespace

} // namespace KX::Test
