#include "KXFramework/ControlBase/VisualPart.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Utilities/Graphics/Colorizer.h"

#include <cmath>
#include <stdexcept>
#include <unordered_map>

namespace KX {

namespace {

constexpr uint32_t kTransparentWhite = 0x00FFFFFFu;
constexpr float kSizeTolerance = 1.1920929e-6f;
constexpr float kSnapTolerance = 1.1920929e-7f;

// Parts by the descriptor they were made from; an entry lives as long as its part.
std::unordered_map<const LVisualPartDescriptor*, LVisualPart*>& Cache()
{
    static auto* cache = new std::unordered_map<const LVisualPartDescriptor*, LVisualPart*>;
    return *cache;
}

int32_t RoundHalfAway(float v)
{
    return GeometryRules::RoundToLong(double(v));
}

float SnapDown(float v)
{
    if (v >= 0.0f)
        return std::trunc(v + v * kSnapTolerance);
    return std::trunc(v - (v * kSnapTolerance + 1.0f));
}

} // namespace

LVisualPart::LVisualPart(const String& name, const RCPtr<LBitmap>& bitmap, int32_t resizeType,
                         const RCPtr<LColorizer>& colorizer, const PointT<int32_t>& size, float alphaMod,
                         const RCPtr<LBitmap>& mask)
    : m_name(name),
      m_bitmap(bitmap),
      m_size(size),
      m_resizeType(resizeType),
      m_colorizer(colorizer),
      m_alphaMod(alphaMod),
      m_mask(mask)
{
    if (m_bitmap)
        m_size = {m_bitmap->GetWidth(), m_bitmap->GetHeight()};
    if (m_colorizer && (m_bitmap || m_mask || m_colorizer->colorType != LColorizer::kSolidFill)) {
        ColorizerParams params;
        params.type = m_colorizer->colorType;
        params.r = m_colorizer->color.r;
        params.g = m_colorizer->color.g;
        params.b = m_colorizer->color.b;
        params.a = m_colorizer->color.a;
        m_bitmap = ColorizeBitmap(&params, m_alphaMod, m_size.x, m_size.y, m_bitmap, m_mask);
    }
}

LVisualPart::~LVisualPart()
{
    if (m_owner) {
        auto it = Cache().find(m_owner.Get());
        if (it != Cache().end() && it->second == this)
            Cache().erase(it);
    }
}

RCPtr<LVisualPart> LVisualPart::Create(const String& name, const RCPtr<LBitmap>& bitmap, int32_t resizeType,
                                       const RCPtr<LColorizer>& colorizer, const PointT<int32_t>& size, float alphaMod,
                                       const RCPtr<LBitmap>& mask)
{
    if (!bitmap)
        return nullptr;
    return RCPtr<LVisualPart>(new LVisualPart(name, bitmap, resizeType, colorizer, size, alphaMod, mask));
}

RCPtr<LVisualPart> LVisualPart::FromDescriptor(const RCPtr<LVisualPartDescriptor>& descriptor)
{
    if (!descriptor)
        return nullptr;
    auto it = Cache().find(descriptor.Get());
    if (it != Cache().end())
        return RCPtr<LVisualPart>(it->second);
    const LVisualPartDescriptor& d = *descriptor;
    RCPtr<LBitmap> mask;
    if (!d.mask.path.IsEmpty())
        mask = LBitmap::Load(d.mask.path, d.mask.x, d.mask.y, d.mask.width, d.mask.height);
    const PointT<int32_t> natural{d.naturalWidth, d.naturalHeight};
    RCPtr<LVisualPart> part;
    if (d.IsImageForm()) {
        RCPtr<LBitmap> image = LBitmap::Load(d.image.path, d.image.x, d.image.y, d.image.width, d.image.height);
        part = Create(d.name, image, d.resizeType, d.colorizer, natural, d.alphaModulation, mask);
    } else {
        part = RCPtr<LVisualPart>(
            new LVisualPart(d.name, nullptr, d.resizeType, d.colorizer, natural, d.alphaModulation, mask));
    }
    if (part) {
        part->m_owner = descriptor;
        Cache()[descriptor.Get()] = part.Get();
    }
    return part;
}

LColor LVisualPart::GetPlainColor() const
{
    LColor c = m_colorizer ? m_colorizer->color : LColor();
    c.a *= m_alphaMod;
    return c;
}

int LVisualPart::Draw(const RCPtr<LRenderer>& renderer, const PointT<float>& areaSize)
{
    const int32_t w = RoundHalfAway(areaSize.x);
    const int32_t h = RoundHalfAway(areaSize.y);
    if (m_bitmap) {
        renderer->DrawBitmap(m_bitmap, {0, 0, w, h}, m_resizeType);
        return 0;
    }
    if (!m_colorizer)
        throw Exception<std::runtime_error>(
            "Runtime Error : KX::LVisualPart::Draw : ControlBase\\VisualPart : Line 218");
    const LColor colour = GetPlainColor();
    if (!(colour.a > 0.0f))
        return 0;
    if (m_resizeType == LVisualPartDescriptor::kCenter)
        renderer->FillRect({(w - m_size.x) / 2, (h - m_size.y) / 2, m_size.x, m_size.y}, colour, true);
    else
        renderer->FillRect({0, 0, w, h}, colour, true);
    return 0;
}

uint32_t LVisualPart::GetColorAtPoint(const PointT<int32_t>& pixel) const
{
    if (pixel.x < 0 || pixel.y < 0 || pixel.x >= m_size.x || pixel.y >= m_size.y)
        return kTransparentWhite;
    if (m_bitmap) {
        LColor c;
        if (Failed(m_bitmap->GetPixel(pixel.x, pixel.y, c.r, c.g, c.b, c.a)))
            return kTransparentWhite;
        return c.ToARGB();
    }
    if (!m_colorizer)
        throw Exception<std::runtime_error>(
            "Runtime Error : KX::LVisualPart::GetColorAtPoint : ControlBase\\VisualPart : Line 91");
    return GetPlainColor().ToARGB();
}

uint32_t LVisualPart::GetColorAtPoint(const PointT<float>& point, const PointT<float>& areaSize) const
{
    const float width = float(m_size.x);
    const float height = float(m_size.y);
    if (std::fabs(areaSize.x - width) < kSizeTolerance && std::fabs(areaSize.y - height) < kSizeTolerance)
        return GetColorAtPoint(point.ToLong());
    if (!(point.x >= 0.0f && point.y >= 0.0f && point.x < areaSize.x && point.y < areaSize.y))
        return kTransparentWhite;
    switch (m_resizeType) {
    case LVisualPartDescriptor::kTile: {
        const int32_t tileW = int32_t(width + 0.5f);
        const int32_t tileH = int32_t(height + 0.5f);
        // A part without extent has no pixel to repeat.
        if (tileW <= 0 || tileH <= 0)
            return kTransparentWhite;
        return GetColorAtPoint(PointT<int32_t>{int32_t(point.x + 0.5f) % tileW, int32_t(point.y + 0.5f) % tileH});
    }
    case LVisualPartDescriptor::kCenter: {
        // The offset Draw and the renderers use: whole pixels, halved toward zero.
        const int32_t left = (RoundHalfAway(areaSize.x) - m_size.x) / 2;
        const int32_t top = (RoundHalfAway(areaSize.y) - m_size.y) / 2;
        return GetColorAtPoint(
            PointT<int32_t>{int32_t(std::floor(point.x)) - left, int32_t(std::floor(point.y)) - top});
    }
    case LVisualPartDescriptor::kStretch: {
        const float sx = width / areaSize.x;
        const float sy = height / areaSize.y;
        if (areaSize.x >= width && areaSize.y >= height)
            return GetColorAtPoint(PointT<int32_t>{int32_t(sx * point.x), int32_t(sy * point.y)});
        // Shrunk: the destination point covers several source pixels; any opaque one counts.
        float left = sx * point.x, top = sy * point.y;
        float right = left + std::max(sx, 1.0f), bottom = top + std::max(sy, 1.0f);
        left = SnapDown(left);
        top = SnapDown(top);
        right = SnapDown(right);
        bottom = SnapDown(bottom);
        for (int32_t x = int32_t(left); x < int32_t(right); ++x) {
            for (int32_t y = int32_t(top); y < int32_t(bottom); ++y) {
                const uint32_t c = GetColorAtPoint(PointT<int32_t>{x, y});
                if (c >> 24)
                    return c;
            }
        }
        return kTransparentWhite;
    }
    default:
        throw Exception<std::runtime_error>(
            "Runtime Error : KX::LVisualPart::GetColorAtPoint : ControlBase\\VisualPart : Line 165");
    }
}

} // namespace KX
