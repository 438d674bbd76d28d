#pragma once
// Font faces found by fontconfig and drawn through Cairo's FreeType backend. Faces are matched by
// family name with fontconfig's substitutions, so a family the system lacks falls to a
// metric-compatible or default face. UI thread only.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

struct _cairo;
struct _cairo_font_face;
struct _cairo_scaled_font;

namespace KX::Platform {

class Painter;

struct FontSettings {
    // A fontconfig configuration file replacing the system's; empty keeps the system's.
    std::string configFile;
};

struct FontChoice {
    std::u16string family;
    float size = 9.0f; // points
    int style = 0;
};

// Values of the face's tables, in font units.
struct FaceMetrics {
    int unitsPerEm = 2048;
    int cellAscent = 0;
    int cellDescent = 0;
    int lineSpacing = 0;
    int underlinePosition = 0; // above the baseline when positive
    int underlineThickness = 0;
    int strikeoutPosition = 0; // above the baseline
    int strikeoutSize = 0;
};

class ScaledFont {
public:
    ~ScaledFont();
    ScaledFont(const ScaledFont&) = delete;
    ScaledFont& operator=(const ScaledFont&) = delete;

    // Whole pixels (hinted metrics); trailing spaces count.
    double Advance(std::u16string_view text) const;
    double PixelSize() const { return m_pixelSize; }

private:
    friend class FontFace;
    friend class Painter;
    ScaledFont(_cairo_scaled_font* font, double pixelSize);
    void Show(_cairo* cr, double x, double baseline, std::u16string_view text) const;

    _cairo_scaled_font* m_font;
    double m_pixelSize;
};

class FontFace {
public:
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const FaceMetrics& Metrics() const { return m_metrics; }
    const std::string& File() const { return m_file; }
    // Cached per size.
    std::shared_ptr<ScaledFont> AtPixelSize(double px);

private:
    friend class FontSystem;
    FontFace(_cairo_font_face* face, const FaceMetrics& metrics, std::string file);

    _cairo_font_face* m_face;
    FaceMetrics m_metrics;
    std::string m_file;
    std::map<double, std::shared_ptr<ScaledFont>> m_sizes;
};

class FontSystem {
public:
    static FontSystem& Get();

    // Replaces the configuration; faces matched before stay valid. One without fonts is said again.
    bool Configure(const FontSettings& settings);
    // Weight bold and slant italic as asked; null only when fontconfig knows no face at all (said once
    // on standard error and in the debug log) or the face's file cannot be opened.
    std::shared_ptr<FontFace> Match(std::u16string_view family, bool bold, bool italic);
    // The family of the "sans-serif" match, 9 points, plain.
    FontChoice DefaultUiFont();
    std::vector<std::string> FontDirectories();

    FontSystem(const FontSystem&) = delete;
    FontSystem& operator=(const FontSystem&) = delete;

private:
    FontSystem();
    ~FontSystem();

    struct Library;
    std::unique_ptr<Library> m_library;
    std::map<std::pair<std::string, int>, std::shared_ptr<FontFace>> m_faces;
    std::map<std::tuple<std::u16string, bool, bool>, std::shared_ptr<FontFace>> m_matches;
    bool m_saidNoFonts = false;
};

} // namespace KX::Platform
