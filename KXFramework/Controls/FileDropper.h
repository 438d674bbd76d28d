#pragma once
// A small free-floating control that the left button picks up and moves anywhere inside its
// parent; when the move ends it takes itself away from the parent.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"

namespace KX {

class LFileDropper : public LControl {
public:
    using LControl::LControl;

    [[nodiscard]] KXRESULT PostInitialize() override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    void HandleConditionsChange() override;
};

} // namespace KX
