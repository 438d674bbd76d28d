#include "KXFramework/Renderer/OpenGL/GLImage.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <utility>

namespace KX {

namespace {

constexpr uint32_t kMaxTextureSide = 16384;

// Rows of whole pixels are read one byte apart; otherwise at the alignment their remainder needs.
GLint AlignmentOf(uint32_t rowBytes, uint32_t bytesPerPixel)
{
    const uint32_t remainder = bytesPerPixel ? rowBytes % bytesPerPixel : 0;
    if (remainder == 0)
        return 1;
    GLint alignment = 1;
    while (uint32_t(alignment) <= remainder)
        alignment *= 2;
    return alignment;
}

void SetUnpackRows(const SGLImage& image)
{
    glPixelStorei(GL_UNPACK_ROW_LENGTH, image.bytesPerPixel ? GLint(image.rowBytes / image.bytesPerPixel) : 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, AlignmentOf(image.rowBytes, image.bytesPerPixel));
}

} // namespace

uint32_t NearestPowerOfTwo(int64_t n)
{
    if (n < 1)
        return 0;
    uint32_t power = 1;
    while (power < n && power < kMaxTextureSide)
        power *= 2;
    return power;
}

void DrainGlErrors()
{
    // A bounded loop: without a current context glGetError may keep answering an error.
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void SGLImage::Clear()
{
    m_storage.reset();
    format = 0;
    type = 0;
    ownsData = false;
    data = nullptr;
    width = 0;
    height = 0;
    rowBytes = 0;
    bytesPerPixel = 0;
}

void SGLImage::Take(SGLImage& other)
{
    if (&other == this)
        return;
    Clear();
    format = other.format;
    type = other.type;
    ownsData = other.ownsData;
    data = other.data;
    width = other.width;
    height = other.height;
    rowBytes = other.rowBytes;
    bytesPerPixel = other.bytesPerPixel;
    m_storage = std::move(other.m_storage);
    other.data = nullptr;
    other.Clear();
}

void SGLImage::Set(const void* pixels, uint32_t rows, uint32_t pixelBytes, uint32_t w, uint32_t h, uint32_t fmt,
                   uint32_t componentType)
{
    Clear();
    data = static_cast<const uint8_t*>(pixels);
    rowBytes = rows;
    bytesPerPixel = pixelBytes;
    width = w;
    height = h;
    format = fmt;
    type = componentType;
}

void SGLImage::Own(std::unique_ptr<uint8_t[]> bytes)
{
    m_storage = std::move(bytes);
    data = m_storage.get();
    ownsData = true;
}

void SGLImage::ConvertToAlpha()
{
    const uint32_t alphaRow = (width + 3) & ~3u;
    std::unique_ptr<uint8_t[]> alpha(new uint8_t[size_t(alphaRow) * height]());
    for (uint32_t y = 0; y < height && data; ++y) {
        const uint8_t* source = data + size_t(y) * rowBytes;
        for (uint32_t x = 0; x < width; ++x) {
            // Bytes B, G, R, A: the 32-bit value 0xAARRGGBB on this little-endian machine.
            const uint8_t* p = source + size_t(x) * 4;
            if ((p[0] | p[1] | p[2] | p[3]) == 0)
                continue;
            alpha[size_t(y) * alphaRow + x] = uint8_t(255 - int(0.3 * p[2] + 0.59 * p[1] + 0.11 * p[0]));
        }
    }
    Own(std::move(alpha));
    rowBytes = alphaRow;
    bytesPerPixel = 1;
    format = GL_ALPHA;
    type = GL_UNSIGNED_BYTE;
}

void SGLImage::Scale(uint32_t newWidth, uint32_t newHeight)
{
    const uint32_t newRow = (bytesPerPixel * newWidth + 3) & ~3u;
    std::unique_ptr<uint8_t[]> scaled(new uint8_t[size_t(newRow) * newHeight]());
    SetUnpackRows(*this);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gluScaleImage(format, GLint(width), GLint(height), type, data, GLint(newWidth), GLint(newHeight), type,
                  scaled.get());
    DrainGlErrors();
    Own(std::move(scaled));
    width = newWidth;
    height = newHeight;
    rowBytes = newRow;
}

void SGLImage::Upload(uint32_t target, uint32_t internalFormat, bool mipmaps) const
{
    SetUnpackRows(*this);
    if (mipmaps)
        gluBuild2DMipmaps(target, GLint(internalFormat), GLint(width), GLint(height), format, type, data);
    else
        glTexSubImage2D(target, 0, 0, 0, GLsizei(width), GLsizei(height), format, type, data);
    DrainGlErrors();
}

void SGLImage::UploadEdges(uint32_t target, uint32_t textureWidth, uint32_t textureHeight) const
{
    if (width == 0 || height == 0 || !data)
        return;
    const bool right = width < textureWidth;
    const bool below = height < textureHeight;
    if (!right && !below)
        return;
    SetUnpackRows(*this);
    const uint8_t* lastRow = data + size_t(height - 1) * rowBytes;
    const size_t lastColumn = size_t(width - 1) * bytesPerPixel;
    if (right)
        glTexSubImage2D(target, 0, GLint(width), 0, 1, GLsizei(height), format, type, data + lastColumn);
    if (below)
        glTexSubImage2D(target, 0, 0, GLint(height), GLsizei(width), 1, format, type, lastRow);
    if (right && below)
        glTexSubImage2D(target, 0, GLint(width), GLint(height), 1, 1, format, type, lastRow + lastColumn);
    DrainGlErrors();
}

} // namespace KX
