#pragma once
// A window whose content comes from a small skin of solid controls made of InputProbes, which log
// the input hooks they see, with helpers that press, move, release and type as the desktop window
// delivers them.
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/ControlLinks.h"

#include "DocumentResources.h"
#include "InputDriver.h"
#include "NotificationDoubles.h"
#include "RecordingRenderer.h"
#include "SolidSkin.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {

class InputProbe : public LControl {
public:
    using LControl::LControl;

    inline static std::vector<std::string>* log = nullptr;

    void Log(const std::string& what) const
    {
        if (log)
            log->push_back(GetName().ToNarrow().GetData() + std::string(":") + what);
    }

    void HandleLeftClick(const RCPtr<LMouseButtonParam>&) override { Log("click"); }
    void HandleRightClick(const RCPtr<LMouseButtonParam>&) override { Log("rclick"); }
    void OnLeftButtonDown(const RCPtr<LMouseButtonParam>&) override { Log("down"); }
    void OnRightButtonDown(const RCPtr<LMouseButtonParam>&) override { Log("rdown"); }
    void OnPointerMoved(const RCPtr<LPointWithModifiersParam>& p) override
    {
        Log("move" + std::to_string(p->point.x) + "," + std::to_string(p->point.y));
    }
    KXRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>& w) override
    {
        if (!takesWheel)
            return S_FALSE;
        Log("wheel" + std::to_string(w->direction));
        return S_OK;
    }
    KXRESULT OnKey(const RCPtr<LKeyParam>&) override
    {
        Log("key");
        return takesKeys ? S_OK : S_FALSE;
    }
    bool AllowFocusChange() override { return !holdsFocus; }
    bool IsTransparentAt(const PointT<double>& point) const override
    {
        return !opaque && LControl::IsTransparentAt(point);
    }
    bool AcceptsDrop(const RCPtr<LControl>&) override { return acceptsDrops; }
    uint32_t GetDropScrollEdges(const RCPtr<LControl>&) override { return dropEdges; }
    void OnDragEnter(const RCPtr<LControl>&) override { Log("enter"); }
    void OnDragOver(const RCPtr<LControl>&, const PointT<double>&) override { Log("over"); }
    void OnDragLeave(const RCPtr<LControl>&) override { Log("leave"); }
    KXRESULT OnDrop(const RCPtr<LControl>&) override
    {
        Log("drop");
        return S_OK;
    }
    void GetSizeLimits(PointT<double>& minimum, PointT<double>& maximum) const override
    {
        minimum = {0.0, 0.0};
        maximum = limits;
    }
    KXRESULT Initialize() override
    {
        if (hotKey.IsValid())
            static_cast<void>(
                BindLocalHotKey(hotKey, u"NID_PROBE_HOT_KEY")); // a key bound twice keeps its last command
        return LControl::Initialize();
    }

    inline static KeyCode hotKey;
    bool takesWheel = false;
    bool takesKeys = false;
    bool holdsFocus = false;
    bool opaque = false;
    bool acceptsDrops = false;
    uint32_t dropEdges = 0;
    PointT<double> limits{4503599627370496.0, 4503599627370496.0};
};

// A popup menu that records what it was given.
class PopupProbe : public InputProbe, public IPopupMenuLink {
public:
    using InputProbe::InputProbe;
    void SetMenuDescriptor(const RCPtr<LMenuDescriptor>& m) override { menu = m; }
    void OpenAtCursor() override { Log("open"); }
    RCPtr<LMenuDescriptor> menu;
};

inline RCPtr<LControl>& CreateInputProbe(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                         const RCPtr<LControlDescriptor>& d)
{
    return CreateControlOf<InputProbe>(out, parent, d);
}

inline RCPtr<LControl>& CreatePopupProbe(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                         const RCPtr<LControlDescriptor>& d)
{
    return CreateControlOf<PopupProbe>(out, parent, d);
}

// Skin header and footer around the controls of a test: solid, clear and framed looks.
inline std::string SkinAround(const std::string& controls)
{
    const std::string looks = SkinLooks()
                                  .Look("solid", "grey")
                                  .Look("clear", "clear")
                                  .Look("framed", "grey", "", 5)
                                  .List("solid", {"solid"})
                                  .List("clear", {"clear"})
                                  .List("framed", {"framed"})
                                  .Text();
    return SkinFile(SolidParts({{"grey", 0xFF808080}, {"clear", 0x00000000}}) + looks, R"(Name="s")", controls);
}

class InputFixture : public ::testing::Test {
protected:
    void Load(const std::string& controls)
    {
        InputProbe::log = &log;
        documents.Set(u"APP_SKINS", SkinAround(controls));
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.Input", &CreateInputProbe)); // a name registered twice keeps its function
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.Popup", &CreatePopupProbe)); // a name registered twice keeps its function
        root = LRootWindow::Create(renderer, &window);
        RCPtr<LControl> main;
        services.registry->CreateControlByName(main, *services.factory, u"mainControl", root);
        ASSERT_TRUE(main);
        static_cast<void>(root->SetContent(main)); // a new content always takes the window
        log.clear();
    }

    void TearDown() override
    {
        if (root)
            root->BreakCycles();
        root = nullptr;
        InputProbe::log = nullptr;
        InputProbe::hotKey = KeyCode();
    }

    template <class T = InputProbe>
    T& Get(const char16_t* name)
    {
        RCPtrArray<LControl, 1, 0> found;
        if (root->GetContent()->GetName() == String(name))
            return dynamic_cast<T&>(*root->GetContent());
        root->GetContent()->FindDescendants(name, found);
        EXPECT_EQ(found.GetCount(), 1u) << String(name).ToNarrow().GetData();
        return dynamic_cast<T&>(*found.GetAt(0));
    }

    std::string HitName(int x, int y)
    {
        PointT<int32_t> local;
        RCPtr<LControl> hit = root->HitTest({x, y}, local, false);
        return hit ? hit->GetName().ToNarrow().GetData() : "";
    }

    // Input as the desktop window delivers it, points in client coordinates.
    void Move(int x, int y) { input.Move(x, y); }
    void Press(int x, int y, int32_t button = kLeftButton, bool doubleClick = false)
    {
        input.Press(x, y, button, doubleClick);
    }
    void Release(int x, int y, int32_t button = kLeftButton) { input.Release(x, y, button); }

    // A key-down record of a virtual key with the key word's modifier bits.
    void Key(uint32_t virtualKey, uint32_t modifierBits = 0) { input.Key(KeyCode::Press(virtualKey, modifierBits)); }

    std::string FocusName()
    {
        RCPtr<LControl> focus = root->GetFocusControl();
        return focus ? focus->GetName().ToNarrow().GetData() : "";
    }

    void Idle() { root->ProcessEvents(true); }

    DocumentResources documents;
    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<RecordingRenderer> renderer{new RecordingRenderer};
    RCPtr<LRootWindow> root;
    InputDriver input{root, services.modifiers};
    std::vector<std::string> log;
};

} // namespace KX::Test
