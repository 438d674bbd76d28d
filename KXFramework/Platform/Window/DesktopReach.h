#pragma once
// Which video drivers of SDL reach a desktop, and why none did: what the user reads when the program
// ends for want of one.
#include <string>

namespace KX::Platform {

// SDL's desktop drivers (X11, Wayland) in its order of preference, comma-separated; empty when it has
// none. SDL falls back to drivers that show nothing (offscreen, dummy) or are no desktop (KMSDRM on a
// console) when no desktop answers: only the user's SDL_VIDEODRIVER may choose those.
std::string DesktopVideoDrivers();

// Whether this run shows nothing a user could see: video runs on dummy, evdev or offscreen, or, before
// it starts, SDL_VIDEODRIVER has SDL take one of them (dummy and evdev only as the whole list, offscreen
// wherever it comes first: "dummy,x11" shows on X11, "offscreen,x11" shows nothing). Such a run takes no
// part in the single instance, so that it never keeps a start with a desktop from showing its window,
// and shows no message boxes.
bool ShowsNothing();

// The display SDL shows on with the drivers (a name, or a list as SDL_VIDEODRIVER holds one), taking
// them as SDL does, or SDL's first choice when none is named: "display \":9\"" or "Wayland display
// \"wayland-0\""; empty for drivers that show nothing or on no display.
std::string DisplayTried(const std::string& drivers);

// Why no desktop could be reached, in one line: SDL's reason for the drivers SDL_VIDEODRIVER names, then
// for each desktop SDL tried (those SDL_VIDEODRIVER names, else DesktopVideoDrivers) the display it
// tried and why it failed: "cannot open display ":9": no X server answers there (Connection refused)".
// The displays in DISPLAY and WAYLAND_DISPLAY are tried again here, as SDL does not say why they failed.
std::string WhyNoDesktop(const std::string& sdlError);

} // namespace KX::Platform
