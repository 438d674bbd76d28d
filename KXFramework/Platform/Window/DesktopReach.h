#pragma once
// Which video drivers of SDL reach a desktop, and why none did: what the user reads when the program
// ends for want of one.
#include <string>

namespace KX::Platform {

// SDL's desktop drivers (X11, Wayland) in its order of preference, comma-separated; empty when it has
// none. SDL falls back to drivers that show nothing (offscreen, dummy) or are no desktop (KMSDRM on a
// console) when no desktop answers: only the user's SDL_VIDEODRIVER may choose those.
std::string DesktopVideoDrivers();

// Why no desktop could be reached, naming the display tried: "cannot open display ":9": no X server
// answers there (Connection refused)". The X display in DISPLAY is tried again here, as SDL does not
// say why it failed; sdlError stands for the Wayland display SDL tried.
std::string WhyNoDesktop(const std::string& sdlError);

} // namespace KX::Platform
