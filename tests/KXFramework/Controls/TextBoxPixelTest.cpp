#include "KXFramework/Controls/TextBox.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Renderer/FontText.h"
#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "ControlsFixture.h"
#include "SolidSkin.h"
#include "TestFonts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

// Every look white with black text, but the selection overlays blue with white text; the window
// dark.
std::string Looks()
{
    auto text = [](const char* foreground) {
        return std::string("<TextProperties TextLeftRel=\"0\" TextLeftAbs=\"2\" TextRightRel=\"1\" TextRightAbs=\"-2\" "
                           "TextHAlign=\"0\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" TextBottomAbs=\"0\" "
                           "TextVAlign=\"1\" TextForegroundPart=\"") +
               foreground + "\"/>";
    };
    SkinLooks looks;
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) {
        const bool selection = i >= 10;
        names.push_back("e" + std::to_string(i));
        looks.Look(names.back(), selection ? "blue" : "white", text(selection ? "white" : "black"));
    }
    return SolidParts({{"white", 0xFFFFFFFF}, {"black", 0xFF000000}, {"blue", 0xFF0000FF}, {"back", 0xFF202020}}) +
           looks.List("edit", names).Solid("back").Text();
}

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="200" YSizeAbs="60">
    <Skin Name="m" LookList="back"/>
    <SubControl Class="Framework.TextBox" Name="name" XPositionAbs="20" YPositionAbs="20" XSizeAbs="120" YSizeAbs="20">
     <Skin Name="n" LookList="edit"/>
    </SubControl>
   </SubControl>)";

constexpr int kWidth = 200, kHeight = 60;
constexpr int kBoxLeft = 20, kBoxTop = 20, kBoxWidth = 120, kBoxHeight = 20;

class TextBoxPixelTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        UseTestFonts(); // the text is measured and drawn with the real font system
        window.clientArea = {0, 0, kWidth, kHeight};
        gdi = LRenderer::Create(LRenderer::kGdi, {0, 0, kWidth, kHeight}, nullptr);
        // The text is laid out with the metrics it is drawn with, as in the application.
        RCPtr<LMeasurementRenderer> measure = gdi;
        LFontText::SetMeasurementRendererSource([measure] { return measure; });
        Load(SkinDocument(Looks(), kControls), StringDocument(""), gdi);
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        box = RCPtr<LTextBox>(main->FindChild(u"name"));
        ASSERT_TRUE(box);
        gdi->InitRenderContextInfo({0, 0, kWidth, kHeight}, nullptr, true, context);
    }
    void TearDown() override
    {
        box = nullptr;
        main = nullptr;
        ControlsFixture::TearDown();
    }
    void Frame()
    {
        root->InvalidateRect({0, 0, kWidth, kHeight});
        LRectList dirty;
        root->TakeInvalidRegion(dirty);
        gdi->RenderStart(context);
        root->Paint(dirty);
        gdi->RenderFinish(context);
        Surface().Flush();
    }
    Platform::Surface& Surface() { return *dynamic_cast<LGDIRenderContextInfo&>(*context).GetSurface()->GetSurface(); }
    // 0xRRGGBB of the last frame.
    uint32_t Pixel(int x, int y)
    {
        const uint8_t* p = Surface().Data() + y * Surface().Stride() + x * 4;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    // The box's columns that hold at least one pixel of the selection's blue ('b') or of dark ink
    // ('#'), the blue winning.
    std::string Columns()
    {
        std::string columns(kBoxWidth, '.');
        for (int x = 0; x < kBoxWidth; ++x) {
            for (int y = 0; y < kBoxHeight; ++y) {
                const uint32_t p = Pixel(kBoxLeft + x, kBoxTop + y);
                if (p == 0x0000FFu)
                    columns[size_t(x)] = 'b';
                else if (columns[size_t(x)] == '.' && (p >> 16) < 0x60 && ((p >> 8) & 0xFF) < 0x60 && (p & 0xFF) < 0x60)
                    columns[size_t(x)] = '#';
            }
        }
        return columns;
    }

    RCPtr<LRenderer> gdi;
    RCPtr<LRenderContextInfo> context;
    RCPtr<LControl> main;
    RCPtr<LTextBox> box;
};

TEST_F(TextBoxPixelTest, ALongTextScrolledToItsEndShowsItsTailAndTheSelection)
{
    box->SetAutoScroll(0, true);
    ASSERT_EQ(box->SetFocus(true), S_OK);
    box->SetText(u"The quick brown fox jumps over the lazy dog 0123456789");
    Key(KeyCode::Press(VirtualKey::kEnd));
    for (int i = 0; i < 4; ++i) // Shift+Left: the last four digits selected
        Key(KeyCode::Press(VirtualKey::kLeft, KeyCode::kShiftKey));
    ASSERT_EQ(box->GetSelectionLength(), 4);
    Frame();

    // The selection is one run at the right end of the box, nothing is drawn after the text's end,
    // and the text before it fills the box from its left edge: the looks scroll with the offset.
    std::string columns = Columns();
    const size_t first = columns.find('b');
    ASSERT_NE(first, std::string::npos) << "no selection drawn";
    EXPECT_GT(first, size_t(kBoxWidth / 2)) << columns;
    EXPECT_EQ(columns.find('b', columns.find_first_not_of('b', first)), std::string::npos) << columns;
    EXPECT_GT(columns.rfind('b'), size_t(kBoxWidth * 3 / 4)) << columns;
    EXPECT_LT(columns.rfind('b'), size_t(kBoxWidth - 2)) << columns;
    EXPECT_LT(columns.find('#'), size_t(kBoxWidth / 8)) << columns;
    EXPECT_EQ(columns.find('#', first), std::string::npos) << "no text after its end: " << columns;
    EXPECT_GT(box->GetScrollOffset().x, 0.0);
    EXPECT_EQ(Pixel(kBoxLeft - 1, kBoxTop + 10), 0x202020u) << "nothing drawn left of the box";
    EXPECT_EQ(Pixel(kBoxLeft + kBoxWidth, kBoxTop + 10), 0x202020u) << "nothing drawn right of the box";

    Key(KeyCode::Press(VirtualKey::kHome));
    Frame();
    columns = Columns();
    EXPECT_EQ(box->GetScrollOffset().x, 0.0);
    EXPECT_EQ(columns.find('b'), std::string::npos) << columns;
    EXPECT_LT(columns.find('#'), 6u) << "the first letter at the left edge: " << columns;
}

} // namespace
} // namespace KX::Test
