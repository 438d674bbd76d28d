#pragma once
// The "Framework." skin class names of the standard controls and their create functions.
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ObjectBase/Result.h"

namespace KX {

// Registers every name in its fixed order. On a failed registration returns that result and sets
// failedLine to the line its start-up error names; 0 when all are registered.
[[nodiscard]] KXRESULT RegisterFrameworkClassNames(LControlClassRegistry& registry, int& failedLine);

} // namespace KX
