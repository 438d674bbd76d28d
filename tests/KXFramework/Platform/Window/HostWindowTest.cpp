#include "VideoFixture.h"

#include "KXFramework/Platform/Window/HostWindow.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstring>

namespace KX::Test {
namespace {

using Platform::Framebuffer;
using Platform::HostWindow;
using Platform::kMaxClientSide;
using Platform::RectI;
using Platform::ShowCommand;
using Platform::WindowParams;

class HostWindowTest : public VideoFixture {
protected:
    std::unique_ptr<HostWindow> Make(int width = 200, int height = 100)
    {
        WindowParams params;
        params.title = u"Test ‐ ☃";
        params.x = 10;
        params.y = 20;
        params.width = width;
        params.height = height;
        auto window = HostWindow::Create(params);
        EXPECT_TRUE(window);
        return window;
    }

    static uint32_t WindowPixel(HostWindow& window, int x, int y)
    {
        SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(window.Id()));
        return *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch +
                                                  x * 4);
    }
};

TEST_F(HostWindowTest, FramebufferIsXrgbOfTheClientSizeAndPresentsClippedRectangles)
{
    auto window = Make();
    const Framebuffer fb = window->LockFramebuffer();
    ASSERT_NE(fb.pixels, nullptr);
    EXPECT_EQ(fb.width, 200);
    EXPECT_EQ(fb.height, 100);
    EXPECT_GE(fb.stride, 200 * 4);
    for (int y = 0; y < fb.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(fb.pixels + y * fb.stride);
        for (int x = 0; x < fb.width; ++x)
            row[x] = 0x00FF8000;
    }
    const RectI rects[] = {{0, 0, 10, 10}, {190, 90, 50, 50}, {-5, -5, 2, 2}, {20, 20, 0, 5}};
    EXPECT_TRUE(window->PresentRects(rects, 4));
    EXPECT_EQ(WindowPixel(*window, 199, 99) & 0xFFFFFF, 0xFF8000u);
    EXPECT_TRUE(window->PresentRects(nullptr, 0));
}

TEST_F(HostWindowTest, FramebufferGoesStaleAtEverySizeChangeAndIsFetchedAgain)
{
    struct Case {
        RectI asked;
        int width, height;
    };
    const Case cases[] = {
        {{0, 0, 300, 150}, 300, 150}, {{0, 0, 0, 0}, 1, 1},
        {{0, 0, -7, 40}, 1, 40},      {{0, 0, 40000, 40000}, kMaxClientSide, kMaxClientSide},
        {{5, 5, 200, 100}, 200, 100},
    };
    auto window = Make();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        window->LockFramebuffer();
        window->SetClientArea(c.asked);
        const RectI all{0, 0, c.width, c.height};
        EXPECT_FALSE(window->PresentRects(&all, 1)) << "the framebuffer locked before the change is stale";
        const Framebuffer fb = window->LockFramebuffer();
        ASSERT_NE(fb.pixels, nullptr);
        EXPECT_EQ(fb.width, c.width);
        EXPECT_EQ(fb.height, c.height);
        EXPECT_EQ(window->ClientArea().width, c.width);
        std::memset(fb.pixels, 0x7F, 4);
        EXPECT_TRUE(window->PresentRects(&all, 1));
    }
}

TEST_F(HostWindowTest, ShowReportsEarlierVisibilityAndPlacementKeepsTheNormalArea)
{
    auto window = Make();
    EXPECT_FALSE(window->Show(ShowCommand::Show));
    EXPECT_TRUE(window->Show(ShowCommand::Hide));
    EXPECT_FALSE(window->Show(ShowCommand::Normal));

    window->SetPlacement({{30, 40, 320, 240}, false});
    EXPECT_EQ(window->GetPlacement(), (Platform::Placement{{30, 40, 320, 240}, false}));
    EXPECT_FALSE(window->WorkArea().IsEmpty());

    // Saved on a display that is gone: brought back onto the work area with its size.
    window->SetPlacement({{50000, 50000, 320, 240}, false});
    const RectI area = window->ClientArea();
    EXPECT_EQ(area.width, 320);
    EXPECT_FALSE(area.Intersect(window->WorkArea()).IsEmpty());
}

TEST_F(HostWindowTest, SizeLimitsAreClampedAndBoundTheClientArea)
{
    auto window = Make();
    window->SetClientSizeLimits({0, -3}, {100000, 50});
    int minW = 0, minH = 0, maxW = 0, maxH = 0;
    SDL_Window* native = SDL_GetWindowFromID(window->Id());
    SDL_GetWindowMinimumSize(native, &minW, &minH);
    SDL_GetWindowMaximumSize(native, &maxW, &maxH);
    EXPECT_EQ(minW, 1);
    EXPECT_EQ(minH, 1);
    EXPECT_EQ(maxW, kMaxClientSide);
    EXPECT_EQ(maxH, 50);
}

TEST_F(HostWindowTest, WithoutGlOrVideoNothingIsMade)
{
    auto window = Make();
    EXPECT_FALSE(window->CreateGlContext()) << "not made GL-capable";
    WindowParams gl;
    gl.glCapable = true;
    EXPECT_EQ(HostWindow::Create(gl), nullptr) << "the dummy driver has no GL";
}

TEST(HostWindowWithoutVideo, IsNotMade)
{
    EXPECT_EQ(HostWindow::Create(WindowParams{}), nullptr);
}

} // namespace
} // namespace KX::Test
