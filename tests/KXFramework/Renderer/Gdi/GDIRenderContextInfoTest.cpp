#include "KXFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Platform/Window/VirtualHostWindow.h"
#include "KXFramework/Renderer/Gdi/GDIRenderer.h"
#include "ManualClock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <utility>

namespace KX::Test {

namespace {

uint32_t At(const LRenderContextInfo& context, int x, int y)
{
    Platform::Surface* surface = static_cast<const LGDIRenderContextInfo&>(context).GetSurface()->GetSurface();
    surface->Flush();
    uint32_t v;
    std::memcpy(&v, surface->Data() + y * surface->Stride() + x * 4, 4);
    return v;
}

RCPtr<LBitmap> Solid(int w, int h)
{
    auto image = std::make_shared<Platform::Image>();
    image->width = w;
    image->height = h;
    image->stride = w * 4;
    image->pixels.assign(size_t(w * h * 4), 0xFF);
    return LBitmap::FromImage(image);
}

} // namespace

class GdiRenderContext : public ::testing::Test {
protected:
    RCPtr<LRenderContextInfo> Make(int w, int h, bool offscreen)
    {
        RCPtr<LRenderContextInfo> context;
        renderer->InitRenderContextInfo({0, 0, w, h}, nullptr, offscreen, context);
        return context;
    }
    void Frame(
        const RCPtr<LRenderContextInfo>& context, const std::function<void()>& draw = [] {})
    {
        renderer->RenderStart(context);
        draw();
        renderer->RenderFinish(context);
    }
    PointT<int32_t> SurfaceSize(const RCPtr<LRenderContextInfo>& context)
    {
        return static_cast<LGDIRenderContextInfo&>(*context).GetSurface()->GetSize();
    }

    RCPtr<LGDIRenderer> renderer{new LGDIRenderer};
};

TEST_F(GdiRenderContext, SurfaceIsRemadeOnResizeAndClearedInPlaceOnAWholeViewportRepaint)
{
    EXPECT_EQ(SurfaceSize(Make(0, 0, false)), (PointT<int32_t>{1, 1}));
    EXPECT_EQ(Make(0, 0, false)->GetMaxSurfaceSize(), (PointT<int32_t>{4096, 4096}));

    const RCPtr<LRenderContextInfo> context = Make(100, 100, false);
    Frame(context, [&] { renderer->FillRect({0, 0, 100, 100}, LColor(0xFF112233u), true); });
    // Two rectangles covering the viewport keep the backing store.
    context->GetDirtyRegion().AddRect({0, 0, 100, 50});
    context->GetDirtyRegion().AddRect({0, 50, 100, 100});
    Frame(context);
    EXPECT_EQ(At(*context, 50, 50), 0xFF112233u);
    // The whole viewport as one rectangle clears it, without a second image at any time.
    const Platform::Surface* image = static_cast<LGDIRenderContextInfo&>(*context).GetSurface()->GetSurface();
    context->GetDirtyRegion().Clear();
    context->GetDirtyRegion().AddRect({0, 0, 100, 100});
    Frame(context);
    EXPECT_EQ(At(*context, 50, 50), 0u);
    EXPECT_EQ(static_cast<LGDIRenderContextInfo&>(*context).GetSurface()->GetSurface(), image);

    context->SetViewport({0, 0, 120, 80});
    EXPECT_EQ(SurfaceSize(context), (PointT<int32_t>{100, 100}));
    Frame(context);
    EXPECT_EQ(SurfaceSize(context), (PointT<int32_t>{120, 80}));

    auto& gdi = static_cast<LGDIRenderContextInfo&>(*context);
    const auto* first = gdi.GetSurface().Get();
    gdi.SwapSurfaces();
    EXPECT_NE(gdi.GetSurface().Get(), first);
    gdi.SwapSurfaces();
    EXPECT_EQ(gdi.GetSurface().Get(), first);
}

TEST_F(GdiRenderContext, OnlyDirtyRectanglesReachTheWindow)
{
    constexpr uint32_t kSentinel = 0x00123456u;
    Platform::WindowParams params;
    params.width = 60;
    params.height = 40;
    Platform::VirtualHostWindow window(params);
    window.Fill(kSentinel);
    RCPtr<LRenderContextInfo> context;
    renderer->InitRenderContextInfo({0, 0, 60, 40}, &window, false, context);
    context->GetDirtyRegion().AddRect({10, 5, 20, 15});
    context->GetDirtyRegion().AddRect({50, 30, 90, 90}); // partly outside the window
    Frame(context, [&] {
        renderer->FillRect({0, 0, 60, 40}, LColor(0xFFFF8000u), true);
        renderer->FillRect({12, 6, 2, 2}, LColor(0x80FFFFFFu), false);
    });
    EXPECT_EQ(window.ScreenPixel(10, 5), 0x00FF8000u);
    EXPECT_EQ(window.ScreenPixel(19, 14), 0x00FF8000u);
    EXPECT_EQ(window.ScreenPixel(59, 39), 0x00FF8000u);
    // Half-transparent white over black.
    EXPECT_EQ(window.ScreenPixel(12, 6), 0x00808080u);
    for (const auto& [x, y] : {std::pair{9, 5}, {20, 5}, {10, 15}, {0, 0}, {49, 39}, {59, 29}})
        EXPECT_EQ(window.ScreenPixel(x, y), kSentinel) << x << "," << y;
    EXPECT_EQ(window.TakePresented().size(), 2u);

    // An offscreen context never reaches it.
    RCPtr<LRenderContextInfo> offscreen;
    renderer->InitRenderContextInfo({0, 0, 60, 40}, &window, true, offscreen);
    offscreen->GetDirtyRegion().AddRect({0, 0, 60, 40});
    Frame(offscreen, [&] { renderer->FillRect({0, 0, 60, 40}, LColor(0xFF0000FFu), true); });
    EXPECT_TRUE(window.TakePresented().empty());
    EXPECT_EQ(window.ScreenPixel(0, 0), kSentinel);
}

TEST_F(GdiRenderContext, ASurfaceBeyondWhatCairoTakesDrawsNothing)
{
    const RCPtr<LRenderContextInfo> context = Make(40000, 10, false);
    EXPECT_EQ(SurfaceSize(context), (PointT<int32_t>{0, 0}));
    Frame(context, [&] {
        renderer->FillRect({0, 0, 10, 10}, LColor(0xFFFF0000u), true);
        renderer->DrawBitmap(Solid(4, 4), {0, 0, 8, 8}, LRenderer::kStretch);
    });
}

TEST_F(GdiRenderContext, OffscreenContextsAreDrawnFromAndScrolled)
{
    const RCPtr<LRenderContextInfo> window = Make(30, 30, false);
    const RCPtr<LRenderContextInfo> cached = Make(10, 10, true);
    Frame(window, [&] {
        // Nested: draw the cached image while the window's frame is open.
        renderer->RenderStart(cached);
        renderer->FillRect({0, 0, 10, 10}, LColor(0xFF00FF00u), true);
        renderer->FillRect({0, 0, 2, 2}, LColor(0xFFFF0000u), true);
        renderer->RenderFinish(cached);
        EXPECT_EQ(renderer->DrawRenderContext(cached, {5, 6}, {0, 0, 4, 4}), S_OK);
        EXPECT_EQ(renderer->DrawRenderContext(window, {0, 0}, {0, 0, 4, 4}), E_INVALIDARG);
        EXPECT_EQ(renderer->ScrollRenderContext(window, {1, 1}), E_INVALIDARG);
    });
    EXPECT_EQ(At(*window, 5, 6), 0xFFFF0000u);
    EXPECT_EQ(At(*window, 8, 9), 0xFF00FF00u);
    EXPECT_EQ(At(*window, 9, 10), 0u);

    EXPECT_EQ(renderer->ScrollRenderContext(cached, {3, 2}), S_OK);
    EXPECT_EQ(At(*cached, 3, 2), 0xFFFF0000u);
    EXPECT_EQ(At(*cached, 2, 2), 0u);
    EXPECT_EQ(At(*cached, 9, 9), 0xFF00FF00u);
}

TEST_F(GdiRenderContext, BitmapCacheIsPurgedOfWhatAWholePeriodDidNotUse)
{
    ManualClock clock(1000);
    Platform::SetClock(&clock);
    RCPtr<LGDIRenderer> purging(new LGDIRenderer);
    renderer = purging;
    const RCPtr<LRenderContextInfo> context = Make(50, 50, true);
    const RCPtr<LBitmap> stale = Solid(4, 4);
    const RCPtr<LBitmap> busy = Solid(4, 4);
    const size_t prepared = 20 * 20 * 4;

    Frame(context, [&] {
        renderer->DrawBitmap(stale, {0, 0, 20, 20}, LRenderer::kStretch);
        renderer->DrawBitmap(busy, {0, 0, 20, 20}, LRenderer::kStretch);
        renderer->DrawBitmap(busy, {0, 0, 20, 20}, LRenderer::kStretch); // prepared once
    });
    EXPECT_EQ(purging->GetCachedBitmapBytes(), 2 * prepared);
    for (int period = 0; period < 2; ++period) {
        clock.Advance(LGDIRenderer::kPurgePeriodMs + 1);
        Frame(context, [&] { renderer->DrawBitmap(busy, {0, 0, 20, 20}, LRenderer::kStretch); });
        EXPECT_EQ(purging->GetCachedBitmapBytes(), (period == 0 ? 2 : 1) * prepared) << period;
    }
    Platform::SetClock(nullptr);
}

} // namespace KX::Test
