#include "KXFramework/Notification/Notification.h"

#include "NotificationDoubles.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace KX::Test {

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
    EXPECT_EQ(KX::LookupNotificationName(u"NID_NAMES_TEST"), nullptr);
    std::u16string copy = u"NID_NAMES_TEST";
    NotificationID id = KX::InternNotificationName(u"NID_NAMES_TEST");
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id, KX::InternNotificationName(copy.c_str()));
    EXPECT_EQ(id, KX::LookupNotificationName(copy.c_str()));
    EXPECT_NE(id, KX::InternNotificationName(u"NID_NAMES_TEST2"));
    EXPECT_EQ(Text(KX::GetNotificationName(id)), u"NID_NAMES_TEST");

    EXPECT_EQ(KX::InternNotificationName(nullptr), nullptr);
    EXPECT_EQ(KX::InternNotificationName(u""), nullptr);
    // A pointer that is not an identifier reads as an empty name, even with equal text.
    EXPECT_EQ(Text(KX::GetNotificationName(copy.c_str())), u"");
    EXPECT_EQ(Text(KX::GetNotificationName(nullptr)), u"");

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
    EXPECT_EQ(std::u16string(seen[0][0]), u"NID_MANY_0");
}

TEST(Notification, CreateRefusesAnEmptyNameAndCarriesNameAndPayload)
{
    RCPtr<LNotification> n = KX::Test::MakeNotification(u"NID_X");
    EXPECT_EQ(LNotification::Create(n, u"", nullptr), KX::E_INVALIDARG);
    EXPECT_FALSE(n);
    EXPECT_EQ(LNotification::Create(n, nullptr, nullptr), KX::E_INVALIDARG);

    RCPtr<KX::LRefCountedObject> payload(new KX::LRefCountedObject);
    ASSERT_EQ(LNotification::Create(n, u"NID_CREATE_TEST", payload), KX::S_OK);
    EXPECT_EQ(KX::LookupNotificationName(u"NID_CREATE_TEST"), n->GetID());
    EXPECT_EQ(Text(n->GetName()), u"NID_CREATE_TEST");
    EXPECT_EQ(payload.Get(), n->GetPayload().Get());
    EXPECT_FALSE(n->IsPosted());
}

TEST(Notification, APooledNotificationComesBackWithoutItsPayload)
{
    LNotification::EnablePooling(true);
    RCPtr<KX::LRefCountedObject> payload(new KX::LRefCountedObject);
    RCPtr<LNotification> n = KX::Test::MakeNotification(u"NID_POOL_A", payload);
    LNotification* first = n.Get();
    EXPECT_EQ(payload->GetRefCount(), 2);
    n = RCPtr<LNotification>();
    EXPECT_EQ(payload->GetRefCount(), 1) << "the pooled notification kept its payload";

    n = KX::Test::MakeNotification(u"NID_POOL_B");
    EXPECT_EQ(first, n.Get());
    EXPECT_EQ(n->GetRefCount(), 1);
    EXPECT_EQ(KX::LookupNotificationName(u"NID_POOL_B"), n->GetID());
    EXPECT_FALSE(n->GetPayload());

    // Notifications released from many threads at once all land in the pool or are freed.
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 2000; ++i)
                KX::Test::MakeNotification(u"NID_POOL_C", RCPtr<KX::LRefCountedObject>(new KX::LRefCountedObject));
        });
    for (auto& t : threads)
        t.join();
    LNotification::EnablePooling(false);
    RCPtr<LNotification> fresh = KX::Test::MakeNotification(u"NID_POOL_D");
    EXPECT_EQ(fresh->GetRefCount(), 1);
}

} // namespace

} // namespace KX::Test
