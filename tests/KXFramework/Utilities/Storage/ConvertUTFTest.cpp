#include "KXFramework/Utilities/Storage/ConvertUTF.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace KX::Test {

namespace {

struct ToUtf16 {
    KX::ConversionResult result;
    std::u16string text;
    size_t consumed;
};

ToUtf16 Utf8ToUtf16(const std::string& in, KX::ConversionFlags flags = KX::lenientConversion, size_t room = 64)
{
    std::u16string out(room, u'\0');
    const char* source = in.data();
    char16_t* target = out.data();
    auto r = KX::ConvertUTF8toUTF16(&source, in.data() + in.size(), &target, out.data() + out.size(), flags);
    out.resize(static_cast<size_t>(target - out.data()));
    return {r, out, static_cast<size_t>(source - in.data())};
}

struct ToUtf8 {
    KX::ConversionResult result;
    std::string text;
    size_t consumed;
};

ToUtf8 Utf16ToUtf8(const std::u16string& in, KX::ConversionFlags flags = KX::lenientConversion, size_t room = 64)
{
    std::string out(room, '\0');
    const char16_t* source = in.data();
    char* target = out.data();
    auto r = KX::ConvertUTF16toUTF8(&source, in.data() + in.size(), &target, out.data() + out.size(), flags);
    out.resize(static_cast<size_t>(target - out.data()));
    return {r, out, static_cast<size_t>(source - in.data())};
}

TEST(ConvertUTF, EncodesEachLengthClassAndSurrogatePairs)
{
    const std::u16string wide = u"A\u00E9\u20AC\U0001F600\U0010FFFF";
    const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
    for (auto flags : {KX::strictConversion, KX::lenientConversion}) {
        auto narrow = Utf16ToUtf8(wide, flags);
        EXPECT_EQ(narrow.result, KX::conversionOK);
        EXPECT_EQ(narrow.text, utf8);
        auto back = Utf8ToUtf16(utf8, flags);
        EXPECT_EQ(back.result, KX::conversionOK);
        EXPECT_EQ(back.text, wide);
    }
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80").text, (std::u16string{0xD83D, 0xDE00}));
}

TEST(ConvertUTF, RandomScalarValuesRoundTrip)
{
    std::mt19937 rng(7);
    std::u16string wide;
    for (int i = 0; i < 4000; ++i) {
        char32_t c = rng() % 0x110000;
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (c >= 0x10000) {
            c -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(c));
        }
    }
    auto narrow = Utf16ToUtf8(wide, KX::strictConversion, wide.size() * 3);
    ASSERT_EQ(narrow.result, KX::conversionOK);
    auto back = Utf8ToUtf16(narrow.text, KX::strictConversion, wide.size());
    ASSERT_EQ(back.result, KX::conversionOK);
    EXPECT_EQ(back.text, wide);
}

TEST(ConvertUTF, LoneSurrogatesAreIllegalWhenStrictAndThreeBytesWhenLenient)
{
    auto strict = Utf16ToUtf8(std::u16string{u'a', 0xDC00, u'b'}, KX::strictConversion);
    EXPECT_EQ(strict.result, KX::sourceIllegal);
    EXPECT_EQ(strict.text, "a");
    EXPECT_EQ(strict.consumed, 1u);
    strict = Utf16ToUtf8(std::u16string{0xD800, u'b'}, KX::strictConversion);
    EXPECT_EQ(strict.result, KX::sourceIllegal);
    EXPECT_EQ(strict.consumed, 0u);

    auto lenient = Utf16ToUtf8(std::u16string{u'a', 0xDC00, 0xD800, u'b'});
    EXPECT_EQ(lenient.result, KX::conversionOK);
    EXPECT_EQ(lenient.text, "a\xED\xB0\x80\xED\xA0\x80"
                            "b");
}

TEST(ConvertUTF, HighSurrogateAtTheEndWaitsForMoreSource)
{
    auto r = Utf16ToUtf8(std::u16string{u'x', 0xD83D});
    EXPECT_EQ(r.result, KX::sourceExhausted);
    EXPECT_EQ(r.text, "x");
    EXPECT_EQ(r.consumed, 1u);
}

TEST(ConvertUTF, TargetExhaustedLeavesBothPointersBeforeTheCharacter)
{
    auto narrow = Utf16ToUtf8(u"a\u20AC", KX::lenientConversion, 3);
    EXPECT_EQ(narrow.result, KX::targetExhausted);
    EXPECT_EQ(narrow.text, "a");
    EXPECT_EQ(narrow.consumed, 1u);

    auto wide = Utf8ToUtf16("a\xF0\x9F\x98\x80", KX::lenientConversion, 2);
    EXPECT_EQ(wide.result, KX::targetExhausted);
    EXPECT_EQ(wide.text, u"a");
    EXPECT_EQ(wide.consumed, 1u);
}

TEST(ConvertUTF, IllegalUtf8StopsAtTheSequenceInBothModes)
{
    const char* cases[] = {
        "ok\xE9",                  // lone lead byte, runs past the end
        "ok\x80z",                 // stray trailing byte
        "ok\xC0\xAFz",             // over-long slash
        "ok\xC1\xBFz",             // over-long
        "ok\xE0\x80\xAFz",         // over-long three-byte form
        "ok\xED\xA0\x80z",         // encoded surrogate
        "ok\xF0\x80\x80\xAFz",     // over-long four-byte form
        "ok\xF4\x90\x80\x80z",     // above U+10FFFF
        "ok\xF5\x80\x80\x80z",     // lead byte above F4
        "ok\xF8\x88\x80\x80\x80z", // five-byte form
        "ok\xC3(z",                // trailing byte out of range
    };
    for (const char* input : cases) {
        for (auto flags : {KX::strictConversion, KX::lenientConversion}) {
            auto r = Utf8ToUtf16(input, flags);
            const bool truncated = std::string(input) == "ok\xE9";
            EXPECT_EQ(r.result, truncated ? KX::sourceExhausted : KX::sourceIllegal) << input;
            EXPECT_EQ(r.text, u"ok") << input;
            EXPECT_EQ(r.consumed, 2u) << input;
        }
    }
}

TEST(ConvertUTF, IsLegalUtf8Boundaries)
{
    auto legal = [](std::initializer_list<unsigned char> bytes) {
        return KX::IsLegalUTF8(std::data(bytes), static_cast<int>(bytes.size()));
    };
    EXPECT_TRUE(legal({0x7F}));
    EXPECT_TRUE(legal({0xC2, 0x80}));
    EXPECT_TRUE(legal({0xE0, 0xA0, 0x80}));
    EXPECT_TRUE(legal({0xED, 0x9F, 0xBF}));
    EXPECT_TRUE(legal({0xF0, 0x90, 0x80, 0x80}));
    EXPECT_TRUE(legal({0xF4, 0x8F, 0xBF, 0xBF}));
    EXPECT_FALSE(legal({0x80}));
    EXPECT_FALSE(legal({0xC1, 0xBF}));
    EXPECT_FALSE(legal({0xE0, 0x9F, 0xBF}));
    EXPECT_FALSE(legal({0xED, 0xA0, 0x80}));
    EXPECT_FALSE(legal({0xF0, 0x8F, 0xBF, 0xBF}));
    EXPECT_FALSE(legal({0xF4, 0x90, 0x80, 0x80}));
    EXPECT_FALSE(legal({0xE2, 0x82, 0xC0}));
    EXPECT_FALSE(KX::IsLegalUTF8(reinterpret_cast<const unsigned char*>("abcde"), 5));
    EXPECT_FALSE(KX::IsLegalUTF8(reinterpret_cast<const unsigned char*>("a"), 0));
}

} // namespace

} // namespace KX::Test
