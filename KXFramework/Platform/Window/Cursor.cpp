#include "KXFramework/Platform/Window/Cursor.h"

#include "KXFramework/Platform/Window/VideoSystem.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace KX::Platform {

struct Cursor::Shape {
    // Null where the driver has no cursors (dummy, offscreen): the cursor still has its identity.
    SDL_Cursor* sdl = nullptr;
    uint64_t session = 0;

    ~Shape()
    {
        // SDL frees its cursors when video ends; ours are only ours to free within the session.
        if (sdl && session == VideoSystem::Session())
            SDL_FreeCursor(sdl);
    }
};

namespace {

std::array<std::shared_ptr<Cursor::Shape>, size_t(SystemCursor::Help) + 1> g_system;
std::optional<Cursor> g_current;

SDL_SystemCursor SdlKind(SystemCursor kind)
{
    switch (kind) {
    case SystemCursor::IBeam:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case SystemCursor::Wait:
        return SDL_SYSTEM_CURSOR_WAIT;
    case SystemCursor::Cross:
        return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case SystemCursor::SizeAll:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    case SystemCursor::SizeNWSE:
        return SDL_SYSTEM_CURSOR_SIZENWSE;
    case SystemCursor::SizeNESW:
        return SDL_SYSTEM_CURSOR_SIZENESW;
    case SystemCursor::SizeWE:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case SystemCursor::SizeNS:
        return SDL_SYSTEM_CURSOR_SIZENS;
    case SystemCursor::No:
        return SDL_SYSTEM_CURSOR_NO;
    case SystemCursor::Hand:
        return SDL_SYSTEM_CURSOR_HAND;
    case SystemCursor::AppStarting:
        return SDL_SYSTEM_CURSOR_WAITARROW;
    default:
        return SDL_SYSTEM_CURSOR_ARROW;
    }
}

bool DriverTakesPremultiplied()
{
    // X11 hands the pixels to Xcursor, which expects premultiplied alpha; other drivers premultiply
    // themselves.
    return VideoSystem::DriverName() == "x11";
}

} // namespace

Cursor Cursor::System(SystemCursor kind)
{
    const size_t index = size_t(kind) < g_system.size() ? size_t(kind) : 0;
    // The shapes the desktop lacks share the arrow, so they compare equal to it.
    const SDL_SystemCursor sdlKind = SdlKind(kind);
    const size_t slot = sdlKind == SDL_SYSTEM_CURSOR_ARROW ? 0 : index;
    const uint64_t session = VideoSystem::Session();
    std::shared_ptr<Shape>& shape = g_system[slot];
    if (!shape || shape->session != session) {
        shape = std::make_shared<Shape>();
        shape->session = session;
        shape->sdl = session ? SDL_CreateSystemCursor(sdlKind) : nullptr;
    }
    return Cursor(shape);
}

std::optional<Cursor> Cursor::FromImage(int width, int height, int stride, const uint8_t* pixels, int hotX, int hotY)
{
    if (!pixels || width < 1 || height < 1 || width > 256 || height > 256 || stride < width * 4 || hotX < 0 ||
        hotY < 0 || hotX >= width || hotY >= height)
        return std::nullopt;
    std::vector<uint8_t> copy(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y)
        std::memcpy(&copy[size_t(y) * size_t(width) * 4], pixels + size_t(y) * size_t(stride), size_t(width) * 4);
    if (!DriverTakesPremultiplied()) {
        for (size_t i = 0; i < copy.size(); i += 4) {
            const unsigned alpha = copy[i + 3];
            for (size_t c = 0; c < 3 && alpha > 0 && alpha < 255; ++c)
                copy[i + c] = uint8_t(std::min(255u, (copy[i + c] * 255u + alpha / 2) / alpha));
        }
    }
    auto shape = std::make_shared<Shape>();
    shape->session = VideoSystem::Session();
    if (shape->session) {
        // B, G, R, A bytes are ARGB8888 words on this little-endian machine.
        SDL_Surface* surface =
            SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (surface) {
            shape->sdl = SDL_CreateColorCursor(surface, hotX, hotY);
            SDL_FreeSurface(surface);
        }
    }
    return Cursor(shape);
}

Cursor SetCursor(const Cursor& cursor)
{
    Cursor previous = g_current ? *g_current : Cursor::System(SystemCursor::Arrow);
    if (previous == cursor)
        return previous;
    g_current = cursor;
    if (cursor.m_shape->sdl && cursor.m_shape->session == VideoSystem::Session())
        SDL_SetCursor(cursor.m_shape->sdl);
    return previous;
}

} // namespace KX::Platform
