#include "KXFramework/Notification/NotificationHandler.h"

#include "NotificationDoubles.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace KX::Test {

// An owner in the shape the framework uses: a client whose ReceiveNotification asks its handler.
class Panel : public KX::LNotificationClient {
public:
    using Handler = KX::LNotificationHandler<Panel>;

    Panel() : handler(Handler::Create(this)) {}

    KXRESULT ReceiveNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                 const KX::RCPtr<KX::LNotification>& n) override
    {
        return handler->HandleNotification(sender, n);
    }
    // Controls drop their binding together with the registration.
    KXRESULT UnregisterForNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                       const char16_t* name) override
    {
        handler->RemoveNotification(sender, name);
        return LNotificationClient::UnregisterForNotification(sender, name);
    }

    KXRESULT OnValue(const KX::RCPtr<KX::LNotificationDistributor>&, const KX::RCPtr<KX::LNotification>&)
    {
        log.push_back("value");
        if (onValue)
            onValue();
        return 1;
    }
    KXRESULT OnAny(const KX::RCPtr<KX::LNotificationDistributor>&, const KX::RCPtr<KX::LNotification>&)
    {
        log.push_back("any");
        return 0;
    }

    KX::RCPtr<Handler> handler;
    std::vector<std::string> log;
    std::function<void()> onValue;
};

namespace {

using KX::LNotificationDistributor;
using KX::RCPtr;
using KX::Test::MakeNotification;
using KX::Test::Panel;

RCPtr<LNotificationDistributor> NewDistributor()
{
    return RCPtr<LNotificationDistributor>(new LNotificationDistributor);
}

TEST(NotificationHandler, BindsMembersToSenderAndNameAndReturnsTheirResults)
{
    EXPECT_FALSE(Panel::Handler::Create(nullptr));
    RCPtr<Panel> panel(new Panel);
    auto d = NewDistributor(), other = NewDistributor();
    auto& h = *panel->handler;
    EXPECT_EQ(h.SetNotification(&Panel::OnValue, nullptr, u"NID_VALUE_CHANGE", 0), KX::E_INVALIDARG);
    EXPECT_EQ(h.SetNotification(&Panel::OnValue, d, u"", 0), KX::E_FAIL);
    EXPECT_EQ(h.SetNotification(&Panel::OnValue, d, u"NID_VALUE_CHANGE", 3), KX::S_OK);
    EXPECT_EQ(panel->GetOwnerCount(), 1);

    auto n = MakeNotification(u"NID_VALUE_CHANGE");
    EXPECT_EQ(h.HandleNotification(d, n), 1);
    EXPECT_EQ(h.HandleNotification(other, n), 0);
    EXPECT_EQ(h.HandleNotification(d, MakeNotification(u"NID_UNBOUND")), 0);
    static_cast<void>(d->SendNotification(n));
    EXPECT_EQ(panel->log, (std::vector<std::string>{"value", "value"}));

    Panel::Handler::Member m = nullptr;
    unsigned flags = 0;
    EXPECT_EQ(h.FindBinding(d, u"NID_VALUE_CHANGE", m, flags), KX::S_OK);
    EXPECT_EQ(&Panel::OnValue, m);
    EXPECT_EQ(flags, 3u);
    EXPECT_EQ(h.FindBinding(other, u"NID_VALUE_CHANGE", m, flags), KX::E_FAIL);

    EXPECT_TRUE(h.RemoveNotification(d, u"NID_VALUE_CHANGE"));
    EXPECT_FALSE(h.RemoveNotification(d, u"NID_VALUE_CHANGE"));
    EXPECT_EQ(h.HandleNotification(d, n), 0);
}

TEST(NotificationHandler, AnAnySenderBindingNeedsAKnownNameAndYieldsToTheSendersOwn)
{
    RCPtr<Panel> panel(new Panel);
    auto& h = *panel->handler;
    EXPECT_EQ(h.AddHandler(&Panel::OnAny, u"NID_NEVER_SEEN_BEFORE_BY_ANYONE"), KX::E_FAIL);
    KX::InternNotificationName(u"NID_CLICK");
    EXPECT_EQ(h.AddHandler(&Panel::OnAny, u"NID_CLICK"), KX::S_OK);
    auto d = NewDistributor(), other = NewDistributor();
    static_cast<void>(h.SetNotification(&Panel::OnValue, d, u"NID_CLICK", 0));
    auto n = MakeNotification(u"NID_CLICK");
    EXPECT_EQ(h.HandleNotification(d, n), 1);
    EXPECT_EQ(h.HandleNotification(other, n), 0);
    EXPECT_EQ(panel->log, (std::vector<std::string>{"value", "any"}));
}

TEST(NotificationHandler, AHandlerRemovedDuringADeliveryIsNotCalledAfterwards)
{
    RCPtr<Panel> first(new Panel), second(new Panel);
    auto d = NewDistributor();
    static_cast<void>(first->handler->SetNotification(&Panel::OnValue, d, u"NID_VALUE_CHANGE", 0));
    static_cast<void>(second->handler->SetNotification(&Panel::OnValue, d, u"NID_VALUE_CHANGE", 0));
    first->onValue = [&] { second->UnregisterForNotification(d, u"NID_VALUE_CHANGE"); };
    static_cast<void>(d->SendNotification(MakeNotification(u"NID_VALUE_CHANGE")));
    EXPECT_EQ(first->log.size(), 1u);
    EXPECT_TRUE(second->log.empty());
    EXPECT_EQ(second->GetOwnerCount(), 0);
}

TEST(CAutoNotificationDisabler, SuspendsOneBindingForItsScopeAndRestoresItsFlags)
{
    RCPtr<Panel> panel(new Panel);
    auto d = NewDistributor();
    static_cast<void>(panel->handler->SetNotification(&Panel::OnValue, d, u"NID_VALUE_CHANGE", 9));
    {
        KX::CAutoNotificationDisabler<Panel> quiet(panel->handler, d, u"NID_VALUE_CHANGE");
        EXPECT_EQ(panel->GetOwnerCount(), 0);
        EXPECT_EQ(d->SendNotification(MakeNotification(u"NID_VALUE_CHANGE")), KX::S_FALSE);
    }
    EXPECT_EQ(panel->GetOwnerCount(), 1);
    static_cast<void>(d->SendNotification(MakeNotification(u"NID_VALUE_CHANGE")));
    EXPECT_EQ(panel->log.size(), 1u);
    Panel::Handler::Member m = nullptr;
    unsigned flags = 0;
    EXPECT_EQ(panel->handler->FindBinding(d, u"NID_VALUE_CHANGE", m, flags), KX::S_OK);
    EXPECT_EQ(flags, 9u);
}

std::string ThrownText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const KX::FailedResultException& e) {
        return e.what();
    }
    return "nothing thrown";
}

TEST(CAutoNotificationDisabler, FailuresThrowTheirExactTextsButNeverDuringUnwinding)
{
    RCPtr<Panel> panel(new Panel);
    auto d = NewDistributor();
    EXPECT_EQ(ThrownText([&] { KX::CAutoNotificationDisabler<Panel> q(panel->handler, d, u"NID_VALUE_CHANGE"); }),
              "Failed Result : KXRESULT = 80004005 : KX::CAutoNotificationDisabler<class KX::Test::Panel>"
              "::CAutoNotificationDisabler : notification\\NotificationHandler : Line 247");

    // Bound for any sender, so found, but there is no binding of this sender to remove.
    KX::InternNotificationName(u"NID_VALUE_CHANGE");
    ASSERT_EQ(panel->handler->AddHandler(&Panel::OnAny, u"NID_VALUE_CHANGE"), KX::S_OK);
    EXPECT_EQ(ThrownText([&] { KX::CAutoNotificationDisabler<Panel> q(panel->handler, d, u"NID_VALUE_CHANGE"); }),
              "Failed Result : KXRESULT = 80004005 : KX::CAutoNotificationDisabler<class KX::Test::Panel>"
              "::CAutoNotificationDisabler : notification\\NotificationHandler : Line 248");

    // Without a sender the any-sender binding is suspended, but it cannot be bound again.
    EXPECT_EQ(ThrownText([&] { KX::CAutoNotificationDisabler<Panel> q(panel->handler, nullptr, u"NID_VALUE_CHANGE"); }),
              "Failed Result : KXRESULT = 80070057 : KX::CAutoNotificationDisabler<class KX::Test::Panel>"
              "::~CAutoNotificationDisabler : notification\\NotificationHandler : Line 253");

    ASSERT_EQ(panel->handler->AddHandler(&Panel::OnAny, u"NID_VALUE_CHANGE"), KX::S_OK);
    try {
        KX::CAutoNotificationDisabler<Panel> q(panel->handler, nullptr, u"NID_VALUE_CHANGE");
        throw std::runtime_error("first");
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "first"); // the destructor's failure did not replace it or terminate
    }
}

} // namespace

} // namespace KX::Test
