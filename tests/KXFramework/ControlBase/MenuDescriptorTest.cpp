#include "KXFramework/ControlBase/MenuDescriptor.h"

#include "CountedObject.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace KX::Test {
namespace {

std::u16string Text(const String& s)
{
    return std::u16string(s.GetString(), s.GetLength());
}

Array<Pair<String, String>> Entries(std::vector<std::pair<const char16_t*, const char16_t*>> pairs)
{
    Array<Pair<String, String>> entries;
    for (const auto& [key, text] : pairs)
        entries.AddItem({String(key), String(text)});
    return entries;
}

// One line per item: label, "|" status, "->" notification, "[-]" for a separator, submenus indented.
std::u16string Describe(const LMenuDescriptor& menu, const std::u16string& indent = u"")
{
    std::u16string out;
    for (unsigned i = 0; i < menu.GetItems().GetCount(); ++i) {
        const LMenuItemDescriptor& item = *menu.GetItems().GetAt(i);
        if (item.separator) {
            out += indent + u"[-]\n";
            continue;
        }
        out += indent + Text(item.label) + u"|" + Text(item.statusText) + u"->" + Text(item.notification) + u"\n";
        out += Describe(item, indent + u"  ");
    }
    return out;
}

struct StringMapCase {
    const char* name;
    std::vector<std::pair<const char16_t*, const char16_t*>> entries;
    const char16_t* expected; // null: no menu
};

void PrintTo(const StringMapCase& c, std::ostream* os)
{
    *os << c.name;
}

class MenuFromStringMap : public ::testing::TestWithParam<StringMapCase> {};

TEST_P(MenuFromStringMap, BuildsTheMenuOfThePrefixedKeys)
{
    const RCPtr<LMenuDescriptor> menu =
        LMenuDescriptor::CreateFromStringMap(Entries(GetParam().entries), String(u"CONTEXT_MENU0."));
    if (GetParam().expected == nullptr) {
        EXPECT_FALSE(menu);
        return;
    }
    ASSERT_TRUE(menu);
    EXPECT_EQ(Describe(*menu), GetParam().expected);
    for (unsigned i = 0; i < menu->GetItems().GetCount(); ++i)
        EXPECT_EQ(menu->GetItems().GetAt(i)->GetParent(), menu.Get());
}

INSTANTIATE_TEST_SUITE_P(
    MenuDescriptor, MenuFromStringMap,
    ::testing::Values(
        StringMapCase{"OutOfOrderKeysAndSeparators",
                      {{u"CONTEXT_MENU0.02.NID_MENU_HELP_ABOUT_REQ", u"About"},
                       {u"CONTEXT_MENU0.00.NID_MENU_FILE_SEND_PRESET_TO_DEVICE",
                        u"Send Preset| Send this preset to the controller."},
                       {u"CONTEXT_MENU0.01.-", u"-"},
                       {u"CONTEXT_MENU1.00.NID_OTHER_MENU", u"Other"},
                       {u"MENU_LABEL.00", u"File"}},
                      u"Send Preset| Send this preset to the controller.->NID_MENU_FILE_SEND_PRESET_TO_DEVICE\n"
                      u"[-]\n"
                      u"About|->NID_MENU_HELP_ABOUT_REQ\n"},
        StringMapCase{"AGapDropsTheEntriesAfterIt",
                      {{u"CONTEXT_MENU0.00.NID_A", u"A|x|y"},
                       {u"CONTEXT_MENU0.01.NID_B", u"B"},
                       {u"CONTEXT_MENU0.03.NID_D", u"D"},
                       {u"CONTEXT_MENU0.00.NID_DUPLICATE", u"Again"},
                       {u"CONTEXT_MENU0.NODOT", u"skipped"},
                       {u"CONTEXT_MENU0.", u"skipped"}},
                      u"A|x|y->NID_A\nB|->NID_B\n"},
        StringMapCase{"SubmenuGroups",
                      {{u"CONTEXT_MENU0.00.RECENT.", u"Recent|Files used lately"},
                       {u"CONTEXT_MENU0.01.NID_EXIT", u"Exit"},
                       {u"CONTEXT_MENU0.RECENT.01.NID_OPEN_2", u"Second"},
                       {u"CONTEXT_MENU0.RECENT.00.MORE.", u"More"},
                       {u"CONTEXT_MENU0.MORE.00.NID_OPEN_3", u"Third"},
                       {u"CONTEXT_MENU0.02.LOOP.", u"Loop"},
                       {u"CONTEXT_MENU0.LOOP.00.LOOP.", u"Again"}},
                      u"Recent|Files used lately->\n  More|->\n    Third|->NID_OPEN_3\n  Second|->NID_OPEN_2\n"
                      u"Exit|->NID_EXIT\nLoop|->\n  Again|->\n"},
        StringMapCase{"NothingToBuild", {{u"CONTEXT_MENU0.01.NID_B", u"B"}, {u"OTHER.00.NID_A", u"A"}}, nullptr}),
    [](const ::testing::TestParamInfo<StringMapCase>& info) { return info.param.name; });

TEST(MenuDescriptor, ItemStatesAndInsertionFollowTheArrayRules)
{
    RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
    EXPECT_EQ(menu->InsertItem(0, String(u"Cut"), String(u"NID_EDIT_CUT_REQ"), true, false), S_OK);
    EXPECT_EQ(menu->InsertItem(0, String(u"Undo"), String(u"NID_UNDO"), false, true), S_OK);
    EXPECT_EQ(menu->InsertSeparator(1), S_OK);
    EXPECT_LT(menu->InsertItem(5, String(u"Far"), String(u"NID_FAR"), true, false), 0);
    EXPECT_EQ(menu->InsertItem(0, RCPtr<LMenuItemDescriptor>()), E_INVALIDARG);
    ASSERT_EQ(menu->GetItems().GetCount(), 3u);
    EXPECT_EQ(Text(menu->GetItems().GetAt(0)->ToString()), u"Undo");

    MenuItemState state;
    ASSERT_EQ(menu->GetItemState(0, state), S_OK);
    EXPECT_EQ(state.enabled, 0);
    EXPECT_EQ(state.checked, 1);
    EXPECT_EQ(Text(state.label), u"Undo");
    const LMenuItemDescriptor& separator = *menu->GetItems().GetAt(1);
    EXPECT_EQ(separator.separator, 1);
    EXPECT_EQ(separator.enabled, 1);
    EXPECT_TRUE(separator.label.IsEmpty());

    state = {1, 1, String(u"stale")};
    EXPECT_EQ(menu->GetItemState(3, state), E_INVALIDARG);
    EXPECT_EQ(state.enabled, 0);
    EXPECT_EQ(state.checked, 0);
    EXPECT_TRUE(state.label.IsEmpty());
}

TEST(MenuDescriptor, ACopyIsIndependentAndItsItemsPointToTheCopy)
{
    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringMap(
        Entries({{u"00.SUB.", u"Sub"}, {u"01.NID_B", u"B|status"}, {u"SUB.00.NID_C", u"C"}}), String());
    ASSERT_TRUE(menu);
    menu->GetItems().GetAt(1)->hotKeyText = String(u"Ctrl+B");
    const RCPtr<LMenuDescriptor> copy(menu->CreateCopy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(Describe(*copy), Describe(*menu));
    EXPECT_EQ(copy->GetParent(), nullptr);
    EXPECT_TRUE(copy->GetItems().GetAt(1)->hotKeyText == u"Ctrl+B");
    EXPECT_EQ(copy->GetItems().GetAt(0)->GetParent(), copy.Get());
    const LMenuItemDescriptor& submenu = *copy->GetItems().GetAt(0);
    EXPECT_EQ(submenu.GetItems().GetAt(0)->GetParent(), &submenu);
    EXPECT_NE(copy->GetItems().GetAt(0), menu->GetItems().GetAt(0));

    ASSERT_GE(copy->InsertItem(2, String(u"Extra"), String(u"NID_EXTRA"), true, false), 0);
    EXPECT_EQ(menu->GetItems().GetCount(), 2u);
}

TEST(MenuDescriptor, ParentAndItemsAreFreedWithTheLastOutsideReference)
{
    std::vector<int> destroyed;
    {
        RCPtr<LMenuDescriptor> menu =
            LMenuDescriptor::CreateFromStringMap(Entries({{u"00.SUB.", u"Sub"}, {u"SUB.00.NID_C", u"C"}}), String());
        ASSERT_TRUE(menu);
        menu->SetTag(RCPtr<LRefCountedObject>(new KX::Test::Counted(1, &destroyed)));
        menu->GetItems().GetAt(0)->SetTag(RCPtr<LRefCountedObject>(new KX::Test::Counted(2, &destroyed)));
        menu->GetItems().GetAt(0)->GetItems().GetAt(0)->SetTag(
            RCPtr<LRefCountedObject>(new KX::Test::Counted(3, &destroyed)));
    }
    EXPECT_EQ(destroyed.size(), 3u);

    // An item held from outside outlives its menu and loses its parent link.
    RCPtr<LMenuItemDescriptor> kept;
    {
        RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
        ASSERT_GE(menu->InsertItem(0, String(u"A"), String(u"NID_A"), true, false), 0);
        kept = menu->GetItems().GetAt(0);
    }
    EXPECT_EQ(kept->GetParent(), nullptr);
    EXPECT_EQ(kept->GetRefCount(), 1);
}

TEST(MenuDescriptor, ActivationParametersComeFromAPool)
{
    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
    const void* first = nullptr;
    {
        RCPtr<LMenuActivationParam> param(new LMenuActivationParam(menu, 2));
        EXPECT_EQ(param->menu, menu);
        EXPECT_EQ(param->index, 2);
        first = param.Get();
    }
    RCPtr<LMenuActivationParam> again(new LMenuActivationParam(menu, -1));
    EXPECT_EQ(static_cast<const void*>(again.Get()), first);
}

} // namespace
} // namespace KX::Test
