#pragma once
// Drawing on one surface in the renderer's fast modes: shapes without anti-aliasing, images with
// nearest-neighbour sampling, source-over unless told otherwise. The clip is kept in surface
// coordinates when the translation changes.
#include "KXFramework/Platform/Graphics/Path.h"
#include "KXFramework/Platform/Graphics/Surface.h"

#include <cstdint>
#include <string_view>

struct _cairo;

namespace KX::Platform {

class ScaledFont;

struct RectD {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
};

enum class Blend { Over, Source };
// Stretch scales the source rectangle to the destination, Repeat tiles it unscaled from the
// destination's top-left, Copy draws it once unscaled at the destination's top-left.
enum class ImageMode { Stretch, Repeat, Copy };

class Painter {
public:
    explicit Painter(Surface& target);
    ~Painter();
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    // Colours are 0xAARRGGBB, straight alpha.
    void SetTranslation(double x, double y);
    // Replaces the clip with one rectangle in the current translation's coordinates.
    void SetClip(double x, double y, double w, double h);
    void FillRect(double x, double y, double w, double h, uint32_t argb, Blend blend);
    void StrokeRect(double x, double y, double w, double h, uint32_t argb, double width);
    void Line(double x0, double y0, double x1, double y1, uint32_t argb, double width);
    // The path scaled by (sx, sy) around the translation's origin.
    void StrokePath(const Path& path, double sx, double sy, uint32_t argb, double width);
    void FillPath(const Path& path, double sx, double sy, uint32_t argb);
    void DrawImage(const Surface& source, const RectD& sourceRect, const RectD& destination, ImageMode mode);
    // Every pixel to 0, whatever the clip.
    void Clear();
    void DrawText(const ScaledFont& font, double x, double baseline, std::u16string_view text, uint32_t argb);

private:
    void SetColor(uint32_t argb);
    void AddPath(const Path& path, double sx, double sy, double shift);

    _cairo* m_cr;
    double m_tx = 0.0;
    double m_ty = 0.0;
    RectD m_clip;
    bool m_hasClip = false;
};

} // namespace KX::Platform
