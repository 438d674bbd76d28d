#include "KXFramework/Controls/FileDropper.h"

namespace KX {

KXRESULT LFileDropper::PostInitialize()
{
    static_cast<void>(LControl::PostInitialize()); // the base part has nothing to refuse
    SetNotFocusable(true);
    SetVisible(true);
    return S_OK;
}

void LFileDropper::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LControl::ApplyConditions(param);
    if (param && (param->currentMask & Condition::kLeftPending) && !(param->previousMask & Condition::kLeftPending)) {
        // Free movement on both axes, following the pointer from the first pixel.
        SetUserMoveMode(kMoveWithDropTargets, kMoveXY);
        SetDragThreshold(0);
    }
}

void LFileDropper::HandleConditionsChange()
{
    RCPtr<LControl> self(this);
    LControl::HandleConditionsChange();
    if (RCPtr<LControl> parent = GetParent())
        parent->RemoveChild(self);
}

} // namespace KX
