#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "DocumentResources.h"
#include "SolidSkin.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace KX::Test {
namespace {

// Four white strips of 10 around the client part.
const char kBorder[] = R"(
   <NonClientParts Name="n">
    <NonClientPart Name="white" OffsetLeft="0" OffsetTop="0" OffsetRight="0" Height="10"/>
    <NonClientPart Name="white" OffsetLeft="0" OffsetBottom="0" OffsetRight="0" Height="10"/>
    <NonClientPart Name="white" OffsetLeft="0" OffsetTop="0" OffsetBottom="0" Width="10"/>
    <NonClientPart Name="white" OffsetRight="0" OffsetTop="0" OffsetBottom="0" Width="10"/>
   </NonClientParts>)";

const char kControls[] = R"(
   <SubControl Class="Test.Plain" Name="mainControl" XSizeAbs="300" YSizeAbs="200">
    <Skin Name="m" LookList="grey"/>
    <SubControl Class="Test.Plain" Name="panel" XPositionAbs="10" YPositionAbs="10" XSizeAbs="200" YSizeAbs="100">
     <Skin Name="p" LookList="framed"/>
     <SubControl Class="Test.Plain" Name="cut" XPositionAbs="150" XSizeAbs="100" YSizeAbs="40">
      <Skin Name="c" LookList="red"/>
     </SubControl>
     <SubControl Class="Test.Plain" Name="pinned" XIsDocked="True" YIsDocked="True" YPositionAbs="60"
                 XSizeAbs="20" YSizeAbs="40">
      <Skin Name="d" LookList="red"/>
     </SubControl>
     <SubControl Class="Test.Plain" Name="popup" ClipToParent="False" XPositionAbs="170" YPositionAbs="50"
                 XSizeAbs="60" YSizeAbs="60">
      <Skin Name="u" LookList="green"/>
     </SubControl>
    </SubControl>
   </SubControl>)";

// A grey main control; a panel with a white border of 10 around its blue client part; in it a red
// child that reaches past the client part, a red child docked on both axes that does too, and a
// green pop-up that does not clip to the panel.
const std::string kSkin = SkinFile(SolidParts({{"grey", 0xFF808080},
                                               {"white", 0xFFFFFFFF},
                                               {"blue", 0xFF0000FF},
                                               {"red", 0xFFFF0000},
                                               {"green", 0xFF00FF00}}) +
                                       SkinLooks()
                                           .Solid("grey")
                                           .Look("framed", "blue", kBorder, 10)
                                           .List("framed", {"framed"})
                                           .Solid("red")
                                           .Solid("green")
                                           .Text(),
                                   R"(Name="s")", kControls);

class PaintPixelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        documents.Set(u"APP_SKINS", kSkin);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        static_cast<void>(services.registry->RegisterControlCreateFunction(u"Test.Plain", &CreateControlOf<LControl>));
        window.clientArea = {0, 0, 300, 200};
        renderer = LRenderer::Create(LRenderer::kGdi, {0, 0, 300, 200}, nullptr);
        root = LRootWindow::Create(renderer, &window);
        services.registry->CreateControlByName(main, *services.factory, u"mainControl", root);
        ASSERT_TRUE(main);
        static_cast<void>(root->SetContent(main));
        renderer->InitRenderContextInfo({0, 0, 300, 200}, nullptr, true, context);
    }

    void TearDown() override
    {
        main = nullptr;
        root->BreakCycles();
    }

    void Frame()
    {
        LRectList dirty;
        root->TakeInvalidRegion(dirty);
        renderer->RenderStart(context);
        root->Paint(dirty);
        renderer->RenderFinish(context);
    }

    // 0xRRGGBB of an opaque pixel of the frame.
    uint32_t Pixel(int x, int y)
    {
        Platform::Surface* surface = dynamic_cast<LGDIRenderContextInfo&>(*context).GetSurface()->GetSurface();
        surface->Flush();
        const uint8_t* p = surface->Data() + y * surface->Stride() + x * 4;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }

    DocumentResources documents;
    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<LRenderer> renderer;
    RCPtr<LRenderContextInfo> context;
    RCPtr<LRootWindow> root;
    RCPtr<LControl> main;
};

TEST_F(PaintPixelTest, ChildrenAreCutAtTheClientPartUnlessDockedOrUnclipped)
{
    root->InvalidateRect({0, 0, 300, 200});
    Frame();
    struct Probe {
        int x, y;
        uint32_t rgb;
        const char* what;
    };
    const Probe probes[] = {
        {5, 5, 0x808080, "main"},
        {15, 15, 0xFFFFFF, "panel border"},
        {30, 30, 0x0000FF, "panel client"},
        {175, 25, 0xFF0000, "clipped child inside the client part"},
        {205, 25, 0xFFFFFF, "clipped child cut at the client part"},
        {230, 25, 0x808080, "clipped child cut at the panel"},
        {25, 105, 0xFF0000, "child docked on both axes past the client part"},
        {25, 115, 0x808080, "docked child still inside the panel's own clip"},
        {225, 105, 0x00FF00, "unclipped pop-up outside the panel"},
        {195, 75, 0x00FF00, "unclipped pop-up over the clipped child's area"},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(Pixel(p.x, p.y), p.rgb) << p.what;
}

TEST_F(PaintPixelTest, OnlyTheDirtyRegionIsRepainted)
{
    root->InvalidateRect({0, 0, 300, 200});
    Frame();
    RCPtr<LControl> panel = main->FindChild(u"panel");
    panel->SetVisible(false);
    Frame();
    EXPECT_EQ(Pixel(30, 30), 0x808080u);
    // The pop-up lay outside the panel, and was repainted as part of what the panel uncovered.
    EXPECT_EQ(Pixel(225, 105), 0x808080u);
}

} // namespace
} // namespace KX::Test
