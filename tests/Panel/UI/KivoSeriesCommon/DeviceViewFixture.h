#pragma once
// The editor's generated skin with "mainControl" as the content of the test window: the main control
// is a module root that records what the panels report and ask for, "viewDevice" is the skin's plain
// panel (so the groups show their edit panels themselves), and a device numbers the three groups of
// buttons, faders and encoders from kFirst as the model does.
#include "../../Resources/GeneratedSkinFixture.h"

#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ModuleInterfaces.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamTable.h"
#include "Panel/UI/DriverCommon/UIModuleRoot.h"
#include "Panel/UI/KivoSeriesCommon/ButtonPanels.h"
#include "Panel/UI/KivoSeriesCommon/EncoderPanels.h"
#include "Panel/UI/KivoSeriesCommon/FaderPanels.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace KX::Test {

using Bytes = std::vector<unsigned char>;

class RecordingRoot : public LPanel, public IUIModuleRoot {
public:
    using LPanel::LPanel;
    KXRESULT ReportParamValueChange(const KX::ParamDescriptor& d, const KX::Variant& v) override
    {
        unsigned size = 0;
        const unsigned char* bytes = v.GetData(&size);
        reports.push_back({d.id, Bytes(bytes, bytes + size)});
        return S_OK;
    }
    KXRESULT RequestParamValue(int32_t id) override
    {
        requests.push_back(id);
        return S_OK;
    }
    std::vector<std::pair<int32_t, Bytes>> reports;
    std::vector<int32_t> requests;
};

// A device view that records the edit panels it is asked to show (and shows none).
class RecordingView : public LPanel, public IEditPanelHost {
public:
    using LPanel::LPanel;
    void ShowEditPanel(int32_t group, int32_t index) override { shown.emplace_back(group, index); }
    std::vector<std::pair<int32_t, int32_t>> shown;
};

class ThreeGroupDevice : public IDevice {
public:
    KX::ConstRCPtr<IPresetName> GetPresetName() const override { return {}; }
    KX::ConstRCPtr<IKeybedZones> GetKeybedZones() const override { return {}; }
    KX::ConstRCPtr<IWheels> GetWheels() const override { return {}; }
    KX::ConstRCPtr<IPedals> GetPedals() const override { return {}; }
    KX::ConstRCPtr<IPads> GetPads() const override { return {}; }
    KX::ConstRCPtr<IPushButtons> GetPushButtons() const override { return KX::ConstRCPtr<IPushButtons>(buttons); }
    KX::ConstRCPtr<IFaders> GetFaders() const override { return KX::ConstRCPtr<IFaders>(faders); }
    KX::ConstRCPtr<IEncoders> GetEncoders() const override { return KX::ConstRCPtr<IEncoders>(encoders); }
    KX::ConstRCPtr<ITouchPadAxises> GetTouchPadAxises() const override { return {}; }
    RCPtr<LButtonGroupPanel> buttons;
    RCPtr<LFaderGroupPanel> faders;
    RCPtr<LEncoderGroupPanel> encoders;
};

class DeviceViewFixture : public GeneratedSkinFixture {
protected:
    static constexpr int32_t kFirst = 1000;
    static constexpr int32_t kButtons = kFirst + 25, kFaders = kFirst + 61, kEncoders = kFirst + 97;

    void SetUp() override
    {
        GeneratedSkinFixture::SetUp();
        if (HasFatalFailure())
            return;
        main = RCPtr<RecordingRoot>(Create(u"mainControl"));
        ASSERT_TRUE(main);
        ASSERT_EQ(root->SetContent(RCPtr<LControl>(main)), S_OK);
        view = main->FindChild(u"viewDevice");
        ASSERT_TRUE(view);
        device = RCPtr<ThreeGroupDevice>(new ThreeGroupDevice);
        device->buttons = RCPtr<LButtonGroupPanel>(view->FindChild(u"buttons"));
        device->faders = RCPtr<LFaderGroupPanel>(view->FindChild(u"faders"));
        device->encoders = RCPtr<LEncoderGroupPanel>(view->FindChild(u"encoders"));
        ASSERT_TRUE(device->buttons && device->faders && device->encoders);
        ASSERT_EQ(device->SetFirstParamID(nullptr, kFirst, 0), S_OK);
        buttonEdit = RCPtr<LButtonEditPanel>(view->FindChild(u"buttonEditPanel"));
        faderEdit = RCPtr<LFaderEditPanel>(view->FindChild(u"faderEditPanel"));
        knobEdit = RCPtr<LEncoderEditPanel>(view->FindChild(u"knobEditPanel"));
        ASSERT_TRUE(buttonEdit && faderEdit && knobEdit);
    }
    void RegisterTestClasses() override
    {
        if (HostView()) {
            ASSERT_EQ(services.registry->RegisterControlCreateFunction(u"PresetEditor.MainControl.DeviceView",
                                                                       &KX::CreateControlOf<RecordingView>),
                      S_OK);
        }
        ASSERT_EQ(services.registry->RegisterControlCreateFunction(u"PresetEditor.MainControl",
                                                                   &KX::CreateControlOf<RecordingRoot>),
                  S_OK);
    }
    void TearDown() override
    {
        device = nullptr;
        GeneratedSkinFixture::TearDown();
    }

    // True: "viewDevice" is a RecordingView, which the groups ask to show their edit panels.
    virtual bool HostView() const { return false; }

    static KX::Variant Value(const Bytes& bytes)
    {
        KX::Variant v;
        v.SetBlob(bytes.data(), unsigned(bytes.size()));
        return v;
    }
    static Bytes Default(int32_t parameter)
    {
        const KX::Variant v = ParamDefaultValue(parameter);
        unsigned size = 0;
        const unsigned char* bytes = v.GetData(&size);
        return Bytes(bytes, bytes + size);
    }
    // As the main control delivers a value from the engine: to the module the tree hands out for it.
    KXRESULT Deliver(int32_t id, const Bytes& bytes)
    {
        RCPtr<LParameterizedModule> module = device->GetModule(id);
        return module ? module->SetParamValueLocal(KX::ParamDescriptor(id), Value(bytes), 1) : E_FAIL;
    }
    // A click on a tile's covering button, with the mouse modifier flags given.
    static void Click(const RCPtr<LControl>& tile, uint32_t modifiers = 0)
    {
        const RCPtr<LControl>& button = tile->FindChild(u"button");
        ASSERT_TRUE(button);
        EXPECT_EQ(button->OnLeftClick(LMouseButtonParam::Create(1, {4, 4}, modifiers, false, 0, 0)), S_OK);
    }
    static std::string PicturePath(const std::string& name)
    {
        const char* folder = std::getenv("KIVO_SCREENSHOT_DIR");
        return (folder && *folder ? std::string(folder) : std::string(".")) + "/" + name;
    }
    // Shows a page of a tab control as a click on its button would.
    static void ShowTab(const RCPtr<LControl>& tabControl, const char16_t* page)
    {
        RCPtr<LTabControl> tabs(tabControl);
        ASSERT_TRUE(tabs);
        tabs->GetButtonByName(page)->SetValue(1.0);
        ASSERT_EQ(tabs->SelectTab(page), S_OK);
    }

    RCPtr<RecordingRoot> main;
    RCPtr<LControl> view;
    RCPtr<ThreeGroupDevice> device;
    RCPtr<LButtonEditPanel> buttonEdit;
    RCPtr<LFaderEditPanel> faderEdit;
    RCPtr<LEncoderEditPanel> knobEdit;
};

} // namespace KX::Test
