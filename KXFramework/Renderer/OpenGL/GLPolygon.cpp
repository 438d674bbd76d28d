#include "KXFramework/Renderer/OpenGL/GLPolygon.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

namespace KX {

namespace {

struct SharedTessellator {
    GLUtesselator* tessellator = nullptr;
    std::vector<GLdouble> vertices; // three per point, kept for the tessellator until the polygon ends
};

SharedTessellator& Shared()
{
    static SharedTessellator shared;
    return shared;
}

} // namespace

CGLPolygon::CGLPolygon()
{
    SharedTessellator& shared = Shared();
    if (shared.tessellator)
        return;
    shared.tessellator = gluNewTess();
    if (!shared.tessellator)
        return;
    gluTessNormal(shared.tessellator, 0.0, 0.0, 1.0);
    gluTessProperty(shared.tessellator, GLU_TESS_TOLERANCE, 1.0);
    gluTessCallback(shared.tessellator, GLU_TESS_VERTEX, reinterpret_cast<_GLUfuncptr>(&glVertex3dv));
    gluTessCallback(shared.tessellator, GLU_TESS_BEGIN, reinterpret_cast<_GLUfuncptr>(&glBegin));
    gluTessCallback(shared.tessellator, GLU_TESS_END, reinterpret_cast<_GLUfuncptr>(&glEnd));
}

void CGLPolygon::Draw(const PointT<float>* points, unsigned count)
{
    SharedTessellator& shared = Shared();
    if (!shared.tessellator || !points)
        return;
    if (shared.vertices.size() < size_t(count) * 3)
        shared.vertices.resize(size_t(count) * 3, 0.0);
    gluTessProperty(shared.tessellator, GLU_TESS_BOUNDARY_ONLY, 0);
    gluTessBeginPolygon(shared.tessellator, nullptr);
    gluTessBeginContour(shared.tessellator);
    for (unsigned i = 0; i < count; ++i) {
        GLdouble* vertex = &shared.vertices[size_t(i) * 3];
        vertex[0] = points[i].x;
        vertex[1] = points[i].y;
        vertex[2] = 0.0;
        gluTessVertex(shared.tessellator, vertex, vertex);
    }
    gluTessEndContour(shared.tessellator);
    gluTessEndPolygon(shared.tessellator);
}

} // namespace KX
