#pragma once
// What a root window and its controls ask of the operating-system window that hosts them.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

namespace Platform {
class HostWindow;
}

class IWindowOSServices {
public:
    virtual ~IWindowOSServices() = default;
    // The window requests here (title, invalidation, area, redraw, order, modal end, focus) return E_FAIL
    // without a window, for the record only; callers may ignore it.
    virtual KXRESULT SetWindowTitle(const String& title) = 0;
    virtual KXRESULT InvalidateAll() = 0;
    virtual KXRESULT InvalidateArea(const RectT<int32_t>& area) = 0;
    // Client size, and the screen position of the client origin.
    virtual RectT<int32_t> GetClientArea() const = 0;
    virtual PointT<int32_t> ScreenToClient(const PointT<int32_t>& point) const = 0;
    virtual PointT<int32_t> ClientToScreen(const PointT<int32_t>& point) const = 0;
    // Moves and sizes the client area (screen position and size).
    virtual KXRESULT SetWindowArea(const RectT<int32_t>& area) = 0;
    // Show commands: 0 hide, 5 show (the window layer's numbers). True when it was visible before.
    virtual bool Show(int showCommand) = 0;
    // Invalidates the whole window and paints it at once.
    virtual KXRESULT Redraw() = 0;
    virtual KXRESULT BringToTop() = 0;
    virtual KXRESULT SetTopMost(bool topMost) = 0;
    // Ends the modal loop with the result; a window not running one is closed.
    virtual KXRESULT EndModal(int32_t result) = 0;
    // Runs the window as a modal dialog until EndModal, and returns its result; -1 when the loop failed.
    virtual int32_t RunModal() = 0;
    virtual bool IsModal() const = 0;
    // False while a modal loop runs for another window, or a box of another process is open: the
    // window then takes no input, as a modal dialog's owner.
    virtual bool TakesInput() const = 0;
    virtual bool IsActive() const = 0;
    virtual bool HasFocus() const = 0;
    virtual KXRESULT SetFocus() = 0;
    // A cursor is the address of a Platform::Cursor that its owner keeps; 0 is the arrow. Returns the
    // cursor shown before.
    virtual uintptr_t SetCursor(uintptr_t cursor) = 0;
    virtual Platform::HostWindow* GetWindowHandle() const = 0;
    // The desktop shows no caret of its own: nothing to do.
    virtual void SetCaret(bool show, const RectT<int32_t>& rect) = 0;
};

} // namespace KX
