#include "KXFramework/Platform/Dialogs/SdlMessageBox.h"

#include "SdlDummyVideo.h"

#include <vector>

namespace KX::Test {

namespace {

using SdlMessageBoxTest = SdlDummyVideo;

SDL_Event WindowEvent(Uint8 kind)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = kind;
    return event;
}

TEST_F(SdlMessageBoxTest, DropsTheInputGivenWhileTheBoxWasUp)
{
    std::vector<SDL_Event> events(5);
    events[0].type = SDL_KEYDOWN;
    events[1].type = SDL_MOUSEBUTTONDOWN;
    events[2].type = SDL_TEXTINPUT;
    events[3] = WindowEvent(SDL_WINDOWEVENT_CLOSE);
    events[4] = WindowEvent(SDL_WINDOWEVENT_EXPOSED);
    for (SDL_Event& event : events)
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);

    // With no display SDL cannot show it either.
    KX::Platform::SdlMessageBox box;
    EXPECT_EQ(box.Show({u"Text \u20AC", u"Caption", 0x4, 0}), 0);

    std::vector<std::pair<Uint32, Uint8>> left;
    for (SDL_Event event; SDL_PollEvent(&event);)
        left.emplace_back(event.type, event.type == SDL_WINDOWEVENT ? event.window.event : 0);
    EXPECT_EQ(left, (std::vector<std::pair<Uint32, Uint8>>{{SDL_WINDOWEVENT, SDL_WINDOWEVENT_EXPOSED}, {SDL_QUIT, 0}}));
}

} // namespace

} // namespace KX::Test
