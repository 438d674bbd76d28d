#include "KXFramework/Platform/Window/WindowIcon.h"

#include "KXFramework/Platform/Window/SdlHostWindow.h"

#include <algorithm>
#include <vector>

namespace KX::Platform {

bool SetWindowIcon(HostWindow& window, const Image& image)
{
    auto* sdl = dynamic_cast<SdlHostWindow*>(&window);
    if (!sdl || image.width < 1 || image.height < 1 || image.width > 1024 || image.height > 1024 ||
        image.stride < image.width * 4 || image.pixels.size() < size_t(image.stride) * size_t(image.height))
        return false;
    // SDL takes straight alpha; the image holds premultiplied pixels.
    std::vector<uint8_t> straight(size_t(image.width) * size_t(image.height) * 4);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* from = image.pixels.data() + size_t(y) * size_t(image.stride);
        uint8_t* to = straight.data() + size_t(y) * size_t(image.width) * 4;
        for (int x = 0; x < image.width * 4; x += 4) {
            const unsigned alpha = from[x + 3];
            for (int c = 0; c < 3; ++c)
                to[x + c] = alpha == 0 ? 0 : uint8_t(std::min(255u, (from[x + c] * 255u + alpha / 2) / alpha));
            to[x + 3] = uint8_t(alpha);
        }
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(straight.data(), image.width, image.height, 32,
                                                              image.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return false;
    SDL_SetWindowIcon(sdl->Native(), surface);
    SDL_FreeSurface(surface);
    return true;
}

} // namespace KX::Platform
