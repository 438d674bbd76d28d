#pragma once
// Which video drivers of SDL reach a desktop, and why none did: what the user reads when the program
// ends for want of one.
#include <string>

namespace KX::Platform {

// SDL's desktop drivers (X11, Wayland) in its order of preference, comma-separated; empty when it has
// none. SDL falls back to drivers that show nothing (offscreen, dummy) or are no desktop (KMSDRM on a
// console) when no desktop answers: only the user's SDL_VIDEODRIVER may choose those.
std::string DesktopVideoDrivers();

// Why no desktop could be reached, in one line: SDL's reason for the drivers SDL_VIDEODRIVER names, then
// for each desktop SDL tried (those SDL_VIDEODRIVER names, else DesktopVideoDrivers) the display it
// tried and why it failed: "cannot open display ":9": no X server answers there (Connection refused)".
// The displays in DISPLAY and WAYLAND_DISPLAY are tried again here, as SDL does not say why they failed.
std::string WhyNoDesktop(const std::string& sdlError);

} // namespace KX::Platform
