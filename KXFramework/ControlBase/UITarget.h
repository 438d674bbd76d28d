#pragma once
// The input side of a control: what the root window calls when pointer and key input reaches it.
// Thread: UI thread only.
#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Renderer/Geometry.h"

#include <cstdint>

namespace KX {

class UITarget : public virtual LRefCountedObject {
public:
    [[nodiscard]] virtual KXRESULT OnMouseEnter() = 0;
    [[nodiscard]] virtual KXRESULT OnMouseMove(const RCPtr<LPointWithModifiersParam>& pointer) = 0;
    // E_INVALIDARG for null or a button other than 1, 2, 4; 1 when the press is ignored.
    [[nodiscard]] virtual KXRESULT OnMouseDown(const RCPtr<LMouseButtonParam>& press) = 0;
    [[nodiscard]] virtual KXRESULT OnMouseUp(const RCPtr<LMouseButtonParam>& release) = 0;
    [[nodiscard]] virtual KXRESULT OnMouseLeave() = 0;
    // Takes capture for a button (0 takes it without a press); 0 when taken, 1 when not.
    [[nodiscard]] virtual KXRESULT BeginDrag(int32_t button, int32_t x, int32_t y) = 0;
    // 1 when the target held no capture; else the root window's result of taking it back.
    // The result is for the record only; callers may ignore it.
    virtual KXRESULT OnCaptureLost() = 0;
    // A key of the focus control.
    virtual void OnKeyInput(const RCPtr<LKeyParam>& key) = 0;
    // 1 when nobody on the way handled the wheel.
    [[nodiscard]] virtual KXRESULT OnMouseWheel(const RCPtr<LMouseWheelParam>& wheel) = 0;
    [[nodiscard]] virtual KXRESULT OnMouseHWheel(const RCPtr<LMouseWheelParam>& wheel) = 0;
    // Lays the target out again; the size is the parent's new size, which the target may ignore.
    // The result is for the record only; callers may ignore it.
    virtual KXRESULT RecalcLayout(const PointT<int32_t>& size) = 0;
    // False keeps the focus where it is.
    virtual bool AllowFocusChange() = 0;
    // True when the whole focused chain let go.
    virtual bool OnFocusLost() = 0;
};

} // namespace KX
