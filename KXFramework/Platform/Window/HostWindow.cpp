#include "KXFramework/Platform/Window/HostWindow.h"

#include "KXFramework/Platform/Window/SdlHostWindow.h"

#include <algorithm>

namespace KX::Platform {

std::unique_ptr<HostWindow> HostWindow::Create(const WindowParams& params)
{
    return SdlHostWindow::Make(params);
}

int ClampClientSide(int side)
{
    return std::clamp(side, 1, kMaxClientSide);
}

} // namespace KX::Platform
