#include "KXFramework/Utilities/Graphics/Colorizer.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Graphics/Png.h"

#include <algorithm>
#include <stdexcept>

namespace KX {

namespace {

uint8_t ToByte(float unit)
{
    const float v = std::clamp(unit, 0.0f, 1.0f) * 255.0f + 0.5f;
    return uint8_t(v);
}

float MaskWeight(const LBitmap& mask, int x, int y)
{
    float r, g, b, a;
    if (mask.GetPixel(x, y, r, g, b, a) != S_OK)
        return 0.0f;
    return a * (0.299f * r + 0.587f * g + 0.114f * b);
}

} // namespace

RCPtr<LBitmap> ColorizeBitmap(const ColorizerParams* colorizer, float alphaMod, int width, int height,
                              const ConstRCPtr<LBitmap>& image, const ConstRCPtr<LBitmap>& mask)
{
    ColorizerParams colour;
    if (colorizer != nullptr) {
        if (colorizer->type != ColorizerParams::kSolidFill)
            throw Exception<std::domain_error>("Domain Error : Gradient colorizer not supported");
        colour = *colorizer;
    }
    if (image) {
        width = image->GetWidth();
        height = image->GetHeight();
    }
    if (width < 1 || height < 1 || width > Platform::kMaxImageSide || height > Platform::kMaxImageSide)
        return nullptr;

    auto out = std::make_shared<Platform::Image>();
    out->width = width;
    out->height = height;
    out->stride = width * 4;
    out->pixels.resize(size_t(out->stride) * size_t(height));
    for (int y = 0; y < height; ++y) {
        uint8_t* p = out->pixels.data() + size_t(y) * size_t(out->stride);
        for (int x = 0; x < width; ++x, p += 4) {
            float r = colour.r, g = colour.g, b = colour.b, a = colour.a * alphaMod;
            if (image) {
                float ir, ig, ib, ia;
                static_cast<void>(image->GetPixel(x, y, ir, ig, ib, ia)); // inside the image
                r *= ir;
                g *= ig;
                b *= ib;
                a *= ia;
            }
            if (mask)
                a *= MaskWeight(*mask, x, y);
            a = std::clamp(a, 0.0f, 1.0f);
            // Stored premultiplied, as every image is.
            p[0] = ToByte(b * a);
            p[1] = ToByte(g * a);
            p[2] = ToByte(r * a);
            p[3] = ToByte(a);
        }
    }
    return LBitmap::FromImage(std::move(out));
}

} // namespace KX
