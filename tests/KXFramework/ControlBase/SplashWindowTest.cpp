#include "KXFramework/ControlBase/SplashWindow.h"

#include "KXFramework/Platform/Window/HostWindow.h"

#include "Eventually.h"
#include "VideoFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

namespace KX::Test {

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 50;
constexpr uint32_t kPicture = 0x204080u;
constexpr uint32_t kFill = 0x06B025u;
constexpr uint32_t kTrack = 0xE6E6E6u;

RCPtr<LBitmap> Picture()
{
    auto image = std::make_shared<Platform::Image>();
    image->width = kWidth;
    image->height = kHeight;
    image->stride = kWidth * 4;
    image->pixels.resize(size_t(kWidth * kHeight * 4));
    for (size_t i = 0; i < image->pixels.size(); i += 4) {
        image->pixels[i] = 0x80;
        image->pixels[i + 1] = 0x40;
        image->pixels[i + 2] = 0x20;
        image->pixels[i + 3] = 0xFF;
    }
    return LBitmap::FromImage(image);
}

} // namespace

// The splash on SDL's dummy driver, whose window framebuffer keeps what was presented.
class SplashWindow : public VideoFixture {
protected:
    // The window's pixel once the newest frame is shown, as 0xRRGGBB.
    uint32_t Shown(LSplashWindow& splash, int x, int y)
    {
        splash.Present();
        const Platform::Framebuffer fb = splash.GetWindow()->LockFramebuffer();
        uint32_t v = 0;
        if (fb.pixels)
            std::memcpy(&v, fb.pixels + y * fb.stride + x * 4, 4);
        return v & 0xFFFFFF;
    }
};

TEST_F(SplashWindow, OpensCentredAnimatesAndCloses)
{
    LSplashWindow splash(1);
    splash.SetImage(Picture());
    splash.Start();
    Platform::HostWindow* window = splash.GetWindow();
    ASSERT_NE(window, nullptr);
    const Platform::RectI work = window->WorkArea();
    EXPECT_EQ(window->ClientArea(), (Platform::RectI{(2 * work.x + work.width - kWidth) / 2,
                                                     (2 * work.y + work.height - kHeight) / 2, kWidth, kHeight}));
    EXPECT_EQ(Shown(splash, 10, kHeight - 10), kPicture);
    EXPECT_EQ(splash.GetPosition(), -1); // no bar before the first position

    splash.Start(); // running already: nothing changes
    EXPECT_EQ(splash.GetWindow(), window);

    // The bar sits 4 pixels in and 20 up, 16 high, with a one-pixel frame; 50 fills half of its inside.
    splash.SetProgress(50);
    ASSERT_TRUE(Eventually([&] { return Shown(splash, 39, kHeight - 12) == kFill; }));
    EXPECT_EQ(Shown(splash, 41, kHeight - 12), kTrack);
    EXPECT_EQ(Shown(splash, 2, kHeight - 12), kPicture);

    // 32 whole steps of 3 from 0 end at 96; the application sets 100 itself.
    splash.AnimateProgress(0, 100, 8);
    ASSERT_TRUE(Eventually([&] { return !splash.IsAnimating() && splash.GetPosition() == 96; }));
    splash.SetProgress(100);
    ASSERT_TRUE(Eventually([&] { return Shown(splash, kWidth - 6, kHeight - 12) == kFill; }));

    splash.Stop();
    EXPECT_EQ(splash.GetWindow(), nullptr);
    splash.Stop();
}

TEST_F(SplashWindow, PositionsStopAnimationsAndZeroSecondsJumpToTheEnd)
{
    LSplashWindow splash(60000);
    splash.SetImage(Picture());
    splash.Start();
    splash.AnimateProgress(0, 100, 8);
    ASSERT_TRUE(Eventually([&] { return splash.IsAnimating(); }));
    splash.SetProgress(20);
    ASSERT_TRUE(Eventually([&] { return !splash.IsAnimating() && splash.GetPosition() == 20; }));
    splash.AnimateProgress(10, 60, 0);
    ASSERT_TRUE(Eventually([&] { return splash.GetPosition() == 60; }));
    EXPECT_FALSE(splash.IsAnimating());
    splash.SetProgress(250); // the bar's range is 0 to 100
    ASSERT_TRUE(Eventually([&] { return splash.GetPosition() == 100; }));
}

TEST_F(SplashWindow, StartWithoutAPictureWaitsOutTheStartAndShowsNothing)
{
    LSplashWindow splash(LSplashWindow::kAnimationStepMs, 50);
    const auto before = std::chrono::steady_clock::now();
    splash.Start();
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(50));
    EXPECT_EQ(splash.GetWindow(), nullptr);
    splash.SetProgress(10);
    splash.Present();
    splash.Stop();
    // A picture given after the stop opens a window at the next start.
    splash.SetImage(Picture());
    splash.Start();
    EXPECT_NE(splash.GetWindow(), nullptr);
}

} // namespace KX::Test
