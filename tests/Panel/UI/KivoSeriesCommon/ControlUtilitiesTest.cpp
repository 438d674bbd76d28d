// The look-ups of the composites' inner parts: each walks its own names and gives null, never an
// error, when the composite or any step is missing; the array operations reach every element.
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/TextBox.h"

#include "NotificationDoubles.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

using namespace ControlUtilities;

struct LookUp {
    const char* name;
    std::function<RCPtr<LControl>(RCPtr<LControl>)> function;
    std::vector<const char16_t*> path;
};

const std::vector<LookUp>& LookUps()
{
    static const std::vector<LookUp> table = {
        {"GetComboBoxChild", GetComboBoxChild, {u"comboBox"}},
        {"GetNumericUpDownChild", GetNumericUpDownChild, {u"numericUpDown"}},
        {"GetButtonChild", GetButtonChild, {u"button"}},
        {"GetControlNameLabelChild", GetControlNameLabelChild, {u"controlNameLabel"}},
        {"GetCCSelectorNumericUpDown", GetCCSelectorNumericUpDown, {u"ccSelector", u"numericUpDown"}},
        {"GetNoteSelectorNumericUpDown",
         [](RCPtr<LControl> c) { return RCPtr<LControl>(GetNoteSelectorNumericUpDown(c)); },
         {u"noteSelector", u"numericUpDown"}},
        {"GetMSBLSBSelectorsChild", GetMSBLSBSelectorsChild, {u"msbLSBSelectors"}},
        {"GetMSBNumericUpDown", GetMSBNumericUpDown, {u"msbLSBSelectors", u"msb", u"numericUpDown"}},
        {"GetLSBNumericUpDown", GetLSBNumericUpDown, {u"msbLSBSelectors", u"lsb", u"numericUpDown"}},
        {"GetMinMaxSelectorsChild", GetMinMaxSelectorsChild, {u"minMaxSelectors"}},
        {"GetMinNumericUpDown", GetMinNumericUpDown, {u"minMaxSelectors", u"min", u"numericUpDown"}},
        {"GetMaxNumericUpDown", GetMaxNumericUpDown, {u"minMaxSelectors", u"max", u"numericUpDown"}},
        {"GetOnOffSelectorsChild", GetOnOffSelectorsChild, {u"onOffSelectors"}},
        {"GetOnNumericUpDown", GetOnNumericUpDown, {u"on", u"numericUpDown"}},
        {"GetOffNumericUpDown", GetOffNumericUpDown, {u"off", u"numericUpDown"}},
        {"GetPressedNumericUpDown", GetPressedNumericUpDown, {u"pressed", u"numericUpDown"}},
        {"GetReleasedNumericUpDown", GetReleasedNumericUpDown, {u"released", u"numericUpDown"}},
    };
    return table;
}

class ControlUtilitiesTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const RCPtr<LControl>& c : made)
            static_cast<void>(c->BreakCycles());
    }

    // A composite holding `path` as a chain; the last step is a numeric up-down. Step `broken`
    // carries another name.
    RCPtr<LControl> Chain(const std::vector<const char16_t*>& path, size_t broken, RCPtr<LControl>& last)
    {
        RCPtr<LControl> composite(new LPanel(nullptr, u"composite"));
        made.push_back(composite);
        RCPtr<LControl> at = composite;
        for (size_t i = 0; i < path.size(); ++i) {
            const String name = i == broken ? String(u"other") : String(path[i]);
            at = i + 1 == path.size() ? RCPtr<LControl>(new LNumericUpDown(at, name))
                                      : RCPtr<LControl>(new LPanel(at, name));
        }
        last = at;
        return composite;
    }

    FakeFrameworkServices services;
    std::vector<RCPtr<LControl>> made;
};

TEST_F(ControlUtilitiesTest, EachLookUpWalksItsNamesAndGivesNullForAnyMissingStep)
{
    for (const LookUp& l : LookUps()) {
        RCPtr<LControl> last;
        RCPtr<LControl> composite = Chain(l.path, l.path.size(), last);
        EXPECT_EQ(l.function(composite), last) << l.name;
        // A second composite with the same inner names is told apart by the composite passed in.
        RCPtr<LControl> otherLast;
        Chain(l.path, l.path.size(), otherLast);
        EXPECT_EQ(l.function(composite), last) << l.name;
        for (size_t step = 0; step < l.path.size(); ++step) {
            RCPtr<LControl> unused;
            EXPECT_FALSE(l.function(Chain(l.path, step, unused))) << l.name << " without step " << step;
        }
        EXPECT_FALSE(l.function(nullptr)) << l.name;
    }
}

TEST_F(ControlUtilitiesTest, ArrayOperationsReachEveryElement)
{
    RCPtr<LControl> parent(new LPanel(nullptr, u"parent"));
    made.push_back(parent);
    RCPtrArray<LNumericUpDown, 1, 0> boxes;
    for (const char16_t* name : {u"a", u"b", u"c"})
        boxes.AddItem(RCPtr<LNumericUpDown>(new LNumericUpDown(parent, name)));
    EXPECT_EQ(SetRangeForAll(boxes, 0.0, 127.0), S_OK);
    boxes.GetAt(1)->SetValueInRange(64.0);
    EXPECT_EQ(boxes.GetAt(1)->NormalizedToValue(boxes.GetAt(1)->GetValue()), 64.0);
    boxes.AddItem(RCPtr<LNumericUpDown>());
    EXPECT_EQ(SetRangeForAll(boxes, 0.0, 10.0), E_FAIL) << "a null element fails the call";
    EXPECT_EQ(boxes.GetAt(2)->NormalizedToValue(1.0), 10.0) << "the others are still set";
    static_cast<void>(boxes.RemoveItems(boxes.GetCount() - 1, 1)); // answers the new count

    struct Owner : LNotificationClient {
        KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender,
                                     const RCPtr<LNotification>& n) override
        {
            KXRESULT r = S_OK;
            return handler->Dispatch(sender, n, r) ? r : 1;
        }
        KXRESULT Heard(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
        {
            ++heard;
            return 1;
        }
        RCPtr<LNotificationHandler<Owner>> handler;
        int heard = 0;
    };
    RCPtr<Owner> owner(new Owner);
    owner->handler = LNotificationHandler<Owner>::Create(owner.Get());
    SetNotificationForAllArrayItems(boxes, owner->handler, u"NID_VALUE_CHANGE", &Owner::Heard);
    for (unsigned i = 0; i < boxes.GetCount(); ++i)
        boxes.GetAt(i)->SetValueInRange(1.0 + i);
    EXPECT_EQ(owner->heard, 3);
    boxes.AddItem(RCPtr<LNumericUpDown>());
    EXPECT_THROW(SetNotificationForAllArrayItems(boxes, owner->handler, u"NID_VALUE_CHANGE", &Owner::Heard),
                 FailedResultException);
    owner->UnregisterForAllNotifications();
    owner->handler = nullptr;
}

} // namespace
} // namespace KX::Test
