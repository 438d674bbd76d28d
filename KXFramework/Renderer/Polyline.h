#pragma once
// A list of points drawn as separate segments, a connected line, an outline or a filled polygon.
// Renderers cache what they build from it under its handle; the owner sets changed when it moves
// the points.
#include "KXFramework/Renderer/Geometry.h"

#include <atomic>
#include <vector>

namespace KX {

template <class T>
struct PolylineT {
    std::vector<PointT<T>> points;
    float lineWidth = 1.0f;
    bool changed = false;
    int handle = NextHandle();

    static int NextHandle()
    {
        static std::atomic<int> next{1};
        return next++;
    }
};

} // namespace KX
