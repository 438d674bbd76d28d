#include "KXFramework/Renderer/FontRenderer/FreetypeFontRenderer.h"

#include "KXFramework/Renderer/FontRenderer/FontFileInfo.h"
#include "KXFramework/Utilities/Graphics/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_CACHE_H
#include FT_GLYPH_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace KX {

namespace {

// Shared by every font renderer alive; the registry is filled and emptied with it.
struct FreetypeState {
    int users = 0;
    FT_Library library = nullptr;
    FTC_Manager manager = nullptr;
    FTC_CMapCache cmapCache = nullptr;
    FTC_ImageCache imageCache = nullptr;
};

FreetypeState g_freetype;

constexpr FT_UInt kMaxFaces = 8;
constexpr FT_UInt kMaxSizes = 16;
constexpr FT_ULong kMaxBytes = 4194304;
constexpr FT_UInt kResolution = 96;
// Larger sizes are refused: no text in points needs them, and a glyph's box would not fit anyway.
constexpr float kMaxPoints = 16384.0f;

FTC_FaceID ToFaceID(int fileID)
{
    return reinterpret_cast<FTC_FaceID>(static_cast<intptr_t>(fileID));
}

FT_Error RequestFace(FTC_FaceID faceID, FT_Library library, FT_Pointer, FT_Face* face)
{
    const int fileID = static_cast<int>(reinterpret_cast<intptr_t>(faceID));
    const NarrowString path = LFontFileInfo::GetFilePathForID(fileID).ToNarrow();
    // A collection always opens its first face.
    return FT_New_Face(library, path.GetString(), 0, face);
}

// The first failure ends the set-up silently; sizes are then never found.
void StartFreetype()
{
    LFontFileInfo::ScanFontFolder();
    if (FT_Init_FreeType(&g_freetype.library) != 0) {
        g_freetype.library = nullptr;
        return;
    }
    if (FTC_Manager_New(g_freetype.library, kMaxFaces, kMaxSizes, kMaxBytes, RequestFace, nullptr,
                        &g_freetype.manager) != 0) {
        g_freetype.manager = nullptr;
        return;
    }
    if (FTC_CMapCache_New(g_freetype.manager, &g_freetype.cmapCache) != 0)
        return;
    FTC_ImageCache_New(g_freetype.manager, &g_freetype.imageCache);
}

void EndFreetype()
{
    // The caches belong to the manager and end with it.
    if (g_freetype.manager)
        FTC_Manager_Done(g_freetype.manager);
    if (g_freetype.library)
        FT_Done_FreeType(g_freetype.library);
    g_freetype = FreetypeState{};
    LFontFileInfo::Clear();
}

// The font's size, active on its face; null when FreeType has none. Throws when no installed
// family fits the font.
FT_Size LookupSize(const RCPtr<LFont>& font)
{
    const int fileID = LFontFileInfo::GetFileID(font);
    const float points = font->GetSize();
    if (!g_freetype.manager || !(points > 0.0f && points <= kMaxPoints))
        return nullptr;
    FTC_ScalerRec scaler{};
    scaler.face_id = ToFaceID(fileID);
    scaler.width = 0;
    scaler.height = static_cast<FT_UInt>(points * 64.0f);
    scaler.pixel = 0;
    scaler.x_res = kResolution;
    scaler.y_res = kResolution;
    FT_Size size = nullptr;
    if (FTC_Manager_LookupSize(g_freetype.manager, &scaler, &size) != 0)
        return nullptr;
    return size;
}

bool FitsInByte(FT_Pos v)
{
    return v >= INT8_MIN && v <= INT8_MAX;
}

// Renders the loaded glyph, in the other mode when the first fails, and copies its coverage: a
// 1-bit image becomes 0x00/0xFF bytes. False when neither mode renders.
bool RenderBitmap(FT_GlyphSlot slot, float points, RCPtr<LPixelBuffer<unsigned char>>& out)
{
    const FT_Render_Mode first = points >= 8.0f ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
    const FT_Render_Mode second = first == FT_RENDER_MODE_NORMAL ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL;
    if (FT_Render_Glyph(slot, first) != 0 && FT_Render_Glyph(slot, second) != 0)
        return false;

    const FT_Bitmap& bitmap = slot->bitmap;
    const unsigned width = bitmap.width;
    const unsigned rows = bitmap.rows;
    const unsigned rowBytes = static_cast<unsigned>(std::abs(bitmap.pitch));
    // A negative pitch stores the rows bottom-up.
    auto sourceRow = [&](unsigned y) {
        const unsigned fromTop = bitmap.pitch >= 0 ? y : rows - 1 - y;
        return bitmap.buffer + static_cast<size_t>(fromTop) * rowBytes;
    };
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        out = new LPixelBuffer<unsigned char>(width, rows, width, nullptr);
        for (unsigned y = 0; y < rows && width > 0; ++y) {
            const unsigned char* bits = sourceRow(y);
            unsigned char* row = out->GetPixelAddress(0, y);
            for (unsigned x = 0; x < width; ++x)
                row[x] = (bits[x >> 3] & (0x80 >> (x & 7))) ? 0xFF : 0x00;
        }
    } else {
        out = new LPixelBuffer<unsigned char>(width, rows, rowBytes, nullptr);
        for (unsigned y = 0; y < rows && rowBytes > 0; ++y)
            std::memcpy(out->GetPixelAddress(0, y), sourceRow(y), rowBytes);
    }
    return true;
}

} // namespace

LFreetypeFontRenderer::LFreetypeFontRenderer(const RCPtr<LGlyphProcessor>& renderProcessor,
                                             const RCPtr<LGlyphProcessor>& measureProcessor)
    : LFontRenderer(renderProcessor, measureProcessor)
{
    if (g_freetype.users++ == 0)
        StartFreetype();
}

LFreetypeFontRenderer::~LFreetypeFontRenderer()
{
    if (--g_freetype.users == 0)
        EndFreetype();
}

KXRESULT LFreetypeFontRenderer::GetFontMetrics(const RCPtr<LFont>& font, int& lineHeight, int& ascent, int& descent)
{
    const FT_Size size = LookupSize(font);
    if (!size)
        return E_FAIL;
    const FT_Size_Metrics& metrics = size->metrics;
    ascent = -static_cast<int>(metrics.ascender >> 6);
    descent = -static_cast<int>(metrics.descender >> 6);
    lineHeight = std::max(static_cast<int>(metrics.height >> 6), static_cast<int>(96.0f * font->GetSize() / 72.0f));
    if (lineHeight < descent - ascent)
        lineHeight = descent - ascent;
    return S_OK;
}

void LFreetypeFontRenderer::ProcessText(const String& text, const RCPtr<LFont>& font, RCPtr<LGlyphProcessor>& processor,
                                        unsigned startIndex, float, unsigned flags)
{
    const FT_Size size = LookupSize(font);
    if (!size || !processor)
        return;
    const FT_Face face = size->face;
    const bool kerning = FT_HAS_KERNING(face);

    LGlyphProcessor::SGlyphInfo info;
    info.charIndex = startIndex;
    FT_UInt previous = 0;
    processor->BeginText(font, flags);
    const char16_t* units = text.GetString();
    const unsigned length = text.GetLength();
    for (unsigned i = 0; i < length; ++i) {
        const uint32_t nextIndex = startIndex + i + 1;
        info.character = units[i];
        info.glyphIndex = 0;
        info.bitmap = nullptr;
        info.box = {};
        info.advanceX = 0;
        info.advanceY = 0;

        const unsigned need = processor->QueryGlyph(info);
        if (need != 0)
            info.glyphIndex = FT_Get_Char_Index(face, info.character);
        if (info.glyphIndex == 0)
            continue;

        FT_Glyph glyph = nullptr;
        float advanceX = info.advanceX / 64.0f;
        float advanceY = info.advanceY / 64.0f;
        if (need != 0) {
            if (FT_Load_Glyph(face, info.glyphIndex, FT_LOAD_DEFAULT) != 0 || FT_Get_Glyph(face->glyph, &glyph) != 0) {
                info.charIndex = nextIndex;
                continue;
            }
            info.advanceX = static_cast<int16_t>(face->glyph->advance.x);
            info.advanceY = static_cast<int16_t>(face->glyph->advance.y);
            advanceX = face->glyph->advance.x / 64.0f;
            advanceY = face->glyph->advance.y / 64.0f;
        }

        // A box beyond a signed byte cannot be kept; such a glyph is neither rendered nor handed
        // on, but the pen still moves past it.
        bool fits = true;
        FT_Pos left = info.box.left;
        if (need & (LGlyphProcessor::kNeedBox | LGlyphProcessor::kNeedBitmap)) {
            FT_BBox box;
            FT_Glyph_Get_CBox(glyph, FT_GLYPH_BBOX_PIXELS, &box);
            fits = FitsInByte(box.xMin) && FitsInByte(-box.yMax) && FitsInByte(box.xMax) && FitsInByte(-box.yMin);
            info.box = {static_cast<int8_t>(box.xMin), static_cast<int8_t>(-box.yMax), static_cast<int8_t>(box.xMax),
                        static_cast<int8_t>(-box.yMin)};
            left = box.xMin;
        }
        if (fits && (need & LGlyphProcessor::kNeedBitmap) && !RenderBitmap(face->glyph, font->GetSize(), info.bitmap)) {
            FT_Done_Glyph(glyph);
            info.charIndex = nextIndex;
            continue;
        }

        if (kerning) {
            if (previous == 0) {
                // The first glyph starts at the origin even when it reaches left of its pen.
                if (left < 0)
                    info.penX -= static_cast<float>(left);
            } else {
                FT_Vector delta;
                if (FT_Get_Kerning(face, previous, info.glyphIndex, FT_KERNING_DEFAULT, &delta) == 0)
                    info.penX += delta.x / 64.0f;
            }
        }

        if (fits)
            processor->ProcessGlyph(info);
        if (glyph)
            FT_Done_Glyph(glyph);
        info.penX += advanceX;
        info.penY += advanceY;
        info.bitmap = nullptr;
        previous = info.glyphIndex;
        info.charIndex = nextIndex;
    }
    processor->EndText();
}

} // namespace KX
