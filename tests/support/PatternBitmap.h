#pragma once
// A bitmap whose every pixel is distinct, so a test can tell which source pixel landed where.
#include "KXFramework/Platform/Graphics/Image.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"

#include <cstdint>
#include <memory>

namespace KX::Test {

// Red = 20·x + 1, green = 20·y + 1, blue 0, opaque.
inline RCPtr<LBitmap> Pattern(int w, int h)
{
    auto image = std::make_shared<Platform::Image>();
    image->width = w;
    image->height = h;
    image->stride = w * 4;
    image->pixels.resize(size_t(w * h * 4));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image->pixels.data() + y * image->stride + x * 4;
            p[0] = 0;
            p[1] = uint8_t(20 * y + 1);
            p[2] = uint8_t(20 * x + 1);
            p[3] = 255;
        }
    return LBitmap::FromImage(image);
}

} // namespace KX::Test
