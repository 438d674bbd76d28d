#pragma once
// The input side of a control: what the root window calls when pointer input reaches it.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"

namespace KX {

class UITarget : public virtual LRefCountedObject {
public:
    // 1 when the target held no capture; else the root window's result of taking it back.
    virtual KXRESULT OnCaptureLost() = 0;
};

} // namespace KX
