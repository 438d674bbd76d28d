#pragma once
// The framework's application object: owns the control factory and its class registry, the global
// hot keys, the clipboard and the default font of the current skin, keeps the list of root
// windows, runs the framework's start-up, switches skins and does the UI thread's idle work. The
// editor's application derives from it and supplies the settings files, the main window and the
// message loop. While it lives, text layout and font metrics measure through its measurement
// renderer.
// Thread: UI thread only.
#include "KXFramework/Application/IniFileManager.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ControlBase/StringTable.h"
#include "KXFramework/Controls/StatusBar.h"
#include "KXFramework/Notification/GlobalHotKeyManager.h"
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/Platform/Clipboard/ClipboardBackend.h"
#include "KXFramework/Platform/Dialogs/FileChooser.h"
#include "KXFramework/Platform/Dialogs/MessageBoxService.h"
#include "KXFramework/Platform/Window/InputRecord.h"
#include "KXFramework/Renderer/FontText.h"
#include "KXFramework/Renderer/Renderer.h"
#include "KXFramework/System/ClipBoard.h"
#include "KXFramework/Utilities/Graphics/Font.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace KX {

class LFrameworkApp : public LNotificationClient, public IFrameworkServices {
public:
    LFrameworkApp(const RCPtr<LControlFactory>& factory, const RCPtr<LStringTable>& stringTable, const String& name,
                  std::unique_ptr<Platform::MessageBoxService> messageBoxes,
                  std::unique_ptr<Platform::ClipboardBackend> clipboard);
    ~LFrameworkApp() override;

    // The process's application; null when there is none.
    static LFrameworkApp* GetInstance();

    // Registers the framework class names, loads the global hot keys, starts the clipboard and
    // applies the stored skin. E_FAIL when any step threw.
    [[nodiscard]] virtual KXRESULT RunApplicationStartup();
    // Redraws the main window, runs the message loop between two idle passes; an exception out
    // of the loop shows the start-up error and posts the exit request.
    virtual void RunApplication();
    virtual void OnBeforeRun() {}
    virtual void RunMessageLoop() {}
    // Releases the factory, the hot keys and the clipboard; returns S_OK only; callers may ignore it.
    virtual KXRESULT ReleaseServices();

    // The idle pass: posted notifications of every centre (and NID_IDLE when asked), then every
    // root window from the last. True while work remains.
    virtual bool OnIdle(bool sendIdle);
    // NID_APP_EXIT_REQ: the exit flag, and every window but the main one is asked to close.
    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override;
    bool IsExitRequested() const { return m_exitRequested; }
    // While set, the windows' idle kicks run no idle pass.
    bool IsIdleSuspended() const { return m_idleSuspended; }
    void SetIdleSuspended(bool suspended) { m_idleSuspended = suspended; }

    // What measures text: the first root window's renderer, else a process-wide Cairo renderer
    // that needs no window, so that controls measure while they are created.
    virtual RCPtr<LMeasurementRenderer> GetMeasurementRenderer();

    // The stored skin index, 0 without a settings file.
    virtual int32_t GetCurrentSkinIndex();
    // Makes the skin current (clamped to the skins there are), takes its font, re-applies every
    // root window's content and stores the index.
    virtual void SetSkin(int32_t index);

    std::vector<RCPtr<LRootWindow>> GetRootWindows() override;
    // The last window whose operating-system window is active; null when none is.
    RCPtr<LRootWindow> GetActiveRootWindow() override;

    // The status bar that shows status texts; none by default.
    static RCPtr<LStatusBar> GetStatusBar();
    static void SetStatusBar(const RCPtr<LStatusBar>& bar);
    // E_FAIL without a root window or a status bar.
    [[nodiscard]] KXRESULT SetStatusText(const String& text, bool immediate) override;
    [[nodiscard]] KXRESULT ResetStatusText(bool immediate) override;
    // The editor's application makes the window of a modal dialog.
    int32_t RunModalDialog(const RCPtr<LControl>& dialog, int32_t owner) override = 0;

    // The message box of the platform's service, owned by the active root window (else the first);
    // flags and answers as the Windows box. What was posted before it is delivered and painted
    // first, so that the windows show what the box tells of.
    virtual int32_t ShowMessageBox(const String& text, const String& caption, uint32_t flags);
    // The desktop's message boxes for the application's constructor: while zenity shows one, the
    // application's windows keep repainting and take no input.
    static std::unique_ptr<Platform::MessageBoxService> CreateDesktopMessageBoxes();
    // The file chooser for file dialogs, owned and waiting as the message boxes are, and the
    // message boxes the file dialog shows its errors with (the application's own).
    Platform::FileChooser& GetFileChooser();
    Platform::MessageBoxService& GetMessageBoxes() { return *m_boxes; }
    // One turn while a box or the file chooser runs as a child process (about every 30 ms): what was
    // posted is delivered, the windows repaint, input is dropped and no NID_IDLE is sent. False once
    // the quit message is posted: the box or the chooser is closed unanswered.
    virtual bool RunWhileWaiting();
    // The settings: a manager and the handle of file 0 (application) or 1 (user), 0 for none;
    // none here.
    virtual LIniFileManager* GetIniFileManager() { return nullptr; }
    virtual int32_t GetIniFile(int number);
    // The application's default font before a skin overrides it: fontconfig's sans-serif, 9 points.
    [[nodiscard]] virtual KXRESULT GetDefaultFont(String& face, float& size, int32_t& style);

    // The control core's view of the application.
    RCPtr<LControlFactory> GetControlFactory() override { return m_controlFactory; }
    RCPtr<LControlClassRegistry> GetControlClassRegistry() override { return m_registry; }
    RCPtr<LRootWindow> GetApplicationRootWindow() override;
    RCPtr<LFont> GetDefaultFont() override { return m_font; }
    LClipboard* GetClipboard() override { return m_clipboard.Get(); }
    RectT<int32_t> GetWorkArea() override;
    double GetSeconds() override;
    uint32_t GetMilliseconds() override;
    uintptr_t LoadAppCursor(const char16_t* name) override;
    // The active root window's, as of its latest pointer record; 0 without an active window.
    uint32_t GetModifierKeys() override;
    // The first pass after input sends NID_IDLE; none while idle processing is suspended.
    bool RunIdle(int32_t count) override { return !m_idleSuspended && OnIdle(count == 0); }
    // A window already in the list stays where it is; the first one added is the main window.
    void AddRootWindow(const RCPtr<LRootWindow>& root) override;
    void RemoveRootWindow(const RCPtr<LRootWindow>& root) override;
    // The window id (SDL's) of the owner of dialogs: the active root window's, else the first's; 0
    // without a desktop window.
    uint32_t GetOwnerWindowId();
    RCPtr<LGlobalHotKeyManager> GetGlobalHotKeyManager() override { return m_hotKeyManager; }
    // The application's name; the editor names its own profile section.
    String GetWindowClassName() override { return m_name; }
    // The profile belongs to the derived application; nothing is stored here.
    void WriteProfileBinary(const String&, const String&, const std::vector<uint8_t>&) override {}

    KXRESULT BreakCycles() override;

private:
    RCPtr<LControlFactory> m_controlFactory;
    String m_name;
    RCPtrArray<LRootWindow, 1, 0> m_rootWindows;
    RCPtr<LStringTable> m_stringTable;
    RCPtr<LStringTable> m_applicationStringTable;
    bool m_exitRequested = false;
    bool m_idleSuspended = false;
    RCPtr<LFont> m_font;
    RCPtr<LGlobalHotKeyManager> m_hotKeyManager;
    RCPtr<LClipboard> m_clipboard;
    RCPtr<LControlClassRegistry> m_registry;
    std::unique_ptr<Platform::MessageBoxService> m_messageBoxes;
    // ShowMessageBox as a service, for the file chooser and the file dialog.
    std::unique_ptr<Platform::MessageBoxService> m_boxes;
    std::unique_ptr<Platform::FileChooser> m_fileChooser;
    // The measuring sources in place before this application, put back when it goes.
    LFontText::MeasurementRendererSource m_previousMeasurement;
    LFont::MetricsProvider m_previousMetrics;
    // The clock's seconds, summed from millisecond steps so they survive its wrap.
    uint32_t m_lastMilliseconds = 0;
    double m_seconds = 0.0;
    bool m_clockStarted = false;
    // Cursors handed out by address; they live as long as the application.
    std::map<std::u16string, std::unique_ptr<struct AppCursor>> m_cursors;
};

// The application's message box; 0 when there is no application.
int32_t ShowMessageBox(String text, String caption, uint32_t flags);

} // namespace KX
