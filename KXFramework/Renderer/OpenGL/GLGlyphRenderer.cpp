#include "KXFramework/Renderer/OpenGL/GLGlyphRenderer.h"

#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Utilities/Graphics/Font.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

namespace KX {

LGLGlyphRenderer::LCachedFont::LCachedFont(const ConstRCPtr<LFont>& font) : m_font(font)
{
    const float size = font->GetSize();
    AllocateCell(0, size > 0.0f ? uint32_t(std::min(size, float(kMaxAtlasHeight))) : 0);
}

bool LGLGlyphRenderer::LCachedFont::AllocateCell(uint32_t w, uint32_t h)
{
    // A cell wider than the atlas would spill into the next row.
    if (w > kAtlasWidth)
        return false;
    uint32_t rowX = m_rowX, rowTop = m_rowTop, rowHeight = m_rowHeight;
    if (rowX + w >= kAtlasWidth) {
        rowTop += rowHeight;
        rowX = 0;
        rowHeight = 0;
    }
    rowHeight = std::max(rowHeight, h);
    const uint64_t needed = uint64_t(rowTop) + h;
    // Glyph positions are 16-bit, and the texture has its limit too.
    if (needed > kMaxAtlasHeight || uint64_t(rowTop) + rowHeight > kMaxAtlasHeight)
        return false;
    if (!m_atlas)
        m_atlas = new LPixelBuffer<unsigned char>(kAtlasWidth, rowHeight, kAtlasWidth, nullptr);
    if (needed >= m_atlas->GetHeight()) {
        uint32_t height = NearestPowerOfTwo(int64_t(needed));
        while (height < needed)
            height *= 2;
        if (m_atlas->SetHeight(height) != S_OK)
            return false;
        m_dirty[0] = 0;
        m_dirty[1] = 0;
        m_dirty[2] = float(kAtlasWidth);
        m_dirty[3] = float(height);
    }
    m_rowX = rowX;
    m_rowTop = rowTop;
    m_rowHeight = rowHeight;
    return true;
}

bool LGLGlyphRenderer::LCachedFont::CacheGlyphBitmap(const RCPtr<LPixelBuffer<unsigned char>>& bitmap,
                                                     SCachedGlyph& glyph, unsigned flags)
{
    const uint32_t w = bitmap ? bitmap->GetWidth() : 0;
    const uint32_t h = bitmap ? bitmap->GetHeight() : 0;
    if (w > kAtlasWidth || h > kMaxAtlasHeight || !AllocateCell(w + 2, h + 2))
        return false;
    glyph.atlasX = uint16_t(m_rowX + 1);
    glyph.atlasY = uint16_t(m_rowTop + 1);
    if (h > 0)
        CopyIntoAtlas(*bitmap, glyph.atlasX, glyph.atlasY);
    m_rowX += w + 2;
    if (flags & kKeepUploaded)
        UploadAtlas();
    return true;
}

void LGLGlyphRenderer::LCachedFont::CopyIntoAtlas(const LPixelBuffer<unsigned char>& bitmap, uint16_t atlasX,
                                                  uint16_t atlasY)
{
    const uint32_t w = bitmap.GetWidth();
    const uint32_t h = bitmap.GetHeight();
    for (uint32_t y = 0; y < h; ++y) {
        const unsigned char* source = bitmap.GetPixelAddress(0, y);
        unsigned char* target = m_atlas->GetPixelAddress(atlasX, atlasY + y);
        if (!source || !target)
            break;
        std::memcpy(target, source, w);
    }
    // The cell with its border joins the dirty rectangle; a clean one, (0, 0, 0, 0), takes part too.
    RectT<float> dirty{m_dirty[0], m_dirty[1], m_dirty[2], m_dirty[3]};
    RectT<float>::Union(dirty, dirty, {float(atlasX) - 1, float(atlasY) - 1, float(w + 2), float(h + 2)});
    m_dirty[0] = dirty.x;
    m_dirty[1] = dirty.y;
    m_dirty[2] = dirty.width;
    m_dirty[3] = dirty.height;
}

void LGLGlyphRenderer::LCachedFont::UploadAtlas()
{
    if (!(m_dirty[2] > GeometryRules::kUnionMinExtent && m_dirty[3] > GeometryRules::kUnionMinExtent) || !m_atlas)
        return;
    SGLImage image;
    image.Set(m_atlas->GetPixelAddress(0, 0), m_atlas->GetStride(), 1, m_atlas->GetWidth(), m_atlas->GetHeight(),
              GL_ALPHA, GL_UNSIGNED_BYTE);
    SetImage(image, GL_ALPHA, kNearest, 1.0f);
    std::fill(std::begin(m_dirty), std::end(m_dirty), 0.0f);
}

void LGLGlyphRenderer::LCachedFont::AddGlyph(const SCachedGlyph& glyph)
{
    m_glyphs.Add(decltype(m_glyphs)::Entry::Create(glyph.character, glyph));
}

LGLGlyphRenderer::LGLGlyphRenderer() = default;

void LGLGlyphRenderer::BeginText(const RCPtr<LFont>& font, unsigned flags)
{
    m_flags = flags;
    std::fill(std::begin(m_bounds), std::end(m_bounds), 0.0f);
    if (!font)
        return;
    RCPtr<LCachedFont>& entry = m_fonts.GetEntry(LFont::GetUniqueID(*font), false);
    if (!entry)
        entry = new LCachedFont(font);
    m_current = entry;
    if (flags & kKeepUploaded)
        m_current->UploadAtlas();
}

void LGLGlyphRenderer::EndText()
{
    m_current = nullptr;
}

unsigned LGLGlyphRenderer::QueryGlyph(SGlyphInfo& info)
{
    if (!m_current)
        return 0;
    m_glyph = m_current->FindGlyph(info.character);
    if (m_glyph.character == 0)
        return kNeedGlyph | kNeedBox | kNeedBitmap;
    info.box = {m_glyph.box.left, m_glyph.box.top, m_glyph.box.right, m_glyph.box.bottom};
    info.advanceX = m_glyph.advanceX;
    info.advanceY = m_glyph.advanceY;
    info.glyphIndex = m_glyph.glyphIndex;
    return 0;
}

void LGLGlyphRenderer::ProcessGlyph(const SGlyphInfo& info)
{
    if (!m_current)
        return;
    if (m_glyph.character == 0) {
        SCachedGlyph glyph;
        glyph.character = info.character;
        glyph.box = {info.box.left, info.box.top, info.box.right, info.box.bottom};
        glyph.advanceX = info.advanceX;
        glyph.advanceY = info.advanceY;
        glyph.glyphIndex = info.glyphIndex;
        // A glyph the atlas cannot hold is neither kept nor drawn; the pen moves on past it.
        if (!m_current->CacheGlyphBitmap(info.bitmap, glyph, m_flags))
            return;
        m_current->AddGlyph(glyph);
        m_glyph = glyph;
    }
    if (!(m_flags & (kMeasure | kDraw)))
        return;

    const float w = float(m_glyph.box.right - m_glyph.box.left);
    const float h = float(m_glyph.box.bottom - m_glyph.box.top);
    if (m_flags & kDraw) {
        // The text's origin is the top of its line.
        const float ascent = m_current->GetFont()->GetAscent();
        m_current->DrawQuad(m_glyph.atlasX, m_glyph.atlasY, m_glyph.atlasX + w, m_glyph.atlasY + h,
                            info.penX + m_glyph.box.left, m_glyph.box.top - ascent - info.penY,
                            info.penX + m_glyph.box.right, m_glyph.box.bottom - ascent - info.penY);
    }
    if (m_flags & kMeasure) {
        RectT<float> bounds{m_bounds[0], m_bounds[1], m_bounds[2] - m_bounds[0], m_bounds[3] - m_bounds[1]};
        const RectT<float> glyph{info.penX, info.penY + m_glyph.box.top, float(m_glyph.advanceX >> 6), h};
        RectT<float>::Union(bounds, bounds, glyph);
        m_bounds[0] = bounds.x;
        m_bounds[1] = bounds.y;
        m_bounds[2] = bounds.x + bounds.width;
        m_bounds[3] = bounds.y + bounds.height;
    }
}

void LGLGlyphRenderer::GetBounds(float& left, float& top, float& right, float& bottom)
{
    left = m_bounds[0];
    top = m_bounds[1];
    right = m_bounds[2];
    bottom = m_bounds[3];
}

RCPtr<LGLGlyphRenderer::LCachedFont> LGLGlyphRenderer::FindCachedFont(const RCPtr<LFont>& font) const
{
    RCPtr<LCachedFont> found;
    m_fonts.ForEachObject([&](const LCachedFont& cached) {
        if (cached.GetFont() == font)
            found = const_cast<LCachedFont*>(&cached);
    });
    return found;
}

} // namespace KX
