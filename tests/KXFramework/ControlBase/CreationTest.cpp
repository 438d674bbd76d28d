#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/ControlLinks.h"

#include "DocumentResources.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace KX::Test {
namespace {

const char kStrings[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
<Application Name="PresetEditor">
 <StringTable ID="PresetEditor|mainControl">
  <String ID="LABEL"><Locale LCID="0x0009">Main</Locale></String>
 </StringTable>
 <StringTable ID="Test.Probe|body">
  <String ID="LABEL"><Locale LCID="0x0009">Body text</Locale></String>
  <String ID="TOOLTIP"><Locale LCID="0x0009">The body</Locale></String>
  <String ID="LHK.NID_EDIT_COPY_REQ"><Locale LCID="0x0009">Ctrl+VKEY_C</Locale></String>
 </StringTable>
</Application>
</Velmora_StringTable_Definitions>
)";

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_Skin_Definitions>
<Application Name="PresetEditor">
 <Skins>
  <Skin Name="first">
   <SubControl Class="Test.Probe" Name="mainControl" XSizeAbs="300" YSizeAbs="200">
    <SubControl Class="Test.Probe" Name="header" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="20" YIsDocked="True"/>
    <SubControl Class="Test.Probe" Name="body" YPositionToControl="header" YPositionRel="1"
                XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeToControl="Client" YSizeRel="1" YSizeAbs="0">
     <CreateParamList>
      <CreateParam ID="INITIAL_VALUE">1.5</CreateParam>
      <CreateParam ID="NOT_FOCUSABLE"> TRUE </CreateParam>
      <CreateParam ID="WANTS_TAB">yes</CreateParam>
     </CreateParamList>
     <SubControl Class="Test.Probe" Name="leaf" XSizeAbs="10" YSizeAbs="10"/>
    </SubControl>
    <SubControl Class="Test.Probe" Name="later">
     <CreateParamList><CreateParam ID="DEFER_CREATE">True</CreateParam></CreateParamList>
    </SubControl>
    <SubControl Class="Test.Probe" Name="tabless" TabStop="-1"/>
   </SubControl>
   <SubControl Class="Test.Tip" Name="toolTip" ClipToParent="False" XSizeAbs="80" YSizeAbs="16"/>
   <SubControl Class="Test.Probe" Name="broken">
    <SubControl Class="Test.Probe" Name="fine"/>
    <SubControl Class="Unknown.Class" Name="unknown"/>
   </SubControl>
  </Skin>
  <Skin Name="second">
   <SubControl Class="Test.Probe" Name="mainControl" XSizeAbs="300" YSizeAbs="200">
    <SubControl Class="Test.Probe" Name="body" XSizeAbs="50" YSizeAbs="60" IsVisible="False"/>
    <SubControl Class="Test.Probe" Name="newcomer"/>
   </SubControl>
  </Skin>
 </Skins>
</Application>
</Velmora_Skin_Definitions>
)";

RCPtr<LControl>& CreateProbe(RCPtr<LControl>& out, const RCPtr<LControl>& parent, const RCPtr<LControlDescriptor>& d);

int g_live = 0;

class CountedProbe : public ProbeControl {
public:
    CountedProbe(const RCPtr<LControl>& parent, const String& name) : ProbeControl(parent, name, &g_live) {}
};

RCPtr<LControl>& CreateProbe(RCPtr<LControl>& out, const RCPtr<LControl>& parent, const RCPtr<LControlDescriptor>& d)
{
    return CreateControlOf<CountedProbe>(out, parent, d);
}

class TipProbe : public CountedProbe, public IToolTipLink {
public:
    using CountedProbe::CountedProbe;
    void ShowToolTip() override { shown = true; }
    // As the real tip does: hidden, it takes itself out of its parent.
    void HideToolTip() override
    {
        shown = false;
        if (const RCPtr<LControl>& parent = GetParent())
            static_cast<void>(parent->RemoveChild(RCPtr<LControl>(this)));
    }
    bool shown = false;
};

RCPtr<LControl>& CreateTip(RCPtr<LControl>& out, const RCPtr<LControl>& parent, const RCPtr<LControlDescriptor>& d)
{
    return CreateControlOf<TipProbe>(out, parent, d);
}

RCPtr<LControl>& CreateNothing(RCPtr<LControl>& out, const RCPtr<LControl>&, const RCPtr<LControlDescriptor>&)
{
    return out;
}

class CreationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        documents.Set(u"APP_STRINGS", kStrings);
        documents.Set(u"APP_SKINS", kSkin);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadStringTables(u"::FRAMEWORK_STRINGS", u"::APP_STRINGS", 0x0409), S_OK);
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        static_cast<void>(services.registry->RegisterControlCreateFunction(u"Test.Probe", &CreateProbe));
        static_cast<void>(services.registry->RegisterControlCreateFunction(u"Test.Tip", &CreateTip));
        root = LRootWindow::Create(renderer, &window);
    }

    void TearDown() override
    {
        root->BreakCycles();
        root = nullptr;
        EXPECT_EQ(g_live, 0);
    }

    RCPtr<LControl> CreateMain()
    {
        RCPtr<LControl> main;
        services.registry->CreateControlByName(main, *services.factory, u"mainControl", root);
        if (main)
            static_cast<void>(root->SetContent(main));
        return main;
    }

    DocumentResources documents;
    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<RecordingRenderer> renderer{new RecordingRenderer};
    RCPtr<LRootWindow> root;
};

TEST_F(CreationTest, ASkinBuildsItsTreeInTheFixedOrder)
{
    RCPtr<LControl> main = CreateMain();
    ASSERT_TRUE(main);
    EXPECT_TRUE(main->IsCreated());
    EXPECT_EQ(main->GetText(), String(u"Main"));
    EXPECT_EQ(window.title, String(u"Main"));
    EXPECT_EQ(main->GetRect(), (RectT<double>{0, 0, 400, 300}));

    const RCPtr<LControl>& header = main->FindChild(u"header");
    const RCPtr<LControl>& body = main->FindChild(u"body");
    ASSERT_TRUE(header && body);
    EXPECT_EQ(header->GetRect(), (RectT<double>{0, 0, 400, 20}));
    EXPECT_EQ(body->GetRect(), (RectT<double>{0, 20, 400, 280}));
    EXPECT_TRUE(body->FindChild(u"leaf"));
    EXPECT_FALSE(main->FindChild(u"later"));

    EXPECT_EQ(body->GetValue(), 1.0);
    EXPECT_TRUE(body->IsNotFocusable());
    EXPECT_FALSE(body->WantsTab());
    EXPECT_EQ(body->GetText(), String(u"Body text"));
    EXPECT_EQ(body->GetToolTipText(), String(u"The body"));
    EXPECT_TRUE(body->GetLocalHotKeys().HasNotification(u"NID_EDIT_COPY_REQ"));
    EXPECT_FALSE(header->GetLocalHotKeys().HasNotification(u"NID_EDIT_COPY_REQ"));
    EXPECT_FALSE(header->IsNotFocusable());
    EXPECT_TRUE(main->FindChild(u"tabless")->IsNotFocusable());
    EXPECT_TRUE(header->GetText().IsEmpty());

    // Scrolling the main control leaves the docked header in view.
    main->SetScrollOffset({0, 15});
    EXPECT_EQ(header->GetPositionInRoot(), (PointT<double>{0, 0}));
    EXPECT_EQ(body->GetPositionInRoot(), (PointT<double>{0, 5}));
}

TEST_F(CreationTest, AnUnknownClassFailsClearlyAndLeaksNothing)
{
    RCPtr<LControl> broken;
    try {
        services.registry->CreateControlByName(broken, *services.factory, u"broken", root);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(
            std::string(e.what()),
            "Runtime Error : KX::LControlFactory::GetControlCreateFunction : ControlBase\\ControlFactory : Line 51");
    }
    EXPECT_FALSE(broken);
    EXPECT_EQ(g_live, 0);
}

TEST_F(CreationTest, AToolTipIsMadeFromTheSkinAndHiddenAgain)
{
    RCPtr<LControl> main = CreateMain();
    const RCPtr<LControl>& body = main->FindChild(u"body");
    const RCPtr<LControl>& header = main->FindChild(u"header");

    header->ShowToolTip(true);
    EXPECT_FALSE(header->FindChild(u"toolTip"));

    body->ShowToolTip(true);
    RCPtr<LControl> tip = body->FindChild(u"toolTip");
    auto* probe = dynamic_cast<TipProbe*>(tip.Get());
    ASSERT_NE(probe, nullptr);
    EXPECT_TRUE(probe->shown);
    EXPECT_EQ(tip->GetText(), String(u"The body"));
    EXPECT_EQ(body->GetUnclippedDescendantCount(), 1);

    body->ShowToolTip(false);
    EXPECT_FALSE(probe->shown);

    // Asked for again before the next idle pass: the hidden tip leaves and a new one is shown.
    body->ShowToolTip(true);
    auto* again = dynamic_cast<TipProbe*>(body->FindChild(u"toolTip").Get());
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, probe);
    EXPECT_TRUE(again->shown);
    EXPECT_FALSE(tip->GetParent());
}

TEST_F(CreationTest, OnlyTopLevelNamesAreCreatedByName)
{
    RCPtr<LControl> control;
    services.registry->CreateControlByName(control, *services.factory, u"header", root);
    EXPECT_FALSE(control);
    services.registry->CreateControlByName(control, *services.factory, u"nothing", root);
    EXPECT_FALSE(control);
}

TEST_F(CreationTest, ATopLevelControlIsMadeVisibleWithoutChangingTheSkin)
{
    // A hidden layout in the skin's descriptor, as a template shared by clones would carry.
    const RCPtr<LControlDescriptor>& descriptor = services.factory->FindControlDescriptor(u"mainControl");
    ASSERT_TRUE(descriptor);
    descriptor->GetLayout()->isVisible = false;
    RCPtr<LControl> main = CreateMain();
    ASSERT_TRUE(main);
    EXPECT_TRUE(main->IsVisible(false));
    EXPECT_FALSE(descriptor->GetLayout()->isVisible);
}

TEST_F(CreationTest, OnlyTopLevelControlsAreReappliedByName)
{
    RCPtr<LControl> main = CreateMain();
    EXPECT_EQ(services.registry->ReapplyDescriptor(*services.factory, main), S_OK);
    EXPECT_TRUE(main->FindChild(u"body"));
    EXPECT_EQ(services.registry->ReapplyDescriptor(*services.factory, main->FindChild(u"body")), E_FAIL);
}

TEST_F(CreationTest, TheFirstRegistrationOfANameStays)
{
    static_cast<void>(services.registry->RegisterControlCreateFunction(u"Test.Probe", &CreateNothing));
    EXPECT_TRUE(CreateMain());
}

TEST_F(CreationTest, ReapplyingASkinKeepsOnlyTheChildrenItStillLists)
{
    RCPtr<LControl> main = CreateMain();
    RCPtr<LControl> body = main->FindChild(u"body");
    RCPtr<LControl> header = main->FindChild(u"header");
    const RCPtr<LControlDescriptor>& second =
        services.factory->GetRootDescriptors().GetAt(1)->GetSubDescriptors().GetAt(0);

    EXPECT_EQ(main->ApplyDescriptor(second), S_OK);
    EXPECT_EQ(main->FindChild(u"body"), body);
    EXPECT_FALSE(main->FindChild(u"header"));
    EXPECT_FALSE(header->GetParent());
    EXPECT_FALSE(main->FindChild(u"newcomer"));
    EXPECT_FALSE(main->FindChild(u"tabless"));
    EXPECT_EQ(body->GetRect(), (RectT<double>{0, 0, 50, 60}));
    EXPECT_FALSE(body->IsVisible(false));
    EXPECT_EQ(body->GetText(), String(u"Body text"));
    EXPECT_EQ(main->GetRect(), (RectT<double>{0, 0, 400, 300}));
    EXPECT_TRUE(main->IsVisible(true));
}

} // namespace
} // namespace KX::Test
