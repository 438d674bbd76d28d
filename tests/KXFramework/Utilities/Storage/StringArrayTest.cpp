#include "KXFramework/Utilities/Storage/StringArray.h"

#include <gtest/gtest.h>

namespace KX::Test {

namespace {

using String = KX::StringT<char16_t, char>;
using Strings = KX::StringArrayT<char16_t, char>;

TEST(StringArrayT, FindWithAndWithoutCase)
{
    Strings names;
    names.AddItem(String(u"Kivo 61"));
    names.AddItem(String(u"MIDIIN2 (Kivo 61)"));
    names.AddItem(String(u""));
    EXPECT_EQ(names.Find(String(u"midiin2 (KIVO 61)"), false, 0), 1);
    EXPECT_EQ(names.Find(String(u"midiin2 (KIVO 61)"), true, 0), -1);
    EXPECT_EQ(names.Find(String(u"Kivo 61"), true, 1), -1);
    EXPECT_EQ(names.Find(String(u""), true, 0), 2);
    EXPECT_EQ(names.Find(names.GetAt(0u), true, 0), 0);
    EXPECT_EQ(names.Find(String(u"Kivo 61"), true, names.GetCount()), -1);
    EXPECT_EQ(Strings().Find(String(u"x"), false, 0), -1);
}

TEST(StringArrayT, FindByAddressFindsTheLastElementSharingTheStorage)
{
    Strings names;
    const String shared(u"NID_APP_EXIT_REQ");
    names.AddItem(shared);
    names.AddItem(String(u"NID_APP_EXIT_REQ"));
    names.AddItem(shared);
    names.AddItem(String(u"other"));
    EXPECT_EQ(names.FindByAddress(shared.GetString()), 2);
    EXPECT_EQ(names.FindByAddress(u"NID_APP_EXIT_REQ"), -1);
    EXPECT_EQ(Strings().FindByAddress(shared.GetString()), -1);
}

TEST(CopyMapToArray, PairsInKeyOrderAfterEmptyingTheArray)
{
    std::map<String, String> table{{String(u"b"), String(u"2")},
                                   {String(u"a"), String(u"1")},
                                   {String(u"\U0001F600"), String(u"smile")},
                                   {String(u"\uFF21"), String(u"A")}};
    KX::Array<KX::Pair<String, String>> pairs;
    pairs.AddItem({String(u"stale"), String(u"x")});
    EXPECT_EQ(KX::CopyMapToArray(table, pairs), 0);
    ASSERT_EQ(pairs.GetCount(), 4u);
    EXPECT_TRUE(pairs.GetAt(0u).first == u"a");
    EXPECT_TRUE(pairs.GetAt(1u).second == u"2");
    // Ordinal on 16-bit units: the surrogate D83D sorts before FF21.
    EXPECT_TRUE(pairs.GetAt(2u).second == u"smile");
    EXPECT_EQ(KX::CopyMapToArray(std::map<String, String>(), pairs), 0);
    EXPECT_EQ(pairs.GetCount(), 0u);
}

} // namespace

} // namespace KX::Test
