#pragma once
// A GL context for one test: a hidden GL-capable window on SDL's offscreen driver (Mesa through
// EGL, no display server), current, with a projection of window pixels, y downwards.
#include "GlDriver.h"
#include "VideoFixture.h"

#include "KXFramework/Platform/Window/HostWindow.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace KX::Test {

class GlFixture : public VideoFixture {
protected:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 128;

    GlFixture() : VideoFixture("offscreen") {}

    void SetUp() override
    {
        VideoFixture::SetUp();
        Platform::WindowParams params;
        params.width = kWidth;
        params.height = kHeight;
        params.glCapable = true;
        m_window = Platform::HostWindow::Create(params);
        ASSERT_TRUE(m_window);
        ASSERT_TRUE(m_window->CreateGlContext());
        KeepGlDriverLoaded();
        m_window->MakeGlCurrent();
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kWidth, kHeight, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    void TearDown() override
    {
        m_window.reset();
        VideoFixture::TearDown();
    }

    // The colour at window pixel (x, y), y downwards, as 0xRRGGBB.
    static uint32_t Pixel(int x, int y)
    {
        uint8_t rgba[4] = {};
        glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
    }

    std::unique_ptr<Platform::HostWindow> m_window;
};

} // namespace KX::Test
