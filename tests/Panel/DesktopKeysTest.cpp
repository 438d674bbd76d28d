// Keys a desktop user relies on, pressed as the desktop delivers them to the running editor: Escape
// closes an open menu, Left and Right move it between the menu bar's titles, Return and Space press
// the about box's button, and a command typed right after closing a dialog runs.
#include "Panel/AboutDlg.h"
#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"
#include "Panel/UI/PresetEditorCommon/SendPresetToMidiDeviceDlg.h"

#include "KXFramework/Controls/ComboMenu.h"
#include "KXFramework/Controls/MainMenu.h"

#include "EditorRun.h"
#include "Eventually.h"
#include "SdlEvents.h"

namespace KX::Test {
namespace {

using DesktopKeysTest = EditorRun;

struct Press {
    SDL_Keycode key;
    SDL_Scancode scancode;
};

TEST_F(DesktopKeysTest, AnOpenMenuClosesOnEscapeAndMovesBetweenTheTitlesOnLeftAndRight)
{
    EXPECT_EQ(RunInEditor([&](LApplication&, OSWindow& main) {
                  const uint32_t id = main.GetWindowHandle()->Id();
                  RCPtr<LMainMenu> bar(main.GetRootWindow()->GetContent()->FindChild(u"mainMenu"));
                  ASSERT_TRUE(bar);
                  ASSERT_EQ(bar->GetMenuCount(), 2u);
                  // The title whose menu is open: 0 File, 1 Help, -1 none.
                  auto open = [&bar] {
                      return bar->GetMenuAt(0)->IsDropDownShown() ? 0 : bar->GetMenuAt(1)->IsDropDownShown() ? 1 : -1;
                  };
                  auto handle = [] {
                      for (int i = 0; i < 16 && OSWindow::RunOnce(0); ++i) {
                      }
                  };
                  const PointT<double> file = bar->GetMenuAt(0)->GetPositionInRoot();
                  const int x = int(file.x) + 10, y = int(file.y) + 10;
                  PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                  const Press escape{SDLK_ESCAPE, SDL_SCANCODE_ESCAPE}, left{SDLK_LEFT, SDL_SCANCODE_LEFT},
                      right{SDLK_RIGHT, SDL_SCANCODE_RIGHT};
                  const struct {
                      Press press;
                      int open;
                  } steps[] = {{escape, -1}, {right, 1}, {right, 0}, {left, 1}, {left, 0}, {escape, -1}};
                  for (size_t i = 0; i < std::size(steps); ++i) {
                      SCOPED_TRACE(i);
                      if (open() < 0) {
                          PushMotion(id, x, y);
                          PushButton(id, true, x, y);
                          PushButton(id, false, x, y);
                          handle();
                          ASSERT_EQ(open(), 0) << "a click on File opens its menu";
                      }
                      PushKeyPress(id, steps[i].press.key, steps[i].press.scancode);
                      handle();
                      EXPECT_EQ(open(), steps[i].open);
                  }
              }),
              0);
}

// The ids the next window of the editor may get after `last`: input pushed for each reaches only the
// window that exists and runs the loop.
constexpr uint32_t kNextIds = 32;

// Pushed from SDL's timer thread: the box's way out when the key under test left it open.
uint32_t PushEscape(uint32_t, void* lastId)
{
    const auto last = uint32_t(reinterpret_cast<uintptr_t>(lastId));
    for (uint32_t id = last + 1; id <= last + kNextIds; ++id) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.windowID = id;
        event.key.keysym.sym = SDLK_ESCAPE;
        event.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
        SDL_PushEvent(&event);
    }
    return 0;
}

TEST_F(DesktopKeysTest, ReturnAndSpacePressTheAboutBoxsButton)
{
    EXPECT_EQ(RunInEditor([&](LApplication&, OSWindow& main) {
                  uint32_t last = main.GetWindowHandle()->Id();
                  for (const Press& press :
                       {Press{SDLK_RETURN, SDL_SCANCODE_RETURN}, Press{SDLK_SPACE, SDL_SCANCODE_SPACE}}) {
                      SCOPED_TRACE(press.key);
                      for (uint32_t id = last + 1; id <= last + kNextIds; ++id) {
                          PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                          PushKeyPress(id, press.key, press.scancode);
                      }
                      // The pressed button shows its press for a moment before it clicks; Escape
                      // comes long after.
                      const SDL_TimerID fallback =
                          SDL_AddTimer(10000, &PushEscape, reinterpret_cast<void*>(uintptr_t(last)));
                      EXPECT_EQ(LAboutDlg::Run(), 1) << "closed by its OK button, not by Escape (2)";
                      SDL_RemoveTimer(fallback);
                      ++last;
                  }
              }),
              0);
}

// Ctrl+Shift and a letter, pressed and let go as the desktop sends them.
void PushCtrlShift(uint32_t window, Press letter)
{
    PushKey(window, true, SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LCTRL);
    PushKey(window, true, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LCTRL | KMOD_LSHIFT);
    PushKeyPress(window, letter.key, letter.scancode, KMOD_LCTRL | KMOD_LSHIFT);
    PushKey(window, false, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LCTRL);
    PushKey(window, false, SDLK_LCTRL, SDL_SCANCODE_LCTRL, 0);
}

// Escape, or a click on the close button, and at once Ctrl+Shift+S, typed into the Get dialog, and the
// same with Ctrl+Shift+R into the Send dialog that opens: as type-ahead on any desktop, each dialog
// closes and the next opens once its window has gone, also one that opens before the focus is back on
// the main window.
TEST_F(DesktopKeysTest, ACommandTypedRightAfterClosingADialogOpensItsDialogInItsPlace)
{
    // What is typed right after closing each dialog but the last: Send in place of Get, then Get in place
    // of Send.
    const Press commands[] = {{SDLK_s, SDL_SCANCODE_S}, {SDLK_r, SDL_SCANCODE_R}};
    const std::pair<const char*, std::function<void(uint32_t, LControl&)>> closings[] = {
        {"Escape", [](uint32_t id, LControl&) { PushKeyPress(id, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE); }},
        {"its close button",
         [](uint32_t id, LControl& dialog) {
             const RCPtr<LControl> button = dialog.FindChild(u"buttonClose");
             ASSERT_TRUE(button);
             const PointT<double> at = button->GetPositionInRoot();
             const int x = int(at.x + button->GetRect().width / 2), y = int(at.y + button->GetRect().height / 2);
             PushMotion(id, x, y);
             PushButton(id, true, x, y);
             PushButton(id, false, x, y);
         }},
    };
    EXPECT_EQ(RunInEditor(
                  [&](LApplication& application, OSWindow& main) {
                      for (const auto& [how, close] : closings) {
                          SCOPED_TRACE(how);
                          // Each dialog as it first runs, and the windows open then.
                          std::vector<std::string> opened;
                          std::vector<size_t> windows;
                          RCPtr<Recorder> user(new Recorder("user"));
                          user->react = [&](const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
                              const std::vector<RCPtr<LRootWindow>> roots = application.GetRootWindows();
                              LControl* dialog = roots.size() > 1 ? roots.back()->GetContent().Get() : nullptr;
                              const char* what = dynamic_cast<LGetPresetFromMidiDeviceDlg*>(dialog)  ? "Get"
                                                 : dynamic_cast<LSendPresetToMidiDeviceDlg*>(dialog) ? "Send"
                                                                                                     : nullptr;
                              if (!what || (!opened.empty() && opened.back() == what))
                                  return;
                              opened.push_back(what);
                              windows.push_back(roots.size());
                              const uint32_t id = roots.back()->GetOSServices()->GetWindowHandle()->Id();
                              PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                              if (opened.size() > std::size(commands))
                                  return PushKeyPress(id, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
                              close(id, *dialog);
                              PushCtrlShift(id, commands[opened.size() - 1]);
                          };
                          user->RegisterForNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()),
                                                        u"NID_IDLE", 0);
                          const uint32_t mainId = main.GetWindowHandle()->Id();
                          PushWindowEvent(mainId, SDL_WINDOWEVENT_FOCUS_GAINED);
                          PushKeyPress(mainId, SDLK_r, SDL_SCANCODE_R, KMOD_LCTRL | KMOD_LSHIFT);
                          EXPECT_TRUE(Eventually(
                              [&] {
                                  OSWindow::RunOnce(Platform::EventPump::kTickMs);
                                  return opened.size() == 3 && application.GetRootWindows().size() == 1;
                              },
                              std::chrono::seconds(30)));
                          user->UnregisterForAllNotifications();
                          EXPECT_EQ(opened, (std::vector<std::string>{"Get", "Send", "Get"}));
                          EXPECT_EQ(windows, (std::vector<size_t>{2, 2, 2})) << "a dialog over another";
                      }
                  },
                  BodyAt::Idle),
              0);
}

} // namespace
} // namespace KX::Test
