#pragma once
// The picture the desktop shows for a window (title bar, task switcher).
#include "KXFramework/Platform/Graphics/Image.h"
#include "KXFramework/Platform/Window/HostWindow.h"

namespace KX::Platform {

// False when the window is not a desktop window or the image is empty or larger than 1024 pixels
// on a side.
bool SetWindowIcon(HostWindow& window, const Image& image);

} // namespace KX::Platform
