#pragma once
// SDL's video started on the dummy driver for one test, with no X11 or Wayland display in the
// environment, so nothing can reach a real screen; stopped again at the end.
#include "EnvironmentGuard.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace KX::Test {

class SdlDummyVideo : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_env.Set("SDL_VIDEODRIVER", "dummy");
        m_env.Clear("DISPLAY");
        m_env.Clear("WAYLAND_DISPLAY");
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    void TearDown() override { SDL_Quit(); }

private:
    EnvironmentGuard m_env;
};

} // namespace KX::Test
