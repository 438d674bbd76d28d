// The modifier keys through the real application and a desktop window on SDL's dummy driver: a Ctrl
// held on the keyboard reaches a knob's drag as its fine steps.
#include "KXFramework/Application/FrameworkApp.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Controls/Knob.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include "AppWindow.h"
#include "DocumentResources.h"
#include "EnvironmentGuard.h"
#include "FakeClipboard.h"
#include "FakeMessageBox.h"
#include "SdlEvents.h"
#include "SolidSkin.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace KX::Test {
namespace {

// A 41-pixel knob on a 100-pixel travel of 99 steps, a tenth as fast on 999 steps under Ctrl.
const std::string kKnobSkin = SkinFile(SolidParts({{"grey", 0xFF808080}}) + FrameLooks("frames", 64, false),
                                       R"(Name="s" FontName="DejaVu Sans" FontSize="9" FontStyle="0")", R"(
   <SubControl Class="Framework.Panel" Name="mainControl" XSizeAbs="300" YSizeAbs="200">
    <SubControl Class="Framework.Knob" Name="fine" XPositionAbs="20" YPositionAbs="20" XSizeAbs="41" YSizeAbs="41">
     <CreateParamList><CreateParam ID="FINE_ADJUST_MULTIPLIER">0.1</CreateParam><CreateParam ID="LINEAR_GESTURE_FULL_RANGE">100</CreateParam></CreateParamList>
     <Skin Name="f" LookList="frames"/>
    </SubControl>
   </SubControl>)");

class InputApp : public LFrameworkApp {
public:
    explicit InputApp(const RCPtr<LControlFactory>& factory)
        : LFrameworkApp(factory, nullptr, u"PresetEditor", std::make_unique<FakeMessageBox>(),
                        std::make_unique<FakeClipboard>())
    {
    }
    int32_t RunModalDialog(const RCPtr<LControl>&, int32_t) override { return E_FAIL; }
    using LFrameworkApp::GetDefaultFont;
    KXRESULT GetDefaultFont(String& face, float& size, int32_t& style) override
    {
        face = u"DejaVu Sans";
        size = 9.0f;
        style = 0;
        return S_OK;
    }
};

class FrameworkAppInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        environment.Set("SDL_VIDEODRIVER", "dummy");
        ASSERT_TRUE(Platform::VideoSystem::Start()) << Platform::VideoSystem::LastError();
        started = true;
        documents.Set(u"APP_SKINS", kKnobSkin);
        RCPtr<LControlFactory> factory(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(factory->LoadSkin(u"::APP_SKINS"), S_OK);
        app = RCPtr<InputApp>(new InputApp(factory));
        ASSERT_EQ(app->RunApplicationStartup(), S_OK);
        window = OpenMainControlWindow();
        ASSERT_NE(window, nullptr);
        Turn();
    }
    void TearDown() override
    {
        if (started)
            CloseAppAndVideo(window, app);
    }

    uint32_t Id() const { return window->GetWindowHandle()->Id(); }
    static void Turn()
    {
        while (OSWindow::RunOnce(0)) {
        }
    }

    EnvironmentGuard environment;
    DocumentResources documents;
    RCPtr<InputApp> app;
    OSWindow* window = nullptr;
    bool started = false;
};

TEST_F(FrameworkAppInputTest, CtrlOnTheKeyboardGivesTheKnobFineSteps)
{
    struct Case {
        bool ctrl;
        double value;
    };
    for (const Case& c : {Case{true, 10.0 / 999.0}, Case{false, 10.0 / 99.0}}) {
        SCOPED_TRACE(c.ctrl ? "Ctrl" : "no modifier");
        RCPtr<LKnob> knob(window->GetRootWindow()->GetContent()->FindChild(u"fine"));
        ASSERT_TRUE(knob);
        knob->SetValue(0.0);
        const uint16_t mod = c.ctrl ? KMOD_LCTRL : KMOD_NONE;
        if (c.ctrl)
            PushKey(Id(), true, SDLK_LCTRL, SDL_SCANCODE_LCTRL, mod);
        PushMotion(Id(), 40, 40);
        PushButton(Id(), true, 40, 40);
        PushMotion(Id(), 50, 40, SDL_BUTTON_LMASK);
        PushButton(Id(), false, 50, 40);
        if (c.ctrl)
            PushKey(Id(), false, SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_NONE);
        Turn();
        EXPECT_NEAR(knob->GetValue(), c.value, 1e-12);
        EXPECT_EQ(app->GetModifierKeys(), 0u); // Ctrl was let go
    }
}

} // namespace
} // namespace KX::Test
