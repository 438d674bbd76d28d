#pragma once
// Fills polygons through GLU's tessellator, one shared by every polygon for the life of the process,
// with the tessellator's odd winding rule. UI thread, with the renderer's GL context current.
#include "KXFramework/Renderer/Geometry.h"

namespace KX {

class CGLPolygon {
public:
    CGLPolygon();
    void Draw(const PointT<float>* points, unsigned count);
};

} // namespace KX
