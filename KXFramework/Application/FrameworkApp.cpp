#include "KXFramework/Application/FrameworkApp.h"

#include "KXFramework/Application/FrameworkClassNames.h"
#include "KXFramework/ControlBase/OSWindow.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Notification/NotificationQueue.h"
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Dialogs/DesktopMessageBox.h"
#include "KXFramework/Platform/Dialogs/ZenityFileChooser.h"
#include "KXFramework/Platform/Graphics/FontSystem.h"
#include "KXFramework/Platform/Graphics/Png.h"
#include "KXFramework/Platform/Process/Clock.h"
#include "KXFramework/Platform/Process/TerminationWatch.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Platform/Window/AppHost.h"
#include "KXFramework/Platform/Window/Cursor.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/KeyMap.h"
#include "KXFramework/Platform/Window/VideoSystem.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace KX {

struct AppCursor {
    Platform::Cursor cursor;
};

namespace {

LFrameworkApp* g_instance = nullptr;
RCPtr<LStatusBar> g_statusBar;

std::string HexResult(KXRESULT r)
{
    char text[32];
    std::snprintf(text, sizeof text, "KXRESULT = 0x%08X", static_cast<unsigned>(r));
    return text;
}

// The cursor names of the skin and the system shapes they show.
struct CursorName {
    const char16_t* name;
    Platform::SystemCursor kind;
};

const CursorName kCursorNames[] = {
    {u"UI_CURSOR_ARROW", Platform::SystemCursor::Arrow},
    {u"UI_CURSOR_IBEAM", Platform::SystemCursor::IBeam},
    {u"UI_CURSOR_WAIT", Platform::SystemCursor::Wait},
    {u"UI_CURSOR_CROSS", Platform::SystemCursor::Cross},
    {u"UI_CURSOR_SIZE_ALL", Platform::SystemCursor::SizeAll},
    {u"UI_CURSOR_SIZE_NWSE", Platform::SystemCursor::SizeNWSE},
    {u"UI_CURSOR_SIZE_NESW", Platform::SystemCursor::SizeNESW},
    {u"UI_CURSOR_SIZE_WE", Platform::SystemCursor::SizeWE},
    {u"UI_CURSOR_SIZE_NS", Platform::SystemCursor::SizeNS},
    {u"UI_CURSOR_NO_DROP", Platform::SystemCursor::No},
    {u"UI_CURSOR_HAND", Platform::SystemCursor::Hand},
    {u"UI_CURSOR_APP_STARTING", Platform::SystemCursor::AppStarting},
};

// The program's own cursors: embedded PNG images with the hot spot at the top left.
struct ImageCursorName {
    const char16_t* name;
    const char16_t* image;
};

const ImageCursorName kImageCursors[] = {
    {u"UI_CURSOR_DROP_MOVE", u"CURSOR_DROP_MOVE_PNG"},
    {u"UI_CURSOR_DROP_COPY", u"CURSOR_DROP_COPY_PNG"},
};

// Names the program has no cursor for: the control keeps the one it shows.
const char16_t* const kNoCursorNames[] = {u"UI_CURSOR_SPLIT_V", u"UI_CURSOR_SPLIT_H",  u"UI_CURSOR_ROTATE",
                                          u"UI_CURSOR_MAG",     u"UI_CURSOR_MAG_PLUS", u"UI_CURSOR_MAG_MINUS"};

// The cursor drawn by an embedded image; the arrow when the image is missing or unusable.
Platform::Cursor ImageCursor(const char16_t* image)
{
    const ResourceView resource = FindResource(u"GDIPLUS", image);
    const std::shared_ptr<Platform::Image> decoded =
        resource ? Platform::DecodePng(resource.data, resource.size) : nullptr;
    std::optional<Platform::Cursor> cursor;
    if (decoded)
        cursor =
            Platform::Cursor::FromImage(decoded->width, decoded->height, decoded->stride, decoded->pixels.data(), 0, 0);
    return cursor ? *cursor : Platform::Cursor::System(Platform::SystemCursor::Arrow);
}

// Walks a snapshot of the list, so that a window leaving it meanwhile is skipped rather than a
// later one missed or a stale index used.
std::vector<RCPtr<LRootWindow>> Snapshot(const RCPtrArray<LRootWindow, 1, 0>& windows)
{
    std::vector<RCPtr<LRootWindow>> copy;
    for (unsigned i = 0; i < windows.GetCount(); ++i)
        copy.push_back(windows.GetAt(i));
    return copy;
}

bool Contains(const RCPtrArray<LRootWindow, 1, 0>& windows, const RCPtr<LRootWindow>& root)
{
    for (unsigned i = 0; i < windows.GetCount(); ++i) {
        if (windows.GetAt(i) == root)
            return true;
    }
    return false;
}

// Measures while no window exists yet; released with the application.
ServiceSlot<RCPtr<LMeasurementRenderer>>& DefaultMeasurementRenderer()
{
    static auto* slot = new ServiceSlot<RCPtr<LMeasurementRenderer>>;
    return *slot;
}

RCPtr<LMeasurementRenderer> ApplicationMeasurementRenderer()
{
    LFrameworkApp* app = LFrameworkApp::GetInstance();
    return app ? app->GetMeasurementRenderer() : nullptr;
}

KXRESULT MeasureFont(const LFont& font, float& lineHeight, float& ascent, float& descent)
{
    const RCPtr<LMeasurementRenderer> renderer = ApplicationMeasurementRenderer();
    if (!renderer)
        return E_FAIL;
    int32_t height = 0;
    int32_t up = 0;
    int32_t down = 0;
    // The font is in the process-wide list, so this reference is never its last.
    const KXRESULT r = renderer->GetFontMetrics(RCPtr<LFont>(const_cast<LFont*>(&font)), height, up, down);
    if (Failed(r))
        return r;
    lineHeight = float(height);
    ascent = float(up);
    descent = float(down);
    return S_OK;
}

bool WaitTurn()
{
    LFrameworkApp* app = LFrameworkApp::GetInstance();
    // Before the application object exists (the start-up error box), a termination signal closes the
    // box all the same.
    return app ? app->RunWhileWaiting() : !Platform::TerminationWatch::Requested();
}

// The application's ShowMessageBox as a service.
class ApplicationMessageBoxes final : public Platform::MessageBoxService {
public:
    explicit ApplicationMessageBoxes(LFrameworkApp& app) : m_app(app) {}
    int32_t Show(const Platform::MessageBoxRequest& request) override
    {
        return m_app.ShowMessageBox(String(request.text.c_str()), String(request.caption.c_str()), request.flags);
    }

private:
    LFrameworkApp& m_app;
};

// The chooser of file dialogs, owned by the application's window as its message boxes are.
class ApplicationFileChooser final : public Platform::FileChooser {
public:
    ApplicationFileChooser(LFrameworkApp& app, Platform::MessageBoxService& boxes)
        : m_app(app),
          m_zenity(boxes, [&app] { return app.RunWhileWaiting(); })
    {
    }
    Platform::FileChooserResult Run(const Platform::FileChooserRequest& request) override
    {
        Platform::FileChooserRequest owned = request;
        if (owned.ownerWindow == 0)
            owned.ownerWindow = m_app.GetOwnerWindowId();
        return m_zenity.Run(owned);
    }

private:
    LFrameworkApp& m_app;
    Platform::ZenityFileChooser m_zenity;
};

// Idle passes suspended and the windows' input dropped for one scope.
class WaitScope {
public:
    WaitScope(LFrameworkApp& app, Platform::EventPump& pump) : m_app(app), m_pump(pump), m_was(app.IsIdleSuspended())
    {
        m_app.SetIdleSuspended(true);
        // Window 0: no window takes input.
        m_pump.BeginModal(0);
    }
    ~WaitScope()
    {
        m_pump.EndModal();
        m_app.SetIdleSuspended(m_was);
    }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

private:
    LFrameworkApp& m_app;
    Platform::EventPump& m_pump;
    bool m_was;
};

// A box or the file chooser is modal as a dialog is: what is posted meanwhile is delivered, also
// when a delivery opened it, though no NID_IDLE is sent.
void DeliverWhileWaiting(LFrameworkApp& app)
{
    const LNestedLoopScope nested;
    app.OnIdle(false);
}

} // namespace

LFrameworkApp::LFrameworkApp(const RCPtr<LControlFactory>& factory, const RCPtr<LStringTable>& stringTable,
                             const String& name, std::unique_ptr<Platform::MessageBoxService> messageBoxes,
                             std::unique_ptr<Platform::ClipboardBackend> clipboard)
    : m_controlFactory(factory),
      m_name(name),
      m_stringTable(stringTable),
      m_registry(new LControlClassRegistry),
      m_messageBoxes(std::move(messageBoxes))
{
    g_instance = this;
    SetFrameworkServices(this);
    m_previousMeasurement = LFontText::MeasurementRendererSlot().Exchange(&ApplicationMeasurementRenderer);
    m_previousMetrics = LFont::MetricsProviderSlot().Exchange(&MeasureFont);
    m_boxes = std::make_unique<ApplicationMessageBoxes>(*this);
    m_hotKeyManager = LGlobalHotKeyManager::Create(GetDefaultNotificationCenter()->GetPostingReceiver());
    m_clipboard = LClipboard::Create(std::move(clipboard));
    if (m_controlFactory)
        m_controlFactory->GetApplicationStringTable(m_applicationStringTable);
}

LFrameworkApp::~LFrameworkApp()
{
    UnregisterForAllNotifications();
    LNotificationCenterManager::ReleaseInstance();
    LNotification::EnablePooling(false);
    if (GetFrameworkServices() == this)
        SetFrameworkServices(nullptr);
    LFontText::MeasurementRendererSlot().Set(std::move(m_previousMeasurement));
    LFont::MetricsProviderSlot().Set(std::move(m_previousMetrics));
    DefaultMeasurementRenderer().Set(nullptr);
    g_instance = nullptr;
}

LFrameworkApp* LFrameworkApp::GetInstance()
{
    return g_instance;
}

KXRESULT LFrameworkApp::RunApplicationStartup()
{
    try {
        LNotification::EnablePooling(true);
        int line = 0;
        const KXRESULT r = RegisterFrameworkClassNames(*m_registry, line);
        if (Failed(r))
            throw FailedResultException(
                "Failed Result : " + HexResult(r) +
                " : KX::LFrameworkApp::RunApplicationStartup : Application\\FrameworkApp : Line " +
                std::to_string(line));
        if (m_hotKeyManager)
            static_cast<void>(m_hotKeyManager->GetKeyBindingMap().LoadFromStringTable(
                m_applicationStringTable, u"GHK")); // a table without hot keys binds none
        if (m_clipboard)
            static_cast<void>(
                m_clipboard->Initialize()); // a clipboard that cannot register never answers the edit requests
        RegisterForNotification(RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()), u"NID_APP_EXIT_REQ",
                                0);
        const int32_t count = m_controlFactory ? int32_t(m_controlFactory->GetRootDescriptors().GetCount()) : 0;
        const int32_t stored = GetCurrentSkinIndex();
        SetSkin(stored <= count - 1 ? stored : count - 1);
    } catch (...) {
        return E_FAIL;
    }
    return S_OK;
}

void LFrameworkApp::RunApplication()
{
    if (m_rootWindows.GetCount() > 0) {
        const RCPtr<LRootWindow>& main = m_rootWindows.GetAt(0);
        const PointT<int32_t> size = main->GetClientSize();
        main->InvalidateRect({0, 0, size.x, size.y});
        if (IWindowOSServices* os = main->GetOSServices())
            os->Redraw();
    }
    OnBeforeRun();
    OnIdle(true);
    try {
        RunMessageLoop();
    } catch (...) {
        String text, caption;
        if (m_stringTable) {
            m_stringTable->GetString(u"STARTUP_ERROR", text);
            m_stringTable->GetString(u"STARTUP_ERROR_CAPTION", caption);
        }
        ShowMessageBox(text, caption, Platform::MessageBoxFlags::kIconError);
        RCPtr<LNotification> n;
        if (LNotification::Create(n, u"NID_APP_EXIT_REQ", nullptr) >= 0)
            static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
                n)); // the queue refuses only once shut down, when nobody is left to tell
    }
    OnIdle(true);
}

KXRESULT LFrameworkApp::ReleaseServices()
{
    m_controlFactory = nullptr;
    m_hotKeyManager = nullptr;
    if (m_clipboard)
        m_clipboard->BreakCycles();
    m_clipboard = nullptr;
    return S_OK;
}

bool LFrameworkApp::OnIdle(bool sendIdle)
{
    bool more = LNotificationCenterManager::GetInstance()->ProcessNotifications(sendIdle);
    std::vector<RCPtr<LRootWindow>> windows = Snapshot(m_rootWindows);
    for (size_t i = windows.size(); i-- > 0;) {
        if (!Contains(m_rootWindows, windows[i]))
            continue;
        if (windows[i]->ProcessEvents(sendIdle))
            more = true;
    }
    return more;
}

KXRESULT LFrameworkApp::ReceiveNotification(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    if (!n || n->GetName() != String(u"NID_APP_EXIT_REQ"))
        return S_OK;
    m_exitRequested = true;
    std::vector<RCPtr<LRootWindow>> windows = Snapshot(m_rootWindows);
    for (size_t i = windows.size(); i-- > 1;) {
        if (Contains(m_rootWindows, windows[i]))
            windows[i]->RequestClose(0);
    }
    return S_OK;
}

int32_t LFrameworkApp::GetIniFile(int)
{
    return 0;
}

int32_t LFrameworkApp::GetCurrentSkinIndex()
{
    LIniFileManager* ini = GetIniFileManager();
    const int32_t file = GetIniFile(1);
    int32_t index = 0;
    if (ini && file > 0)
        static_cast<void>(
            ini->GetIniValueInt(file, u"CurrentSkinIndex", 0, &index)); // a missing value leaves the default
    return index;
}

void LFrameworkApp::SetSkin(int32_t index)
{
    String face;
    float size = 0.0f;
    int32_t style = 0;
    const KXRESULT r = GetDefaultFont(face, size, style);
    if (Failed(r))
        throw FailedResultException("Failed Result : " + HexResult(r) +
                                    " : KX::LFrameworkApp::SetSkin : Application\\FrameworkApp : Line 233");
    // A stored index may be negative or beyond the skins of this document.
    const int32_t count = m_controlFactory ? int32_t(m_controlFactory->GetRootDescriptors().GetCount()) : 0;
    index = count == 0 ? 0 : (index < 0 ? 0 : (index >= count ? count - 1 : index));
    if (m_controlFactory && count > 0) {
        m_controlFactory->SetCurrentSkinIndex(index);
        static_cast<void>(m_controlFactory->GetDefaultFont(
            face, size, style)); // a skin without a default font keeps the built-in one
    }
    LFont::FindOrCreate(m_font, face, size, style);
    if (count > 0) {
        for (const RCPtr<LRootWindow>& root : Snapshot(m_rootWindows)) {
            if (!Contains(m_rootWindows, root))
                continue;
            // Held, not referenced: the idle pass below may shrink the list.
            RCPtr<LRootWindow> busy = GetActiveRootWindow() ? GetActiveRootWindow() : m_rootWindows.GetAt(0);
            const uintptr_t previousCursor = busy->SetCursor(LoadAppCursor(u"UI_CURSOR_WAIT"));
            static_cast<void>(SetStatusText(u"Loading Skin...", true)); // a skin without a status bar shows no progress
            OnIdle(true);
            // The idle pass may have closed the window.
            if (Contains(m_rootWindows, root)) {
                IWindowOSServices* os = root->GetOSServices();
                const bool resetFocus = os && os->IsActive();
                if (resetFocus)
                    root->OnWindowFocusLost();
                static_cast<void>(m_registry->ReapplyDescriptor(
                    *m_controlFactory, root->GetContent())); // a control without a descriptor keeps its look
                if (os)
                    root->GetScreenClientRect();
                const PointT<int32_t> client = root->GetClientSize();
                root->InvalidateRect({0, 0, client.x, client.y});
                if (resetFocus)
                    root->OnWindowFocusGained();
            }
            busy->SetCursor(previousCursor);
            static_cast<void>(ResetStatusText(false)); // a skin without a status bar has nothing to reset
        }
    }
    LIniFileManager* ini = GetIniFileManager();
    const int32_t file = GetIniFile(1);
    if (ini && file > 0)
        static_cast<void>(ini->SetIniValueInt(
            file, u"CurrentSkinIndex", index)); // a setting that cannot be stored is only lost for the next start
}

void LFrameworkApp::AddRootWindow(const RCPtr<LRootWindow>& root)
{
    if (root && !Contains(m_rootWindows, root))
        m_rootWindows.AddItem(root);
}

void LFrameworkApp::RemoveRootWindow(const RCPtr<LRootWindow>& root)
{
    for (unsigned i = 0; i < m_rootWindows.GetCount(); ++i) {
        if (m_rootWindows.GetAt(i) == root) {
            m_rootWindows.RemoveItems(i, 1);
            return;
        }
    }
}

uint32_t LFrameworkApp::GetModifierKeys()
{
    const RCPtr<LRootWindow> root = GetActiveRootWindow();
    return root ? root->GetModifierKeys() : 0;
}

std::vector<RCPtr<LRootWindow>> LFrameworkApp::GetRootWindows()
{
    std::vector<RCPtr<LRootWindow>> roots;
    for (unsigned i = 0; i < m_rootWindows.GetCount(); ++i)
        roots.push_back(m_rootWindows.GetAt(i));
    return roots;
}

RCPtr<LRootWindow> LFrameworkApp::GetActiveRootWindow()
{
    for (unsigned i = m_rootWindows.GetCount(); i-- > 0;) {
        const RCPtr<LRootWindow>& root = m_rootWindows.GetAt(i);
        if (root && root->GetOSServices() && root->GetOSServices()->IsActive())
            return root;
    }
    return nullptr;
}

RCPtr<LStatusBar> LFrameworkApp::GetStatusBar()
{
    return g_statusBar;
}

void LFrameworkApp::SetStatusBar(const RCPtr<LStatusBar>& bar)
{
    g_statusBar = bar;
}

KXRESULT LFrameworkApp::SetStatusText(const String& text, bool immediate)
{
    RCPtr<LStatusBar> bar = GetStatusBar();
    if (m_rootWindows.GetCount() == 0 || !bar)
        return E_FAIL;
    return immediate ? bar->SetStatusTextImmediately(text) : bar->SetStatusText(text);
}

KXRESULT LFrameworkApp::ResetStatusText(bool immediate)
{
    RCPtr<LStatusBar> bar = GetStatusBar();
    if (m_rootWindows.GetCount() == 0 || !bar)
        return E_FAIL;
    return SetStatusText(bar->GetDefaultText(), immediate);
}

RCPtr<LMeasurementRenderer> LFrameworkApp::GetMeasurementRenderer()
{
    if (m_rootWindows.GetCount() > 0 && m_rootWindows.GetAt(0)->GetRenderer())
        return m_rootWindows.GetAt(0)->GetRenderer();
    return DefaultMeasurementRenderer().GetOrMake(
        [] { return RCPtr<LMeasurementRenderer>(LRenderer::Create(LRenderer::kGdi, {}, nullptr)); });
}

int32_t LFrameworkApp::ShowMessageBox(const String& text, const String& caption, uint32_t flags)
{
    Platform::MessageBoxRequest request;
    request.text.assign(text.GetData(), text.GetLength());
    request.caption.assign(caption.GetData(), caption.GetLength());
    request.flags = flags;
    request.ownerWindow = GetOwnerWindowId();
    if (!m_messageBoxes)
        return Platform::DefaultMessageBoxAnswer(flags);
    if (Platform::VideoSystem::IsStarted()) {
        // A box tells of what was just done: the windows show what was posted until now before it opens.
        WaitScope scope(*this, OSWindow::GetEventPump());
        DeliverWhileWaiting(*this);
        OSWindow::PaintAll();
    }
    return m_messageBoxes->Show(request);
}

uint32_t LFrameworkApp::GetOwnerWindowId()
{
    RCPtr<LRootWindow> owner = GetActiveRootWindow();
    if (!owner)
        owner = GetApplicationRootWindow();
    IWindowOSServices* os = owner ? owner->GetOSServices() : nullptr;
    Platform::HostWindow* host = os ? os->GetWindowHandle() : nullptr;
    return host ? host->Id() : 0;
}

std::unique_ptr<Platform::MessageBoxService> LFrameworkApp::CreateDesktopMessageBoxes()
{
    return Platform::DesktopMessageBox::Create(&WaitTurn);
}

Platform::FileChooser& LFrameworkApp::GetFileChooser()
{
    if (!m_fileChooser)
        m_fileChooser = std::make_unique<ApplicationFileChooser>(*this, *m_boxes);
    return *m_fileChooser;
}

bool LFrameworkApp::RunWhileWaiting()
{
    // The process is ending: a box with no main window to take the quit record (the start-up error
    // box) closes too.
    if (Platform::TerminationWatch::Requested())
        return false;
    if (!Platform::VideoSystem::IsStarted())
        return true;
    {
        WaitScope scope(*this, OSWindow::GetEventPump());
        DeliverWhileWaiting(*this);
        OSWindow::RunOnce(0);
    }
    // The program is ending (a signal or an exit request came meanwhile): no answer is waited for.
    const Platform::AppHost* process = Platform::AppHost::GetCurrent();
    return !(process && process->IsQuitPosted());
}

KXRESULT LFrameworkApp::GetDefaultFont(String& face, float& size, int32_t& style)
{
    const Platform::FontChoice choice = Platform::FontSystem::Get().DefaultUiFont();
    face = String(choice.family.c_str());
    size = choice.size;
    style = choice.style;
    return S_OK;
}

RCPtr<LRootWindow> LFrameworkApp::GetApplicationRootWindow()
{
    return m_rootWindows.GetCount() > 0 ? m_rootWindows.GetAt(0) : RCPtr<LRootWindow>();
}

RectT<int32_t> LFrameworkApp::GetWorkArea()
{
    // The display of the main window; the first display before there is one.
    std::optional<Platform::RectI> area;
    const RCPtr<LRootWindow> main = GetApplicationRootWindow();
    IWindowOSServices* os = main ? main->GetOSServices() : nullptr;
    if (Platform::HostWindow* host = os ? os->GetWindowHandle() : nullptr)
        area = host->WorkArea();
    else
        area = Platform::VideoSystem::PrimaryWorkArea();
    // Without a display the windows are laid out for a small screen.
    if (!area || area->IsEmpty())
        return {0, 0, 1024, 768};
    return {area->x, area->y, area->width, area->height};
}

uint32_t LFrameworkApp::GetMilliseconds()
{
    return Platform::GetMilliseconds();
}

double LFrameworkApp::GetSeconds()
{
    const uint32_t now = Platform::GetMilliseconds();
    if (!m_clockStarted) {
        m_clockStarted = true;
        m_seconds = now / 1000.0;
    } else {
        m_seconds += uint32_t(now - m_lastMilliseconds) / 1000.0;
    }
    m_lastMilliseconds = now;
    return m_seconds;
}

uintptr_t LFrameworkApp::LoadAppCursor(const char16_t* name)
{
    if (!name)
        return 0;
    const std::u16string key(name);
    auto found = m_cursors.find(key);
    if (found != m_cursors.end())
        return reinterpret_cast<uintptr_t>(&found->second->cursor);
    for (const char16_t* none : kNoCursorNames) {
        if (key == none)
            return 0;
    }
    std::optional<Platform::Cursor> shape;
    for (const ImageCursorName& c : kImageCursors) {
        if (key == c.name)
            shape = ImageCursor(c.image);
    }
    Platform::SystemCursor kind = Platform::SystemCursor::Arrow;
    for (const CursorName& c : kCursorNames) {
        if (key == c.name)
            kind = c.kind;
    }
    auto cursor = std::make_unique<AppCursor>(AppCursor{shape ? *shape : Platform::Cursor::System(kind)});
    const uintptr_t handle = reinterpret_cast<uintptr_t>(&cursor->cursor);
    m_cursors.emplace(key, std::move(cursor));
    return handle;
}

KXRESULT LFrameworkApp::BreakCycles()
{
    ReleaseServices();
    m_rootWindows.Clear();
    return LNotificationClient::BreakCycles();
}

int32_t ShowMessageBox(String text, String caption, uint32_t flags)
{
    LFrameworkApp* app = LFrameworkApp::GetInstance();
    return app ? app->ShowMessageBox(text, caption, flags) : 0;
}

} // namespace KX
