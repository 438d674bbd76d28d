#include "KXFramework/Notification/Notification.h"

#include "NotificationDoubles.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using KX::LNotification;
using KX::NotificationID;
using KX::RCPtr;

std::u16string Text(const KX::StringT<char16_t, char>& s)
{
    return std::u16string(s.GetString());
}

TEST(NotificationNames, OneIdentifierPerNameThatTurnsBackIntoItsName)
{
    EXPECT_EQ(nullptr, KX::LookupNotificationName(u"NID_NAMES_TEST"));
    std::u16string copy = u"NID_NAMES_TEST";
    NotificationID id = KX::InternNotificationName(u"NID_NAMES_TEST");
    ASSERT_NE(nullptr, id);
    EXPECT_EQ(id, KX::InternNotificationName(copy.c_str()));
    EXPECT_EQ(id, KX::LookupNotificationName(copy.c_str()));
    EXPECT_NE(id, KX::InternNotificationName(u"NID_NAMES_TEST2"));
    EXPECT_EQ(u"NID_NAMES_TEST", Text(KX::GetNotificationName(id)));

    EXPECT_EQ(nullptr, KX::InternNotificationName(nullptr));
    EXPECT_EQ(nullptr, KX::InternNotificationName(u""));
    // A pointer that is not an identifier reads as an empty name, even with equal text.
    EXPECT_EQ(u"", Text(KX::GetNotificationName(copy.c_str())));
    EXPECT_EQ(u"", Text(KX::GetNotificationName(nullptr)));

    KX::MutexLock lock(KX::GetNotificationLock());
    EXPECT_GE(KX::GetNotificationNameTable().FindByAddress(id), 0);
}

TEST(NotificationNames, InterningFromManyThreadsGivesOneIdentifierAndStableStorage)
{
    constexpr int kThreads = 8, kNames = 300;
    std::vector<std::vector<NotificationID>> seen(kThreads, std::vector<NotificationID>(kNames));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &seen] {
            for (int i = 0; i < kNames; ++i) {
                std::string narrow = "NID_MANY_" + std::to_string(i);
                std::u16string name(narrow.begin(), narrow.end());
                seen[t][i] = KX::InternNotificationName(name.c_str());
            }
        });
    for (auto& t : threads)
        t.join();
    for (int t = 1; t < kThreads; ++t)
        EXPECT_EQ(seen[0], seen[t]);
    // The table has grown many times since the first name was interned; its text is unchanged.
    EXPECT_EQ(u"NID_MANY_0", std::u16string(seen[0][0]));
}

TEST(Notification, CreateRefusesAnEmptyNameAndCarriesNameAndPayload)
{
    RCPtr<LNotification> n = KXTest::MakeNotification(u"NID_X");
    EXPECT_EQ(KX::E_INVALIDARG, LNotification::Create(n, u"", nullptr));
    EXPECT_FALSE(n);
    EXPECT_EQ(KX::E_INVALIDARG, LNotification::Create(n, nullptr, nullptr));

    RCPtr<KX::LRefCountedObject> payload(new KX::LRefCountedObject);
    ASSERT_EQ(KX::S_OK, LNotification::Create(n, u"NID_CREATE_TEST", payload));
    EXPECT_EQ(KX::LookupNotificationName(u"NID_CREATE_TEST"), n->GetID());
    EXPECT_EQ(u"NID_CREATE_TEST", Text(n->GetName()));
    EXPECT_EQ(payload.Get(), n->GetPayload().Get());
    EXPECT_FALSE(n->IsPosted());
}

TEST(Notification, APooledNotificationComesBackWithoutItsPayload)
{
    LNotification::EnablePooling(true);
    RCPtr<KX::LRefCountedObject> payload(new KX::LRefCountedObject);
    RCPtr<LNotification> n = KXTest::MakeNotification(u"NID_POOL_A", payload);
    LNotification* first = n.Get();
    EXPECT_EQ(2, payload->GetRefCount());
    n = RCPtr<LNotification>();
    EXPECT_EQ(1, payload->GetRefCount()) << "the pooled notification kept its payload";

    n = KXTest::MakeNotification(u"NID_POOL_B");
    EXPECT_EQ(first, n.Get());
    EXPECT_EQ(1, n->GetRefCount());
    EXPECT_EQ(KX::LookupNotificationName(u"NID_POOL_B"), n->GetID());
    EXPECT_FALSE(n->GetPayload());

    // Notifications released from many threads at once all land in the pool or are freed.
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 2000; ++i)
                KXTest::MakeNotification(u"NID_POOL_C", RCPtr<KX::LRefCountedObject>(new KX::LRefCountedObject));
        });
    for (auto& t : threads)
        t.join();
    LNotification::EnablePooling(false);
    RCPtr<LNotification> fresh = KXTest::MakeNotification(u"NID_POOL_D");
    EXPECT_EQ(1, fresh->GetRefCount());
}

} // namespace
