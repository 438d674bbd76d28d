#pragma once
// PNG decoding into premultiplied pixels: any colour type and depth, interlaced or not.
#include "KXFramework/Platform/Graphics/Image.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace KX::Platform {

// Images wider or higher than this are refused.
constexpr int kMaxImageSide = 16384;

// Null for anything that is not a whole, valid PNG within the size cap.
std::shared_ptr<Image> DecodePng(const uint8_t* data, size_t size);

} // namespace KX::Platform
