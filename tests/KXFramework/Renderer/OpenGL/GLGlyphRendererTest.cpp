#include "KXFramework/Renderer/OpenGL/GLGlyphRenderer.h"

#include "KXFramework/Renderer/FontRenderer/FreetypeFontRenderer.h"
#include "KXFramework/Utilities/Graphics/Font.h"

#include "GlFixture.h"
#include "TestFonts.h"

#include <gtest/gtest.h>

#include <string>

namespace KX::Test {
namespace {

using Glyph = LGlyphProcessor::SGlyphInfo;
using CachedFont = LGLGlyphRenderer::LCachedFont;

RCPtr<LFont> Font(float size, const char16_t* face = u"DejaVu Sans")
{
    RCPtr<LFont> font;
    LFont::FindOrCreate(font, face, size, 0);
    return font;
}

// A glyph of w × h ink pixels standing on the baseline, advancing by its width plus one.
Glyph InkGlyph(uint32_t character, unsigned w, unsigned h, float penX = 0)
{
    Glyph g;
    g.character = character;
    g.glyphIndex = character;
    g.penX = penX;
    g.box = {0, int8_t(-int(h > 127 ? 127 : h)), int8_t(w > 127 ? 127 : w), 0};
    g.advanceX = int16_t((w + 1) * 64);
    g.bitmap = new LPixelBuffer<unsigned char>(w, h, w, nullptr);
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            *g.bitmap->GetPixelAddress(x, y) = 0xFF;
    return g;
}

// Offers a glyph as the font renderer does: query, then process what the renderer lacks.
unsigned Offer(LGLGlyphRenderer& renderer, Glyph glyph)
{
    const unsigned need = renderer.QueryGlyph(glyph);
    if (need == 0)
        glyph.bitmap = nullptr;
    renderer.ProcessGlyph(glyph);
    return need;
}

std::vector<float> Dirty(const CachedFont& font)
{
    return {font.GetDirty()[0], font.GetDirty()[1], font.GetDirty()[2], font.GetDirty()[3]};
}

class GlyphAtlas : public ::testing::Test {
protected:
    RCPtr<LGLGlyphRenderer> m_renderer = new LGLGlyphRenderer;
};

TEST_F(GlyphAtlas, TheFirstTextMakesAnAtlasForItsFontSize)
{
    const RCPtr<LFont> font = Font(12.0f);
    m_renderer->BeginText(font, LGLGlyphRenderer::kMeasure);
    const RCPtr<CachedFont> cached = m_renderer->FindCachedFont(font);
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->GetAtlas()->GetWidth(), 512u);
    EXPECT_EQ(cached->GetAtlas()->GetHeight(), 16u);
    EXPECT_EQ(cached->GetRowHeight(), 12u);
    EXPECT_EQ(Dirty(*cached), (std::vector<float>{0, 0, 512, 16}));
    m_renderer->EndText();
}

TEST_F(GlyphAtlas, GlyphsFillRowsOfBorderedCellsAndTheAtlasGrows)
{
    const RCPtr<LFont> font = Font(12.0f);
    m_renderer->BeginText(font, LGLGlyphRenderer::kMeasure);
    const RCPtr<CachedFont> cached = m_renderer->FindCachedFont(font);

    EXPECT_EQ(Offer(*m_renderer, InkGlyph('a', 100, 10)), 7u);
    EXPECT_EQ(cached->FindGlyph('a').atlasX, 1u);
    EXPECT_EQ(cached->FindGlyph('a').atlasY, 1u);
    EXPECT_EQ(*cached->GetAtlas()->GetPixelAddress(1, 1), 0xFF);
    EXPECT_EQ(*cached->GetAtlas()->GetPixelAddress(0, 0), 0x00);
    EXPECT_EQ(cached->GetRowX(), 102u);

    // A space: a 2 × 2 cell, nothing copied, the dirty rectangle unchanged.
    const std::vector<float> dirty = Dirty(*cached);
    Offer(*m_renderer, InkGlyph(' ', 0, 0));
    EXPECT_EQ(cached->GetRowX(), 104u);
    EXPECT_EQ(Dirty(*cached), dirty);

    // A cell that would end at column 512 opens a new row below the tallest cell of this one.
    Offer(*m_renderer, InkGlyph('b', 200, 20));
    EXPECT_EQ(cached->GetRowX(), 306u);
    Offer(*m_renderer, InkGlyph('c', 204, 5));
    EXPECT_EQ(cached->FindGlyph('c').atlasX, 1u);
    EXPECT_EQ(cached->FindGlyph('c').atlasY, 23u);
    EXPECT_EQ(cached->GetAtlas()->GetHeight(), 32u);
    EXPECT_EQ(*cached->GetAtlas()->GetPixelAddress(1, 23), 0xFF);
    m_renderer->EndText();
}

TEST_F(GlyphAtlas, AGlyphTheAtlasCannotHoldIsNeitherKeptNorMeasured)
{
    const RCPtr<LFont> font = Font(12.0f);
    m_renderer->BeginText(font, LGLGlyphRenderer::kMeasure);
    const RCPtr<CachedFont> cached = m_renderer->FindCachedFont(font);
    Offer(*m_renderer, InkGlyph('w', 511, 10));
    Offer(*m_renderer, InkGlyph('t', 10, 16384));
    EXPECT_EQ(cached->FindGlyph('w').character, 0u);
    EXPECT_EQ(cached->FindGlyph('t').character, 0u);
    EXPECT_EQ(cached->GetRowX(), 0u);
    float l, t, r, b;
    m_renderer->GetBounds(l, t, r, b);
    EXPECT_EQ(std::vector<float>({l, t, r, b}), std::vector<float>({0, 0, 0, 0}));

    // Growth stops at 16384 rows; a refused cell changes nothing.
    EXPECT_TRUE(cached->AllocateCell(10, 16000));
    EXPECT_FALSE(cached->AllocateCell(512, 500)) << "a new row below would pass the limit";
    EXPECT_EQ(cached->GetRowX(), 0u);
    EXPECT_EQ(cached->GetRowHeight(), 16000u);
    EXPECT_EQ(cached->GetAtlas()->GetHeight(), 16384u);
    m_renderer->EndText();
}

TEST_F(GlyphAtlas, MeasuringAddsEachGlyphsAdvanceBoxToBoundsHoldingTheOrigin)
{
    m_renderer->BeginText(Font(12.0f), LGLGlyphRenderer::kMeasure);
    Offer(*m_renderer, InkGlyph('a', 5, 8, 2.0f));
    Offer(*m_renderer, InkGlyph('b', 6, 12, 8.0f));
    float l, t, r, b;
    m_renderer->GetBounds(l, t, r, b);
    EXPECT_EQ(std::vector<float>({l, t, r, b}), std::vector<float>({0, -12, 15, 0}));
    m_renderer->EndText();
    EXPECT_EQ(m_renderer->QueryGlyph(*std::make_unique<Glyph>()), 0u) << "no font between texts";
}

TEST_F(GlyphAtlas, TheSeventeenthFontTakesTheLeastRecentlyUsedAtlas)
{
    std::vector<RCPtr<LFont>> fonts;
    auto use = [this](const RCPtr<LFont>& font) {
        m_renderer->BeginText(font, LGLGlyphRenderer::kMeasure);
        Offer(*m_renderer, InkGlyph('a', 4, 4));
        m_renderer->EndText();
    };
    for (int i = 0; i < 17; ++i) {
        fonts.push_back(Font(10.0f + float(i)));
        // The first font is used again before the last arrives, so the second is the oldest then.
        if (i == 16)
            use(fonts[0]);
        use(fonts.back());
    }
    EXPECT_TRUE(m_renderer->FindCachedFont(fonts[0]));
    EXPECT_FALSE(m_renderer->FindCachedFont(fonts[1]));
    m_renderer->BeginText(fonts[1], LGLGlyphRenderer::kMeasure);
    Glyph again = InkGlyph('a', 4, 4);
    EXPECT_EQ(m_renderer->QueryGlyph(again), 7u) << "rebuilt from scratch";
    m_renderer->EndText();
}

// With the real font renderer.
class GlyphText : public GlFixture {
protected:
    void SetUp() override
    {
        GlFixture::SetUp();
        UseTestFonts();
        m_fonts = new LFreetypeFontRenderer(m_glyphs, m_glyphs);
    }
    void TearDown() override
    {
        m_fonts = nullptr;
        GlFixture::TearDown();
    }

    RCPtr<LGLGlyphRenderer> m_glyphs = new LGLGlyphRenderer;
    RCPtr<LFontRenderer> m_fonts;
};

TEST_F(GlyphText, MeasuringTwiceRendersEachGlyphOnceAndNeverUploads)
{
    const RCPtr<LFont> font = Font(12.0f);
    RectT<float> first, second;
    m_fonts->MeasureText(first, u"Preset 12", font);
    const RCPtr<CachedFont> cached = m_glyphs->FindCachedFont(font);
    ASSERT_TRUE(cached);
    const uint32_t rowX = cached->GetRowX();
    m_fonts->MeasureText(second, u"Preset 12", font);
    EXPECT_EQ(second, first);
    EXPECT_EQ(cached->GetRowX(), rowX) << "no glyph was rendered again";
    EXPECT_GT(first.width, 40.0f);
    EXPECT_EQ(cached->GetName(), LGLTexture::kNoName);
    EXPECT_GT(Dirty(*cached)[2], 0.0f);

    // A drawing pass that keeps the atlas uploaded sends it once and leaves it clean.
    RCPtr<LGlyphProcessor> processor(m_glyphs);
    m_fonts->ProcessText(u"P", font, processor, 0, 0.0f, LGLGlyphRenderer::kKeepUploaded);
    EXPECT_TRUE(glIsTexture(cached->GetName()));
    EXPECT_EQ(Dirty(*cached), (std::vector<float>{0, 0, 0, 0}));
}

TEST_F(GlyphText, DrawsEachGlyphAsAQuadFromTheTopOfItsLine)
{
    const RCPtr<LFont> font = Font(24.0f);
    RectT<float> box;
    m_fonts->MeasureText(box, u"Hi", font);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor3ub(255, 255, 255);
    glTranslatef(10.0f, 10.0f, 0.0f);
    RCPtr<LGlyphProcessor> processor(m_glyphs);
    m_fonts->ProcessText(u"Hi", font, processor, 0, 0.0f, LGLGlyphRenderer::kKeepUploaded | LGLGlyphRenderer::kDraw);

    // Ink lies inside the measured box moved down by the ascent (y of the text is the line's top).
    const float ascent = -font->GetAscent();
    int inside = 0, outside = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (Pixel(x, y) == 0)
                continue;
            const bool in = x >= 10 + box.x && x < 10 + box.x + box.width && y >= 10 + ascent + box.y &&
                            y < 10 + ascent + box.y + box.height;
            (in ? inside : outside)++;
        }
    }
    EXPECT_GT(inside, 60);
    EXPECT_EQ(outside, 0);
    // The "H" stands from the top of the line: its stems reach row 10 + ascent - cap height.
    EXPECT_NE(Pixel(13, 10 + int(ascent) - 5), 0u);
}

} // namespace
} // namespace KX::Test
