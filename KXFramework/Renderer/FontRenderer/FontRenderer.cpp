#include "KXFramework/Renderer/FontRenderer/FontRenderer.h"

namespace KX {

LFontRenderer::LFontRenderer(
    const RCPtr<LGlyphProcessor>& renderProcessor, const RCPtr<LGlyphProcessor>& measureProcessor)
    : m_renderProcessor(renderProcessor),
      m_measureProcessor(measureProcessor)
{}

void LFontRenderer::GetProcessorBounds(float& left, float& top, float& right, float& bottom)
{
    if (!m_measureProcessor) {
        left = top = right = bottom = 0;
        return;
    }
    m_measureProcessor->GetBounds(left, top, right, bottom);
}

} // namespace KX
