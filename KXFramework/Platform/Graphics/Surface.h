#pragma once
// An image surface to draw on or from: 32-bit premultiplied ARGB in native order, the format of
// Image. Made cleared to 0.
#include "KXFramework/Platform/Graphics/Image.h"

#include <cstdint>
#include <memory>

struct _cairo_surface;

namespace KX::Platform {

// Cairo refuses larger image surfaces.
constexpr int kMaxSurfaceSide = 32767;

class Surface {
public:
    // A request below 1×1 is raised to 1×1; above kMaxSurfaceSide a side gives null.
    static std::shared_ptr<Surface> Create(int width, int height);
    // Draws from the image's pixels without a copy; the surface keeps the image alive and must
    // not be drawn on.
    static std::shared_ptr<Surface> Wrap(std::shared_ptr<const Image> image);

    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Stride() const;
    // The pixels, valid after Flush.
    uint8_t* Data();
    const uint8_t* Data() const;
    void Flush();
    // Bytes of pixel storage this surface owns (0 for a wrapped image).
    size_t OwnedBytes() const;

    _cairo_surface* Native() const { return m_surface; }

private:
    Surface(_cairo_surface* surface, std::shared_ptr<const Image> image);

    _cairo_surface* m_surface;
    std::shared_ptr<const Image> m_image;
    int m_width;
    int m_height;
};

} // namespace KX::Platform
