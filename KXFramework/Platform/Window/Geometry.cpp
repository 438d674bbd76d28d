#include "KXFramework/Platform/Window/Geometry.h"

#include <algorithm>
#include <cstdint>

namespace KX::Platform {

RectI RectI::Intersect(const RectI& other) const
{
    // 64-bit edges: a rectangle near INT_MAX must not wrap.
    const int64_t left = std::max<int64_t>(x, other.x);
    const int64_t top = std::max<int64_t>(y, other.y);
    const int64_t right = std::min<int64_t>(int64_t(x) + width, int64_t(other.x) + other.width);
    const int64_t bottom = std::min<int64_t>(int64_t(y) + height, int64_t(other.y) + other.height);
    if (right <= left || bottom <= top)
        return RectI{x, y, 0, 0};
    return RectI{int(left), int(top), int(right - left), int(bottom - top)};
}

} // namespace KX::Platform
