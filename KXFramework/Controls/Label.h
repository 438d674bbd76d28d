#pragma once
// Static text shown through the control's looks; it takes no focus and offers its full text as
// tool tip when the text does not fit.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"

namespace KX {

class LLabel : public LControl {
public:
    using LControl::LControl;

    [[nodiscard]] KXRESULT PostInitialize() override;
    String GetToolTipText() const override;
};

} // namespace KX
