#include "KXFramework/Utilities/Storage/StringT.h"

#include "CommaLocale.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {

namespace {

using KX::NarrowString;
using KX::String;

std::u16string Text(const String& s)
{
    return s.GetString();
}

std::string Text(const NarrowString& s)
{
    return s.GetString();
}

TEST(StringT, EmptyStringsShareOneBufferPerInstance)
{
    const String a;
    String b(u"x");
    b = u"";
    String c(u"abc");
    c.Clear();
    EXPECT_EQ(a.GetString(), KX::EmptyString.GetString());
    EXPECT_EQ(b.GetString(), KX::EmptyString.GetString());
    EXPECT_EQ(c.GetString(), KX::EmptyString.GetString());
    EXPECT_EQ(NarrowString().GetString(), KX::EmptyNarrowString.GetString());
    EXPECT_EQ(String("").GetString(), KX::EmptyString.GetString());
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.GetLength(), 0u);
    EXPECT_TRUE(a == nullptr);
    EXPECT_FALSE(String(u"a") == nullptr);

    const String zero(u'\0');
    EXPECT_TRUE(zero.IsEmpty());
    EXPECT_EQ(Text(String(u'q')), u"q");
}

TEST(StringT, CopiesShareUntilOneIsLockedAndEditsNeverLeak)
{
    const String original(u"abc");
    String copy = original;
    EXPECT_EQ(copy.GetString(), original.GetString());

    char16_t* p = copy.Lock(0);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p, original.GetString());
    EXPECT_EQ(std::u16string(p), u"abc");
    EXPECT_EQ(p[3], 0);
    p[0] = u'X';
    EXPECT_EQ(Text(original), u"abc");

    // A copy of a locked string holds its own text; later edits of the locked one stay there.
    String snapshot = copy;
    String assigned;
    assigned = copy;
    EXPECT_NE(snapshot.GetString(), copy.GetString());
    EXPECT_NE(assigned.GetString(), copy.GetString());
    p[1] = u'Y';
    EXPECT_EQ(Text(snapshot), u"Xbc");
    EXPECT_EQ(Text(assigned), u"Xbc");
    EXPECT_EQ(copy.Lock(5), nullptr);
    EXPECT_EQ(copy.Unlock(), 0);
    EXPECT_EQ(Text(copy), u"XYc");
    EXPECT_EQ(Text(original), u"abc");
    EXPECT_EQ(copy.Unlock(), 1);

    // Unlocked strings share again once assigned.
    snapshot = copy;
    EXPECT_EQ(snapshot.GetString(), copy.GetString());
}

TEST(StringT, LockWritesAndUnlockTrims)
{
    String s(u"abc");
    char16_t* p = s.Lock(0);
    p[0] = u'x';
    p[1] = u'y';
    p[2] = 0;
    EXPECT_EQ(s.GetLength(), 2u);
    EXPECT_EQ(s.Unlock(), 0);
    EXPECT_EQ(Text(s), u"xy");
    EXPECT_EQ(s.GetLength(), 2u);

    p = s.Lock(100);
    EXPECT_EQ(std::u16string(p), u"xy");
    p[0] = 0;
    EXPECT_EQ(s.Unlock(), 0);
    EXPECT_EQ(s.GetString(), KX::EmptyString.GetString());

    // Locked editing keeps the lock through Assign, Clear and +=.
    p = s.Lock(4);
    s.Assign(u"too long for four", String::kWholeText);
    EXPECT_EQ(Text(s), u"too");
    s.Clear();
    EXPECT_TRUE(s.IsEmpty());
    s += String(u"grow");
    s += String(u"n");
    EXPECT_EQ(Text(s), u"grown");
    EXPECT_EQ(s.Lock(1), nullptr);
    EXPECT_EQ(s.Unlock(), 0);
    EXPECT_EQ(Text(s), u"grown");
}

TEST(StringT, FailedLockLeavesTheStringUnchanged)
{
    String s(u"abc");
    const String other = s;
    try {
        s.Lock(0x80000000u);
        FAIL() << "Lock of 2^32 bytes succeeded";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(),
                     "Runtime Error : KX::StringT<wchar_t,char>::Lock : utilities\\Storage/StringT : Line 760");
    }
    EXPECT_EQ(Text(s), u"abc");
    EXPECT_EQ(s.GetString(), other.GetString());
    EXPECT_EQ(s.Unlock(), 1);
    ASSERT_NE(s.Lock(0), nullptr);
    EXPECT_EQ(s.Unlock(), 0);
}

TEST(StringT, SelfAssignmentAndSelfAppend)
{
    String s(u"ab");
    s = s;
    EXPECT_EQ(Text(s), u"ab");
    s += s; // sole holder of its buffer
    EXPECT_EQ(Text(s), u"abab");
    const String keep = s;
    s += s; // buffer shared with keep
    EXPECT_EQ(Text(s), u"abababab");
    EXPECT_EQ(Text(keep), u"abab");

    String locked(u"xy");
    locked.Lock(3);
    locked = locked;
    locked += locked;
    locked += locked;
    EXPECT_EQ(locked.Unlock(), 0);
    EXPECT_EQ(Text(locked), u"xyxyxyxy");

    String big(std::u16string(300, u'z').c_str());
    big += big;
    EXPECT_EQ(Text(big), std::u16string(600, u'z'));
    EXPECT_EQ(big.Insert(3, big), KX::S_OK);
    EXPECT_EQ(big.GetLength(), 1200u);

    NarrowString n("ab");
    n += n;
    EXPECT_EQ(Text(n), "abab");
}

TEST(StringT, SubStringWindows)
{
    const String s(u"abcde");
    EXPECT_EQ(Text(s.SubString(-2, 5)), u"de");
    EXPECT_EQ(Text(s.SubString(-7, 3)), u"a");
    EXPECT_EQ(Text(s.SubString(-10, 3)), u"");
    EXPECT_EQ(Text(s.SubString(5, 1)), u"");
    EXPECT_EQ(Text(s.SubString(1, 100)), u"bcde");
    EXPECT_EQ(Text(s.SubString(static_cast<unsigned>(-10))), u"abcde");
    EXPECT_EQ(Text(s.SubString(2u)), u"cde");
    EXPECT_EQ(Text(s.Left(2)), u"ab");
    EXPECT_EQ(Text(s.Mid(4)), u"e");
    EXPECT_EQ(Text(s.Right(2)), u"de");
    EXPECT_EQ(Text(s.Right(9)), u"abcde");
    EXPECT_EQ(s.SubString(0, 0).GetString(), KX::EmptyString.GetString());
    EXPECT_EQ(Text(NarrowString("hello").SubString(-3, 2)), "ll");
}

TEST(StringT, InsertForms)
{
    String s(u"abc");
    EXPECT_EQ(s.Insert(4, String(u"x")), KX::E_INVALIDARG);
    EXPECT_EQ(Text(s), u"abc");
    EXPECT_EQ(s.Insert(3, String(u"d")), KX::S_OK);
    EXPECT_EQ(Text(s), u"abcd");
    static_cast<void>(s.Insert(0, String(u"x")));
    EXPECT_EQ(Text(s), u"xabcd");
    static_cast<void>(s.Insert(2, u"12345", 2));
    EXPECT_EQ(Text(s), u"xa12bcd");
    static_cast<void>(s.Insert(1, u"#", 99));
    EXPECT_EQ(Text(s), u"x#a12bcd");
    EXPECT_EQ(s.Insert(99, u"#", 1), KX::E_INVALIDARG);

    String u(u"ac");
    u.Insert(1, "\xC3\xA9xyz", 2); // two bytes: one character
    EXPECT_EQ(Text(u), u"a\u00E9c");
    u.Insert(0, "\xF0\x9F\x98\x80", String::kWholeText);
    EXPECT_EQ(Text(u), u"\U0001F600a\u00E9c");
    u.Insert(u.GetLength(), "!!", 5); // shorter than count: the whole text
    EXPECT_EQ(Text(u), u"\U0001F600a\u00E9c!!");
    EXPECT_EQ(u.Insert(99, "x", 1), KX::E_INVALIDARG);
    u.Insert(0, static_cast<const char*>(nullptr), 3);
    EXPECT_EQ(u.GetLength(), 7u);

    String a;
    a += 'h';
    a += 'i';
    a += '\xC3'; // not a whole character
    a += '\0';
    a.AppendChar(u'\u00E9');
    EXPECT_EQ(Text(a), u"hi\u00E9");
}

TEST(StringT, OrderIsOrdinalOnUnsignedUnits)
{
    EXPECT_TRUE(String(u"ab") < String(u"abc"));
    EXPECT_FALSE(String(u"abc") < String(u"ab"));
    EXPECT_TRUE(String(u"Z") < String(u"a"));
    const String s(u"same");
    const String copy = s;
    EXPECT_FALSE(s < s);
    EXPECT_FALSE(s < copy);
    EXPECT_FALSE(s < String(u"same"));
    // D83D DE00 against FF21: unit order, not code-point order.
    EXPECT_TRUE(String(u"\U0001F600") < String(u"\uFF21"));
    EXPECT_FALSE(String(u"\uFF21") < String(u"\U0001F600"));
    EXPECT_TRUE(String(u"\u00FF") < String(u"\u0100"));
    EXPECT_TRUE(NarrowString("a") < NarrowString("\xC3\xA9"));
    EXPECT_TRUE(NarrowString("") < NarrowString("a"));

    EXPECT_TRUE(String(u"abc") == u"abc");
    EXPECT_FALSE(String(u"abc") == u"abC");
    EXPECT_FALSE(String(u"ab") == u"abc");
    EXPECT_TRUE(String(u"ab") != String(u"abc"));
    EXPECT_FALSE(s != copy);
    EXPECT_TRUE(String() == u"");
    EXPECT_FALSE(String() == u"x");
}

TEST(StringT, ReplaceCaseTrimFind)
{
    String path(u"a/b\\c");
    path.ReplaceChars(u"\\/", u'_');
    EXPECT_EQ(Text(path), u"a_b_c");
    path.ReplaceChars(u"_", 0);
    EXPECT_EQ(Text(path), u"a_b_c");

    const String mixed(u"Ab\u00E9\u00C9z\U0001F600");
    EXPECT_EQ(Text(mixed.ToUpper()), u"AB\u00E9\u00C9Z\U0001F600");
    EXPECT_EQ(Text(mixed.ToLower()), u"ab\u00E9\u00C9z\U0001F600");

    EXPECT_EQ(Text(String(u" \t true\r\n").Trim(u" \t\r\n")), u"true");
    EXPECT_EQ(Text(String(u"  x y ").TrimLeft(u" ")), u"x y ");
    EXPECT_TRUE(String(u" \t ").Trim(u" \t").IsEmpty());

    const String hay(u"abcabc");
    EXPECT_EQ(hay.Find(String(u"ca")), 2);
    EXPECT_EQ(hay.Find(String(u"bc"), 2), 4);
    EXPECT_EQ(hay.Find(String(u"x")), -1);
    EXPECT_EQ(hay.Find(String()), 0);
    EXPECT_EQ(hay.Find(String(u"a"), 99), -1);
    EXPECT_EQ(NarrowString("--name=x").Find(NarrowString("="), 2), 6);
}

TEST(StringT, Utf8AndUtf16Conversions)
{
    const NarrowString e = String(u"\u00E9").ToNarrow();
    EXPECT_EQ(Text(e), "\xC3\xA9");
    EXPECT_EQ(e.GetLength(), 2u);
    EXPECT_EQ(Text(String("\xF0\x9F\x98\x80")), (std::u16string{0xD83D, 0xDE00}));
    EXPECT_EQ(Text(NarrowString(String(u"x\U0001F600"))), "x\xF0\x9F\x98\x80");
    EXPECT_EQ(Text(String(NarrowString("\xE2\x82\xAC"))), u"\u20AC");

    KX::ConstRCPtr<KX::LIBuffer> buffer;
    EXPECT_EQ(String::AssignUTF8(buffer, "ok\xE9", -1), KX::E_FAIL);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buffer->GetData())), u"ok");
    EXPECT_EQ(buffer->GetSize(), 6u);
    EXPECT_EQ(String::AssignUTF8(buffer, "abcdef", 3), KX::S_OK);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buffer->GetData())), u"abc");
    EXPECT_EQ(String::AssignUTF8(buffer, "\x80", -1), KX::E_FAIL);
    EXPECT_EQ(reinterpret_cast<const char16_t*>(buffer->GetData()), KX::EmptyString.GetString());
    EXPECT_EQ(String::AssignUTF8(buffer, nullptr, -1), KX::S_OK);

    // A lone surrogate travels through lenient conversion as a three-byte sequence.
    const char16_t lone[] = {u'a', 0xDC00, 0};
    EXPECT_EQ(NarrowString::AssignUTF16(buffer, lone, -1), KX::S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer->GetData())), "a\xED\xB0\x80");
    const char16_t high[] = {u'a', 0xD800};
    EXPECT_EQ(NarrowString::AssignUTF16(buffer, high, 2), KX::E_FAIL);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer->GetData())), "a");

    // The UTF-8 Assign honours its byte limit and keeps a locked buffer.
    String w;
    w.Assign("\xC3\xA9t\xC3\xA9", 3);
    EXPECT_EQ(Text(w), u"\u00E9t");
    w.Lock(10);
    w.Assign("\xE2\x82\xAC", String::kWholeText);
    EXPECT_EQ(w.Lock(1), nullptr);
    w.Unlock();
    EXPECT_EQ(Text(w), u"\u20AC");
}

TEST(StringT, StorageCopyRange)
{
    KX::RCPtr<KX::LIBuffer> source;
    String::StorageBuffer::Create(source, 4, 0, true);
    std::memcpy(source->GetData(), "wxyz", 4);
    KX::RCPtr<KX::LIBuffer> copy;
    source->CopyRange(copy, 6, 2);
    ASSERT_EQ(copy->GetSize(), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy->GetData()), 6), std::string("yz\0\0\0\0", 6));
    source->CopyRange(copy, 3, 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy->GetData()), 3), std::string(3, '\0'));
    source->CopyRange(copy, 2, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy->GetData()), 2), "wx");
}

class StringFormat : public ::testing::Test {
protected:
    static void ExpectNumbers()
    {
        EXPECT_EQ(Text(KX::FormatFixedPoint(1234, 2)), u"12.34");
        EXPECT_EQ(Text(KX::FormatFixedPoint(5, 2)), u".05");
        EXPECT_EQ(Text(KX::FormatFixedPoint(50, 3)), u".050");
        EXPECT_EQ(Text(KX::FormatFixedPoint(7, 0)), u"7");
        EXPECT_EQ(Text(KX::FormatFixedPoint(-5, 2)), u"-.05");
        EXPECT_EQ(Text(KX::FormatFixedPoint(-2147483647 - 1, 3)), u"-2147483.648");
        EXPECT_EQ(Text(KX::FormatFixedPointUnsigned(4294967295u, 4)), u"429496.7295");
        EXPECT_EQ(Text(KX::FormatDouble(1.5, 2)), u"1.50");
        EXPECT_EQ(Text(KX::FormatDouble(1.5, -1)), u"1.500000");
        EXPECT_EQ(Text(KX::FormatDouble(2.5, 0)), u"2");
        EXPECT_EQ(Text(String::Format(u"ValueParam = %lf", 0.25)), u"ValueParam = 0.250000");
        EXPECT_DOUBLE_EQ(String(u" 3.75").ToDouble(), 3.75);
    }
};

TEST_F(StringFormat, FormatAndFixedPoint)
{
    EXPECT_EQ(Text(String::Format(u" (%d)", 3)), u" (3)");
    String s(u"old");
    s.AssignFormat(u"%s-%u", u"new", 7u);
    EXPECT_EQ(Text(s), u"new-7");
    EXPECT_EQ(Text(NarrowString::Format("%s:%I64X", "id", 0xABCDEF012345LL)), "id:ABCDEF012345");
    ExpectNumbers();
}

TEST_F(StringFormat, NumbersIgnoreACommaLocale)
{
    const KX::Test::CommaLocale comma;
    ASSERT_TRUE(comma.IsActive()) << comma.kMissing;
    ExpectNumbers();
}

TEST_F(StringFormat, LongOutputIsNotCut)
{
    const std::u16string chunk(10000, u'k');
    const String s = String::Format(u"%s|%s|%d", chunk.c_str(), chunk.c_str(), 42);
    EXPECT_EQ(s.GetLength(), 20004u);
    EXPECT_EQ(Text(s.Right(3)), u"|42");
}

TEST(StringT, NumberParsing)
{
    EXPECT_EQ(String(u"  -17xyz").ToInt(), -17);
    EXPECT_EQ(String(u"99999999999").ToInt(), 2147483647);
    EXPECT_EQ(String(u"-99999999999").ToInt(), -2147483647 - 1);
    EXPECT_EQ(String(u"abc").ToInt(), 0);
    EXPECT_EQ(String().ToDouble(), 0.0);
    EXPECT_DOUBLE_EQ(String(u"1e3").ToDouble(), 1000.0);
}

} // namespace

} // namespace KX::Test
