#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/PopupMenu.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "ControlsFixture.h"
#include "SolidSkin.h"
#include "TestFonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

// Rows white when not selected and green when selected; lists and menus blue, the combo grey, the
// window dark.
std::string Looks()
{
    return SolidParts({{"white", 0xFFFFFFFF}, {"blue", 0xFF0000FF}, {"green", 0xFF00FF00}, {"back", 0xFF202020}}) +
           SkinLooks()
               .Row("row", "r",
                    {"white", "white", "white", "white", "white", "white", "white", "green", "green", "green", "green",
                     "green", "green", "green"})
               .Look("blue", "blue")
               .Look("back", "back")
               .Look("grey", "grey")
               .List("blue", {"blue", "blue", "blue"})
               .List("back", {"back"})
               .List("grey", std::vector<std::string>(7, "grey"))
               .Text();
}

const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="300" YSizeAbs="200">
    <Skin Name="m" LookList="back"/>
    <SubControl Class="Framework.MainMenu" Name="menuBar" XSizeAbs="300" YSizeAbs="18">
     <SubControl Class="Framework.ComboMenu" Name="templateMenu" XSizeAbs="40" YSizeAbs="18">
      <Skin Name="b" LookList="grey"/>
      <SubControl Class="Framework.PopupMenu" Name="popupMenu" ClipToParent="False" Z_Order="4" YPositionRel="1" XSizeAbs="80" YSizeAbs="28">
       <Skin Name="p" LookList="blue"/>
       <SubControl Class="Framework.MenuItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
        <Skin Name="t" LookList="row"/>
       </SubControl>
      </SubControl>
     </SubControl>
    </SubControl>
    <SubControl Class="Framework.ComboBox" Name="combo" XPositionAbs="20" YPositionAbs="20" XSizeAbs="100" YSizeAbs="20">
     <Skin Name="c" LookList="grey"/>
     <SubControl Class="Framework.ListBox" Name="listBox" ClipToParent="False" Z_Order="4" IsVisible="False"
                 YPositionRel="1" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="80" YMaxSizeAbs="200">
      <Skin Name="l" LookList="blue"/>
      <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
       <Skin Name="t" LookList="row"/>
      </SubControl>
     </SubControl>
    </SubControl>
   </SubControl>
   <SubControl Class="Framework.PopupMenu" Name="contextMenu" ClipToParent="False" Z_Order="4" XSizeAbs="80" YSizeAbs="60">
    <Skin Name="p" LookList="blue"/>
    <SubControl Class="Framework.MenuItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
     <Skin Name="t" LookList="row"/>
    </SubControl>
   </SubControl>)";

const char kStrings[] = R"(
 <StringTable ID="Test.Panel|combo">
  <String ID="ITEM.00"><Locale LCID="0x0009">One</Locale></String>
  <String ID="ITEM.01"><Locale LCID="0x0009">Two</Locale></String>
  <String ID="ITEM.02"><Locale LCID="0x0009">Three</Locale></String>
 </StringTable>
 <StringTable ID="Test.Panel|menuBar">
  <String ID="MENU_LABEL.00"><Locale LCID="0x0009">File</Locale></String>
  <String ID="MENU_LABEL.01"><Locale LCID="0x0009">Help</Locale></String>
  <String ID="CONTEXT_MENU0.00.NID_A"><Locale LCID="0x0009">Open</Locale></String>
  <String ID="CONTEXT_MENU0.01.NID_B"><Locale LCID="0x0009">Exit</Locale></String>
  <String ID="CONTEXT_MENU1.00.NID_C"><Locale LCID="0x0009">About</Locale></String>
  <String ID="CONTEXT_MENU1.01.NID_D"><Locale LCID="0x0009">Manual</Locale></String>
 </StringTable>)";

class DropDownPixelTest : public ControlsFixture {
protected:
    void SetUp() override
    {
        UseTestFonts(); // the rows' texts are measured with the real font system
        window.clientArea = {0, 0, 300, 200};
        gdi = LRenderer::Create(LRenderer::kGdi, {0, 0, 300, 200}, nullptr);
        Load(skin, StringDocument(kStrings), gdi);
        main = CreateMain(u"mainControl");
        ASSERT_TRUE(main);
        gdi->InitRenderContextInfo({0, 0, 300, 200}, nullptr, true, context);
    }
    void TearDown() override
    {
        main = nullptr;
        ControlsFixture::TearDown();
    }
    void Frame()
    {
        LRectList dirty;
        root->TakeInvalidRegion(dirty);
        gdi->RenderStart(context);
        root->Paint(dirty);
        gdi->RenderFinish(context);
    }
    // 0xRRGGBB of the last frame.
    uint32_t Pixel(int x, int y)
    {
        Platform::Surface* surface = dynamic_cast<LGDIRenderContextInfo&>(*context).GetSurface()->GetSurface();
        surface->Flush();
        const uint8_t* p = surface->Data() + y * surface->Stride() + x * 4;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }

    RCPtr<LRenderer> gdi;
    RCPtr<LRenderContextInfo> context;
    RCPtr<LControl> main;
    std::string skin = SkinDocument(Looks(), kControls);
};

TEST_F(DropDownPixelTest, AnOpenComboBoxShowsItsListBelowWithTheChoiceMarked)
{
    RCPtr<LComboBox> combo(main->FindChild(u"combo"));
    ASSERT_TRUE(combo);
    combo->SetSelectedIndex(1);
    root->InvalidateRect({0, 0, 300, 200});
    Frame();
    EXPECT_EQ(Pixel(60, 50), 0x202020u) << "closed: nothing below the combo box";
    ASSERT_EQ(combo->ShowDropDown(true), S_OK);
    Frame();
    EXPECT_EQ(Pixel(60, 30), 0x808080u) << "the combo box";
    EXPECT_EQ(Pixel(60, 40 + 7), 0xFFFFFFu) << "row 0";
    EXPECT_EQ(Pixel(60, 40 + 14 + 7), 0x00FF00u) << "row 1, selected";
    EXPECT_EQ(Pixel(60, 40 + 28 + 7), 0xFFFFFFu) << "row 2";
    EXPECT_EQ(Pixel(60, 40 + 42 + 3), 0x202020u) << "below the three rows";
    EXPECT_EQ(Pixel(150, 50), 0x202020u) << "beside the list";
}

TEST_F(DropDownPixelTest, AnOpenPopupMenuDrawsItsRowsAtThePointer)
{
    Array<Pair<String, String>> entries;
    entries.AddItem(Pair<String, String>(u"00.NID_A", u"A"));
    entries.AddItem(Pair<String, String>(u"01.NID_B", u"B"));
    input.Place(150, 100);
    ASSERT_EQ(main->ShowContextMenu(LMenuDescriptor::CreateFromStringMap(entries, String())), S_OK);
    RCPtr<LPopupMenu> popup(main->FindChild(u"contextMenu"));
    ASSERT_TRUE(popup);
    popup->SelectItems(1, -1, true);
    root->InvalidateRect({0, 0, 300, 200});
    Frame();
    EXPECT_EQ(Pixel(190, 107), 0xFFFFFFu) << "first row";
    EXPECT_EQ(Pixel(190, 121), 0x00FF00u) << "second row, current";
    EXPECT_EQ(Pixel(145, 107), 0x202020u) << "left of the menu";
    EXPECT_EQ(Pixel(235, 107), 0x202020u) << "right of the menu";
    static_cast<void>(popup->Dismiss()); // a popup already closed stays closed
    Idle();
    root->InvalidateRect({0, 0, 300, 200});
    Frame();
    EXPECT_EQ(Pixel(190, 107), 0x202020u) << "closed";
}

TEST_F(DropDownPixelTest, ADragAcrossTheMenuBarShowsTheRowUnderThePointerInTheMenuItReached)
{
    auto pointerAt = [&](int32_t x, int32_t y) { root->DispatchMouseMove({x, y}, 0, 0); };
    // Pressed on "File" (x 0-40), down into its menu, across to "Help" (x 40-80), down to its
    // second row.
    pointerAt(10, 9);
    root->DispatchMouseButton(LRootWindow::kPress, kLeftButton, 0, {10, 9}, 0);
    pointerAt(10, 25);
    root->InvalidateRect({0, 0, 300, 200});
    Frame();
    EXPECT_EQ(Pixel(10, 18 + 7), 0x00FF00u) << "File's first row, under the pointer";
    EXPECT_EQ(Pixel(10, 18 + 14 + 7), 0xFFFFFFu) << "File's second row";
    pointerAt(50, 9);
    pointerAt(50, 18 + 14 + 7);
    Frame();
    EXPECT_EQ(Pixel(10, 18 + 7), 0x202020u) << "File's menu closed";
    EXPECT_EQ(Pixel(60, 18 + 7), 0xFFFFFFu) << "Help's first row";
    EXPECT_EQ(Pixel(60, 18 + 14 + 7), 0x00FF00u) << "Help's second row, under the pointer";
    root->DispatchMouseButton(LRootWindow::kRelease, kLeftButton, 0, {50, 18 + 14 + 7}, 0);
    Frame();
    EXPECT_EQ(Pixel(60, 18 + 14 + 7), 0x808080u) << "the chosen item closed the menu: the combo box below shows";
}

// Menu rows with black text, grey when disabled; each row's "hotKeyLabel" has a black text look of
// its own, right-aligned.
class PopupMenuTextPixelTest : public DropDownPixelTest {
protected:
    PopupMenuTextPixelTest()
    {
        auto text = [](const char* foreground, const char* hAlign) {
            return std::string("<TextProperties TextLeftRel=\"0\" TextLeftAbs=\"4\" TextRightRel=\"1\" "
                               "TextRightAbs=\"-4\" TextHAlign=\"") +
                   hAlign +
                   "\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" TextBottomAbs=\"0\" "
                   "TextVAlign=\"0.5\" TextForegroundPart=\"" +
                   foreground + "\"/>";
        };
        SkinLooks looks;
        std::vector<std::string> rows;
        for (int i = 0; i < 14; ++i) {
            rows.push_back("r" + std::to_string(i));
            looks.Look(rows.back(), "white", text(i == 6 || i == 13 ? "grey" : "black", "0"));
        }
        looks.looks += "  <Look Name=\"key\">" + text("black", "1") + "</Look>\n"; // text only, no client part
        looks.Look("back", "back").List("row", rows).List("key", {"key"}).List("back", {"back", "back", "back"});
        skin = SkinDocument(SolidParts({{"white", 0xFFFFFFFF}, {"back", 0xFF202020}}) + looks.Text(),
                            R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="300" YSizeAbs="200"><Skin Name="m" LookList="back"/></SubControl>
   <SubControl Class="Framework.PopupMenu" Name="contextMenu" ClipToParent="False" Z_Order="4" XSizeAbs="80" YSizeAbs="32">
    <Skin Name="p" LookList="back"/>
    <SubControl Class="Framework.MenuItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="16">
     <Skin Name="t" LookList="row"/>
     <SubControl Class="Framework.Label" Name="hotKeyLabel" XPositionRel="1" XPositionAbs="-64" XSizeAbs="60"
                 YSizeToControl="Parent" YSizeRel="1" YSizeAbs="0"><Skin Name="h" LookList="key"/></SubControl>
    </SubControl>
   </SubControl>)");
    }
    void TearDown() override
    {
        services.hotKeys = nullptr;
        DropDownPixelTest::TearDown();
    }
    // The darkest red-green-blue sum in the rectangle of the last frame.
    int Darkest(int x0, int y0, int width, int height)
    {
        int darkest = 3 * 255;
        for (int y = y0; y < y0 + height; ++y) {
            for (int x = x0; x < x0 + width; ++x) {
                const uint32_t p = Pixel(x, y);
                darkest = std::min(darkest, int(p >> 16 & 0xFF) + int(p >> 8 & 0xFF) + int(p & 0xFF));
            }
        }
        return darkest;
    }
};

TEST_F(PopupMenuTextPixelTest, AHotKeyTextIsDrawnInTheColourOfItsRow)
{
    services.hotKeys = LGlobalHotKeyManager::Create(root->GetPostingReceiver());
    ASSERT_EQ(services.hotKeys->GetKeyBindingMap().Bind(KeyCode(String(u"Ctrl+VKEY_C")), u"NID_EDIT_COPY_REQ"), S_OK);
    ASSERT_EQ(services.hotKeys->GetKeyBindingMap().Bind(KeyCode(String(u"Ctrl+VKEY_V")), u"NID_EDIT_PASTE_REQ"), S_OK);
    RCPtr<LMenuDescriptor> menu(new LMenuDescriptor);
    ASSERT_EQ(menu->InsertItem(0, u"Copy", u"NID_EDIT_COPY_REQ", true, false), S_OK);
    ASSERT_EQ(menu->InsertItem(1, u"Paste", u"NID_EDIT_PASTE_REQ", false, false), S_OK);
    input.Place(20, 20);
    ASSERT_EQ(main->ShowContextMenu(menu), S_OK);
    RCPtr<LPopupMenu> popup(main->FindChild(u"contextMenu"));
    ASSERT_TRUE(popup);
    root->InvalidateRect({0, 0, 300, 200});
    Frame();
    const int keyX = int(popup->GetRect().x + popup->GetRect().width) - 64;
    const struct {
        const char* row;
        int top;
        int darkestAtLeast, darkestBelow;
    } rows[] = {{"enabled: black", 20, 0, 3 * 0x30}, {"disabled: grey", 36, 3 * 0x70, 3 * 0xF0}};
    for (const auto& row : rows) {
        const int label = Darkest(24, row.top, keyX - 24, 16);
        const int key = Darkest(keyX, row.top, 60, 16);
        EXPECT_GE(label, row.darkestAtLeast) << row.row << ", label";
        EXPECT_LT(label, row.darkestBelow) << row.row << ", label";
        EXPECT_GE(key, row.darkestAtLeast) << row.row << ", hot key";
        EXPECT_LT(key, row.darkestBelow) << row.row << ", hot key";
    }
}

} // namespace
} // namespace KX::Test
