// One control of every registered framework class, built from a gallery skin through the factory,
// laid out and painted in a real window under X, then clicked one by one. The window's picture is
// kept as gallery.bmp in the test's working folder for people to look at; it is not compared.
#include "KXFramework/Application/FrameworkClassNames.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/TreeView.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include "DocumentResources.h"
#include "EnvironmentGuard.h"
#include "NotificationDoubles.h"
#include "SdlEvents.h"
#include "SolidSkin.h"
#include "TestFonts.h"
#include "UiDoubles.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

// The 39 framework class names and, where the class needs them, the children its skin gives it.
struct GalleryEntry {
    const char* className;
    const char* children;
};

const char kThumbs[] = R"(
      <SubControl Class="Framework.Button" Name="thumbStart" YPositionAbs="10" XSizeAbs="10" YSizeAbs="20"><Skin Name="s" LookList="fourteen"/></SubControl>
      <SubControl Class="Framework.Button" Name="thumbEnd" XPositionAbs="100" YPositionAbs="10" XSizeAbs="10" YSizeAbs="20"><Skin Name="e" LookList="fourteen"/></SubControl>)";

const char kListItems[] = R"(
      <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14"><Skin Name="t" LookList="fourteen"/></SubControl>)";

const char kCheckedItems[] = R"(
      <SubControl Class="Framework.CheckedListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
       <Skin Name="t" LookList="fourteen"/>
       <SubControl Class="Framework.Button" Name="checkBox" XSizeAbs="12" YSizeAbs="12"><Skin Name="c" LookList="fourteen"/></SubControl>
      </SubControl>)";

const char kTreeItems[] = R"(
      <SubControl Class="Framework.TreeViewItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14">
       <Skin Name="t" LookList="fourteen"/>
       <SubControl Class="Framework.Button" Name="checkBox" XSizeAbs="12" YSizeAbs="12"><Skin Name="c" LookList="fourteen"/></SubControl>
      </SubControl>)";

const char kTable[] = R"(
      <SubControl Class="Framework.Button" Name="buttonColumnHeader1" XSizeAbs="55" YSizeAbs="14"><Skin Name="h1" LookList="fourteen"/></SubControl>
      <SubControl Class="Framework.Button" Name="buttonColumnHeader2" XPositionAbs="55" XSizeAbs="55" YSizeAbs="14"><Skin Name="h2" LookList="fourteen"/></SubControl>
      <SubControl Class="Framework.listboxNoScroll" Name="listboxNoScroll1" YPositionAbs="14" XSizeAbs="55" YSizeAbs="42">
       <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14"><Skin Name="t" LookList="fourteen"/></SubControl>
      </SubControl>
      <SubControl Class="Framework.listboxNoScroll" Name="listboxNoScroll2" XPositionAbs="55" YPositionAbs="14" XSizeAbs="55" YSizeAbs="42">
       <SubControl Class="Framework.ListBoxItem" Name="templateItem" XSizeToControl="Client" XSizeRel="1" XSizeAbs="0" YSizeAbs="14"><Skin Name="t" LookList="fourteen"/></SubControl>
      </SubControl>)";

const char kMeter[] = R"(
      <SubControl Class="Framework.Label" Name="activeOverlay" XSizeAbs="110" YSizeAbs="20"><Skin Name="o" LookList="lit"/></SubControl>
      <SubControl Class="Framework.Label" Name="peakLo" XSizeAbs="3" YSizeAbs="20"><Skin Name="p" LookList="lit"/></SubControl>
      <SubControl Class="Framework.Label" Name="peakHi" XPositionAbs="95" XSizeAbs="3" YSizeAbs="20"><Skin Name="q" LookList="lit"/></SubControl>
      <SubControl Class="Framework.Button" Name="clipButton" XPositionAbs="100" YPositionAbs="20" XSizeAbs="10" YSizeAbs="10"><Skin Name="c" LookList="fourteen"/></SubControl>)";

const char kProgress[] = R"(
      <SubControl Class="Framework.Label" Name="activeOverlay" XSizeAbs="110" YSizeAbs="20"><Skin Name="o" LookList="lit"/></SubControl>
      <SubControl Class="Framework.Label" Name="percentCompleteLabel" YPositionAbs="20" XSizeAbs="40" YSizeAbs="16"><Skin Name="l" LookList="text"/></SubControl>
      <SubControl Class="Framework.Label" Name="timeRemainingLabel" XPositionAbs="40" YPositionAbs="20" XSizeAbs="70" YSizeAbs="16"><Skin Name="r" LookList="text"/></SubControl>)";

const char kCombo[] = R"(
      <SubControl Class="Framework.ListBox" Name="listBox" ClipToParent="False" Z_Order="4" IsVisible="False" YPositionRel="1"
                  XSizeToControl="Client" XSizeRel="1" YSizeAbs="42" YMaxSizeAbs="42">)";

const char kComboEnd[] = R"(
      </SubControl>)";

const char kComboSlider[] = R"(
      <SubControl Class="Framework.ComboSlider.DropDownPanel" Name="dropDownPanel" ClipToParent="False" Z_Order="4" IsVisible="False" YPositionRel="1" XSizeAbs="110" YSizeAbs="40">
       <SubControl Class="Framework.Slider" Name="slider" XSizeAbs="110" YSizeAbs="40">
        <SubControl Class="Framework.Button" Name="thumbStart" YPositionAbs="10" XSizeAbs="10" YSizeAbs="20"><Skin Name="s" LookList="fourteen"/></SubControl>
        <SubControl Class="Framework.Button" Name="thumbEnd" XPositionAbs="100" YPositionAbs="10" XSizeAbs="10" YSizeAbs="20"><Skin Name="e" LookList="fourteen"/></SubControl>
       </SubControl>
      </SubControl>)";

const char kUpDown[] = R"(
      <SubControl Class="Framework.TextBox" Name="textBox" XSizeAbs="80" YSizeAbs="20"><Skin Name="t" LookList="fourteen"/></SubControl>
      <SubControl Class="Framework.Button" Name="buttonUp" XPositionAbs="80" XSizeAbs="20" YSizeAbs="10"><Skin Name="u" LookList="fourteen"/></SubControl>
      <SubControl Class="Framework.Button" Name="buttonDown" XPositionAbs="80" YPositionAbs="10" XSizeAbs="20" YSizeAbs="10"><Skin Name="d" LookList="fourteen"/></SubControl>)";

const char kScrollBar[] = R"(
      <SubControl Class="Framework.Button" Name="dec" XSizeAbs="16" YSizeAbs="16"><Skin Name="d" LookList="fourteen"/></SubControl>
      <SubControl Class="Framework.Button" Name="inc" YPositionToControl="Client" YPositionRel="1" YPlacementAnchor="1" XSizeAbs="16" YSizeAbs="16"><Skin Name="i" LookList="fourteen"/></SubControl>
      <SubControl Class="Framework.Panel" Name="channel" YPositionAbs="16" XSizeAbs="16" YSizeToControl="Client" YSizeRel="1" YSizeAbs="-32">
       <SubControl Class="Framework.Button" Name="thumb" XSizeAbs="16" YSizeAbs="16"><Skin Name="t" LookList="fourteen"/></SubControl>
      </SubControl>)";

const std::vector<GalleryEntry>& Entries()
{
    static const std::string combo = std::string(kCombo) + kListItems + kComboEnd;
    static const std::string checkedCombo = std::string(kCombo) + kCheckedItems + kComboEnd;
    static const std::string centred = std::string(kThumbs) + R"(
      <SubControl Class="Framework.CenteredSliderBounds" Name="lowRangeBounds" XPlacementAnchor="1" XSizeAbs="2" YSizeAbs="40"/>
      <SubControl Class="Framework.CenteredSliderBounds" Name="highRangeBounds" XSizeAbs="2" YSizeAbs="40"/>)";
    static const std::vector<GalleryEntry> entries = {
        {"Framework.Button", ""},
        {"Framework.OverlayButton", ""},
        {"Framework.ListBox", kListItems},
        {"Framework.listboxNoScroll", kListItems},
        {"Framework.ListBoxItem", ""},
        {"Framework.CheckedListBox", kCheckedItems},
        {"Framework.CheckedListBoxItem", ""},
        {"Framework.ListBoxWithIcons", kCheckedItems},
        {"Framework.listbox2ColumnSortable", kTable},
        {"Framework.ScrollBar", kScrollBar},
        {"Framework.ScrollChannel", ""},
        {"Framework.ComboBox", combo.c_str()},
        {"Framework.ComboTextBox", combo.c_str()},
        {"Framework.CheckedComboBox", checkedCombo.c_str()},
        {"Framework.ComboBoxWithIcons", checkedCombo.c_str()},
        {"Framework.ComboSlider", kComboSlider},
        {"Framework.ComboSlider.DropDownPanel", ""},
        {"Framework.Slider", kThumbs},
        {"Framework.Knob", ""},
        {"Framework.TabControl", ""},
        {"Framework.Label", ""},
        {"Framework.TextBox", ""},
        {"Framework.NumericUpDown", kUpDown},
        {"Framework.Panel", ""},
        {"Framework.ToolTip", ""},
        {"Framework.PopupMenu", kListItems},
        {"Framework.MenuItem", ""},
        {"Framework.ComboMenu", ""},
        {"Framework.MainMenu", ""},
        {"Framework.FileDropper", ""},
        {"Framework.StatusBar", ""},
        {"Framework.SplitterH", ""},
        {"Framework.SplitterV", ""},
        {"Framework.LevelMeter", kMeter},
        {"Framework.ProgressBar", kProgress},
        {"Framework.TreeView", kTreeItems},
        {"Framework.TreeViewItem", ""},
        {"Framework.CenteredSlider", centred.c_str()},
        {"Framework.CenteredSliderBounds", ""},
    };
    return entries;
}

constexpr int kColumns = 6;
constexpr int kCellWidth = 130;
constexpr int kCellHeight = 70;

// Fourteen looks in alternating colours, eight knob frames in rising greys, a lit look and a
// text look with a visible foreground.
std::string Looks()
{
    std::vector<SolidColour> colours = {{"back", 0xFF202830}, {"ink", 0xFFF0F0F0}, {"lit", 0xFF30C040},
                                        {"c0", 0xFF4060A0},   {"c1", 0xFF6080C0},  {"c2", 0xFFA06040}};
    std::vector<std::string> knob;
    for (int i = 0; i < 8; ++i) {
        const uint32_t grey = uint32_t(60 + i * 25);
        knob.push_back("k" + std::to_string(i));
        colours.push_back({knob.back(), 0xFF000000 | grey << 16 | grey << 8 | grey});
    }
    std::vector<std::string> fourteen;
    for (int i = 0; i < 14; ++i)
        fourteen.push_back(i % 7 == 0 ? "c0" : (i % 7 == 2 ? "c2" : "c1"));
    const std::string text =
        "<TextProperties TextLeftRel=\"0\" TextLeftAbs=\"3\" TextRightRel=\"1\" TextRightAbs=\"-3\" "
        "TextHAlign=\"0\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" TextBottomAbs=\"0\" "
        "TextVAlign=\"0\" TextForegroundPart=\"ink\"/>";
    return SolidParts(colours, 4) + SkinLooks()
                                        .Look("back", "back")
                                        .Look("lit", "lit")
                                        .Look("c0", "c0", text)
                                        .Look("c1", "c1", text)
                                        .Look("c2", "c2", text)
                                        .Look("text", "c0", text)
                                        .List("back", {"back"})
                                        .List("lit", {"lit"})
                                        .List("text", {"text"})
                                        .List("fourteen", fourteen)
                                        .Row("knob", "k", knob)
                                        .Text();
}

std::string GallerySkin(const std::vector<const GalleryEntry*>& shown)
{
    std::string controls;
    for (size_t i = 0; i < shown.size(); ++i) {
        const std::string list = std::string(shown[i]->className) == "Framework.Knob" ? "knob" : "fourteen";
        controls += "    <SubControl Class=\"" + std::string(shown[i]->className) + "\" Name=\"cell" +
                    std::to_string(i) + "\" XPositionAbs=\"" + std::to_string(int(i % kColumns) * kCellWidth + 10) +
                    "\" YPositionAbs=\"" + std::to_string(int(i / kColumns) * kCellHeight + 10) +
                    "\" XSizeAbs=\"110\" YSizeAbs=\"56\">\n" + "     <Skin Name=\"s" + std::to_string(i) +
                    "\" LookList=\"" + list + "\"/>" + shown[i]->children + "\n    </SubControl>\n";
    }
    return SkinFile(Looks(), R"(Name="only" FontName="DejaVu Sans" FontSize="9" FontStyle="0")",
                    R"(   <SubControl Class="Test.Panel" Name="gallery" XSizeAbs=")" +
                        std::to_string(kColumns * kCellWidth) + "\" YSizeAbs=\"" + std::to_string(7 * kCellHeight) +
                        R"(">
    <Skin Name="g" LookList="back"/>
)" + controls + "   </SubControl>");
}

bool IsRegistered(const LControlClassRegistry& registry, const char* name)
{
    ControlCreateFunction function = nullptr;
    try {
        return registry.GetControlCreateFunction(String(name), function) == S_OK && function;
    } catch (const std::exception&) {
        return false;
    }
}

// Every class the children name is registered too.
bool ChildrenRegistered(const LControlClassRegistry& registry, const std::string& children)
{
    const std::string key = "Class=\"";
    for (size_t at = children.find(key); at != std::string::npos; at = children.find(key, at + 1)) {
        const size_t start = at + key.size();
        if (!IsRegistered(registry, children.substr(start, children.find('"', start) - start).c_str()))
            return false;
    }
    return true;
}

// The fake's cursor handles are not cursors of the window layer: a real window keeps the arrow.
class GalleryServices : public FakeFrameworkServices {
public:
    uintptr_t LoadAppCursor(const char16_t*) override { return 0; }
};

class FrameworkGalleryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X display";
        UseTestFonts();
        environment.Set("SDL_VIDEODRIVER", "x11");
        environment.Set("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        ASSERT_TRUE(Platform::VideoSystem::Start()) << Platform::VideoSystem::LastError();
        started = true;
    }
    void TearDown() override
    {
        if (!started)
            return;
        for (auto& r : recorders)
            r->UnregisterForAllNotifications();
        recorders.clear();
        if (window && OSWindow::FromId(Id()) == window)
            window->EndModal(0);
        OSWindow::RunOnce(0);
        Platform::VideoSystem::Stop();
    }

    uint32_t Id() const { return window->GetWindowHandle() ? window->GetWindowHandle()->Id() : 0; }
    template <class Condition>
    static bool Until(Condition condition)
    {
        for (int i = 0; i < 200 && !condition(); ++i)
            OSWindow::RunOnce(10);
        return condition();
    }
    EnvironmentGuard environment;
    DocumentResources documents;
    GalleryServices services;
    OSWindow* window = nullptr;
    bool started = false;
    std::vector<RCPtr<Recorder>> recorders;
};

TEST_F(FrameworkGalleryTest, EveryRegisteredClassBuildsPaintsAndAnswersAClick)
{
    int line = 0;
    ASSERT_EQ(RegisterFrameworkClassNames(*services.registry, line), S_OK);
    static_cast<void>(services.registry->RegisterControlCreateFunction(
        u"Test.Panel", &CreateControlOf<ProbeControl>)); // a name registered twice keeps its function
    std::vector<const GalleryEntry*> shown;
    for (const GalleryEntry& e : Entries()) {
        if (IsRegistered(*services.registry, e.className) && ChildrenRegistered(*services.registry, e.children))
            shown.push_back(&e);
    }
    ASSERT_FALSE(shown.empty());
    documents.Set(u"APP_SKINS", GallerySkin(shown));
    services.factory = RCPtr<LControlFactory>(new LControlFactory(u"PresetEditor"));
    ASSERT_EQ(services.factory->LoadSkin(u"::APP_SKINS"), S_OK);

    Platform::WindowParams params;
    params.x = 0;
    params.y = 0;
    params.width = kColumns * kCellWidth;
    params.height = 7 * kCellHeight;
    params.visible = true;
    window = OSWindow::Create(params, LRenderer::kGdi);
    ASSERT_NE(window, nullptr);
    static_cast<void>(window->GetRootWindow()->SetContentByName(u"gallery")); // the test checks the content it got
    RCPtr<LControl> gallery = window->GetRootWindow()->GetContent();
    ASSERT_TRUE(gallery);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);

    // Every cell is built, with its class, and laid out where the skin puts it.
    for (size_t i = 0; i < shown.size(); ++i) {
        const RCPtr<LControl>& cell = gallery->FindChild(String::Format(u"cell%d", int(i)));
        ASSERT_TRUE(cell) << shown[i]->className;
        EXPECT_TRUE(cell->IsCreated()) << shown[i]->className;
        EXPECT_DOUBLE_EQ(cell->GetRect().x, double(int(i % kColumns) * kCellWidth + 10)) << shown[i]->className;
    }
    // Some content to show: each cell's class as its text, list entries, a small tree, a level.
    for (size_t i = 0; i < shown.size(); ++i) {
        const RCPtr<LControl>& cell = gallery->FindChild(String::Format(u"cell%d", int(i)));
        cell->SetValue(0.6);
        cell->SetText(String(shown[i]->className + 10));
        std::vector<LListBox*> lists;
        if (auto* list = dynamic_cast<LListBox*>(cell.Get()))
            lists.push_back(list);
        for (const char16_t* column : {u"listboxNoScroll1", u"listboxNoScroll2"}) {
            if (auto* list = dynamic_cast<LListBox*>(cell->FindChild(column).Get()))
                lists.push_back(list);
        }
        for (LListBox* list : lists) {
            for (const char16_t* text : {u"first", u"second", u"third"})
                static_cast<void>(list->InsertItem(list->GetItemCount(), RCPtr<LTaggableObject>(LListBoxText::Create(
                                                                             text)))); // an index past the end appends
        }
        if (auto* tree = dynamic_cast<LTreeView*>(cell.Get()))
            tree->SetParent(2, 1);
    }
    ASSERT_TRUE(Until([this] { return window->GetClientArea().width == kColumns * kCellWidth; }));
    OSWindow::PaintAll();
    OSWindow::RunOnce(0);

    // A click on each cell reaches a control of that cell.
    int answered = 0;
    std::string missed;
    for (size_t i = 0; i < shown.size(); ++i) {
        const RCPtr<LControl>& cell = gallery->FindChild(String::Format(u"cell%d", int(i)));
        const int x = int(cell->GetRect().x + 20), y = int(cell->GetRect().y + 20);
        PointT<int32_t> local;
        RCPtr<LControl> hit = window->GetRootWindow()->HitTest({x, y}, local, false);
        bool inside = false;
        for (LControl* c = hit.Get(); c && !inside; c = c->GetParent().Get())
            inside = c == cell.Get();
        if (!inside) {
            missed += std::string(" ") + shown[i]->className;
            continue;
        }
        RCPtr<Recorder> downs(new Recorder("down"));
        downs->RegisterForNotification(RCPtr<LNotificationDistributor>(hit), u"NID_MOUSE_DOWN", 0);
        recorders.push_back(downs);
        PushMotion(Id(), x, y);
        PushButton(Id(), true, x, y);
        PushButton(Id(), false, x, y);
        EXPECT_TRUE(Until([&] { return downs->received > 0; })) << shown[i]->className;
        ++answered;
        // Whatever the click opened closes again, so that it covers no other cell.
        PushButton(Id(), true, kColumns * kCellWidth - 2, 7 * kCellHeight - 2);
        PushButton(Id(), false, kColumns * kCellWidth - 2, 7 * kCellHeight - 2);
        OSWindow::RunOnce(0);
    }
    // Hidden classes (a tool tip, a file dropper) take no clicks; every other one does.
    EXPECT_GE(answered, int(shown.size()) - 3) << "not hit:" << missed;
    OSWindow::PaintAll();
    OSWindow::RunOnce(0);

    SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(Id()));
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(SDL_SaveBMP(surface, "gallery.bmp"), 0) << SDL_GetError();
    std::printf("gallery: %zu classes, not hit:%s\n", shown.size(), missed.c_str());
}

} // namespace
} // namespace KX::Test
