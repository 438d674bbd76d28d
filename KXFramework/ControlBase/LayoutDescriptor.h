#pragma once
// Where a control sits and how large it is, relative to its parent, its parent's client area, a
// named sibling, the screen or itself; with size limits, docking, clipping and ordering flags.
// Filled from the skin; the child layout engine turns it into a rectangle.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

// One axis of a position: anchor * own size is subtracted from the reference's position
// plus relative * reference size plus absolute.
struct PositionSpec {
    static constexpr int32_t kParent = 0; // also "Screen"
    static constexpr int32_t kClient = 1; // also "Active Window"
    static constexpr int32_t kNamed = 2;  // the sibling named by referenceName

    float anchor = 0.0f;
    int32_t referenceKind = kClient;
    String referenceName;
    float relative = 0.0f;
    double absolute = 0.0;
    bool docked = false;
};

struct SizeSpec {
    static constexpr int32_t kParent = 0;
    static constexpr int32_t kClient = 1;
    static constexpr int32_t kSelf = 2;
    static constexpr int32_t kNamed = 3;

    int32_t referenceKind = kSelf;
    String referenceName;
    float relative = 0.0f;
    double absolute = 0.0;
};

// A minimum or maximum size: relative to the control itself, or to the control named.
struct SizeLimitSpec {
    bool hasReference = false;
    String referenceName;
    float relative = 0.0f;
    double absolute = 0.0;
};

class LLayoutDescriptor : public virtual LRefCountedObject {
public:
    static constexpr int32_t kOverflowClip = 0;
    static constexpr int32_t kOverflowExpand = 1;
    static constexpr int32_t kOverflowWrap = 2;

    LLayoutDescriptor();

    // A new descriptor with a copy of every field.
    RCPtr<LLayoutDescriptor> Clone() const;

    // Axis 0 is X, 1 is Y; any other axis gives E_INVALIDARG and touches nothing.
    [[nodiscard]] KXRESULT GetPlacement(int axis, PositionSpec& position, SizeSpec& size) const;
    [[nodiscard]] KXRESULT SetPlacement(int axis, const PositionSpec& position, const SizeSpec& size);
    [[nodiscard]] KXRESULT GetSizeLimitSpecs(int axis, SizeLimitSpec& minimum, SizeLimitSpec& maximum) const;
    [[nodiscard]] KXRESULT SetSizeLimitSpecs(int axis, const SizeLimitSpec& minimum, const SizeLimitSpec& maximum);

    bool clipToParent = true;
    int32_t zOrder = 0;
    int32_t tabStop = 0; // negative: not a tab stop
    bool isVisible = true;
    bool enabled = true;
    PositionSpec position[2];
    SizeSpec size[2];
    SizeLimitSpec minSize[2];
    SizeLimitSpec maxSize[2];
    String textDecoration;
    int32_t textOverflowX = kOverflowClip;
    int32_t textOverflowY = kOverflowClip;
    int32_t layoutOrder = 0;
};

} // namespace KX
