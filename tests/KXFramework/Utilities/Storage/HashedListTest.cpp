#include "KXFramework/Utilities/Storage/HashedList.h"

#include "CountedObject.h"

#include <gtest/gtest.h>

namespace KX::Test {

namespace {

using Glyphs = KX::HashedList<int32_t, int, KX::HashedIntegerKey<int32_t, 0>>;
using Ids = KX::HashedList<int, const char*, KX::HashedIntegerKey<int, 4>>;

TEST(HashedList, AddReplacesTheValueOfAKeyAlreadyThere)
{
    Glyphs list;
    EXPECT_TRUE(list.Add(Glyphs::Entry::Create(65, 1)));
    EXPECT_TRUE(list.Add(Glyphs::Entry::Create(65 + 256, 2))); // same bucket
    EXPECT_FALSE(list.Add(Glyphs::Entry::Create(65, 3)));
    EXPECT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.Find(65, -1), 3);
    EXPECT_EQ(list.Find(65 + 256, -1), 2);
    EXPECT_EQ(list.Find(66, -1), -1);
    EXPECT_EQ(list.Find(-191, -1), -1); // low byte 65 as well
}

TEST(HashedList, RemoveAndClear)
{
    Ids list;
    for (int id = 0; id < 600; id += 3)
        list.Add(Ids::Entry::Create(id, "entry"));
    EXPECT_EQ(list.GetCount(), 200u);
    EXPECT_TRUE(list.Remove(300));
    EXPECT_FALSE(list.Remove(300));
    EXPECT_FALSE(list.Remove(301));
    EXPECT_EQ(list.Find(300, nullptr), nullptr);
    EXPECT_STREQ(list.Find(303, nullptr), "entry");
    EXPECT_EQ(list.GetCount(), 199u);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_EQ(list.Find(303, nullptr), nullptr);
}

TEST(HashedList, EntriesTakeTheirTextFromTheKey)
{
    auto entry = Glyphs::Entry::Create(-42, 7);
    EXPECT_TRUE(entry->ToString() == u"-42");
}

TEST(RCPtrMap, MapsObjectsByIdentity)
{
    using Map = KX::RCPtrMap<KX::Test::Counted, KX::Test::Counted, 8>;
    Map map;
    KX::ConstRCPtr<KX::Test::Counted> a(new KX::Test::Counted(1)), b(new KX::Test::Counted(1));
    KX::RCPtr<KX::Test::Counted> va(new KX::Test::Counted(10)), vb(new KX::Test::Counted(20));
    map.Insert(a, va);
    map.Insert(b, vb);
    EXPECT_EQ(map.Find(a), va);
    EXPECT_EQ(map.Find(b), vb);
    map.Insert(a, vb);
    EXPECT_EQ(map.GetCount(), 2u);
    EXPECT_EQ(map.Find(a), vb);
    EXPECT_FALSE(map.Find(KX::ConstRCPtr<KX::Test::Counted>(new KX::Test::Counted(1))));
    map.Clear();
    EXPECT_FALSE(map.Find(a));
    EXPECT_EQ(va->GetRefCount(), 1);
}

} // namespace

} // namespace KX::Test
