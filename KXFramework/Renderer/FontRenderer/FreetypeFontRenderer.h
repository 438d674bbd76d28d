#pragma once
// The font renderer on FreeType: fonts find their files through the installed-font registry, and
// FreeType's cache manager keeps their faces and sizes. The FreeType state and the registry are
// shared by every font renderer alive: the first one sets them up, the last one ends them. The
// state is apart from the font system's, which has its own FreeType library. UI thread only.
#include "KXFramework/Renderer/FontRenderer/FontRenderer.h"

namespace KX {

class LFreetypeFontRenderer : public LFontRenderer {
public:
    LFreetypeFontRenderer(const RCPtr<LGlyphProcessor>& renderProcessor,
                          const RCPtr<LGlyphProcessor>& measureProcessor);
    ~LFreetypeFontRenderer() override;

    [[nodiscard]] KXRESULT GetFontMetrics(const RCPtr<LFont>& font, int& lineHeight, int& ascent,
                                          int& descent) override;
    void ProcessText(const String& text, const RCPtr<LFont>& font, RCPtr<LGlyphProcessor>& processor,
                     unsigned startIndex, float maxWidth, unsigned flags) override;
};

} // namespace KX
