// The push-button family on the generated skin: every byte of the 17-byte value through the edit
// panel and back, the bytes outside the lists, refused values, routing to the tile, the echo rule,
// the group's hand-out and clicks, and Shift-click through the colours.
#include "DeviceViewFixture.h"

#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/ListBox.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

class ButtonPanelsTest : public DeviceViewFixture {
protected:
    void SetUp() override
    {
        DeviceViewFixture::SetUp();
        if (HasFatalFailure())
            return;
        const RCPtr<LTabControl> tabs(buttonEdit->FindChild(u"viewTabControl"));
        ASSERT_TRUE(tabs);
        const auto combo = [&tabs](const char16_t* page, const char16_t* name) {
            return RCPtr<LComboBox>(ControlUtilities::GetComboBoxChild(tabs->GetPageByName(page)->FindChild(name)));
        };
        selectors = {combo(u"colorPage", u"color1"),     combo(u"colorPage", u"color2"),
                     combo(u"colorPage", u"color3"),     combo(u"colorPage", u"color4"),
                     combo(u"colorPage", u"asciiColor"), combo(u"asciiPage", u"key"),
                     combo(u"asciiPage", u"modifierKey")};
        for (const RCPtr<LComboBox>& s : selectors)
            ASSERT_TRUE(s);
    }
    RCPtr<LControl> Tile(int i) const { return device->buttons->GetTiles()[size_t(i)]; }
    std::vector<int> Positions() const
    {
        std::vector<int> out;
        for (const RCPtr<LComboBox>& s : selectors)
            out.push_back(s->GetSelectedIndex());
        return out;
    }
    // Chooses button i as a click does and delivers its value as the engine would.
    void Choose(int i, const Bytes& value)
    {
        Click(Tile(i));
        ASSERT_EQ(Deliver(kButtons + i, value), S_OK);
    }
    // What the edit panel packs now: a selector moved away and back reports the value twice.
    Bytes Packed(size_t selector = 4)
    {
        main->reports.clear();
        const RCPtr<LComboBox>& hid = selectors[selector];
        const int was = hid->GetSelectedIndex();
        hid->SetSelectedIndex(was == 1 ? 2 : 1);
        hid->SetSelectedIndex(was);
        if (main->reports.empty())
            return {};
        EXPECT_EQ(main->reports.back().first, buttonEdit->GetFirstParamID());
        return main->reports.back().second;
    }

    std::vector<RCPtr<LComboBox>> selectors;
};

TEST_F(ButtonPanelsTest, EveryByteOfTheValueIsShownAndPackedBackAtItsBounds)
{
    struct Case {
        const char* what;
        Bytes value;
        std::vector<int> positions; // color1–4, HID colour, key, modifier
    };
    const Case cases[] = {
        {"default of button 0", Default(25), {3, 3, 0, 0, 3, 56, 0}},
        {"default of button 35", Default(60), {2, 2, 0, 0, 3, 27, 0}},
        {"lowest bytes: key \"0\"", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 1, 0}},
        {"highest bytes: \"Num 0\", last modifier",
         {21, 7, 7, 7, 7, 0, 127, 0, 127, 0, 0, 0, 0, 127, 7, 85, 28},
         {7, 7, 7, 7, 7, 86, 28}},
        {"key \"Off\"", {5, 1, 2, 3, 4, 1, 17, 5, 0, 0, 0, 0, 0, 0, 6, 87, 23}, {1, 2, 3, 4, 6, 0, 23}},
        {"NRPN record", {16, 5, 6, 7, 1, 1, 6, 100, 127, 0, 0, 0, 0, 127, 5, 36, 14}, {5, 6, 7, 1, 5, 37, 14}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.value.size(), 17u);
        Choose(9, c.value);
        EXPECT_EQ(Positions(), c.positions);
        Bytes expected = c.value;
        if (expected[5] == 0)
            expected[7] = 0; // an absolute control change carries no first data byte
        EXPECT_EQ(Packed(), expected);
    }
    // The defaults reach the edit panel through the tree and the tile through the edit panel.
    EXPECT_EQ(Tile(9)->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText(), String(u"NRPN:\n16383"));
}

TEST_F(ButtonPanelsTest, BytesOutsideTheListsSelectNothingAndArePackedAsTheyCame)
{
    const Bytes base = Default(25);
    struct Case {
        unsigned offset;
        unsigned char byte;
        int position; // of the selector for that offset
    };
    const Case cases[] = {
        {1, 8, -1},   {2, 0x7F, -1},  {3, 0x80, -1},  {4, 0xFF, -1}, {14, 8, -1},  {15, 86, -1},
        {15, 88, -1}, {15, 0x80, -1}, {15, 0xFE, -1}, {15, 0xFF, 0}, {16, 29, -1}, {16, 0x80, -1},
    };
    const unsigned selectorOf[17] = {0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 5, 6};
    for (const Case& c : cases) {
        SCOPED_TRACE("offset " + std::to_string(c.offset) + " byte " + std::to_string(c.byte));
        Bytes value = base;
        value[c.offset] = c.byte;
        Choose(0, value);
        EXPECT_EQ(selectors[selectorOf[c.offset]]->GetSelectedIndex(), c.position);
        Bytes expected = value;
        expected[7] = 0;
        if (c.offset == 15 && c.byte == 0xFF)
            expected[15] = 87; // read as -1: "Off"
        EXPECT_EQ(Packed(selectorOf[c.offset] == 4 ? 0 : 4), expected);
    }
    // Chosen by the user, a key is stored as its position minus 1, "Off" as 87.
    Choose(0, base);
    main->reports.clear();
    selectors[5]->SetSelectedIndex(0);
    ASSERT_FALSE(main->reports.empty());
    EXPECT_EQ(main->reports.back().second[15], 0x57);
    selectors[5]->SetSelectedIndex(1);
    EXPECT_EQ(main->reports.back().second[15], 0);
}

TEST_F(ButtonPanelsTest, RefusedValuesChangeNothingAndShownValuesAreNotReported)
{
    Choose(4, Default(29));
    const std::vector<int> shown = Positions();
    const String tileText = Tile(4)->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText();
    main->reports.clear();
    Bytes other = Default(29);
    other[1] = 1, other[6] = 74;
    for (size_t size : {0u, 6u, 16u, 18u}) {
        Bytes wrong = other;
        wrong.resize(size, 0);
        EXPECT_EQ(buttonEdit->SetParamValueLocal(KX::ParamDescriptor(kButtons + 4), Value(wrong), 1), E_FAIL) << size;
        EXPECT_EQ(Tile(4)->FindChild(u"viewPanel") ? S_OK : E_FAIL, S_OK);
    }
    EXPECT_EQ(buttonEdit->SetParamValueLocal(KX::ParamDescriptor(kButtons + 5), Value(other), 1), E_FAIL);
    RCPtr<IPushButton> tile(Tile(4));
    EXPECT_EQ(tile->SetParamValueLocal(KX::ParamDescriptor(kButtons + 4), Value(Bytes(16, 1)), 0), E_FAIL);
    EXPECT_EQ(Positions(), shown);
    EXPECT_EQ(Tile(4)->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText(), tileText);
    // A value that changes every selector and the MIDI page is shown without a single report.
    EXPECT_EQ(Deliver(kButtons + 4, other), S_OK);
    EXPECT_NE(Positions(), shown);
    EXPECT_TRUE(main->reports.empty());
    EXPECT_EQ(Tile(4)->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText(), String(u"CC:\n74"));
}

TEST_F(ButtonPanelsTest, TheGroupHandsOutItsTilesThenTheEditPanelForTheChosenButton)
{
    for (int i = 0; i < IPushButtons::kChildCount; ++i)
        EXPECT_EQ(device->buttons->GetPushButton(i)->GetFirstParamID(), kButtons + i) << i;
    EXPECT_EQ(device->buttons->GetPushButton(0)->GetFirstParamID(), kFirst + 25);
    EXPECT_FALSE(device->buttons->GetPushButton(36));
    EXPECT_EQ(Tile(0)->FindChild(u"buttonNumberLabel")->GetText(), String(u"B1"));
    EXPECT_EQ(Tile(35)->FindChild(u"buttonNumberLabel")->GetText(), String(u"B9"));

    EXPECT_FALSE(buttonEdit->IsVisible(false));
    Click(Tile(20));
    EXPECT_TRUE(buttonEdit->IsVisible(false));
    EXPECT_EQ(buttonEdit->FindChild(u"buttonName")->GetText(), String(u"BUTTON 3"));
    EXPECT_EQ(buttonEdit->FindChild(u"bankName")->GetText(), String(u"BANK 3"));
    EXPECT_EQ(buttonEdit->GetFirstParamID(), kButtons + 20);
    ASSERT_FALSE(main->requests.empty());
    EXPECT_EQ(main->requests.back(), kButtons + 20);
    for (int i = 0; i < 36; ++i) {
        EXPECT_EQ(Tile(i)->FindChild(u"button")->GetValue(), i == 20 ? 1.0 : 0.0) << i;
        const KX::ConstRCPtr<IPushButton> handed = device->buttons->GetPushButton(i);
        EXPECT_EQ(handed.Get(), i == 20 ? static_cast<const IPushButton*>(buttonEdit.Get())
                                        : dynamic_cast<const IPushButton*>(Tile(i).Get()))
            << i;
    }
    // A value for another button goes to its tile only; one for the chosen button to the edit panel,
    // which passes it on to its tile.
    Bytes value = Default(25 + 7);
    value[6] = 99;
    EXPECT_EQ(Deliver(kButtons + 7, value), S_OK);
    EXPECT_EQ(Tile(7)->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText(), String(u"CC:\n99"));
    value[6] = 42;
    EXPECT_EQ(Deliver(kButtons + 20, value), S_OK);
    EXPECT_EQ(Tile(20)->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText(), String(u"CC:\n42"));
    EXPECT_EQ(Tile(7)->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText(), String(u"CC:\n99"));
    EXPECT_EQ(selectors[5]->GetSelectedIndex(), value[15] + 1);

    // Another group's edit panel takes the place: the button tiles are released.
    buttonEdit->SetVisible(false);
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(Tile(i)->FindChild(u"button")->GetValue(), 0.0) << i;
    // Labels only for buttons that exist.
    buttonEdit->SetButtonLabelText(36);
    EXPECT_EQ(buttonEdit->FindChild(u"buttonName")->GetText(), String(u"BUTTON 3"));
    buttonEdit->SetButtonLabelText(35);
    EXPECT_EQ(buttonEdit->FindChild(u"buttonName")->GetText(), String(u"BUTTON 9"));
    EXPECT_EQ(buttonEdit->FindChild(u"bankName")->GetText(), String(u"BANK 4"));
}

TEST_F(ButtonPanelsTest, InEveryGroupASecondClickLeavesOnlyItsTilePressed)
{
    for (const std::vector<RCPtr<LControl>>* tiles :
         {&device->buttons->GetTiles(), &device->faders->GetTiles(), &device->encoders->GetTiles()}) {
        Click((*tiles)[1]);
        Click((*tiles)[4]);
        for (size_t i = 0; i < tiles->size(); ++i)
            EXPECT_EQ((*tiles)[i]->FindChild(u"button")->GetValue(), i == 4 ? 1.0 : 0.0) << i;
    }
}

TEST_F(ButtonPanelsTest, ShiftClickStepsTheIndicatorThroughTheFourColours)
{
    Bytes value = Default(25 + 3);
    value[1] = 2, value[2] = 0, value[3] = 0, value[4] = 5;
    EXPECT_EQ(Deliver(kButtons + 3, value), S_OK);
    const RCPtr<LControl> indicator = Tile(3)->FindChild(u"color");
    EXPECT_EQ(indicator->GetActiveLookIndex(), 2);
    const int expected[] = {2, 0, 0, 5, 2, 0};
    for (int look : expected) {
        Click(Tile(3), 0x08);
        EXPECT_EQ(indicator->GetActiveLookIndex(), look);
    }
    // A plain click chooses the button and leaves the colour.
    Click(Tile(3));
    EXPECT_EQ(indicator->GetActiveLookIndex(), 0);
    EXPECT_EQ(RCPtr<LButtonPanel>(Tile(3))->GetShownColor(), 1);
}

TEST_F(ButtonPanelsTest, ColourCaptionsFollowTheLayoutOrder)
{
    const RCPtr<LControl> page =
        RCPtr<LTabControl>(buttonEdit->FindChild(u"viewTabControl"))->GetPageByName(u"colorPage");
    const std::pair<const char16_t*, const char16_t*> captions[] = {
        {u"color1", u"COLOR 1"}, {u"color2", u"COLOR 2"},       {u"color3", u"COLOR 3"},
        {u"color4", u"COLOR 4"}, {u"asciiColor", u"HID COLOR"},
    };
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(page->FindChild(name)->FindChild(u"colorNameLabel")->GetText(), String(caption));
    EXPECT_EQ(selectors[5]->GetListBox()->GetItemCount(), 87);
    EXPECT_EQ(selectors[6]->GetListBox()->GetItemCount(), 29);
}

TEST_F(ButtonPanelsTest, AMissingTileOrPageIsNamedInTheError)
{
    const RCPtr<LControl> bank = device->buttons->FindChild(u"buttonBank2");
    ASSERT_GE(bank->GetChildren().Remove(bank->FindChild(u"button5")), 0);
    try {
        static_cast<void>(device->buttons->Initialize());
        ADD_FAILURE() << "a group without its tile";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Runtime Error : Null Pointer : can not find child button5 : "
                                              "LButtonGroupPanel::Initialize : UI\\KivoSeriesCommon\\ButtonGroupPanel",
                                              0),
                  0u)
            << e.what();
    }
    const RCPtr<LControl> holder =
        RCPtr<LTabControl>(buttonEdit->FindChild(u"viewTabControl"))->FindChild(u"pageHolder");
    ASSERT_GE(holder->GetChildren().Remove(holder->FindChild(u"asciiPage")), 0);
    try {
        static_cast<void>(buttonEdit->Initialize());
        ADD_FAILURE() << "an edit panel without its HID page";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Null Pointer : Couldn't find child asciiPage"), std::string::npos)
            << e.what();
    }
}

TEST_F(ButtonPanelsTest, PicturesOfTheButtonsAndTheirEditPanel)
{
    for (int i = 0; i < 9; ++i) {
        Bytes value = Default(25 + i);
        value[0] = char(i * 2);
        if (i == 3)
            value[5] = 1, value[6] = 17, value[7] = 12;
        if (i == 5)
            value[5] = 1, value[6] = 21, value[8] = 2;
        if (i == 7)
            value[5] = 1, value[6] = 6, value[8] = 100, value[13] = 1;
        EXPECT_EQ(Deliver(kButtons + i, value), S_OK);
    }
    Choose(2, Default(27));
    WritePicture(PicturePath("buttons.png"), {290, 22 + 246, 686, 84});
    for (const char16_t* page : {u"midiPage", u"colorPage", u"asciiPage"}) {
        ShowTab(buttonEdit->FindChild(u"viewTabControl"), page);
        const std::u16string name(page);
        WritePicture(PicturePath("button-edit-" + std::string(name.begin(), name.end()) + ".png"),
                     {0, 22 + 430, 1200, 320});
    }
}

class HostedGroupsTest : public DeviceViewFixture {
protected:
    bool HostView() const override { return true; }
};

TEST_F(HostedGroupsTest, AClickAsksTheDeviceViewToShowTheEditPanelOfItsGroup)
{
    const RCPtr<RecordingView> host(view);
    ASSERT_TRUE(host);
    Click(device->buttons->GetTiles()[20]);
    Click(device->faders->GetTiles()[22]);
    Click(device->encoders->GetTiles()[31]);
    const std::vector<std::pair<int32_t, int32_t>> expected = {{6, 20}, {0, 22}, {1, 31}};
    EXPECT_EQ(host->shown, expected);
    // Showing is the view's work; the groups re-point their panels.
    EXPECT_FALSE(buttonEdit->IsVisible(false));
    EXPECT_EQ(buttonEdit->GetFirstParamID(), kButtons + 20);
    EXPECT_EQ(faderEdit->GetFirstParamID(), kFaders + 22);
    EXPECT_EQ(knobEdit->GetFirstParamID(), kEncoders + 31);
    EXPECT_EQ(main->requests, (std::vector<int32_t>{kButtons + 20, kFaders + 22, kEncoders + 31}));
}

} // namespace
} // namespace KX::Test
