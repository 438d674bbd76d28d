// A musician's session with the editor, driven from outside through the X server with xdotool: the
// program (the editor's main routine with a simulated keyboard, its state mirrored into a folder)
// runs on Xvfb; the test clicks and types at places taken from the generated skin and answers the
// zenity boxes and file choosers as a person would. Every wait is bounded and tied to something
// visible: a window that appears or goes, a part of a window that changes, the keyboard's mirrored
// state. Each step leaves a screenshot session-NN-<step>.png in KX_SCREENSHOT_DIR (else the working
// folder); a failed one its editor's log beside it. Then, under a window manager and with each dialog,
// box or chooser open, a second start and the desktop's logout (SIGTERM).
#include "EditorEnvironment.h"
#include "EnvironmentGuard.h"
#include "Eventually.h"
#include "SkinLayout.h"
#include "TempFolder.h"
#include "X11Session.h"
#include "X11WindowManager.h"

#include "KXFramework/Platform/Folders/ProfileStore.h"
#include "KXFramework/Platform/Folders/WindowPlacement.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

using Rect = SkinLayout::Rect;
using Bytes = std::string;

constexpr auto kBound = std::chrono::seconds(30);
constexpr const char* kMainTitle = "Velmora Kivo 61 Preset Editor";
constexpr int kSlotBytes = 1338;

// Every place the session clicks, from the generated skin. The menus: titles side by side along the
// bar, their pop-ups below the bar with one row per item (separators included) inside a 2-pixel frame
// (measured).
struct Places {
    explicit Places(const SkinLayout& skin)
        : title(skin.Find({"mainMenu", "templateMenu"})),
          menuItem(skin.Find({"mainMenu", "templateMenu", "popupMenu", "templateItem"})),
          popup(skin.Find({"mainMenu", "templateMenu", "popupMenu"})),
          presetNamePanel(skin.Find({"viewDevice", "presetNameEditPanel"})),
          presetName(skin.Find({"viewDevice", "presetNameEditPanel", "textBox"})),
          editPanel(skin.Find({"viewDevice", "faderEditPanel"})),
          fader1(skin.Find({"viewDevice", "faders", "fader1"})),
          faderCc(skin.Find({"viewDevice", "faderEditPanel", "pageHolder", "ccRelativePage", "cc", "textBox"})),
          pad7(skin.Find({"viewDevice", "pads", "pad7"})),
          padNote(skin.Find(
              {"viewDevice", "padEditPanel", "pageHolder", "midiPage", "pageHolder", "notePage", "note", "textBox"})),
          padColourTab(skin.Find({"viewDevice", "padEditPanel", "buttonHolder", "colorPage"})),
          padColour1(skin.Find({"viewDevice", "padEditPanel", "pageHolder", "colorPage", "color1", "comboBox"})),
          button1(skin.Find({"viewDevice", "buttons", "button1"})),
          buttonNoteTab(
              skin.Find({"viewDevice", "buttonEditPanel", "pageHolder", "midiPage", "buttonHolder", "notePage"})),
          zone1(skin.Find({"viewDevice", "keybedZones", "zone1", "button"})),
          zone1Info(skin.Find({"viewDevice", "keybedZones", "zone1", "infoLabel"})),
          zoneFirst(skin.Find({"viewDevice", "zoneEditPanel", "startNote", "textBox"})),
          zoneLast(skin.Find({"viewDevice", "zoneEditPanel", "endNote", "textBox"})),
          getSlot(skin.Find({"dialogRetrievePresetFromHardware", "presetSlot", "comboBox"})),
          getButton(skin.Find({"dialogRetrievePresetFromHardware", "getButton"})),
          getClose(skin.Find({"dialogRetrievePresetFromHardware", "buttonClose"})),
          sendSlot(skin.Find({"dialogSendPreset", "presetSlot", "comboBox"})),
          sendButton(skin.Find({"dialogSendPreset", "send"})),
          sendClose(skin.Find({"dialogSendPreset", "buttonClose"})),
          globalChannel(skin.Find({"globalEditorControl", "midiChannel", "comboBox"})),
          globalGet(skin.Find({"globalEditorControl", "getGlobalSettingsButton"})),
          globalSend(skin.Find({"globalEditorControl", "sendGlobalSettingsButton"})),
          globalClose(skin.Find({"globalEditorControl", "buttonClose"})),
          aboutOk(skin.Find({"dialogAbout", "buttonOK"}))
    {
    }
    static constexpr int kPopupFrame = 2;
    // File menu rows and Help menu rows, as the menu table orders them.
    enum FileRow { kSend = 0, kRetrieve = 1, kLoad = 3, kSave = 4, kGlobal = 6, kExit = 8, kFileRows = 9 };
    enum HelpRow { kAbout = 1 };

    Rect Title(int menu) const { return {menu * title.width, 0, title.width, title.height}; }
    Rect Popup(int menu, int rows) const
    {
        return {menu * title.width, title.height, popup.width, rows * menuItem.height + 2 * kPopupFrame};
    }
    Rect Item(int menu, int row) const
    {
        return {menu * title.width, title.height + kPopupFrame + row * menuItem.height, popup.width, menuItem.height};
    }

    Rect title, menuItem, popup, presetNamePanel, presetName, editPanel, fader1, faderCc, pad7, padNote, padColourTab,
        padColour1, button1, buttonNoteTab, zone1, zone1Info, zoneFirst, zoneLast, getSlot, getButton, getClose,
        sendSlot, sendButton, sendClose, globalChannel, globalGet, globalSend, globalClose, aboutOk;
};

class EditorSessionX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(m_x.Get(), nullptr) << "needs an X display (xvfb-run)";
        IsolateX11EditorEnvironment(m_environment, m_home, m_state, KX_TEST_FONTS_CONF);
        const char* folder = std::getenv("KX_SCREENSHOT_DIR");
        m_shots = folder && *folder ? folder : std::filesystem::current_path().string();
    }
    void TearDown() override { KillEditor(); }

    // What a failed step left running; zenity windows go with the editor.
    void KillEditor()
    {
        for (pid_t child : X11Session::ChildrenOf(m_editor))
            X11Session::Kill(child);
        X11Session::Kill(m_editor);
    }

    // --- The driver -----------------------------------------------------------------------------

    // The editor started and drawn, with the keyboard plugged in.
    void StartEditor()
    {
        m_editor = X11Session::Launch(KIVO_E2E_EDITOR, {}, m_home / "editor.log");
        ASSERT_GT(m_editor, 0);
        m_main = WaitWindow(kMainTitle);
        ASSERT_NE(m_main, 0u);
        // Drawn: the preset name's caption shows, in more colours than a blank window has (the field may
        // have the focus, which hides its placeholder).
        ASSERT_TRUE(Eventually([&] { return Colours(Grab(m_main, m_places->presetNamePanel)) > 4; }, kBound)) << Log();
        WaitState("plugged", "1\n");
    }

    // Runs xdotool with these arguments; fails the step when it does not end well in time.
    void Xdo(std::vector<std::string> arguments)
    {
        pid_t child = X11Session::Launch("xdotool", arguments, m_home / "xdotool.log");
        const int status = X11Session::WaitForExit(child, kBound);
        X11Session::Kill(child);
        std::string line;
        for (const std::string& argument : arguments)
            line += " " + argument;
        ASSERT_EQ(status, 0) << "xdotool" << line << ": " << TempFolder::ReadFile(m_home / "xdotool.log");
    }
    static std::string Id(Window window) { return std::to_string(window); }

    void Click(Window window, const Rect& place)
    {
        Xdo({"mousemove", "--window", Id(window), std::to_string(place.CentreX()), std::to_string(place.CentreY()),
             "click", "1"});
    }
    // Keys to the window, which gets the keyboard first; spaced, as a person types.
    void Keys(Window window, std::vector<std::string> keys)
    {
        Xdo({"windowfocus", "--sync", Id(window)});
        keys.insert(keys.begin(), {"key", "--delay", "50"});
        Xdo(keys);
    }
    void Type(Window window, const std::string& text)
    {
        Xdo({"windowfocus", "--sync", Id(window)});
        Xdo({"type", "--delay", "50", text});
    }
    // A text field's content replaced, as a person does it: click in it, clear it, type, Return.
    void Enter(Window window, const Rect& field, const std::string& text)
    {
        Click(window, field);
        std::vector<std::string> keys{"End"};
        keys.insert(keys.end(), 10, "BackSpace");
        Keys(window, keys);
        Type(window, text);
        Keys(window, {"Return"});
    }

    X11Session::Picture Grab(Window window, const Rect& r) { return m_x.Grab(window, r.x, r.y, r.width, r.height); }

    // Waits until the part of the window differs from `before` and holds still over two looks.
    void WaitChanged(Window window, const Rect& part, const X11Session::Picture& before, const std::string& what)
    {
        X11Session::Picture last;
        ASSERT_TRUE(Eventually(
            [&] {
                X11Session::Picture now = Grab(window, part);
                const bool settled = now && !X11Session::Same(now, before) && X11Session::Same(now, last);
                last = std::move(now);
                return settled;
            },
            kBound))
            << what << " did not change\n"
            << Log();
    }
    // The picture's colours, counted up to 16.
    static std::size_t Colours(const X11Session::Picture& picture)
    {
        std::set<unsigned long> colours;
        for (int y = 0; picture && y < picture->height && colours.size() < 16; ++y)
            for (int x = 0; x < picture->width; ++x)
                colours.insert(XGetPixel(picture.get(), x, y));
        return colours.size();
    }

    // Runs `action` and waits for the part of the window to change.
    void Changes(Window window, const Rect& part, const std::string& what, const std::function<void()>& action)
    {
        X11Session::Picture before = Grab(window, part);
        ASSERT_TRUE(before);
        action();
        if (!HasFatalFailure())
            WaitChanged(window, part, before, what);
    }

    bool Ours(pid_t pid) const { return pid == m_editor; }
    // zenity, started by the editor.
    bool OursChild(pid_t pid) const { return pid > 0 && X11Session::ParentOf(pid) == m_editor; }

    Window WaitWindow(const std::string& title, bool child = false)
    {
        Window window = 0;
        const auto owner = [&](pid_t pid) { return child ? OursChild(pid) : Ours(pid); };
        EXPECT_TRUE(Eventually([&] { return (window = m_x.FindShown(title, owner)) != 0; }, kBound))
            << "no window \"" << title << "\"\n"
            << Log();
        if (window && !child)
            WaitPainted(window, title);
        return window;
    }
    // Painted, the main window shows its menu bar, whose first title's letters take more colours than
    // the plain background that shows through an unpainted window. An editor dialog mapped but not
    // painted yet shows the main window through it; painted, its top rows are its plain background
    // from edge to edge.
    void WaitPainted(Window window, const std::string& title)
    {
        const auto painted = [&] {
            if (title == kMainTitle)
                return Colours(Grab(window, m_places->Title(0))) > 4;
            const X11Session::Picture picture = m_x.Grab(window);
            if (!picture || picture->width < 32 || picture->height < 8)
                return false;
            const unsigned long background = XGetPixel(picture.get(), 8, 4);
            for (int y = 3; y < 6; ++y)
                for (int x = 8; x < picture->width - 8; ++x)
                    if (XGetPixel(picture.get(), x, y) != background)
                        return false;
            return true;
        };
        EXPECT_TRUE(Eventually(painted, kBound)) << "\"" << title << "\" is not painted\n" << Log();
    }
    void WaitGone(Window window, const std::string& title)
    {
        EXPECT_TRUE(Eventually(
            [&] {
                XWindowAttributes attributes{};
                return !XGetWindowAttributes(m_x.Get(), window, &attributes) || attributes.map_state != IsViewable;
            },
            kBound))
            << "\"" << title << "\" is still shown\n"
            << Log();
    }

    // A zenity window is drawn once its light theme covers most of it: until then the server shows
    // the editor's dark pixels through it.
    void WaitDrawn(Window window, const std::string& title)
    {
        const auto drawn = [&] {
            const X11Session::Picture picture = m_x.Grab(window);
            if (!picture || Colours(picture) <= 8)
                return false;
            long light = 0;
            for (int y = 0; y < picture->height; ++y)
                for (int x = 0; x < picture->width; ++x)
                    light += (XGetPixel(picture.get(), x, y) & 0xC0C0C0) == 0xC0C0C0 ? 1 : 0;
            return light * 2 > long(picture->width) * picture->height;
        };
        EXPECT_TRUE(Eventually(drawn, kBound)) << "\"" << title << "\" is not drawn";
    }

    // A menu item: the title clicked, the pop-up drawn over the window, then the row clicked.
    void Menu(int menu, int rows, int row)
    {
        const Rect popup = m_places->Popup(menu, rows);
        Changes(m_main, popup, "the menu", [&] { Click(m_main, m_places->Title(menu)); });
        if (!HasFatalFailure())
            Click(m_main, m_places->Item(menu, row));
    }

    // A combo box's list opened by a click, `downs` rows further down chosen with the keys. Done when
    // the box shows another entry and its list has gone from below it.
    void Choose(Window window, const Rect& combo, int downs)
    {
        const Rect below{combo.x, combo.y + combo.height, combo.width, 2 * combo.height};
        const X11Session::Picture box = Grab(window, combo), under = Grab(window, below);
        ASSERT_TRUE(box && under);
        Click(window, combo);
        ASSERT_TRUE(Eventually([&] { return !X11Session::Same(Grab(window, below), under); }, kBound))
            << "the list did not open";
        Screenshot("list");
        std::vector<std::string> keys(std::size_t(downs), "Down");
        keys.push_back("Return");
        Keys(window, keys);
        ASSERT_TRUE(Eventually(
            [&] { return X11Session::Same(Grab(window, below), under) && !X11Session::Same(Grab(window, combo), box); },
            kBound))
            << "the combo box did not take the entry\n"
            << Log();
    }

    // A zenity box of the editor answered with Return.
    void Answer(const std::string& title)
    {
        const Window box = WaitWindow(title, true);
        ASSERT_NE(box, 0u);
        WaitDrawn(box, title);
        Screenshot("box");
        Keys(box, {"Return"});
        WaitGone(box, title);
    }

    // The file chooser: the path typed into the location field, then Return.
    void ChooseFile(const std::string& title, const std::string& path, bool save)
    {
        const Window chooser = WaitWindow(title, true);
        ASSERT_NE(chooser, 0u);
        WaitDrawn(chooser, title);
        // A save chooser starts in its name field, which takes a whole path; an open one asks for it.
        if (!save)
            Keys(chooser, {"ctrl+l"});
        Type(chooser, path);
        Screenshot("chooser");
        Keys(chooser, {"Return"});
        WaitGone(chooser, title);
    }

    std::string State(const std::string& name) const { return TempFolder::ReadFile(m_state + "/" + name); }
    void WaitState(const std::string& name, const std::string& wanted)
    {
        EXPECT_TRUE(Eventually([&] { return State(name) == wanted; }, kBound))
            << "the keyboard's " << name << " is not as expected\n"
            << Log();
    }

    // The 1338 preset bytes inside a preset file: its chunks' values after the 12-byte head.
    static Bytes Payload(const Bytes& file)
    {
        Bytes out;
        for (std::size_t at = 12; at + 12 <= file.size();) {
            uint32_t length = 0;
            std::memcpy(&length, file.data() + at, 4);
            if (length < 12 || at + length > file.size())
                return {};
            out.append(file, at + 12, length - 12);
            at += length;
        }
        return out;
    }

    // The whole screen, with the editor's windows and zenity's.
    std::string Screenshot(const std::string& suffix = {})
    {
        char name[128];
        std::snprintf(name, sizeof name, "session-%02d-%s%s%s.png", m_step, m_stepName.c_str(),
                      suffix.empty() ? "" : "-", suffix.c_str());
        const std::string path = m_shots + "/" + name;
        X11Session::Picture screen = m_x.Grab(m_x.Root());
        EXPECT_TRUE(screen && X11Session::SavePng(*screen, path)) << path;
        return path;
    }

    // One step of the session: its body, then its screenshot. A failed step names itself and its
    // screenshot, and the steps after it are skipped.
    void Step(const std::string& name, const std::function<void()>& body)
    {
        if (m_failed)
            return;
        ++m_step;
        m_stepName = name;
        body();
        const std::string shot = Screenshot();
        if (HasFailure()) {
            m_failed = true;
            TempFolder::WriteFile(shot.substr(0, shot.size() - 4) + ".log", Log());
            ADD_FAILURE() << "step " << m_step << " \"" << name << "\" failed; its screenshot: " << shot;
        }
    }

    std::string Log() const { return TempFolder::ReadFile(m_home / "editor.log"); }

    X11Session m_x;
    TempFolder m_home;
    const std::string m_state = m_home / "state";
    EnvironmentGuard m_environment;
    std::string m_shots;
    pid_t m_editor = 0;
    Window m_main = 0;
    SkinLayout m_skin{KIVO_SKINS_XML};
    std::unique_ptr<Places> m_places = std::make_unique<Places>(m_skin);
    int m_step = 0;
    std::string m_stepName;
    bool m_failed = false;
};

TEST_F(EditorSessionX11Test, AMusicianEditsAPresetSavesLoadsSendsAndFetchesItAndChangesTheGlobalChannel)
{
    const Places& at = *m_places;
    const std::string first = m_home / "groove.Kivo61PresetEditor";
    const std::string second = m_home / "slot5.Kivo61PresetEditor";

    Step("start", [&] { StartEditor(); });

    // Slot 3 of the keyboard into the editor.
    Window dialog = 0;
    Step("open-get-dialog", [&] {
        Menu(0, Places::kFileRows, Places::kRetrieve);
        dialog = WaitWindow("Get Preset From Device");
    });
    Step("choose-slot-3", [&] { Choose(dialog, at.getSlot, 3); });
    Step("get-slot-3", [&] {
        Changes(m_main, at.presetName, "the preset name", [&] {
            Click(dialog, at.getButton);
            Answer("Retrieve Sucessful");
        });
        Click(dialog, at.getClose);
        WaitGone(dialog, "Get Preset From Device");
    });

    // Edits through the edit panels.
    Step("select-fader-1", [&] { Changes(m_main, at.editPanel, "the edit panel", [&] { Click(m_main, at.fader1); }); });
    Step("fader-1-cc-74", [&] { Changes(m_main, at.fader1, "fader 1", [&] { Enter(m_main, at.faderCc, "74"); }); });
    Step("select-pad-7", [&] { Changes(m_main, at.editPanel, "the edit panel", [&] { Click(m_main, at.pad7); }); });
    Step("pad-7-note-60", [&] { Changes(m_main, at.pad7, "pad 7", [&] { Enter(m_main, at.padNote, "60"); }); });
    Step("pad-7-colour-page",
         [&] { Changes(m_main, at.editPanel, "the edit panel", [&] { Click(m_main, at.padColourTab); }); });
    Step("pad-7-colour", [&] { Changes(m_main, at.pad7, "pad 7", [&] { Choose(m_main, at.padColour1, 2); }); });
    Step("select-button-1",
         [&] { Changes(m_main, at.editPanel, "the edit panel", [&] { Click(m_main, at.button1); }); });
    Step("button-1-note-type",
         [&] { Changes(m_main, at.button1, "button 1", [&] { Click(m_main, at.buttonNoteTab); }); });
    Step("select-zone-1", [&] { Changes(m_main, at.editPanel, "the edit panel", [&] { Click(m_main, at.zone1); }); });
    Step("zone-1-range", [&] {
        Changes(m_main, at.zone1Info, "zone 1", [&] { Enter(m_main, at.zoneFirst, "36"); });
        Changes(m_main, at.zone1Info, "zone 1", [&] { Enter(m_main, at.zoneLast, "60"); });
    });
    Step("preset-name",
         [&] { Changes(m_main, at.presetName, "the preset name", [&] { Enter(m_main, at.presetName, "Groove"); }); });

    // To a file and back.
    Step("save", [&] {
        Menu(0, Places::kFileRows, Places::kSave);
        ChooseFile("Select Save Location", first, true);
        ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(first); }, kBound));
        EXPECT_EQ(std::filesystem::file_size(first), 2922u);
    });
    Step("rename",
         [&] { Changes(m_main, at.presetName, "the preset name", [&] { Enter(m_main, at.presetName, "Sketch"); }); });
    Step("load", [&] {
        Changes(m_main, at.presetName, "the preset name", [&] {
            Menu(0, Places::kFileRows, Places::kLoad);
            ChooseFile("Select Preset File", first, false);
        });
    });
    const Bytes saved = TempFolder::ReadFile(first);
    const Bytes preset = Payload(saved);
    Step("saved-preset", [&] {
        ASSERT_EQ(preset.size(), std::size_t(kSlotBytes));
        EXPECT_EQ(preset.substr(0, 6), "Groove");
    });

    // To slot 5 and back.
    Step("open-send-dialog", [&] {
        Menu(0, Places::kFileRows, Places::kSend);
        dialog = WaitWindow("Send Preset To Device");
    });
    Step("choose-slot-5", [&] { Choose(dialog, at.sendSlot, 5); });
    Step("send-slot-5", [&] {
        Click(dialog, at.sendButton);
        WaitState("slot-05", preset);
        Answer("Send Sucess");
        Click(dialog, at.sendClose);
        WaitGone(dialog, "Send Preset To Device");
    });
    Step("rename-again",
         [&] { Changes(m_main, at.presetName, "the preset name", [&] { Enter(m_main, at.presetName, "Sketch"); }); });
    Step("open-get-dialog-again", [&] {
        Menu(0, Places::kFileRows, Places::kRetrieve);
        dialog = WaitWindow("Get Preset From Device");
    });
    Step("choose-slot-5-to-get", [&] { Choose(dialog, at.getSlot, 5); });
    Step("get-slot-5", [&] {
        Changes(m_main, at.presetName, "the preset name", [&] {
            Click(dialog, at.getButton);
            Answer("Retrieve Sucessful");
        });
        Click(dialog, at.getClose);
        WaitGone(dialog, "Get Preset From Device");
    });
    Step("save-slot-5", [&] {
        Menu(0, Places::kFileRows, Places::kSave);
        ChooseFile("Select Save Location", second, true);
        ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(second); }, kBound));
        EXPECT_EQ(TempFolder::ReadFile(second), saved);
        EXPECT_EQ(Payload(TempFolder::ReadFile(second)), State("slot-05"));
    });

    // The global MIDI channel: 1 to 4, sent, read back by a new dialog's Get Settings. Its text compared without the
    // combo box's frame, which shows the focus.
    const Rect channelText{at.globalChannel.x + 3, at.globalChannel.y + 3, at.globalChannel.width - 26,
                           at.globalChannel.height - 6};
    X11Session::Picture chosen;
    Step("open-global-settings", [&] {
        Menu(0, Places::kFileRows, Places::kGlobal);
        dialog = WaitWindow("Global Settings");
    });
    Step("global-channel-4", [&] {
        Choose(dialog, at.globalChannel, 3);
        chosen = Grab(dialog, channelText);
    });
    Step("send-global-settings", [&] {
        Click(dialog, at.globalSend);
        // The keyboard's first global setting is its channel, counted from 1.
        EXPECT_TRUE(Eventually([&] { return State("globals").rfind("4\n", 0) == 0; }, kBound))
            << "the keyboard's channel is not 4: " << State("globals") << Log();
        Click(dialog, at.globalClose);
        WaitGone(dialog, "Global Settings");
    });
    Step("global-settings-read-back", [&] {
        Menu(0, Places::kFileRows, Places::kGlobal);
        dialog = WaitWindow("Global Settings");
        ASSERT_NE(dialog, 0u);
        Click(dialog, at.globalGet);
        EXPECT_TRUE(Eventually([&] { return X11Session::Same(Grab(dialog, channelText), chosen); }, kBound))
            << "the channel read back is not channel 4";
    });
    Step("global-settings-closed", [&] {
        Click(dialog, at.globalClose);
        WaitGone(dialog, "Global Settings");
    });

    Step("about", [&] {
        Menu(1, 2, Places::kAbout);
        dialog = WaitWindow("About Velmora Kivo 61 Preset Editor");
    });
    Step("about-closed", [&] {
        Click(dialog, at.aboutOk);
        WaitGone(dialog, "About Velmora Kivo 61 Preset Editor");
    });

    // Pulled out, the keyboard gives no preset; plugged back in, it is there again. The dialog is
    // opened first: once the editor's presence check has seen the keyboard go, its menu item is greyed.
    Step("unplugged-get-fails", [&] {
        Menu(0, Places::kFileRows, Places::kRetrieve);
        dialog = WaitWindow("Get Preset From Device");
        ASSERT_NE(dialog, 0u);
        ASSERT_EQ(kill(m_editor, SIGUSR1), 0);
        WaitState("plugged", "0\n");
        Click(dialog, at.getButton);
        Answer("Retrieve Preset Error");
    });
    Step("replugged", [&] {
        ASSERT_EQ(kill(m_editor, SIGUSR2), 0);
        WaitState("plugged", "1\n");
        // The editor finds it at its next look for the keyboard; until then the box asks to try again.
        bool got = false;
        EXPECT_TRUE(Eventually(
            [&] {
                Click(dialog, at.getButton);
                Window box = 0;
                const auto editors = [&](pid_t pid) { return OursChild(pid); };
                EXPECT_TRUE(Eventually(
                    [&] {
                        got = (box = m_x.FindShown("Retrieve Sucessful", editors)) != 0;
                        return got || (box = m_x.FindShown("Retrieve Preset Error", editors)) != 0;
                    },
                    kBound));
                WaitDrawn(box, "the box");
                Screenshot("box");
                Keys(box, {"Return"});
                WaitGone(box, "the box");
                return got || HasFailure();
            },
            kBound));
        EXPECT_TRUE(got) << "no preset from the keyboard plugged back in";
        Click(dialog, at.getClose);
        WaitGone(dialog, "Get Preset From Device");
    });

    Step("exit", [&] {
        Menu(0, Places::kFileRows, Places::kExit);
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0) << Log();
    });
}

// Under a window manager, which decides what shows in front.
class EditorWithADialogX11Test : public EditorSessionX11Test {
protected:
    void SetUp() override
    {
        EditorSessionX11Test::SetUp();
        if (HasFatalFailure())
            return;
        m_windowManager = std::make_unique<X11WindowManager>(m_x, m_home / "openbox.log");
        ASSERT_TRUE(m_windowManager->Running());
    }
    void TearDown() override
    {
        EditorSessionX11Test::TearDown();
        m_windowManager.reset();
    }

    // What an opened case shows: the editor's window in front, and the box or chooser over it.
    struct Opened {
        Window front = 0;
        Window zenity = 0;
    };
    Opened Dialog(int row, const std::string& title)
    {
        Menu(0, Places::kFileRows, row);
        return {WaitWindow(title)};
    }
    // The editor's zenity window, drawn and the owner's dialog as the desktop sees it (WM_TRANSIENT_FOR),
    // which keeps it above the owner; 0 when either does not come.
    Window Zenity(const std::string& title, Window owner)
    {
        const Window window = WaitWindow(title, true);
        if (!window)
            return 0;
        WaitDrawn(window, title);
        Window parent = 0;
        EXPECT_TRUE(
            Eventually([&] { return XGetTransientForHint(m_x.Get(), window, &parent) && parent == owner; }, kBound))
            << "\"" << title << "\" is not the dialog of the editor's window\n"
            << Log();
        return parent == owner ? window : 0;
    }

    std::unique_ptr<X11WindowManager> m_windowManager;
};

// The first editor answers a second start whatever waits for the user, and brings what is open to the
// front (for a box or the chooser, the editor's window under it, and it above that window); SIGTERM ends
// it with status 0, zenity with it, and its main window's place is kept.
TEST_F(EditorWithADialogX11Test, ASecondStartRaisesWhatIsOpenAndSigtermEndsTheEditorWithZero)
{
    Display* display = m_x.Get();
    // The test's own window over the whole screen; it goes with the connection.
    const Window cover = XCreateSimpleWindow(display, m_x.Root(), 0, 0, unsigned(DisplayWidth(display, 0)),
                                             unsigned(DisplayHeight(display, 0)), 0, 0, 0);
    const std::string placement = m_home / "XDG_CONFIG_HOME/Velmora/Velmora_Kivo 61 Preset Editor/WP";
    const std::pair<const char*, std::function<Opened()>> cases[] = {
        {"About",
         [&] {
             Menu(1, 2, Places::kAbout);
             return Opened{WaitWindow("About Velmora Kivo 61 Preset Editor")};
         }},
        {"Get", [&] { return Dialog(Places::kRetrieve, "Get Preset From Device"); }},
        {"Send", [&] { return Dialog(Places::kSend, "Send Preset To Device"); }},
        {"Global", [&] { return Dialog(Places::kGlobal, "Global Settings"); }},
        {"a box over Get",
         [&] {
             const Window get = Dialog(Places::kRetrieve, "Get Preset From Device").front;
             Click(get, m_places->getButton);
             const Window box = Zenity("Retrieve Sucessful", get);
             return box ? Opened{get, box} : Opened{};
         }},
        {"the chooser",
         [&] {
             Menu(0, Places::kFileRows, Places::kLoad);
             const Window chooser = Zenity("Select Preset File", m_main);
             return chooser ? Opened{m_main, chooser} : Opened{};
         }},
    };
    for (const auto& [name, open] : cases) {
        SCOPED_TRACE(name);
        std::filesystem::remove(placement);
        StartEditor();
        const Opened opened = open();
        ASSERT_NE(opened.front, 0u) << Log();

        XMapRaised(display, cover);
        ASSERT_TRUE(Eventually([&] { return m_x.IsAbove(cover, opened.front); }, kBound));
        pid_t second = 0;
        {
            EnvironmentGuard alone; // its keyboard's state is not the first one's
            alone.Clear("KIVO_E2E_STATE");
            second = X11Session::Launch(KIVO_E2E_EDITOR, {}, m_home / "second.log");
        }
        EXPECT_TRUE(Eventually([&] { return m_x.IsAbove(opened.front, cover); }, kBound)) << "not brought to the front";
        if (opened.zenity) {
            EXPECT_TRUE(Eventually([&] { return m_x.IsAbove(opened.zenity, opened.front); }, kBound))
                << "the box or chooser is under the editor's window";
            WaitDrawn(opened.zenity, name);
        }
        WaitPainted(m_main, kMainTitle);
        Screenshot(std::string("second-start-") + name);
        EXPECT_EQ(X11Session::WaitForExit(second, kBound), 0) << TempFolder::ReadFile(m_home / "second.log");
        X11Session::Kill(second);
        XUnmapWindow(display, cover);
        XSync(display, False);

        const std::vector<pid_t> children = X11Session::ChildrenOf(m_editor);
        ASSERT_EQ(kill(m_editor, SIGTERM), 0);
        EXPECT_EQ(X11Session::WaitForExit(m_editor, kBound), 0) << Log();
        for (const pid_t child : children)
            EXPECT_TRUE(kill(child, 0) != 0 && errno == ESRCH) << "zenity outlived the editor";
        const auto kept = Platform::ReadProfileBinary("Velmora", "Velmora_Kivo 61 Preset Editor", "WP");
        EXPECT_TRUE(kept && Platform::ParseWindowPlacement(*kept)) << "the main window's place was not kept";
        KillEditor();
    }
}

} // namespace
} // namespace KX::Test
