#pragma once
// The input side of a control: what the root window calls when pointer input reaches it.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Renderer/Geometry.h"

namespace KX {

class UITarget : public virtual LRefCountedObject {
public:
    // 1 when the target held no capture; else the root window's result of taking it back.
    [[nodiscard]] virtual KXRESULT OnCaptureLost() = 0;
    // Lays the target out again; the size is the parent's new size, which the target may ignore.
    [[nodiscard]] virtual KXRESULT RecalcLayout(const PointT<int32_t>& size) = 0;
};

} // namespace KX
