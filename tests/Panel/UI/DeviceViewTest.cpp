// The main control and the device view over a real device-model engine: a hand-built view tree
// whose group areas are recording panels, so that every one of the 131 values can be followed
// from a preset file to its panel and from a panel's edit to a saved file; the menus, hot keys,
// banks, edit panels and every refused preset file.
#include "Panel/UI/DeviceView.h"
#include "KXFramework/ControlBase/ControlDescriptor.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/ComboMenu.h"
#include "KXFramework/Controls/MainMenu.h"
#include "KXFramework/Controls/PopupMenu.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "Panel/UI/DeviceViewHost.h"
#include "Panel/UI/DriverCommon/MainControl.h"
#include "Panel/UI/DriverCommon/UIModuleGroup.h"
#include "Panel/UI/DriverCommon/UIModuleLeaf.h"

#include "../Resources/GeneratedSkinFixture.h"
#include "FakeFileChooser.h"
#include "FakeMessageBox.h"
#include "FakeShellOpen.h"
#include "PostRecorder.h"
#include "ScopedService.h"
#include "TempFolder.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Where the blob of parameter `index` starts in a preset file: the 12-byte head, then per
// parameter a 12-byte record head and its bytes.
size_t BlobOffset(int32_t index)
{
    size_t offset = 12;
    for (int32_t i = 0; i < index; ++i)
        offset += 12 + ParamValueSize(i);
    return offset + 12;
}

// Parameter i's value, distinct from every other: bytes i & 0x7F, i >> 7, then 1, 2, 3 ...
Variant Distinct(int32_t i)
{
    Bytes bytes(ParamValueSize(i));
    for (size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = static_cast<uint8_t>(k == 0 ? (i & 0x7F) : k == 1 ? (i >> 7) : k);
    Variant v;
    v.SetBlob(bytes.data(), static_cast<unsigned>(bytes.size()));
    return v;
}

Bytes BytesOf(const Variant& v)
{
    unsigned size = 0;
    const unsigned char* data = v.GetData(&size);
    return Bytes(data, data + size);
}

// A control given a skin descriptor of its own before it gets children, so that it has a layout
// that records its visibility.
template <class T>
RCPtr<T> Laid(T* control)
{
    RCPtr<T> held(control);
    static_cast<void>(held->ApplyDescriptor(
        RCPtr<LControlDescriptor>(new LControlDescriptor(u"Framework.Panel", held->GetName(), nullptr))));
    return held;
}

// The host: the texts are their keys, the dialogs and the connection are recorded and scripted.
class FakeHost final : public IDeviceViewHost {
public:
    bool IsDeviceConnected() override { return connected; }
    void StartDevicePolling() override { ++pollingStarts; }
    int32_t RunDialog(const String& name) override
    {
        dialogs.emplace_back(name.GetString());
        return 1;
    }
    int32_t ShowMessageBox(const String& text, const String& caption, uint32_t flags) override
    {
        return boxes.Show({text.GetString(), caption.GetString(), flags, 0});
    }
    // The filter's two parts in English, as the dialog splits them; every other key stands for its text.
    String GetAppString(const char16_t* key) override
    {
        const std::u16string k(key);
        if (k == u"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_1")
            return u"Control Panel Settings (*.";
        if (k == u"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2")
            return u"|All Files (*.*)|*.*";
        return String(key);
    }
    String GetProgramFolder() override { return u"/opt/kivo"; }
    Platform::FileChooser& GetFileChooser() override { return chooser; }
    Platform::MessageBoxService& GetMessageBoxes() override { return boxes; }

    bool connected = false;
    int pollingStarts = 0;
    std::vector<std::u16string> dialogs;
    FakeMessageBox boxes;
    FakeFileChooser chooser;
};

// A control's panel that records the values it was shown; it can answer a value by reporting it
// straight to the root, as a careless panel would.
template <class I>
class SpyLeaf : public LUIModuleLeaf<I> {
public:
    using LUIModuleLeaf<I>::LUIModuleLeaf;
    KXRESULT Edit(const Bytes& bytes) { return this->ReportParamValue(bytes.data()); }

    std::vector<Bytes> shown;
    KXRESULT echoResult = 0;
    bool echo = false;

protected:
    KXRESULT ShowParamValue(const unsigned char* bytes, int) override
    {
        shown.emplace_back(bytes, bytes + I::kValueSize);
        if (echo) {
            Variant v;
            v.SetBlob(bytes, I::kValueSize);
            echoResult = FindUIModuleRoot(*this)->ReportParamValueChange(ParamDescriptor(this->GetFirstParamID()), v);
        }
        return S_OK;
    }
};

#define SPY_GROUP(Name, Interface, Leaf, Getter)                                                                       \
    class Name : public LUIModuleGroup<Interface, Leaf> {                                                              \
    public:                                                                                                            \
        Name(const RCPtr<LControl>& parent, const String& name) : LUIModuleGroup(parent, name)                         \
        {                                                                                                              \
            static_cast<void>(ApplyDescriptor(                                                                         \
                RCPtr<LControlDescriptor>(new LControlDescriptor(u"Framework.Panel", name, nullptr))));                \
            for (int i = 0; i < Interface::kChildCount; ++i)                                                           \
                m_items.push_back(                                                                                     \
                    RCPtr<Leaf>(new SpyLeaf<Leaf>(RCPtr<LControl>(this), String::Format(u"item%d", i + 1))));          \
        }                                                                                                              \
        KX::ConstRCPtr<Leaf> Getter(int32_t i) const override { return HandOut(i); }                                   \
        SpyLeaf<Leaf>& Item(int i) { return dynamic_cast<SpyLeaf<Leaf>&>(*m_items[size_t(i)]); }                       \
    }

SPY_GROUP(SpyZones, IKeybedZones, IKeybedZone, GetKeybedZone);
SPY_GROUP(SpyWheels, IWheels, IWheel, GetWheel);
SPY_GROUP(SpyPads, IPads, IPad, GetPad);
SPY_GROUP(SpyButtons, IPushButtons, IPushButton, GetPushButton);
SPY_GROUP(SpyFaders, IFaders, IFader, GetFader);
SPY_GROUP(SpyEncoders, IEncoders, IEncoder, GetEncoder);
SPY_GROUP(SpyAxes, ITouchPadAxises, ITouchPadAxis, GetTouchPadAxis);
#undef SPY_GROUP

class SpyPedals : public LPanel, public IPedals {
public:
    SpyPedals(const RCPtr<LControl>& parent, const String& name) : LPanel(parent, name)
    {
        static_cast<void>(
            ApplyDescriptor(RCPtr<LControlDescriptor>(new LControlDescriptor(u"Framework.Panel", name, nullptr))));
        volume = RCPtr<SpyLeaf<IVolumePedal>>(new SpyLeaf<IVolumePedal>(RCPtr<LControl>(this), u"volumePedal"));
        sustain = RCPtr<SpyLeaf<ISustainPedal>>(new SpyLeaf<ISustainPedal>(RCPtr<LControl>(this), u"sustainPedal"));
    }
    KX::ConstRCPtr<IVolumePedal> GetVolumePedal() const override { return KX::ConstRCPtr<IVolumePedal>(volume.Get()); }
    KX::ConstRCPtr<ISustainPedal> GetSustainPedal() const override
    {
        return KX::ConstRCPtr<ISustainPedal>(sustain.Get());
    }
    RCPtr<SpyLeaf<IVolumePedal>> volume;
    RCPtr<SpyLeaf<ISustainPedal>> sustain;
};

const char16_t* const kEditPanels[] = {u"padEditPanel",         u"knobEditPanel",  u"faderEditPanel",
                                       u"volumePedalEditPanel", u"wheelEditPanel", u"xyPadEditPanel",
                                       u"sustainEditPage",      u"zoneEditPanel",  u"buttonEditPanel"};

class DeviceViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        posts = PostRecorder::Create({u"NID_PARAM_MODULE_STATE_CHANGE", u"NID_APP_EXIT_REQ"});
        engine = LRootModuleEngine::Create();
        ASSERT_EQ(engine->Initialize(0), S_OK);
        LRootModuleEngine::SetRootModuleEngine(engine);
        posts->Deliver();

        main = Laid(new LMainControl(nullptr, u"mainControl"));
        view = Laid(new LDeviceView(RCPtr<LControl>(main), u"viewDevice"));
        const RCPtr<LControl> parent(view);
        for (const char16_t* name : kEditPanels)
            Laid(new LPanel(parent, name));
        zones = RCPtr<SpyZones>(new SpyZones(parent, u"keybedZones"));
        wheels = RCPtr<SpyWheels>(new SpyWheels(parent, u"wheels"));
        pedals = RCPtr<SpyPedals>(new SpyPedals(parent, u"pedals"));
        pads = RCPtr<SpyPads>(new SpyPads(parent, u"pads"));
        buttons = RCPtr<SpyButtons>(new SpyButtons(parent, u"buttons"));
        faders = RCPtr<SpyFaders>(new SpyFaders(parent, u"faders"));
        encoders = RCPtr<SpyEncoders>(new SpyEncoders(parent, u"encoders"));
        axes = RCPtr<SpyAxes>(new SpyAxes(parent, u"xyPad"));
        presetName = Laid(new SpyLeaf<IPresetName>(parent, u"presetNameEditPanel"));
        for (int bank = 1; bank <= 4; ++bank) {
            for (const auto& [area, stem] : {std::pair<LControl*, const char16_t*>{faders.Get(), u"faderBank%d"},
                                             {buttons.Get(), u"buttonBank%d"},
                                             {encoders.Get(), u"encoderBank%d"}})
                Laid(new LPanel(RCPtr<LControl>(area), String::Format(stem, bank)));
        }
        const RCPtr<LControl> banks(Laid(new LPanel(parent, u"groupBankPanel")));
        for (int bank = 1; bank <= 4; ++bank)
            Laid(new LButton(banks, String::Format(u"bank%d", bank)));

        ASSERT_EQ(view->Initialize(), S_OK);
        view->SetCreated();
        ASSERT_EQ(main->Initialize(), S_OK);
        main->SetCreated();
        view->RefreshIdleSubscription();
        posts->Deliver();
        initiallyShown = Shown();
        ForgetShown();
    }
    void TearDown() override
    {
        static_cast<void>(main->BreakCycles());
        LRootModuleEngine::SetRootModuleEngine(nullptr);
        static_cast<void>(engine->BreakCycles());
        posts->Deliver();
        posts->Stop();
    }

    int32_t First() const { return engine->GetFirstParamID(); }
    std::vector<Variant> Model()
    {
        Array<ParamValue> values;
        EXPECT_EQ(engine->GetParamValues(First(), kParamCount, values), S_OK);
        std::vector<Variant> model;
        for (unsigned i = 0; i < values.GetCount(); ++i)
            model.push_back(values.GetAt(i).value);
        return model;
    }
    // What every recording panel was shown, by parameter index.
    std::map<int32_t, std::vector<Bytes>> Shown()
    {
        std::map<int32_t, std::vector<Bytes>> shown;
        auto take = [&](auto& leaf) {
            if (!leaf.shown.empty())
                shown[leaf.GetFirstParamID() - First()] = leaf.shown;
        };
        take(*presetName);
        for (int i = 0; i < 4; ++i)
            take(zones->Item(i));
        for (int i = 0; i < 2; ++i) {
            take(wheels->Item(i));
            take(axes->Item(i));
        }
        take(*pedals->volume);
        take(*pedals->sustain);
        for (int i = 0; i < 16; ++i)
            take(pads->Item(i));
        for (int i = 0; i < 36; ++i) {
            take(buttons->Item(i));
            take(faders->Item(i));
        }
        for (int i = 0; i < 32; ++i)
            take(encoders->Item(i));
        return shown;
    }
    void ForgetShown()
    {
        presetName->shown.clear();
        pedals->volume->shown.clear();
        pedals->sustain->shown.clear();
        for (int i = 0; i < 36; ++i) {
            buttons->Item(i).shown.clear();
            faders->Item(i).shown.clear();
            if (i < 32)
                encoders->Item(i).shown.clear();
            if (i < 16)
                pads->Item(i).shown.clear();
            if (i < 4)
                zones->Item(i).shown.clear();
            if (i < 2) {
                wheels->Item(i).shown.clear();
                axes->Item(i).shown.clear();
            }
        }
    }

    void ChooseFile(const fs::path& path)
    {
        host->chooser.results.push_back(
            {Platform::FileChooserResult::Kind::Chosen, {String(path.string().c_str()).GetString()}});
    }
    static bool Same(const std::vector<Variant>& a, const std::vector<Variant>& b)
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (!(a[i] == b[i]))
                return false;
        return true;
    }

    FakeFrameworkServices services;
    std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>();
    ScopedService<std::shared_ptr<IDeviceViewHost>> hostSlot{IDeviceViewHost::Slot(), host};
    ScopedService<LPresetManager::MessageHook> hook{
        LPresetManager::MessageHookSlot(), [this](const char16_t* text, const char16_t* caption, uint32_t flags) {
            return host->ShowMessageBox(text, caption, flags);
        }};
    std::shared_ptr<FakeShellOpen> opener = std::make_shared<FakeShellOpen>();
    ScopedService<std::shared_ptr<Platform::ShellOpen>> openerSlot{Platform::ShellOpen::Slot(), opener};
    TempFolder folder;
    const fs::path dir{folder.Path()};
    RCPtr<PostRecorder> posts;
    RCPtr<LRootModuleEngine> engine;
    RCPtr<LMainControl> main;
    RCPtr<LDeviceView> view;
    RCPtr<SpyZones> zones;
    RCPtr<SpyWheels> wheels;
    RCPtr<SpyPedals> pedals;
    RCPtr<SpyPads> pads;
    RCPtr<SpyButtons> buttons;
    RCPtr<SpyFaders> faders;
    RCPtr<SpyEncoders> encoders;
    RCPtr<SpyAxes> axes;
    RCPtr<SpyLeaf<IPresetName>> presetName;
    // What the panels were shown as the main control started.
    std::map<int32_t, std::vector<Bytes>> initiallyShown;
};

} // namespace

TEST_F(DeviceViewTest, APresetFileLoadedThroughTheViewReachesTheEngineAndEveryPanel)
{
    // At start every panel shows the model's value once.
    const std::vector<Variant> defaults = Model();
    ASSERT_EQ(initiallyShown.size(), size_t(kParamCount));
    for (int32_t i = 0; i < kParamCount; ++i)
        EXPECT_EQ(initiallyShown.at(i), std::vector<Bytes>{BytesOf(defaults[size_t(i)])}) << "parameter " << i;

    Array<ParamValue> values;
    for (int32_t i = 0; i < kParamCount; ++i) {
        ParamValue pv;
        pv.descriptor = ParamDescriptor(First() + i);
        pv.value = Distinct(i);
        values.AddItem(pv);
    }
    Array<unsigned char> file;
    ASSERT_EQ(LPresetManager::WritePresetFile(values, file), S_OK);
    const fs::path path = dir / "distinct.Kivo61PresetEditor";
    WriteFile(path, Bytes(file.GetData(), file.GetData() + file.GetCount()));

    // Ctrl+O reaches the view on the application's centre, menu or not.
    ChooseFile(path);
    RCPtr<LNotification> ctrlO;
    ASSERT_EQ(LNotification::Create(ctrlO, u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE", nullptr), S_OK);
    ASSERT_EQ(GetDefaultNotificationCenter()->PostNotification(ctrlO), S_OK);
    posts->Deliver();

    ASSERT_EQ(host->chooser.requests.size(), 1u);
    const Platform::FileChooserRequest& request = host->chooser.requests[0];
    EXPECT_EQ(request.title, u"LOAD_PRESET_DIALOG_TITLE");
    EXPECT_TRUE(request.mustExist);
    EXPECT_TRUE(host->boxes.requests.empty());
    const std::vector<Variant> model = Model();
    ASSERT_EQ(model.size(), size_t(kParamCount));
    const std::map<int32_t, std::vector<Bytes>> shown = Shown();
    ASSERT_EQ(shown.size(), size_t(kParamCount));
    for (int32_t i = 0; i < kParamCount; ++i) {
        EXPECT_EQ(BytesOf(model[size_t(i)]), BytesOf(Distinct(i))) << "parameter " << i;
        ASSERT_EQ(shown.at(i).size(), 1u) << "parameter " << i;
        EXPECT_EQ(shown.at(i).back(), BytesOf(Distinct(i))) << "parameter " << i;
    }

    // Saved again, the file is the same bytes.
    const fs::path again = dir / "again.Kivo61PresetEditor";
    ChooseFile(again);
    EXPECT_EQ(view->SavePresetToFile(), S_OK);
    EXPECT_EQ(ReadFile(again), ReadFile(path));
}

TEST_F(DeviceViewTest, AnEditGoesToTheEngineAndIntoTheSavedFileButTheEchoOfADeliveryDoesNot)
{
    // Push button 12 (bank 2, button 3), parameter 25 + 11.
    SpyLeaf<IPushButton>& button = buttons->Item(11);
    const Bytes edit = {0x0C, 0x00, 0x09, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x00, 0x00};
    ASSERT_EQ(button.Edit(edit), S_OK);
    const auto announced = posts->Deliver();
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(button.shown.size(), 1u); // the engine's announcement comes back down once

    const fs::path path = dir / "edited.Kivo61PresetEditor";
    ChooseFile(path);
    EXPECT_EQ(view->SavePresetToFile(), S_OK);
    const Bytes file = ReadFile(path);
    ASSERT_EQ(file.size(), LPresetManager::kFileSize);
    const size_t at = BlobOffset(25 + 11);
    EXPECT_EQ(Bytes(file.begin() + long(at), file.begin() + long(at + edit.size())), edit);
    ASSERT_EQ(host->chooser.requests.size(), 1u);
    EXPECT_EQ(host->chooser.requests[0].title, u"SAVE_PRESET_DIALOG_TITLE");
    EXPECT_TRUE(host->chooser.requests[0].save);

    // A panel answering a delivery with that very value sends nothing; afterwards it does.
    button.echo = true;
    Variant v;
    v.SetBlob(edit.data(), unsigned(edit.size()));
    EXPECT_EQ(main->ApplyParamValue(ParamDescriptor(First() + 36), v), S_OK);
    EXPECT_EQ(button.echoResult, S_FALSE);
    EXPECT_TRUE(posts->Deliver().empty());
    EXPECT_EQ(main->ReportParamValueChange(ParamDescriptor(First() + 36), v), S_OK);
    button.echo = false;
    EXPECT_EQ(posts->Deliver().size(), 1u);

    // Pseudo identifiers, empty values and identifiers outside the device change nothing.
    const size_t before = button.shown.size();
    for (int32_t id : {-8, First() + 131, First() - 1})
        EXPECT_EQ(main->ApplyParamValue(ParamDescriptor(id), v), S_OK);
    EXPECT_EQ(main->ApplyParamValue(ParamDescriptor(First() + 36), Variant()), S_OK);
    EXPECT_EQ(button.shown.size(), before);

    // Two edits before the announcements come down (a name typed faster than the idle passes): the
    // first announcement is older than what the engine holds and does not set the panel back.
    Bytes typed = edit;
    typed[11] = 0x07;
    ASSERT_EQ(button.Edit(edit), S_OK);
    ASSERT_EQ(button.Edit(typed), S_OK);
    button.shown.clear();
    EXPECT_EQ(posts->Deliver().size(), 2u);
    EXPECT_EQ(button.shown, std::vector<Bytes>{typed});
}

TEST_F(DeviceViewTest, MenuItemsFollowTheConnectionAndCommandsOpenTheirDialogs)
{
    const std::vector<std::pair<const char16_t*, bool>> deviceItems = {
        {u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE", true}, {u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE", true},
        {u"NID_MENU_FILE_GLOBALSETTINGS_REQ", true},    {u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE", false},
        {u"NID_MENU_FILE_SAVE_PRESET_TO_FILE", false},  {u"NID_MENU_FILE_EXIT_REQ", false},
        {u"NID_MENU_HELP_OPEN_USER_GUIDE_REQ", false},  {u"NID_MENU_HELP_ABOUT_REQ", false}};
    for (bool connected : {false, true, false}) {
        host->connected = connected;
        for (const auto& [name, device] : deviceItems) {
            MenuItemState state;
            state.enabled = 1;
            const KXRESULT r = view->HandleEditRequest(nullptr, 0, String(name), state);
            EXPECT_EQ(r, device ? S_OK : S_FALSE) << String(name).ToNarrow().GetString();
            EXPECT_EQ(state.enabled, device ? uint8_t(connected) : uint8_t(1)) << String(name).ToNarrow().GetString();
        }
    }
    EXPECT_EQ(host->pollingStarts, 1);

    auto send = [&](const char16_t* name) {
        RCPtr<LNotification> n;
        ASSERT_EQ(LNotification::Create(n, name, nullptr), S_OK);
        EXPECT_EQ(view->ReceiveNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()), n), 1);
    };
    for (const char16_t* name : {u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE", u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE"})
        send(name);
    EXPECT_EQ(view->OnMenuAbout(nullptr, nullptr), 1);
    EXPECT_EQ(view->OnMenuGlobalSettings(nullptr, nullptr), 1);
    EXPECT_EQ(host->dialogs, (std::vector<std::u16string>{u"dialogRetrievePresetFromHardware", u"dialogSendPreset",
                                                          u"dialogAbout", u"globalEditorControl"}));

    // Cancelled file dialogs stay silent and touch nothing.
    send(u"NID_MENU_FILE_SAVE_PRESET_TO_FILE");
    send(u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE");
    EXPECT_EQ(host->chooser.requests.size(), 2u);
    for (const Platform::FileChooserRequest& request : host->chooser.requests) {
        ASSERT_EQ(request.filters.size(), 2u);
        EXPECT_EQ(request.filters[0].first, u"Control Panel Settings (*.Kivo61PresetEditor)");
        EXPECT_EQ(request.filters[1].first, u"All Files (*.*)");
    }
    EXPECT_TRUE(host->boxes.requests.empty());
    EXPECT_EQ(view->GetPresetFileFilter(true),
              String(u"Control Panel Settings (*.Kivo61PresetEditor)|*.Kivo61PresetEditor|All Files (*.*)|*.*"));
    EXPECT_EQ(view->GetDefaultFileMask(), String(u"*.Kivo61PresetEditor"));

    // Exit asks the application to leave.
    EXPECT_EQ(view->OnMenuExit(nullptr, nullptr), 1);
    const auto exits = posts->Deliver();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].name, u"NID_APP_EXIT_REQ");
}

TEST_F(DeviceViewTest, TheUserGuideOpensFromTheProgramFolderAndABoxSaysWhenItCannot)
{
    for (bool opens : {true, false}) {
        opener->answers.push_back(opens);
        EXPECT_EQ(view->OnMenuOpenUserGuide(nullptr, nullptr), 1);
        EXPECT_EQ(opener->paths.back(), "/opt/kivo/USER_GUIDE_FILE_NAME");
    }
    ASSERT_EQ(host->boxes.requests.size(), 1u);
    EXPECT_EQ(host->boxes.requests[0].text, u"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_TEXT");
    EXPECT_EQ(host->boxes.requests[0].caption, u"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_CAPTION");
    EXPECT_EQ(host->boxes.requests[0].flags, 0u);
}

TEST_F(DeviceViewTest, BankButtonsSwitchTheThreeBankedAreasAndOneEditPanelShowsAtATime)
{
    RCPtr<LControl> banks = view->FindChild(u"groupBankPanel");
    auto bankButton = [&](int n) { return RCPtr<LButton>(banks->FindChild(String::Format(u"bank%d", n))); };
    EXPECT_EQ(bankButton(1)->GetValue(), 1.0);
    for (int clicked : {3, 3, 1}) {
        RCPtr<LNotification> click;
        ASSERT_EQ(LNotification::Create(click, u"NID_LEFT_CLICK", nullptr), S_OK);
        ASSERT_EQ(bankButton(clicked)->SendNotification(click), S_OK);
        for (int n = 1; n <= 4; ++n) {
            EXPECT_EQ(bankButton(n)->GetValue(), n == clicked ? 1.0 : 0.0);
            EXPECT_EQ(faders->FindChild(String::Format(u"faderBank%d", n))->GetLayoutDescriptor()->isVisible,
                      n == clicked);
            EXPECT_EQ(buttons->FindChild(String::Format(u"buttonBank%d", n))->GetLayoutDescriptor()->isVisible,
                      n == clicked);
            EXPECT_EQ(encoders->FindChild(String::Format(u"encoderBank%d", n))->GetLayoutDescriptor()->isVisible,
                      n == clicked);
        }
    }

    auto visible = [&] {
        std::vector<std::u16string> names;
        for (const char16_t* name : kEditPanels)
            if (view->FindChild(name)->GetLayoutDescriptor()->isVisible)
                names.emplace_back(name);
        return names;
    };
    // The push button panel starts as the skin has it (here visible); the other eight start hidden.
    EXPECT_EQ(visible(), std::vector<std::u16string>{u"buttonEditPanel"});
    const struct {
        int group, sub;
        std::vector<std::u16string> shown;
    } steps[] = {
        {0, 0, {u"faderEditPanel"}},   {1, 4, {u"knobEditPanel"}},        {2, 0, {u"padEditPanel"}},
        {3, 1, {u"xyPadEditPanel"}},   {4, 0, {u"wheelEditPanel"}},       {5, 3, {u"zoneEditPanel"}},
        {6, 30, {u"buttonEditPanel"}}, {7, 0, {u"volumePedalEditPanel"}}, {7, 1, {u"sustainEditPage"}},
        {7, 5, {u"sustainEditPage"}},  {0, 0, {u"faderEditPanel"}},       {7, 5, {}},
    };
    for (const auto& step : steps) {
        view->ShowEditPanel(step.group, step.sub);
        EXPECT_EQ(visible(), step.shown) << step.group << " " << step.sub;
    }
    EXPECT_TRUE(presetName->GetLayoutDescriptor()->isVisible);
}

// Every refused file: its box under "Preset File Load", the model and the panels untouched.
TEST_F(DeviceViewTest, EveryRefusedPresetFileGivesItsBoxAndChangesNothing)
{
    Array<unsigned char> saved;
    {
        Array<ParamValue> values;
        for (int32_t i = 0; i < kParamCount; ++i) {
            ParamValue pv;
            pv.descriptor = ParamDescriptor(First() + i);
            pv.value = Distinct(i);
            values.AddItem(pv);
        }
        ASSERT_EQ(LPresetManager::WritePresetFile(values, saved), S_OK);
    }
    const Bytes good(saved.GetData(), saved.GetData() + saved.GetCount());
    auto with = [&](size_t at, uint8_t byte) {
        Bytes b = good;
        b[at] = byte;
        return b;
    };
    const std::u16string incompatible_older = u"SETTINGS_FILE_LOAD_OLDER_MESSAGE";
    const struct {
        const char* kind;
        std::function<fs::path()> make;
        std::u16string text;
    } cases[] = {
        {"newer",
         [&] {
             WriteFile(dir / "newer", with(0, 2));
             return dir / "newer";
         },
         u"SETTINGS_FILE_LOAD_NEWER_MESSAGE"},
        {"older",
         [&] {
             WriteFile(dir / "older", with(0, 0));
             return dir / "older";
         },
         incompatible_older},
        {"corrupt",
         [&] {
             WriteFile(dir / "corrupt", with(12, 0x7F));
             return dir / "corrupt";
         },
         u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE"},
        {"wrong device",
         [&] {
             WriteFile(dir / "device", with(4, 0x2E));
             return dir / "device";
         },
         u"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE"},
        {"unreadable",
         [&] {
             fs::create_symlink(dir / "loop", dir / "loop");
             return dir / "loop";
         },
         u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE"},
        {"empty",
         [&] {
             WriteFile(dir / "empty", {});
             return dir / "empty";
         },
         u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE"},
        {"truncated",
         [&] {
             WriteFile(dir / "cut", Bytes(good.begin(), good.begin() + long(good.size() / 2)));
             return dir / "cut";
         },
         u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE"},
        {"directory",
         [&] {
             fs::create_directory(dir / "folder");
             return dir / "folder";
         },
         u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE"},
        {"100 MB",
         [&] {
             WriteFile(dir / "huge", good);
             fs::resize_file(dir / "huge", 100u * 1024 * 1024);
             return dir / "huge";
         },
         u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE"},
    };
    const std::vector<Variant> before = Model();
    for (const auto& c : cases) {
        host->boxes.requests.clear();
        ChooseFile(c.make());
        EXPECT_LT(view->LoadPresetFromFile(), 0) << c.kind;
        posts->Deliver();
        ASSERT_EQ(host->boxes.requests.size(), 1u) << c.kind;
        EXPECT_EQ(host->boxes.requests[0].text, c.text) << c.kind;
        EXPECT_EQ(host->boxes.requests[0].caption, u"SETTINGS_FILE_LOAD_CAPTION") << c.kind;
        EXPECT_EQ(host->boxes.requests[0].flags, 0x10u) << c.kind;
        EXPECT_TRUE(Same(Model(), before)) << c.kind;
        EXPECT_TRUE(Shown().empty()) << c.kind;
    }

    // A sound file the engine cannot take (no engine) is reported too, and changes nothing.
    WriteFile(dir / "good", good);
    LRootModuleEngine::SetRootModuleEngine(nullptr);
    host->boxes.requests.clear();
    ChooseFile(dir / "good");
    EXPECT_EQ(view->LoadPresetFromFile(), E_FAIL);
    LRootModuleEngine::SetRootModuleEngine(engine);
    ASSERT_EQ(host->boxes.requests.size(), 1u);
    EXPECT_EQ(host->boxes.requests[0].text, u"SETTINGS_FILE_LOAD_FAILED_MESSAGE");
    EXPECT_EQ(host->boxes.requests[0].flags, 0x10u);
    EXPECT_TRUE(Same(Model(), before));
}

TEST_F(DeviceViewTest, AFailedSaveIsReportedAndKeepsTheOldFile)
{
    const fs::path locked = dir / "locked";
    fs::create_directory(locked);
    const fs::path path = locked / "old.Kivo61PresetEditor";
    const Bytes old = {1, 2, 3};
    WriteFile(path, old);
    // A folder that takes no new file; root writes anywhere, so there the file size limit refuses.
    ::chmod(locked.c_str(), 0555);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit previous = limit;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    if (::geteuid() == 0) {
        limit.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ChooseFile(path);
    const KXRESULT r = view->SavePresetToFile();
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);
    ::chmod(locked.c_str(), 0755);

    EXPECT_EQ(r, E_FAIL);
    ASSERT_EQ(host->boxes.requests.size(), 1u);
    EXPECT_EQ(host->boxes.requests[0].text, u"SETTINGS_FILE_SAVE_FAILED_MESSAGE");
    EXPECT_EQ(host->boxes.requests[0].caption, u"SETTINGS_FILE_SAVE_CAPTION");
    EXPECT_EQ(host->boxes.requests[0].flags, 0x10u);
    EXPECT_EQ(ReadFile(path), old);
}

} // namespace KX::Test

namespace KX::Test {

TEST_F(DeviceViewTest, AListOfValuesIsDeliveredInOrderAndTheEnginesOwnIdentifiersChangeNothing)
{
    SpyLeaf<IPushButton>& button = buttons->Item(0);
    const Variant first = Distinct(25), second = Distinct(26);
    Array<ParamValue> values;
    for (const auto& [id, v] :
         {std::pair<int32_t, Variant>{First() + 25, first}, {First() + 9, Distinct(9)}, {First() + 25, Distinct(26)}}) {
        ParamValue pv;
        pv.descriptor = ParamDescriptor(id);
        pv.value = v;
        values.AddItem(pv);
    }
    RCPtr<ParamValuesBatch> batch(new ParamValuesBatch);
    ASSERT_EQ(batch->Set(values), S_OK);
    RCPtr<LNotification> n;
    ASSERT_EQ(LNotification::Create(n, u"NID_PARAM_MODULE_STATE_CHANGE", RCPtr<LRefCountedObject>(batch)), S_OK);
    EXPECT_EQ(main->OnParamModuleStateChange(nullptr, n), 1);
    EXPECT_EQ(button.shown, (std::vector<Bytes>{BytesOf(first), BytesOf(second)}));
    EXPECT_EQ(pads->Item(0).shown, std::vector<Bytes>{BytesOf(Distinct(9))});

    // A device list already given with -2 needs no look-up and shows nothing.
    EXPECT_EQ(main->ApplyParamValue(ParamDescriptor(-2), first), S_OK);
    EXPECT_TRUE(posts->Deliver().empty());
}

// A missing child the view or the main control cannot work without names itself.
TEST(DeviceViewChildren, AMissingRequiredChildIsANullPointerErrorNamingIt)
{
    FakeFrameworkServices services;
    auto message = [](const std::function<void()>& initialize) {
        try {
            initialize();
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    RCPtr<LMainControl> main = Laid(new LMainControl(nullptr, u"mainControl"));
    EXPECT_EQ(message([&] { static_cast<void>(main->Initialize()); }),
              "Runtime Error : Null Pointer : LMainControl couldn't find viewDevice : KX::LMainControl::Initialize : "
              "UI\\DriverCommon\\MainControl : Line 38");
    RCPtr<LDeviceView> view = Laid(new LDeviceView(RCPtr<LControl>(main), u"viewDevice"));
    EXPECT_EQ(message([&] { static_cast<void>(view->Initialize()); }),
              "Runtime Error : Null Pointer : Cannot find child: padEditPanel : LDeviceView::Initialize : "
              "UI\\DeviceView : Line 83");
    // A child of the wrong kind is as good as missing.
    Laid(new LControl(RCPtr<LControl>(view), u"padEditPanel"));
    EXPECT_EQ(message([&] { static_cast<void>(view->Initialize()); }),
              "Runtime Error : Null Pointer : Cannot find child: padEditPanel : LDeviceView::Initialize : "
              "UI\\DeviceView : Line 83");
    static_cast<void>(main->BreakCycles());
}

} // namespace KX::Test

namespace KX::Test {

// The editor's own skin: the main control holds the device view with the menu connected and bank 1
// chosen; a click on bank 3 chooses it. The picture is left for a person to look at.
class MainWindowFromSkinTest : public GeneratedSkinFixture {};

TEST_F(MainWindowFromSkinTest, TheSkinsMainControlHoldsTheDeviceViewAndItsBanks)
{
    std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>();
    ScopedService<std::shared_ptr<IDeviceViewHost>> hostSlot(IDeviceViewHost::Slot(), host);
    RCPtr<LMainControl> main(Create(u"mainControl"));
    ASSERT_TRUE(main);
    ASSERT_EQ(root->SetContent(RCPtr<LControl>(main)), S_OK);
    const RCPtr<LDeviceView>& view = main->GetDeviceView();
    ASSERT_TRUE(view);
    EXPECT_EQ(main->GetDevice().Get(), static_cast<const IDevice*>(view.Get()));
    EXPECT_EQ(host->pollingStarts, 1);

    RCPtr<LControl> banks = view->FindChild(u"groupBankPanel");
    ASSERT_TRUE(banks);
    RCPtr<LNotification> click;
    ASSERT_EQ(LNotification::Create(click, u"NID_LEFT_CLICK", nullptr), S_OK);
    ASSERT_EQ(banks->FindChild(u"bank3")->SendNotification(click), S_OK);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(banks->FindChild(String::Format(u"bank%d", n))->GetValue(), n == 3 ? 1.0 : 0.0);
    const char* folder = std::getenv("KIVO_SCREENSHOT_DIR");
    WritePicture((folder && *folder ? std::string(folder) : std::string(".")) + "/main-window-bank3.png",
                 {0, 0, kWidth, kHeight});
}

// Every item of the skin's menus runs the command its text names: the item's identifier and the
// view's binding of it are both on the way.
TEST_F(MainWindowFromSkinTest, EachMenuItemRunsTheCommandItsTextNames)
{
    std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>();
    ScopedService<std::shared_ptr<IDeviceViewHost>> hostSlot(IDeviceViewHost::Slot(), host);
    std::shared_ptr<FakeShellOpen> opener = std::make_shared<FakeShellOpen>();
    ScopedService<std::shared_ptr<Platform::ShellOpen>> openerSlot(Platform::ShellOpen::Slot(), opener);
    RCPtr<PostRecorder> posts = PostRecorder::Create({u"NID_APP_EXIT_REQ"});
    RCPtr<LMainControl> main(Create(u"mainControl"));
    ASSERT_TRUE(main);
    ASSERT_EQ(root->SetContent(RCPtr<LControl>(main)), S_OK);
    host->connected = true;
    // What the view asked of the host, the opener and the application since the last look.
    const auto done = [&] {
        root->ProcessEvents(true);
        std::vector<std::u16string> what = host->dialogs;
        for (const Platform::FileChooserRequest& request : host->chooser.requests)
            what.push_back(request.title);
        for (const std::string& path : opener->paths)
            what.emplace_back(path.begin(), path.end());
        for (const PostRecorder::Post& post : posts->Deliver())
            what.push_back(post.name);
        host->dialogs.clear();
        host->chooser.requests.clear();
        opener->paths.clear();
        return what;
    };
    const std::map<std::u16string, std::u16string> commands = {
        {u"Send Preset", u"dialogSendPreset"},
        {u"Retrieve Preset", u"dialogRetrievePresetFromHardware"},
        {u"Load Preset", u"LOAD_PRESET_DIALOG_TITLE"},
        {u"Save Preset", u"SAVE_PRESET_DIALOG_TITLE"},
        {u"Global Settings", u"globalEditorControl"},
        {u"Exit", u"NID_APP_EXIT_REQ"},
        {u"Open User Guide", u"/opt/kivo/USER_GUIDE_FILE_NAME"},
        {u"About Kivo 61 Preset Editor", u"dialogAbout"},
    };
    std::set<std::u16string> chosen;
    const RCPtr<LMainMenu> bar(main->FindChild(u"mainMenu"));
    ASSERT_TRUE(bar);
    for (unsigned m = 0; m < bar->GetMenuCount(); ++m) {
        const RCPtr<LComboMenu> title = bar->GetMenuAt(m);
        const RCPtrArray<LMenuItemDescriptor, 1, 0>& items = title->GetPopup()->GetMenuDescriptor()->GetItems();
        for (unsigned i = 0; i < items.GetCount(); ++i) {
            if (items.GetAt(i)->separator)
                continue;
            std::u16string label = items.GetAt(i)->label.GetString();
            label.erase(label.find_last_not_of(u' ') + 1);
            SCOPED_TRACE(String(label.c_str()).ToNarrow().GetData());
            ASSERT_EQ(title->ShowDropDown(true), S_OK);
            EXPECT_EQ(title->GetPopup()->ActivateMenuItem(items.GetAt(i)), S_OK);
            ASSERT_TRUE(commands.count(label));
            EXPECT_EQ(done(), std::vector<std::u16string>{commands.at(label)});
            chosen.insert(label);
        }
    }
    EXPECT_EQ(chosen.size(), commands.size());
    posts->Stop();
}

// With the engine: a preset file loaded through the view reaches every panel the skin has, and a
// click on a tile shows its edit panel alone.
TEST_F(MainWindowFromSkinTest, APresetFileReachesThePanelsOfTheSkinAndATileClickShowsItsEditPanel)
{
    RCPtr<PostRecorder> posts = PostRecorder::Create({u"NID_PARAM_MODULE_STATE_CHANGE"});
    RCPtr<LRootModuleEngine> engine = LRootModuleEngine::Create();
    ASSERT_EQ(engine->Initialize(0), S_OK);
    LRootModuleEngine::SetRootModuleEngine(engine);
    std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>();
    ScopedService<std::shared_ptr<IDeviceViewHost>> hostSlot(IDeviceViewHost::Slot(), host);
    RCPtr<LMainControl> main(Create(u"mainControl"));
    ASSERT_TRUE(main);
    ASSERT_EQ(root->SetContent(RCPtr<LControl>(main)), S_OK);
    posts->Deliver();
    const int32_t first = engine->GetFirstParamID();

    Array<ParamValue> values;
    for (int32_t i = 0; i < kParamCount; ++i) {
        ParamValue pv;
        pv.descriptor = ParamDescriptor(first + i);
        pv.value = Distinct(i);
        values.AddItem(pv);
    }
    const Bytes name = {'L', 'O', 'A', 'D', 'E', 'D'};
    values.GetAt(0).value.SetBlob(name.data(), unsigned(name.size()));
    Array<unsigned char> file;
    ASSERT_EQ(LPresetManager::WritePresetFile(values, file), S_OK);
    TempFolder folder;
    const std::string path = folder.Path() + "/loaded.Kivo61PresetEditor";
    WriteFile(path, Bytes(file.GetData(), file.GetData() + file.GetCount()));
    host->chooser.results.push_back({Platform::FileChooserResult::Kind::Chosen, {String(path.c_str()).GetString()}});
    EXPECT_EQ(main->GetDeviceView()->LoadPresetFromFile(), S_OK);
    posts->Deliver();
    EXPECT_TRUE(host->boxes.requests.empty());

    // Every panel the skin has is numbered for its parameter and takes the engine's value.
    int panels = 0;
    for (int32_t i = 0; i < kParamCount; ++i) {
        RCPtr<LParameterizedModule> module = main->GetModule(first + i);
        if (!module)
            continue;
        ++panels;
        Variant v;
        ASSERT_EQ(engine->GetParamValue(first + i, v), S_OK);
        EXPECT_EQ(BytesOf(v), i == 0 ? name : BytesOf(Distinct(i))) << "parameter " << i;
        EXPECT_EQ(module->GetFirstParamID(), first + i);
        EXPECT_EQ(module->SetParamValueLocal(ParamDescriptor(first + i), v, 1), S_OK) << "parameter " << i;
    }
    EXPECT_EQ(panels, kParamCount);
    const RCPtr<LDeviceView>& view = main->GetDeviceView();
    RCPtr<LControl> textBox = view->FindChild(u"presetNameEditPanel")->FindChild(u"textBox");
    EXPECT_EQ(std::u16string(textBox->GetText().GetString()), u"LOADED");

    // One edit panel at a time, the one of the clicked tile.
    const struct {
        std::vector<const char16_t*> tile;
        const char16_t* editPanel;
    } clicks[] = {
        {{u"buttons", u"buttonBank1", u"button3"}, u"buttonEditPanel"},
        {{u"encoders", u"encoderBank1", u"encoder2"}, u"knobEditPanel"},
        {{u"faders", u"faderBank1", u"fader1"}, u"faderEditPanel"},
        {{u"keybedZones", u"zone2"}, u"zoneEditPanel"},
        {{u"pads", u"pad5"}, u"padEditPanel"},
        {{u"wheels", u"modWheel"}, u"wheelEditPanel"},
        {{u"pedals", u"sustainPedal"}, u"sustainEditPage"},
        {{u"pedals", u"volumePedal"}, u"volumePedalEditPanel"},
        {{u"xyPad", u"yAxis"}, u"xyPadEditPanel"},
        {{u"keybedZones", u"zone2"}, u"zoneEditPanel"},
    };
    for (const auto& click : clicks) {
        RCPtr<LControl> tile(view);
        for (const char16_t* step : click.tile)
            tile = tile->FindChild(step);
        ASSERT_TRUE(tile);
        RCPtr<LNotification> n;
        ASSERT_EQ(LNotification::Create(n, u"NID_LEFT_CLICK", nullptr), S_OK);
        ASSERT_EQ(tile->FindChild(u"button")->SendNotification(n), S_OK);
        posts->Deliver();
        for (const char16_t* panel : kEditPanels) {
            const RCPtr<LControl>& control = view->FindChild(panel);
            if (control) {
                EXPECT_EQ(control->GetLayoutDescriptor()->isVisible, std::u16string(panel) == click.editPanel)
                    << String(panel).ToNarrow().GetString();
            }
        }
    }
    const char* shots = std::getenv("KIVO_SCREENSHOT_DIR");
    WritePicture((shots && *shots ? std::string(shots) : std::string(".")) + "/main-window-zone-edit.png",
                 {0, 0, kWidth, kHeight});

    root->BreakCycles();
    root = nullptr;
    LRootModuleEngine::SetRootModuleEngine(nullptr);
    static_cast<void>(engine->BreakCycles());
    posts->Deliver();
    posts->Stop();
}

} // namespace KX::Test
