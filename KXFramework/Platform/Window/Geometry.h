#pragma once
// Integer rectangles and sizes of the window layer, in pixels.

namespace KX::Platform {

struct SizeI {
    int width = 0;
    int height = 0;
    bool operator==(const SizeI&) const = default;
};

struct RectI {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const RectI&) const = default;
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    // The part of this rectangle inside other; empty (0 × 0 at this one's origin) when they do not meet.
    RectI Intersect(const RectI& other) const;
};

} // namespace KX::Platform
