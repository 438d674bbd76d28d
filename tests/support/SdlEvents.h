#pragma once
// Desktop input for tests of real windows: events posted to SDL's queue as the video driver would
// post them. A post SDL refuses fails the test.
#include <SDL.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace KX::Test {

inline void PushSdlEvent(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

inline void PushWindowEvent(uint32_t window, SDL_WindowEventID id, int data1 = 0, int data2 = 0)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = window;
    event.window.event = id;
    event.window.data1 = data1;
    event.window.data2 = data2;
    PushSdlEvent(event);
}

inline void PushKey(uint32_t window, bool down, SDL_Keycode sym, SDL_Scancode scancode, uint16_t mod,
                    bool repeat = false)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = window;
    event.key.repeat = repeat;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    PushSdlEvent(event);
}

// A key pressed and let go, as the desktop sends it.
inline void PushKeyPress(uint32_t window, SDL_Keycode sym, SDL_Scancode scancode, uint16_t mod = 0)
{
    PushKey(window, true, sym, scancode, mod);
    PushKey(window, false, sym, scancode, mod);
}

inline void PushText(uint32_t window, const char* text)
{
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = window;
    std::strncpy(event.text.text, text, sizeof(event.text.text) - 1);
    PushSdlEvent(event);
}

inline void PushButton(uint32_t window, bool down, int x, int y, uint8_t button = SDL_BUTTON_LEFT, uint8_t clicks = 1)
{
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = window;
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = clicks;
    event.button.x = x;
    event.button.y = y;
    PushSdlEvent(event);
}

// `buttons`: the SDL_BUTTON_*MASK bits held during the move.
inline void PushMotion(uint32_t window, int x, int y, uint32_t buttons = 0)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = window;
    event.motion.x = x;
    event.motion.y = y;
    event.motion.state = buttons;
    PushSdlEvent(event);
}

// A turn of (x, y) notches with the pointer at (pointerX, pointerY).
inline void PushWheel(uint32_t window, float x, float y, bool flipped = false, int pointerX = 0, int pointerY = 0)
{
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = window;
    event.wheel.preciseX = x;
    event.wheel.preciseY = y;
    event.wheel.x = int(x);
    event.wheel.y = int(y);
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    event.wheel.mouseX = pointerX;
    event.wheel.mouseY = pointerY;
    PushSdlEvent(event);
}

} // namespace KX::Test
