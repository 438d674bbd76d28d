#pragma once
// The "othersSamples" of the generator's sample document: a main control (a recording module root
// here) whose "viewDevice" holds the zone editor, the zone strip and the preset name panel.
#include "../Resources/GeneratedSkinFixture.h"
#include "KXFramework/Notification/Notification.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "Panel/UI/DriverCommon/UIModuleRoot.h"

#include <cstdlib>
#include <utility>
#include <vector>

namespace KX::Test {

// Takes the reports and requests the panels make of the main control.
class OthersRecordingRoot : public LPanel, public IUIModuleRoot {
public:
    using LPanel::LPanel;
    KXRESULT ReportParamValueChange(const ParamDescriptor& d, const Variant& v) override
    {
        unsigned size = 0;
        const unsigned char* bytes = v.GetData(&size);
        reports.push_back({d.id, std::vector<int>(bytes, bytes + size)});
        return S_OK;
    }
    KXRESULT RequestParamValue(int32_t id) override
    {
        requests.push_back(id);
        return S_OK;
    }
    std::vector<std::pair<int32_t, std::vector<int>>> reports;
    std::vector<int32_t> requests;
};

class OthersSamplesFixture : public GeneratedSkinFixture {
protected:
    std::string Base() const override { return KIVO_BLOCK_SAMPLES; }

    void SetUp() override
    {
        // Registered before the editor's classes, so this one is taken for the main control.
        ASSERT_EQ(services.registry->RegisterControlCreateFunction(u"PresetEditor.MainControl",
                                                                   &CreateControlOf<OthersRecordingRoot>),
                  S_OK);
        GeneratedSkinFixture::SetUp();
        if (HasFatalFailure())
            return;
        main = RCPtr<OthersRecordingRoot>(Create(u"othersSamples"));
        ASSERT_TRUE(main);
        ASSERT_EQ(root->SetContent(RCPtr<LControl>(main)), S_OK);
        view = main->FindChild(u"viewDevice");
        ASSERT_TRUE(view);
    }
    void TearDown() override
    {
        main = nullptr;
        view = nullptr;
        GeneratedSkinFixture::TearDown();
    }

    static Variant Blob(const std::vector<int>& bytes)
    {
        std::vector<unsigned char> raw(bytes.begin(), bytes.end());
        Variant v;
        v.SetBlob(raw.data(), unsigned(raw.size()));
        return v;
    }
    static std::string PicturePath(const std::string& name)
    {
        const char* folder = std::getenv("KIVO_SCREENSHOT_DIR");
        return (folder && *folder ? std::string(folder) : std::string(".")) + "/" + name;
    }
    // A left click on the middle of a control, as the window delivers it.
    void Click(const RCPtr<LControl>& control, uint32_t modifiers = 0)
    {
        ASSERT_TRUE(control);
        const PointT<double> at = control->GetPositionInRoot();
        const PointT<int32_t> p{int32_t(at.x + control->GetRect().width / 2),
                                int32_t(at.y + control->GetRect().height / 2)};
        root->DispatchMouseMove(p, modifiers, 0);
        root->DispatchMouseButton(LRootWindow::kPress, kLeftButton, modifiers, p, 0);
        root->DispatchMouseButton(LRootWindow::kRelease, kLeftButton, modifiers, p, 0);
        root->ProcessEvents(true);
    }

    // A sub-editor's word that one of its fields changed.
    static void SendParametersChanged(const RCPtr<LControl>& editor)
    {
        RCPtr<LNotification> n;
        ASSERT_EQ(LNotification::Create(n, u"NID_PARAMETERS_CHANGED", nullptr), S_OK);
        static_cast<void>(editor->SendNotification(n));
    }
    static std::vector<int> BytesOf(const Array<char>& record)
    {
        std::vector<int> bytes;
        for (unsigned i = 0; i < record.GetCount(); ++i)
            bytes.push_back(static_cast<unsigned char>(record.GetAt(i)));
        return bytes;
    }
    static Array<char> RecordOf(const std::vector<int>& bytes)
    {
        Array<char> record;
        for (int b : bytes)
            record.Add(static_cast<char>(b));
        return record;
    }
    std::vector<int> LastReport() const
    {
        return main->reports.empty() ? std::vector<int>{} : main->reports.back().second;
    }
    String Info(const RCPtr<LControl>& tile)
    {
        return tile->FindChild(u"viewPanel")->FindChild(u"infoLabel")->GetText();
    }

    RCPtr<OthersRecordingRoot> main;
    RCPtr<LControl> view;
};

} // namespace KX::Test
