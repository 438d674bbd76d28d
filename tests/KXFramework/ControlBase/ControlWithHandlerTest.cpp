#include "KXFramework/ControlBase/ControlWithHandler.h"

#include "ControlFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {
namespace {

// A base level that binds "NID_BASE", and a level above it that binds "NID_TOP" and "NID_BOTH";
// each member logs its level and answers with its own result.
class BaseLevel : public LControlWithHandler<LControl, BaseLevel> {
public:
    using LControlWithHandler::LControlWithHandler;

    void BindFrom(const RCPtr<LNotificationDistributor>& sender)
    {
        ASSERT_EQ(Bind(&BaseLevel::OnBase, sender, u"NID_BASE"), S_OK);
        ASSERT_EQ(Bind(&BaseLevel::OnBase, sender, u"NID_BOTH"), S_OK);
    }

    std::vector<std::string> log;

private:
    KXRESULT OnBase(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
    {
        log.push_back("base");
        return 2;
    }
};

class TopLevel : public LControlWithHandler<BaseLevel, TopLevel> {
public:
    using LControlWithHandler::LControlWithHandler;

    void BindFrom(const RCPtr<LNotificationDistributor>& sender)
    {
        BaseLevel::BindFrom(sender);
        ASSERT_EQ(Bind(&TopLevel::OnTop, sender, u"NID_TOP"), S_OK);
        ASSERT_EQ(Bind(&TopLevel::OnTop, sender, u"NID_BOTH"), S_OK);
    }

    bool HasHandler() const { return GetHandler() != nullptr; }

private:
    KXRESULT OnTop(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
    {
        log.push_back("top");
        return 3;
    }
};

class ControlWithHandlerTest : public ControlFixture {
protected:
    void SetUp() override
    {
        ControlFixture::SetUp();
        sender = Child(u"sender");
        control = RCPtr<TopLevel>(new TopLevel(top, u"control"));
        control->BindFrom(sender);
    }

    void TearDown() override
    {
        static_cast<void>(control->BreakCycles());
        control = nullptr;
        sender = nullptr;
        ControlFixture::TearDown();
    }

    KXRESULT Deliver(const char16_t* name) { return control->ReceiveNotification(sender, MakeNotification(name)); }

    int Registrations(const char16_t* name) const { return sender->GetClientCount(LookupNotificationName(name)); }

    RCPtr<ProbeControl> sender;
    RCPtr<TopLevel> control;
};

TEST_F(ControlWithHandlerTest, EachLevelAnswersItsOwnBindingsOnceCreated)
{
    struct Case {
        const char16_t* name;
        KXRESULT result;
        std::vector<std::string> log;
    };
    // A notification the top level has no binding for goes on to the level below.
    const Case cases[] = {{u"NID_TOP", 3, {"top"}}, {u"NID_BASE", 2, {"base"}}, {u"NID_BOTH", 3, {"top"}}};

    for (const Case& c : cases)
        EXPECT_EQ(Deliver(c.name), S_OK) << "before creation";
    EXPECT_TRUE(control->log.empty());

    control->SetCreated();
    for (const Case& c : cases) {
        control->log.clear();
        EXPECT_EQ(Deliver(c.name), c.result);
        EXPECT_EQ(control->log, c.log);
    }
    EXPECT_EQ(Registrations(u"NID_TOP"), 1);
    EXPECT_EQ(Registrations(u"NID_BOTH"), 1);
}

TEST_F(ControlWithHandlerTest, UnregisteringDropsTheBindingOfEveryLevelAndTheRegistration)
{
    control->SetCreated();
    EXPECT_EQ(control->UnregisterForNotification(sender, u"NID_BOTH"), S_OK);

    EXPECT_EQ(Deliver(u"NID_BOTH"), S_OK);
    EXPECT_EQ(Registrations(u"NID_BOTH"), 0);
    EXPECT_EQ(Deliver(u"NID_TOP"), 3);
    EXPECT_EQ(control->log, std::vector<std::string>{"top"});
}

TEST_F(ControlWithHandlerTest, BreakingCyclesReleasesTheHandlersAndTheRegistrations)
{
    control->SetCreated();
    EXPECT_TRUE(control->HasHandler());

    static_cast<void>(control->BreakCycles());

    EXPECT_FALSE(control->HasHandler());
    EXPECT_EQ(Deliver(u"NID_TOP"), S_OK);
    EXPECT_EQ(Deliver(u"NID_BASE"), S_OK);
    EXPECT_TRUE(control->log.empty());
    EXPECT_EQ(Registrations(u"NID_TOP"), 0);
}

} // namespace
} // namespace KX::Test
