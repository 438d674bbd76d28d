#include "KXFramework/ControlBase/Look.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/VisualPart.h"

#include "ControlFixture.h"
#include "DocumentResources.h"
#include "RecordingRenderer.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace KX::Test {
namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_Skin_Definitions>
<Application Name="PresetEditor">
 <Colorizers>
  <Colorizer Name="red" ColorType="SolidFill" Color="0xFFFF0000"/>
  <Colorizer Name="green" ColorType="SolidFill" Color="0xFF00FF00"/>
  <Colorizer Name="clear" ColorType="SolidFill" Color="0x00000000"/>
 </Colorizers>
 <Parts>
  <Part Name="red" Width="10" Height="10" ResizeType="Center" ColorizerName="red"/>
  <Part Name="green" Width="4" Height="6" ResizeType="Stretch" ColorizerName="green"/>
  <Part Name="faded" Width="4" Height="4" ResizeType="Stretch" ColorizerName="green" ColorizerAlphaMod="0"/>
  <Part Name="clear" Width="4" Height="4" ResizeType="Stretch" ColorizerName="clear"/>
 </Parts>
 <Looks>
  <Look Name="docked">
   <ClientPart Name="red" OffsetLeft="8" OffsetTop="8" OffsetRight="-8" OffsetBottom="-8"/>
   <NonClientParts Name="n">
    <NonClientPart Name="green" OffsetLeft="2" OffsetRight="-2" OffsetTop="0"/>
    <NonClientPart Name="green" OffsetRight="0" OffsetBottom="0"/>
    <NonClientPart Name="green" Width="5"/>
    <NonClientPart Name="clear" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0"/>
   </NonClientParts>
  </Look>
  <Look Name="plain"><ClientPart Name="faded" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0"/></Look>
  <Look Name="label">
   <TextProperties TextLeftRel="0" TextLeftAbs="3" TextRightRel="1" TextRightAbs="-3" TextHAlign="0"
                   TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0" TextVAlign="0"
                   TextForegroundPart="red"/>
  </Look>
 </Looks>
 <LookLists>
  <LookList Name="label" NumLooks="1"><Look Name="label" Index="0"/></LookList>
  <LookList Name="gapped" NumLooks="3"><Look Name="plain" Index="0"/><Look Name="docked" Index="2"/></LookList>
 </LookLists>
 <Skins>
  <Skin Name="s">
   <SubControl Class="Test.Probe" Name="expanding" XSizeAbs="10" YSizeAbs="16" TextOverflowXType="Expand">
    <Skin Name="e" LookList="label"/>
   </SubControl>
   <SubControl Class="Test.Probe" Name="capped" XSizeAbs="10" YSizeAbs="16" TextOverflowXType="Expand"
               TextOverflowYType="Expand" XMaxSizeAbs="50">
    <Skin Name="c" LookList="label"/>
   </SubControl>
  </Skin>
 </Skins>
</Application>
</Velmora_Skin_Definitions>
)";

class LookTest : public ControlFixture {
protected:
    void SetUp() override
    {
        documents.Set(u"APP_SKINS", kSkin);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        ControlFixture::SetUp();
    }

    RCPtr<LLook> Look(const char16_t* name, const PointT<int32_t>& size)
    {
        RCPtr<LLook> look = LLook::Create(services.factory->FindLook(name), false);
        look->SetSize(size);
        return look;
    }

    DocumentResources documents;
};

TEST_F(LookTest, PartsDockToTheEdgesTheyName)
{
    RCPtr<LLook> look = Look(u"docked", {25, 40});
    // Stretched between the side offsets at the top, natural height.
    RCPtr<RecordingRenderer> r(new RecordingRenderer);
    EXPECT_EQ(look->GetClientRect(), (RectT<int32_t>{8, 8, 9, 24}));
    EXPECT_EQ(look->GetColorAtPoint({12, 3}), 0xFF00FF00u);  // the top bar (2..23 x 0..6)
    EXPECT_EQ(look->GetColorAtPoint({22, 37}), 0xFF00FF00u); // the corner part at the far edges
    EXPECT_EQ(look->GetColorAtPoint({10, 20}), 0xFF00FF00u); // the centred part, (25 - 5) / 2 = 10
    EXPECT_EQ(look->GetColorAtPoint({14, 20}), 0xFF00FF00u);
    // The client's 10 x 10 centred in its 9 x 24 area: rows 15 to 24 of the control.
    EXPECT_EQ(look->GetColorAtPoint({16, 20}), 0xFFFF0000u);
    EXPECT_EQ(look->GetColorAtPoint({9, 9}), 0x00FFFFFFu);
    EXPECT_EQ(look->GetColorAtPoint({9, 30}), 0x00FFFFFFu);
    EXPECT_EQ(look->GetColorAtPoint({1, 39}), 0x00FFFFFFu);

    // A control smaller than the offsets has an empty client area.
    look->SetSize({10, 5});
    EXPECT_EQ(look->GetClientRect(), (RectT<int32_t>{8, 5, 0, 0}));
}

TEST_F(LookTest, PlainPartsFillTheirAreaByResizeType)
{
    RCPtr<RecordingRenderer> r(new RecordingRenderer);
    RCPtr<LVisualPart> red = LVisualPart::FromDescriptor(services.factory->FindPart(u"red"));
    EXPECT_EQ(red, LVisualPart::FromDescriptor(services.factory->FindPart(u"red")));
    red->Draw(r, {15.0f, 15.0f});
    LVisualPart::FromDescriptor(services.factory->FindPart(u"faded"))->Draw(r, {15.0f, 15.0f});
    LVisualPart::FromDescriptor(services.factory->FindPart(u"green"))->Draw(r, {30.0f, 7.4f});
    ASSERT_EQ(r->calls.size(), 2u);
    EXPECT_EQ(r->calls[0].rect, (RectT<double>{2, 2, 10, 10}));
    EXPECT_EQ(r->calls[1].rect, (RectT<double>{0, 0, 30, 7}));

    RCPtr<LVisualPart> green = LVisualPart::FromDescriptor(services.factory->FindPart(u"green"));
    EXPECT_EQ(green->GetColorAtPoint(PointT<float>{199.0f, 29.0f}, PointT<float>{200.0f, 30.0f}), 0xFF00FF00u);
    EXPECT_EQ(green->GetColorAtPoint(PointT<float>{200.0f, 29.0f}, PointT<float>{200.0f, 30.0f}), 0x00FFFFFFu);
}

TEST_F(LookTest, ACentredPartIsHitExactlyWhereItIsDrawn)
{
    RCPtr<LVisualPart> red = LVisualPart::FromDescriptor(services.factory->FindPart(u"red"));
    // Odd and even free space, and an area smaller than the part.
    for (const float side : {15.0f, 16.0f, 21.0f, 7.0f}) {
        RCPtr<RecordingRenderer> r(new RecordingRenderer);
        red->Draw(r, {side, side});
        ASSERT_EQ(r->calls.size(), 1u);
        const RectT<double> drawn = r->calls[0].rect;
        for (int y = 0; y < int(side); ++y) {
            for (int x = 0; x < int(side); ++x) {
                const bool inside =
                    x >= drawn.x && x < drawn.x + drawn.width && y >= drawn.y && y < drawn.y + drawn.height;
                EXPECT_EQ(red->GetColorAtPoint(PointT<float>{float(x), float(y)}, PointT<float>{side, side}),
                          inside ? 0xFFFF0000u : 0x00FFFFFFu)
                    << side << ": " << x << "," << y;
            }
        }
    }
}

TEST_F(LookTest, AnEmptyLookListSlotKeepsTheLaterLooksInPlace)
{
    RCPtr<LControlDescriptor> descriptor = DescriptorFor(u"gapped", AbsoluteLayout(0, 0, 25, 40));
    RCPtr<LSkinDescriptor> skin(new LSkinDescriptor(u"gapped"));
    skin->lookList = services.factory->FindLookList(u"gapped");
    ASSERT_TRUE(skin->lookList);
    descriptor->SetSkin(skin);
    RCPtr<ProbeControl> c(new ProbeControl(top, u"gapped", &live));
    static_cast<void>(c->ApplyDescriptor(descriptor));
    c->SetCreated();

    ASSERT_EQ(c->GetLookCount(), 3u);
    EXPECT_FALSE(c->GetCurrentLook(1));
    ASSERT_EQ(c->SetLookExclusive(2), S_OK);
    ASSERT_TRUE(c->GetCurrentLook(-1));
    EXPECT_EQ(c->GetCurrentLook(-1)->GetDescriptor(), services.factory->FindLook(u"docked"));
    EXPECT_EQ(c->GetColorAtPoint({12, 3}, -1), 0xFF00FF00u); // the docked look's top bar
}

TEST_F(LookTest, BitmapPartsAnswerByTheirPixels)
{
    // 10 x 2: column 5 opaque blue, everything else transparent.
    auto image = std::make_shared<Platform::Image>();
    image->width = 10;
    image->height = 2;
    image->stride = 40;
    image->pixels.assign(80, 0);
    for (int row = 0; row < 2; ++row) {
        uint8_t* p = image->pixels.data() + row * 40 + 5 * 4;
        p[0] = 0xFF;
        p[3] = 0xFF;
    }
    RCPtr<LBitmap> bitmap = LBitmap::FromImage(image);
    RCPtr<LVisualPart> tiled =
        LVisualPart::Create(u"t", bitmap, LVisualPartDescriptor::kTile, nullptr, {}, 1.0f, nullptr);
    EXPECT_EQ(tiled->GetColorAtPoint(PointT<float>{25.0f, 1.0f}, PointT<float>{40.0f, 4.0f}), 0xFF0000FFu);
    EXPECT_EQ(tiled->GetColorAtPoint(PointT<float>{24.0f, 1.0f}, PointT<float>{40.0f, 4.0f}) >> 24, 0u);

    // Shrunk to 2 pixels wide, each destination pixel covers five source columns.
    RCPtr<LVisualPart> shrunk =
        LVisualPart::Create(u"s", bitmap, LVisualPartDescriptor::kStretch, nullptr, {}, 1.0f, nullptr);
    EXPECT_EQ(shrunk->GetColorAtPoint(PointT<float>{0.0f, 0.0f}, PointT<float>{2.0f, 2.0f}) >> 24, 0u);
    EXPECT_EQ(shrunk->GetColorAtPoint(PointT<float>{1.0f, 0.0f}, PointT<float>{2.0f, 2.0f}), 0xFF0000FFu);

    // An image as text foreground is refused when the label is drawn.
    RCPtr<LLook> look = Look(u"label", {40, 16});
    static_cast<void>(look->SetBitmap(bitmap, LVisualPartDescriptor::kStretch, false));
    EXPECT_EQ(look->SetBitmap(nullptr, 0, false), S_OK);
    EXPECT_EQ(look->SetBitmap(nullptr, 0, false), S_FALSE);
}

TEST_F(LookTest, ALookWithoutTextPropertiesTakesAnyTextAndDrawsNoLabel)
{
    RCPtr<LLook> look = Look(u"plain", {20, 20});
    EXPECT_TRUE(look->SetText(u"anything"));
    EXPECT_TRUE(look->SetText(u"anything"));
    RCPtr<RecordingRenderer> r(new RecordingRenderer);
    LRectList dirty;
    dirty.AddRect({0, 0, 20, 20});
    EXPECT_EQ(look->DrawLabelText(r, dirty, {}), S_FALSE);
    RCPtr<LLook> label = Look(u"label", {40, 16});
    EXPECT_TRUE(label->SetText(u"x"));
    EXPECT_FALSE(label->SetText(u"x"));
}

TEST_F(LookTest, LookWeightsPickTheCurrentLook)
{
    RCPtr<ProbeControl> c = Child(u"c", 0, 0, 20, 20);
    RCPtr<LLook> a = Look(u"plain", {20, 20});
    RCPtr<LLook> b = Look(u"docked", {20, 20});
    c->AddLook(nullptr);
    c->AddLook(a);
    c->AddLook(b);
    static_cast<void>(c->SetLookWeight(2, 0.5f, false));
    EXPECT_EQ(c->GetCurrentLook(-1), b);
    EXPECT_FALSE(c->GetCurrentLook(0));
    EXPECT_EQ(c->GetCurrentLook(7), b);
    EXPECT_EQ(c->GetActiveLookIndex(), 2);

    LRectList dirty;
    root->TakeInvalidRegion(dirty);
    EXPECT_EQ(c->SetLookWeight(1, 1.5f, false), S_OK);
    EXPECT_EQ(c->SetLookWeight(2, 0.5f, false), S_OK);
    root->TakeInvalidRegion(dirty);
    EXPECT_EQ(dirty.Count(), 0);
    EXPECT_EQ(c->SetLookWeight(5, 1.0f, true), E_INVALIDARG);
    EXPECT_EQ(c->SetLookWeight(1, 1.5f, true), S_OK);
    EXPECT_EQ(c->GetLookWeight(2), 0.0f);
    EXPECT_EQ(c->GetActiveLookIndex(), -1);
    EXPECT_EQ(c->GetCurrentLook(-1), a);
    EXPECT_TRUE(c->IsTransparentAt({5, 5}));

    c->SetLookExclusive(2);
    EXPECT_FALSE(c->IsTransparentAt({12, 3}));
    EXPECT_EQ(c->GetColorAtPoint({12, 3}, -1), 0xFF00FF00u);
    EXPECT_EQ(c->SetLookBitmap(nullptr, 0, 2, false), S_FALSE);
}

TEST_F(LookTest, LabelTextSizesTheControlUpToItsMaximum)
{
    RCPtr<LControl> expanding;
    RCPtr<LControl> capped;
    RCPtr<LControlDescriptor> e = services.factory->FindControlDescriptor(u"expanding");
    RCPtr<LControlDescriptor> k = services.factory->FindControlDescriptor(u"capped");
    static_cast<void>(services.registry->RegisterControlCreateFunction(u"Test.Probe", &CreateControlOf<ProbeControl>));
    services.registry->CreateControl(expanding, e, RCPtr<LControl>(top));
    services.registry->CreateControl(capped, k, RCPtr<LControl>(top));

    // 7 pixels a character; the text area is the width less 3 on each side.
    expanding->SetText(u"0123456789");
    EXPECT_EQ(expanding->GetRect().width, 76.0);
    EXPECT_FALSE(expanding->IsTextTruncated());

    capped->SetText(u"0123456789 0123456789");
    // Capped on X, the text wraps and the control grows on Y instead.
    EXPECT_EQ(capped->GetRect().width, 50.0);
    EXPECT_GT(capped->GetRect().height, 16.0);
}

TEST_F(LookTest, FontsAreInheritedAndScaled)
{
    RCPtr<ProbeControl> parent = Child(u"parent", 0, 0, 50, 50);
    ASSERT_TRUE(parent->GetFont());
    EXPECT_EQ(parent->GetFont(), services.defaultFont);
    EXPECT_EQ(parent->SetFont(u"Liberation Sans", 12.0f, -1, false), S_OK);
    EXPECT_EQ(parent->GetFont()->GetStyle(), 0);
    EXPECT_EQ(parent->SetFont(u"Liberation Sans", 12.0f, 0, false), S_FALSE);
    EXPECT_EQ(parent->ApplyFont(nullptr), E_INVALIDARG);
}

} // namespace
} // namespace KX::Test
