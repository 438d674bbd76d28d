#include "KXFramework/Application/FrameworkApp.h"

#include "KXFramework/Application/IniFileManager.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/StatusBar.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Platform/Window/Cursor.h"
#include "KXFramework/Platform/Window/VideoSystem.h"
#include "KXFramework/Platform/Window/VirtualHostWindow.h"

#include "DocumentResources.h"
#include "FakeClipboard.h"
#include "FakeMessageBox.h"
#include "NotificationDoubles.h"
#include "SolidSkin.h"
#include "TempFolder.h"
#include "TestFonts.h"
#include "UiDoubles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
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
        // Fonts measured by this application's renderers must not keep those metrics for later tests.
        LFont::ReleaseAll();
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

TEST_F(FrameworkAppTest, WhileIdleIsSuspendedTheWindowsIdleKicksDeliverNothing)
{
    ASSERT_EQ(app->RunApplicationStartup(), S_OK);
    RCPtr<Recorder> recorder(new Recorder("posted"));
    recorder->RegisterForNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()), u"NID_TEST", 0);
    static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
        MakeNotification(u"NID_TEST"))); // the queue refuses only once shut down, when nobody is left to tell
    app->SetIdleSuspended(true);
    EXPECT_TRUE(app->IsIdleSuspended());
    EXPECT_FALSE(app->RunIdle(0));
    EXPECT_EQ(recorder->received, 0);
    app->SetIdleSuspended(false);
    app->RunIdle(0);
    EXPECT_EQ(recorder->received, 1);
    recorder->UnregisterForAllNotifications();
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

TEST_F(FrameworkAppTest, TheWorkAreaIsTheMainWindowsDisplays)
{
    // No window and no display: a small screen.
    if (!Platform::VideoSystem::IsStarted()) {
        EXPECT_EQ(app->GetWorkArea(), (RectT<int32_t>{0, 0, 1024, 768}));
    }
    Platform::VirtualHostWindow host(Platform::WindowParams{});
    host.SetWorkArea({10, 20, 1600, 870});
    AddWindow(false);
    windows[0].os->host = &host;
    EXPECT_EQ(app->GetWorkArea(), (RectT<int32_t>{10, 20, 1600, 870}));
}

TEST_F(FrameworkAppTest, MessageBoxesAreOwnedByTheActiveWindowElseTheFirst)
{
    EXPECT_EQ(app->ShowMessageBox(u"none", u"c", 0), 1);
    Platform::VirtualHostWindow first(Platform::WindowParams{});
    Platform::VirtualHostWindow second(Platform::WindowParams{});
    AddWindow(false);
    AddWindow(false);
    windows[0].os->host = &first;
    windows[1].os->host = &second;
    app->ShowMessageBox(u"first", u"c", 0);
    windows[1].os->active = true;
    app->ShowMessageBox(u"active", u"c", 0);
    ASSERT_EQ(messageBoxes->requests.size(), 3u);
    EXPECT_EQ(messageBoxes->requests[0].ownerWindow, 0u);
    EXPECT_EQ(messageBoxes->requests[1].ownerWindow, first.Id());
    EXPECT_EQ(messageBoxes->requests[2].ownerWindow, second.Id());
    EXPECT_NE(first.Id(), second.Id());
}

TEST_F(FrameworkAppTest, TheDropCursorsAreDrawnFromTheProgramsImages)
{
    std::ifstream file(KX_CURSOR_IMAGES "/cursor-drop-move.png", std::ios::binary);
    documents.Set(u"CURSOR_DROP_MOVE_PNG",
                  std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()), u"GDIPLUS");
    const Platform::Cursor arrow = Platform::Cursor::System(Platform::SystemCursor::Arrow);
    enum class Expect { Image, Arrow, Hand, None };
    struct Case {
        const char16_t* name;
        Expect expect;
    };
    // The copy image is missing here: that cursor falls back to the arrow.
    const Case cases[] = {{u"UI_CURSOR_DROP_MOVE", Expect::Image},
                          {u"UI_CURSOR_DROP_COPY", Expect::Arrow},
                          {u"UI_CURSOR_HAND", Expect::Hand},
                          {u"UI_CURSOR_SPLIT_V", Expect::None},
                          {u"UI_CURSOR_MAG_PLUS", Expect::None}};
    for (const Case& c : cases) {
        SCOPED_TRACE(String(c.name).ToNarrow().GetData());
        const uintptr_t handle = app->LoadAppCursor(c.name);
        ASSERT_EQ(handle == 0, c.expect == Expect::None);
        if (c.expect == Expect::None)
            continue;
        const Platform::Cursor& cursor = *reinterpret_cast<const Platform::Cursor*>(handle);
        EXPECT_EQ(cursor == arrow, c.expect == Expect::Arrow);
        EXPECT_EQ(cursor == Platform::Cursor::System(Platform::SystemCursor::Hand), c.expect == Expect::Hand);
    }
}

// Labels measured by the application itself, with no test double measuring for it.
const char kLabelLooks[] = R"(
 <Looks>
  <Look Name="centred">
   <TextProperties TextLeftRel="0" TextLeftAbs="0" TextRightRel="1" TextRightAbs="0" TextHAlign="0.5"
                   TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0" TextVAlign="0.5"
                   TextForegroundPart="black"/>
  </Look>
  <Look Name="text">
   <TextProperties TextLeftRel="0" TextLeftAbs="0" TextRightRel="1" TextRightAbs="0" TextHAlign="0"
                   TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0" TextVAlign="0"
                   TextForegroundPart="black"/>
  </Look>
 </Looks>
 <LookLists>
  <LookList Name="centred" NumLooks="1"><Look Name="centred" Index="0"/></LookList>
  <LookList Name="text" NumLooks="1"><Look Name="text" Index="0"/></LookList>
 </LookLists>)";

const char kLabels[] = R"(
   <SubControl Class="Framework.Panel" Name="mainControl" XSizeAbs="400" YSizeAbs="300">
    <SubControl Class="Framework.Label" Name="centred" XSizeAbs="200" YSizeAbs="40"><Skin Name="c" LookList="centred"/></SubControl>
    <SubControl Class="Framework.Label" Name="expanding" YPositionAbs="50" XSizeAbs="10" YSizeAbs="20"
                TextOverflowXType="Expand"><Skin Name="e" LookList="text"/></SubControl>
    <SubControl Class="Framework.Label" Name="wrapped" YPositionAbs="80" XSizeAbs="70" YSizeAbs="10"
                TextOverflowXType="Wrap" TextOverflowYType="Expand"><Skin Name="w" LookList="text"/></SubControl>
    <SubControl Class="Framework.Label" Name="cut" YPositionAbs="200" XSizeAbs="30" YSizeAbs="20"><Skin Name="t" LookList="text"/></SubControl>
    <SubControl Class="Framework.ListBox" Name="list" XPositionAbs="250" XSizeAbs="100" YSizeAbs="42">
     <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0"
                 YSizeAbs="14"><Skin Name="r" LookList="text"/></SubControl>
    </SubControl>
   </SubControl>)";

const char kLabelStrings[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
<Application Name="PresetEditor">
 <StringTable ID="Framework.Panel|centred"><String ID="LABEL"><Locale LCID="0x0009">Centre</Locale></String></StringTable>
 <StringTable ID="Framework.Panel|expanding"><String ID="LABEL"><Locale LCID="0x0009">An expanding label</Locale></String></StringTable>
 <StringTable ID="Framework.Panel|wrapped"><String ID="LABEL"><Locale LCID="0x0009">one two three four five six seven</Locale></String></StringTable>
 <StringTable ID="Framework.Panel|cut"><String ID="LABEL"><Locale LCID="0x0009">A text cut short</Locale></String></StringTable>
</Application>
</Velmora_StringTable_Definitions>
)";

class FrameworkAppMeasureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseTestFonts();
        // Metrics cached by earlier tests' doubles would hide the application's own.
        LFont::ReleaseAll();
        documents.Set(u"APP_SKINS",
                      SkinFile(SolidParts({{"black", 0xFF000000}}, 4) + kLabelLooks,
                               R"(Name="only" FontName="DejaVu Sans" FontSize="9" FontStyle="0")", kLabels));
        documents.Set(u"APP_STRINGS", kLabelStrings);
        RCPtr<LControlFactory> factory(new LControlFactory(u"PresetEditor"));
        ASSERT_EQ(factory->LoadStringTables(u"::FRAMEWORK_STRINGS", u"::APP_STRINGS", 0x0409), S_OK);
        ASSERT_EQ(factory->LoadSkin(u"::APP_SKINS"), S_OK);
        app = RCPtr<TestApp>(new TestApp(factory, nullptr, std::make_unique<FakeMessageBox>()));
        ASSERT_EQ(app->RunApplicationStartup(), S_OK);
    }
    void TearDown() override
    {
        main = nullptr;
        if (root)
            root->BreakCycles();
        root = nullptr;
        app->BreakCycles();
        app = nullptr;
        LFont::ReleaseAll();
    }

    void Create(const RCPtr<LRootWindow>& in)
    {
        app->GetControlClassRegistry()->CreateControlByName(main, *app->GetControlFactory(), u"mainControl", in);
        ASSERT_TRUE(main);
    }
    const RCPtr<LControl>& Child(const char16_t* name) { return main->FindChild(name); }

    // A width as the label layout takes it: the advance with the measured x folded in.
    static float Width(LMeasurementRenderer& renderer, const char16_t* text, const RCPtr<LFont>& font)
    {
        RectT<float> r;
        renderer.MeasureText(r, text, font);
        return r.width + r.x;
    }

    DocumentResources documents;
    RCPtr<TestApp> app;
    RCPtr<LControl> main;
    RCPtr<LRootWindow> root;
};

TEST_F(FrameworkAppMeasureTest, BeforeAnyWindowLabelsSizeAndWrapWithTheCairoRenderersMeasures)
{
    Create(nullptr);
    const RCPtr<LFont> font = Child(u"expanding")->GetFont();
    ASSERT_TRUE(font);
    RCPtr<LRenderer> cairo = LRenderer::Create(LRenderer::kGdi, {}, nullptr);
    int32_t lineHeight = 0, ascent = 0, descent = 0;
    ASSERT_EQ(cairo->GetFontMetrics(font, lineHeight, ascent, descent), S_OK);
    // Measured, not estimated.
    EXPECT_EQ(font->GetLineHeight(), float(lineHeight));
    EXPECT_EQ(font->GetAscent(), float(ascent));

    // "Expand" makes the label as wide as its text.
    const double natural = std::trunc(double(Width(*cairo, u"An expanding label", font)) + 0.99);
    EXPECT_GT(natural, 50.0);
    EXPECT_EQ(Child(u"expanding")->GetRect().width, natural);

    // Wrapped at the spaces to the 70-pixel box, and as high as its lines.
    const char16_t* const words[] = {u"one", u"two", u"three", u"four", u"five", u"six", u"seven"};
    std::u16string line = words[0];
    int lines = 1;
    for (size_t i = 1; i < std::size(words); ++i) {
        const std::u16string longer = line + u" " + words[i];
        if (Width(*cairo, longer.c_str(), font) <= 70.0f) {
            line = longer;
        } else {
            line = words[i];
            ++lines;
        }
    }
    EXPECT_GE(lines, 3);
    EXPECT_EQ(Child(u"wrapped")->GetRect().height, double(lines * lineHeight));

    // A list box measures its entries before it is in a window.
    RCPtr<LListBox> list(Child(u"list"));
    ASSERT_TRUE(list);
    RCPtr<LStringTable> entries(new LStringTable);
    static_cast<void>(entries->SetString(u"ITEM.0", u"A"));                   // setting a string cannot fail
    static_cast<void>(entries->SetString(u"ITEM.1", u"A much longer entry")); // setting a string cannot fail
    ASSERT_EQ(list->LoadItemsFromStringTable(entries), S_OK);
    const RCPtr<LFont> rowFont = list->GetItemControl(0)->GetFont();
    EXPECT_NEAR(double(list->MeasureItemWidth(1) - list->MeasureItemWidth(0)),
                double(Width(*cairo, u"A much longer entry", rowFont) - Width(*cairo, u"A", rowFont)), 1.0);
    EXPECT_GT(list->MeasureItemWidth(1), 80);

    // A cut text offers itself as the tip.
    EXPECT_EQ(Child(u"cut")->GetToolTipText(), String(u"A text cut short"));
    EXPECT_EQ(Child(u"centred")->GetToolTipText(), String());
}

TEST_F(FrameworkAppMeasureTest, InAWindowTextIsMeasuredByItsRendererAndDrawnWhereItsAlignmentPutsIt)
{
    RCPtr<RecordingRenderer> renderer(new RecordingRenderer);
    FakeWindow window;
    root = LRootWindow::Create(renderer, &window);
    app->AddRootWindow(root);
    EXPECT_EQ(app->GetMeasurementRenderer().Get(), static_cast<LMeasurementRenderer*>(renderer.Get()));
    Create(root);
    static_cast<void>(root->SetContent(main)); // a new content always takes the window
    EXPECT_EQ(Child(u"centred")->GetFont()->GetLineHeight(), 16.0f);

    RCPtr<LRenderContextInfo> context;
    ASSERT_EQ(renderer->InitRenderContextInfo({0, 0, 400, 300}, nullptr, false, context), S_OK);
    root->InvalidateRect({0, 0, 400, 300});
    LRectList dirty;
    root->TakeInvalidRegion(dirty);
    ASSERT_EQ(renderer->RenderStart(context), S_OK);
    root->Paint(dirty);
    ASSERT_EQ(renderer->RenderFinish(context), S_OK);
    std::vector<RecordedCall> texts;
    for (const RecordedCall& call : renderer->Named("DrawText"))
        if (call.text == u"Centre")
            texts.push_back(call);
    ASSERT_EQ(texts.size(), 1u);
    // Six characters of 7 pixels centred in 200, a 16-pixel line in 40.
    EXPECT_EQ(texts[0].origin.x + texts[0].rect.x, (200.0 - 42.0) / 2);
    EXPECT_EQ(texts[0].origin.y + texts[0].rect.y, (40.0 - 16.0) / 2);
}

} // namespace
} // namespace KX::Test
