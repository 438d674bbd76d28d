#pragma once
// Turns a text in a font into a run of glyphs for a glyph processor, which measures or draws them.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Renderer/FontRenderer/GlyphProcessor.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Utilities/Storage/StringT.h"

namespace KX {

class LFont;

class LFontRenderer : public virtual LRefCountedObject {
public:
    // The flags of a measuring pass.
    static constexpr unsigned kMeasureFlags = 3;

    LFontRenderer(const RCPtr<LGlyphProcessor>& renderProcessor, const RCPtr<LGlyphProcessor>& measureProcessor);

    // The text's box through the measure processor, from the top of the line (the font's ascent,
    // or higher ink) to the font's descent or lower ink; it always holds the origin.
    virtual RectT<float> MeasureText(RectT<float>& rect, const String& text, const RCPtr<LFont>& font);

    // 0, or E_FAIL when the font has no size; then the outputs are untouched.
    [[nodiscard]] virtual KXRESULT GetFontMetrics(const RCPtr<LFont>& font, int& lineHeight, int& ascent,
                                                  int& descent) = 0;
    // Offers every character of the text to the processor, from BeginText to EndText.
    virtual void ProcessText(const String& text, const RCPtr<LFont>& font, RCPtr<LGlyphProcessor>& processor,
                             unsigned startIndex, float maxWidth, unsigned flags) = 0;
    // The measure processor's bounds; all 0 without one.
    virtual void GetProcessorBounds(float& left, float& top, float& right, float& bottom);

    const RCPtr<LGlyphProcessor>& GetMeasureProcessor() const { return m_measureProcessor; }

protected:
    RCPtr<LGlyphProcessor> m_renderProcessor;
    RCPtr<LGlyphProcessor> m_measureProcessor;
};

} // namespace KX
