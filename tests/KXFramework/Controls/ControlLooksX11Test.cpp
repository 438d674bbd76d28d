#include "KXFramework/Application/FrameworkClassNames.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/PopupMenu.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include "ControlsFixture.h"
#include "DocumentResources.h"
#include "EnvironmentGuard.h"
#include "SdlEvents.h"
#include "SolidSkin.h"
#include "TestFonts.h"
#include "UiDoubles.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

// The parts of a 14-look list: normal grey, hover white, pressed blue, disabled red, and the "on"
// (checked, selected) looks green, the selected pressed one `pressedOn`.
std::vector<std::string> ColouredParts(const char* pressedOn)
{
    return {"grey",  "white", "blue",    "grey",  "white", "blue",  "red",
            "green", "green", pressedOn, "green", "green", "green", "green"};
}

std::string Looks()
{
    return SolidParts({{"white", 0xFFFFFFFF},
                       {"blue", 0xFF0000FF},
                       {"red", 0xFFFF0000},
                       {"green", 0xFF00FF00},
                       {"cyan", 0xFF00FFFF},
                       {"back", 0xFF202020}}) +
           SkinLooks()
               .Row("button", "button", ColouredParts("green"))
               .Row("row", "row", ColouredParts("cyan"))
               .Solid("back")
               .Text();
}

// A button, a check box, a list of four 14-pixel rows with its vertical scroll bar, a combo box
// whose list of 14-pixel rows opens below it, and a context menu of 14-pixel rows.
const char kControls[] = R"(
   <SubControl Class="Test.Panel" Name="mainControl" XSizeAbs="300" YSizeAbs="200">
    <Skin Name="m" LookList="back"/>
    <SubControl Class="Framework.Button" Name="button" XPositionAbs="10" YPositionAbs="10" XSizeAbs="60" YSizeAbs="30">
     <Skin Name="b" LookList="button"/>
    </SubControl>
    <SubControl Class="Framework.Button" Name="check" XPositionAbs="80" YPositionAbs="10" XSizeAbs="60" YSizeAbs="30">
     <CreateParamList><CreateParam ID="AUTO_VALUE_SET">True</CreateParam></CreateParamList>
     <Skin Name="c" LookList="button"/>
    </SubControl>
    <SubControl Class="Framework.ListBox" Name="list" XPositionAbs="10" YPositionAbs="60" XSizeAbs="120" YSizeAbs="56">
     <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="-16" YSizeAbs="14">
      <Skin Name="t" LookList="row"/>
     </SubControl>
     <SubControl Class="Framework.ScrollBar" Name="vBar" XPositionToControl="Client" XPositionRel="1" XPlacementAnchor="1"
                 XIsDocked="True" YIsDocked="True" XSizeAbs="16" YSizeToControl="Client" YSizeRel="1" YSizeAbs="0">
      <SubControl Class="Framework.Button" Name="dec" XSizeAbs="16" YSizeAbs="16"><Skin Name="d" LookList="button"/></SubControl>
      <SubControl Class="Framework.Button" Name="inc" YPositionToControl="Client" YPositionRel="1" YPlacementAnchor="1" XSizeAbs="16" YSizeAbs="16">
       <Skin Name="i" LookList="button"/>
      </SubControl>
      <SubControl Class="Test.Panel" Name="channel" YPositionAbs="16" XSizeAbs="16" YSizeToControl="Client" YSizeRel="1" YSizeAbs="-32">
       <SubControl Class="Framework.Button" Name="thumb" XSizeAbs="16" YSizeAbs="16"><Skin Name="h" LookList="button"/></SubControl>
      </SubControl>
     </SubControl>
    </SubControl>
    <SubControl Class="Framework.ComboBox" Name="combo" XPositionAbs="160" YPositionAbs="10" XSizeAbs="120" YSizeAbs="20">
     <Skin Name="cb" LookList="button"/>
     <SubControl Class="Framework.ListBox" Name="listBox" ClipToParent="False" Z_Order="4" IsVisible="False"
                 YPositionRel="1" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="42" YMaxSizeAbs="100">
      <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
       <Skin Name="ct" LookList="row"/>
      </SubControl>
     </SubControl>
    </SubControl>
   </SubControl>
   <SubControl Class="Framework.PopupMenu" Name="contextMenu" ClipToParent="False" Z_Order="4" XSizeAbs="100" YSizeAbs="28">
    <SubControl Class="Framework.MenuItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
     <Skin Name="mt" LookList="row"/>
    </SubControl>
   </SubControl>)";

constexpr uint32_t kGrey = 0x808080, kWhite = 0xFFFFFF, kBlue = 0x0000FF, kRed = 0xFF0000, kGreen = 0x00FF00,
                   kCyan = 0x00FFFF;

// The standard controls in a real window on the X server, driven by desktop pointer events.
class ControlLooksX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X display";
        environment.Set("SDL_VIDEODRIVER", "x11");
        environment.Set("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        ASSERT_TRUE(Platform::VideoSystem::Start()) << Platform::VideoSystem::LastError();
        m_started = true;
        UseTestFonts(); // the rows' texts are measured with the real font system
        documents.Set(u"APP_SKINS", SkinDocument(Looks(), kControls));
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        int line = 0;
        ASSERT_EQ(RegisterFrameworkClassNames(*services.registry, line), S_OK);
        ASSERT_EQ(services.registry->RegisterControlCreateFunction(u"Test.Panel", &CreateControlOf<ProbeControl>),
                  S_OK);
        Platform::WindowParams params;
        params.x = 100;
        params.y = 100;
        params.width = 300;
        params.height = 200;
        params.visible = true;
        // What an earlier window left; the new window's own events (its focus) are wanted.
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        window = OSWindow::Create(params, LRenderer::kGdi);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(window->GetRootWindow()->SetContentByName(u"mainControl"), S_OK);
        content = window->GetRootWindow()->GetContent();
        ASSERT_TRUE(content);
    }
    void TearDown() override
    {
        if (!m_started)
            return;
        content = nullptr;
        if (window && OSWindow::FromId(Id()) == window)
            window->EndModal(0);
        OSWindow::RunOnce(0);
        Platform::VideoSystem::Stop();
    }

    uint32_t Id() const { return window->GetWindowHandle() ? window->GetWindowHandle()->Id() : 0; }
    // 0xRRGGBB of the window's framebuffer.
    uint32_t Pixel(int x, int y) const
    {
        SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(Id()));
        const auto* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
        return *reinterpret_cast<const uint32_t*>(row + x * 4) & 0xFFFFFF;
    }
    // Turns the loop until the pixel has the colour; generous, since the X server answers in its
    // own time.
    bool Shows(int x, int y, uint32_t colour)
    {
        for (int i = 0; i < 200 && Pixel(x, y) != colour; ++i)
            OSWindow::RunOnce(10);
        return Pixel(x, y) == colour;
    }
    void Motion(int x, int y) { PushMotion(Id(), x, y, m_down ? SDL_BUTTON_LMASK : 0); }
    void Button(bool down, int x, int y)
    {
        m_down = down;
        PushButton(Id(), down, x, y);
    }
    // With KX_SCREENSHOT set, the window's picture goes to "<KX_SCREENSHOT>-<name>.bmp".
    void Screenshot(const char* name)
    {
        if (const char* prefix = std::getenv("KX_SCREENSHOT")) {
            SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(Id()));
            const std::string path = std::string(prefix) + "-" + name + ".bmp";
            EXPECT_EQ(SDL_SaveBMP(surface, path.c_str()), 0) << SDL_GetError();
        }
    }

    EnvironmentGuard environment;
    DocumentResources documents;
    FakeFrameworkServices services;
    OSWindow* window = nullptr;
    RCPtr<LControl> content;
    bool m_started = false;
    bool m_down = false;
};

TEST_F(ControlLooksX11Test, EachControlShowsTheLookOfItsState)
{
    RCPtr<LListBox> list(content->FindChild(u"list"));
    ASSERT_TRUE(list);
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(list->InsertItem(i, RCPtr<LTaggableObject>(LListBoxText::Create(String::Format(u"entry %d", i)))), i);
    list->RemoveItem(5);
    list->RemoveItem(4);
    list->RemoveItem(3);
    // Rows 0-2 show entries, row 3 is empty; the bar's dec button is at the list's top right.
    struct Control {
        const char* name;
        int x, y;
    };
    const Control button{"button", 40, 25}, check{"check", 110, 25}, row{"row", 40, 67}, bar{"bar", 122, 68};
    ASSERT_TRUE(Shows(5, 5, 0x202020));
    for (const Control& c : {button, check, row}) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Shows(c.x, c.y, kGrey)) << "normal";
        Motion(c.x, c.y);
        EXPECT_TRUE(Shows(c.x, c.y, kWhite)) << "hover";
        Button(true, c.x, c.y);
        Motion(c.x + 3, c.y);
        // A pressed row is also selected.
        EXPECT_TRUE(Shows(c.x, c.y, std::string(c.name) == "row" ? kCyan : kBlue)) << "pressed";
        Button(false, c.x + 3, c.y);
        Motion(5, 5);
    }
    EXPECT_TRUE(Shows(check.x, check.y, kGreen)) << "checked";
    EXPECT_TRUE(Shows(row.x, row.y, kGreen)) << "selected";
    // The empty row past the last entry is disabled.
    EXPECT_TRUE(Shows(row.x, row.y + 3 * 14, kRed)) << "empty row";

    // The scroll bar shows once the entries overflow the list.
    for (int i = 3; i < 10; ++i)
        ASSERT_EQ(list->InsertItem(i, RCPtr<LTaggableObject>(LListBoxText::Create(String::Format(u"entry %d", i)))), i);
    EXPECT_TRUE(Shows(bar.x, bar.y, kGrey)) << "bar normal";
    Motion(bar.x, bar.y);
    EXPECT_TRUE(Shows(bar.x, bar.y, kWhite)) << "bar hover";
    Button(true, bar.x, bar.y);
    Motion(bar.x + 1, bar.y);
    EXPECT_TRUE(Shows(bar.x, bar.y, kBlue)) << "bar pressed";
    Screenshot("controls-pressed");
    Button(false, bar.x, bar.y);
    Motion(5, 5);

    for (const char16_t* name : {u"button", u"check", u"list"})
        content->FindChild(name)->SetEnabled(false);
    // Row 1 is not selected.
    for (const Control& c : {button, Control{"row", row.x, row.y + 14}, bar}) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Shows(c.x, c.y, kRed)) << "disabled";
    }
    Screenshot("controls-disabled");
}

TEST_F(ControlLooksX11Test, AnOpenComboBoxAndAContextMenuShowTheirRows)
{
    RCPtr<LComboBox> combo(content->FindChild(u"combo"));
    ASSERT_TRUE(combo);
    for (const char16_t* entry : {u"RAM", u"Preset 1", u"Preset 2"})
        ASSERT_GE(combo->AddItem(entry), 0);
    ASSERT_EQ(combo->SetSelectedIndex(0), 0);
    constexpr uint32_t kBack = 0x202020;
    // The list opens below the combo box with the chosen entry marked.
    ASSERT_TRUE(Shows(200, 20, kGrey));
    EXPECT_TRUE(Shows(200, 37, kBack));
    Motion(200, 20);
    Button(true, 200, 20);
    Button(false, 200, 20);
    EXPECT_TRUE(Shows(200, 37, kGreen)) << "chosen entry";
    EXPECT_TRUE(Shows(200, 51, kGrey)) << "second entry";
    // In the open list the choice follows the pointer.
    Motion(200, 51);
    EXPECT_TRUE(Shows(200, 51, kGreen)) << "entry under the pointer";
    EXPECT_TRUE(Shows(200, 37, kGrey)) << "entry left";
    Screenshot("combo-open");
    Button(true, 200, 51);
    Button(false, 200, 51);
    EXPECT_TRUE(Shows(200, 51, kBack)) << "closed after the choice";
    EXPECT_EQ(combo->GetText(), String(u"Preset 1"));

    // A context menu opens at the pointer; the row under the pointer is marked.
    Motion(170, 120);
    for (int i = 0; i < 200 && window->GetRootWindow()->GetCursorPos() != PointT<int32_t>{170, 120}; ++i)
        OSWindow::RunOnce(10);
    ASSERT_TRUE(Shows(175, 125, kBack));
    RCPtr<LControl> created;
    services.registry->CreateControl(created, services.factory->FindControlDescriptor(u"contextMenu"), content);
    RCPtr<LPopupMenu> menu(created);
    ASSERT_TRUE(menu);
    RCPtr<LMenuDescriptor> items = LMenuDescriptor::Create();
    ASSERT_EQ(items->InsertItem(0, u"Copy", u"NID_EDIT_COPY_REQ", true, false), S_OK);
    ASSERT_EQ(items->InsertItem(1, u"Paste", u"NID_EDIT_PASTE_REQ", true, false), S_OK);
    ASSERT_EQ(menu->SetMenuDescriptorChecked(items), S_OK);
    ASSERT_EQ(menu->ShowAtCursor(), S_OK);
    EXPECT_TRUE(Shows(175, 125, kGrey)) << "first row";
    EXPECT_TRUE(Shows(175, 139, kGrey)) << "second row";
    Motion(175, 139);
    EXPECT_TRUE(Shows(175, 139, kGreen)) << "row under the pointer";
    EXPECT_TRUE(Shows(175, 125, kGrey)) << "row left";
    Screenshot("context-menu-open");
    Button(true, 175, 139);
    Button(false, 175, 139);
    EXPECT_TRUE(Shows(175, 139, kBack)) << "closed after the choice";
}

} // namespace
} // namespace KX::Test
