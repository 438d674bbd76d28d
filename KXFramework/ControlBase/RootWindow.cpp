#include "KXFramework/ControlBase/RootWindow.h"

#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/FrameworkServices.h"

#include "KXFramework/Application/DebugLog.h"

#include <algorithm>
#include <vector>

namespace KX {

RCPtr<LRootWindow> LRootWindow::Create(const RCPtr<LRenderer>& renderer, IWindowOSServices* osServices)
{
    RCPtr<LRootWindow> root(new LRootWindow(renderer, osServices));
    static_cast<void>(root->SetDistributor(RCPtr<LNotificationDistributor>(root))); // always S_OK
    root->AdjustOwnerCount(1);
    root->GetScreenClientRect();
    return root;
}

RectT<int32_t> LRootWindow::GetScreenClientRect()
{
    if (m_osServices)
        m_clientRect = m_osServices->GetClientArea();
    return m_clientRect;
}

PointT<int32_t> LRootWindow::GetCursorPos() const
{
    return m_osServices ? m_osServices->GetCursorPosition() : PointT<int32_t>{};
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
    m_captureControl = nullptr;
    if (RCPtr<LControl> old = m_content) {
        m_content = nullptr;
        old->Destroy();
    }
    if (!control)
        return S_OK;
    m_content = control;
    if (!(*control->GetRootWindowPtr()))
        static_cast<void>(control->SetRootWindow(RCPtr<LRootWindow>(this))); // a new control always takes the window
    // Both axes at once: placing one axis at a time would first resize the window to the skin's
    // extent on the other axis.
    control->FillClientArea();
    InvalidateRect({0, 0, m_clientRect.width, m_clientRect.height});
    return S_OK;
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

KXRESULT LRootWindow::SetCaptureControl(const RCPtr<LControl>& control)
{
    if (!control)
        return E_INVALIDARG;
    if (m_captureControl && m_captureControl != control) {
        RCPtr<LControl> previous = m_captureControl;
        static_cast<void>(previous->OnCaptureLost()); // a handler's answer changes nothing here
    }
    m_captureControl = control;
    return S_OK;
}

KXRESULT LRootWindow::ReleaseCaptureControl(const RCPtr<LControl>&)
{
    m_captureControl = nullptr;
    return S_OK;
}

uintptr_t LRootWindow::SetCursor(uintptr_t cursor)
{
    if (!cursor) {
        if (IFrameworkServices* services = GetFrameworkServices())
            cursor = services->LoadAppCursor(u"UI_CURSOR_ARROW");
    }
    return m_osServices ? m_osServices->SetCursor(cursor) : 0;
}

bool LRootWindow::ProcessEvents(bool sendIdle)
{
    RCPtr<LRootWindow> self(this);
    return ProcessNotifications(sendIdle);
}

KXRESULT LRootWindow::BreakCycles()
{
    static_cast<void>(RemoveAllClients()); // nothing to report while closing
    m_osServices = nullptr;
    static_cast<void>(SetContent(nullptr)); // removing the content cannot be refused
    ShutdownQueue(1);
    return LRefCountedObject::BreakCycles();
}

} // namespace KX
