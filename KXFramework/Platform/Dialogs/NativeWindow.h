#pragma once
// The window system's own view of SDL windows and of another program's windows, for the dialog
// programs we run. Kept apart because the X11 headers it needs define macros such as Status and None.
#include <cstdint>
#include <string>

namespace KX::Platform {

// The X11 window id (decimal) of the SDL window with this id; empty for 0, an unknown window or
// another window system.
std::string NativeWindowOf(uint32_t sdlWindowId);

// Makes the top-level windows of the process that belong to no window yet the owner's (an SDL window
// id), as a dialog is its parent's, so that a window manager keeps them above it and brings them up
// with it. True once a shown window of the process belongs to a window; false until then, and
// always for an unknown owner or another window system.
bool KeepAboveOwner(int process, uint32_t sdlWindowId);

} // namespace KX::Platform
