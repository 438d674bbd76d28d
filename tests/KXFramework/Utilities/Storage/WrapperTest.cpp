#include "KXFramework/Utilities/Storage/Wrapper.h"
#include "KXFramework/Utilities/Storage/RCPtrQueue.h"

#include <gtest/gtest.h>

#include <vector>

namespace KX::Test {

struct Values {
    std::vector<int> items;
};

namespace {

using String = KX::StringT<char16_t, char>;
using Text = KX::LWrapperStringable<String, &KX::StringToString, KX::LTaggableObject>;

String IdText(const unsigned& id)
{
    return String::Format(u"%u", id);
}

TEST(LHolder, HoldsAValueInitialisedValue)
{
    auto holder = KX::LHolder<unsigned>::Create();
    EXPECT_EQ(*holder->value, 0u);
    EXPECT_EQ(holder->GetRefCount(), 1);
}

TEST(LPair, TextIsTheKeysAlone)
{
    auto pair = KX::LPair<unsigned, double, &IdText>::Create(4294967295u, 1.5);
    EXPECT_TRUE(pair->ToString() == u"4294967295");
    EXPECT_EQ(pair->value, 1.5);
}

TEST(LWrapperStringable, TextCreationAndTag)
{
    EXPECT_TRUE(Text::Create(String())->ToString() == u"");
    EXPECT_TRUE(Text::Create(String(u"status"))->ToString() == u"status");
    KX::RCPtr<KX::LTaggableObject> tag = Text::CreateTag(String(u"item"));
    EXPECT_EQ(tag->GetRefCount(), 1);
    KX::RCPtr<Text> back{KX::RCPtr<KX::LRefCountedObject>(tag)};
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->ToString() == u"item");
}

TEST(Wrappers, SharedPayloadsCannotBeCopiedOnWrite)
{
    auto payload = KX::LWrapper<KX::Test::Values, KX::LRefCountedObject>::Create();
    payload->items.push_back(3);
    KX::RCPtr<KX::LWrapper<KX::Test::Values, KX::LRefCountedObject>> second(payload);
    EXPECT_THROW(second.Unshare(), std::logic_error);
}

TEST(RCPtrQueue, EmptyDequeueOfWrappedValuesNamesEveryArgumentAsAClass)
{
    KX::RCPtrQueue<KX::LWrapper<KX::Test::Values, KX::LRefCountedObject>, 256> queue;
    try {
        queue.Dequeue();
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Runtime Error : KX::RCPtrQueue<class KX::LWrapper<class KX::Test::Values,class "
                               "KX::LRefCountedObject>,256>::Dequeue : utilities\\Storage/RCPtrQueue : Line 104");
    }
}

} // namespace

} // namespace KX::Test
