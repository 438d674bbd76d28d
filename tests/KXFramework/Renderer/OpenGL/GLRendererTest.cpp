#include "KXFramework/Renderer/OpenGL/GLRenderer.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Platform/Window/HostWindow.h"
#include "KXFramework/Renderer/Gdi/GDIRenderer.h"
#include "KXFramework/Utilities/Graphics/Font.h"

#include "GlDriver.h"
#include "ManualClock.h"
#include "PatternBitmap.h"
#include "TestFonts.h"
#include "VideoFixture.h"

#include <GL/gl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace KX::Test {

namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kBlue = 0xFF0000FFu;

uint32_t PatternPixel(int x, int y)
{
    return uint32_t(uint8_t(20 * x + 1)) << 16 | uint32_t(uint8_t(20 * y + 1)) << 8;
}

bool Near(uint32_t a, uint32_t b)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 1)
            return false;
    return true;
}

} // namespace

// A kind-0 renderer on a 64 × 64 GL window of SDL's offscreen driver (Mesa's software renderer),
// inside a frame whose viewport is cleared to opaque black; pixels are read back before the swap.
class GlRendererPixels : public VideoFixture {
protected:
    static constexpr int kSize = 64;

    GlRendererPixels() : VideoFixture("offscreen") {}

    void SetUp() override
    {
        Platform::SetClock(&clock);
        UseTestFonts();
        VideoFixture::SetUp();
        window = MakeWindow(true);
        ASSERT_TRUE(window);
        renderer = LRenderer::Create(LRenderer::kOpenGL, {}, window.get());
        ASSERT_EQ(renderer->InitRenderContextInfo({0, 0, kSize, kSize}, window.get(), false, context), S_OK);
        KeepGlDriverLoaded();
        renderer->RenderStart(context);
        renderer->FillRect({0, 0, kSize, kSize}, LColor(kBlack), false);
    }

    void TearDown() override
    {
        if (renderer && renderer->GetCurrentContext() != nullptr)
            renderer->RenderFinish(context);
        context = nullptr;
        renderer = nullptr;
        window.reset();
        VideoFixture::TearDown();
        Platform::SetClock(nullptr);
        LGLRenderer::SetErrorBox(nullptr);
    }

    static std::unique_ptr<Platform::HostWindow> MakeWindow(bool glCapable)
    {
        Platform::WindowParams params;
        params.width = kSize;
        params.height = kSize;
        params.glCapable = glCapable;
        return Platform::HostWindow::Create(params);
    }

    LGLRenderer& Gl() { return static_cast<LGLRenderer&>(*renderer); }

    // 0xRRGGBB at window pixel (x, y), y downwards.
    static uint32_t At(int x, int y)
    {
        uint8_t rgba[4] = {};
        glReadPixels(x, kSize - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
    }

    // The smallest rectangle holding every pixel that is not black; width 0 when there is none.
    static RectT<int32_t> Ink()
    {
        std::vector<uint8_t> rgba(size_t(kSize * kSize * 4));
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        int left = kSize, top = kSize, right = 0, bottom = 0;
        for (int row = 0; row < kSize; ++row)
            for (int x = 0; x < kSize; ++x) {
                const uint8_t* p = &rgba[size_t((row * kSize + x) * 4)];
                if (p[0] | p[1] | p[2]) {
                    const int y = kSize - 1 - row;
                    left = std::min(left, x);
                    top = std::min(top, y);
                    right = std::max(right, x + 1);
                    bottom = std::max(bottom, y + 1);
                }
            }
        return right == 0 ? RectT<int32_t>{} : RectT<int32_t>{left, top, right - left, bottom - top};
    }

    ManualClock clock{1000};
    std::unique_ptr<Platform::HostWindow> window;
    RCPtr<LRenderer> renderer;
    RCPtr<LRenderContextInfo> context;
};

// Fills, a clipped unblended fill, a filled triangle and bitmaps at their size, tiled and centred:
// everything where the two renderers follow the same rules.
void DrawSharedScene(LRenderer& renderer, const RCPtr<LBitmap>& pattern)
{
    renderer.FillRect({2, 2, 20, 12}, LColor(kRed), true);
    renderer.FillRect({12, 6, 20, 12}, LColor(0x800000FFu), true);
    renderer.PushState();
    renderer.Translate({4.0, 0.0});
    renderer.SetClipRect({36.0, 2.0, 10.0, 10.0});
    renderer.FillRect({30, 0, 30, 30}, LColor(0xFF00FF00u), false);
    renderer.PopClip();
    PolylineT<float> triangle;
    triangle.points = {{4.0f, 60.0f}, {30.0f, 60.0f}, {17.0f, 34.0f}};
    renderer.FillPolygon(triangle, LColor(0xFFFFFF00u), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    renderer.DrawBitmap(pattern, {36, 16, 8, 8}, LRenderer::kStretch);
    renderer.DrawBitmap(pattern, {36, 26, 16, 16}, LRenderer::kTile);
    renderer.DrawBitmap(pattern, {36, 44, 17, 17}, LRenderer::kCenter);
}

TEST_F(GlRendererPixels, DrawsTheSharedSceneAsTheCairoRendererDoes)
{
    const RCPtr<LBitmap> pattern = Pattern(8, 8);
    DrawSharedScene(*renderer, pattern);

    RCPtr<LGDIRenderer> cairo(new LGDIRenderer);
    RCPtr<LRenderContextInfo> surface;
    cairo->InitRenderContextInfo({0, 0, kSize, kSize}, nullptr, true, surface);
    cairo->RenderStart(surface);
    cairo->FillRect({0, 0, kSize, kSize}, LColor(kBlack), false);
    DrawSharedScene(*cairo, pattern);
    Platform::Surface* pixels = static_cast<LGDIRenderContextInfo&>(*surface).GetSurface()->GetSurface();
    pixels->Flush();
    auto cairoAt = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, pixels->Data() + y * pixels->Stride() + x * 4, 4);
        return v & 0xFFFFFF;
    };
    // Anti-aliased polygon edges are drawn by rules of their own: only pixels whose neighbours all
    // match them in Cairo's picture are compared.
    int compared = 0;
    for (int y = 1; y < kSize - 1; ++y)
        for (int x = 1; x < kSize - 1; ++x) {
            const uint32_t expected = cairoAt(x, y);
            bool flat = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    flat = flat && cairoAt(x + dx, y + dy) == expected;
            if (!flat)
                continue;
            ++compared;
            ASSERT_PRED2(Near, At(x, y), expected) << x << "," << y;
        }
    EXPECT_GT(compared, kSize * kSize / 2);
    cairo->RenderFinish(surface);
    // Spot checks of the rules themselves.
    EXPECT_EQ(At(2, 2), 0xFF0000u);
    EXPECT_EQ(At(40, 2), 0x00FF00u);
    EXPECT_EQ(At(50, 2), 0x000000u);
    EXPECT_EQ(At(39, 19), PatternPixel(3, 3));
    EXPECT_EQ(At(45, 35), PatternPixel(1, 1));
    EXPECT_EQ(At(40, 48), PatternPixel(0, 0));
}

TEST_F(GlRendererPixels, LinesOutlinesAndTextLeaveInkWhereTheyAreDrawn)
{
    renderer->DrawLine({4.0f, 10.5f}, {60.0f, 10.5f}, LColor(kRed), 1.0f);
    EXPECT_EQ(Ink(), (RectT<int32_t>{4, 10, 56, 1}));
    renderer->FillRect({0, 0, kSize, kSize}, LColor(kBlack), false);
    renderer->DrawRect({10, 20, 30, 20}, LColor(kRed), 1.0f);
    const RectT<int32_t> outline = Ink();
    EXPECT_NEAR(outline.x, 10, 1);
    EXPECT_NEAR(outline.width, 31, 2);
    EXPECT_EQ(At(25, 30), 0u); // an outline only
    // GL's open polygon outline: no closing edge from the last point to the first.
    renderer->FillRect({0, 0, kSize, kSize}, LColor(kBlack), false);
    PolylineT<float> open;
    open.points = {{10.5f, 50.5f}, {10.5f, 40.5f}, {50.5f, 40.5f}};
    renderer->DrawPolygon(open, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, false);
    EXPECT_NE(At(10, 45), 0u);
    EXPECT_EQ(At(30, 45), 0u);

    renderer->FillRect({0, 0, kSize, kSize}, LColor(kBlack), false);
    RCPtr<LFont> font;
    LFont::FindOrCreate(font, u"DejaVu Sans", 12.0f, 0);
    RectT<float> box;
    renderer->MeasureText(box, u"Hi", font);
    EXPECT_GT(box.width, 8.0f);
    renderer->DrawText(u"Hi", font, {5, 5}, LColor(0xFFFFFFFFu));
    const RectT<int32_t> ink = Ink();
    ASSERT_GT(ink.width, 4);
    EXPECT_GE(ink.x, 5);
    EXPECT_LE(ink.x + ink.width, 5 + int(box.width) + 1);
    EXPECT_GE(ink.y, 5);
    EXPECT_LE(ink.y + ink.height, 5 + int(box.height) + 1);
}

TEST_F(GlRendererPixels, ClipsScissorAndUnblendedFills)
{
    // A clip wholly left of the window leaves the one-pixel scissor just outside the viewport.
    renderer->PushState();
    renderer->SetClipRect({-50.0, 0.0, 20.0, 20.0});
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(std::vector<GLint>(box, box + 4), (std::vector<GLint>{kSize, 0, 1, 1}));
    renderer->FillRect({0, 0, kSize, kSize}, LColor(kRed), true);
    EXPECT_EQ(Ink().width, 0);
    renderer->PopClip();

    // Without blending the colour replaces the pixels, in the state's coordinates and clip.
    renderer->FillRect({0, 0, kSize, kSize}, LColor(0xFF0000FFu), true);
    {
        CAutoClip clip(renderer, {10.0, 10.0, 20.0, 20.0}, {10.0, 10.0, 4.0, 4.0}, nullptr);
        renderer->FillRect({0, 0, 10, 10}, LColor(kRed), false);
    }
    EXPECT_EQ(At(9, 9), 0x0000FFu);
    EXPECT_EQ(At(10, 10), 0xFF0000u);
    EXPECT_EQ(At(13, 13), 0xFF0000u);
    EXPECT_EQ(At(14, 14), 0x0000FFu);
    // The clip is back for the next draw.
    renderer->FillRect({20, 20, 2, 2}, LColor(kRed), true);
    EXPECT_EQ(At(21, 21), 0xFF0000u);
}

TEST_F(GlRendererPixels, BitmapResizeRules)
{
    // 16 × 16 tiled into 40 × 20: three columns of two tiles, overhanging the rectangle.
    renderer->DrawBitmap(Pattern(16, 16), {2, 2, 40, 20}, LRenderer::kTile);
    EXPECT_EQ(Ink(), (RectT<int32_t>{2, 2, 48, 32}));
    EXPECT_EQ(At(2 + 32 + 15, 2 + 16 + 15), PatternPixel(15, 15));

    renderer->FillRect({0, 0, kSize, kSize}, LColor(kBlack), false);
    const RCPtr<LBitmap> small = Pattern(4, 4);
    EXPECT_THAT(
        [&] {
            renderer->DrawBitmap(small, {0, 0, 8, 8}, 3);
        },
        ::testing::ThrowsMessage<std::logic_error>(::testing::HasSubstr("Invalid ResizeType passed to DrawBitmap!")));
    renderer->DrawBitmap(small, {10, 10, 4, 4}, 3); // at its own size the type does not matter
    EXPECT_EQ(Ink(), (RectT<int32_t>{10, 10, 4, 4}));
    EXPECT_THAT(
        [&] {
            renderer->DrawBitmap(nullptr, {0, 0, 4, 4}, 0);
        },
        ::testing::ThrowsMessage<FailedResultException>(
            ::testing::HasSubstr("KX::LGLRenderer::DrawBitmap : Renderer\\OpenGL\\GLRenderer : Line 1104")));

    // A sprite of a sheet shows its own pixels only, tiled or at its size.
    renderer->FillRect({0, 0, kSize, kSize}, LColor(kBlack), false);
    std::ifstream in(std::string(KX_RENDER_FIXTURES) + "/sheet-12x12.png", std::ios::binary);
    const std::vector<unsigned char> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const ResourceEntry entries[] = {{u"GDIPLUS", u"SHEET", png.data(), png.size()}};
    SetResourceTable(entries, 1);
    const RCPtr<LBitmap> sprite = LBitmap::Load(u"::SHEET", 3, 4, 5, 5);
    SetResourceTable(nullptr, 0);
    ASSERT_TRUE(sprite);
    renderer->DrawBitmap(sprite, {0, 0, 10, 10}, LRenderer::kTile);
    renderer->DrawBitmap(sprite, {20, 0, 5, 5}, LRenderer::kStretch);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(At(x, y), PatternPixel(3 + x % 5, 4 + y % 5)) << x << "," << y;
    EXPECT_EQ(At(24, 4), PatternPixel(7, 8));

    // Stretched: the bitmap covers the destination, sampled smoothly.
    renderer->FillRect({0, 0, kSize, kSize}, LColor(kBlack), false);
    renderer->DrawBitmap(small, {20, 20, 16, 16}, LRenderer::kStretch);
    EXPECT_EQ(Ink(), (RectT<int32_t>{20, 20, 16, 16}));
}

// Stretched, an opaque bitmap stays opaque out to its outermost pixels: they take the edge texels,
// not the texture's border colour nor the padding of a texture larger than the bitmap.
TEST_F(GlRendererPixels, AStretchedOpaqueBitmapIsOpaqueToItsEdges)
{
    struct Case {
        int width, height;
        RectT<int32_t> to;
    };
    for (const Case& c : {Case{4, 4, {4, 4, 32, 32}}, Case{5, 3, {40, 4, 20, 12}}, Case{3, 5, {44, 24, 6, 30}}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        renderer->FillRect({0, 0, kSize, kSize}, LColor(kBlue), false);
        renderer->DrawBitmap(Pattern(c.width, c.height), c.to, LRenderer::kStretch);
        // The pattern has no blue: any blue inside is the background showing through.
        for (int y = c.to.y; y < c.to.y + c.to.height; ++y)
            for (int x = c.to.x; x < c.to.x + c.to.width; ++x)
                ASSERT_EQ(At(x, y) & 0xFF, 0u) << x << "," << y;
        const int right = c.to.x + c.to.width - 1, bottom = c.to.y + c.to.height - 1;
        EXPECT_EQ(At(c.to.x, c.to.y), PatternPixel(0, 0));
        EXPECT_EQ(At(right, c.to.y), PatternPixel(c.width - 1, 0));
        EXPECT_EQ(At(c.to.x, bottom), PatternPixel(0, c.height - 1));
        EXPECT_EQ(At(right, bottom), PatternPixel(c.width - 1, c.height - 1));
        EXPECT_EQ(At(c.to.x - 1, c.to.y - 1), 0x0000FFu);
        EXPECT_EQ(At(right + 1, bottom + 1), 0x0000FFu);
    }
}

TEST_F(GlRendererPixels, CachedGeometryCompilesOnceUntilItChanges)
{
    PolylineT<float> line;
    line.points = {{2.0f, 30.5f}, {60.0f, 30.5f}};
    renderer->DrawPolyline(line, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    renderer->DrawPolyline(line, LColor(kRed), {0.0f, 10.0f}, {1.0f, 1.0f}, true);
    EXPECT_EQ(Gl().GetCompiledListCount(), 1u);
    EXPECT_NE(At(30, 30), 0u);
    EXPECT_NE(At(30, 40), 0u); // the replay, moved
    line.changed = true;
    renderer->DrawPolyline(line, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    EXPECT_EQ(Gl().GetCompiledListCount(), 2u);
    renderer->DrawPolyline(line, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, false);
    EXPECT_EQ(Gl().GetCompiledListCount(), 2u);

    // One polygon outlined and filled keeps a list in each cache; a change recompiles both.
    PolylineT<float> square;
    square.points = {{40.0f, 40.0f}, {50.0f, 40.0f}, {50.0f, 50.0f}, {40.0f, 50.0f}};
    for (int pass = 0; pass < 2; ++pass) {
        renderer->FillPolygon(square, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
        renderer->DrawPolygon(square, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    }
    EXPECT_EQ(Gl().GetCompiledListCount(), 4u);
    square.changed = true;
    renderer->FillPolygon(square, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    renderer->DrawPolygon(square, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    EXPECT_EQ(Gl().GetCompiledListCount(), 6u);
    EXPECT_EQ(At(45, 45), 0xFF0000u);

    ColorRectListT<float> rects;
    rects.rects = {{0.0f, 0.0f, 2.0f, 2.0f}, {1.0f, 1.0f, 2.0f, 2.0f}};
    rects.colors = {0xFF00FF00u, 0xFF0000FFu};
    rects.scaleX = rects.scaleY = 2.0f;
    renderer->DrawColorRectList(rects, {4.0, 50.0}, true);
    renderer->DrawColorRectList(rects, {14.0, 50.0}, true);
    EXPECT_EQ(Gl().GetCompiledListCount(), 7u);
    // The first rectangle is drawn last, over the second.
    for (int x : {4, 14}) {
        EXPECT_EQ(At(x + 3, 53), 0x00FF00u);
        EXPECT_EQ(At(x + 5, 55), 0x0000FFu);
    }
}

TEST_F(GlRendererPixels, UnusedListsArePurgedAfterAFullPeriodOfDisuse)
{
    PolylineT<float> a, b;
    a.points = b.points = {{2.0f, 2.0f}, {20.0f, 2.0f}};
    renderer->DrawPolyline(a, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    renderer->RenderFinish(context);
    clock.Advance(LGLRenderer::kPurgePeriodMs + 1);
    renderer->RenderStart(context);
    renderer->DrawPolyline(b, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    renderer->RenderFinish(context); // the first purge drops nothing used since the start
    clock.Advance(LGLRenderer::kPurgePeriodMs + 1);
    renderer->RenderStart(context);
    renderer->RenderFinish(context); // a drops out: unused for a whole period
    EXPECT_EQ(Gl().GetCompiledListCount(), 2u);
    renderer->RenderStart(context);
    renderer->DrawPolyline(b, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    EXPECT_EQ(Gl().GetCompiledListCount(), 2u);
    renderer->DrawPolyline(a, LColor(kRed), {0.0f, 0.0f}, {1.0f, 1.0f}, true);
    EXPECT_EQ(Gl().GetCompiledListCount(), 3u);
}

TEST_F(GlRendererPixels, NestedFramesAndOffscreenContexts)
{
    RCPtr<LRenderContextInfo> offscreen;
    ASSERT_EQ(renderer->InitRenderContextInfo({0, 0, 16, 16}, nullptr, true, offscreen), S_OK);
    EXPECT_EQ(offscreen->GetMaxSurfaceSize().x >= kSize, true);
    renderer->RenderStart(offscreen);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 16);
    renderer->RenderFinish(offscreen);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kSize);
    // The window's projection is back: a fill lands where it is asked to.
    renderer->FillRect({50, 50, 4, 4}, LColor(kRed), true);
    EXPECT_EQ(Ink(), (RectT<int32_t>{50, 50, 4, 4}));

    // Nothing fills a texture from an offscreen GL context, so neither operation is offered.
    EXPECT_EQ(renderer->DrawRenderContext(offscreen, {0, 0}, {0, 0, 16, 16}), E_NOTIMPL);
    EXPECT_EQ(renderer->ScrollRenderContext(offscreen, {1, 1}), E_NOTIMPL);
    EXPECT_EQ(renderer->DrawRenderContext(context, {0, 0}, {0, 0, 16, 16}), E_INVALIDARG);
    EXPECT_EQ(renderer->ScrollRenderContext(nullptr, {1, 1}), E_INVALIDARG);
    // A window context is only for the renderer's own window.
    RCPtr<LRenderContextInfo> other;
    EXPECT_EQ(renderer->InitRenderContextInfo({0, 0, 16, 16}, nullptr, false, other), E_FAIL);
}

TEST_F(GlRendererPixels, AWindowWithoutGlReportsThroughTheFactory)
{
    std::vector<std::u16string> boxes;
    LGLRenderer::SetErrorBox([&](const char16_t* key) { boxes.emplace_back(key); });
    const auto plain = MakeWindow(false);
    ASSERT_TRUE(plain);
    EXPECT_THAT([&] { LRenderer::Create(LRenderer::kOpenGL, {}, plain.get()); },
                ::testing::ThrowsMessage<std::runtime_error>(::testing::StrEq(
                    "Runtime Error : KX::LGLRenderer::LGLRenderer : Renderer\\OpenGL\\GLRenderer : Line 173")));
    EXPECT_THAT([&] { LRenderer::Create(LRenderer::kOpenGL, {}, nullptr); },
                ::testing::ThrowsMessage<std::runtime_error>(::testing::EndsWith("Line 163")));
    EXPECT_EQ(boxes,
              (std::vector<std::u16string>{u"GL_ERROR_MESSAGE_CREATE_CONTEXT", u"GL_ERROR_MESSAGE_SET_PIXEL_FORMAT"}));
    EXPECT_EQ(renderer->GetRendererKind(), LRenderer::kOpenGL);
}

} // namespace KX::Test
