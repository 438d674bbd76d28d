#pragma once
// The image and colour pieces of the skin: a colorizer (a solid or gradient colour source) and a
// visual part (an image rectangle, or a colorizer's fill, optionally shaped by a mask).
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Renderer/Color.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

class LColorizer : public virtual LRefCountedObject {
public:
    static constexpr int32_t kSolidFill = 0;
    static constexpr int32_t kLinearGradient = 1;
    static constexpr int32_t kRadialGradient = 2;

    explicit LColorizer(const String& colorizerName) : name(colorizerName) {}

    String name;
    int32_t colorType = kSolidFill;
    LColor color;
    LColor gradientEndColor;
    float gradientStartX = 0.0f;
    float gradientStartY = 0.0f;
    float gradientEndX = 0.0f;
    float gradientEndY = 0.0f;
};

// A rectangle of an image; an empty path means none.
struct ImageReference {
    String path;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

class LVisualPartDescriptor : public virtual LRefCountedObject {
public:
    static constexpr int32_t kStretch = 0;
    static constexpr int32_t kTile = 1;
    static constexpr int32_t kCenter = 2;

    explicit LVisualPartDescriptor(const String& partName) : name(partName) {}

    // The image form draws an image; the colour form fills with its colorizer.
    bool IsImageForm() const { return !image.path.IsEmpty(); }

    String name;
    ImageReference image;
    int32_t resizeType = kStretch;
    RCPtr<LColorizer> colorizer;
    int32_t naturalWidth = 0;
    int32_t naturalHeight = 0;
    float alphaModulation = 1.0f;
    ImageReference mask;
};

} // namespace KX
