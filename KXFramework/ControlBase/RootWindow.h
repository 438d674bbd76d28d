#pragma once
// The bridge between one operating-system window and one tree of controls: it holds the tree's
// top-level control, routes the window's input to the capture, hover and focus controls, keeps the
// dirty region of the window and paints it, and owns the window's hot keys and notification queue,
// whose idle pass sends NID_IDLE to the controls that subscribed.
// Thread: UI thread only, except PostNotification (its notification queue), which any thread may call.
#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/ControlBase/WindowOSServices.h"
#include "KXFramework/Notification/GlobalHotKeyManager.h"
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
    // Mouse actions and buttons as the window reports them.
    enum MouseAction { kPress = 0, kRelease = 1, kDoubleClick = 2 };
    // The pointer as the window's latest records left it: the position in client coordinates, the
    // buttons held (1 left, 2 middle, 4 right) and Ctrl 0x01, Shift 0x08, Alt 0x40.
    struct PointerState {
        PointT<int32_t> position;
        uint32_t buttons = 0;
        uint32_t modifiers = 0;
    };

    // The window delivers its own posts, which counts as one owner reference of itself.
    static RCPtr<LRootWindow> Create(const RCPtr<LRenderer>& renderer, IWindowOSServices* osServices);

    const RCPtr<LRenderer>& GetRenderer() const { return m_renderer; }

    IWindowOSServices* GetOSServices() const { return m_osServices; }
    // Client size and the screen position of the client origin, refreshed from the window; the
    // cached values without one.
    RectT<int32_t> GetScreenClientRect();
    PointT<int32_t> GetClientSize() const { return {m_clientRect.width, m_clientRect.height}; }
    // The one place the pointer state is kept, filled by the pointer dispatches below from their
    // records, so that controls, the application and the records agree. Until the first record the
    // pointer is at (0, 0) with nothing held.
    PointT<int32_t> GetCursorPos() const { return m_pointer.position; }
    uint32_t GetMouseButtons() const { return m_pointer.buttons; }
    uint32_t GetModifierKeys() const { return m_pointer.modifiers; }
    // The window sets the modifiers from each of its records, keys included.
    void SetModifierKeys(uint32_t modifiers) { m_pointer.modifiers = modifiers & KeyCode::kMouseModifierFlags; }
    // Places the pointer without a record, for a window driven by hand (tests).
    void SetPointerState(const PointerState& state);
    // Gives the window a new client area; the content is invalidated when it changed.
    void SetWindowArea(const RectT<int32_t>& area);

    const RCPtr<LControl>& GetContent() const { return m_content; }
    // Destroys the previous content; null leaves the window empty. S_OK for the record only; callers may ignore it.
    KXRESULT SetContent(const RCPtr<LControl>& control);
    // The control the application's factory makes of that name; an empty name removes the content.
    [[nodiscard]] KXRESULT SetContentByName(const String& name);

    // The deepest control under a point in client coordinates, and the point local to it.
    virtual RCPtr<LControl> HitTest(const PointT<int32_t>& point, PointT<int32_t>& local, bool updateHover);

    // Adds the part inside the client area to the dirty region and asks the window to repaint it.
    void InvalidateRect(const RectT<int32_t>& rect);
    // The next TakeInvalidRegion covers the whole client area (after a resize).
    void RequestFullRedraw() { m_fullRedrawPending = true; }
    // Moves the dirty region into `out`.
    void TakeInvalidRegion(LRectList& out);
    // Paints the content over the region, then the unclipped controls on top by Z_Order. Runs
    // inside a frame of the renderer.
    void Paint(const LRectList& region);
    // Applies the content's minimum and maximum size to a proposed client size, at least 1 x 1.
    // True when it changed.
    bool ConstrainClientSize(int32_t& width, int32_t& height);
    void OnWindowResized();

    const RCPtr<LControl>& GetFocusControl() const { return m_focusControl; }
    const RCPtr<LControl>& GetLastFocusControl() const { return m_lastFocusControl; }
    void SetFocusControl(const RCPtr<LControl>& control);
    // The focus control let go: it is remembered as the last one.
    void OnFocusControlLost();
    // Takes the focus away from every control and remembers none to give it back to, not even when
    // the window is activated again: what a press on a control that leads to no field leaves, or a
    // field hidden with no field beside it. Tab and Shift+Tab then go on from `origin` (null: the
    // content's first or last stop); until a control takes the focus, other keys go to the content.
    void ReleaseFocus(const RCPtr<LControl>& origin);
    bool IsFocusReleased() const { return m_focusReleased; }
    // Where Tab goes on from while the focus is released; null otherwise.
    const RCPtr<LControl>& GetTabOrigin() const { return m_tabOrigin; }
    const RCPtr<LControl>& GetHoverControl() const { return m_hoverControl; }
    void SetHoverControl(RCPtr<LControl> control);

    const RCPtr<LControl>& GetCaptureControl() const { return m_captureControl; }
    // E_INVALIDARG for null; the previous capture control first loses capture.
    [[nodiscard]] KXRESULT SetCaptureControl(const RCPtr<LControl>& control);
    // The capture ends whichever control is given; that control is not told.
    [[nodiscard]] KXRESULT ReleaseCaptureControl(const RCPtr<LControl>& control);
    // The window lost the pointer: the capture control is told and keeps the capture field.
    void OnCaptureLost();

    // Input from the window, points in client coordinates. The pointer state follows every record;
    // the controls get none while the window is inactive. A button record at a point other than the
    // pointer's first reaches the controls as a move there.
    void DispatchMouseButton(int action, int button, uint32_t modifiers, const PointT<int32_t>& point, int index);
    void DispatchMouseMove(const PointT<int32_t>& point, uint32_t modifiers, int index);
    // Direction 0 down, 1 up, 2 left, 3 right.
    void DispatchMouseWheel(const PointT<int32_t>& point, uint32_t modifiers, int direction);
    // To the focus control. Without one, Tab goes on from the tab origin (see ReleaseFocus) and
    // every other key goes to the content, whose own keys and the hot keys so still work.
    void DispatchKey(const RCPtr<LKeyParam>& key);
    // The buttons count as let go: their releases go to whichever window has the focus now.
    void OnWindowFocusLost();
    void OnWindowFocusGained();

    // Hides the window's caret, or shows it at the rectangle when the control has the focus.
    void SetCaretVisible(bool show, const RCPtr<LControl>& control, const RectT<int32_t>& rect);
    // Shows the cursor (the application's arrow for 0) and returns the one shown before.
    uintptr_t SetCursor(uintptr_t cursor);

    // Asks the window to end its modal loop with the result at the next ProcessEvents; E_FAIL
    // without a window, for the record only; callers may ignore it.
    KXRESULT RequestClose(int32_t result);
    // A close was asked for and waits for the next ProcessEvents.
    bool IsCloseRequested() const { return m_closeRequested; }
    // The user closed the window.
    void OnCloseRequest();
    // The window's own hot keys, loaded from the content's "GHK" entries.
    const RCPtr<LGlobalHotKeyManager>& GetHotKeyManager() const { return m_hotKeys; }
    // Tab navigation left the content: the focus wraps to its first (or, with Shift, last) stop when
    // the window is alone or runs modally; otherwise the next (previous) window, if active, is asked
    // to take the focus.
    void MoveFocusOutOfWindow(const RCPtr<LKeyParam>& key);

    // Delivers the window's posted notifications, and NID_IDLE when asked, then carries out a close
    // request. True while notifications remain.
    bool ProcessEvents(bool sendIdle);

    KXRESULT BreakCycles() override;

private:
    LRootWindow(const RCPtr<LRenderer>& renderer, IWindowOSServices* osServices)
        : m_renderer(renderer),
          m_osServices(osServices)
    {
    }
    void PaintControl(const RCPtr<LControl>& control, const LRectList& region, bool unclippedPass);
    bool IsWindowActive() const { return m_osServices && m_osServices->IsActive(); }
    void HideToolTip();
    void DropRemovedControls();

    RCPtr<LRenderer> m_renderer;
    IWindowOSServices* m_osServices;
    RectT<int32_t> m_clientRect{0, 0, 1024, 768};
    RCPtr<LControl> m_content;
    LRectList m_dirty;
    Mutex m_dirtyLock;
    bool m_fullRedrawPending = false;
    uint32_t m_doubleClickMask = 0;
    RCPtr<LGlobalHotKeyManager> m_hotKeys;
    RCPtr<LControl> m_focusControl;
    RCPtr<LControl> m_lastFocusControl;
    // Set by ReleaseFocus until a control takes the focus.
    bool m_focusReleased = false;
    RCPtr<LControl> m_tabOrigin;
    RCPtr<LControl> m_hoverControl;
    RCPtr<LControl> m_toolTipControl;
    RCPtr<LControl> m_captureControl;
    bool m_closeRequested = false;
    int32_t m_closeResult = 0;
    PointerState m_pointer;
};

} // namespace KX
