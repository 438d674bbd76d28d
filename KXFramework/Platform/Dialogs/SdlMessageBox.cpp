#include "KXFramework/Platform/Dialogs/SdlMessageBox.h"

#include "KXFramework/Platform/Text/TextConversion.h"

#include <SDL.h>

namespace KX::Platform {

namespace {

Uint32 IconFlag(uint32_t flags)
{
    switch (flags & MessageBoxFlags::kIconMask) {
    case MessageBoxFlags::kIconError:
        return SDL_MESSAGEBOX_ERROR;
    case MessageBoxFlags::kIconWarning:
        return SDL_MESSAGEBOX_WARNING;
    default:
        return SDL_MESSAGEBOX_INFORMATION;
    }
}

int DropCloseRequest(void*, SDL_Event* event)
{
    return event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_CLOSE ? 0 : 1;
}

// Keys, text, mouse, touch and gestures given while the box was up, and close clicks on our
// windows; a quit from a signal stays.
void DropInputGivenMeanwhile()
{
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_KEYDOWN, SDL_MULTIGESTURE);
    SDL_FilterEvents(DropCloseRequest, nullptr);
}

} // namespace

int32_t SdlMessageBox::Show(const MessageBoxRequest& request)
{
    const std::string title = Utf8FromUtf16(request.caption);
    const std::string text = Utf8FromUtf16(request.text);
    const SDL_MessageBoxButtonData ok{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                                      MessageBoxAnswer::kOk, "OK"};
    const SDL_MessageBoxButtonData yesNo[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, MessageBoxAnswer::kYes, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, MessageBoxAnswer::kNo, "No"},
    };
    const bool question = (request.flags & MessageBoxFlags::kYesNo) != 0;
    SDL_MessageBoxData data{};
    data.flags = IconFlag(request.flags) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    data.window = request.ownerWindow != 0 ? SDL_GetWindowFromID(request.ownerWindow) : nullptr;
    data.title = title.c_str();
    data.message = text.c_str();
    data.numbuttons = question ? 2 : 1;
    data.buttons = question ? yesNo : &ok;

    int button = -1;
    const int shown = SDL_ShowMessageBox(&data, &button);
    DropInputGivenMeanwhile();
    return shown < 0 || button < 0 ? MessageBoxAnswer::kNotShown : button;
}

} // namespace KX::Platform
