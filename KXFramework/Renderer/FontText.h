#pragma once
// A label's text laid out in its box: broken into lines at line feeds and, with wrapping on, at
// spaces and hyphens to fit the box width; each line measured and placed by the two alignment
// factors. Lines and their rectangles are cached until the text, font, box or wrap flag changes.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/ServiceSlot.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Renderer/Renderer.h"
#include "KXFramework/Utilities/Graphics/Font.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/StringArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <functional>

namespace KX {

class LFontText : public virtual LRefCountedObject {
public:
    using Lines = StringArrayT<char16_t, char>;
    using MeasurementRendererSource = std::function<RCPtr<LMeasurementRenderer>()>;

    // Where layout finds the application's measurement renderer (wired at start-up).
    static ServiceSlot<MeasurementRendererSource>& MeasurementRendererSlot();
    static void SetMeasurementRendererSource(MeasurementRendererSource source);
    // The renderer text is measured with; null while no source is wired.
    static RCPtr<LMeasurementRenderer> GetMeasurementRenderer();

    // The setters empty the caches only when they change something, so that re-applying a value
    // (every layout pass sets the wrap flag) measures nothing again. Each returns whether it changed.
    const String& GetText() const { return m_text; }
    bool SetText(const String& text);
    const RCPtr<LFont>& GetFont() const { return m_font; }
    // The new pointer is kept even when the font is an equal one.
    bool SetFont(const RCPtr<LFont>& font);
    // 0 left (top), 0.5 centre, 1 right (bottom): the share of free space put before a line.
    void SetAlignment(float horizontal, float vertical);
    bool SetWrap(bool wrap);
    void SetBox(int32_t width, int32_t height);
    // Empties both caches.
    void Invalidate();

    // The text split at every character of separators; no separator gives the whole text as one
    // element, a trailing separator no empty last element. The limit is not used.
    int Split(Lines& out, const String& separators, int limit) const;
    // How many characters of text form its first line at maxWidth.
    int FindBreak(LMeasurementRenderer& renderer, int maxWidth, const String& text) const;
    void WrapLines(LMeasurementRenderer& renderer, int maxWidth, Lines& lines) const;
    void MeasureLines(LMeasurementRenderer& renderer);
    // Lays out and measures when the caches are empty; the number of line rectangles.
    int LayoutLines();
    const Lines& GetLines() const { return m_lines; }
    // The line's rectangle in the box, all 0 beyond the last line.
    RectT<float> GetLineRect(int index) const;
    PointT<int32_t> GetTextSize();
    int GetWrappedHeight(int width) const;
    int GetNaturalWidth() const;

private:
    float LineHeight() const { return m_font ? m_font->GetLineHeight() : 0.0f; }

    String m_text;
    RCPtr<LFont> m_font;
    float m_hAlign = 0.0f;
    float m_vAlign = 0.0f;
    bool m_wrap = false;
    int32_t m_boxWidth = 0;
    int32_t m_boxHeight = 0;
    Lines m_lines;
    Array<RectT<float>> m_lineRects;
};

} // namespace KX
