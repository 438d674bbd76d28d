// LControl's painting, invalidation, idle work, text, tool tip and cursor.
#include "KXFramework/ControlBase/Control.h"

#include "KXFramework/ControlBase/ChildLayoutEngine.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/ControlInternals.h"
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ObjectBase/Exception.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace KX {

using namespace ControlInternals;

namespace {

constexpr double kMinExtent = 2.220446049250313e-16;

} // namespace

// ---- painting

KXRESULT LControl::Paint(const RCPtr<LRenderer>& renderer, const LRectList& dirty, RCPtrArray<LControl, 1, 0>& deferred,
                         bool unclippedPass)
{
    if (GetClipToParent() == unclippedPass)
        return E_INVALIDARG;
    if (!IsVisible(false))
        return S_OK;
    LRenderContextInfo* context = renderer->GetCurrentContext();
    RectT<double> r = m_rect;
    if (!unclippedPass && context && !IntersectRect(r, r, context->GetState().clip))
        r.width = 0.0;
    if (!(r.width > kMinExtent) || !(r.height > kMinExtent)) {
        if (m_unclippedCount > 0)
            CollectUnclippedDescendants(deferred, true, false);
        return S_OK;
    }
    RCPtr<LControl> self = Hold(this);
    renderer->PushClip(m_rect.Round().ToDouble(), r, nullptr, true);
    if (context)
        context->GetState().opacity *= m_opacity;
    const PointT<double> origin = context ? context->GetState().offset : PointT<double>{};
    if (!dirty.IntersectsRectF({0.0, 0.0, m_rect.width, m_rect.height}, origin)) {
        if (m_unclippedCount > 0)
            CollectUnclippedDescendants(deferred, true, false);
        renderer->PopClip();
        return S_OK;
    }
    auto weighted = [this](unsigned i) { return GetLookWeight(i) > 0.0f; };
    auto underWeight = [&](unsigned i) {
        renderer->PushState();
        if (context)
            context->GetState().opacity *= GetLookWeight(i);
    };
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (m_looks.GetAt(i) && weighted(i)) {
            underWeight(i);
            m_looks.GetAt(i)->DrawClientPart(renderer, dirty);
            renderer->PopClip();
        }
    }
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (m_looks.GetAt(i) && weighted(i)) {
            underWeight(i);
            m_looks.GetAt(i)->DrawNonClientParts(renderer, dirty);
            renderer->PopClip();
        }
    }
    DrawHookPerDirtyRect(renderer, dirty, false);
    const PointT<double> textOrigin = m_textFollowsScroll ? m_scrollOffset : PointT<double>{};
    bool anyWeighted = false;
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (!weighted(i))
            continue;
        anyWeighted = true;
        underWeight(i);
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            // A part that cannot paint leaves its area; the walk goes on.
            static_cast<void>(look->DrawLabelText(renderer, dirty, textOrigin));
        PaintChildren(renderer, dirty, int(i), deferred);
        renderer->PopClip();
    }
    // A control that shows no look still shows its children.
    if (!anyWeighted)
        PaintChildren(renderer, dirty, -1, deferred);
    DrawHookPerDirtyRect(renderer, dirty, true);
    for (unsigned i = 0; i < m_children.GetCount(); ++i) {
        const RCPtr<LControl>& child = m_children.GetAt(i, kZOrder);
        if (!child->GetClipToParent() && child->IsVisible(false))
            deferred.AddItem(child);
    }
    renderer->PopClip();
    return S_OK;
}

void LControl::DrawHookPerDirtyRect(const RCPtr<LRenderer>& renderer, const LRectList& dirty, bool overlay)
{
    LRenderContextInfo* context = renderer->GetCurrentContext();
    const PointT<double> origin = context ? context->GetState().offset : PointT<double>{};
    for (const LRectList::Node* n = dirty.GetHead(); n; n = n->next) {
        RectT<double> r{double(n->left) - origin.x, double(n->top) - origin.y, double(n->right - n->left),
                        double(n->bottom - n->top)};
        if (context && !IntersectRect(r, r, context->GetState().clip))
            continue;
        renderer->PushClip({0.0, 0.0, m_rect.width, m_rect.height}, r, nullptr, true);
        if (overlay)
            static_cast<void>(DrawOverlay(renderer)); // a part that cannot paint leaves its area; the walk goes on
        else
            static_cast<void>(DrawContent(renderer)); // a part that cannot paint leaves its area; the walk goes on
        renderer->PopClip();
    }
}

void LControl::PaintChildren(const RCPtr<LRenderer>& renderer, const LRectList& dirty, int lookIndex,
                             RCPtrArray<LControl, 1, 0>& deferred)
{
    const unsigned count = m_children.GetCount();
    if (count == 0)
        return;
    LRenderContextInfo* context = renderer->GetCurrentContext();
    using GeometryRules::Clamp;
    RectT<double> c = GetLookClientRect(lookIndex);
    c = RectT<double>{Clamp(c.x, kCoordinateLimit), Clamp(c.y, kCoordinateLimit), Clamp(c.width, kCoordinateLimit),
                      Clamp(c.height, kCoordinateLimit)}
            .Round()
            .ToDouble();
    const RectT<double> area{c.x - m_scrollOffset.x, c.y - m_scrollOffset.y, c.width + m_scrollOffset.x,
                             c.height + m_scrollOffset.y};
    unsigned position = 0;
    auto inRun = [&](unsigned i, int docked) {
        const LControl& child = *m_children.GetAt(i, kZOrder);
        return child.GetClipToParent() && DockedAxes(child.m_layout.Get()) == docked;
    };
    for (int docked = 0; docked < 2 && position < count; ++docked) {
        unsigned end = position;
        while (end < count && inRun(end, docked))
            ++end;
        if (end == position)
            continue;
        bool visible = c.width > kMinExtent && c.height > kMinExtent;
        if (visible && context) {
            const RectT<double>& clip = context->GetState().clip;
            visible = c.x < clip.x + clip.width && clip.x < c.x + c.width && c.y < clip.y + clip.height &&
                      clip.y < c.y + c.height;
        }
        if (visible) {
            renderer->PushClip(area, c, nullptr, true);
            for (unsigned i = position; i < end; ++i) {
                RCPtr<LControl> child = m_children.GetAt(i, kZOrder);
                // A child that cannot paint leaves its area; the walk goes on.
                static_cast<void>(child->Paint(renderer, dirty, deferred, false));
            }
            renderer->PopClip();
        } else {
            for (unsigned i = position; i < end; ++i) {
                RCPtr<LControl> child = m_children.GetAt(i, kZOrder);
                if (child->m_unclippedCount > 0)
                    child->CollectUnclippedDescendants(deferred, true, false);
            }
        }
        position = end;
    }
    if (position < count && inRun(position, 2)) {
        // Children docked on both axes move with the content but keep the control's own clip.
        renderer->PushOffsetClip({c.x - m_scrollOffset.x, c.y - m_scrollOffset.y});
        for (; position < count && inRun(position, 2); ++position) {
            RCPtr<LControl> child = m_children.GetAt(position, kZOrder);
            // A child that cannot paint leaves its area; the walk goes on.
            static_cast<void>(child->Paint(renderer, dirty, deferred, false));
        }
        renderer->PopClip();
    }
}

KXRESULT LControl::DrawContent(const RCPtr<LRenderer>&)
{
    return S_OK;
}

KXRESULT LControl::DrawOverlay(const RCPtr<LRenderer>&)
{
    return S_OK;
}

// ---- invalidation

void LControl::InvalidateWhole()
{
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    InvalidateUnclippedArea();
}

void LControl::InvalidateRect(const RectT<double>& rect, bool clip)
{
    const PointT<double> origin = GetPositionInRoot();
    const RectT<double> rootRect{rect.x + origin.x, rect.y + origin.y, rect.width, rect.height};
    PropagateInvalidRect(rootRect, clip, rect);
}

void LControl::PropagateInvalidRect(const RectT<double>& rootRect, bool clip, const RectT<double>& localRect)
{
    if (!IsVisible(false))
        return;
    RectT<double> r = localRect;
    bool clipping = false;
    if (clip && GetClipToParent()) {
        if (!IntersectRect(r, r, GetParentClipRect()))
            return;
        clipping = true;
    }
    if (m_parent) {
        const PointT<double> offset = GetPositionInParentClient();
        r.x += offset.x;
        r.y += offset.y;
        m_parent->PropagateInvalidRect(rootRect, clipping, r);
        return;
    }
    if (!m_rootWindow)
        return;
    RectT<double> area = rootRect;
    if (clipping) {
        // r is in this control's coordinates; the top-level control's position takes it to the root's.
        r.x += m_rect.x;
        r.y += m_rect.y;
        if (!IntersectRect(area, rootRect, r))
            return;
    }
    m_rootWindow->InvalidateRect(area.Round());
}

void LControl::InvalidateUnclippedArea()
{
    if (m_unclippedCount > 0) {
        // One list for the process; a nested call, which cannot happen through invalidation itself,
        // would get its own.
        static RCPtrArray<LControl, 1, 0>* const shared = new RCPtrArray<LControl, 1, 0>;
        static bool inUse = false;
        RCPtrArray<LControl, 1, 0> own;
        RCPtrArray<LControl, 1, 0>& list = inUse ? own : *shared;
        const bool wasInUse = inUse;
        inUse = true;
        CollectUnclippedDescendants(list, true, true);
        for (unsigned i = list.GetCount(); i-- > 0;) {
            LControl* c = list.GetAt(i).Get();
            c->InvalidateRect({0.0, 0.0, c->m_rect.width, c->m_rect.height}, false);
        }
        list.SetCount(0);
        inUse = wasInUse;
    } else if (!GetClipToParent()) {
        InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, false);
    }
}

int LControl::CollectUnclippedDescendants(RCPtrArray<LControl, 1, 0>& out, bool onlyVisible, bool includeSelf)
{
    const bool visible = IsVisible(false);
    int count = 0;
    if (!GetClipToParent() && includeSelf && (!onlyVisible || visible)) {
        out.AddItem(RCPtr<LControl>(this));
        ++count;
    }
    if ((onlyVisible && !visible) || m_unclippedCount <= 0)
        return count;
    for (unsigned i = 0; i < m_children.GetCount(); ++i)
        count += m_children.GetAt(i, kZOrder)->CollectUnclippedDescendants(out, onlyVisible, true);
    return count;
}

bool LControl::IntersectRect(RectT<double>& out, const RectT<double>& a, const RectT<double>& b)
{
    const double left = std::max(a.x, b.x);
    const double top = std::max(a.y, b.y);
    const double width = std::min(a.x + a.width, b.x + b.width) - left;
    const double height = std::min(a.y + a.height, b.y + b.height) - top;
    out = {left, top, width, height};
    return width > kMinExtent && height > kMinExtent;
}

RectT<double> LControl::GetParentClipRect() const
{
    using GeometryRules::Clamp;
    if (m_parent) {
        const PointT<double> p = GetPositionInParentClient();
        return {Clamp(-p.x, kCoordinateLimit), Clamp(-p.y, kCoordinateLimit),
                Clamp(m_parent->m_rect.width, kCoordinateLimit), Clamp(m_parent->m_rect.height, kCoordinateLimit)};
    }
    if (m_rootWindow) {
        const PointT<int32_t> size = m_rootWindow->GetClientSize();
        return {Clamp(-m_rect.x, kCoordinateLimit), Clamp(-m_rect.y, kCoordinateLimit), double(size.x), double(size.y)};
    }
    return {0.0, 0.0, m_rect.width, m_rect.height};
}

// ---- idle

KXRESULT LControl::SubscribeIdle()
{
    if (m_idleCount++ != 0)
        return S_OK;
    RCPtr<LRootWindow> root = FindRootWindow();
    if (!root)
        return S_OK;
    if (!m_handlers)
        m_handlers = LNotificationHandler<LControl>::Create(this);
    const KXRESULT r = m_handlers->SetNotification(&LControl::OnIdle, root, u"NID_IDLE", 0);
    if (Failed(r))
        m_idleCount = 0;
    return r;
}

KXRESULT LControl::UnsubscribeIdle()
{
    // A stray call must not leave the count below 0, which would silence the next subscription.
    if (m_idleCount <= 0)
        return S_FALSE;
    if (--m_idleCount != 0)
        return S_OK;
    RCPtr<LRootWindow> root = FindRootWindow();
    if (!root)
        return S_OK;
    const KXRESULT r = LNotificationClient::UnregisterForNotification(root, u"NID_IDLE");
    if (!m_handlers || !m_handlers->RemoveNotification(root, u"NID_IDLE"))
        return E_FAIL;
    return r;
}

void LControl::RefreshIdleSubscription()
{
    if (m_idleCount > 0) {
        if (RCPtr<LRootWindow> root = FindRootWindow()) {
            if (!m_handlers)
                m_handlers = LNotificationHandler<LControl>::Create(this);
            if (Failed(m_handlers->SetNotification(&LControl::OnIdle, root, u"NID_IDLE", 0)))
                m_idleCount = 0;
        }
    }
    for (unsigned i = m_children.GetCount(); i-- > 0;)
        m_children.GetAt(i, kInsertionOrder)->RefreshIdleSubscription();
}

KXRESULT LControl::OnIdle(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    RCPtr<LControl> self = Hold(this);
    // Scrolling and the press hand-over first, then the removals, then the subclass's own work.
    RunInputIdleWork();
    DestroyPendingRemovals();
    OnIdleTick();
    return S_OK;
}

void LControl::OnIdleTick() {}

// ---- text, tool tip, cursor

KXRESULT LControl::SetText(const String& text)
{
    return UpdateText(text, true) ? S_OK : S_FALSE;
}

bool LControl::UpdateText(const String& text, bool relayout)
{
    if (SameName(text, m_text))
        return false;
    if (!m_parent && m_rootWindow) {
        if (IWindowOSServices* os = m_rootWindow->GetOSServices())
            os->SetWindowTitle(text);
    }
    m_text = text;
    for (unsigned i = m_looks.GetCount(); i-- > 0;) {
        if (const RCPtr<LLook>& look = GetCurrentLook(int(i)))
            look->SetText(text);
    }
    if (relayout && m_layout) {
        const bool sizesX = m_layout->textOverflowX != 0 && !m_layout->minSize[0].hasReference;
        const bool sizesY = m_layout->textOverflowY != 0 && !m_layout->minSize[1].hasReference;
        if (sizesX || sizesY)
            RecalcLayoutFromDescriptor();
    }
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return true;
}

String& LControl::GetString(String& text, const char16_t* key) const
{
    text = String();
    if (const RCPtr<LStringTable>& table = GetStringTable())
        table->GetString(key, text);
    return text;
}

String LControl::GetToolTipText() const
{
    return m_toolTipText;
}

KXRESULT LControl::ShowToolTip(bool show)
{
    if (!show) {
        RCPtr<LControl> tip = FindChild(u"toolTip");
        if (auto* link = dynamic_cast<IToolTipLink*>(tip.Get()))
            link->HideToolTip();
        return S_OK;
    }
    const String text = GetToolTipText();
    IFrameworkServices* services = GetFrameworkServices();
    if (text.IsEmpty() || !services)
        return S_OK;
    RCPtr<LControlFactory> factory = services->GetControlFactory();
    RCPtr<LControlClassRegistry> registry = services->GetControlClassRegistry();
    if (!factory || !registry)
        return S_OK;
    const RCPtr<LControlDescriptor>& descriptor = factory->FindControlDescriptor(u"toolTip");
    if (!descriptor)
        return S_OK;
    RCPtr<LControl> tip;
    registry->CreateControl(tip, descriptor, RCPtr<LControl>(this));
    // A tip that could not join this control (a child of that name is there already) is dropped.
    if (!tip || tip->GetParent().Get() != this)
        return S_OK;
    tip->SetText(text);
    if (auto* link = dynamic_cast<IToolTipLink*>(tip.Get()))
        link->ShowToolTip();
    return S_OK;
}

void LControl::SetCursor(uintptr_t cursor)
{
    if (cursor == m_cursor)
        return;
    const uintptr_t old = m_cursor;
    m_cursor = cursor;
    if (!m_hover)
        return;
    if (old)
        ApplyCursor();
    else
        m_replacedCursor = ApplyCursor();
}

uintptr_t LControl::ApplyCursor()
{
    uintptr_t cursor = m_cursor;
    if (!cursor) {
        if (IFrameworkServices* services = GetFrameworkServices())
            cursor = services->LoadAppCursor(u"UI_CURSOR_ARROW");
    }
    RCPtr<LRootWindow> root = FindRootWindow();
    return root ? root->SetCursor(cursor) : 0;
}

} // namespace KX
