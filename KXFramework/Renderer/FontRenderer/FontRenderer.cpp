#include "KXFramework/Renderer/FontRenderer/FontRenderer.h"

#include "KXFramework/Utilities/Graphics/Font.h"

#include <algorithm>

namespace KX {

LFontRenderer::LFontRenderer(const RCPtr<LGlyphProcessor>& renderProcessor,
                             const RCPtr<LGlyphProcessor>& measureProcessor)
    : m_renderProcessor(renderProcessor),
      m_measureProcessor(measureProcessor)
{
}

RectT<float> LFontRenderer::MeasureText(RectT<float>& rect, const String& text, const RCPtr<LFont>& font)
{
    RCPtr<LGlyphProcessor> processor(m_measureProcessor);
    ProcessText(text, font, processor, 0, 0.0f, kMeasureFlags);
    float left = 0, top = 0, right = 0, bottom = 0;
    GetProcessorBounds(left, top, right, bottom);
    const float y = std::min(top, font->GetAscent());
    rect = {left, y, right + 1 - left, std::max(font->GetDescent(), bottom) - y};
    return rect;
}

void LFontRenderer::GetProcessorBounds(float& left, float& top, float& right, float& bottom)
{
    if (!m_measureProcessor) {
        left = top = right = bottom = 0;
        return;
    }
    m_measureProcessor->GetBounds(left, top, right, bottom);
}

} // namespace KX
