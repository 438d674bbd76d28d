#pragma once
// What the panels of the UI module tree need of its root, the main control: taking an edit up to the
// engine and asking the engine for a value. The main control implements it; a panel finds it as its
// top-level control, so a tree without one (a panel on its own, a test) reports nothing.
#include "KXFramework/Utilities/Storage/ParamValue.h"

#include <cstdint>

namespace KX {
class LControl;
}

class IUIModuleRoot {
public:
    // The complete value of one control, edited by the user. The main control, an IRootModule too,
    // answers both interfaces' operation of this signature with one override.
    [[nodiscard]] virtual KXRESULT ReportParamValueChange(const KX::ParamDescriptor& d, const KX::Variant& v) = 0;
    // Asks the engine for the value of `id`; it arrives later as a value down the tree.
    [[nodiscard]] virtual KXRESULT RequestParamValue(int32_t id) = 0;

protected:
    ~IUIModuleRoot() = default;
};

// The root above `control` (its top-level control), or null when that is not a module root.
IUIModuleRoot* FindUIModuleRoot(KX::LControl& control);
