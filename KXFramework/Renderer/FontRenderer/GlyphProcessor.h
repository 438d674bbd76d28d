#pragma once
// What the font renderer hands each glyph of a text to: a processor that measures or draws it and
// may keep glyphs of its own, so that the font renderer asks FreeType only for what it lacks.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/PixelBuffer.h"

#include <cstdint>

namespace KX {

class LFont;

class LGlyphProcessor : public virtual LRefCountedObject {
public:
    // The needs QueryGlyph answers: the glyph index and advances, its pixel box, its bitmap.
    static constexpr unsigned kNeedGlyph = 1;
    static constexpr unsigned kNeedBox = 2;
    static constexpr unsigned kNeedBitmap = 4;

    // One character of a text on its way to the processor.
    struct SGlyphInfo {
        uint32_t charIndex = 0; // position in the text
        uint32_t character = 0; // the UTF-16 unit
        float penX = 0;         // pen position in pixels from the text origin, y downwards
        float penY = 0;
        // Pixel bounding box relative to the pen, y downwards.
        struct {
            int8_t left, top, right, bottom;
        } box{};
        int16_t advanceX = 0; // 26.6 fixed point
        int16_t advanceY = 0;
        uint32_t glyphIndex = 0;                   // 0: none
        RCPtr<LPixelBuffer<unsigned char>> bitmap; // 8-bit coverage, or null
    };

    // The metrics of a glyph that a processor keeps; character 0 marks no glyph.
    struct SCachedGlyph {
        uint32_t character = 0; // the UTF-16 unit, the key
        uint32_t glyphIndex = 0;
        struct {
            int8_t left, top, right, bottom;
        } box{};
        int16_t advanceX = 0; // 26.6 fixed point
        int16_t advanceY = 0;
        uint16_t atlasX = 0; // top-left pixel of the glyph's image in its font's atlas
        uint16_t atlasY = 0;
    };

    virtual void BeginText(const RCPtr<LFont>& font, unsigned flags) = 0;
    virtual void EndText() = 0;
    // 0 when the processor filled box, advances and glyph index from its own cache; otherwise what
    // it needs loaded.
    virtual unsigned QueryGlyph(SGlyphInfo& info) = 0;
    virtual void ProcessGlyph(const SGlyphInfo& info) = 0;
    virtual void GetBounds(float& left, float& top, float& right, float& bottom) = 0;
};

} // namespace KX
