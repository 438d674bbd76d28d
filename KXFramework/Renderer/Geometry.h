#pragma once
// Points and rectangles {x, y, width, height} in pixels, x to the right and y downwards. The
// conversions between floating and integer coordinates round half away from zero and saturate, so
// that controls, renderers and the dirty region agree pixel for pixel.
#include <cmath>
#include <cstdint>
#include <type_traits>

namespace KX {

namespace GeometryRules {

constexpr double kSnapTolerance = 2.220446049250313e-16;
constexpr float kUnionMinExtent = 1.1920929e-7f;

// Half away from zero, saturated to the 32-bit range; NaN, which compares with nothing, gives the
// lowest value as the saturation towards it does.
inline int32_t RoundToLong(double v)
{
    if (!(v >= -2147483648.0))
        return INT32_MIN;
    v = v >= 0.0 ? v + 0.5 : v - 0.5;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

inline int32_t SaturatedAdd(int32_t a, int32_t b)
{
    const int64_t sum = static_cast<int64_t>(a) + b;
    return sum > INT32_MAX ? INT32_MAX : (sum < INT32_MIN ? INT32_MIN : static_cast<int32_t>(sum));
}

inline double Clamp(double v, double limit)
{
    return v < -limit ? -limit : (v > limit ? limit : v);
}

// Down to a whole pixel, forgiving a relative error of one unit in the last place.
inline double SnapDown(double v)
{
    if (v > 0.0)
        return std::trunc(v + v * kSnapTolerance);
    if (v < 0.0)
        return std::trunc(v - (v * kSnapTolerance + 1.0));
    return 0.0;
}

} // namespace GeometryRules

template <class T>
struct PointT {
    T x{};
    T y{};

    bool operator==(const PointT&) const = default;

    PointT<int32_t> ToLong() const requires std::is_same_v<T, float>
    {
        return {GeometryRules::RoundToLong(x), GeometryRules::RoundToLong(y)};
    }

    PointT<int32_t> Round() const requires std::is_same_v<T, double>
    {
        return {GeometryRules::RoundToLong(x), GeometryRules::RoundToLong(y)};
    }

    PointT<double> ToDouble() const requires std::is_same_v<T, int32_t>
    {
        return {static_cast<double>(x), static_cast<double>(y)};
    }

    // This point moved by the rounded delta; a sum beyond the 32-bit range saturates rather than
    // wrapping to the far side.
    PointT<int32_t> OffsetBy(const PointT<double>& delta) const requires std::is_same_v<T, int32_t>
    {
        const PointT<int32_t> step = delta.Round();
        return {GeometryRules::SaturatedAdd(x, step.x), GeometryRules::SaturatedAdd(y, step.y)};
    }
};

template <class T>
struct RectT {
    T x{};
    T y{};
    T width{};
    T height{};

    bool operator==(const RectT&) const = default;

    RectT<int32_t> ToLong() const requires std::is_same_v<T, float>
    {
        using GeometryRules::RoundToLong;
        return {RoundToLong(x), RoundToLong(y), RoundToLong(width), RoundToLong(height)};
    }

    RectT<int32_t> Round() const requires std::is_same_v<T, double>
    {
        using GeometryRules::RoundToLong;
        return {RoundToLong(x), RoundToLong(y), RoundToLong(width), RoundToLong(height)};
    }

    // Each value clamped to ±2^23, where every integer is still exact in a float.
    RectT<float> ToFloat() const requires std::is_same_v<T, int32_t>
    {
        constexpr double limit = 8388608.0;
        using GeometryRules::Clamp;
        return {static_cast<float>(Clamp(x, limit)), static_cast<float>(Clamp(y, limit)),
                static_cast<float>(Clamp(width, limit)), static_cast<float>(Clamp(height, limit))};
    }

    RectT<double> ToDouble() const requires std::is_same_v<T, int32_t>
    {
        return {static_cast<double>(x), static_cast<double>(y), static_cast<double>(width),
                static_cast<double>(height)};
    }

    // Negative extents flipped, then both corners snapped down to whole pixels.
    void Normalize() requires std::is_same_v<T, double>
    {
        if (width < 0.0) {
            x += width;
            width = -width;
        }
        if (height < 0.0) {
            y += height;
            height = -height;
        }
        using GeometryRules::SnapDown;
        const double left = SnapDown(x);
        const double top = SnapDown(y);
        const double right = SnapDown(x + width);
        const double bottom = SnapDown(y + height);
        x = left;
        y = top;
        width = right - left;
        height = bottom - top;
    }

    // The overlap of a and b: larger left and top, smaller right and bottom. The extent is negative
    // when they do not overlap.
    static RectT Intersection(const RectT& a, const RectT& b) requires std::is_floating_point_v<T>
    {
        const T left = a.x > b.x ? a.x : b.x;
        const T top = a.y > b.y ? a.y : b.y;
        const T right = a.x + a.width < b.x + b.width ? a.x + a.width : b.x + b.width;
        const T bottom = a.y + a.height < b.y + b.height ? a.y + a.height : b.y + b.height;
        return {left, top, right - left, bottom - top};
    }

    // The smallest rectangle holding a and b (on equal edges a's is taken); true when it has both
    // extents above the float epsilon.
    static bool Union(RectT& out, const RectT& a, const RectT& b) requires std::is_floating_point_v<T>
    {
        const T left = b.x < a.x ? b.x : a.x;
        const T top = b.y < a.y ? b.y : a.y;
        const T right = b.x + b.width > a.x + a.width ? b.x + b.width : a.x + a.width;
        const T bottom = b.y + b.height > a.y + a.height ? b.y + b.height : a.y + a.height;
        out = {left, top, right - left, bottom - top};
        return out.width > GeometryRules::kUnionMinExtent && out.height > GeometryRules::kUnionMinExtent;
    }
};

} // namespace KX
