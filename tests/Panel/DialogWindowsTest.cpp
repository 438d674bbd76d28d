// The editor's dialogs opened through their entries inside the running editor: each runs modally over
// the main window, which takes no input meanwhile, closes on its close button and on Escape, and leaves
// the main window as it was. The about box's lines come from the version values; a picture of each
// dialog is written for a person to look at (into KIVO_SHOTS_DIR, else the working folder).
#include "Panel/AboutDlg.h"
#include "Panel/UI/KivoSeriesCommon/GlobalSettingsDlg.h"
#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"
#include "Panel/UI/PresetEditorCommon/SendPresetToMidiDeviceDlg.h"

#include "KXFramework/Application/Version.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "EditorRun.h"
#include "SdlEvents.h"
#include "UiDoubles.h"

#include <cairo.h>

#include <cstdlib>

namespace KX::Test {
namespace {

struct Entry {
    const char* what;
    const char16_t* name;
    int32_t (*run)();
    int width;
    int height;
};

const Entry kEntries[] = {
    {"GetPreset", LGetPresetFromMidiDeviceDlg::kSkinName, &LGetPresetFromMidiDeviceDlg::Run, 360, 296},
    {"SendPreset", LSendPresetToMidiDeviceDlg::kSkinName, &LSendPresetToMidiDeviceDlg::Run, 360, 296},
    {"GlobalSettings", LGlobalSettingsDlg::kSkinName, &LGlobalSettingsDlg::Run, 620, 440},
    {"About", LAboutDlg::kSkinName, &LAboutDlg::Run, 440, 240},
};

class DialogWindowsTest : public EditorRun {
protected:
    // Input queued before a dialog's modal loop starts, for every window id the dialog's window may
    // get: only the window that exists and runs the loop takes it.
    static void QueueForNextWindow(uint32_t after, const std::function<void(uint32_t)>& push)
    {
        for (uint32_t id = after + 1; id <= after + 32; ++id)
            push(id);
    }

    // Paints the dialog alone into a PNG of its size.
    static void Picture(const RCPtr<LControl>& dialog, int width, int height, const std::string& file)
    {
        RCPtr<LRenderer> gdi = LRenderer::Create(LRenderer::kGdi, {0, 0, width, height}, nullptr);
        FakeWindow window;
        window.clientArea = {0, 0, width, height};
        RCPtr<LRootWindow> root = LRootWindow::Create(gdi, &window);
        ASSERT_EQ(root->SetContent(dialog), S_OK);
        RCPtr<LRenderContextInfo> context;
        gdi->InitRenderContextInfo({0, 0, width, height}, nullptr, true, context);
        root->ProcessEvents(true);
        root->InvalidateRect({0, 0, width, height});
        LRectList dirty;
        root->TakeInvalidRegion(dirty);
        gdi->RenderStart(context);
        root->Paint(dirty);
        gdi->RenderFinish(context);
        Platform::Surface& surface = *dynamic_cast<LGDIRenderContextInfo&>(*context).GetSurface()->GetSurface();
        surface.Flush();
        const char* folder = std::getenv("KIVO_SHOTS_DIR");
        const std::string path = std::string(folder ? folder : ".") + "/" + file;
        EXPECT_EQ(cairo_surface_write_to_png(surface.Native(), path.c_str()), CAIRO_STATUS_SUCCESS);
        root->BreakCycles();
    }
};

TEST_F(DialogWindowsTest, EachDialogIsModalAndClosesOnEscapeAndItsCloseButton)
{
    EXPECT_EQ(RunInEditor([&](LApplication& application, OSWindow& main) {
                  const uint32_t mainId = main.GetWindowHandle()->Id();
                  uint32_t lastId = mainId;
                  for (const Entry& entry : kEntries) {
                      SCOPED_TRACE(entry.what);
                      for (bool escape : {true, false}) {
                          // The main window takes no input while the dialog runs: its close request,
                          // queued first, is dropped.
                          PushWindowEvent(mainId, SDL_WINDOWEVENT_CLOSE);
                          QueueForNextWindow(lastId, [&](uint32_t id) {
                              PushWindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED);
                              if (escape) {
                                  PushKey(id, true, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0);
                              } else {
                                  // A click in the middle of the close (or OK) button at the bottom right.
                                  const int x = entry.width - 16 - 44, y = entry.height - 16 - 14;
                                  PushMotion(id, x, y);
                                  PushButton(id, true, x, y);
                                  PushButton(id, false, x, y);
                              }
                          });
                          EXPECT_EQ(entry.run(), escape ? LDialog::kCancelResult : 1);
                          ++lastId;
                          // Input after the close is left to the editor's own loop, which drops what
                          // was queued for windows that never came.
                          for (int i = 0; i < 16 && OSWindow::RunOnce(0); ++i) {
                          }
                          // Only the main window is left, and it is still there.
                          EXPECT_EQ(application.GetRootWindows().size(), 1u);
                          EXPECT_EQ(application.GetMainWindow(), &main);
                      }
                  }
                  EXPECT_TRUE(TakeBoxes().empty());
              }),
              0);
}

TEST_F(DialogWindowsTest, TheAboutBoxShowsTheVersionValuesAndEveryDialogIsPictured)
{
    EXPECT_EQ(RunInEditor([&](LApplication& application, OSWindow&) {
                  const Version version;
                  RCPtr<LAboutDlg> about = CreateDialog<LAboutDlg>(application, LAboutDlg::kSkinName);
                  ASSERT_TRUE(about);
                  EXPECT_EQ(std::u16string(about->FindChild(u"labelProduct")->GetText().GetString()),
                            u"Velmora Kivo 61 Preset Editor Version " +
                                std::u16string(version.GetProductVersion().GetString()));
                  EXPECT_EQ(std::u16string(about->FindChild(u"labelCopyright")->GetText().GetString()),
                            u"Copyright (C) Velmora. All rights reserved.");
                  EXPECT_EQ(about->GetText(), String(u"About Velmora Kivo 61 Preset Editor"));
                  for (const Entry& entry : kEntries) {
                      RCPtr<LControl> dialog;
                      application.CreateControlByName(dialog, entry.name);
                      ASSERT_TRUE(dialog);
                      if (entry.name == LGlobalSettingsDlg::kSkinName)
                          Click(dialog->FindChild(u"getGlobalSettingsButton")); // the keyboard's values, shown
                      Picture(dialog, entry.width, entry.height, std::string("dialog-") + entry.what + ".png");
                  }
                  EXPECT_TRUE(TakeBoxes().empty());
              }),
              0);
}

} // namespace
} // namespace KX::Test
