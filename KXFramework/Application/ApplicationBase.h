#pragma once
// What any application of this framework on this desktop does beside the framework application:
// the exit request that closes the main window and ends the message loop, the main window made
// from the skin descriptor of the main control, modal dialog windows, controls created by skin
// name, the settings-file manager and the version values. T is the application class; one
// application object exists per process, reached through GetApplication.
#include "KXFramework/Application/FrameworkApp.h"
#include "KXFramework/Application/IniFileManager.h"
#include "KXFramework/Application/Version.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Controls/Dialog.h"
#include "KXFramework/Notification/KeyCode.h"
#include "KXFramework/Notification/Notification.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Graphics/Png.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Platform/Window/AppHost.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/WindowIcon.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <typeinfo>

namespace KX {

// The result codes with which an application's Initialize asks for a quiet end: the message loop
// runs until the quit message it has posted, and no message is shown.
inline bool IsQuietExitResult(KXRESULT r)
{
    const uint32_t code = uint32_t(r);
    return code == 0x8000A000u || code == 0x8000A001u || code == 0x8000A002u || code == 0x8000A003u ||
           code == 0x8000A010u || code == 0x8000A020u;
}

// A skin layout whose four size limits are all set, or whose non-zero minimum equals its maximum
// on both axes, makes a window the user cannot resize.
inline bool IsFixedSizeLayout(const LLayoutDescriptor& layout)
{
    bool allReferenced = true;
    bool minimumEqualsMaximum = true;
    bool minimumZero = true;
    for (int axis = 0; axis < 2; ++axis) {
        const SizeLimitSpec& low = layout.minSize[axis];
        const SizeLimitSpec& high = layout.maxSize[axis];
        allReferenced = allReferenced && low.hasReference && high.hasReference;
        minimumEqualsMaximum = minimumEqualsMaximum && low.hasReference == high.hasReference &&
                               low.relative == high.relative && low.absolute == high.absolute;
        minimumZero = minimumZero && low.relative == 0.0f && low.absolute == 0.0;
    }
    return allReferenced || (!minimumZero && minimumEqualsMaximum);
}

template <class T>
class LApplicationBase : public LFrameworkApp {
public:
    LApplicationBase(const RCPtr<LControlFactory>& factory, const RCPtr<LStringTable>& stringTable,
                     const String& commandLine, std::unique_ptr<Platform::MessageBoxService> messageBoxes,
                     std::unique_ptr<Platform::ClipboardBackend> clipboard)
        : LFrameworkApp(factory, stringTable, GetApplicationTitle(), std::move(messageBoxes), std::move(clipboard)),
          m_iniFileManager(new LIniFileManager),
          m_commandLine(commandLine)
    {
        m_iniFileManager->LoadLibrary();
    }
    ~LApplicationBase() override
    {
        if (m_iniFileManager)
            m_iniFileManager->UnloadLibrary();
    }

    // The process's application object; null outside the run phase.
    static RCPtr<T> GetApplication() { return Slot(); }
    static void SetApplication(const RCPtr<T>& application) { Slot() = application; }

    // "Velmora" "_" "Kivo 61 Preset Editor": the main window's class name and the stem of the
    // single-instance name; fixed in the program, not read from the version values.
    static const String& GetApplicationTitle()
    {
        static const String title(u"Velmora_Kivo 61 Preset Editor");
        return title;
    }

    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override
    {
        if (!n || n->GetName() != String(u"NID_APP_EXIT_REQ"))
            return LFrameworkApp::ReceiveNotification(sender, n);
        if (!CanExit())
            return S_OK;
        LFrameworkApp::ReceiveNotification(sender, n);
        // Under a modal dialog, a box or the file chooser the handler that opened it is still on the
        // stack and works in the main window's controls: the quit message ends that loop or wait
        // first, and the main window closes once the process's loop has ended.
        if (m_mainWindow && m_mainWindow->TakesInput()) {
            // The main window closes now, as its close message would; its placement is stored.
            m_mainWindow->EndModal(0);
            m_mainWindow = nullptr;
            if (Platform::AppHost* host = Platform::AppHost::GetCurrent())
                host->m_pMainWnd = nullptr;
        }
        Platform::AppHost::PostQuitMessage(0);
        return S_OK;
    }

    // Hooks for the application; they return S_OK for the record only; callers may ignore it.
    virtual KXRESULT OnCommandLineBeforeInitialize(const String&) { return S_OK; }
    virtual KXRESULT OnCommandLineAfterInitialize(const String&) { return S_OK; }
    virtual KXRESULT OnCommandLineFromOtherInstance(const String&) { return S_OK; }

    String GetCompanyName() const { return Version().GetCompanyName(); }
    String GetProductName() const { return Version().GetProductName(); }
    String GetProductVersion() const { return Version().GetProductVersion(); }
    String GetApplicationName() const { return GetProductName(); }
    virtual String GetSettingsVersion() const = 0;
    virtual String GetMainControlName() const = 0;
    virtual int GetRendererKind() const = 0;
    virtual bool CanExit() { return true; }

    uint32_t GetLocaleID() const { return m_localeId; }
    void SetLocaleID(uint32_t localeId) { m_localeId = localeId; }
    const String& GetCommandLine() const { return m_commandLine; }

    LIniFileManager* GetIniFileManager() override { return m_iniFileManager.Get(); }

    // The idle passes of the loop go through the host's OnIdle, which applies its own rules.
    bool RunIdle(int32_t count) override
    {
        Platform::AppHost* host = Platform::AppHost::GetCurrent();
        return host ? host->OnIdle(count) : LFrameworkApp::RunIdle(count);
    }

    // The base start-up: the framework's, the exit request, and Alt+F4 bound to it unless the
    // hot keys already bind that key.
    [[nodiscard]] virtual KXRESULT Initialize()
    {
        if (Failed(RunApplicationStartup()))
            return E_FAIL;
        RegisterForNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()), u"NID_APP_EXIT_REQ",
                                0);
        if (RCPtr<LGlobalHotKeyManager> hotKeys = GetGlobalHotKeyManager()) {
            const KeyCode altF4(String(u"Alt+VKEY_F4"));
            if (!hotKeys->GetKeyBindingMap().FindNotificationID(altF4))
                static_cast<void>(
                    hotKeys->GetKeyBindingMap().Bind(altF4, u"NID_APP_EXIT_REQ")); // a valid key always binds
        }
        return S_OK;
    }
    // The host's message loop, until the quit message.
    void RunMessageLoop() override
    {
        if (Platform::AppHost* host = Platform::AppHost::GetCurrent())
            host->RunMessageLoop(); // the exit status is not the loop's
    }
    // Returns S_OK for the record only; callers may ignore it.
    virtual KXRESULT Shutdown()
    {
        ReleaseServices();
        return S_OK;
    }

    OSWindow* GetMainWindow() const { return m_mainWindow; }

    // The main window from the skin descriptor of the main control: its place and size, fixed or
    // resizable by its limits, the company name as caption until the content names it.
    [[nodiscard]] virtual KXRESULT CreateMainWindow(int rendererKind)
    {
        const RCPtr<LControlDescriptor>& descriptor =
            GetControlFactory() ? GetControlFactory()->FindControlDescriptor(GetMainControlName())
                                : RCPtr<LControlDescriptor>();
        if (!descriptor || !descriptor->GetLayout())
            throw Exception<std::runtime_error>("Null Pointer : Invalid Control Name : KX::LApplicationBase<" +
                                                TypeName(typeid(T)) +
                                                ">::CreateMainWindow : Application\\ApplicationBaseWin : Line 412");
        const LLayoutDescriptor& layout = *descriptor->GetLayout();
        Platform::WindowParams params;
        const String caption = GetCompanyName();
        params.title.assign(caption.GetData(), caption.GetLength());
        params.x = int(layout.position[0].absolute);
        params.y = int(layout.position[1].absolute);
        params.width = int(layout.size[0].absolute);
        params.height = int(layout.size[1].absolute);
        params.resizable = !IsFixedSizeLayout(layout);
        OSWindow* window = OSWindow::Create(params, rendererKind);
        if (!window)
            return E_FAIL;
        m_mainWindow = window;
        SetApplicationIcon(*window);
        if (Platform::AppHost* host = Platform::AppHost::GetCurrent())
            host->m_pMainWnd = window;
        RestoreWindowPlacement(*window, layout);
        return S_OK;
    }

    // Creates the named top-level control of the skin without a window; null for a name the skin
    // lacks or whose class has no create function.
    void CreateControlByName(RCPtr<LControl>& out, const String& name)
    {
        out = nullptr;
        RCPtr<LControlFactory> factory = GetControlFactory();
        RCPtr<LControlClassRegistry> registry = GetControlClassRegistry();
        if (!factory || !registry)
            return;
        try {
            registry->CreateControlByName(out, *factory, name, nullptr);
        } catch (const std::runtime_error&) {
            out = nullptr; // an unregistered class
        }
    }

    // Runs a dialog control as the content of a new modal window and returns the value it closed
    // with. Anything but a dialog opens nothing and answers E_FAIL, as does a window that cannot
    // be made.
    // The desktop's title bar always has its close box, so the system-menu flag changes nothing.
    int32_t RunModalDialog(const RCPtr<LControl>& control, int32_t /*systemMenu*/) override
    {
        if (!control || !dynamic_cast<LDialog*>(control.Get()))
            return E_FAIL;
        OSWindow* window = CreateRootWindow(control);
        return window ? window->RunModal() : E_FAIL;
    }

    // The application's icon on a window; a window keeps the desktop's icon when the image is
    // missing.
    static void SetApplicationIcon(OSWindow& window)
    {
        const ResourceView png = FindResource(u"GDIPLUS", u"APP_ICON_PNG");
        const std::shared_ptr<Platform::Image> icon = png ? Platform::DecodePng(png.data, png.size) : nullptr;
        if (icon && window.GetWindowHandle())
            Platform::SetWindowIcon(*window.GetWindowHandle(), *icon); // a desktop without icons shows none
    }

protected:
    // The saved placement of the main window, kept on the desktop and at the size its content's
    // layout fixes; none by default.
    virtual void RestoreWindowPlacement(OSWindow&, const LLayoutDescriptor&) {}

private:
    static RCPtr<T>& Slot()
    {
        static RCPtr<T> application;
        return application;
    }

    // A dialog's window: placed where the control sits over the active window (or the main one),
    // kept in the work area, titled with the control's text, and bound to the control.
    OSWindow* CreateRootWindow(const RCPtr<LControl>& control)
    {
        const RCPtr<LControlDescriptor>& descriptor = control->GetDescriptor();
        if (!descriptor)
            throw Exception<std::runtime_error>("Null Pointer : Control descriptor is null : KX::LApplicationBase<" +
                                                TypeName(typeid(T)) +
                                                ">::CreateRootWindow : Application\\ApplicationBaseWin : Line 530");
        const size_t before = GetRootWindows().size();
        RCPtr<LRootWindow> owner = GetActiveRootWindow() ? GetActiveRootWindow() : GetApplicationRootWindow();
        const RectT<double>& rect = control->GetRect();
        PointT<int32_t> origin{int32_t(std::lround(rect.x)), int32_t(std::lround(rect.y))};
        if (owner && owner->GetOSServices())
            origin = owner->GetOSServices()->ClientToScreen(origin);
        Platform::WindowParams params;
        params.title.assign(control->GetText().GetData(), control->GetText().GetLength());
        params.x = origin.x;
        params.y = origin.y;
        params.width = std::max(1, int(std::lround(rect.width)));
        params.height = std::max(1, int(std::lround(rect.height)));
        params.resizable = descriptor->GetLayout() && !IsFixedSizeLayout(*descriptor->GetLayout());
        if (owner && owner->GetOSServices())
            params.modalFor = owner->GetOSServices()->GetWindowHandle();
        const RectT<int32_t> work = GetWorkArea();
        params.x = std::max(work.x, std::min(params.x, work.x + work.width - params.width));
        params.y = std::max(work.y, std::min(params.y, work.y + work.height - params.height));
        OSWindow* window = OSWindow::Create(params, GetRendererKind());
        if (!window)
            return nullptr;
        SetApplicationIcon(*window);
        if (GetRootWindows().size() != before + 1 || Failed(window->GetRootWindow()->SetContent(control))) {
            window->EndModal(E_FAIL);
            return nullptr;
        }
        window->Show(int(Platform::ShowCommand::Show)); // answers only the former state
        return window;
    }

    RCPtr<LIniFileManager> m_iniFileManager;
    String m_commandLine;
    OSWindow* m_mainWindow = nullptr;
    uint32_t m_localeId = 0x0409;
};

} // namespace KX
