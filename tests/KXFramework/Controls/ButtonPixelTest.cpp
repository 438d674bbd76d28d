#include "KXFramework/Controls/Button.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "ControlsFixture.h"
#include "SolidSkin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace KX::Test {
namespace {

// Each of the button's looks its own colour: off normal grey, hover white, pressed blue, focused
// variants the same, disabled red, and every "on" look green.
std::string ColouredLooks()
{
    return SolidParts({{"white", 0xFFFFFFFF},
                       {"blue", 0xFF0000FF},
                       {"red", 0xFFFF0000},
                       {"green", 0xFF00FF00},
                       {"back", 0xFF202020}}) +
           SkinLooks()
               .Row("button", "b",
                    {"grey", "white", "blue", "grey", "white", "blue", "red", "green", "green", "green", "green",
                     "green", "green", "green"})
               .Solid("back")
               .Text();
}

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="200" YSizeAbs="100">
    <Skin Name="m" LookList="back"/>
    <SubControl Class="Framework.Button" Name="check" XPositionAbs="20" YPositionAbs="20" XSizeAbs="60" YSizeAbs="30">
     <CreateParamList><CreateParam ID="AUTO_VALUE_SET">True</CreateParam></CreateParamList>
     <Skin Name="c" LookList="button"/>
    </SubControl>
   </SubControl>)";

class ButtonPixelTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        window.clientArea = {0, 0, 200, 100};
        gdi = LRenderer::Create(LRenderer::kGdi, {0, 0, 200, 100}, nullptr);
        Load(SkinDocument(ColouredLooks(), kControls), StringDocument(""), gdi);
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        gdi->InitRenderContextInfo({0, 0, 200, 100}, nullptr, true, context);
    }
    void TearDown() override
    {
        main = nullptr;
        ControlsFixture::TearDown();
    }

    // 0xRRGGBB at a point, after painting what is dirty.
    uint32_t PixelAfterFrame(int x, int y)
    {
        LRectList dirty;
        root->TakeInvalidRegion(dirty);
        gdi->RenderStart(context);
        root->Paint(dirty);
        gdi->RenderFinish(context);
        Platform::Surface* surface = dynamic_cast<LGDIRenderContextInfo&>(*context).GetSurface()->GetSurface();
        surface->Flush();
        const uint8_t* p = surface->Data() + y * surface->Stride() + x * 4;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }

    RCPtr<LRenderer> gdi;
    RCPtr<LRenderContextInfo> context;
    RCPtr<LControl> main;
};

TEST_F(ButtonPixelTest, EachStateShowsItsLook)
{
    RCPtr<LButton> check(main->FindChild(u"check"));
    ASSERT_TRUE(check);
    root->InvalidateRect({0, 0, 200, 100});
    EXPECT_EQ(PixelAfterFrame(50, 35), 0x808080u) << "normal";
    EXPECT_EQ(PixelAfterFrame(5, 5), 0x202020u) << "background";
    Move(50, 35);
    EXPECT_EQ(PixelAfterFrame(50, 35), 0xFFFFFFu) << "hover";
    Press(50, 35);
    Move(52, 35);
    EXPECT_EQ(PixelAfterFrame(50, 35), 0x0000FFu) << "pressed";
    Release(52, 35);
    EXPECT_EQ(PixelAfterFrame(50, 35), 0x00FF00u) << "on";
    check->SetChecked(false);
    check->SetEnabled(false);
    EXPECT_EQ(PixelAfterFrame(50, 35), 0xFF0000u) << "disabled";
}

} // namespace
} // namespace KX::Test
