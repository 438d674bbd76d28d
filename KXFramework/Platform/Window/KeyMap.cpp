#include "KXFramework/Platform/Window/KeyMap.h"

#include <SDL.h>

namespace KX::Platform {

namespace {

struct KeyPair {
    SDL_Keycode sdl;
    uint32_t virtualKey;
};

constexpr KeyPair kKeys[] = {
    {SDLK_BACKSPACE, 0x08},   {SDLK_TAB, 0x09},       {SDLK_RETURN, 0x0D},       {SDLK_KP_ENTER, 0x0D},
    {SDLK_ESCAPE, 0x1B},      {SDLK_SPACE, 0x20},     {SDLK_LSHIFT, 0x10},       {SDLK_RSHIFT, 0x10},
    {SDLK_LCTRL, 0x11},       {SDLK_RCTRL, 0x11},     {SDLK_LALT, 0x12},         {SDLK_RALT, 0x12},
    {SDLK_PAUSE, 0x13},       {SDLK_CAPSLOCK, 0x14},  {SDLK_PAGEUP, 0x21},       {SDLK_PAGEDOWN, 0x22},
    {SDLK_END, 0x23},         {SDLK_HOME, 0x24},      {SDLK_LEFT, 0x25},         {SDLK_UP, 0x26},
    {SDLK_RIGHT, 0x27},       {SDLK_DOWN, 0x28},      {SDLK_PRINTSCREEN, 0x2C},  {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, 0x2E},      {SDLK_LGUI, 0x5B},      {SDLK_RGUI, 0x5C},         {SDLK_APPLICATION, 0x5D},
    {SDLK_KP_0, 0x60},        {SDLK_KP_1, 0x61},      {SDLK_KP_2, 0x62},         {SDLK_KP_3, 0x63},
    {SDLK_KP_4, 0x64},        {SDLK_KP_5, 0x65},      {SDLK_KP_6, 0x66},         {SDLK_KP_7, 0x67},
    {SDLK_KP_8, 0x68},        {SDLK_KP_9, 0x69},      {SDLK_KP_MULTIPLY, 0x6A},  {SDLK_KP_PLUS, 0x6B},
    {SDLK_KP_MINUS, 0x6D},    {SDLK_KP_PERIOD, 0x6E}, {SDLK_KP_DIVIDE, 0x6F},    {SDLK_NUMLOCKCLEAR, 0x90},
    {SDLK_SCROLLLOCK, 0x91},  {SDLK_SEMICOLON, 0xBA}, {SDLK_EQUALS, 0xBB},       {SDLK_COMMA, 0xBC},
    {SDLK_MINUS, 0xBD},       {SDLK_PERIOD, 0xBE},    {SDLK_SLASH, 0xBF},        {SDLK_BACKQUOTE, 0xC0},
    {SDLK_LEFTBRACKET, 0xDB}, {SDLK_BACKSLASH, 0xDC}, {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
};

} // namespace

uint32_t VirtualKeyFromSdl(int32_t keycode, int32_t scancode)
{
    if (keycode >= SDLK_a && keycode <= SDLK_z)
        return 0x41 + uint32_t(keycode - SDLK_a);
    if (keycode >= SDLK_0 && keycode <= SDLK_9)
        return 0x30 + uint32_t(keycode - SDLK_0);
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12)
        return 0x70 + uint32_t(keycode - SDLK_F1);
    if (keycode >= SDLK_F13 && keycode <= SDLK_F24)
        return 0x7C + uint32_t(keycode - SDLK_F13);
    for (const KeyPair& pair : kKeys) {
        if (pair.sdl == keycode)
            return pair.virtualKey;
    }
    // A character key of a non-Latin layout: its code is the character, not ASCII.
    if (keycode >= 0x80 && !(keycode & SDLK_SCANCODE_MASK)) {
        if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
            return 0x41 + uint32_t(scancode - SDL_SCANCODE_A);
        if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
            return 0x31 + uint32_t(scancode - SDL_SCANCODE_1);
        if (scancode == SDL_SCANCODE_0)
            return 0x30;
    }
    return 0;
}

uint32_t KeyFlagsFromSdl(uint16_t modifiers)
{
    uint32_t flags = 0;
    if (modifiers & KMOD_LSHIFT)
        flags |= kKeyShift | kKeyShiftLeft;
    if (modifiers & KMOD_RSHIFT)
        flags |= kKeyShift | kKeyShiftRight;
    if (modifiers & KMOD_LCTRL)
        flags |= kKeyCtrl | kKeyCtrlLeft;
    if (modifiers & KMOD_RCTRL)
        flags |= kKeyCtrl | kKeyCtrlRight;
    if (modifiers & KMOD_LALT)
        flags |= kKeyAlt | kKeyAltLeft;
    if (modifiers & KMOD_RALT)
        flags |= kKeyAlt | kKeyAltRight;
    if (modifiers & KMOD_LGUI)
        flags |= kKeyWin | kKeyWinLeft;
    if (modifiers & KMOD_RGUI)
        flags |= kKeyWin | kKeyWinRight;
    return flags;
}

} // namespace KX::Platform
