#pragma once
// Decoded pixels: 32-bit premultiplied ARGB in native order (bytes B, G, R, A), rows stride bytes
// apart. The format Cairo draws from, shared by a bitmap and its sub-bitmaps.
#include <cstdint>
#include <vector>

namespace KX::Platform {

struct Image {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<uint8_t> pixels;
};

} // namespace KX::Platform
