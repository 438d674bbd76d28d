#include "GlDriver.h"
#include "VideoFixture.h"

#include "KXFramework/Platform/Window/HostWindow.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using Platform::HostWindow;
using Platform::WindowParams;

// SDL's offscreen driver gives GL through EGL on Mesa without any display server.
class GlWindowTest : public VideoFixture {
protected:
    GlWindowTest() : VideoFixture("offscreen") {}
};

TEST_F(GlWindowTest, ContextOfAGlCapableWindowDrawsWithTheChosenAttributes)
{
    WindowParams params;
    params.width = 64;
    params.height = 48;
    params.glCapable = true;
    auto window = HostWindow::Create(params);
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->CreateGlContext());
    KeepGlDriverLoaded();
    EXPECT_TRUE(window->CreateGlContext()) << "a second call keeps the context";
    window->MakeGlCurrent();

    GLint depthBits = -1;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_EQ(depthBits, 0);
    // Immediate mode needs the compatibility profile.
    glViewport(0, 0, 64, 48);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3ub(0, 255, 0);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    uint8_t pixel[4] = {};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);
    window->SwapGl();

    EXPECT_EQ(window->LockFramebuffer().pixels, nullptr) << "a GL window has no framebuffer";
}

} // namespace
} // namespace KX::Test
