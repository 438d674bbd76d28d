#pragma once
// A GL texture made from a bitmap or from pixels such as a glyph atlas. Its size is a power of two
// on each side; an image smaller than that sits in its top-left corner. Needs the renderer's GL
// context current.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Renderer/OpenGL/GLImage.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"

#include <cstdint>

namespace KX {

class LGLTexture : public LRefCountedObject {
public:
    // SetImage flags.
    static constexpr unsigned kNearest = 1;
    static constexpr unsigned kRepeat = 2;
    static constexpr unsigned kMipmaps = 4;
    static constexpr uint32_t kNoName = 0xFFFFFFFF;

    LGLTexture() = default;
    ~LGLTexture() override;

    // Halves the size until GL accepts a texture of it; the factor by which it was reduced.
    static uint32_t ProbeSize(uint32_t& width, uint32_t& height, uint32_t internalFormat, uint32_t format,
                              uint32_t type);

    void SetImage(const SGLImage& image, uint32_t internalFormat, unsigned flags, float scale);
    // Uploads the bitmap's pixels, with straight alpha, and keeps the bitmap.
    void SetBitmap(const RCPtr<LBitmap>& bitmap);
    // Draws the texture rectangle (in image pixels) onto the screen rectangle.
    void DrawQuad(float tx0, float ty0, float tx1, float ty1, float sx0, float sy0, float sx1, float sy1) const;

    uint32_t GetName() const { return m_name; }
    float GetTextureWidth() const { return m_textureWidth; }
    float GetTextureHeight() const { return m_textureHeight; }
    float GetImageWidth() const { return m_imageWidth; }
    float GetImageHeight() const { return m_imageHeight; }
    float GetDisplayWidth() const { return m_displayWidth; }
    float GetDisplayHeight() const { return m_displayHeight; }
    const RCPtr<LBitmap>& GetBitmap() const { return m_bitmap; }

private:
    uint32_t m_target = 0x0DE1; // GL_TEXTURE_2D
    uint32_t m_name = kNoName;
    float m_textureWidth = 0;
    float m_textureHeight = 0;
    float m_imageWidth = 0;
    float m_imageHeight = 0;
    float m_displayWidth = 0;
    float m_displayHeight = 0;
    RCPtr<LBitmap> m_bitmap;
};

} // namespace KX
