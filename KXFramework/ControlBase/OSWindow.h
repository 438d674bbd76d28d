#pragma once
// The framework's host window: one desktop window of the window layer with its renderer and root
// window. It turns the layer's input records into root-window calls (input, focus, capture, paint,
// size, close), paints the dirty region into the render context, and runs its own loop while shown
// as a modal dialog. Everything above it sees only IWindowOSServices. UI thread only.
// Thread: UI thread only.
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ControlBase/WindowOSServices.h"
#include "KXFramework/Renderer/RenderContextInfo.h"
#include "KXFramework/Renderer/Renderer.h"

#include <cstdint>
#include <memory>

namespace KX {

namespace Platform {
class EventPump;
class HostWindow;
struct InputRecord;
struct WindowParams;
} // namespace Platform

class OSWindow : public IWindowOSServices {
public:
    // Makes the desktop window (GL-capable for renderer kind 0; pitfall of the GL path) and its
    // renderer. The object owns itself: it goes when its window closes. Null when the window or the
    // renderer cannot be made.
    static OSWindow* Create(const Platform::WindowParams& params, int rendererKind);

    // A renderer of the kind the window was made for, the window's 33 ms tick, then AttachRenderer.
    // E_FAIL for another kind.
    [[nodiscard]] KXRESULT CreateRenderer(int kind);
    // Makes the render context and the root window, and registers the root window.
    [[nodiscard]] KXRESULT AttachRenderer(const RCPtr<LRenderer>& renderer);
    const RCPtr<LRootWindow>& GetRootWindow() const { return m_root; }
    const RCPtr<LRenderContextInfo>& GetRenderContext() const { return m_context; }

    // The open window with that record id; null for none (closed windows included).
    static OSWindow* FromId(uint32_t id);
    // The UI thread's pump, made when video starts.
    static Platform::EventPump& GetEventPump();
    // One turn of the UI thread's loop: waits up to timeoutMs for a record, handles it and every
    // record already queued, paints the windows that need it, runs the idle passes and serves the
    // process's watched descriptor. False when no record came.
    static bool RunOnce(uint32_t timeoutMs);
    // Paints every window that has something to paint.
    static void PaintAll();

    KXRESULT SetWindowTitle(const String& title) override;
    KXRESULT InvalidateAll() override;
    KXRESULT InvalidateArea(const RectT<int32_t>& area) override;
    RectT<int32_t> GetClientArea() const override;
    PointT<int32_t> ScreenToClient(const PointT<int32_t>& point) const override;
    PointT<int32_t> ClientToScreen(const PointT<int32_t>& point) const override;
    KXRESULT SetWindowArea(const RectT<int32_t>& area) override;
    bool Show(int showCommand) override;
    KXRESULT Redraw() override;
    KXRESULT BringToTop() override;
    KXRESULT SetTopMost(bool topMost) override;
    KXRESULT EndModal(int32_t result) override;
    int32_t RunModal() override;
    bool IsModal() const override { return m_modal; }
    bool TakesInput() const override;
    bool IsActive() const override;
    bool HasFocus() const override { return IsActive(); }
    KXRESULT SetFocus() override;
    uintptr_t SetCursor(uintptr_t cursor) override;
    Platform::HostWindow* GetWindowHandle() const override { return m_host.get(); }
    // The caret belongs to a text box with the focus: text input runs only while one is shown, so
    // that an input method takes no keys from other controls.
    void SetCaret(bool show, const RectT<int32_t>& rect) override;

    ~OSWindow() override = default;

private:
    OSWindow(std::unique_ptr<Platform::HostWindow> host, int rendererKind);
    // RunOnce's turn; for the turn of a modal loop, `modal` is its window.
    static bool Turn(uint32_t timeoutMs, const OSWindow* modal);
    // The modal dialog was closed or asked to close: its loop takes no more input.
    bool IsClosing() const;
    static void Handle(const Platform::InputRecord& record);
    void HandleOwn(const Platform::InputRecord& record);
    void Press(const Platform::InputRecord& record);
    void Wheel(const Platform::InputRecord& record);
    void Key(const Platform::InputRecord& record);
    void Resized(int width, int height);
    void CheckWorkArea();
    void RequestExitOrClose();
    void UpdateSizeLimits();
    void Paint();
    // The main window's placement goes to the application profile before the window goes.
    void StorePlacement();
    // Takes the window off the desktop and out of the application; the object itself is deleted
    // once no loop is running on it.
    void Close();
    bool IsApplicationWindow() const;
    uint32_t MouseModifiers() const;

    std::unique_ptr<Platform::HostWindow> m_host;
    const int m_rendererKind;
    RCPtr<LRootWindow> m_root;
    RCPtr<LRenderer> m_renderer;
    RCPtr<LRenderContextInfo> m_context;
    int32_t m_wheelRemainder[2] = {};
    bool m_modal = false;
    bool m_outsideWorkArea = false;
    bool m_shown = false;
    int32_t m_modalResult = -1;
    // The bounding box of what was invalidated since the last paint, as the desktop's update
    // rectangle is; empty when nothing waits.
    RectT<int32_t> m_update;
    bool m_paintNeeded = false;
    bool m_timerRunning = false;
};

} // namespace KX
