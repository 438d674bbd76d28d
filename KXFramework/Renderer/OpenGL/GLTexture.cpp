#include "KXFramework/Renderer/OpenGL/GLTexture.h"

#include <GL/gl.h>

#include <memory>

namespace KX {

namespace {

bool IsAlphaOnly(uint32_t internalFormat)
{
    return internalFormat == GL_ALPHA8 || internalFormat == GL_ALPHA4;
}

} // namespace

LGLTexture::~LGLTexture()
{
    if (m_name != kNoName && glIsTexture(m_name)) {
        const GLuint name = m_name;
        glDeleteTextures(1, &name);
        DrainGlErrors();
    }
}

uint32_t LGLTexture::ProbeSize(uint32_t& width, uint32_t& height, uint32_t internalFormat, uint32_t format,
                               uint32_t type)
{
    uint32_t reduction = 1;
    for (;;) {
        glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GLint(internalFormat), GLsizei(width), GLsizei(height), 0, format, type,
                     nullptr);
        const bool error = glGetError() != GL_NO_ERROR;
        DrainGlErrors();
        GLint accepted = 0;
        glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
        // A refused proxy reports a width of 0, with or without an error.
        if ((!error && uint32_t(accepted) == width) || (width <= 1 && height <= 1))
            return reduction;
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        reduction *= 2;
    }
}

void LGLTexture::SetImage(const SGLImage& image, uint32_t internalFormat, unsigned flags, float scale)
{
    const bool alphaOnly = IsAlphaOnly(internalFormat);
    const uint32_t format = alphaOnly ? GL_ALPHA : image.format;
    const uint32_t type = alphaOnly ? GL_UNSIGNED_BYTE : image.type;
    const bool mipmaps = flags & kMipmaps;

    GLuint name = m_name;
    if (m_name == kNoName || !glIsTexture(m_name)) {
        glGenTextures(1, &name);
        m_name = name;
    }
    glBindTexture(m_target, m_name);
    DrainGlErrors();

    m_imageWidth = float(image.width);
    m_imageHeight = float(image.height);
    m_displayWidth = m_imageWidth / scale;
    m_displayHeight = m_imageHeight / scale;
    uint32_t textureWidth = NearestPowerOfTwo(image.width);
    uint32_t textureHeight = NearestPowerOfTwo(image.height);

    const bool nearest = flags & kNearest;
    glTexParameteri(m_target, GL_TEXTURE_MIN_FILTER,
                    nearest ? (mipmaps ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST)
                            : (mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR));
    glTexParameteri(m_target, GL_TEXTURE_MAG_FILTER, nearest ? GL_NEAREST : GL_LINEAR);
    // GL_CLAMP would blend the border colour (transparent) into every edge pixel of a smooth stretch.
    const GLint wrap = (flags & kRepeat) ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(m_target, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(m_target, GL_TEXTURE_WRAP_T, wrap);
    DrainGlErrors();

    const uint32_t reduction = ProbeSize(textureWidth, textureHeight, internalFormat, format, type);
    m_textureWidth = float(textureWidth);
    m_textureHeight = float(textureHeight);
    glTexImage2D(m_target, 0, GLint(internalFormat), GLsizei(textureWidth), GLsizei(textureHeight), 0, format, type,
                 nullptr);
    DrainGlErrors();

    SGLImage work;
    work.Set(image.data, image.rowBytes, image.bytesPerPixel, image.width, image.height, image.format, image.type);
    if ((reduction >= 2 || (flags & kRepeat)) && (work.width != textureWidth || work.height != textureHeight)) {
        work.Scale(textureWidth, textureHeight);
        m_imageWidth = float(textureWidth);
        m_imageHeight = float(textureHeight);
    }
    if (alphaOnly)
        work.ConvertToAlpha();
    work.Upload(m_target, internalFormat, mipmaps);
    if (!mipmaps)
        work.UploadEdges(m_target, textureWidth, textureHeight);
}

void LGLTexture::SetBitmap(const RCPtr<LBitmap>& bitmap)
{
    m_bitmap = bitmap;
    LBitmapData locked;
    if (!bitmap || bitmap->LockBits(locked) < 0)
        return;
    // The bitmap's pixels are premultiplied; GL blends straight alpha (source alpha, one minus it).
    const size_t rowBytes = size_t(locked.width) * 4;
    std::unique_ptr<uint8_t[]> straight(new uint8_t[rowBytes * size_t(locked.height)]);
    for (int y = 0; y < locked.height; ++y) {
        const uint8_t* source = locked.pixels + size_t(y) * size_t(locked.stride);
        uint8_t* target = straight.get() + size_t(y) * rowBytes;
        for (int x = 0; x < locked.width * 4; x += 4) {
            const unsigned a = source[x + 3];
            for (int c = 0; c < 3; ++c)
                target[x + c] = a == 0 ? 0 : uint8_t((source[x + c] * 255u + a / 2) / a);
            target[x + 3] = uint8_t(a);
        }
    }
    bitmap->UnlockBits();
    SGLImage image;
    image.Set(straight.get(), uint32_t(rowBytes), 4, uint32_t(locked.width), uint32_t(locked.height), GL_BGRA,
              GL_UNSIGNED_BYTE);
    SetImage(image, GL_RGBA8, 0, 1.0f);
}

void LGLTexture::DrawQuad(float tx0, float ty0, float tx1, float ty1, float sx0, float sy0, float sx1, float sy1) const
{
    if (m_textureWidth <= 0 || m_textureHeight <= 0)
        return;
    const float s0 = tx0 / m_textureWidth, s1 = tx1 / m_textureWidth;
    const float t0 = ty0 / m_textureHeight, t1 = ty1 / m_textureHeight;
    glEnable(m_target);
    glBindTexture(m_target, m_name);
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2f(sx0, sy0);
    glTexCoord2f(s0, t1);
    glVertex2f(sx0, sy1);
    glTexCoord2f(s1, t1);
    glVertex2f(sx1, sy1);
    glTexCoord2f(s1, t0);
    glVertex2f(sx1, sy0);
    glEnd();
    glDisable(m_target);
}

} // namespace KX
