#include "KXFramework/ControlBase/RootWindow.h"

#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/FrameworkServices.h"

#include <algorithm>

namespace KX {

RCPtr<LRootWindow> LRootWindow::Create(IWindowOSServices* osServices)
{
    RCPtr<LRootWindow> root(new LRootWindow(osServices));
    root->SetDistributor(RCPtr<LNotificationDistributor>(root));
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
        m_content->InvalidateRect(
            {0.0, 0.0, m_content->GetRect().width, m_content->GetRect().height}, m_content->GetClipToParent());
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
        control->SetRootWindow(RCPtr<LRootWindow>(this));
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
    const bool more = ProcessNotifications(sendIdle);
    if (m_closeRequested && m_osServices) {
        m_closeRequested = false;
        m_osServices->EndModal(m_closeResult);
    }
    return more;
}

KXRESULT LRootWindow::RequestClose(int32_t result)
{
    if (!m_osServices)
        return E_FAIL;
    m_closeResult = result;
    m_closeRequested = true;
    return S_OK;
}

KXRESULT LRootWindow::BreakCycles()
{
    RemoveAllClients();
    m_osServices = nullptr;
    SetContent(nullptr);
    ShutdownQueue(1);
    return LRefCountedObject::BreakCycles();
}

} // namespace KX
