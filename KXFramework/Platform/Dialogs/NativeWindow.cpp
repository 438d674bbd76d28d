#include "KXFramework/Platform/Dialogs/NativeWindow.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace KX::Platform {

std::string NativeWindowOf(uint32_t sdlWindowId)
{
    SDL_Window* window = sdlWindowId != 0 ? SDL_GetWindowFromID(sdlWindowId) : nullptr;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return {};
    return std::to_string(info.info.x11.window);
}

} // namespace KX::Platform
