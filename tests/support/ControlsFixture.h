#pragma once
// Standard controls built from a small skin through the factory, under a root window on a fake
// window, with the framework's class names registered, "Test.Panel" as a plain container and
// "Test.KeyPanel" as a panel that records the keys handed up to it.
#include "KXFramework/Application/FrameworkClassNames.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/Panel.h"

#include "DocumentResources.h"
#include "InputDriver.h"
#include "SolidSkin.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace KX::Test {

// A panel that records every key its children hand up to it, then handles it as a panel does.
class KeyRecordingPanel : public LPanel {
public:
    using LPanel::LPanel;

    [[nodiscard]] KXRESULT HandleKey(const RCPtr<LKeyParam>& key) override
    {
        keys.push_back(key ? key->key.key : 0);
        return LPanel::HandleKey(key);
    }

    std::vector<uint32_t> keys;
};

// A skin document of one skin whose top-level controls are `controls`, with the looks and look
// lists given; the parts "black" and "grey" are defined.
inline std::string SkinDocument(const std::string& looks, const std::string& controls)
{
    return SkinFile(SolidParts({{"black", 0xFF000000}, {"grey", 0xFF808080}}, 4) + looks,
                    R"(Name="only" FontName="DejaVu Sans" FontSize="9" FontStyle="0")", controls);
}

inline std::string StringDocument(const std::string& tables)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
<Application Name="PresetEditor">
)" + tables +
           R"(
</Application>
</Velmora_StringTable_Definitions>
)";
}

class ControlsFixture : public ::testing::Test {
protected:
    // Loads the documents and makes the root window, drawing with `on` where given; call before
    // CreateMain.
    void Load(const std::string& skin, const std::string& strings = StringDocument(""),
              const RCPtr<LRenderer>& on = nullptr)
    {
        documents.Set(u"APP_STRINGS", strings);
        documents.Set(u"APP_SKINS", skin);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadStringTables(u"::FRAMEWORK_STRINGS", u"::APP_STRINGS", 0x0409), S_OK);
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        int line = 0;
        ASSERT_EQ(RegisterFrameworkClassNames(*services.registry, line), S_OK);
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.Panel", &CreateControlOf<ProbeControl>)); // a name registered twice keeps its function
        static_cast<void>(services.registry->RegisterControlCreateFunction(
            u"Test.KeyPanel", &CreateControlOf<KeyRecordingPanel>)); // a name registered twice keeps its function
        root = LRootWindow::Create(on ? on : RCPtr<LRenderer>(renderer), &window);
        services.applicationRoot = root;
    }

    void TearDown() override
    {
        services.applicationRoot = nullptr;
        if (root)
            root->BreakCycles();
        root = nullptr;
    }

    // The top-level control of that name as the window's content.
    RCPtr<LControl> CreateMain(const char16_t* name)
    {
        RCPtr<LControl> main;
        services.registry->CreateControlByName(main, *services.factory, name, root);
        if (main)
            static_cast<void>(root->SetContent(main)); // a new content always takes the window
        return main;
    }

    void Idle() { root->ProcessEvents(true); }

    // Input as the desktop window delivers it, points in client coordinates.
    void Move(int32_t x, int32_t y) { input.Move(x, y); }
    void Press(int32_t x, int32_t y, int32_t button = kLeftButton, bool doubleClick = false)
    {
        input.Press(x, y, button, doubleClick);
    }
    void Release(int32_t x, int32_t y, int32_t button = kLeftButton) { input.Release(x, y, button); }
    void Click(int32_t x, int32_t y) { input.Click(x, y); }
    // A key pressed while the focus control has the focus.
    void Key(uint32_t key) { input.Key(key); }
    // Moves the application clock and runs one idle pass.
    void IdleAfter(uint32_t milliseconds)
    {
        services.milliseconds += milliseconds;
        Idle();
    }

    DocumentResources documents;
    FakeFrameworkServices services;
    FakeWindow window;
    RCPtr<RecordingRenderer> renderer{new RecordingRenderer};
    RCPtr<LRootWindow> root;
    InputDriver input{root, services.modifiers};
};

} // namespace KX::Test
