#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"

#include "DocumentResources.h"
#include "RecordingRenderer.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

// A main control with a framed panel holding children of every docking kind and two unclipped
// pop-ups, and a caption with label text.
const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_Skin_Definitions>
<Application Name="PresetEditor">
 <Colorizers>
  <Colorizer Name="grey" ColorType="SolidFill" Color="0xFF808080"/>
  <Colorizer Name="white" ColorType="SolidFill" Color="0xFFFFFFFF"/>
  <Colorizer Name="blue" ColorType="SolidFill" Color="0xFF0000FF"/>
 </Colorizers>
 <Parts>
  <Part Name="grey" Width="1" Height="1" ResizeType="Stretch" ColorizerName="grey"/>
  <Part Name="white" Width="1" Height="1" ResizeType="Stretch" ColorizerName="white"/>
  <Part Name="bar" Width="3" Height="3" ResizeType="Stretch" ColorizerName="blue"/>
 </Parts>
 <Looks>
  <Look Name="framed">
   <ClientPart Name="grey" OffsetLeft="5" OffsetTop="5" OffsetRight="-5" OffsetBottom="-5"/>
   <NonClientParts Name="n"><NonClientPart Name="bar" OffsetLeft="0" OffsetTop="0" OffsetBottom="0"/></NonClientParts>
  </Look>
  <Look Name="label">
   <TextProperties TextLeftRel="0" TextLeftAbs="2" TextRightRel="1" TextRightAbs="-2" TextHAlign="0"
                   TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0" TextVAlign="0"
                   TextForegroundPart="white"/>
  </Look>
 </Looks>
 <LookLists>
  <LookList Name="framed" NumLooks="2"><Look Name="framed" Index="0"/><Look Name="framed" Index="1"/></LookList>
  <LookList Name="label" NumLooks="2"><Look Name="label" Index="0"/><Look Name="label" Index="1"/></LookList>
 </LookLists>
 <Skins>
  <Skin Name="s">
   <SubControl Class="Test.Paint" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <Skin Name="m" LookList="framed"/>
    <SubControl Class="Test.Paint" Name="panel" XPositionAbs="10" YPositionAbs="10" XSizeAbs="200" YSizeAbs="100">
     <Skin Name="p" LookList="framed"/>
     <SubControl Class="Test.Paint" Name="both" XIsDocked="True" YIsDocked="True" XSizeAbs="20" YSizeAbs="20"/>
     <SubControl Class="Test.Paint" Name="dockedX" XIsDocked="True" XSizeAbs="20" YSizeAbs="20"/>
     <SubControl Class="Test.Paint" Name="high" ClipToParent="False" Z_Order="2" XPositionAbs="150"
                 YPositionAbs="80" XSizeAbs="100" YSizeAbs="50"/>
     <SubControl Class="Test.Paint" Name="plainA" Z_Order="1" XSizeAbs="20" YSizeAbs="20"/>
     <SubControl Class="Test.Paint" Name="low" ClipToParent="False" Z_Order="1" XPositionAbs="160"
                 YPositionAbs="90" XSizeAbs="40" YSizeAbs="40"/>
     <SubControl Class="Test.Paint" Name="plainB" XPositionAbs="30" XSizeAbs="20" YSizeAbs="20"/>
    </SubControl>
    <SubControl Class="Test.Paint" Name="caption" XPositionAbs="10" YPositionAbs="200" XSizeAbs="100" YSizeAbs="20">
     <Skin Name="c" LookList="label"/>
    </SubControl>
   </SubControl>
  </Skin>
 </Skins>
</Application>
</Velmora_Skin_Definitions>
)";

class PaintProbe : public LControl {
public:
    using LControl::LControl;
    KXRESULT DrawContent(const RCPtr<LRenderer>& renderer) override { return Mark(renderer, "content:"); }
    KXRESULT DrawOverlay(const RCPtr<LRenderer>& renderer) override { return Mark(renderer, "overlay:"); }

private:
    KXRESULT Mark(const RCPtr<LRenderer>& renderer, const std::string& what)
    {
        auto* recorder = dynamic_cast<RecordingRenderer*>(renderer.Get());
        if (!recorder)
            return S_OK;
        RecordedCall call;
        call.name = what + GetName().ToNarrow().GetData();
        if (LRenderContextInfo* context = renderer->GetCurrentContext()) {
            call.origin = context->GetState().offset;
            call.clip = context->GetState().clip;
            call.opacity = context->GetState().opacity;
        }
        recorder->calls.push_back(call);
        return S_OK;
    }
};

RCPtr<LControl>& CreatePaintProbe(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                  const RCPtr<LControlDescriptor>& d)
{
    return CreateControlOf<PaintProbe>(out, parent, d);
}

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        documents.Set(u"APP_SKINS", kSkin);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        static_cast<void>(services.registry->RegisterControlCreateFunction(u"Test.Paint", &CreatePaintProbe));
        root = LRootWindow::Create(renderer, &window);
        services.registry->CreateControlByName(main, *services.factory, u"mainControl", root);
        ASSERT_TRUE(main);
        static_cast<void>(root->SetContent(main));
        panel = main->FindChild(u"panel");
        renderer->InitRenderContextInfo({0, 0, 400, 300}, nullptr, false, context);
    }

    void TearDown() override
    {
        main = panel = nullptr;
        root->BreakCycles();
        root = nullptr;
    }

    // One frame over the root's dirty region, as the window's paint handler runs it; a whole
    // frame first marks the whole window.
    void Frame(bool whole = false)
    {
        if (whole)
            root->InvalidateRect({0, 0, 400, 300});
        LRectList dirty;
        root->TakeInvalidRegion(dirty);
        renderer->calls.clear();
        renderer->RenderStart(context);
        root->Paint(dirty);
        EXPECT_TRUE(context->GetStateStack().empty());
        renderer->RenderFinish(context);
    }

    std::vector<std::string> Marks() const
    {
        std::vector<std::string> marks;
        for (const RecordedCall& call : renderer->calls)
            if (call.name.find(':') != std::string::npos)
                marks.push_back(call.name);
        return marks;
    }

    DocumentResources documents;
    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<RecordingRenderer> renderer{new RecordingRenderer};
    RCPtr<LRenderContextInfo> context;
    RCPtr<LRootWindow> root;
    RCPtr<LControl> main;
    RCPtr<LControl> panel;
};

TEST_F(PaintTest, TheWalkDrawsLooksContentChildrenOverlayThenUnclippedByZOrder)
{
    main->FindChild(u"caption")->SetText(u"Hi");
    Frame(true);
    EXPECT_EQ(Marks(), (std::vector<std::string>{
                           "content:mainControl", "content:panel", "content:plainB", "overlay:plainB", "content:plainA",
                           "overlay:plainA", "content:dockedX", "overlay:dockedX", "content:both", "overlay:both",
                           "overlay:panel", "content:caption", "overlay:caption", "overlay:mainControl", "content:low",
                           "overlay:low", "content:high", "overlay:high"}));

    // Each control's client part (grey, inset by 5), then its left bar; the panel sits in the main
    // control's client part.
    const std::vector<RecordedCall> fills = renderer->Named("FillRect");
    ASSERT_GE(fills.size(), 4u);
    EXPECT_EQ(fills[0].rect, (RectT<double>{0, 0, 390, 290}));
    EXPECT_EQ(fills[0].origin, (PointT<double>{5, 5}));
    EXPECT_EQ(fills[1].rect, (RectT<double>{0, 0, 3, 300}));
    EXPECT_EQ(fills[1].origin, (PointT<double>{0, 0}));
    EXPECT_EQ(fills[2].rect, (RectT<double>{0, 0, 190, 90}));
    EXPECT_EQ(fills[2].origin, (PointT<double>{20, 20}));
    EXPECT_EQ(fills[2].argb, 0xFF808080u);
    EXPECT_EQ(fills[3].rect, (RectT<double>{0, 0, 3, 100}));
    EXPECT_EQ(fills[3].origin, (PointT<double>{15, 15}));
    EXPECT_EQ(fills[3].argb, 0xFF0000FFu);

    // The caption's text, inset by 2, in white.
    const std::vector<RecordedCall> texts = renderer->Named("DrawText");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, u"Hi");
    EXPECT_EQ(texts[0].origin, (PointT<double>{17, 205}));
    EXPECT_EQ(texts[0].argb, 0xFFFFFFFFu);
}

TEST_F(PaintTest, ClippedChildrenAreCutAtTheClientPartAndUnclippedOnesAreNot)
{
    Frame(true);
    auto mark = [&](const std::string& name) {
        for (const RecordedCall& call : renderer->calls)
            if (call.name == name)
                return call;
        ADD_FAILURE() << name;
        return RecordedCall{};
    };
    // plainB in the panel's client part, which starts at (20, 20) in the window.
    const RecordedCall plain = mark("content:plainB");
    EXPECT_EQ(plain.origin, (PointT<double>{50, 20}));
    EXPECT_EQ(plain.clip, (RectT<double>{0, 0, 20, 20}));
    // "high" reaches past the panel (to 270, 150) and is drawn whole.
    const RecordedCall high = mark("content:high");
    EXPECT_EQ(high.origin, (PointT<double>{170, 100}));
    EXPECT_EQ(high.clip, (RectT<double>{0, 0, 100, 50}));
}

TEST_F(PaintTest, ALookChangeRepaintsOnlyThatControl)
{
    Frame(true);
    // A control without looks has no look to change, and marks nothing.
    panel->FindChild(u"plainB")->SetLookExclusive(1);
    LRectList dirty;
    root->TakeInvalidRegion(dirty);
    EXPECT_EQ(dirty.Count(), 0);

    panel->SetLookExclusive(1);
    RectEdges bounds;
    root->TakeInvalidRegion(dirty);
    ASSERT_TRUE(dirty.GetBounds(bounds));
    EXPECT_EQ(bounds, (RectEdges{15, 15, 215, 115}));
    panel->SetLookExclusive(0);
    Frame();
    const std::vector<std::string> marks = Marks();
    EXPECT_EQ(marks.front(), "content:mainControl");
    EXPECT_EQ(std::count(marks.begin(), marks.end(), "content:mainControl"), 1);
    EXPECT_NE(std::find(marks.begin(), marks.end(), "content:panel"), marks.end());
    EXPECT_EQ(std::find(marks.begin(), marks.end(), "content:caption"), marks.end());
}

TEST_F(PaintTest, WeightedLooksDrawTextAndChildrenOncePerLook)
{
    static_cast<void>(panel->SetLookWeight(0, 0.5f, false));
    static_cast<void>(panel->SetLookWeight(1, 0.5f, false));
    Frame(true);
    std::vector<float> plainOpacity;
    for (const RecordedCall& call : renderer->calls)
        if (call.name == "content:plainA")
            plainOpacity.push_back(call.opacity);
    EXPECT_EQ(plainOpacity, (std::vector<float>{0.5f, 0.5f}));
}

TEST_F(PaintTest, PaintRefusesTheWrongPassAndSkipsHiddenControls)
{
    RCPtrArray<LControl, 1, 0> deferred;
    renderer->RenderStart(context);
    EXPECT_EQ(panel->Paint(renderer, LRectList(), deferred, true), E_INVALIDARG);
    EXPECT_EQ(panel->FindChild(u"high")->Paint(renderer, LRectList(), deferred, false), E_INVALIDARG);
    renderer->RenderFinish(context);

    panel->SetVisible(false);
    Frame(true);
    const std::vector<std::string> marks = Marks();
    EXPECT_EQ(std::find(marks.begin(), marks.end(), "content:panel"), marks.end());
    EXPECT_EQ(std::find(marks.begin(), marks.end(), "content:high"), marks.end());
}

TEST_F(PaintTest, AParentClippedAwayStillHandsOnItsUnclippedDescendants)
{
    Frame(true);
    // Only the part of "high" outside the panel is dirty.
    root->InvalidateRect({220, 120, 30, 20});
    Frame();
    const std::vector<std::string> marks = Marks();
    EXPECT_EQ(std::find(marks.begin(), marks.end(), "content:plainA"), marks.end());
    EXPECT_NE(std::find(marks.begin(), marks.end(), "content:high"), marks.end());
}

} // namespace
} // namespace KX::Test
