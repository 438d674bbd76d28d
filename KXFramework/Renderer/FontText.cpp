#include "KXFramework/Renderer/FontText.h"

#include <cmath>

namespace KX {

namespace {

const String& LineFeed()
{
    static const auto* separator = new String(u"\n");
    return *separator;
}

// The measured width with the returned x folded in.
float Width(LMeasurementRenderer& renderer, const String& text, const RCPtr<LFont>& font)
{
    RectT<float> r;
    renderer.MeasureText(r, text, font);
    return r.x != 0.0f ? r.width + r.x : r.width;
}

int LastIndexOf(const String& text, char16_t c, int end)
{
    const char16_t* chars = text.GetData();
    for (int i = end; i-- > 0;)
        if (chars[i] == c)
            return i;
    return -1;
}

String WithoutLeadingSpaces(const String& text)
{
    const char16_t* chars = text.GetData();
    unsigned n = 0;
    while (chars[n] == u' ')
        ++n;
    return n == 0 ? text : text.Mid(n);
}

} // namespace

ServiceSlot<LFontText::MeasurementRendererSource>& LFontText::MeasurementRendererSlot()
{
    static auto* slot = new ServiceSlot<MeasurementRendererSource>;
    return *slot;
}

void LFontText::SetMeasurementRendererSource(MeasurementRendererSource source)
{
    MeasurementRendererSlot().Set(std::move(source));
}

RCPtr<LMeasurementRenderer> LFontText::GetMeasurementRenderer()
{
    const MeasurementRendererSource get = MeasurementRendererSlot().Get();
    return get ? get() : nullptr;
}

bool LFontText::SetText(const String& text)
{
    if (m_text == text)
        return false;
    m_text = text;
    Invalidate();
    return true;
}

bool LFontText::SetFont(const RCPtr<LFont>& font)
{
    const bool changed = bool(m_font) != bool(font) || (m_font && font && m_font->Differs(*font));
    m_font = font;
    if (changed)
        Invalidate();
    return changed;
}

void LFontText::SetAlignment(float horizontal, float vertical)
{
    if (horizontal == m_hAlign && vertical == m_vAlign)
        return;
    m_hAlign = horizontal;
    m_vAlign = vertical;
    m_lineRects.Clear();
}

bool LFontText::SetWrap(bool wrap)
{
    if (wrap == m_wrap)
        return false;
    m_wrap = wrap;
    Invalidate();
    return true;
}

void LFontText::SetBox(int32_t width, int32_t height)
{
    if (width == m_boxWidth && height == m_boxHeight)
        return;
    m_boxWidth = width;
    m_boxHeight = height;
    Invalidate();
}

void LFontText::Invalidate()
{
    m_lines.Clear();
    m_lineRects.Clear();
}

int LFontText::Split(Lines& out, const String& separators, int) const
{
    const char16_t* chars = m_text.GetData();
    const unsigned length = m_text.GetLength();
    auto run = [&](unsigned from) {
        unsigned p = from;
        while (p < length &&
               std::char_traits<char16_t>::find(separators.GetData(), separators.GetLength(), chars[p]) == nullptr)
            ++p;
        return p - from;
    };
    out.Clear();
    if (run(0) == length) {
        out.Add(m_text);
        return 1;
    }
    for (unsigned r = 0; r < length;) {
        const unsigned p = run(r);
        out.Add(p == 0 ? String() : m_text.SubString(int(r), p));
        r += p + 1;
    }
    return int(out.GetCount());
}

int LFontText::FindBreak(LMeasurementRenderer& renderer, int maxWidth, const String& text) const
{
    auto fits = [&](const String& piece) { return Width(renderer, piece, m_font) <= float(maxWidth); };
    // One rule for the whole text and its pieces: it fits when it is not wider than the box.
    if (fits(text))
        return int(text.GetLength());
    String c = text;
    int result;
    for (;;) {
        const int s = LastIndexOf(c, u' ', int(c.GetLength()));
        if (s >= 1) {
            if (fits(c.Left(unsigned(s)))) {
                const int h = 1 + LastIndexOf(c, u'-', int(c.GetLength()));
                result = h > s && fits(c.Left(unsigned(h))) ? h : s;
                break;
            }
            c = c.Left(unsigned(s));
            continue;
        }
        const int h = 1 + LastIndexOf(c, u'-', int(c.GetLength()) - 1);
        if (h == 0) {
            // A word that does not fit stands whole on its line.
            result = int(c.GetLength());
            break;
        }
        if (fits(c.Left(unsigned(h)))) {
            result = h;
            break;
        }
        c = c.Left(unsigned(h));
    }
    return result < 1 ? int(c.GetLength()) : result;
}

void LFontText::WrapLines(LMeasurementRenderer& renderer, int maxWidth, Lines& lines) const
{
    lines.Clear();
    Lines paragraphs;
    Split(paragraphs, LineFeed(), -1);
    for (unsigned i = 0; i < paragraphs.GetCount(); ++i) {
        String rest = paragraphs.GetAt(i);
        for (;;) {
            const int n = FindBreak(renderer, maxWidth, rest);
            if (unsigned(n) >= rest.GetLength()) {
                lines.Add(rest);
                break;
            }
            lines.Add(rest.Left(unsigned(n)));
            // Spaces at the break are dropped, so trailing spaces make no empty last line.
            rest = WithoutLeadingSpaces(rest.Mid(unsigned(n)));
            if (rest.IsEmpty())
                break;
        }
    }
}

void LFontText::MeasureLines(LMeasurementRenderer& renderer)
{
    m_lineRects.Clear();
    if (m_lines.GetCount() == 0)
        m_lines.Add(String());
    const float h = LineHeight();
    const float total = h * float(m_lines.GetCount());
    const float top = (float(m_boxHeight) - total) * m_vAlign;
    for (unsigned i = 0; i < m_lines.GetCount(); ++i) {
        RectT<float> r;
        renderer.MeasureText(r, m_lines.GetAt(i), m_font);
        if (r.x != 0.0f) {
            r.width += r.x;
            r.x = 0.0f;
        }
        r.x = (float(m_boxWidth) - r.width) * m_hAlign;
        r.y = h * float(i) + top;
        m_lineRects.Add(r);
    }
}

int LFontText::LayoutLines()
{
    const RCPtr<LMeasurementRenderer> renderer = GetMeasurementRenderer();
    if (m_lines.GetCount() == 0) {
        if (m_wrap && renderer)
            WrapLines(*renderer, m_boxWidth, m_lines);
        else
            Split(m_lines, LineFeed(), -1);
    }
    if (m_lineRects.GetCount() == 0 && renderer)
        MeasureLines(*renderer);
    return int(m_lineRects.GetCount());
}

RectT<float> LFontText::GetLineRect(int index) const
{
    return index >= 0 && unsigned(index) < m_lineRects.GetCount() ? m_lineRects.GetAt(unsigned(index)) : RectT<float>{};
}

PointT<int32_t> LFontText::GetTextSize()
{
    LayoutLines();
    RectT<float> u{};
    for (unsigned i = 0; i < m_lineRects.GetCount(); ++i)
        RectT<float>::Union(u, u, m_lineRects.GetAt(i));
    using GeometryRules::Clamp;
    using GeometryRules::RoundToLong;
    return {RoundToLong(Clamp(u.width, 8388608.0)), RoundToLong(Clamp(u.height, 8388608.0))};
}

int LFontText::GetWrappedHeight(int width) const
{
    Lines lines;
    const RCPtr<LMeasurementRenderer> renderer = GetMeasurementRenderer();
    if (m_wrap && renderer)
        WrapLines(*renderer, width, lines);
    else
        Split(lines, LineFeed(), -1);
    return int(float(lines.GetCount()) * LineHeight());
}

int LFontText::GetNaturalWidth() const
{
    const RCPtr<LMeasurementRenderer> renderer = GetMeasurementRenderer();
    if (!renderer)
        return 0;
    Lines lines;
    Split(lines, LineFeed(), -1);
    float w = 0.0f;
    for (unsigned i = lines.GetCount(); i-- > 0;)
        w = std::max(w, Width(*renderer, lines.GetAt(i), m_font));
    return int(std::trunc(double(w) + 0.99));
}

} // namespace KX
