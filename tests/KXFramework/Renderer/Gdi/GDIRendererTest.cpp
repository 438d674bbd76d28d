#include "KXFramework/Renderer/Gdi/GDIRenderer.h"

#include "KXFramework/Platform/Graphics/FontSystem.h"
#include "KXFramework/Platform/Graphics/Surface.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Renderer/FontText.h"
#include "ManualClock.h"
#include "PatternBitmap.h"
#include "TestFonts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace KX::Test {

namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;

uint32_t PatternPixel(int x, int y)
{
    return 0xFF000000u | uint32_t(20 * x + 1) << 16 | uint32_t(20 * y + 1) << 8;
}

} // namespace

class GdiRendererPixels : public ::testing::Test {
protected:
    static constexpr int kSize = 40;

    void SetUp() override
    {
        UseTestFonts();
        renderer->InitRenderContextInfo({0, 0, kSize, kSize}, nullptr, true, context);
        renderer->RenderStart(context);
    }
    void TearDown() override
    {
        if (renderer->GetCurrentContext() != nullptr)
            renderer->RenderFinish(context);
    }

    LGDIRenderContextInfo& Gdi() { return static_cast<LGDIRenderContextInfo&>(*context); }

    // Premultiplied 0xAARRGGBB of the current surface.
    uint32_t At(int x, int y)
    {
        Platform::Surface* surface = Gdi().GetSurface()->GetSurface();
        surface->Flush();
        uint32_t v;
        std::memcpy(&v, surface->Data() + y * surface->Stride() + x * 4, 4);
        return v;
    }

    // The smallest rectangle holding every pixel with alpha; width 0 when there is none.
    RectT<int32_t> Ink()
    {
        int left = kSize, top = kSize, right = 0, bottom = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (At(x, y) >> 24) {
                    left = std::min(left, x);
                    top = std::min(top, y);
                    right = std::max(right, x + 1);
                    bottom = std::max(bottom, y + 1);
                }
        return right == 0 ? RectT<int32_t>{} : RectT<int32_t>{left, top, right - left, bottom - top};
    }

    RCPtr<LGDIRenderer> renderer{new LGDIRenderer};
    RCPtr<LRenderContextInfo> context;
};

TEST_F(GdiRendererPixels, FillsBlendOrReplace)
{
    renderer->FillRect({2, 3, 5, 4}, LColor(kRed), true);
    EXPECT_EQ(Ink(), (RectT<int32_t>{2, 3, 5, 4}));
    EXPECT_EQ(At(2, 3), kRed);

    renderer->FillRect({0, 0, 10, 10}, LColor(kBlue), true);
    renderer->FillRect({0, 0, 2, 2}, LColor(0x80FF0000u), true);
    EXPECT_EQ(At(0, 0), 0xFF80007Fu);
    // Without blending the colour replaces the pixel, alpha included.
    renderer->FillRect({4, 4, 2, 2}, LColor(0x80FF0000u), false);
    EXPECT_EQ(At(4, 4), 0x80800000u);
    renderer->FillRect({6, 6, 2, 2}, LColor(0x00FF0000u), false);
    EXPECT_EQ(At(6, 6), 0u);
    renderer->FillRect({8, 8, 2, 2}, LColor(0x00FF0000u), true);
    EXPECT_EQ(At(8, 8), kBlue);
}

TEST_F(GdiRendererPixels, OnePixelOutlineCoversWidthPlusOne)
{
    renderer->DrawRect({5, 6, 10, 8}, LColor(kRed), 1.0f);
    EXPECT_EQ(Ink(), (RectT<int32_t>{5, 6, 11, 9}));
    EXPECT_EQ(At(5, 6), kRed);
    EXPECT_EQ(At(15, 14), kRed);
    EXPECT_EQ(At(10, 10), 0u);
}

TEST_F(GdiRendererPixels, AnOutlineFarLargerThanTheSurfaceKeepsItsEdges)
{
    renderer->DrawRect({-100000, 5, 200000, 10}, LColor(kRed), 1.0f);
    EXPECT_EQ(Ink(), (RectT<int32_t>{0, 5, kSize, 11}));
    EXPECT_EQ(At(20, 5), kRed);
    EXPECT_EQ(At(20, 15), kRed);
    EXPECT_EQ(At(20, 10), 0u);
}

TEST_F(GdiRendererPixels, NegativeOrEmptySizesDrawNothing)
{
    renderer->FillRect({20, 20, -5, -5}, LColor(kRed), true);
    renderer->DrawRect({20, 20, -5, 3}, LColor(kRed), 1.0f);
    renderer->DrawBitmap(Pattern(4, 4), {20, 20, -4, 4}, LRenderer::kStretch);
    renderer->DrawBitmap(nullptr, {0, 0, 4, 4}, LRenderer::kStretch);
    EXPECT_EQ(Ink().width, 0);
}

TEST_F(GdiRendererPixels, NothingLandsOutsideAPushedClip)
{
    {
        CAutoClip clip(renderer, {10.0, 10.0, 20.0, 20.0}, {10.0, 10.0, 8.0, 6.0}, nullptr);
        renderer->FillRect({-100, -100, 1000, 1000}, LColor(kRed), true);
        renderer->DrawLine({-5.0f, 2.0f}, {50.0f, 2.0f}, LColor(kBlue), 1.0f);
    }
    EXPECT_EQ(Ink(), (RectT<int32_t>{10, 10, 8, 6}));
    EXPECT_EQ(At(12, 12), kBlue);
    renderer->FillRect({30, 30, 2, 2}, LColor(kRed), true);
    EXPECT_EQ(At(30, 30), kRed);
}

TEST_F(GdiRendererPixels, UnblendedFillUsesTheOriginAndTheClip)
{
    renderer->FillRect({0, 0, kSize, kSize}, LColor(kBlue), true);
    CAutoClip clip(renderer, {10.0, 10.0, 20.0, 20.0}, {10.0, 10.0, 4.0, 4.0}, nullptr);
    renderer->FillRect({0, 0, 10, 10}, LColor(0x00000000u), false);
    EXPECT_EQ(At(0, 0), kBlue);
    EXPECT_EQ(At(10, 10), 0u);
    EXPECT_EQ(At(13, 13), 0u);
    EXPECT_EQ(At(14, 14), kBlue);
}

TEST_F(GdiRendererPixels, BitmapsStretchTileAndCentre)
{
    const RCPtr<LBitmap> bitmap = Pattern(10, 10);
    renderer->DrawBitmap(bitmap, {0, 0, 20, 20}, LRenderer::kStretch);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(At(x, y), PatternPixel(x / 2, y / 2)) << x << "," << y;

    renderer->FillRect({0, 0, kSize, kSize}, LColor(0u), false);
    renderer->DrawBitmap(bitmap, {3, 2, 25, 25}, LRenderer::kTile);
    EXPECT_EQ(Ink(), (RectT<int32_t>{3, 2, 25, 25}));
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 25; ++x)
            ASSERT_EQ(At(3 + x, 2 + y), PatternPixel(x % 10, y % 10)) << x << "," << y;

    renderer->FillRect({0, 0, kSize, kSize}, LColor(0u), false);
    renderer->DrawBitmap(bitmap, {0, 0, 21, 21}, LRenderer::kCenter);
    EXPECT_EQ(Ink(), (RectT<int32_t>{5, 5, 10, 10}));
    EXPECT_EQ(At(5, 5), PatternPixel(0, 0));
    EXPECT_EQ(At(14, 14), PatternPixel(9, 9));

    // Centred in a smaller box: the middle of the bitmap, cut to the box.
    renderer->FillRect({0, 0, kSize, kSize}, LColor(0u), false);
    renderer->DrawBitmap(bitmap, {0, 0, 4, 4}, LRenderer::kCenter);
    EXPECT_EQ(Ink(), (RectT<int32_t>{0, 0, 4, 4}));
    EXPECT_EQ(At(0, 0), PatternPixel(3, 3));
}

TEST_F(GdiRendererPixels, ATiledSpriteNeverShowsItsNeighbours)
{
    std::ifstream in(std::string(KX_RENDER_FIXTURES) + "/sheet-12x12.png", std::ios::binary);
    const std::vector<unsigned char> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const ResourceEntry entries[] = {{u"GDIPLUS", u"SHEET", png.data(), png.size()}};
    SetResourceTable(entries, 1);
    const RCPtr<LBitmap> sprite = LBitmap::Load(u"::SHEET", 3, 4, 5, 5);
    ASSERT_TRUE(sprite);
    renderer->DrawBitmap(sprite, {0, 0, 25, 25}, LRenderer::kTile);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 25; ++x)
            ASSERT_EQ(At(x, y), PatternPixel(3 + x % 5, 4 + y % 5)) << x << "," << y;
    renderer->DrawBitmap(sprite, {0, 0, 15, 10}, LRenderer::kStretch);
    EXPECT_EQ(At(14, 9), PatternPixel(7, 8));
    SetResourceTable(nullptr, 0);
}

TEST_F(GdiRendererPixels, TheResizeTypeIsPartOfTheCacheKey)
{
    const RCPtr<LBitmap> bitmap = Pattern(10, 10);
    renderer->DrawBitmap(bitmap, {0, 0, 25, 25}, LRenderer::kTile);
    EXPECT_EQ(At(12, 12), PatternPixel(2, 2));
    renderer->DrawBitmap(bitmap, {0, 0, 25, 25}, LRenderer::kStretch);
    EXPECT_EQ(At(12, 12), PatternPixel(4, 4));
    EXPECT_EQ(At(24, 24), PatternPixel(9, 9));
}

TEST_F(GdiRendererPixels, UnknownResizeTypeOnlyMattersWhenTheSizeDiffers)
{
    const RCPtr<LBitmap> bitmap = Pattern(10, 10);
    renderer->DrawBitmap(bitmap, {0, 0, 10, 10}, 7);
    EXPECT_EQ(At(9, 9), PatternPixel(9, 9));
    EXPECT_THAT(
        [&] {
            renderer->DrawBitmap(bitmap, {0, 0, 20, 20}, 7);
        },
        ::testing::ThrowsMessage<std::invalid_argument>(
            ::testing::HasSubstr("Invalid ResizeType passed to DrawBitmap.")));
    renderer->RenderFinish(context);
    EXPECT_THROW(renderer->DrawBitmap(bitmap, {0, 0, 10, 10}, 0), std::runtime_error);
}

TEST_F(GdiRendererPixels, DestinationsAboveTheCacheCapAreDrawnDirectly)
{
    CAutoClip clip(renderer, {0.0, 0.0, 40.0, 40.0}, {0.0, 0.0, 40.0, 40.0}, nullptr);
    renderer->DrawBitmap(Pattern(10, 10), {-20000, 0, 30000, 20000}, LRenderer::kTile);
    EXPECT_EQ(At(0, 0), PatternPixel(0, 0));
    EXPECT_EQ(At(11, 3), PatternPixel(1, 3));
    EXPECT_EQ(renderer->GetCachedBitmapBytes(), 0u);
}

TEST_F(GdiRendererPixels, PolylinesAndPolygons)
{
    PolylineT<float> segments;
    segments.points = {{0, 0}, {9, 0}, {0, 5}, {9, 5}, {30, 30}};
    renderer->DrawLines(segments, LColor(kRed), {1.0f, 1.0f}, {1.0f, 1.0f}, true);
    EXPECT_EQ(Ink(), (RectT<int32_t>{1, 1, 9, 6}));
    EXPECT_EQ(At(5, 3), 0u);

    renderer->FillRect({0, 0, kSize, kSize}, LColor(0u), false);
    PolylineT<float> square;
    square.points = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    renderer->FillPolygon(square, LColor(kBlue), {5.0f, 5.0f}, {2.0f, 2.0f}, true);
    EXPECT_EQ(Ink(), (RectT<int32_t>{5, 5, 20, 20}));
    // The points moved: the owner says so and the path is rebuilt.
    square.points = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    square.changed = true;
    renderer->FillRect({0, 0, kSize, kSize}, LColor(0u), false);
    renderer->FillPolygon(square, LColor(kBlue), {0.0f, 0.0f}, {1.0f, 1.0f}, false);
    EXPECT_EQ(Ink(), (RectT<int32_t>{0, 0, 4, 4}));
}

TEST_F(GdiRendererPixels, FontMetricsAndMeasuresComeFromTheFace)
{
    RCPtr<LFont> font;
    LFont::FindOrCreate(font, u"Arial", 9.0f, 0);
    int32_t lineHeight, ascent, descent;
    ASSERT_EQ(renderer->GetFontMetrics(font, lineHeight, ascent, descent), S_OK);
    EXPECT_EQ(lineHeight, 14);
    EXPECT_EQ(ascent, -11);
    EXPECT_EQ(descent, 3);

    RectT<float> measured;
    EXPECT_EQ(renderer->MeasureText(measured, u"", font), (RectT<float>{}));
    const double px = 12.0;
    const double advance =
        Platform::FontSystem::Get().Match(u"Arial", false, false)->AtPixelSize(px)->Advance(u"Hello world");
    renderer->MeasureText(measured, u"Hello world", font);
    EXPECT_EQ(measured, (RectT<float>{0.0f, -11.0f, float(std::trunc(px / 6 + advance + 0.9999) + 3), 14.0f}));

    // A face nobody has is measured with the face it falls to.
    RCPtr<LFont> unknown;
    LFont::FindOrCreate(unknown, u"No Such Face", 9.0f, 0);
    EXPECT_EQ(renderer->GetFontMetrics(unknown, lineHeight, ascent, descent), S_OK);
    EXPECT_GT(lineHeight, 0);
}

TEST_F(GdiRendererPixels, TextInksInsideItsMeasuredBox)
{
    RCPtr<LFont> font;
    LFont::FindOrCreate(font, u"Arial", 9.0f, LFont::kUnderline);
    RectT<float> box;
    renderer->MeasureText(box, u"Hi", font);
    renderer->DrawText(u"Hi", font, {4, 10}, LColor(0xFF000000u));
    const RectT<int32_t> ink = Ink();
    ASSERT_GT(ink.width, 0);
    // The box's top is one pixel above the position; 1 pixel of tolerance.
    EXPECT_GE(ink.x, 4 + 1);
    EXPECT_LE(ink.x + ink.width, 4 + int(box.width) + 1);
    EXPECT_GE(ink.y, 10 - 1 - 1);
    EXPECT_LE(ink.y + ink.height, 10 - 1 + int(box.height) + 1);
    // The underline runs below the baseline, under both letters.
    const int baseline = 10 - 1 + 11;
    bool underline = false;
    for (int y = baseline; y < baseline + 3; ++y)
        underline = underline || ((At(ink.x + 1, y) >> 24) != 0 && (At(ink.x + ink.width - 2, y) >> 24) != 0);
    EXPECT_TRUE(underline);
}

TEST_F(GdiRendererPixels, TextWrapsToItsBoxWithTheRealFace)
{
    RCPtr<LFont> font;
    LFont::FindOrCreate(font, u"Arial", 9.0f, 0);
    RCPtr<LFontText> text(new LFontText);
    text->SetFont(font);
    text->SetText(u"The quick brown fox jumps over the lazy dog");
    LFontText::Lines lines;
    text->WrapLines(*renderer, 70, lines);
    ASSERT_GT(lines.GetCount(), 2u);
    String joined;
    for (unsigned i = 0; i < lines.GetCount(); ++i) {
        RectT<float> measured;
        renderer->MeasureText(measured, lines.GetAt(i), font);
        EXPECT_LE(measured.width, 70.0f) << i;
        joined += (i == 0 ? String() : String(u" ")) + lines.GetAt(i);
    }
    EXPECT_TRUE(joined == text->GetText());
}

} // namespace KX::Test
