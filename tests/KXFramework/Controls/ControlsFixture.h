#pragma once
// Standard controls built from a small skin through the factory, under a root window on a fake
// window, with the framework's class names registered and "Test.Panel" as a plain container.
#include "KXFramework/Application/FrameworkClassNames.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/RootWindow.h"

#include "DocumentResources.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {

// A skin document of one skin whose top-level controls are `controls`, with the looks and look
// lists given; the parts "black" and "grey" are defined.
inline std::string SkinDocument(const std::string& looks, const std::string& controls)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_Skin_Definitions>
<Application Name="PresetEditor">
 <Colorizers>
  <Colorizer Name="black" ColorType="SolidFill" Color="0xFF000000"/>
  <Colorizer Name="grey" ColorType="SolidFill" Color="0xFF808080"/>
 </Colorizers>
 <Parts>
  <Part Name="black" Width="4" Height="4" ResizeType="Stretch" ColorizerName="black"/>
  <Part Name="grey" Width="4" Height="4" ResizeType="Stretch" ColorizerName="grey"/>
 </Parts>
)" + looks
        + R"(
 <Skins>
  <Skin Name="only" FontName="DejaVu Sans" FontSize="9" FontStyle="0">
)" + controls
        + R"(
  </Skin>
 </Skins>
</Application>
</Velmora_Skin_Definitions>
)";
}

inline std::string StringDocument(const std::string& tables)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
<Application Name="PresetEditor">
)" + tables
        + R"(
</Application>
</Velmora_StringTable_Definitions>
)";
}

class ControlsFixture : public ::testing::Test {
protected:
    // Loads the documents; call before CreateMain.
    void Load(const std::string& skin, const std::string& strings = StringDocument(""))
    {
        documents.Set(u"APP_STRINGS", strings);
        documents.Set(u"APP_SKINS", skin);
        services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(services.factory->LoadStringTables(u"::FRAMEWORK_STRINGS", u"::APP_STRINGS", 0x0409), S_OK);
        ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);
        int line = 0;
        ASSERT_EQ(RegisterFrameworkClassNames(*services.registry, line), S_OK);
        services.registry->RegisterControlCreateFunction(u"Test.Panel", &CreateControlOf<ProbeControl>);
        root = LRootWindow::Create(renderer, &window);
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
            root->SetContent(main);
        return main;
    }

    void Idle() { root->ProcessEvents(true); }
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
};

} // namespace KX::Test
