#pragma once
// The OpenGL renderer's glyph processor: for each font an atlas texture of the glyphs met so far
// and a table of their metrics, so that FreeType renders a glyph once per font. One pass measures a
// text, draws it as one textured quad per glyph, or both. At most 16 fonts keep their atlases; the
// least recently used one goes first. UI thread, with the renderer's GL context current when a text
// draws or uploads.
#include "KXFramework/Renderer/FontRenderer/GlyphProcessor.h"
#include "KXFramework/Renderer/OpenGL/GLTexture.h"
#include "KXFramework/Renderer/PurgableObjectCache.h"
#include "KXFramework/Utilities/Storage/HashedList.h"

#include <cstdint>

namespace KX {

class LGLGlyphRenderer : public LGlyphProcessor {
public:
    // Text flags.
    static constexpr unsigned kMeasure = 2;
    static constexpr unsigned kKeepUploaded = 4;
    static constexpr unsigned kDraw = 8;
    // The atlas's width, and the most rows it may grow to.
    static constexpr uint32_t kAtlasWidth = 512;
    static constexpr uint32_t kMaxAtlasHeight = 16384;
    static constexpr unsigned kFontCapacity = 16;

    // One font's atlas: glyph images in rows of cells, each with an empty border of one pixel.
    class LCachedFont : public LGLTexture {
    public:
        explicit LCachedFont(const ConstRCPtr<LFont>& font);

        // Reserves a cell of w × h at (rowX, rowTop), opening a new row or growing the atlas as
        // needed; false, with nothing changed, when the atlas cannot hold it.
        bool AllocateCell(uint32_t w, uint32_t h);
        // Places the bitmap in a new cell and records where in the glyph; false when it cannot.
        bool CacheGlyphBitmap(const RCPtr<LPixelBuffer<unsigned char>>& bitmap, SCachedGlyph& glyph, unsigned flags);
        // Sends the whole atlas to the texture when part of it changed.
        void UploadAtlas();

        const ConstRCPtr<LFont>& GetFont() const { return m_font; }
        SCachedGlyph FindGlyph(uint32_t character) const { return m_glyphs.Find(character, SCachedGlyph{}); }
        void AddGlyph(const SCachedGlyph& glyph);
        uint32_t GetRowX() const { return m_rowX; }
        uint32_t GetRowTop() const { return m_rowTop; }
        uint32_t GetRowHeight() const { return m_rowHeight; }
        const RCPtr<LPixelBuffer<unsigned char>>& GetAtlas() const { return m_atlas; }
        // x, y, width, height; all 0 when the texture holds every change.
        const float* GetDirty() const { return m_dirty; }

    private:
        struct GlyphKey {
            static unsigned Bucket(uint32_t key) { return key & 0xFF; }
            static String ToString(uint32_t key) { return String::Format(u"%u", key); }
        };

        void CopyIntoAtlas(const LPixelBuffer<unsigned char>& bitmap, uint16_t atlasX, uint16_t atlasY);

        ConstRCPtr<LFont> m_font;
        uint32_t m_rowX = 0;
        uint32_t m_rowTop = 0;
        uint32_t m_rowHeight = 0;
        RCPtr<LPixelBuffer<unsigned char>> m_atlas;
        float m_dirty[4] = {};
        HashedList<uint32_t, SCachedGlyph, GlyphKey> m_glyphs;
    };

    LGLGlyphRenderer();

    void BeginText(const RCPtr<LFont>& font, unsigned flags) override;
    void EndText() override;
    unsigned QueryGlyph(SGlyphInfo& info) override;
    void ProcessGlyph(const SGlyphInfo& info) override;
    void GetBounds(float& left, float& top, float& right, float& bottom) override;

    // The atlas kept for the font, or null.
    RCPtr<LCachedFont> FindCachedFont(const RCPtr<LFont>& font) const;

private:
    struct FontKey {
        static unsigned Bucket(int id) { return unsigned(id) & 0xFF; }
    };

    PurgableObjectCache<LCachedFont, int, FontKey> m_fonts{kFontCapacity};
    RCPtr<LCachedFont> m_current;
    SCachedGlyph m_glyph;
    float m_bounds[4] = {}; // left, top, right, bottom
    unsigned m_flags = 0;
};

} // namespace KX
