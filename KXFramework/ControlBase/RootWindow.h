#pragma once
// The bridge between one operating-system window and one tree of controls: it holds the tree's
// top-level control, the dirty region of the window, the capture control and the window's own
// notification queue, whose idle pass sends NID_IDLE to the controls that subscribed.
#include "KXFramework/ControlBase/WindowOSServices.h"
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/Notification/NotificationQueue.h"
#include "KXFramework/ObjectBase/Mutex.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Renderer/RectList.h"
#include "KXFramework/Renderer/Renderer.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"

#include <cstdint>

namespace KX {

class LControl;

class LRootWindow : public LNotificationDistributor, public LNotificationQueue {
public:
    // The window delivers its own posts, which counts as one owner reference of itself.
    static RCPtr<LRootWindow> Create(const RCPtr<LRenderer>& renderer, IWindowOSServices* osServices);

    const RCPtr<LRenderer>& GetRenderer() const { return m_renderer; }

    IWindowOSServices* GetOSServices() const { return m_osServices; }
    // Client size and the screen position of the client origin, refreshed from the window; the
    // cached values without one.
    RectT<int32_t> GetScreenClientRect();
    PointT<int32_t> GetClientSize() const { return {m_clientRect.width, m_clientRect.height}; }
    // The pointer in client coordinates; (0, 0) without a window.
    PointT<int32_t> GetCursorPos() const;
    // Gives the window a new client area; the content is invalidated when it changed.
    void SetWindowArea(const RectT<int32_t>& area);

    const RCPtr<LControl>& GetContent() const { return m_content; }
    // Destroys the previous content; null leaves the window empty.
    [[nodiscard]] KXRESULT SetContent(const RCPtr<LControl>& control);

    // Adds the part inside the client area to the dirty region and asks the window to repaint it.
    void InvalidateRect(const RectT<int32_t>& rect);
    // Moves the dirty region into `out`.
    void TakeInvalidRegion(LRectList& out);
    // Paints the content over the region, then the unclipped controls on top by Z_Order. Runs
    // inside a frame of the renderer.
    void Paint(const LRectList& region);

    const RCPtr<LControl>& GetCaptureControl() const { return m_captureControl; }
    // E_INVALIDARG for null; the previous capture control first loses capture.
    [[nodiscard]] KXRESULT SetCaptureControl(const RCPtr<LControl>& control);
    // The capture ends whichever control is given; that control is not told.
    [[nodiscard]] KXRESULT ReleaseCaptureControl(const RCPtr<LControl>& control);

    // Shows the cursor (the application's arrow for 0) and returns the one shown before.
    uintptr_t SetCursor(uintptr_t cursor);

    // Delivers the window's posted notifications, and NID_IDLE when asked. True while
    // notifications remain.
    bool ProcessEvents(bool sendIdle);

    [[nodiscard]] KXRESULT BreakCycles() override;

private:
    LRootWindow(const RCPtr<LRenderer>& renderer, IWindowOSServices* osServices)
        : m_renderer(renderer),
          m_osServices(osServices)
    {
    }
    void PaintControl(const RCPtr<LControl>& control, const LRectList& region, bool unclippedPass);

    RCPtr<LRenderer> m_renderer;
    IWindowOSServices* m_osServices;
    RectT<int32_t> m_clientRect{0, 0, 1024, 768};
    RCPtr<LControl> m_content;
    LRectList m_dirty;
    Mutex m_dirtyLock;
    RCPtr<LControl> m_captureControl;
};

} // namespace KX
