#pragma once
// The numbered labels of tiles and edit panels ("B%d", "FADER %d", "BANK %d"): a child label whose
// own "LABEL" text is the format.
#include "KXFramework/ControlBase/Control.h"

#include <string>

// Sets `owner`'s child label `child` to its "LABEL" text formatted with `number`; a missing child
// throws the null-pointer error with `phrase`, `method`, `path` and `line`.
void SetNumberedLabel(KX::LControl& owner, const char16_t* child, int number, const std::string& phrase,
                      const char* method, const char* path, int line);
