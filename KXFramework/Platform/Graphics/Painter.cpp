#include "KXFramework/Platform/Graphics/Painter.h"

#include "KXFramework/Platform/Graphics/FontSystem.h"

#include <cairo.h>

#include <algorithm>

namespace KX::Platform {

namespace {

// Cairo keeps coordinates in 24.8 fixed point; rectangles are cut to the surface (with a margin for
// strokes) before they reach it, so that an unbounded clip or a far-off rectangle cannot wrap.
constexpr double kMargin = 64.0;

struct Box {
    double x0, y0, x1, y1;
};

} // namespace

Painter::Painter(Surface& target) : m_cr(cairo_create(target.Native()))
{
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_OVER);
}

Painter::~Painter()
{
    cairo_destroy(m_cr);
}

void Painter::SetColor(uint32_t argb)
{
    cairo_set_source_rgba(m_cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          (argb >> 24) / 255.0);
}

void Painter::SetTranslation(double x, double y)
{
    if (x == m_tx && y == m_ty)
        return;
    m_tx = x;
    m_ty = y;
    cairo_identity_matrix(m_cr);
    cairo_translate(m_cr, x, y);
}

// The part of (x, y, w, h) that can reach the surface, in user coordinates; false when none.
static bool CutToSurface(cairo_t* cr, double& x, double& y, double& w, double& h)
{
    if (!(w > 0.0) || !(h > 0.0))
        return false;
    cairo_surface_t* target = cairo_get_target(cr);
    double tx = 0.0;
    double ty = 0.0;
    cairo_user_to_device(cr, &tx, &ty);
    const double left = std::max(x + tx, -kMargin);
    const double top = std::max(y + ty, -kMargin);
    const double right = std::min(x + w + tx, cairo_image_surface_get_width(target) + kMargin);
    const double bottom = std::min(y + h + ty, cairo_image_surface_get_height(target) + kMargin);
    if (!(right > left) || !(bottom > top))
        return false;
    x = left - tx;
    y = top - ty;
    w = right - left;
    h = bottom - top;
    return true;
}

void Painter::SetClip(double x, double y, double w, double h)
{
    if (!CutToSurface(m_cr, x, y, w, h))
        x = y = w = h = 0.0;
    // Frames set the same clip again and again; Cairo makes a new clip each time.
    const RectD device{x + m_tx, y + m_ty, w, h};
    if (m_hasClip && device.x == m_clip.x && device.y == m_clip.y && device.width == m_clip.width &&
        device.height == m_clip.height)
        return;
    m_clip = device;
    m_hasClip = true;
    cairo_reset_clip(m_cr);
    cairo_rectangle(m_cr, x, y, w, h);
    cairo_clip(m_cr);
}

void Painter::FillRect(double x, double y, double w, double h, uint32_t argb, Blend blend)
{
    if (!CutToSurface(m_cr, x, y, w, h))
        return;
    SetColor(argb);
    if (blend == Blend::Source)
        cairo_set_operator(m_cr, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(m_cr, x, y, w, h);
    cairo_fill(m_cr);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_OVER);
}

void Painter::StrokeRect(double x, double y, double w, double h, uint32_t argb, double width)
{
    if (!(width > 0.0) || !(w >= 0.0) || !(h >= 0.0))
        return;
    double cx = x - width;
    double cy = y - width;
    double cw = w + 2 * width + 1;
    double ch = h + 2 * width + 1;
    if (!CutToSurface(m_cr, cx, cy, cw, ch))
        return;
    // A rectangle too large for the surface is drawn as its visible edges only.
    if (cw < w + 2 * width + 1 || ch < h + 2 * width + 1) {
        cairo_save(m_cr);
        cairo_rectangle(m_cr, cx, cy, cw, ch);
        cairo_clip(m_cr);
        FillRect(x + 0.5 - width / 2, y + 0.5 - width / 2, w + width, width, argb, Blend::Over);
        FillRect(x + 0.5 - width / 2, y + h + 0.5 - width / 2, w + width, width, argb, Blend::Over);
        FillRect(x + 0.5 - width / 2, y + 0.5 + width / 2, width, h - width, argb, Blend::Over);
        FillRect(x + w + 0.5 - width / 2, y + 0.5 + width / 2, width, h - width, argb, Blend::Over);
        cairo_restore(m_cr);
        return;
    }
    SetColor(argb);
    cairo_set_line_width(m_cr, width);
    cairo_set_line_join(m_cr, CAIRO_LINE_JOIN_MITER);
    cairo_rectangle(m_cr, x + 0.5, y + 0.5, w, h);
    cairo_stroke(m_cr);
}

void Painter::Line(double x0, double y0, double x1, double y1, uint32_t argb, double width)
{
    if (!(width > 0.0))
        return;
    SetColor(argb);
    cairo_set_line_width(m_cr, width);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_BUTT);
    cairo_move_to(m_cr, x0 + 0.5, y0 + 0.5);
    cairo_line_to(m_cr, x1 + 0.5, y1 + 0.5);
    cairo_stroke(m_cr);
}

void Painter::AddPath(const Path& path, double sx, double sy, double shift)
{
    // Built under the scale, kept in device space: the pen width below stays unscaled.
    cairo_save(m_cr);
    cairo_translate(m_cr, shift, shift);
    cairo_scale(m_cr, sx, sy);
    cairo_new_path(m_cr);
    for (const PathFigure& figure : path.figures) {
        if (figure.points.empty())
            continue;
        cairo_move_to(m_cr, figure.points[0].x, figure.points[0].y);
        for (size_t i = 1; i < figure.points.size(); ++i)
            cairo_line_to(m_cr, figure.points[i].x, figure.points[i].y);
        if (figure.closed)
            cairo_close_path(m_cr);
    }
    cairo_restore(m_cr);
}

void Painter::StrokePath(const Path& path, double sx, double sy, uint32_t argb, double width)
{
    if (!(width > 0.0))
        return;
    // Through pixel centres, as single lines are.
    AddPath(path, sx, sy, 0.5);
    SetColor(argb);
    cairo_set_line_width(m_cr, width);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_BUTT);
    cairo_stroke(m_cr);
}

void Painter::FillPath(const Path& path, double sx, double sy, uint32_t argb)
{
    AddPath(path, sx, sy, 0.0);
    SetColor(argb);
    cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(m_cr);
}

void Painter::DrawImage(const Surface& source, const RectD& sourceRect, const RectD& destination, ImageMode mode)
{
    if (!(sourceRect.width > 0.0) || !(sourceRect.height > 0.0) || !(destination.width > 0.0) ||
        !(destination.height > 0.0))
        return;
    double x = destination.x;
    double y = destination.y;
    double w = destination.width;
    double h = destination.height;
    if (!CutToSurface(m_cr, x, y, w, h))
        return;
    // A sprite is sampled through a surface of its own rectangle, so repeating or edge sampling never
    // reaches its neighbours in the image.
    const bool whole = sourceRect.x == 0.0 && sourceRect.y == 0.0 && sourceRect.width == source.Width() &&
                       sourceRect.height == source.Height();
    cairo_surface_t* sprite = whole ? cairo_surface_reference(source.Native())
                                    : cairo_surface_create_for_rectangle(source.Native(), sourceRect.x, sourceRect.y,
                                                                         sourceRect.width, sourceRect.height);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(sprite);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_matrix_t matrix;
    switch (mode) {
    case ImageMode::Stretch:
        cairo_matrix_init_scale(&matrix, sourceRect.width / destination.width, sourceRect.height / destination.height);
        cairo_matrix_translate(&matrix, -destination.x, -destination.y);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        break;
    case ImageMode::Repeat:
        cairo_matrix_init_translate(&matrix, -destination.x, -destination.y);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
        break;
    case ImageMode::Copy:
        cairo_matrix_init_translate(&matrix, -destination.x, -destination.y);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_NONE);
        break;
    }
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_set_source(m_cr, pattern);
    cairo_rectangle(m_cr, x, y, w, h);
    cairo_fill(m_cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(sprite);
}

void Painter::Clear()
{
    cairo_save(m_cr);
    cairo_reset_clip(m_cr);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(m_cr);
    cairo_restore(m_cr);
}

void Painter::DrawText(const ScaledFont& font, double x, double baseline, std::u16string_view text, uint32_t argb)
{
    if (text.empty())
        return;
    SetColor(argb);
    font.Show(m_cr, x, baseline, text);
}

} // namespace KX::Platform
