#pragma once
// The smallest drawable piece of a skin: a rectangle of an image (coloured once, when the part is
// made, through a colorizer and a mask), or a plain colour. Parts made from the skin's part
// descriptors are shared by every look that names them and live as long as one of them does.
// Thread: UI thread only.
#include "KXFramework/ControlBase/VisualPartDescriptor.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Renderer/Renderer.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

class LVisualPart : public virtual LRefCountedObject {
public:
    // With a bitmap the natural size is the bitmap's. A colorizer with a bitmap, a mask or a
    // gradient replaces the bitmap by the coloured image.
    LVisualPart(const String& name, const RCPtr<LBitmap>& bitmap, int32_t resizeType,
                const RCPtr<LColorizer>& colorizer, const PointT<int32_t>& size, float alphaMod,
                const RCPtr<LBitmap>& mask);
    ~LVisualPart() override;

    // Null for a null bitmap.
    static RCPtr<LVisualPart> Create(const String& name, const RCPtr<LBitmap>& bitmap, int32_t resizeType,
                                     const RCPtr<LColorizer>& colorizer, const PointT<int32_t>& size, float alphaMod,
                                     const RCPtr<LBitmap>& mask);
    // The descriptor's part, made on first request and shared while it is used; null for a null
    // descriptor or an image that cannot be loaded.
    static RCPtr<LVisualPart> FromDescriptor(const RCPtr<LVisualPartDescriptor>& descriptor);

    // Fills an area of the given size with the part; 0.
    virtual int Draw(const RCPtr<LRenderer>& renderer, const PointT<float>& areaSize);
    // 0xAARRGGBB of the part's own pixel at natural size; 0x00FFFFFF outside.
    uint32_t GetColorAtPoint(const PointT<int32_t>& pixel) const;
    // The colour at a point of an area the part is drawn into with its resize type.
    uint32_t GetColorAtPoint(const PointT<float>& point, const PointT<float>& areaSize) const;

    const String& GetName() const { return m_name; }
    const RCPtr<LBitmap>& GetBitmap() const { return m_bitmap; }
    const PointT<int32_t>& GetSize() const { return m_size; }
    const RCPtr<LColorizer>& GetColorizer() const { return m_colorizer; }
    // The plain colour with the alpha modulation applied.
    LColor GetPlainColor() const;

private:
    String m_name;
    RCPtr<LBitmap> m_bitmap;
    PointT<int32_t> m_size;
    int32_t m_resizeType;
    RCPtr<LColorizer> m_colorizer;
    float m_alphaMod;
    RCPtr<LBitmap> m_mask;
    RCPtr<LVisualPartDescriptor> m_owner;
};

} // namespace KX
