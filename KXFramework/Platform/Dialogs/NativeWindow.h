#pragma once
// The window system's own id of an SDL window, which dialog programs take as their parent. Kept
// apart because the X11 headers it needs define macros such as Status and None.
#include <cstdint>
#include <string>

namespace KX::Platform {

// The X11 window id (decimal) of the SDL window with this id; empty for 0, an unknown window or
// another window system.
std::string NativeWindowOf(uint32_t sdlWindowId);

} // namespace KX::Platform
