#include "KXFramework/ControlBase/RootWindow.h"

#include "KXFramework/ControlBase/ChildLayoutEngine.h"
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/StringTable.h"
#include "KXFramework/Controls/Dialog.h"
#include "KXFramework/Notification/KeyCode.h"

#include "KXFramework/Application/DebugLog.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace KX {

RCPtr<LRootWindow> LRootWindow::Create(const RCPtr<LRenderer>& renderer, IWindowOSServices* osServices)
{
    RCPtr<LRootWindow> root(new LRootWindow(renderer, osServices));
    static_cast<void>(root->SetDistributor(
        RCPtr<LNotificationDistributor>(root))); // the new window is its own distributor and is not shut down
    root->AdjustOwnerCount(1);
    root->m_hotKeys = LGlobalHotKeyManager::Create(root->GetPostingReceiver());
    root->GetScreenClientRect();
    return root;
}

RectT<int32_t> LRootWindow::GetScreenClientRect()
{
    if (m_osServices)
        m_clientRect = m_osServices->GetClientArea();
    return m_clientRect;
}

void LRootWindow::SetPointerState(const PointerState& state)
{
    m_pointer.position = state.position;
    m_pointer.buttons = state.buttons & (kLeftButton | kMiddleButton | kRightButton);
    SetModifierKeys(state.modifiers);
}

void LRootWindow::SetWindowArea(const RectT<int32_t>& area)
{
    if (area == GetScreenClientRect())
        return;
    if (m_osServices)
        m_osServices->SetWindowArea(area);
    m_clientRect = area;
    if (m_content)
        m_content->InvalidateRect({0.0, 0.0, m_content->GetRect().width, m_content->GetRect().height},
                                  m_content->GetClipToParent());
}

KXRESULT LRootWindow::SetContent(const RCPtr<LControl>& control)
{
    m_focusControl = nullptr;
    m_lastFocusControl = nullptr;
    m_hoverControl = nullptr;
    m_toolTipControl = nullptr;
    m_captureControl = nullptr;
    m_focusControl = nullptr;
    m_lastFocusControl = nullptr;
    m_hoverControl = nullptr;
    m_focusReleased = false;
    m_tabOrigin = nullptr;
    if (RCPtr<LControl> old = m_content) {
        m_content = nullptr;
        old->Destroy();
        if (m_hotKeys)
            m_hotKeys->GetKeyBindingMap().Clear();
    }
    if (!control)
        return S_OK;
    m_content = control;
    if (m_hotKeys && control->GetStringTable())
        static_cast<void>(m_hotKeys->GetKeyBindingMap().LoadFromStringTable(
            control->GetStringTable(), u"GHK")); // a table without hot keys binds none
    if (!(*control->GetRootWindowPtr()))
        control->SetRootWindow(RCPtr<LRootWindow>(this));
    // Both axes at once: placing one axis at a time would first resize the window to the skin's
    // extent on the other axis.
    control->FillClientArea();
    if (m_osServices && !m_osServices->HasFocus())
        m_osServices->SetFocus();
    else if (!m_focusControl && m_osServices)
        control->SetFocus(true);
    InvalidateRect({0, 0, m_clientRect.width, m_clientRect.height});
    return S_OK;
}

KXRESULT LRootWindow::SetContentByName(const String& name)
{
    RCPtr<LControl> control;
    if (!name.IsEmpty()) {
        IFrameworkServices* services = GetFrameworkServices();
        RCPtr<LControlFactory> factory = services ? services->GetControlFactory() : nullptr;
        RCPtr<LControlClassRegistry> registry = services ? services->GetControlClassRegistry() : nullptr;
        if (factory && registry)
            registry->CreateControlByName(control, *factory, name, RCPtr<LRootWindow>(this));
    }
    return SetContent(control);
}

RCPtr<LControl> LRootWindow::HitTest(const PointT<int32_t>& point, PointT<int32_t>& local, bool updateHover)
{
    local = {};
    RCPtr<LControl> found;
    if (m_content) {
        using GeometryRules::Clamp;
        const PointT<int32_t> p{int32_t(Clamp(LControl::Round(point.x - m_content->GetRect().x), 2147483647.0)),
                                int32_t(Clamp(LControl::Round(point.y - m_content->GetRect().y), 2147483647.0))};
        int32_t bestZ = INT32_MIN;
        m_content->FindControlAt(found, p, true, local, bestZ);
    }
    if (updateHover)
        SetHoverControl(found);
    return found;
}

void LRootWindow::InvalidateRect(const RectT<int32_t>& rect)
{
    const int64_t left = std::max<int64_t>(rect.x, 0);
    const int64_t top = std::max<int64_t>(rect.y, 0);
    const int64_t right = std::min<int64_t>(int64_t(rect.x) + rect.width, m_clientRect.width);
    const int64_t bottom = std::min<int64_t>(int64_t(rect.y) + rect.height, m_clientRect.height);
    if (right - left < 1 || bottom - top < 1)
        return;
    const RectEdges edges{int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
    {
        MutexLock lock(m_dirtyLock);
        m_dirty.AddRect(edges);
    }
    if (m_osServices)
        m_osServices->InvalidateArea({edges.left, edges.top, edges.right - edges.left, edges.bottom - edges.top});
}

void LRootWindow::TakeInvalidRegion(LRectList& out)
{
    if (m_fullRedrawPending) {
        m_fullRedrawPending = false;
        InvalidateRect({0, 0, m_clientRect.width, m_clientRect.height});
    }
    MutexLock lock(m_dirtyLock);
    out.Clear();
    out.Append(m_dirty);
    m_dirty.Clear();
}

void LRootWindow::Paint(const LRectList& region)
{
    if (!m_content || region.Count() == 0 || !m_renderer)
        return;
    if (LRenderContextInfo* context = m_renderer->GetCurrentContext()) {
        // Balanced pushes leave none; if some remain, the frame starts again from its base state
        // rather than asking for a repaint that would meet the same states again.
        if (!context->GetStateStack().empty()) {
            static bool logged = false;
            if (!logged) {
                logged = true;
                DebugLog("LRootWindow::Paint: %u render states left over; dropped",
                         unsigned(context->GetStateStack().size()));
            }
            while (!context->GetStateStack().empty())
                m_renderer->PopClip();
        }
    }
    RectT<double> area = m_content->GetRect();
    RectEdges bounds;
    if (region.GetBounds(bounds)) {
        const RectT<double> b{double(bounds.left), double(bounds.top), double(bounds.right - bounds.left),
                              double(bounds.bottom - bounds.top)};
        LControl::IntersectRect(area, area, b);
    }
    m_renderer->PushClip({0.0, 0.0, double(m_clientRect.width), double(m_clientRect.height)}, area, nullptr, false);
    PaintControl(m_content, region, false);
    m_renderer->PopClip();
}

void LRootWindow::PaintControl(const RCPtr<LControl>& control, const LRectList& region, bool unclippedPass)
{
    // One list for every call; the controls are copied out before the recursion reuses it.
    static RCPtrArray<LControl, 1, 0>* const shared = new RCPtrArray<LControl, 1, 0>;
    shared->SetCount(0);
    // A control that cannot paint leaves its area; the walk goes on.
    static_cast<void>(control->Paint(m_renderer, region, *shared, unclippedPass));
    if (shared->GetCount() == 0)
        return;
    std::vector<RCPtr<LControl>> deferred;
    for (unsigned i = 0; i < shared->GetCount(); ++i)
        deferred.push_back(shared->GetAt(i));
    shared->SetCount(0);
    std::stable_sort(deferred.begin(), deferred.end(), [](const RCPtr<LControl>& a, const RCPtr<LControl>& b) {
        const int32_t za = a->GetLayoutDescriptor() ? a->GetLayoutDescriptor()->zOrder : 0;
        const int32_t zb = b->GetLayoutDescriptor() ? b->GetLayoutDescriptor()->zOrder : 0;
        return za < zb;
    });
    for (const RCPtr<LControl>& c : deferred) {
        const LControl* parent = c->GetParent().Get();
        if (!parent)
            continue;
        const PointT<int32_t> inRoot = parent->GetPositionInRoot().Round();
        const RectT<double> client = parent->GetLookClientRect(-1);
        const PointT<int32_t> clientOrigin = PointT<double>{client.x, client.y}.Round();
        const PointT<double> origin{double(inRoot.x) + clientOrigin.x - parent->GetScrollOffset().x,
                                    double(inRoot.y) + clientOrigin.y - parent->GetScrollOffset().y};
        if (LRenderContextInfo* context = m_renderer->GetCurrentContext()) {
            context->GetState().opacity = c->GetOpacity();
            context->GetState().stencilActive = false;
        }
        m_renderer->PushClip({origin.x, origin.y, 0.0, 0.0}, c->GetRect(), nullptr, false);
        PaintControl(c, region, true);
        m_renderer->PopClip();
    }
}

bool LRootWindow::ConstrainClientSize(int32_t& width, int32_t& height)
{
    const int32_t proposedWidth = width;
    const int32_t proposedHeight = height;
    if (m_content && m_content->GetLayoutDescriptor()) {
        IFrameworkServices* services = GetFrameworkServices();
        const RectT<int32_t> workArea = services ? services->GetWorkArea() : RectT<int32_t>{};
        RectT<double> r;
        static_cast<void>(CalculateLayoutRect(
            m_content->GetLayoutDescriptor().Get(), nullptr, workArea.ToDouble(), {double(width), double(height)},
            {double(m_clientRect.x), double(m_clientRect.y)}, r)); // without a layout the rectangle stays as it is
        PointT<double> position{r.x, r.y};
        PointT<double> size{r.width, r.height};
        static_cast<void>(ApplyLayoutMinSize(*m_content, position, size)); // without a minimum the size stays as it is
        static_cast<void>(ApplyLayoutMaxSize(*m_content, position, size)); // without a maximum the size stays as it is
        // The window layer keeps sizes within its own range; beyond int32 the value is meaningless.
        width = int32_t(std::clamp(std::round(size.x), 1.0, 2147483647.0));
        height = int32_t(std::clamp(std::round(size.y), 1.0, 2147483647.0));
    }
    width = std::max(width, 1);
    height = std::max(height, 1);
    return width != proposedWidth || height != proposedHeight;
}

void LRootWindow::OnWindowResized()
{
    GetScreenClientRect();
    if (RCPtr<LControl> content = m_content)
        content->RecalcLayout(GetClientSize());
}

void LRootWindow::SetFocusControl(const RCPtr<LControl>& control)
{
    m_focusControl = control;
    if (control) {
        m_focusReleased = false;
        m_tabOrigin = nullptr;
    }
}

void LRootWindow::OnFocusControlLost()
{
    m_lastFocusControl = m_focusControl;
    m_focusControl = nullptr;
}

void LRootWindow::ReleaseFocus(const RCPtr<LControl>& origin)
{
    RCPtr<LRootWindow> self(this);
    if (RCPtr<LControl> content = m_content; content && (content->HasFocus() || content->ContainsFocus()))
        content->OnFocusLost();
    m_focusControl = nullptr;
    m_lastFocusControl = nullptr;
    m_focusReleased = true;
    m_tabOrigin = origin;
}

void LRootWindow::SetHoverControl(RCPtr<LControl> control)
{
    if (m_captureControl && control != m_captureControl)
        control = nullptr;
    if (control == m_hoverControl)
        return;
    RCPtr<LControl> owner;
    if (control && control != m_captureControl) {
        owner = control;
        while (owner && owner->GetToolTipText().IsEmpty() && owner->UsesParentToolTip())
            owner = owner->GetParent();
        if (owner && owner->GetToolTipText().IsEmpty())
            owner = nullptr;
    }
    if (owner != m_toolTipControl) {
        if (RCPtr<LControl> old = m_toolTipControl)
            old->ShowToolTip(false);
        m_toolTipControl = owner;
        if (owner)
            owner->ShowToolTip(true);
    }
    RCPtr<LControl> old = m_hoverControl;
    m_hoverControl = control;
    // A removed control has neither a parent nor a root window left to hear it.
    if (old && (old->GetParent() || *old->GetRootWindowPtr()))
        static_cast<void>(old->OnMouseLeave()); // the pointer handler's answer changes nothing here
    if (control)
        static_cast<void>(control->OnMouseEnter()); // the pointer handler's answer changes nothing here
}

KXRESULT LRootWindow::SetCaptureControl(const RCPtr<LControl>& control)
{
    if (!control)
        return E_INVALIDARG;
    if (m_captureControl && m_captureControl != control) {
        RCPtr<LControl> previous = m_captureControl;
        previous->OnCaptureLost();
    }
    m_captureControl = control;
    return S_OK;
}

KXRESULT LRootWindow::ReleaseCaptureControl(const RCPtr<LControl>&)
{
    m_captureControl = nullptr;
    return S_OK;
}

void LRootWindow::OnCaptureLost()
{
    if (RCPtr<LControl> capture = m_captureControl)
        capture->OnCaptureLost();
}

void LRootWindow::DropRemovedControls()
{
    // A control taken out of the tree (removed or destroyed while it held capture or focus) can
    // no longer take input; without this it would keep the window's pointer or keys to itself.
    auto inTree = [this](const RCPtr<LControl>& c) {
        const LControl* top = c.Get();
        while (top->GetParent())
            top = top->GetParent().Get();
        return top == m_content.Get();
    };
    if (m_captureControl && !inTree(m_captureControl))
        m_captureControl = nullptr;
    if (m_focusControl && !inTree(m_focusControl))
        m_focusControl = nullptr;
    if (m_tabOrigin && !inTree(m_tabOrigin))
        m_tabOrigin = nullptr;
}

void LRootWindow::HideToolTip()
{
    if (RCPtr<LControl> tip = m_toolTipControl)
        tip->ShowToolTip(false);
}

void LRootWindow::DispatchMouseButton(int action, int button, uint32_t modifiers, const PointT<int32_t>& point,
                                      int index)
{
    SetModifierKeys(modifiers);
    const uint32_t bit = uint32_t(button) & (kLeftButton | kMiddleButton | kRightButton);
    // The controls see the buttons as they are after this record: held on a press, gone on its release.
    auto noteButton = [this, action, bit] {
        m_pointer.buttons = action == kRelease ? m_pointer.buttons & ~bit : m_pointer.buttons | bit;
    };
    if (!IsWindowActive()) {
        m_pointer.position = point;
        noteButton();
        return;
    }
    RCPtr<LRootWindow> self(this);
    DropRemovedControls();
    if (GetCursorPos() != point)
        DispatchMouseMove(point, modifiers, index);
    noteButton();
    HideToolTip();
    if (action == kRelease) {
        RCPtr<LControl> capture = m_captureControl;
        if (!capture)
            return;
        const bool doubleClick = (m_doubleClickMask & bit) != 0;
        m_doubleClickMask &= ~bit;
        const PointT<int32_t> origin = capture->GetPositionInRoot().Round();
        static_cast<void>(capture->OnMouseUp(LMouseButtonParam::Create(
            button, {point.x - origin.x, point.y - origin.y}, modifiers, doubleClick, GetMouseButtons(),
            uint32_t(index)))); // the pointer handler's answer changes nothing here
        return;
    }
    RCPtr<LControl> target = m_captureControl;
    PointT<int32_t> local;
    if (target) {
        const PointT<int32_t> origin = target->GetPositionInRoot().Round();
        local = {point.x - origin.x, point.y - origin.y};
    } else {
        target = HitTest(point, local, true);
    }
    if (!target)
        return;
    const bool doubleClick = action == kDoubleClick;
    if (doubleClick)
        m_doubleClickMask |= bit;
    else
        m_doubleClickMask &= ~bit;
    if (button != kLeftButton && button != kMiddleButton && button != kRightButton)
        return;
    static_cast<void>(target->OnMouseDown(
        LMouseButtonParam::Create(button, local, modifiers, doubleClick, GetMouseButtons(),
                                  uint32_t(index)))); // the pointer handler's answer changes nothing here
}

void LRootWindow::DispatchMouseMove(const PointT<int32_t>& point, uint32_t modifiers, int index)
{
    SetModifierKeys(modifiers);
    m_pointer.position = point;
    if (!IsWindowActive())
        return;
    RCPtr<LRootWindow> self(this);
    DropRemovedControls();
    PointT<int32_t> local;
    RCPtr<LControl> hit = HitTest(point, local, true);
    RCPtr<LControl> target = m_captureControl;
    if (target) {
        const PointT<int32_t> origin = target->GetPositionInRoot().Round();
        local = {point.x - origin.x, point.y - origin.y};
    } else {
        target = hit;
    }
    if (target)
        static_cast<void>(target->OnMouseMove(LPointWithModifiersParam::Create(
            local, modifiers, uint32_t(index)))); // the pointer handler's answer changes nothing here
}

void LRootWindow::DispatchMouseWheel(const PointT<int32_t>& point, uint32_t modifiers, int direction)
{
    SetModifierKeys(modifiers);
    m_pointer.position = point;
    if (!IsWindowActive())
        return;
    RCPtr<LRootWindow> self(this);
    DropRemovedControls();
    HideToolTip();
    RCPtr<LControl> target = m_captureControl;
    PointT<int32_t> local;
    if (!target)
        target = HitTest(point, local, true);
    if (!target)
        return;
    const RCPtr<LMouseWheelParam> param = LMouseWheelParam::Create(point, modifiers, direction);
    const bool vertical = direction == 0 || direction == 1;
    const KXRESULT result = vertical ? target->OnMouseWheel(param) : target->OnMouseHWheel(param);
    if (result != 1)
        return;
    if (RCPtr<LControl> focus = m_focusControl)
        static_cast<void>(vertical ? focus->OnMouseWheel(param)
                                   : focus->OnMouseHWheel(param)); // the wheel handler's answer changes nothing here
}

void LRootWindow::DispatchKey(const RCPtr<LKeyParam>& key)
{
    RCPtr<LRootWindow> self(this);
    DropRemovedControls();
    HideToolTip();
    if (RCPtr<LControl> focus = m_focusControl)
        focus->OnKeyInput(key);
    else if (RCPtr<LControl> origin = m_tabOrigin; origin && key && KeyCode::IsTabPress(key->key.key))
        origin->MoveFocusOnward(key);
    else if (RCPtr<LControl> content = m_content)
        content->OnKeyInput(key);
}

void LRootWindow::OnWindowFocusLost()
{
    m_pointer.buttons = 0;
    RCPtr<LRootWindow> self(this);
    SetHoverControl(nullptr);
    // Released, the focus stays so: nothing is to be remembered.
    if (RCPtr<LControl> content = m_content; content && !m_focusReleased) {
        content->SetFocus(true);
        content->OnFocusLost();
    }
}

void LRootWindow::OnWindowFocusGained()
{
    RCPtr<LRootWindow> self(this);
    // The desktop may report the focus after the click that gave it (no window manager): the control
    // that click focused, a menu it opened, keeps it. Released, the focus stays so.
    if (m_focusControl || m_focusReleased)
        return;
    RCPtr<LControl> last = m_lastFocusControl;
    if (last && last->GetRootWindowPtr()->Get() == this) {
        last->SetFocus(true);
        return;
    }
    if (RCPtr<LControl> content = m_content)
        content->SetFocus(true);
}

void LRootWindow::SetCaretVisible(bool show, const RCPtr<LControl>& control, const RectT<int32_t>& rect)
{
    if (!m_osServices)
        return;
    if (!show)
        m_osServices->SetCaret(false, rect);
    else if (control && control == m_focusControl)
        m_osServices->SetCaret(true, rect);
}

void LRootWindow::MoveFocusOutOfWindow(const RCPtr<LKeyParam>& key)
{
    if (!m_content)
        return;
    RCPtr<LRootWindow> self(this);
    const bool backward = key && KeyCode::HasShift(key->key.key);
    IFrameworkServices* services = GetFrameworkServices();
    const std::vector<RCPtr<LRootWindow>> roots =
        services ? services->GetRootWindows() : std::vector<RCPtr<LRootWindow>>{};
    // A modal dialog keeps the focus: the windows behind it take no input while it runs.
    if (roots.size() < 2 || (m_osServices && m_osServices->IsModal())) {
        // The focus wraps to the content's first or last stop.
        RCPtr<LControl> content = m_content;
        content->OnFocusLost();
        content->SetFocus(!backward);
        return;
    }
    const auto it = std::find(roots.begin(), roots.end(), self);
    if (it == roots.end() || !IsWindowActive())
        return;
    const size_t at = size_t(it - roots.begin());
    const RCPtr<LRootWindow>& next = roots[(at + (backward ? roots.size() - 1 : 1)) % roots.size()];
    if (next->m_osServices && !next->m_osServices->IsActive())
        next->m_osServices->SetFocus();
}

uintptr_t LRootWindow::SetCursor(uintptr_t cursor)
{
    if (!cursor) {
        if (IFrameworkServices* services = GetFrameworkServices())
            cursor = services->LoadAppCursor(u"UI_CURSOR_ARROW");
    }
    return m_osServices ? m_osServices->SetCursor(cursor) : 0;
}

KXRESULT LRootWindow::RequestClose(int32_t result)
{
    if (!m_osServices)
        return E_FAIL;
    m_closeResult = result;
    m_closeRequested = true;
    return S_OK;
}

void LRootWindow::OnCloseRequest()
{
    if (auto* dialog = dynamic_cast<LDialog*>(m_content.Get())) {
        RCPtr<LControl> hold = m_content;
        dialog->Close(LDialog::kCancelResult);
        return;
    }
    if (m_osServices)
        RequestClose(0);
}

bool LRootWindow::ProcessEvents(bool sendIdle)
{
    RCPtr<LRootWindow> self(this);
    const bool more = ProcessNotifications(sendIdle);
    if (m_closeRequested && m_osServices) {
        m_closeRequested = false;
        m_osServices->EndModal(m_closeResult);
    }
    return more;
}

KXRESULT LRootWindow::BreakCycles()
{
    RemoveAllClients();
    m_hotKeys = nullptr;
    m_osServices = nullptr;
    SetContent(nullptr);
    ShutdownQueue(1);
    return LRefCountedObject::BreakCycles();
}

} // namespace KX
