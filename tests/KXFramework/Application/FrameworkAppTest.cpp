#include "KXFramework/Application/FrameworkApp.h"

#include "KXFramework/Application/IniFileManager.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/StatusBar.h"
#include "KXFramework/Notification/NotificationCenter.h"

#include "DocumentResources.h"
#include "FakeClipboard.h"
#include "FakeMessageBox.h"
#include "NotificationDoubles.h"
#include "TempFolder.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace KX::Test {
namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_Skin_Definitions>
<Application Name="PresetEditor">
 <Skins>
  <Skin Name="first" FontName="DejaVu Sans" FontSize="9" FontStyle="0">
   <SubControl Class="Framework.Button" Name="mainControl" XSizeAbs="300" YSizeAbs="200">
    <SubControl Class="Framework.Button" Name="only" XSizeAbs="10" YSizeAbs="10"/>
   </SubControl>
  </Skin>
  <Skin Name="second" FontName="DejaVu Sans" FontSize="12" FontStyle="1">
   <SubControl Class="Framework.Button" Name="mainControl" XSizeAbs="300" YSizeAbs="200">
    <SubControl Class="Framework.Button" Name="only" XSizeAbs="20" YSizeAbs="20"/>
   </SubControl>
  </Skin>
 </Skins>
</Application>
</Velmora_Skin_Definitions>
)";

const char kStrings[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
<Application Name="PresetEditor">
 <StringTable ID="|PresetEditor">
  <String ID="GHK.NID_EDIT_DELETE_REQ"><Locale LCID="0x0009">VKEY_DELETE</Locale></String>
 </StringTable>
</Application>
</Velmora_StringTable_Definitions>
)";

const char kFrameworkStrings[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
 <StringTable ID="Framework">
  <String ID="STARTUP_ERROR"><Locale LCID="0x0009">Start-up failed.</Locale></String>
  <String ID="STARTUP_ERROR_CAPTION"><Locale LCID="0x0009">Error</Locale></String>
 </StringTable>
</Velmora_StringTable_Definitions>
)";

// The application with a per-user settings file in a temporary folder and a fixed default font.
class TestApp : public LFrameworkApp {
public:
    TestApp(const RCPtr<LControlFactory>& factory, const RCPtr<LStringTable>& strings,
            std::unique_ptr<FakeMessageBox> boxes)
        : LFrameworkApp(factory, strings, u"PresetEditor", std::move(boxes), std::make_unique<FakeClipboard>())
    {
    }

    LIniFileManager* GetIniFileManager() override { return settings ? settings.Get() : nullptr; }
    int32_t RunModalDialog(const RCPtr<LControl>&, int32_t) override { return E_FAIL; }
    int32_t GetIniFile(int number) override { return number == 1 ? userFile : 0; }
    using LFrameworkApp::GetDefaultFont;
    KXRESULT GetDefaultFont(String& face, float& size, int32_t& style) override
    {
        face = u"DejaVu Sans";
        size = 9.0f;
        style = 0;
        return S_OK;
    }
    void RunMessageLoop() override
    {
        if (loopThrows)
            throw std::runtime_error("loop failed");
    }

    RCPtr<LIniFileManager> settings;
    int32_t userFile = 0;
    bool loopThrows = false;
};

class FrameworkAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        documents.Set(u"APP_SKINS", kSkin);
        documents.Set(u"APP_STRINGS", kStrings);
        documents.Set(u"FRAMEWORK_STRINGS", kFrameworkStrings);
        RCPtr<LControlFactory> factory(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(factory->LoadStringTables(u"::FRAMEWORK_STRINGS", u"::APP_STRINGS", 0x0409), S_OK);
        ASSERT_EQ(factory->LoadSkin(u"::APP_SKINS"), S_OK);
        RCPtr<LStringTable> frameworkTable;
        factory->GetFrameworkStringTable(frameworkTable);
        auto boxes = std::make_unique<FakeMessageBox>();
        messageBoxes = boxes.get();
        app = RCPtr<TestApp>(new TestApp(factory, frameworkTable, std::move(boxes)));
    }
    void TearDown() override
    {
        for (auto& w : windows)
            w.root->BreakCycles();
        windows.clear();
        app->BreakCycles();
        app = nullptr;
    }

    void UseSettings(int32_t stored)
    {
        app->settings = RCPtr<LIniFileManager>(new LIniFileManager);
        ASSERT_EQ(app->settings->LoadLibrary(), S_OK);
        ASSERT_EQ(app->settings->OpenIniFile(String((folder / "User.ini").c_str()), u"1_0_0", u"Kivo", &app->userFile),
                  S_OK);
        app->settings->SetIniValueInt(app->userFile, u"CurrentSkinIndex", stored);
    }
    int32_t Stored()
    {
        int32_t index = -100;
        app->settings->GetIniValueInt(app->userFile, u"CurrentSkinIndex", -1, &index);
        return index;
    }

    struct Window {
        std::unique_ptr<FakeWindow> os;
        RCPtr<LRootWindow> root;
    };
    RCPtr<LRootWindow> AddWindow(bool withContent = true)
    {
        Window w{std::make_unique<FakeWindow>(), nullptr};
        w.os->active = false;
        w.root = LRootWindow::Create(renderer, w.os.get());
        if (withContent) {
            RCPtr<LControl> main;
            app->GetControlClassRegistry()->CreateControlByName(main, *app->GetControlFactory(), u"mainControl",
                                                                w.root);
            static_cast<void>(w.root->SetContent(main)); // a new content always takes the window
        }
        app->AddRootWindow(w.root);
        windows.push_back(std::move(w));
        return windows.back().root;
    }

    DocumentResources documents;
    TempFolder folder;
    FakeFrameworkServices measuring; // text measurement and font metrics for the controls
    FakeMessageBox* messageBoxes = nullptr;
    RCPtr<TestApp> app;
    RCPtr<RecordingRenderer> renderer{new RecordingRenderer};
    std::vector<Window> windows;
};

TEST_F(FrameworkAppTest, StartUpRegistersTheClassesAndAppliesTheStoredSkin)
{
    UseSettings(1);
    EXPECT_EQ(app->RunApplicationStartup(), S_OK);
    EXPECT_EQ(GetFrameworkServices(), static_cast<IFrameworkServices*>(app.Get()));
    EXPECT_EQ(app->GetControlFactory()->GetCurrentSkinIndex(), 1);
    ASSERT_TRUE(app->GetDefaultFont());
    EXPECT_EQ(app->GetDefaultFont()->GetSize(), 12.0f);
    EXPECT_TRUE(app->GetGlobalHotKeyManager()->GetKeyBindingMap().HasNotification(u"NID_EDIT_DELETE_REQ"));
    RCPtr<LControl> main;
    app->GetControlClassRegistry()->CreateControlByName(main, *app->GetControlFactory(), u"mainControl", nullptr);
    EXPECT_TRUE(dynamic_cast<LButton*>(main.Get()));
}

TEST_F(FrameworkAppTest, StoredSkinIndexesOutsideTheSkinsAreClampedAndWrittenBack)
{
    for (const auto& [stored, applied] : {std::pair{5, 1}, std::pair{-3, 0}, std::pair{0, 0}}) {
        UseSettings(stored);
        EXPECT_EQ(app->RunApplicationStartup(), S_OK);
        EXPECT_EQ(app->GetControlFactory()->GetCurrentSkinIndex(), applied) << stored;
        EXPECT_EQ(Stored(), applied) << stored;
    }
    // Without a settings file the first skin.
    app->settings = nullptr;
    app->userFile = 0;
    app->SetSkin(1);
    EXPECT_EQ(app->GetCurrentSkinIndex(), 0);
}

TEST_F(FrameworkAppTest, ADocumentWithoutSkinsSwitchesNothing)
{
    app->BreakCycles();
    app = nullptr;
    documents.Set(u"APP_SKINS", "<?xml version=\"1.0\"?><Velmora_Skin_Definitions/>");
    RCPtr<LControlFactory> factory(new LControlFactory(u"PresetEditor"));
    static_cast<void>(factory->LoadSkin(u"::APP_SKINS")); // a skin that fails to load leaves the checks below to fail
    ASSERT_EQ(factory->GetRootDescriptors().GetCount(), 0u);
    app = RCPtr<TestApp>(new TestApp(factory, nullptr, std::make_unique<FakeMessageBox>()));
    UseSettings(3);
    EXPECT_EQ(app->RunApplicationStartup(), S_OK);
    EXPECT_EQ(Stored(), 0);
    ASSERT_TRUE(app->GetDefaultFont());
}

TEST_F(FrameworkAppTest, ASkinSwitchReappliesEveryWindowAndSkipsWindowsClosedMeanwhile)
{
    ASSERT_EQ(app->RunApplicationStartup(), S_OK);
    RCPtr<LRootWindow> first = AddWindow();
    RCPtr<LRootWindow> second = AddWindow();
    RCPtr<LRootWindow> third = AddWindow();
    // A window closed by the idle pass of the busy scope is not touched afterwards.
    RCPtr<Recorder> closer(new Recorder("closer"));
    closer->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
        app->RemoveRootWindow(third);
    };
    closer->RegisterForNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()), u"NID_IDLE", 0);
    app->SetSkin(1);
    closer->UnregisterForAllNotifications();
    EXPECT_EQ(first->GetContent()->FindChild(u"only")->GetRect().width, 20.0);
    EXPECT_EQ(second->GetContent()->FindChild(u"only")->GetRect().width, 20.0);
    EXPECT_EQ(third->GetContent()->FindChild(u"only")->GetRect().width, 10.0);
    EXPECT_EQ(app->GetRootWindows().size(), 2u);
}

TEST_F(FrameworkAppTest, TheExitRequestClosesEveryWindowButTheMainOne)
{
    AddWindow(false);
    AddWindow(false);
    AddWindow(false);
    ASSERT_EQ(app->RunApplicationStartup(), S_OK);
    static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
        MakeNotification(u"NID_APP_EXIT_REQ"))); // the queue refuses only once shut down, when nobody is left to tell
    EXPECT_FALSE(app->IsExitRequested());
    app->OnIdle(false);
    app->OnIdle(false);
    EXPECT_TRUE(app->IsExitRequested());
    EXPECT_TRUE(windows[0].os->endModalResults.empty());
    EXPECT_EQ(windows[1].os->endModalResults, std::vector<int32_t>{0});
    EXPECT_EQ(windows[2].os->endModalResults, std::vector<int32_t>{0});
}

TEST_F(FrameworkAppTest, AFailingMessageLoopShowsTheStartUpErrorAndRequestsExit)
{
    AddWindow(false);
    ASSERT_EQ(app->RunApplicationStartup(), S_OK);
    app->loopThrows = true;
    app->RunApplication();
    ASSERT_EQ(messageBoxes->requests.size(), 1u);
    EXPECT_EQ(messageBoxes->requests[0].flags, 0x10u);
    EXPECT_EQ(messageBoxes->requests[0].text, u"Start-up failed.");
    EXPECT_EQ(messageBoxes->requests[0].caption, u"Error");
    EXPECT_TRUE(app->IsExitRequested());
    EXPECT_EQ(ShowMessageBox(u"text", u"caption", 0), 1);
}

TEST_F(FrameworkAppTest, StatusTextsNeedAWindowAndARegisteredBar)
{
    EXPECT_EQ(app->SetStatusText(u"x", false), E_FAIL);
    AddWindow(false);
    EXPECT_EQ(app->SetStatusText(u"x", false), E_FAIL);
    EXPECT_EQ(app->ResetStatusText(true), E_FAIL);
}

TEST_F(FrameworkAppTest, TheClockCountsSecondsAndCursorsAreKeptByName)
{
    const double a = app->GetSeconds();
    const double b = app->GetSeconds();
    EXPECT_GE(b, a);
    const uintptr_t wait = app->LoadAppCursor(u"UI_CURSOR_WAIT");
    EXPECT_NE(wait, 0u);
    EXPECT_EQ(app->LoadAppCursor(u"UI_CURSOR_WAIT"), wait);
    EXPECT_NE(app->LoadAppCursor(u"UI_CURSOR_ARROW"), wait);
}

} // namespace
} // namespace KX::Test
