// The generated skin and string tables, embedded as the program embeds them, loaded through the real
// factory with the framework's and the editor's class names registered: every top-level control is
// created, the main window's structure and texts are as the code expects, and the main control is
// painted into main-control.png (in the test's working folder) for people to look at.
#include "GeneratedSkinFixture.h"

#include "KXFramework/Application/FrameworkClassNames.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/ComboMenu.h"
#include "KXFramework/Controls/MainMenu.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Controls/PopupMenu.h"
#include "KXFramework/Controls/TabControl.h"
#include "KXFramework/Notification/GlobalHotKeyManager.h"
#include "KXFramework/Platform/Graphics/Png.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Renderer/FontText.h"
#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"
#include "Panel/UI/KivoSeriesCommon/MIDIChannelViewPanel.h"
#include "Panel/UI/KivoSeriesCommon/PadPanels.h"

#include "MenuStateAnswerer.h"
#include "TestFonts.h"
#include "UiDoubles.h"
#include "VideoFixture.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

class GeneratedSkinTest : public GeneratedSkinFixture {
protected:
    // The dialog of that name as the window's content, filling it as it does when it runs.
    RCPtr<LControl> ShowDialog(const char16_t* name)
    {
        RCPtr<LControl> dialog = Create(name);
        if (!dialog)
            return nullptr;
        window.clientArea = dialog->GetRect().Round();
        window.clientArea.x = window.clientArea.y = 0;
        return Succeeded(root->SetContent(dialog)) ? dialog : nullptr;
    }
    // The slot list of the transfer dialog of that name, shown as above; null when either is missing.
    RCPtr<LComboBox> ShowSlotList(const char16_t* name)
    {
        const RCPtr<LControl> dialog = ShowDialog(name);
        RCPtr<LComboBox> slots(dialog ? dialog->FindChild(u"presetSlot")->FindChild(u"comboBox") : nullptr);
        return slots && slots->GetListBox() ? slots : nullptr;
    }
    void Key(uint32_t key) { root->DispatchKey(RCPtr<LKeyParam>(new LKeyParam({key, 0, 0}))); }
};

// Every class named anywhere in the tree has a create function.
void ExpectRegistered(const LControlClassRegistry& registry, const RCPtr<LControlDescriptor>& descriptor,
                      const std::u16string& path)
{
    ControlCreateFunction function = nullptr;
    EXPECT_EQ(registry.GetControlCreateFunction(descriptor->GetClassName(), function), S_OK)
        << std::string(path.begin(), path.end());
    const auto& children = descriptor->GetSubDescriptors();
    for (unsigned i = 0; i < children.GetCount(); ++i)
        ExpectRegistered(registry, children.GetAt(i), path + u"/" + children.GetAt(i)->GetName().GetString());
}

TEST_F(GeneratedSkinTest, EveryTopLevelControlIsCreatedFromRegisteredClasses)
{
    const auto& roots = services.factory->GetRootDescriptors();
    ASSERT_EQ(roots.GetCount(), 1u) << "one top-level skin";
    const auto& top = roots.GetAt(0)->GetSubDescriptors();
    std::vector<std::u16string> names;
    for (unsigned i = 0; i < top.GetCount(); ++i) {
        const std::u16string name = top.GetAt(i)->GetName().GetString();
        names.push_back(name);
        ExpectRegistered(*services.registry, top.GetAt(i), name);
        // The global settings dialog binds to the application's MIDI manager, which this test has
        // not; the dialog tests create it inside the running editor.
        if (name == u"globalEditorControl") {
            EXPECT_THROW(Create(String(name.c_str())), std::runtime_error);
            continue;
        }
        EXPECT_TRUE(Create(String(name.c_str()))) << std::string(name.begin(), name.end());
    }
    for (const char16_t* required : {u"mainControl", u"toolTip", u"contextMenu"})
        EXPECT_NE(std::find(names.begin(), names.end(), required), names.end());
}

TEST_F(GeneratedSkinTest, TheMainControlHoldsTheMenuBeforeTheDeviceView)
{
    RCPtr<LControl> main = Create(u"mainControl");
    ASSERT_TRUE(main);
    ASSERT_EQ(root->SetContent(main), S_OK);
    EXPECT_EQ(main->GetText(), String(u"Velmora Kivo 61 Preset Editor"));
    EXPECT_EQ(main->GetRect(), (RectT<double>{0, 0, kWidth, kHeight}));
    RCPtr<LMainMenu> bar(main->FindChild(u"mainMenu"));
    RCPtr<LControl> view = main->FindChild(u"viewDevice");
    ASSERT_TRUE(bar && view);
    EXPECT_EQ(view->GetRect(), (RectT<double>{0, 22, 1200, 750}));
    EXPECT_EQ(main->GetChildren().GetAt(0, LControl::kInsertionOrder), RCPtr<LControl>(bar)) << "the menu comes first";

    struct Menu {
        const char16_t* title;
        std::vector<std::u16string> labels;
    };
    const Menu menus[] = {
        {u"File",
         {u"Send Preset", u"Retrieve Preset", u"", u"Load Preset ", u"Save Preset ", u"", u"Global Settings", u"",
          u"Exit"}},
        {u"Help", {u"Open User Guide", u"About Kivo 61 Preset Editor"}},
    };
    ASSERT_EQ(bar->GetMenuCount(), 2u);
    for (unsigned m = 0; m < 2; ++m) {
        RCPtr<LComboMenu> title = bar->GetMenuAt(m);
        ASSERT_TRUE(title);
        EXPECT_EQ(title->GetText(), String(menus[m].title));
        const RCPtr<LMenuDescriptor>& menu = title->GetPopup()->GetMenuDescriptor();
        ASSERT_TRUE(menu);
        ASSERT_EQ(menu->GetItems().GetCount(), menus[m].labels.size());
        for (unsigned i = 0; i < menus[m].labels.size(); ++i)
            EXPECT_EQ(menu->GetItems().GetAt(i)->label, String(menus[m].labels[i].c_str())) << m << " " << i;
    }
}

TEST_F(GeneratedSkinTest, TheImagesAreFoundByTheSkinsPathsAndByTheNamesTheCodeLoads)
{
    struct Case {
        std::u16string name;
        int side;
    };
    const Case cases[] = {
        {ResourceNameFromPath(u"::device.png"), 1200},
        {ResourceNameFromPath(u"::about-maker.png"), 0},
        {ResourceNameFromPath(u"::about-product.png"), 0},
        {u"CURSOR_DROP_MOVE_PNG", 32},
        {u"CURSOR_DROP_COPY_PNG", 32},
        {u"APP_ICON_PNG", 64},
    };
    for (const Case& c : cases) {
        const std::string name(c.name.begin(), c.name.end());
        const ResourceView bytes = FindResource(u"GDIPLUS", c.name.c_str());
        ASSERT_TRUE(bytes) << name;
        const std::shared_ptr<Platform::Image> image = Platform::DecodePng(bytes.data, bytes.size);
        ASSERT_TRUE(image) << name;
        if (c.side) {
            EXPECT_EQ(image->width, c.side) << name;
        }
    }
}

TEST_F(GeneratedSkinTest, TheToolTipGrowsAroundItsText)
{
    RCPtr<LControl> tip = Create(u"toolTip");
    ASSERT_TRUE(tip);
    const RectT<double> empty = tip->GetRect();
    static_cast<void>(tip->SetText(u"Send this preset to the controller.")); // a label always takes a text
    EXPECT_GT(tip->GetRect().width, empty.width + 100);
    EXPECT_GE(tip->GetRect().height, 20.0) << "a line of text and its padding";
}

TEST_F(GeneratedSkinTest, TablesReadByTheCodeHoldTheirTexts)
{
    struct Case {
        const char16_t* table;
        const char16_t* key;
        const char16_t* text;
    };
    const Case cases[] = {
        {u"|PresetEditor", u"LABEL_GET_PRESET_SUCEESS_MSGBOX_TEXT", u"The preset has been sucessfully retreived."},
        {u"|PresetEditor", u"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2", u"|All Files (*.*)|*.*"},
        {u"PresetEditor.MainControl|mainMenu", u"CONTEXT_MENU0.00.NID_MENU_FILE_SEND_PRESET_TO_DEVICE",
         u"Send Preset| Send this preset to the controller."},
        {u"PresetEditor.Control.LabeledModifierKeySelector|comboBox", u"ITEM.20", u"Shift  + Cmd (Mac)"},
        {u"PresetEditor.Control.LabeledKeySelector|comboBox", u"ITEM.62", u"\\"},
        {u"PresetEditor.Control.LabeledKeySelector|comboBox", u"ITEM.86", u"Num 0"},
        {u"PresetEditor.Control.CCSelector|label", u"TEXT.066", u"Sostenuto"},
        {u"PresetEditor.Control.NoteSelector|octaveNameLabel", u"ITEM.00", u"(-1)"},
        {u"PresetEditor.MainControl.PushButtonType.ViewPanel|infoLabel", u"PITCHBEND_LABEL", u"PITCH\nBEND"},
        {u"PresetEditor.TabControl.PageHolder.WheelsPage.Wheel|wheelName", u"LABEL", u""},
        {u"PresetEditor.Control.MovementTypes.TabControl.ButtonHolder|nrpnRpnPage", u"LABEL", u"RPN/NRPN"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Text(c.table, c.key), c.text)
            << std::string(c.key, c.key + std::char_traits<char16_t>::length(c.key));
    EXPECT_EQ(Table(u"PresetEditor.Control.CCSelector|label")->GetEntries().size(), 128u);
}

TEST_F(GeneratedSkinTest, TheMainControlIsPaintedWithTheDevicePicture)
{
    RCPtr<LControl> main = Create(u"mainControl");
    ASSERT_TRUE(main);
    ASSERT_EQ(root->SetContent(main), S_OK);
    // With the File menu open as it shows while no keyboard is connected, the pointer on "Load Preset".
    RCPtr<LMainMenu> bar(main->FindChild(u"mainMenu"));
    ASSERT_TRUE(bar);
    RCPtr<MenuStateAnswerer> view(new MenuStateAnswerer(nullptr, u"viewDevice"));
    view->answers[u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE"] = {0, 0, u"Send Preset"};
    view->answers[u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE"] = {0, 0, u"Retrieve Preset"};
    view->answers[u"NID_MENU_FILE_GLOBALSETTINGS_REQ"] = {0, 0, u"Global Settings"};
    static_cast<void>(bar->SetMenuItemUpdater(view->GetMenuItemUpdater())); // answers whether it was set before
    ASSERT_EQ(bar->GetMenuAt(0)->ShowDropDown(true), S_OK);
    root->ProcessEvents(true);
    root->DispatchMouseMove({100, 103}, 0, 0);
    root->ProcessEvents(true);
    EXPECT_FALSE(bar->GetMenuAt(0)->GetPopup()->IsItemSelectable(0)) << "Send Preset needs the keyboard";
    const RCPtr<LRenderContextInfo> context = PaintWindow();
    Platform::Surface& surface = SurfaceOf(context);
    EXPECT_EQ(cairo_surface_write_to_png(surface.Native(), "main-control.png"), CAIRO_STATUS_SUCCESS);
    // A key of the keybed (white) and the body (near black), from the device picture.
    auto pixel = [&surface](int x, int y) {
        const uint8_t* p = surface.Data() + y * surface.Stride() + x * 4;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    };
    EXPECT_GT(pixel(610, 22 + 600) & 0xFF, 0xC0u) << "a white key";
    EXPECT_LT(pixel(200, 22 + 40) & 0xFF, 0x30u) << "the body";
}

// The transfer dialogs' slot list opens inside the dialog's window, eight of its thirteen rows at
// least in view.
TEST_F(GeneratedSkinTest, TheSlotListOpensWithEightRowsInsideItsDialog)
{
    for (const char16_t* name : {u"dialogRetrievePresetFromHardware", u"dialogSendPreset"}) {
        SCOPED_TRACE(String(name).ToNarrow().GetData());
        const RCPtr<LComboBox> slots = ShowSlotList(name);
        ASSERT_TRUE(slots);
        ASSERT_EQ(slots->GetListBox()->GetItemCount(), 13);
        ASSERT_EQ(slots->ShowDropDown(true), S_OK);
        const LListBox& list = *slots->GetListBox();
        EXPECT_GE(list.GetClientExtentRect().height, 8.0 * list.GetItemHeight());
        EXPECT_LE(list.GetPositionInRoot().y + list.GetRect().height, root->GetContent()->GetRect().height);
    }
}

// Opened with Down on Preset 3, the slot list steps to Preset 4 with RAM still on its first row;
// End selects Preset 12, and Enter takes it.
TEST_F(GeneratedSkinTest, TheSlotListStepsByKeysWithoutJumping)
{
    for (const char16_t* name : {u"dialogRetrievePresetFromHardware", u"dialogSendPreset"}) {
        SCOPED_TRACE(String(name).ToNarrow().GetData());
        const RCPtr<LComboBox> slots = ShowSlotList(name);
        ASSERT_TRUE(slots);
        ASSERT_EQ(slots->SetSelectedIndex(EntryOf(slots, u"Preset 3")), 3);
        ASSERT_EQ(slots->SetFocus(true), S_OK);
        Key(KeyCode::Press(VirtualKey::kDown));
        ASSERT_TRUE(slots->IsDropDownShown());
        Key(KeyCode::Press(VirtualKey::kDown));
        EXPECT_EQ(slots->GetListBox()->GetCurrentIndex(), EntryOf(slots, u"Preset 4"));
        EXPECT_EQ(slots->GetListBox()->GetTopIndex(), EntryOf(slots, u"RAM"));
        Key(KeyCode::Press(VirtualKey::kEnd));
        Key(KeyCode::Press(VirtualKey::kEnter));
        EXPECT_FALSE(slots->IsDropDownShown());
        EXPECT_EQ(slots->GetSelectedIndex(), EntryOf(slots, u"Preset 12"));
    }
}

// A label's first line and the box that clips it, in the tile's coordinates. A line is measured wider
// than its ink: by a sixth of an em before it and three pixels (at most) after it.
struct PlacedText {
    RectT<double> line;
    RectT<double> box;
    double em;
    double InkLeft() const { return line.x + em / 6.0; }
    double InkRight() const { return line.x + line.width - 3.0; }
};

PlacedText PlaceIn(const LControl& tile, const LControl& label)
{
    const LLook& look = *label.GetCurrentLook(-1);
    const RCPtr<LFontText>& text = look.GetFontText();
    text->LayoutLines();
    const RectT<float> area = look.GetTextArea(float(label.GetRect().width), float(label.GetRect().height));
    const double x = label.GetPositionInRoot().x - tile.GetPositionInRoot().x + look.GetTextPos().x;
    const double y = label.GetPositionInRoot().y - tile.GetPositionInRoot().y + look.GetTextPos().y;
    const RectT<float> line = text->GetLineRect(0);
    return {{x + line.x, y + line.y, line.width, line.height},
            {x, y, std::round(area.width), std::round(area.height)},
            text->GetFont()->GetSize() * 96.0 / 72.0};
}

// The text's ink across and its lines down lie inside its box.
bool Whole(const PlacedText& t)
{
    return t.InkLeft() >= t.box.x && t.InkRight() <= t.box.x + t.box.width && t.line.y >= t.box.y &&
           t.line.y + t.line.height <= t.box.y + t.box.height;
}

// Each tile's number and beside it its channel, the widest channels included: each whole inside its
// box, the two two pixels apart at least; a pad's number below its colour strip.
TEST_F(GeneratedSkinTest, ATilesNumberAndChannelShowWholeAndApart)
{
    RCPtr<LControl> main = Create(u"mainControl");
    ASSERT_TRUE(main);
    ASSERT_EQ(root->SetContent(main), S_OK);
    RCPtr<LControl> view = main->FindChild(u"viewDevice");
    RCPtr<LPadGroupPanel> pads(view->FindChild(u"pads"));
    ASSERT_TRUE(pads);
    ASSERT_EQ(pads->SetFirstParamID(nullptr, 60, 0), S_OK); // the pads' first identifier: they number themselves
    struct Group {
        RCPtr<LControl> tiles;
        const char16_t* tile;
        int count;
        const char16_t* number;
        const char16_t* prefix;
    };
    const Group groups[] = {
        {pads, u"pad%d", 16, u"padNumberLabel", u"P%d"},
        {view->FindChild(u"buttons")->FindChild(u"buttonBank1"), u"button%d", 9, u"buttonNumberLabel", u"B%d"},
        {view->FindChild(u"faders")->FindChild(u"faderBank1"), u"fader%d", 9, u"faderNumberLabel", u"F%d"},
        {view->FindChild(u"encoders")->FindChild(u"encoderBank1"), u"encoder%d", 8, u"encoderNameLabel", u"E%d"},
    };
    for (const Group& group : groups) {
        ASSERT_TRUE(group.tiles);
        for (int i = 1; i <= group.count; ++i) {
            const RCPtr<LControl> tile = group.tiles->FindChild(String::Format(group.tile, i));
            ASSERT_TRUE(tile);
            SCOPED_TRACE(tile->GetName().ToNarrow().GetData());
            const LControl& number = *tile->FindChild(group.number);
            ASSERT_EQ(number.GetText(), String::Format(group.prefix, i));
            const PlacedText n = PlaceIn(*tile, number);
            EXPECT_TRUE(Whole(n));
            if (const RCPtr<LControl> colour = group.tiles == pads ? tile->FindChild(u"color") : nullptr) {
                EXPECT_GE(n.box.y, colour->GetRect().y + colour->GetRect().height + 1.0);
            }
            RCPtr<LMIDIChannelViewPanel> channel(tile->FindChild(u"viewPanel")->FindChild(u"midiChannel"));
            ASSERT_TRUE(channel);
            for (char value : {0, 16, 20, 21, 22}) {
                channel->ShowMidiChannel(value, LMIDIChannelViewPanel::kChannelPositions);
                const LControl& text = *channel->FindChild(u"label");
                SCOPED_TRACE(text.GetText().ToNarrow().GetData());
                const PlacedText c = PlaceIn(*tile, text);
                EXPECT_TRUE(Whole(c));
                EXPECT_GE(c.InkLeft(), n.InkRight() + 2.0);
            }
        }
    }
}

// One control of every building block of the skin generator, written beside the test.
class BlockSamplesTest : public GeneratedSkinTest {
protected:
    std::string Base() const override { return KIVO_BLOCK_SAMPLES; }
};

TEST_F(BlockSamplesTest, EveryBuildingBlockMakesAControlTheCodeCanWalk)
{
    RCPtr<LControl> panel = Create(u"blockSamples");
    ASSERT_TRUE(panel);
    ASSERT_EQ(root->SetContent(panel), S_OK);
    // Paths the controls and the editor's look-ups walk, from the panel.
    const std::vector<std::vector<const char16_t*>> paths = {
        {u"midiChannel", u"controlNameLabel"},
        {u"midiChannel", u"comboBox", u"listBox", u"vBar", u"channel", u"thumb"},
        {u"min", u"numericUpDown", u"textBox"},
        {u"numericUpDown", u"buttonUp"},
        {u"numericUpDown", u"buttonDown"},
        {u"tabControl", u"buttonHolder", u"otherPage"},
        {u"tabControl", u"pageHolder", u"nrpnRpnPage"},
        {u"tile", u"button"},
        {u"editPanel", u"panelName"},
    };
    for (const auto& path : paths) {
        RCPtr<LControl> at = panel;
        for (const char16_t* name : path) {
            at = at ? at->FindChild(name) : nullptr;
            EXPECT_TRUE(at) << std::string(name, name + std::char_traits<char16_t>::length(name));
        }
    }
    RCPtr<LComboBox> combo(panel->FindChild(u"midiChannel")->FindChild(u"comboBox"));
    ASSERT_TRUE(combo);
    ASSERT_TRUE(combo->GetListBox());
    EXPECT_EQ(combo->GetListBox()->GetItemCount(), 22);
    EXPECT_EQ(panel->FindChild(u"midiChannel")->FindChild(u"controlNameLabel")->GetText(), String(u"CHANNEL"));
    RCPtr<LTabControl> tabs(panel->FindChild(u"tabControl"));
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs->GetSelectedIndex(), 0);
    RCPtr<LControl> tile = panel->FindChild(u"tile");
    EXPECT_EQ(tile->GetChildren().GetAt(tile->GetChildren().GetCount() - 1, LControl::kInsertionOrder),
              tile->FindChild(u"button"))
        << "the tile's button lies on top";
    EXPECT_TRUE(Create(u"dialogSample"));

    // The picture, with the channel list open, for people to look at.
    ASSERT_EQ(combo->ShowDropDown(true), S_OK);
    WritePicture("block-samples.png", {0, 0, kWidth, kHeight});
}

} // namespace
} // namespace KX::Test
