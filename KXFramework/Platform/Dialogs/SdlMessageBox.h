#pragma once
// Message boxes through SDL's own box, the fallback when zenity cannot show one. SDL's box runs
// while this process waits without reading its events, so the input given meanwhile is dropped
// afterwards, as it would have gone to a disabled window.
#include "KXFramework/Platform/Dialogs/MessageBoxService.h"

namespace KX::Platform {

class SdlMessageBox final : public MessageBoxService {
public:
    // kNotShown when SDL could not show the box.
    int32_t Show(const MessageBoxRequest& request) override;
};

} // namespace KX::Platform
