#include "KXFramework/Platform/Graphics/Surface.h"

#include <cairo.h>

namespace KX::Platform {

Surface::Surface(cairo_surface_t* surface, std::shared_ptr<const Image> image)
    : m_surface(surface),
      m_image(std::move(image)),
      m_width(cairo_image_surface_get_width(surface)),
      m_height(cairo_image_surface_get_height(surface))
{
}

Surface::~Surface()
{
    cairo_surface_destroy(m_surface);
}

std::shared_ptr<Surface> Surface::Create(int width, int height)
{
    if (width > kMaxSurfaceSide || height > kMaxSurfaceSide)
        return nullptr;
    width = width < 1 ? 1 : width;
    height = height < 1 ? 1 : height;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::shared_ptr<Surface>(new Surface(surface, nullptr));
}

std::shared_ptr<Surface> Surface::Wrap(std::shared_ptr<const Image> image)
{
    if (image == nullptr || image->width < 1 || image->height < 1 || image->width > kMaxSurfaceSide ||
        image->height > kMaxSurfaceSide || image->stride < image->width * 4 ||
        image->pixels.size() < size_t(image->stride) * size_t(image->height))
        return nullptr;
    // Cairo takes a writable pointer; a wrapped surface is only ever a source.
    auto* pixels = const_cast<unsigned char*>(image->pixels.data());
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, image->width, image->height, image->stride);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::shared_ptr<Surface>(new Surface(surface, std::move(image)));
}

int Surface::Stride() const
{
    return cairo_image_surface_get_stride(m_surface);
}

uint8_t* Surface::Data()
{
    return cairo_image_surface_get_data(m_surface);
}

const uint8_t* Surface::Data() const
{
    return cairo_image_surface_get_data(m_surface);
}

void Surface::Flush()
{
    cairo_surface_flush(m_surface);
}

size_t Surface::OwnedBytes() const
{
    return m_image ? 0 : size_t(Stride()) * size_t(m_height);
}

} // namespace KX::Platform
