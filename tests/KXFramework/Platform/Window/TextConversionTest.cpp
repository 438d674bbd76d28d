#include "KXFramework/Platform/Window/TextConversion.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using Platform::Utf16ToUtf8;
using Platform::Utf8ToUtf16;

TEST(TextConversion, WellFormedTextRoundTrips)
{
    const std::u16string texts[] = {u"", u"Kivo 61", u"Пресет ‐ Ελλάδα", u"🎹 key"};
    for (const std::u16string& text : texts)
        EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

TEST(TextConversion, MalformedSequencesBecomeReplacementCharacters)
{
    struct Case {
        std::string utf8;
        std::u16string expected;
    };
    const Case cases[] = {
        {"\xFF"
         "a",
            u"\xFFFD"
            "a"}, // no lead byte
        {"\xC3", u"\xFFFD"}, // cut short at the end
        {"\xE2\x82"
         "b",
            u"\xFFFD"
            "b"}, // cut short before a letter
        {"\xC0\xAF", u"\xFFFD"}, // overlong
        {"\xED\xA0\x80", u"\xFFFD"}, // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\xFFFD"}, // above U+10FFFF
        {"\x80\x80", u"\xFFFD\xFFFD"}, // stray continuation bytes
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.expected);

    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
        "a\xEF\xBF\xBD"
        "b");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC00)}), "\xEF\xBF\xBD");
}

} // namespace
} // namespace KX::Test
