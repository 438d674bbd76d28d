#include "KXFramework/ControlBase/OSWindow.h"

#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/WindowManager.h"
#include "KXFramework/Notification/KeyCode.h"
#include "KXFramework/Notification/Notification.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Notification/NotificationQueue.h"
#include "KXFramework/Platform/Window/AppHost.h"
#include "KXFramework/Platform/Window/Cursor.h"
#include "KXFramework/Platform/Window/DesktopReach.h"
#include "KXFramework/Platform/Window/EventPump.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Platform/Window/KeyMap.h"

#include <algorithm>
#include <vector>

namespace KX {

namespace {

using Platform::InputRecord;
using Platform::RecordKind;

Platform::RectI ToHost(const RectT<int32_t>& r)
{
    return {r.x, r.y, r.width, r.height};
}

RectT<int32_t> FromHost(const Platform::RectI& r)
{
    return {r.x, r.y, r.width, r.height};
}

RectT<int32_t> Union(const RectT<int32_t>& a, const RectT<int32_t>& b)
{
    if (a.width <= 0 || a.height <= 0)
        return b;
    const int64_t left = std::min(a.x, b.x);
    const int64_t top = std::min(a.y, b.y);
    const int64_t right = std::max(int64_t(a.x) + a.width, int64_t(b.x) + b.width);
    const int64_t bottom = std::max(int64_t(a.y) + a.height, int64_t(b.y) + b.height);
    return {int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top)};
}

// The packed key word of a key record: the virtual key, down, and the general modifier bits.
KeyRecord MakeKeyRecord(uint32_t virtualKey, bool down, uint32_t flags, uint32_t repeat)
{
    const uint32_t mask = KeyCode::ModifierMaskFromFlags(flags);
    uint32_t key = (virtualKey & 0xFF) << 16;
    if (down)
        key |= KeyCode::kKeyDown;
    if (mask & KeyCode::kShiftFlag)
        key |= KeyCode::kShiftKey;
    if (mask & KeyCode::kCtrlFlag)
        key |= KeyCode::kCtrlKey;
    if (mask & KeyCode::kAltFlag)
        key |= KeyCode::kAltKey;
    if (mask & KeyCode::kCommandFlag)
        key |= KeyCode::kCommandKey;
    return {key, mask, repeat};
}

} // namespace

OSWindow* OSWindow::Create(const Platform::WindowParams& params, int rendererKind)
{
    Platform::WindowParams p = params;
    p.glCapable = rendererKind == LRenderer::kOpenGL;
    std::unique_ptr<Platform::HostWindow> host = Platform::HostWindow::Create(p);
    if (!host)
        return nullptr;
    const bool visible = p.visible;
    auto* window = new OSWindow(std::move(host), rendererKind);
    window->m_shown = visible;
    LWindowManager::Current().AddWindow(window->m_host->Id(), window);
    if (window->CreateRenderer(rendererKind) != S_OK) {
        window->Close();
        return nullptr;
    }
    return window;
}

OSWindow::OSWindow(std::unique_ptr<Platform::HostWindow> host, int rendererKind)
    : m_host(std::move(host)),
      m_rendererKind(rendererKind)
{
}

KXRESULT OSWindow::CreateRenderer(int kind)
{
    if (kind != m_rendererKind || !m_host)
        return E_FAIL;
    RCPtr<LRenderer> renderer;
    try {
        renderer = LRenderer::Create(kind, GetClientArea(), m_host.get());
    } catch (const std::exception&) {
        return E_FAIL;
    }
    if (!renderer)
        return E_FAIL;
    GetEventPump().StartTimer(m_host->Id());
    m_timerRunning = true;
    return AttachRenderer(renderer);
}

KXRESULT OSWindow::AttachRenderer(const RCPtr<LRenderer>& renderer)
{
    m_renderer = renderer;
    const RectT<int32_t> area = GetClientArea();
    if (m_renderer->InitRenderContextInfo({0, 0, area.width, area.height}, m_host.get(), false, m_context) != S_OK)
        return E_FAIL;
    m_root = LRootWindow::Create(m_renderer, this);
    if (IFrameworkServices* services = GetFrameworkServices())
        services->AddRootWindow(m_root);
    return S_OK;
}

OSWindow* OSWindow::FromId(uint32_t id)
{
    return LWindowManager::Current().FindWindow(id);
}

Platform::EventPump& OSWindow::GetEventPump()
{
    return LWindowManager::Current().GetEventPump();
}

bool OSWindow::RunOnce(uint32_t timeoutMs)
{
    return Turn(timeoutMs, nullptr);
}

bool OSWindow::Turn(uint32_t timeoutMs, const OSWindow* modal)
{
    // Input after a modal dialog's close is left to the loop it returns to, as type-ahead: a command
    // typed then runs there once this dialog has gone, instead of being refused while the dialog still
    // counts as running, and a dialog it opens does not nest inside this loop. No idle pass follows the
    // first or the one under way at the close: that pass carries out a close request and delivers what
    // was posted before the close, which the running dialog still answers for.
    const auto open = [modal] { return !modal || !modal->IsClosing(); };
    LWindowManager::Current().EnterLoop();
    Platform::EventPump& pump = GetEventPump();
    InputRecord record;
    const bool got = open() && pump.Next(record, timeoutMs);
    if (got) {
        Handle(record);
        while (open() && pump.Next(record, 0))
            Handle(record);
    }
    PaintAll();
    if (IFrameworkServices* services = GetFrameworkServices()) {
        // Passes go on while the application wants them; a bound keeps input from starving.
        for (int32_t count = 0; count < 16 && (count == 0 || open()) && services->RunIdle(count); ++count) {
        }
        PaintAll();
    }
    LWindowManager::Current().LeaveLoop();
    LWindowManager::Current().DeleteClosedWindows();
    // In every loop, so that a second start is answered while a dialog or a box is open.
    if (Platform::AppHost* process = Platform::AppHost::GetCurrent())
        process->ServeDescriptor();
    return got;
}

void OSWindow::PaintAll()
{
    for (OSWindow* window : LWindowManager::Current().GetWindows()) {
        if (FromId(window->m_host ? window->m_host->Id() : 0) == window)
            window->Paint();
    }
}

void OSWindow::Handle(const InputRecord& record)
{
    switch (record.kind) {
    case RecordKind::Tick:
    case RecordKind::Wake:
    case RecordKind::ClipboardChanged:
        return;
    case RecordKind::DisplayChanged:
        for (OSWindow* window : LWindowManager::Current().GetWindows())
            window->InvalidateAll();
        return;
    case RecordKind::Quit:
        // A signal to stop: the application decides, as for its main window's close box.
        if (IFrameworkServices* services = GetFrameworkServices()) {
            if (RCPtr<LRootWindow> main = services->GetApplicationRootWindow()) {
                if (auto* window = dynamic_cast<OSWindow*>(main->GetOSServices()))
                    window->RequestExitOrClose();
            }
        }
        return;
    default:
        break;
    }
    // Records for a window already closed are dropped.
    if (OSWindow* window = FromId(record.window); window && window->m_root)
        window->HandleOwn(record);
}

void OSWindow::HandleOwn(const InputRecord& record)
{
    const RCPtr<LRootWindow> root = m_root;
    root->SetModifierKeys(MouseModifiers());
    switch (record.kind) {
    case RecordKind::ButtonDown:
        Press(record);
        break;
    case RecordKind::ButtonUp:
        root->DispatchMouseButton(LRootWindow::kRelease, record.button, MouseModifiers(), {record.x, record.y}, 0);
        break;
    case RecordKind::Motion:
        root->DispatchMouseMove({record.x, record.y}, MouseModifiers(), 0);
        break;
    case RecordKind::Leave:
        // Hit testing outside the client area clears the hover control.
        if (root->GetMouseButtons() == 0)
            root->DispatchMouseMove({-1, -1}, MouseModifiers(), 0);
        break;
    case RecordKind::Wheel:
        Wheel(record);
        break;
    case RecordKind::Key:
        Key(record);
        break;
    case RecordKind::Text: {
        const KeyCode code(record.unit, record.keyFlags);
        root->DispatchKey(RCPtr<LKeyParam>(new LKeyParam({code.key, code.modifiers, code.extra})));
        break;
    }
    case RecordKind::FocusGained:
        root->OnWindowFocusGained();
        break;
    case RecordKind::FocusLost:
        // The release may never come: the capture and the buttons end here.
        root->OnCaptureLost();
        root->OnWindowFocusLost();
        break;
    case RecordKind::Exposed:
        // The framebuffer keeps its pixels; a stale one is painted again.
        if (m_host) {
            const RectT<int32_t> area = GetClientArea();
            const Platform::RectI whole{0, 0, area.width, area.height};
            if (!m_host->PresentRects(&whole, 1))
                InvalidateAll();
        }
        break;
    case RecordKind::Resized:
        Resized(record.width, record.height);
        break;
    case RecordKind::Moved:
        CheckWorkArea();
        break;
    case RecordKind::CloseRequested:
        RequestExitOrClose();
        break;
    default:
        break;
    }
}

uint32_t OSWindow::MouseModifiers() const
{
    const uint32_t flags = GetEventPump().State().keyFlags;
    return flags & (Platform::kKeyCtrl | Platform::kKeyShift | Platform::kKeyAlt);
}

void OSWindow::Press(const InputRecord& record)
{
    const RCPtr<LRootWindow> root = m_root;
    if (!root->GetFocusControl() && m_host)
        m_host->TakeFocus();
    const int action = record.clicks > 0 && record.clicks % 2 == 0 ? LRootWindow::kDoubleClick : LRootWindow::kPress;
    root->DispatchMouseButton(action, record.button, MouseModifiers(), {record.x, record.y}, 0);
}

void OSWindow::Wheel(const InputRecord& record)
{
    // Vertical first: positive is away from the user (up, 1); horizontal positive is right (3).
    const int deltas[2] = {record.wheelY, record.wheelX};
    const int positive[2] = {1, 3};
    const int negative[2] = {0, 2};
    for (int axis = 0; axis < 2; ++axis) {
        if (deltas[axis] == 0)
            continue;
        int32_t& rest = m_wheelRemainder[axis];
        rest = int32_t(std::clamp<int64_t>(int64_t(rest) + deltas[axis], -1000000000, 1000000000));
        int direction;
        if (rest >= 120) {
            direction = positive[axis];
            rest %= 120;
        } else if (rest <= -120) {
            direction = negative[axis];
            rest = -(-rest % 120);
        } else {
            continue;
        }
        // One event however many notches the record carried.
        m_root->DispatchMouseWheel({record.x, record.y}, MouseModifiers(), direction);
        if (!m_root)
            return;
    }
}

void OSWindow::Key(const InputRecord& record)
{
    const uint32_t repeat = record.down ? (record.repeat ? 1 : 0) : 1;
    KeyRecord key;
    if (record.virtualKey == 0) {
        // A key with no virtual key of its own, held with Ctrl and Alt: only the modifiers count.
        const KeyCode code(0, record.keyFlags);
        key = {code.key, code.modifiers, 0};
    } else {
        key = MakeKeyRecord(record.virtualKey, record.down, record.keyFlags, repeat);
    }
    // Alt+F4 reaches us only where no window manager took it as the close of the focused window. A
    // modal dialog closes as it would then; elsewhere the key goes on to the hot keys, where the
    // application binds it to its exit.
    static const uint32_t kAltF4 = KeyCode(String(u"Alt+VKEY_F4")).key;
    if (m_modal && key.key == kAltF4) {
        RequestExitOrClose();
        return;
    }
    m_root->DispatchKey(RCPtr<LKeyParam>(new LKeyParam(key)));
}

void OSWindow::Resized(int width, int height)
{
    // The layout below runs control code, which may close this window.
    const RCPtr<LRootWindow> root = m_root;
    int32_t w = width;
    int32_t h = height;
    if (root->ConstrainClientSize(w, h)) {
        w = Platform::ClampClientSide(w);
        h = Platform::ClampClientSide(h);
        if ((w != width || h != height) && m_host) {
            RectT<int32_t> area = GetClientArea();
            area.width = w;
            area.height = h;
            m_host->SetClientArea(ToHost(area));
        }
    }
    const RectT<int32_t> area = GetClientArea();
    if (m_context)
        m_context->SetViewport({0, 0, area.width, area.height});
    root->OnWindowResized();
    root->RequestFullRedraw();
    m_paintNeeded = true;
}

void OSWindow::CheckWorkArea()
{
    if (!m_host)
        return;
    if (m_outsideWorkArea) {
        m_root->RequestFullRedraw();
        m_paintNeeded = true;
        m_outsideWorkArea = false;
    }
    const Platform::RectI area = m_host->ClientArea();
    const Platform::RectI work = m_host->WorkArea();
    m_outsideWorkArea = area.x < work.x || area.y < work.y ||
                        int64_t(area.x) + area.width > int64_t(work.x) + work.width ||
                        int64_t(area.y) + area.height > int64_t(work.y) + work.height;
}

bool OSWindow::IsApplicationWindow() const
{
    IFrameworkServices* services = GetFrameworkServices();
    return services && m_root && services->GetApplicationRootWindow() == m_root;
}

void OSWindow::RequestExitOrClose()
{
    if (IsApplicationWindow()) {
        RCPtr<LNotification> exit;
        if (LNotification::Create(exit, u"NID_APP_EXIT_REQ", nullptr) == S_OK)
            static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
                exit)); // the queue refuses only once shut down, when nobody is left to tell
        return;
    }
    if (RCPtr<LRootWindow> root = m_root)
        root->OnCloseRequest();
}

void OSWindow::UpdateSizeLimits()
{
    if (!m_host || !m_root)
        return;
    int32_t minWidth = 1;
    int32_t minHeight = 1;
    m_root->ConstrainClientSize(minWidth, minHeight);
    const Platform::RectI work = m_host->WorkArea();
    int32_t maxWidth = std::max(work.width, 1);
    int32_t maxHeight = std::max(work.height, 1);
    m_root->ConstrainClientSize(maxWidth, maxHeight);
    m_host->SetClientSizeLimits({Platform::ClampClientSide(minWidth), Platform::ClampClientSide(minHeight)},
                                {Platform::ClampClientSide(maxWidth), Platform::ClampClientSide(maxHeight)});
}

void OSWindow::Paint()
{
    if (!m_paintNeeded || !m_root || !m_context || !m_renderer)
        return;
    LRectList region;
    m_root->TakeInvalidRegion(region);
    // Taken after the region: a pending full redraw has just added the whole window to it.
    const RectT<int32_t> update = m_update;
    m_update = {};
    m_paintNeeded = false;
    LRectList& dirty = m_context->GetDirtyRegion();
    dirty.Clear();
    dirty.Append(region);
    if (update.width > 0 && update.height > 0)
        dirty.AddRect({update.x, update.y, update.x + update.width, update.y + update.height});
    if (dirty.Count() == 0)
        return;
    const RectT<int32_t>& viewport = m_context->GetViewport();
    const LRectList::Node* head = dirty.GetHead();
    const bool whole = head && !head->next && head->left == viewport.x && head->top == viewport.y &&
                       head->right - head->left == viewport.width && head->bottom - head->top == viewport.height;
    if (whole)
        UpdateSizeLimits();
    const RCPtr<LRootWindow> root = m_root;
    if (Failed(m_renderer->RenderStart(m_context)))
        return; // nothing was begun, so nothing is drawn over the last frame
    root->Paint(whole ? dirty : region);
    m_renderer->RenderFinish(m_context);
}

KXRESULT OSWindow::SetWindowTitle(const String& title)
{
    if (!m_host)
        return E_FAIL;
    m_host->SetTitle(std::u16string_view(title.GetString(), title.GetLength()));
    return S_OK;
}

KXRESULT OSWindow::InvalidateAll()
{
    const RectT<int32_t> area = GetClientArea();
    m_update = {0, 0, area.width, area.height};
    m_paintNeeded = true;
    return S_OK;
}

KXRESULT OSWindow::InvalidateArea(const RectT<int32_t>& area)
{
    if (area.width <= 0 || area.height <= 0)
        return S_OK;
    m_update = Union(m_update, area);
    m_paintNeeded = true;
    return S_OK;
}

RectT<int32_t> OSWindow::GetClientArea() const
{
    return m_host ? FromHost(m_host->ClientArea()) : RectT<int32_t>{};
}

PointT<int32_t> OSWindow::ScreenToClient(const PointT<int32_t>& point) const
{
    const RectT<int32_t> area = GetClientArea();
    return {point.x - area.x, point.y - area.y};
}

PointT<int32_t> OSWindow::ClientToScreen(const PointT<int32_t>& point) const
{
    const RectT<int32_t> area = GetClientArea();
    return {point.x + area.x, point.y + area.y};
}

KXRESULT OSWindow::SetWindowArea(const RectT<int32_t>& area)
{
    if (!m_host)
        return E_FAIL;
    m_host->SetClientArea(ToHost(area));
    return S_OK;
}

bool OSWindow::Show(int showCommand)
{
    if (!m_host)
        return false;
    const auto command = static_cast<Platform::ShowCommand>(std::clamp(showCommand, 0, 9));
    m_shown = command != Platform::ShowCommand::Hide;
    return m_host->Show(command);
}

KXRESULT OSWindow::Redraw()
{
    if (!m_host)
        return E_FAIL;
    InvalidateAll();
    Paint();
    return S_OK;
}

KXRESULT OSWindow::BringToTop()
{
    if (!m_host)
        return E_FAIL;
    m_host->Raise();
    return S_OK;
}

KXRESULT OSWindow::SetTopMost(bool topMost)
{
    if (!m_host)
        return E_FAIL;
    m_host->SetTopMost(topMost);
    return S_OK;
}

KXRESULT OSWindow::EndModal(int32_t result)
{
    if (m_modal) {
        m_modalResult = result;
        m_modal = false;
        return S_OK;
    }
    Close();
    return S_OK;
}

int32_t OSWindow::RunModal()
{
    if (!m_host || m_modal)
        return -1;
    m_modal = true;
    m_modalResult = -1;
    Platform::EventPump& pump = GetEventPump();
    pump.BeginModal(m_host->Id());
    // This object outlives the loop's own turns, even when it closes from inside one.
    LWindowManager::Current().EnterLoop();
    // The quit message ends every modal loop, so that the loop of the process ends behind it.
    const Platform::AppHost* process = Platform::AppHost::GetCurrent();
    {
        // What is posted meanwhile is delivered in this loop, also when a delivery opened the dialog.
        const LNestedLoopScope nested;
        while (m_modal && m_host && !(process && process->IsQuitPosted())) {
            if (!m_shown)
                Show(int(Platform::ShowCommand::Show));
            Turn(Platform::EventPump::kTickMs, this);
        }
    }
    LWindowManager::Current().LeaveLoop();
    pump.EndModal();
    const bool wasActive = IsActive();
    const int32_t result = m_modalResult;
    m_modal = false;
    if (wasActive) {
        if (IFrameworkServices* services = GetFrameworkServices()) {
            if (RCPtr<LRootWindow> main = services->GetApplicationRootWindow()) {
                if (auto* parent = dynamic_cast<OSWindow*>(main->GetOSServices()); parent && parent != this) {
                    parent->BringToTop();
                    parent->SetFocus();
                }
            }
        }
    }
    Close();
    return result;
}

bool OSWindow::IsClosing() const
{
    return !m_modal || !m_root || m_root->IsCloseRequested();
}

bool OSWindow::TakesInput() const
{
    return m_host && GetEventPump().TakesInput(m_host->Id());
}

bool OSWindow::IsActive() const
{
    return m_host && GetEventPump().State().focusWindow == m_host->Id();
}

KXRESULT OSWindow::SetFocus()
{
    if (!m_host)
        return E_FAIL;
    m_host->TakeFocus();
    return S_OK;
}

void OSWindow::SetCaret(bool show, const RectT<int32_t>& rect)
{
    if (show)
        Platform::EventPump::StartTextInput(ToHost(rect));
    else
        GetEventPump().StopTextInput();
}

uintptr_t OSWindow::SetCursor(uintptr_t cursor)
{
    // One cursor is current for every window.
    const uintptr_t previous = LWindowManager::Current().ExchangeCursor(cursor);
    if (cursor == previous)
        return previous;
    Platform::SetCursor(cursor ? *reinterpret_cast<const Platform::Cursor*>(cursor)
                               : Platform::Cursor::System(Platform::SystemCursor::Arrow));
    return previous;
}

void OSWindow::StorePlacement()
{
    IFrameworkServices* services = GetFrameworkServices();
    // A window nobody saw has no place of its own: it would write over the one the user's editor left.
    if (!services || !m_host || !IsApplicationWindow() || Platform::ShowsNothing())
        return;
    // The 44-byte record: length, flags, show command, minimised and maximised points (none), and
    // the normal rectangle as edges, little-endian.
    const Platform::Placement placement = m_host->GetPlacement();
    const Platform::RectI& r = placement.normal;
    const int32_t words[11] = {
        44, 0, placement.maximized ? 3 : 1, -1, -1, -1, -1, r.x, r.y, r.x + r.width, r.y + r.height};
    std::vector<uint8_t> record;
    for (const int32_t word : words) {
        for (int shift = 0; shift < 32; shift += 8)
            record.push_back(uint8_t(uint32_t(word) >> shift));
    }
    services->WriteProfileBinary(services->GetWindowClassName(), u"WP", record);
}

void OSWindow::Close()
{
    const bool registered = m_host && FromId(m_host->Id()) == this;
    StorePlacement();
    if (m_host) {
        if (m_timerRunning)
            GetEventPump().StopTimer(m_host->Id());
        LWindowManager::Current().RemoveWindow(m_host->Id());
    }
    m_modal = false;
    if (RCPtr<LRootWindow> root = m_root) {
        if (IFrameworkServices* services = GetFrameworkServices())
            services->RemoveRootWindow(root);
        m_root = nullptr;
        root->BreakCycles();
    }
    m_context = nullptr;
    m_renderer = nullptr;
    m_host.reset();
    // A loop may still run in this object's frames; it goes when the outermost one ends.
    if (registered)
        LWindowManager::Current().RetireWindow(this);
}

} // namespace KX
