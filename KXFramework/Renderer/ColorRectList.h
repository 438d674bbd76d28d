#pragma once
// Rectangles with a colour each (0xAARRGGBB), drawn at a scale; renderers may cache what they
// build from it under its handle.
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Renderer/Polyline.h"

#include <cstdint>
#include <vector>

namespace KX {

template <class T>
struct ColorRectListT {
    std::vector<RectT<T>> rects;
    std::vector<uint32_t> colors; // one per rectangle
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    int handle = PolylineT<T>::NextHandle();
};

} // namespace KX
