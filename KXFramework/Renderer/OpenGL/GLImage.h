#pragma once
// Pixels on their way to GL: a description of rows of pixels, owned or borrowed, that can be turned
// into an alpha mask, scaled, and uploaded into the bound texture. Needs the renderer's GL context
// current; GL errors are read and dropped after each step.
#include <cstdint>
#include <memory>

namespace KX {

// 0 below 1; else the smallest power of two not below n, at most 16384.
uint32_t NearestPowerOfTwo(int64_t n);

struct SGLImage {
    uint32_t format = 0; // GL pixel format
    uint32_t type = 0;   // GL component type
    bool ownsData = false;
    const uint8_t* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t rowBytes = 0;
    uint32_t bytesPerPixel = 0;

    SGLImage() = default;
    SGLImage(const SGLImage&) = delete;
    SGLImage& operator=(const SGLImage&) = delete;
    ~SGLImage() { Clear(); }

    // Frees owned bytes; every field 0.
    void Clear();
    // Moves other's description and bytes here; other is left cleared.
    void Take(SGLImage& other);
    // Describes bytes that stay the caller's.
    void Set(const void* pixels, uint32_t rowBytes, uint32_t bytesPerPixel, uint32_t width, uint32_t height,
             uint32_t format, uint32_t type);
    // Replaces 32-bit 0xAARRGGBB pixels with one owned alpha byte each: 0 for a zero pixel, else
    // 255 minus the pixel's luminance, so that dark ink becomes opaque.
    void ConvertToAlpha();
    // Replaces the pixels with an owned copy scaled to the new size.
    void Scale(uint32_t newWidth, uint32_t newHeight);
    // Into the bound texture: level 0 at the top-left corner, or every mipmap level.
    void Upload(uint32_t target, uint32_t internalFormat, bool mipmaps) const;
    // Into level 0 of the bound texture of the given size, once more right of and below the uploaded
    // image: its last column, last row and corner pixel, so that smooth sampling at the image's edge
    // meets its own pixels, not the texture's unused part.
    void UploadEdges(uint32_t target, uint32_t textureWidth, uint32_t textureHeight) const;

private:
    void Own(std::unique_ptr<uint8_t[]> bytes);

    std::unique_ptr<uint8_t[]> m_storage;
};

// Reads GL errors until there are none left.
void DrainGlErrors();

} // namespace KX
