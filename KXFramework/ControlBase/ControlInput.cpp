// LControl's input: hit testing and the context menu, pointer events, focus and keys.
#include "KXFramework/ControlBase/Control.h"

#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/ControlInternals.h"
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/ControlBase/ExclusionGuard.h"
#include "KXFramework/ControlBase/FrameworkClock.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/MenuDescriptor.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Notification/GlobalHotKeyManager.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace KX {

using namespace ControlInternals;

namespace {

constexpr int32_t kNoZ = INT32_MIN;
constexpr uint32_t kFlickWindowMs = 100;
constexpr double kFlickMinimumSpeed = 1000.0;

// 0, 1, 2 for the left, middle and right buttons; -1 for anything else.
int ButtonIndex(int32_t button)
{
    return button == kLeftButton ? 0 : button == kMiddleButton ? 1 : button == kRightButton ? 2 : -1;
}

bool DockedBoth(const LControl& c)
{
    const RCPtr<LLayoutDescriptor>& layout = c.GetLayoutDescriptor();
    return layout && layout->position[0].docked && layout->position[1].docked;
}

int TabIndexOf(const LControl& parent, const LControl* child)
{
    if (!child)
        return -1;
    const LControl::ChildControlList& children = parent.GetChildren();
    for (unsigned i = 0; i < children.GetCount(); ++i) {
        if (children.GetAt(i, LControl::kTabOrder).Get() == child)
            return int(i);
    }
    return -1;
}

} // namespace

// ---- hit testing

bool LControl::ContainsPoint(const PointT<int32_t>& p) const
{
    const double x = double(p.x) + Round(m_rect.x);
    const double y = double(p.y) + Round(m_rect.y);
    return x >= m_rect.x && x < m_rect.x + m_rect.width && y >= m_rect.y && y < m_rect.y + m_rect.height;
}

int32_t LControl::GetEffectiveZ() const
{
    int32_t z = kNoZ;
    for (const LControl* c = this; c; c = c->m_parent.Get()) {
        if (!c->GetClipToParent())
            z = std::max(z, c->m_layout->zOrder);
    }
    return z;
}

RCPtr<LControl>& LControl::FindControlAt(RCPtr<LControl>& found, const PointT<int32_t>& p, bool acceptBase,
                                         PointT<int32_t>& local, int32_t& bestZ)
{
    found = nullptr;
    local = {};
    m_lastChildHit = nullptr;
    const bool inside = ContainsPoint(p);
    if (!m_layout || !m_layout->isVisible || !(m_rect.width > 0.0) || !(m_rect.height > 0.0) ||
        (!inside && m_unclippedCount < 1))
        return found;
    RCPtr<LControl> self = Hold(this);
    const int32_t ownZ = GetEffectiveZ();
    RCPtr<LControl> result;
    PointT<int32_t> resultLocal;
    int32_t resultZ = kNoZ;
    if (m_children.GetCount() > 0) {
        // One pass per weighted look; a control without one searches through its whole area.
        std::vector<RectT<int32_t>> clients;
        for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
            if (GetLookWeight(i) > 0.0f && m_looks.GetAt(i))
                clients.push_back(m_looks.GetAt(i)->GetClientRect());
        }
        if (clients.empty())
            clients.push_back(GetLookClientRect(-1).Round());
        for (const RectT<int32_t>& client : clients) {
            const bool inClient =
                p.x >= client.x && p.x < client.x + client.width && p.y >= client.y && p.y < client.y + client.height;
            const PointT<double> q{Round(double(p.x) - client.x + m_scrollOffset.x),
                                   Round(double(p.y) - client.y + m_scrollOffset.y)};
            for (unsigned i = m_children.GetCount(); i-- > 0;) {
                if (i >= m_children.GetCount())
                    continue;
                RCPtr<LControl> child = m_children.GetAt(i, kZOrder);
                const bool plainSearch =
                    !result && (ownZ != kNoZ || (inside && acceptBase && (DockedBoth(*child) || inClient)));
                if (!plainSearch && child->GetClipToParent() && child->m_unclippedCount < 1)
                    continue;
                const PointT<int32_t> childPoint{
                    int32_t(GeometryRules::Clamp(q.x - Round(child->m_rect.x), 2147483647.0)),
                    int32_t(GeometryRules::Clamp(q.y - Round(child->m_rect.y), 2147483647.0))};
                RCPtr<LControl> hit;
                PointT<int32_t> hitLocal;
                child->FindControlAt(hit, childPoint, acceptBase && inside, hitLocal, bestZ);
                if (hit && (!result || hit->GetEffectiveZ() > resultZ)) {
                    result = hit;
                    resultLocal = hitLocal;
                    resultZ = hit->GetEffectiveZ();
                }
            }
        }
    }
    if (result && !m_interceptsChildren) {
        found = result;
        local = resultLocal;
        bestZ = resultZ;
        return found;
    }
    if (m_interceptsChildren) {
        m_lastChildHit = result;
        m_lastChildPoint = resultLocal;
        m_lastChildZ = resultZ;
    }
    bool clipped = false;
    if (m_parent && !DockedBoth(*this) && GetClipToParent()) {
        const PointT<double> inParent = GetPositionInParentClient();
        const double px = p.x + inParent.x;
        const double py = p.y + inParent.y;
        const RectT<double> client = m_parent->GetClientRect();
        clipped = px < client.x || px >= client.x + client.width || py < client.y || py >= client.y + client.height;
    }
    if (!IsTransparentAt({double(p.x), double(p.y)}) && !m_excluded && inside && !clipped &&
        ((ownZ == kNoZ && acceptBase) || ownZ > bestZ)) {
        found = self;
        local = p;
        bestZ = ownZ;
    }
    return found;
}

// ---- context menu

void LControl::SetContextMenu(const RCPtr<LMenuDescriptor>& menu)
{
    if (m_contextMenu)
        BindMenuHotKeys(*m_contextMenu, false);
    m_contextMenu = menu;
    if (m_contextMenu)
        BindMenuHotKeys(*m_contextMenu, true);
}

void LControl::BindMenuHotKeys(const LMenuDescriptor& menu, bool bind)
{
    if (!m_handlers)
        m_handlers = LNotificationHandler<LControl>::Create(this);
    RCPtr<LRootWindow> root = FindRootWindow();
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LGlobalHotKeyManager> global = services ? services->GetGlobalHotKeyManager() : nullptr;
    for (unsigned i = 0; i < menu.GetItems().GetCount(); ++i) {
        const RCPtr<LMenuItemDescriptor>& item = menu.GetItems().GetAt(i);
        if (!item)
            continue;
        if (item->GetItems().GetCount() > 0) {
            BindMenuHotKeys(*item, bind);
            continue;
        }
        const char16_t* name = item->notification.GetString();
        if (item->notification.IsEmpty())
            continue;
        if (!bind) {
            m_handlers->RemoveNotification(nullptr, name);
            continue;
        }
        const bool bound = (root && root->GetHotKeyManager()->GetKeyBindingMap().HasNotification(name)) ||
                           (global && global->GetKeyBindingMap().HasNotification(name));
        if (bound)
            static_cast<void>(
                m_handlers->AddHandler(&LControl::ResendMenuHotKey, name)); // a handler already there answers as before
    }
}

KXRESULT LControl::ResendMenuHotKey(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    RCPtr<LRootWindow> root = FindRootWindow();
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LGlobalHotKeyManager> table = root ? root->GetHotKeyManager() : nullptr;
    if (!table || !table->GetKeyBindingMap().HasNotification(n->GetName().GetString()))
        table = services ? services->GetGlobalHotKeyManager() : nullptr;
    if (!table || !table->GetReceiver())
        return S_FALSE;
    // A fresh notification: the one handled here may be the very one a queue is delivering.
    RCPtr<LNotification> copy;
    if (Failed(LNotification::Create(copy, n->GetName().GetString(), n->GetPayload())))
        return S_FALSE;
    static_cast<void>(
        table->GetReceiver()->ReceiveNotification(nullptr, copy)); // the receiver's answer changes nothing here
    return S_OK;
}

KXRESULT LControl::ShowContextMenu(const RCPtr<LMenuDescriptor>& menu)
{
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LControlFactory> factory = services ? services->GetControlFactory() : nullptr;
    RCPtr<LControlClassRegistry> registry = services ? services->GetControlClassRegistry() : nullptr;
    if (!factory || !registry)
        return S_OK;
    const RCPtr<LControlDescriptor>& descriptor = factory->FindControlDescriptor(u"contextMenu");
    if (!descriptor)
        return S_OK;
    RCPtr<LControl> self = Hold(this);
    RCPtr<LControl> popup;
    registry->CreateControl(popup, descriptor, self);
    if (!popup)
        return S_OK;
    auto* link = dynamic_cast<IPopupMenuLink*>(popup.Get());
    if (!link) {
        // Not a popup menu: it must not stay behind as a stray child.
        if (popup->GetParent().Get() == this)
            RemoveChild(popup);
        return S_OK;
    }
    popup->SetVisible(false);
    link->SetMenuDescriptor(menu);
    OnContextMenuCreated(popup);
    link->OpenAtCursor();
    return S_OK;
}

void LControl::OnContextMenuCreated(const RCPtr<LControl>&) {}

const RCPtr<LMenuItemUpdater>& LControl::GetMenuItemUpdater()
{
    if (!m_menuItemUpdater)
        m_menuItemUpdater = RCPtr<LMenuItemUpdater>(new LMenuItemUpdater(this));
    return m_menuItemUpdater;
}

void LControl::GetMenusFromStringTable(RCPtrArray<LMenuDescriptor, 1, 0>& out) const
{
    out.SetCount(0);
    const RCPtr<LStringTable>& table = GetStringTable();
    if (!table)
        return;
    static const std::u16string_view kPrefix = u"CONTEXT_MENU";
    Array<Pair<String, String>> entries;
    std::vector<std::u16string> prefixes;
    bool single = false;
    for (const auto& [key, text] : table->GetEntries()) {
        const std::u16string_view k(key.GetString(), key.GetLength());
        if (k.substr(0, kPrefix.size()) != kPrefix)
            continue;
        entries.AddItem({key, text});
        if (k.size() > kPrefix.size() && k[kPrefix.size()] == u'.')
            single = true;
        const size_t dot = k.find(u'.');
        prefixes.emplace_back(k.substr(0, dot == std::u16string_view::npos ? k.size() : dot));
    }
    if (single) {
        if (RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringMap(entries, String(u"CONTEXT_MENU.")))
            out.AddItem(menu);
        return;
    }
    // std::u16string compares code units as unsigned numbers, a prefix before its longer forms.
    std::sort(prefixes.begin(), prefixes.end());
    prefixes.erase(std::unique(prefixes.begin(), prefixes.end()), prefixes.end());
    for (const std::u16string& prefix : prefixes) {
        const String head(String((prefix + u".").c_str()));
        if (RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringMap(entries, head))
            out.AddItem(menu);
    }
}

// ---- pointer input

bool LControl::AcceptsInput() const
{
    return IsVisible(true) && m_layout && m_layout->enabled && (!m_parent || m_parent->IsEnabled(true));
}

KXRESULT LControl::SetDragThreshold(int32_t pixels)
{
    if (pixels < 0)
        return E_INVALIDARG;
    m_dragThreshold = pixels;
    return S_OK;
}

KXRESULT LControl::OnMouseEnter()
{
    RCPtr<LControl> self = Hold(this);
    m_hover = true;
    PublishConditions();
    return S_OK;
}

KXRESULT LControl::OnMouseLeave()
{
    RCPtr<LControl> self = Hold(this);
    m_hover = false;
    PublishConditions();
    return S_OK;
}

KXRESULT LControl::OnMouseDown(const RCPtr<LMouseButtonParam>& press)
{
    if (!press || ButtonIndex(press->button) < 0)
        return E_INVALIDARG;
    RCPtr<LControl> self = Hold(this);
    const bool captured = m_capture;
    if (!captured) {
        if (!AcceptsInput())
            return S_FALSE;
        if (!m_notFocusable && AncestorsAllowFocus())
            TakeFocusOnPress(true);
        else if (m_parent)
            m_parent->FocusOnClick(self);
    }
    switch (press->button) {
    case kLeftButton:
        m_pressRecord = press;
        OnLeftButtonDown(press);
        break;
    case kMiddleButton:
        OnMiddleButtonDown(press);
        break;
    default:
        OnRightButtonDown(press);
        break;
    }
    Send(*this, u"NID_MOUSE_DOWN", press);
    if (!captured)
        static_cast<void>(BeginDrag(press->button, press->point.x,
                                    press->point.y)); // a drag that cannot start leaves the pointer free
    return S_OK;
}

KXRESULT LControl::BeginDrag(int32_t button, int32_t x, int32_t y)
{
    if (!AcceptsInput() || m_capture)
        return S_FALSE;
    RCPtr<LControl> self = Hold(this);
    RCPtr<LRootWindow> root = FindRootWindow();
    const int index = ButtonIndex(button);
    if (button != 0) {
        if (index < 0 || !root || !(root->GetMouseButtons() & uint32_t(button)))
            return S_FALSE;
        using GeometryRules::Clamp;
        m_grabPoint = {Clamp(double(x), kCoordinateLimit) + m_rect.x, Clamp(double(y), kCoordinateLimit) + m_rect.y};
        if (m_userMove)
            m_userMove->lastDisplacement = {};
    }
    for (int axis = 0; axis < 2; ++axis) {
        if (IsFlicking(axis))
            StopAutoScroll(axis);
    }
    m_capture = true;
    m_pressTime = m_previousMoveTime = FrameworkClock::Milliseconds();
    if (m_userMove)
        m_userMove->dragVelocity = {};
    if (root)
        static_cast<void>(root->SetCaptureControl(self)); // a control is given, so the capture cannot be refused
    if (index >= 0)
        m_pending[index] = true;
    if (index == 0) {
        m_userMoveMode = kMoveOff;
        if (m_interceptsChildren && !m_delayedPressSubscribed) {
            m_delayedPressSubscribed = true;
            SubscribeIdle();
        }
    }
    PublishConditions();
    if (index >= 0 && m_dragThreshold == 0 && m_pending[index]) {
        m_pending[index] = false;
        m_dragging[index] = true;
        PublishConditions();
    }
    return S_OK;
}

KXRESULT LControl::OnMouseMove(const RCPtr<LPointWithModifiersParam>& pointer)
{
    if (!pointer)
        return E_INVALIDARG;
    RCPtr<LControl> self = Hold(this);
    m_moveTime = FrameworkClock::Milliseconds();
    if (m_pending[0] || m_pending[1] || m_pending[2]) {
        const PointT<int32_t> press = PointT<double>{m_grabPoint.x - m_rect.x, m_grabPoint.y - m_rect.y}.Round();
        const int64_t dx = std::abs(int64_t(pointer->point.x) - press.x);
        const int64_t dy = std::abs(int64_t(pointer->point.y) - press.y);
        if (std::max(dx, dy) >= m_dragThreshold) {
            // The drag is seen to start where the button went down.
            static_cast<void>(OnMouseMove(LPointWithModifiersParam::Create(
                press, pointer->modifiers, 0))); // the pointer handler's answer changes nothing here
            const int index = m_pending[0] ? 0 : (m_pending[1] ? 1 : 2);
            if (m_pending[index])
                m_dragging[index] = true;
            m_pending[0] = m_pending[1] = m_pending[2] = false;
            PublishConditions();
        }
    }
    OnPointerMoved(pointer);
    Send(*this, u"NID_MOUSE_MOVE", pointer);
    if (m_dragging[0] && m_userMoveMode != kMoveOff)
        UserMoveStep(pointer);
    m_previousMoveTime = m_moveTime;
    return S_OK;
}

KXRESULT LControl::OnMouseUp(const RCPtr<LMouseButtonParam>& release)
{
    if (!release || ButtonIndex(release->button) < 0)
        return E_INVALIDARG;
    if (!AcceptsInput() && !m_capture)
        return S_FALSE;
    RCPtr<LControl> self = Hold(this);
    const int index = ButtonIndex(release->button);
    switch (index) {
    case 0:
        OnLeftButtonUp(release);
        break;
    case 1:
        OnMiddleButtonUp(release);
        break;
    default:
        OnRightButtonUp(release);
        break;
    }
    const bool click = (m_pending[index] || (m_dragging[index] && m_userMoveMode == kMoveOff)) && m_hover;
    if (index == 0 && m_dragging[0] && m_userMoveMode == kDragScroll) {
        m_releaseTime = FrameworkClock::Milliseconds();
        if (m_releaseTime - m_previousMoveTime < kFlickWindowMs) {
            PointT<double> minimum, maximum;
            GetSizeLimits(minimum, maximum);
            const int axes = MoveState().flags;
            const double velocity[2] = {MoveState().dragVelocity.x, MoveState().dragVelocity.y};
            const double limit[2] = {maximum.x, maximum.y};
            for (int axis = 0; axis < 2; ++axis) {
                const bool allowed = axes == kMoveXY || axes == (axis == 0 ? kMoveX : kMoveY);
                if (allowed && std::fabs(velocity[axis]) >= kFlickMinimumSpeed) {
                    StartAutoScroll(axis, velocity[axis], limit[axis], 0.0, nullptr);
                    m_autoScroll->axes[axis].flick = true;
                }
            }
        }
    }
    Send(*this, u"NID_MOUSE_UP", release);
    if (m_capture && release->heldButtons == 0)
        OnCaptureLost();
    if (click && m_layout && m_layout->enabled && (!m_parent || m_parent->IsEnabled(true)))
        static_cast<void>(DispatchClick(release)); // the click handler's answer changes nothing here
    return S_OK;
}

KXRESULT LControl::OnCaptureLost()
{
    if (!m_capture)
        return S_FALSE;
    RCPtr<LControl> self = Hold(this);
    m_capture = false;
    for (int i = 0; i < 3; ++i)
        m_pending[i] = m_dragging[i] = false;
    KXRESULT r = S_OK;
    if (RCPtr<LRootWindow> root = FindRootWindow())
        r = root->ReleaseCaptureControl(self);
    PublishConditions();
    m_pressRecord = nullptr;
    if (m_delayedPressSubscribed) {
        m_delayedPressSubscribed = false;
        UnsubscribeIdle();
    }
    return r;
}

KXRESULT LControl::DispatchClick(const RCPtr<LMouseButtonParam>& param)
{
    if (!param)
        return E_INVALIDARG;
    switch (param->button) {
    case kLeftButton:
        return OnLeftClick(param);
    case kMiddleButton:
        return OnMiddleClick(param);
    case kRightButton:
        return OnRightClick(param);
    default:
        return E_INVALIDARG;
    }
}

KXRESULT LControl::OnLeftClick(const RCPtr<LMouseButtonParam>& param)
{
    if (!param)
        return E_INVALIDARG;
    HandleLeftClick(param);
    Send(*this, u"NID_LEFT_CLICK", param);
    return S_OK;
}

KXRESULT LControl::OnMiddleClick(const RCPtr<LMouseButtonParam>& param)
{
    if (!param)
        return E_INVALIDARG;
    HandleMiddleClick(param);
    Send(*this, u"NID_MIDDLE_CLICK", param);
    return S_OK;
}

KXRESULT LControl::OnRightClick(const RCPtr<LMouseButtonParam>& param)
{
    if (!param)
        return E_INVALIDARG;
    RCPtr<LControl> self = Hold(this);
    HandleRightClick(param);
    Send(*this, u"NID_RIGHT_CLICK", param);
    if (RCPtr<LMenuDescriptor> menu = GetContextMenu())
        ShowContextMenu(menu);
    return S_OK;
}

KXRESULT LControl::HandleMouseWheel(const RCPtr<LMouseWheelParam>&)
{
    return S_FALSE;
}

KXRESULT LControl::HandleMouseHWheel(const RCPtr<LMouseWheelParam>&)
{
    return S_FALSE;
}

KXRESULT LControl::OnMouseWheel(const RCPtr<LMouseWheelParam>& wheel)
{
    return RouteWheel(wheel, false);
}

KXRESULT LControl::OnMouseHWheel(const RCPtr<LMouseWheelParam>& wheel)
{
    return RouteWheel(wheel, true);
}

KXRESULT LControl::RouteWheel(const RCPtr<LMouseWheelParam>& wheel, bool horizontal)
{
    if (!wheel)
        return -1;
    RCPtr<LControl> c = Hold(this);
    RCPtr<LRootWindow> root = FindRootWindow();
    std::vector<RCPtr<LControl>> passed;
    KXRESULT r = S_FALSE;
    while (c) {
        r = horizontal ? c->HandleMouseHWheel(wheel) : c->HandleMouseWheel(wheel);
        if (r != S_FALSE)
            return r;
        bool floating = false;
        for (const LControl* a = c.Get(); a && !floating; a = a->m_parent.Get())
            floating = !a->GetClipToParent();
        if (!floating) {
            c = c->m_parent;
            continue;
        }
        // Past a floating subtree the wheel goes to what lies under it, never back into it.
        passed.push_back(c);
        if (!root)
            break;
        PointT<int32_t> local;
        LExclusionGuard excluded(passed);
        c = root->HitTest(wheel->point, local, true);
    }
    return r;
}

// ---- focus

bool LControl::AncestorsAllowFocus() const
{
    if (!m_parent || m_focusBoundary)
        return true;
    for (const LControl* c = m_parent.Get(); c; c = c->m_parent.Get()) {
        if (c->m_notFocusable)
            return false;
        if (!c->m_parent || c->m_focusBoundary)
            break;
    }
    return true;
}

bool LControl::CanTakeFocus() const
{
    if (!AcceptsInput() || m_notFocusable || !TakesFocusItself() || HasFocusableDescendant())
        return false;
    return AncestorsAllowFocus();
}

bool LControl::HasFocusableDescendant() const
{
    if (!AcceptsInput() || m_notFocusable)
        return false;
    for (unsigned i = m_children.GetCount(); i-- > 0;) {
        const LControl& child = *m_children.GetAt(i, kInsertionOrder);
        if (child.CanTakeFocus() || child.HasFocusableDescendant())
            return true;
    }
    return false;
}

RCPtr<LControl> LControl::GetFocusedChild() const
{
    for (unsigned i = m_children.GetCount(); i-- > 0;) {
        const RCPtr<LControl>& child = m_children.GetAt(i, kInsertionOrder);
        if (child->m_hasFocus || child->m_containsFocus)
            return child;
    }
    return nullptr;
}

RCPtr<LControl> LControl::FirstFocusableChild(bool forward)
{
    const std::vector<RCPtr<LControl>> order = GetChildrenInReadingOrder();
    const size_t count = order.size();
    for (size_t n = 0; n < count; ++n) {
        const RCPtr<LControl>& child = order[forward ? n : count - 1 - n];
        if (child->m_layout && child->m_layout->tabStop < 0)
            continue;
        if (child->CanTakeFocus() || child->HasFocusableDescendant())
            return child;
    }
    return nullptr;
}

KXRESULT LControl::SetFocus(bool forward)
{
    RCPtr<LControl> self = Hold(this);
    RCPtr<LRootWindow> root = FindRootWindow();
    if (!m_hasFocus && root && root->GetFocusControl()) {
        RCPtr<LControl> current = root->GetFocusControl();
        if (!current->AllowFocusChange())
            return E_FAIL;
    }
    const bool canTake = CanTakeFocus();
    if (m_hasFocus && canTake)
        return S_OK;
    if (HasFocusableDescendant()) {
        if (m_containsFocus) {
            RCPtr<LControl> child = GetFocusedChild();
            if (!child)
                return E_FAIL;
            if (child->CanTakeFocus() || child->HasFocusableDescendant())
                return child->SetFocus(forward);
        }
        RCPtr<LControl> first = FirstFocusableChild(forward);
        return first ? first->SetFocus(forward) : E_FAIL;
    }
    if (canTake) {
        KXRESULT r = S_OK;
        if (!m_containsFocus) {
            m_hasFocus = true;
            if (m_parent)
                r = m_parent->MarkFocusAncestors(self);
        } else {
            m_hasFocus = true;
            m_containsFocus = false;
            RCPtr<LControl> child = GetFocusedChild();
            r = child && child->OnFocusLost() ? S_OK : E_FAIL;
        }
        if (root)
            root->SetFocusControl(self);
        PublishConditions();
        return r;
    }
    RCPtr<LControl> top;
    GetTopLevelControl(top);
    // The top-level control asking itself again would never end.
    if (m_hasFocus || !top || top.Get() == this)
        return E_FAIL;
    if (!top->m_hasFocus && !top->m_containsFocus)
        return S_FALSE;
    return top->SetFocus(true);
}

KXRESULT LControl::MarkFocusAncestors(const RCPtr<LControl>& child)
{
    RCPtr<LControl> self = Hold(this);
    if (!m_containsFocus) {
        m_containsFocus = true;
        KXRESULT r = S_OK;
        if (m_hasFocus) {
            m_hasFocus = false;
            PublishConditions();
        } else {
            if (m_parent)
                r = m_parent->MarkFocusAncestors(self);
            PublishConditions();
        }
        return r;
    }
    for (unsigned i = m_children.GetCount(); i-- > 0;) {
        RCPtr<LControl> other = m_children.GetAt(i, kInsertionOrder);
        if (other != child && (other->m_hasFocus || other->m_containsFocus))
            return other->OnFocusLost() ? S_OK : E_FAIL;
    }
    return E_FAIL;
}

bool LControl::OnFocusLost()
{
    RCPtr<LControl> self = Hold(this);
    if (m_hasFocus) {
        m_hasFocus = false;
        PublishConditions();
        RCPtr<LRootWindow> root = FindRootWindow();
        if (root && root->GetFocusControl().Get() == this)
            root->OnFocusControlLost();
        return true;
    }
    m_containsFocus = false;
    RCPtr<LControl> child = GetFocusedChild();
    const bool released = child && child->OnFocusLost();
    PublishConditions();
    return released;
}

KXRESULT LControl::FocusOnClick(const RCPtr<LControl>&)
{
    RCPtr<LControl> self = Hold(this);
    if (!m_notFocusable && AncestorsAllowFocus())
        TakeFocusOnPress(false);
    else if (m_parent)
        m_parent->FocusOnClick(self);
    return S_OK;
}

void LControl::TakeFocusOnPress(bool onItself)
{
    RCPtr<LRootWindow> root = FindRootWindow();
    const bool holdsFields = HasFocusableDescendant();
    // Released, the focus goes to a field only by a press on it (or on its caption) or by Tab: a
    // press on the background of a panel of fields chooses none of them.
    if (onItself && holdsFields && root && root->IsFocusReleased())
        return;
    if (CanTakeFocus() || holdsFields) {
        SetFocus(true);
        return;
    }
    // A press on what holds no field (a picture's tile, a row of buttons that are no tab stops)
    // takes the focus away from the field that had it, so that typing changes nothing unseen; a
    // field that refuses to let go (an entry it cannot take) keeps it, as for any other press.
    const RCPtr<LControl> focus = root ? root->GetFocusControl() : nullptr;
    if (root && (!focus || focus->AllowFocusChange()))
        root->ReleaseFocus(Hold(this));
}

RCPtr<LControl> LControl::NextFieldAfter(const RCPtr<LControl>& child)
{
    RCPtr<LControl> next = LControl::GetNextTabStop(child, false);
    for (unsigned n = 0; next && next != child && n < m_children.GetCount(); ++n) {
        if (next->CanTakeFocus() || next->HasFocusableDescendant())
            return next;
        next = LControl::GetNextTabStop(next, false);
    }
    return nullptr;
}

void LControl::HandOverFocus(bool gained)
{
    RCPtr<LControl> self = Hold(this);
    if (!gained) {
        if (!(m_hasFocus || m_containsFocus) || !m_parent)
            return;
        RCPtr<LControl> parent = m_parent;
        // A parent that takes the focus itself has it back: a drop-down's owner, a menu under its
        // submenu. Else a field hands it to the next field beside it, round its parent; a group of
        // fields that goes as a whole (an edit panel, a page) took them with it, and a field of
        // another group (the preset name beside an edit panel) is no successor.
        if (parent->CanTakeFocus())
            parent->SetFocus(true);
        else if (RCPtr<LControl> next = m_hasFocus ? parent->NextFieldAfter(self) : nullptr)
            next->SetFocus(true);
        // Nothing took it: the focus goes to no control rather than stay with a hidden one, and
        // Tab goes on from here.
        if (m_hasFocus || m_containsFocus) {
            RCPtr<LControl> top;
            GetTopLevelControl(top);
            if (RCPtr<LRootWindow> root = FindRootWindow())
                root->ReleaseFocus(self);
            else if (top)
                top->OnFocusLost();
        }
        return;
    }
    if ((CanTakeFocus() || HasFocusableDescendant()) && m_parent && m_parent->m_hasFocus)
        SetFocus(true);
}

std::vector<RCPtr<LControl>> LControl::GetChildrenInReadingOrder() const
{
    std::vector<RCPtr<LControl>> order;
    for (unsigned i = 0; i < m_children.GetCount(); ++i)
        order.push_back(m_children.GetAt(i, kTabOrder));
    std::stable_sort(order.begin(), order.end(),
                     [](const RCPtr<LControl>& a, const RCPtr<LControl>& b) { return a->m_rect.y < b->m_rect.y; });
    for (auto line = order.begin(); line != order.end();) {
        const double middle = (*line)->m_rect.y + (*line)->m_rect.height / 2.0;
        const auto end =
            std::find_if(line + 1, order.end(), [&](const RCPtr<LControl>& c) { return !(c->m_rect.y < middle); });
        std::stable_sort(line, end,
                         [](const RCPtr<LControl>& a, const RCPtr<LControl>& b) { return a->m_rect.x < b->m_rect.x; });
        line = end;
    }
    return order;
}

int LControl::ReadingIndexOf(const LControl* child) const
{
    if (!child)
        return -1;
    const std::vector<RCPtr<LControl>> order = GetChildrenInReadingOrder();
    const auto it =
        std::find_if(order.begin(), order.end(), [&](const RCPtr<LControl>& c) { return c.Get() == child; });
    return it == order.end() ? -1 : int(it - order.begin());
}

RCPtr<LControl> LControl::GetNextTabStop(const RCPtr<LControl>& current, bool backward)
{
    const std::vector<RCPtr<LControl>> order = GetChildrenInReadingOrder();
    const unsigned count = unsigned(order.size());
    if (count == 0)
        return nullptr;
    auto qualifies = [](const LControl& c) {
        return c.IsVisible(true) && c.m_layout && c.m_layout->enabled && c.IsEnabled(true);
    };
    const int start = ReadingIndexOf(current.Get());
    for (unsigned n = 1; n <= count; ++n) {
        int at;
        if (start < 0)
            at = backward ? int(count - n) : int(n - 1);
        else
            at = int((unsigned(start) + (backward ? count - n % count : n)) % count);
        const RCPtr<LControl>& child = order[unsigned(at)];
        if (child.Get() == current.Get())
            return qualifies(*child) ? child : nullptr;
        if (child->m_layout && child->m_layout->tabStop < 0)
            continue;
        if (qualifies(*child))
            return child;
    }
    return nullptr;
}

KXRESULT LControl::MoveFocus(const RCPtr<LKeyParam>& key)
{
    if (!key)
        return E_INVALIDARG;
    RCPtr<LControl> self = Hold(this);
    const bool backward = KeyCode::HasShift(key->key.key);
    if (!KeyCode::HasCtrl(key->key.key)) {
        const unsigned count = key->receivers.GetCount();
        RCPtr<LControl> last = count ? key->receivers.GetAt(count - 1) : nullptr;
        const int start = ReadingIndexOf(last.Get());
        RCPtr<LControl> next = GetNextTabStop(last, backward);
        for (unsigned n = 0; next && next != last && n < m_children.GetCount(); ++n) {
            const int at = ReadingIndexOf(next.Get());
            // A walk that wraps leaves this control through its parent.
            if (start >= 0 && (backward ? at > start : at < start))
                break;
            if (next->CanTakeFocus() || next->HasFocusableDescendant())
                return next->SetFocus(!backward);
            next = GetNextTabStop(next, backward);
        }
    }
    key->receivers.AddItem(self);
    if (m_parent)
        return m_parent->MoveFocus(key);
    if (RCPtr<LRootWindow> root = FindRootWindow())
        root->MoveFocusOutOfWindow(key);
    return S_OK;
}

void LControl::MoveFocusOnward(const RCPtr<LKeyParam>& key)
{
    if (!key)
        return;
    RCPtr<LControl> self = Hold(this);
    key->receivers.AddItem(self);
    RCPtr<LRootWindow> root = FindRootWindow();
    if (m_parent)
        static_cast<void>(m_parent->MoveFocus(key)); // a focus with nowhere to go stays
    else if (root)
        root->MoveFocusOutOfWindow(key);
    if (RCPtr<LControl> focus = root ? root->GetFocusControl() : nullptr; focus && focus != self)
        focus->OnFocusEnteredByTab();
}

// ---- keys

void LControl::FindTextInputTarget(RCPtr<LControl>& out)
{
    if (AcceptsTextInput()) {
        out = Hold(this);
        return;
    }
    if (m_parent)
        m_parent->FindTextInputTarget(out);
    else
        out = nullptr;
}

KXRESULT LControl::PerformEdit(int32_t)
{
    throw Exception<std::logic_error>("LControl::PerformEdit must be overridden");
}

KXRESULT LControl::HandleEditRequest(const RCPtr<LMenuDescriptor>&, unsigned, const String&, MenuItemState&)
{
    return S_FALSE;
}

KXRESULT LControl::OnKey(const RCPtr<LKeyParam>&)
{
    return S_FALSE;
}

void LControl::OnKeyInput(const RCPtr<LKeyParam>& key)
{
    if (!key || !AcceptsInput())
        return;
    RCPtr<LControl> self = Hold(this);
    RCPtr<LSiblingKeyParam> sibling(new LSiblingKeyParam(key->key, self));
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, u"NID_SIBLING_KEY", sibling)))
        ReceiveNotification(nullptr, n);
    if (sibling->consumed == 0 || OnKey(key) != S_FALSE)
        return;
    if (KeyCode::IsTabPress(key->key.key)) {
        if (!m_wantsTab)
            MoveFocusOnward(key);
        return;
    }
    key->receivers.AddItem(self);
    if (m_parent)
        static_cast<void>(m_parent->HandleKey(key)); // a key nobody takes goes nowhere
    else
        static_cast<void>(OfferToHotKeyTables(key)); // a key no table binds goes nowhere
}

KXRESULT LControl::OfferToHotKeyTables(const RCPtr<LKeyParam>& key)
{
    KXRESULT r = S_FALSE;
    if (RCPtr<LRootWindow> root = FindRootWindow()) {
        if (root->GetHotKeyManager())
            r = root->GetHotKeyManager()->ProcessKey(key->key.key, key->key.modifiers, key->key.flags);
    }
    if (r != S_FALSE)
        return r;
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LGlobalHotKeyManager> global = services ? services->GetGlobalHotKeyManager() : nullptr;
    return global ? global->ProcessKey(key->key.key, key->key.modifiers, key->key.flags) : S_FALSE;
}

KXRESULT LControl::HandleKey(const RCPtr<LKeyParam>& key)
{
    if (!key)
        return E_INVALIDARG;
    RCPtr<LControl> self = Hold(this);
    const KXRESULT r = SendSiblingKey(key);
    return r != S_FALSE ? r : OfferToHotKeyTables(key);
}

KXRESULT LControl::SendSiblingKey(const RCPtr<LKeyParam>& key)
{
    if (!key)
        return E_INVALIDARG;
    const NotificationID id = LookupNotificationName(u"NID_SIBLING_KEY");
    const int count = id ? GetClientCount(id) : 0;
    if (count <= 0)
        return S_FALSE;
    RCPtr<LControl> self = Hold(this);
    std::vector<RCPtr<LControl>> receivers;
    for (int i = 0; i < count; ++i) {
        RCPtr<LNotificationClient> client;
        uintptr_t tag = 0;
        if (GetClientAt(id, i, client, tag)) {
            if (auto* control = dynamic_cast<LControl*>(client.Get()))
                receivers.emplace_back(control);
        }
    }
    OrderSiblingKeyReceivers(receivers);
    const unsigned passed = key->receivers.GetCount();
    RCPtr<LControl> origin = passed ? key->receivers.GetAt(passed - 1) : nullptr;
    for (const RCPtr<LControl>& receiver : receivers) {
        if (receiver == origin)
            continue;
        RCPtr<LSiblingKeyParam> param(new LSiblingKeyParam(key->key, origin));
        RCPtr<LNotification> n;
        if (Failed(LNotification::Create(n, u"NID_SIBLING_KEY", param)))
            return S_FALSE;
        receiver->ReceiveNotification(RCPtr<LNotificationDistributor>(self), n);
        if (param->consumed == 0)
            return S_OK;
    }
    return S_FALSE;
}

void LControl::OrderSiblingKeyReceivers(std::vector<RCPtr<LControl>>& receivers)
{
    std::stable_sort(receivers.begin(), receivers.end(), [this](const RCPtr<LControl>& a, const RCPtr<LControl>& b) {
        return TabIndexOf(*this, a.Get()) < TabIndexOf(*this, b.Get());
    });
    RCPtr<LRootWindow> root = FindRootWindow();
    const LControl* focus = root ? root->GetFocusControl().Get() : nullptr;
    // The focus control's branch among the children decides where delivery begins.
    while (focus && focus->m_parent.Get() != this)
        focus = focus->m_parent.Get();
    const int focusIndex = TabIndexOf(*this, focus);
    if (focusIndex < 0)
        return;
    auto begin = std::find_if(receivers.begin(), receivers.end(),
                              [&](const RCPtr<LControl>& r) { return TabIndexOf(*this, r.Get()) > focusIndex; });
    std::rotate(receivers.begin(), begin, receivers.end());
}

KXRESULT LControl::OnSiblingKey(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    auto* param = dynamic_cast<LSiblingKeyParam*>(n->GetPayload().Get());
    if (!param)
        return S_FALSE;
    const NotificationID id =
        m_localHotKeys.FindNotificationID(KeyCode(param->key.key, param->key.modifiers, param->key.flags));
    if (!id)
        return S_FALSE;
    param->consumed = 0;
    RCPtr<LNotification> hotKey;
    if (Succeeded(LNotification::Create(hotKey, id, n->GetPayload())))
        SendNotification(hotKey);
    return S_OK;
}

KXRESULT LControl::BindLocalHotKey(const KeyCode& key, const char16_t* notification)
{
    const KXRESULT result = m_localHotKeys.Bind(key, notification);
    SubscribeSiblingKeys();
    return result;
}

void LControl::SubscribeSiblingKeys()
{
    if (m_localHotKeys.IsEmpty() || !m_handlers)
        return;
    static_cast<void>(m_handlers->AddHandler(&LControl::OnSiblingKey,
                                             u"NID_SIBLING_KEY")); // a handler already there answers as before
    if (m_parent)
        static_cast<void>(m_handlers->SetNotification(&LControl::OnSiblingKey, m_parent, u"NID_SIBLING_KEY",
                                                      0)); // a registration already there answers as before
}

} // namespace KX
