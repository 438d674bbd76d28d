#pragma once
// The input side of a control: what the root window calls when input reaches it. The bodies here
// ignore the input; controls override what they handle.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Renderer/Geometry.h"

#include <cstdint>

namespace KX {

class LKeyParam;
class LMouseButtonParam;
class LMouseWheelParam;
class LPointWithModifiersParam;

class UITarget : public virtual LRefCountedObject {
public:
    virtual KXRESULT OnMouseEnter() { return S_OK; }
    // Points are local to the target.
    virtual KXRESULT OnMouseMove(const RCPtr<LPointWithModifiersParam>&) { return S_OK; }
    // 1 when the target ignores the press or release.
    virtual KXRESULT OnMouseDown(const RCPtr<LMouseButtonParam>&) { return 1; }
    virtual KXRESULT OnMouseUp(const RCPtr<LMouseButtonParam>&) { return 1; }
    virtual KXRESULT OnMouseLeave() { return S_OK; }
    // 0 when the target took capture.
    virtual KXRESULT BeginDrag(int32_t, int32_t, int32_t) { return 1; }
    // 1 when the target held no capture; else the root window's result of taking it back.
    virtual KXRESULT OnCaptureLost() = 0;
    virtual KXRESULT OnKeyInput(const RCPtr<LKeyParam>&) { return 1; }
    // 1 when nothing on the way handled the wheel. The point is in window client coordinates.
    virtual KXRESULT OnMouseWheel(const RCPtr<LMouseWheelParam>&) { return 1; }
    virtual KXRESULT OnMouseHWheel(const RCPtr<LMouseWheelParam>&) { return 1; }
    // Lays the target out again; the size is the parent's new size, which the target may ignore.
    virtual KXRESULT RecalcLayout(const PointT<int32_t>& size) = 0;
    // False while the focus may not leave the target.
    virtual bool AllowFocusChange() { return true; }
    // True when the whole chain let go of the focus.
    virtual bool OnFocusLost() { return true; }
};

} // namespace KX
