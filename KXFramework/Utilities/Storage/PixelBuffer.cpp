#include "KXFramework/Utilities/Storage/PixelBuffer.h"

#include "KXFramework/ObjectBase/Exception.h"

#include <cstring>

namespace KX {

namespace {
using PixelBytes = LBufferT<1, 0, 8, unsigned char*>;

// An image too large for the buffer's 32-bit size is refused like a failed allocation.
uint32_t ImageBytes(unsigned stride, unsigned height)
{
    const uint64_t bytes = uint64_t{stride} * height;
    if (bytes > UINT32_MAX)
        throw Exception<std::bad_alloc>();
    return static_cast<uint32_t>(bytes);
}
} // namespace

LPixelBuffer<unsigned char>::LPixelBuffer(unsigned width, unsigned height, unsigned stride, const unsigned char* data)
    : m_width(width),
      m_height(height),
      m_stride(stride)
{
    if (!data && m_stride == 0)
        m_stride = static_cast<unsigned>((uint64_t{width} + 15) & ~uint64_t{15});
    const uint32_t size = ImageBytes(m_stride, height);
    PixelBytes::Create(m_pixels, size, 0, true);
    if (data && size != 0)
        std::memcpy(m_pixels->GetData(), data, size);
}

LPixelBuffer<unsigned char>::~LPixelBuffer() = default;

unsigned char* LPixelBuffer<unsigned char>::GetPixelAddress(unsigned x, unsigned y)
{
    const uint64_t offset = uint64_t{y} * m_stride + x;
    return offset < m_pixels->GetSize() ? m_pixels->GetData() + offset : nullptr;
}

const unsigned char* LPixelBuffer<unsigned char>::GetPixelAddress(unsigned x, unsigned y) const
{
    return const_cast<LPixelBuffer*>(this)->GetPixelAddress(x, y);
}

KXRESULT LPixelBuffer<unsigned char>::SetHeight(unsigned h)
{
    const uint32_t size = ImageBytes(m_stride, h);
    const uint32_t old = m_pixels->GetSize();
    m_pixels->SetSize(size);
    if (size > old)
        static_cast<void>(m_pixels->Fill8(0, old, -1)); // within the new size
    m_height = h;
    return h != 0 && !m_pixels->GetData() ? E_FAIL : S_OK;
}

} // namespace KX
