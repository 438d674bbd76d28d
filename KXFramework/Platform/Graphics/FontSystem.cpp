#include "KXFramework/Platform/Graphics/FontSystem.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Text/TextConversion.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

namespace KX::Platform {

namespace {

const cairo_user_data_key_t kFaceKey = {};

void DoneFace(void* face)
{
    FT_Done_Face(static_cast<FT_Face>(face));
}

FaceMetrics ReadMetrics(FT_Face face)
{
    FaceMetrics m;
    m.unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    const int hheaAscent = hhea ? hhea->Ascender : face->ascender;
    const int hheaDescent = hhea ? hhea->Descender : face->descender;
    const int lineGap = hhea ? hhea->Line_Gap : 0;
    if (os2 != nullptr && os2->version != 0xFFFF) {
        m.cellAscent = os2->usWinAscent;
        m.cellDescent = os2->usWinDescent;
        m.strikeoutPosition = os2->yStrikeoutPosition;
        m.strikeoutSize = os2->yStrikeoutSize;
    } else {
        m.cellAscent = hheaAscent;
        m.cellDescent = -hheaDescent;
        m.strikeoutPosition = m.cellAscent / 4;
        m.strikeoutSize = m.unitsPerEm / 20;
    }
    m.lineSpacing = std::max(hheaAscent - hheaDescent + lineGap, m.cellAscent + m.cellDescent);
    m.underlinePosition = face->underline_position;
    m.underlineThickness = face->underline_thickness > 0 ? face->underline_thickness : m.unitsPerEm / 20;
    return m;
}

cairo_font_options_t* FixedOptions()
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    return options;
}

// fontconfig's best face for the pattern, which it takes. Null only when fontconfig knows no face at all:
// then no text can be shown anywhere, which is said once.
FcPattern* BestMatch(FcPattern* pattern, bool& saidNoFonts)
{
    // Without the substitutions "Arial" matches whatever face sorts first, not its metric alias.
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr && !std::exchange(saidNoFonts, true))
        DebugLog::WriteConsoleLine(std::string(program_invocation_short_name) +
                                   ": fontconfig finds no fonts; no text can be shown");
    return match;
}

} // namespace

ScaledFont::ScaledFont(cairo_scaled_font_t* font, double pixelSize) : m_font(font), m_pixelSize(pixelSize) {}

ScaledFont::~ScaledFont()
{
    cairo_scaled_font_destroy(m_font);
}

double ScaledFont::Advance(std::u16string_view text) const
{
    if (text.empty())
        return 0.0;
    const std::string utf8 = Utf8FromUtf16(text);
    cairo_text_extents_t extents;
    cairo_scaled_font_text_extents(m_font, utf8.c_str(), &extents);
    return extents.x_advance;
}

void ScaledFont::Show(cairo_t* cr, double x, double baseline, std::u16string_view text) const
{
    const std::string utf8 = Utf8FromUtf16(text);
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    if (cairo_scaled_font_text_to_glyphs(m_font, x, baseline, utf8.data(), int(utf8.size()), &glyphs, &count, nullptr,
                                         nullptr, nullptr) != CAIRO_STATUS_SUCCESS)
        return;
    cairo_set_scaled_font(cr, m_font);
    cairo_show_glyphs(cr, glyphs, count);
    cairo_glyph_free(glyphs);
}

FontFace::FontFace(cairo_font_face_t* face, const FaceMetrics& metrics, std::string file)
    : m_face(face),
      m_metrics(metrics),
      m_file(std::move(file))
{
}

FontFace::~FontFace()
{
    m_sizes.clear();
    cairo_font_face_destroy(m_face);
}

std::shared_ptr<ScaledFont> FontFace::AtPixelSize(double px)
{
    auto found = m_sizes.find(px);
    if (found != m_sizes.end())
        return found->second;
    cairo_matrix_t size;
    cairo_matrix_t identity;
    cairo_matrix_init_scale(&size, px, px);
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = FixedOptions();
    cairo_scaled_font_t* font = cairo_scaled_font_create(m_face, &size, &identity, options);
    cairo_font_options_destroy(options);
    if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
        cairo_scaled_font_destroy(font);
        return nullptr;
    }
    auto scaled = std::shared_ptr<ScaledFont>(new ScaledFont(font, px));
    m_sizes.emplace(px, scaled);
    return scaled;
}

// The FreeType library lives for the process: Cairo may keep faces made from it in its caches
// after we let them go.
struct FontSystem::Library {
    FT_Library ft = nullptr;
};

FontSystem::FontSystem() : m_library(std::make_unique<Library>())
{
    FT_Init_FreeType(&m_library->ft);
}

FontSystem::~FontSystem() = default;

FontSystem& FontSystem::Get()
{
    static FontSystem* system = new FontSystem;
    return *system;
}

bool FontSystem::Configure(const FontSettings& settings)
{
    FcConfig* config = FcConfigCreate();
    if (!settings.configFile.empty() &&
        !FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(settings.configFile.c_str()), FcTrue)) {
        FcConfigDestroy(config);
        return false;
    }
    if (settings.configFile.empty()) {
        FcConfigDestroy(config);
        config = FcInitLoadConfigAndFonts();
    } else {
        FcConfigBuildFonts(config);
    }
    const bool ok = FcConfigSetCurrent(config);
    FcConfigDestroy(config);
    m_matches.clear();
    m_saidNoFonts = false;
    return ok;
}

std::shared_ptr<FontFace> FontSystem::Match(std::u16string_view family, bool bold, bool italic)
{
    const auto key = std::make_tuple(std::u16string(family), bold, italic);
    auto known = m_matches.find(key);
    if (known != m_matches.end())
        return known->second;
    if (m_library->ft == nullptr)
        return nullptr;

    FcPattern* pattern = FcPatternCreate();
    const std::string name = Utf8FromUtf16(family);
    if (!name.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    // A family nobody has falls to the default sans-serif face, not to whatever scores best.
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPattern* match = BestMatch(pattern, m_saidNoFonts);
    if (match == nullptr)
        return nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    std::shared_ptr<FontFace> face;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        const auto faceKey = std::make_pair(std::string(reinterpret_cast<const char*>(file)), index);
        auto opened = m_faces.find(faceKey);
        if (opened != m_faces.end()) {
            face = opened->second;
        } else {
            FT_Face ftFace = nullptr;
            if (FT_New_Face(m_library->ft, faceKey.first.c_str(), index, &ftFace) == 0) {
                cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(ftFace, 0);
                // Cairo ends the FreeType face when it drops its last reference to it.
                if (cairo_font_face_set_user_data(cairoFace, &kFaceKey, ftFace, DoneFace) != CAIRO_STATUS_SUCCESS) {
                    cairo_font_face_destroy(cairoFace);
                    FT_Done_Face(ftFace);
                } else {
                    face = std::shared_ptr<FontFace>(new FontFace(cairoFace, ReadMetrics(ftFace), faceKey.first));
                    m_faces.emplace(faceKey, face);
                }
            }
        }
    }
    FcPatternDestroy(match);
    if (face)
        m_matches.emplace(key, face);
    return face;
}

FontChoice FontSystem::DefaultUiFont()
{
    FontChoice choice;
    choice.family = u"sans-serif";
    // Not through FcNameParse, which would read "-serif" as a size.
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPattern* match = BestMatch(pattern, m_saidNoFonts);
    FcChar8* family = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch) {
        choice.family.clear();
        // Family names are ASCII in practice; other bytes are kept one by one.
        for (const FcChar8* p = family; *p != 0; ++p)
            choice.family += char16_t(*p);
    }
    if (match != nullptr)
        FcPatternDestroy(match);
    return choice;
}

std::vector<std::string> FontSystem::FontDirectories()
{
    std::vector<std::string> out;
    FcStrList* list = FcConfigGetFontDirs(nullptr);
    if (list == nullptr)
        return out;
    while (FcChar8* dir = FcStrListNext(list))
        out.emplace_back(reinterpret_cast<const char*>(dir));
    FcStrListDone(list);
    return out;
}

} // namespace KX::Platform
