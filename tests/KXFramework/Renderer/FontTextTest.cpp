#include "KXFramework/Renderer/FontText.h"

#include "RecordingRenderer.h"
#include "ScopedService.h"

#include <gtest/gtest.h>

#include <functional>

namespace KX::Test {

namespace {

// Widths are 10 pixels a character; a 16-pixel line.
class FixedWidthRenderer : public RecordingRenderer {
public:
    RectT<float>& MeasureText(RectT<float>& out, const String& text, const RCPtr<LFont>&) override
    {
        out = text.IsEmpty() ? RectT<float>{} : RectT<float>{0.0f, -12.0f, 10.0f * text.GetLength(), 16.0f};
        return out;
    }
};

std::vector<std::u16string> Texts(const LFontText::Lines& lines)
{
    std::vector<std::u16string> out;
    for (unsigned i = 0; i < lines.GetCount(); ++i)
        out.emplace_back(lines.GetAt(i).GetData());
    return out;
}

} // namespace

class FontTextLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        LFont::FindOrCreate(font, u"Layout Test Face", 10.0f, 0);
        text->SetFont(font);
    }

    static KXRESULT FixedMetrics(const LFont&, float& lineHeight, float& ascent, float& descent)
    {
        lineHeight = 16.0f;
        ascent = -12.0f;
        descent = 4.0f;
        return S_OK;
    }

    KX::Test::ScopedService<LFont::MetricsProvider> m_metrics{LFont::MetricsProviderSlot(), FixedMetrics};
    KX::Test::ScopedService<LFontText::MeasurementRendererSource> m_renderer{
        LFontText::MeasurementRendererSlot(), [this] { return RCPtr<LMeasurementRenderer>(renderer); }};

    std::vector<std::u16string> Wrapped(const char16_t* s, int width)
    {
        text->SetText(s);
        LFontText::Lines lines;
        text->WrapLines(*renderer, width, lines);
        return Texts(lines);
    }

    RCPtr<FixedWidthRenderer> renderer{new FixedWidthRenderer};
    RCPtr<LFont> font;
    RCPtr<LFontText> text{new LFontText};
};

TEST_F(FontTextLayout, ASetterKeepsTheLaidOutLinesUnlessItChangesSomething)
{
    RCPtr<LFont> sameAgain;
    LFont::FindOrCreate(sameAgain, u"layout test face", 10.0f, 0);
    RCPtr<LFont> other;
    LFont::FindOrCreate(other, u"Layout Test Face", 12.0f, 0);
    text->SetText(u"two words");
    text->SetBox(200, 50);
    struct Case {
        const char* what;
        std::function<bool()> set;
        bool changes;
    };
    const Case cases[] = {
        {"the same text", [&] { return text->SetText(u"two words"); }, false},
        {"an equal font", [&] { return text->SetFont(sameAgain); }, false},
        {"the same wrap", [&] { return text->SetWrap(false); }, false},
        {"another text", [&] { return text->SetText(u"three short words"); }, true},
        {"another font", [&] { return text->SetFont(other); }, true},
        {"no font", [&] { return text->SetFont(nullptr); }, true},
        {"a font again", [&] { return text->SetFont(font); }, true},
        {"wrapping", [&] { return text->SetWrap(true); }, true},
    };
    for (const Case& c : cases) {
        ASSERT_GT(text->LayoutLines(), 0) << c.what;
        EXPECT_EQ(c.set(), c.changes) << c.what;
        EXPECT_EQ(text->GetLines().GetCount() == 0, c.changes) << c.what;
    }
}

TEST_F(FontTextLayout, SplitKeepsEmptyLinesButNoTrailingOne)
{
    LFontText::Lines lines;
    const String lf(u"\n");
    struct Case {
        const char16_t* text;
        std::vector<std::u16string> lines;
    };
    for (const Case& c :
         {Case{u"a\n\nb", {u"a", u"", u"b"}}, Case{u"\na", {u"", u"a"}}, Case{u"a\n", {u"a"}}, Case{u"", {u""}}}) {
        text->SetText(c.text);
        EXPECT_EQ(text->Split(lines, lf, -1), int(c.lines.size()));
        EXPECT_EQ(Texts(lines), c.lines);
    }
}

TEST_F(FontTextLayout, WrapsAtSpacesAndHyphensAndKeepsLongWordsWhole)
{
    EXPECT_EQ(Wrapped(u"one two three", 80), (std::vector<std::u16string>{u"one two", u"three"}));
    // Exactly as wide as the box: it fits.
    EXPECT_EQ(Wrapped(u"one two", 70), (std::vector<std::u16string>{u"one two"}));
    EXPECT_EQ(Wrapped(u"extraordinary day", 50), (std::vector<std::u16string>{u"extraordinary", u"day"}));
    // No space: after the last hyphen whose leading part fits.
    EXPECT_EQ(Wrapped(u"ab-cd-ef", 60), (std::vector<std::u16string>{u"ab-cd-", u"ef"}));
    // A hyphen after the last fitting space wins over the space.
    EXPECT_EQ(Wrapped(u"aaa bbb-cccc", 80), (std::vector<std::u16string>{u"aaa bbb-", u"cccc"}));
    // Trailing spaces make no empty last line; line feeds always break.
    EXPECT_EQ(Wrapped(u"abc def   ", 40), (std::vector<std::u16string>{u"abc", u"def "}));
    EXPECT_EQ(Wrapped(u"ab\ncd", 200), (std::vector<std::u16string>{u"ab", u"cd"}));
}

TEST_F(FontTextLayout, PlacesLinesByTheAlignmentFactors)
{
    text->SetText(u"abcd");
    text->SetBox(100, 100);
    text->SetAlignment(0.5f, 0.0f);
    EXPECT_EQ(text->LayoutLines(), 1);
    EXPECT_EQ(text->GetLineRect(0), (RectT<float>{30.0f, 0.0f, 40.0f, 16.0f}));
    EXPECT_EQ(text->GetLineRect(1), (RectT<float>{}));

    text->SetText(u"a\nb\nc");
    text->SetAlignment(0.0f, 1.0f);
    EXPECT_EQ(text->LayoutLines(), 3);
    EXPECT_EQ(text->GetLineRect(0).y, 52.0f);
    EXPECT_EQ(text->GetLineRect(2).y, 84.0f);
    EXPECT_EQ(text->GetTextSize(), (PointT<int32_t>{10, 100}));

    text->SetText(u"");
    text->SetAlignment(0.5f, 0.5f);
    EXPECT_EQ(text->LayoutLines(), 1);
    EXPECT_EQ(text->GetLineRect(0), (RectT<float>{50.0f, 42.0f, 0.0f, 0.0f}));
}

TEST_F(FontTextLayout, NaturalWidthAndWrappedHeight)
{
    text->SetText(u"abcd\nab");
    EXPECT_EQ(text->GetNaturalWidth(), 40);
    text->SetWrap(true);
    text->SetText(u"one two three");
    EXPECT_EQ(text->GetWrappedHeight(80), 32);
    EXPECT_EQ(text->GetWrappedHeight(200), 16);
}

} // namespace KX::Test
