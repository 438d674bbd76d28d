#include "KXFramework/Platform/Window/VirtualHostWindow.h"

#include <gtest/gtest.h>

namespace KX::Test {
namespace {

using Platform::Framebuffer;
using Platform::RectI;
using Platform::VirtualHostWindow;
using Platform::WindowParams;

constexpr uint32_t kSentinel = 0x00123456;
constexpr uint32_t kInk = 0x00FF0000;

class VirtualHostWindowTest : public ::testing::Test {
protected:
    VirtualHostWindowTest() : m_window(Params()) { m_window.Fill(kSentinel); }

    static WindowParams Params()
    {
        WindowParams params;
        params.width = 40;
        params.height = 30;
        return params;
    }

    void Paint(const Framebuffer& fb)
    {
        for (int y = 0; y < fb.height; ++y)
            for (int x = 0; x < fb.width; ++x)
                reinterpret_cast<uint32_t*>(fb.pixels + y * fb.stride)[x] = kInk;
    }

    VirtualHostWindow m_window;
};

TEST_F(VirtualHostWindowTest, OnlyPresentedRectanglesReachTheScreen)
{
    Paint(m_window.LockFramebuffer());
    const RectI rects[] = {{5, 5, 10, 10}, {35, 25, 20, 20}, {-10, 0, 5, 5}};
    EXPECT_TRUE(m_window.PresentRects(rects, 3));

    EXPECT_EQ(m_window.ScreenPixel(5, 5), kInk);
    EXPECT_EQ(m_window.ScreenPixel(14, 14), kInk);
    EXPECT_EQ(m_window.ScreenPixel(15, 15), kSentinel);
    EXPECT_EQ(m_window.ScreenPixel(39, 29), kInk);
    EXPECT_EQ(m_window.ScreenPixel(0, 0), kSentinel);
    EXPECT_EQ(m_window.TakePresented(), (std::vector<RectI>{{5, 5, 10, 10}, {35, 25, 5, 5}}));
    EXPECT_TRUE(m_window.TakePresented().empty());
}

TEST_F(VirtualHostWindowTest, SizeChangeMakesTheLockedFramebufferStale)
{
    m_window.LockFramebuffer();
    m_window.SetClientArea({0, 0, 0, 50});
    const RectI all{0, 0, 100, 100};
    EXPECT_FALSE(m_window.PresentRects(&all, 1));

    const Framebuffer fb = m_window.LockFramebuffer();
    EXPECT_EQ(fb.width, 1);
    EXPECT_EQ(fb.height, 50);
    Paint(fb);
    EXPECT_TRUE(m_window.PresentRects(&all, 1));
    EXPECT_EQ(m_window.ScreenPixel(0, 49), kInk);
}

TEST_F(VirtualHostWindowTest, SizeLimitsBoundTheClientAreaAndIdsAreUnique)
{
    m_window.SetClientSizeLimits({20, 0}, {10, 25});
    EXPECT_EQ(m_window.MinSize(), (Platform::SizeI{20, 1}));
    EXPECT_EQ(m_window.MaxSize(), (Platform::SizeI{20, 25}));
    EXPECT_EQ(m_window.ClientArea(), (RectI{0, 0, 20, 25}));

    VirtualHostWindow other(Params());
    EXPECT_NE(other.Id(), m_window.Id());
    EXPECT_GE(other.Id(), 0x40000000u);
}

} // namespace
} // namespace KX::Test
