#pragma once
// A shared image of one channel: width, height and a row stride in bytes over one reference-counted
// byte buffer of stride x height bytes. Glyph images and glyph atlases live in these.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

template <class T>
class IPixelBuffer {
public:
    virtual unsigned GetWidth() const = 0;
    virtual unsigned GetHeight() const = 0;
    virtual unsigned GetStride() const = 0;
    virtual const T* GetPixelAddress(unsigned x, unsigned y) const = 0;
    virtual T* GetPixelAddress(unsigned x, unsigned y) = 0;
    // Resizes to stride x h bytes; rows added are zero. E_FAIL when h is not 0 and no storage is left.
    [[nodiscard]] virtual KXRESULT SetHeight(unsigned h) = 0;

protected:
    ~IPixelBuffer() = default;
};

template <class T>
class LPixelBuffer;

template <>
class LPixelBuffer<unsigned char> : public IPixelBuffer<unsigned char>, public virtual LRefCountedObject {
public:
    // With data, the buffer holds a copy of stride x height bytes of it. Without, a stride of 0
    // becomes the width rounded up to a multiple of 16, and the bytes are zero.
    LPixelBuffer(unsigned width, unsigned height, unsigned stride, const unsigned char* data);
    ~LPixelBuffer() override;

    unsigned GetWidth() const override { return m_width; }
    unsigned GetHeight() const override { return m_height; }
    unsigned GetStride() const override { return m_stride; }
    // Null when the pixel lies outside the bytes.
    const unsigned char* GetPixelAddress(unsigned x, unsigned y) const override;
    unsigned char* GetPixelAddress(unsigned x, unsigned y) override;
    [[nodiscard]] KXRESULT SetHeight(unsigned h) override;

private:
    unsigned m_width;
    unsigned m_height;
    unsigned m_stride;
    RCPtr<LIBuffer> m_pixels;
};

} // namespace KX
