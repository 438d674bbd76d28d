#pragma once
// Colouring of a visual part's bitmap, once, when the part is made: an image tinted by a colour,
// or a colour shaped by a mask.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Graphics/Bitmap.h"

namespace KX {

struct ColorizerParams {
    enum Type { kSolidFill = 0, kLinearGradient = 1, kRadialGradient = 2 };
    int type = kSolidFill;
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
    float a = 1.0f;
};

// With an image (the result has its size): RGB = image RGB × colour RGB, A = image A × colour A ×
// alphaMod. Without one: the colour, with A = colour A × alphaMod, at width × height. A mask further
// multiplies alpha by its weight, A × luminance; outside the mask the weight is 0. No colorizer is
// white. Gradients throw the domain error. Null when there is nothing to make.
RCPtr<LBitmap> ColorizeBitmap(const ColorizerParams* colorizer, float alphaMod, int width, int height,
                              const ConstRCPtr<LBitmap>& image, const ConstRCPtr<LBitmap>& mask);

} // namespace KX
