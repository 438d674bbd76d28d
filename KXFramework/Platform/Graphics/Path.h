#pragma once
// A path of straight figures in float coordinates, built once and drawn many times.
#include <vector>

namespace KX::Platform {

struct PathPoint {
    float x = 0.0f;
    float y = 0.0f;
};

struct PathFigure {
    std::vector<PathPoint> points;
    bool closed = false;
};

struct Path {
    std::vector<PathFigure> figures;
};

} // namespace KX::Platform
