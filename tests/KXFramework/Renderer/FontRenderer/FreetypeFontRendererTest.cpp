#include "KXFramework/Renderer/FontRenderer/FreetypeFontRenderer.h"

#include "KXFramework/Renderer/FontRenderer/FontFileInfo.h"
#include "KXFramework/Utilities/Graphics/Font.h"

#include "FontTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace KX::Test {
namespace {

using Glyph = LGlyphProcessor::SGlyphInfo;

// Records what the font renderer hands over; with caching on it answers later queries itself.
class RecordingProcessor : public LGlyphProcessor {
public:
    void BeginText(const RCPtr<LFont>&, unsigned flags) override
    {
        calls.push_back("BeginText " + std::to_string(flags));
        glyphs.clear();
    }
    void EndText() override { calls.push_back("EndText"); }
    unsigned QueryGlyph(SGlyphInfo& info) override
    {
        calls.push_back("QueryGlyph");
        const auto it = cached.find(info.character);
        if (!caching || it == cached.end())
            return kNeedGlyph | kNeedBox | kNeedBitmap;
        info.box = it->second.box;
        info.advanceX = it->second.advanceX;
        info.advanceY = it->second.advanceY;
        info.glyphIndex = it->second.glyphIndex;
        return 0;
    }
    void ProcessGlyph(const SGlyphInfo& info) override
    {
        calls.push_back("ProcessGlyph");
        glyphs.push_back(info);
        if (caching)
            cached.emplace(info.character, info);
    }
    void GetBounds(float& left, float& top, float& right, float& bottom) override
    {
        left = bounds[0];
        top = bounds[1];
        right = bounds[2];
        bottom = bounds[3];
    }

    bool caching = false;
    float bounds[4] = {};
    std::vector<std::string> calls;
    std::vector<Glyph> glyphs;
    std::map<uint32_t, Glyph> cached;
};

class FreetypeFontRendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder.CopySystemFont("DejaVuSans.ttf");
        m_folder.Write("Solo.ttf", BuildFont(WindowsNames(u"Solo", u"Regular")));
        ASSERT_TRUE(m_folder.Activate());
        m_processor = new RecordingProcessor;
        m_renderer = new LFreetypeFontRenderer(m_processor, m_processor);
    }

    RCPtr<LFont> Font(float size, const char16_t* face = u"DejaVu Sans")
    {
        RCPtr<LFont> font;
        LFont::FindOrCreate(font, face, size, 0);
        return font;
    }

    std::vector<Glyph> Process(const String& text, float size)
    {
        RCPtr<LGlyphProcessor> processor(m_processor);
        m_renderer->ProcessText(text, Font(size), processor, 0, 0.0f, 8);
        return m_processor->glyphs;
    }

    FontTestFolder m_folder;
    RCPtr<RecordingProcessor> m_processor;
    RCPtr<LFontRenderer> m_renderer;
};

TEST_F(FreetypeFontRendererTest, MeasuresTheFontFromItsSize)
{
    int lineHeight = 0, ascent = 0, descent = 0;
    ASSERT_EQ(m_renderer->GetFontMetrics(Font(12.0f), lineHeight, ascent, descent), S_OK);
    // DejaVu Sans at 16 pixels: ascender 1901, descender -483, height 2384 of 2048 units.
    EXPECT_EQ(ascent, -15);
    EXPECT_EQ(descent, 4);
    EXPECT_EQ(lineHeight, 19);
}

TEST_F(FreetypeFontRendererTest, AFontWithoutAUsableFileHasNoSizeAndProcessesNothing)
{
    int lineHeight = -7, ascent = -7, descent = -7;
    EXPECT_EQ(m_renderer->GetFontMetrics(Font(12.0f, u"Solo"), lineHeight, ascent, descent), E_FAIL);
    EXPECT_EQ(lineHeight, -7);
    EXPECT_EQ(ascent, -7);
    EXPECT_EQ(descent, -7);

    RCPtr<LGlyphProcessor> processor(m_processor);
    m_renderer->ProcessText(u"abc", Font(12.0f, u"Solo"), processor, 0, 0.0f, 8);
    m_renderer->ProcessText(u"abc", Font(0.0f), processor, 0, 0.0f, 8);
    EXPECT_TRUE(m_processor->calls.empty());
}

TEST_F(FreetypeFontRendererTest, AnEmptyTextOnlyBeginsAndEnds)
{
    Process(u"", 12.0f);
    EXPECT_EQ(m_processor->calls, (std::vector<std::string>{"BeginText 8", "EndText"}));
}

TEST_F(FreetypeFontRendererTest, HandsOverEachGlyphWithItsBoxBitmapAndPen)
{
    const std::vector<Glyph> glyphs = Process(u"Hi!", 12.0f);
    ASSERT_EQ(glyphs.size(), 3u);
    float penX = 0;
    for (unsigned i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = glyphs[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(g.charIndex, i);
        EXPECT_EQ(g.character, uint32_t(u"Hi!"[i]));
        EXPECT_NE(g.glyphIndex, 0u);
        EXPECT_FLOAT_EQ(g.penY, 0.0f);
        EXPECT_GE(g.penX, penX);
        EXPECT_GT(g.advanceX, 0);
        EXPECT_EQ(g.advanceX % 64, 0); // hinted advances are whole pixels
        // The box is the bitmap's extent, above the baseline for these characters.
        ASSERT_TRUE(g.bitmap);
        EXPECT_EQ(int(g.bitmap->GetWidth()), g.box.right - g.box.left);
        EXPECT_EQ(int(g.bitmap->GetHeight()), g.box.bottom - g.box.top);
        EXPECT_LT(g.box.top, 0);
        EXPECT_LE(g.box.bottom, 0);
        penX = g.penX + g.advanceX / 64.0f;
    }
}

TEST_F(FreetypeFontRendererTest, ACharacterWithoutAGlyphIsSkippedWithoutMovingThePen)
{
    const std::vector<Glyph> plain = Process(u"AB", 12.0f);
    const std::vector<Glyph> gap = Process(u"A\u4E00B", 12.0f);
    ASSERT_EQ(gap.size(), 2u);
    EXPECT_FLOAT_EQ(gap[1].penX, plain[1].penX);
    EXPECT_EQ(gap[1].charIndex, 1u);
}

TEST_F(FreetypeFontRendererTest, SmallSizesRenderOneBitImages)
{
    struct Case {
        float size;
        bool grey;
    };
    for (const Case& c : {Case{7.5f, false}, Case{8.0f, true}}) {
        SCOPED_TRACE(c.size);
        bool ink = false, grey = false;
        for (const Glyph& g : Process(u"Wag", c.size)) {
            ASSERT_TRUE(g.bitmap);
            for (unsigned y = 0; y < g.bitmap->GetHeight(); ++y) {
                for (unsigned x = 0; x < g.bitmap->GetWidth(); ++x) {
                    const unsigned char v = *g.bitmap->GetPixelAddress(x, y);
                    ink = ink || v == 0xFF;
                    grey = grey || (v != 0 && v != 0xFF);
                }
            }
        }
        EXPECT_TRUE(ink);
        EXPECT_EQ(grey, c.grey);
    }
}

TEST_F(FreetypeFontRendererTest, AsksFreetypeOnlyForGlyphsTheProcessorLacks)
{
    m_processor->caching = true;
    const std::vector<Glyph> first = Process(u"abab", 12.0f);
    const std::vector<Glyph> second = Process(u"abab", 12.0f);
    ASSERT_EQ(second.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bool(first[i].bitmap), i < 2);
        EXPECT_FALSE(second[i].bitmap);
        EXPECT_FLOAT_EQ(second[i].penX, first[i].penX);
        EXPECT_EQ(second[i].glyphIndex, first[i].glyphIndex);
        EXPECT_EQ(second[i].box.left, first[i].box.left);
        EXPECT_EQ(second[i].box.bottom, first[i].box.bottom);
    }
}

TEST_F(FreetypeFontRendererTest, KerningMovesPairsAndTheFirstGlyphStartsAtTheOrigin)
{
    const std::vector<Glyph> pair = Process(u"AV", 24.0f);
    ASSERT_EQ(pair.size(), 2u);
    EXPECT_LT(pair[1].penX, pair[0].penX + pair[0].advanceX / 64.0f);

    const std::vector<Glyph> hook = Process(u"j", 24.0f);
    ASSERT_EQ(hook.size(), 1u);
    ASSERT_LT(hook[0].box.left, 0);
    EXPECT_FLOAT_EQ(hook[0].penX, -hook[0].box.left);
}

TEST_F(FreetypeFontRendererTest, AGlyphTooLargeForItsBoxIsLeftOutButThePenPassesIt)
{
    const std::vector<Glyph> glyphs = Process(u"W.", 150.0f);
    ASSERT_EQ(glyphs.size(), 1u);
    EXPECT_EQ(glyphs[0].character, uint32_t(u'.'));
    EXPECT_GT(glyphs[0].penX, 127.0f);
    EXPECT_EQ(glyphs[0].charIndex, 1u);
}

TEST_F(FreetypeFontRendererTest, MeasuresFromTheLineTopAndHoldsTheOrigin)
{
    // Without a metrics provider a 12-point font estimates ascent -12.8 and descent 3.2.
    RectT<float> rect;
    EXPECT_EQ(m_renderer->MeasureText(rect, u"", Font(12.0f)), (RectT<float>{0.0f, -12.8f, 1.0f, 16.0f}));
    EXPECT_EQ(m_processor->calls, (std::vector<std::string>{"BeginText 3", "EndText"}));

    // Ink above the ascent and below the descent widens the box.
    const float bounds[4] = {-1, -20, 30, 5};
    std::copy(bounds, bounds + 4, m_processor->bounds);
    EXPECT_EQ(m_renderer->MeasureText(rect, u"x", Font(12.0f)), (RectT<float>{-1.0f, -20.0f, 32.0f, 25.0f}));
    EXPECT_EQ(rect, (RectT<float>{-1.0f, -20.0f, 32.0f, 25.0f}));
}

TEST_F(FreetypeFontRendererTest, TheSharedStateLivesUntilTheLastRendererEnds)
{
    RCPtr<LFontRenderer> second = new LFreetypeFontRenderer(m_processor, m_processor);
    m_renderer = nullptr;
    int lineHeight = 0, ascent = 0, descent = 0;
    EXPECT_EQ(second->GetFontMetrics(Font(12.0f), lineHeight, ascent, descent), S_OK);
    EXPECT_GT(LFontFileInfo::GetCount(), 0u);
    second = nullptr;
    EXPECT_EQ(LFontFileInfo::GetCount(), 0u);
}

} // namespace
} // namespace KX::Test
