#pragma once
// A look of the skin: a client part, non-client parts docked against the look's edges, and the
// text area with its foreground part; and the numbered look lists that give a control one look
// per state.
// Thread: UI thread only.
#include "KXFramework/ControlBase/VisualPartDescriptor.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

struct DockSpec {
    static constexpr uint32_t kLeft = 0x01;
    static constexpr uint32_t kTop = 0x02;
    static constexpr uint32_t kRight = 0x04;
    static constexpr uint32_t kBottom = 0x08;
    static constexpr uint32_t kAll = 0x0F;

    uint32_t edges = 0;
    int32_t offsetLeft = 0;
    int32_t offsetTop = 0;
    int32_t offsetRight = 0;
    int32_t offsetBottom = 0;
    bool hasFixedWidth = false;
    int32_t fixedWidth = 0;
    bool hasFixedHeight = false;
    int32_t fixedHeight = 0;
};

class LDockedPart : public virtual LRefCountedObject {
public:
    LDockedPart(const DockSpec& dockSpec, const RCPtr<LVisualPartDescriptor>& visualPart)
        : dock(dockSpec),
          part(visualPart)
    {
    }

    DockSpec dock;
    RCPtr<LVisualPartDescriptor> part;
};

// Where a look's text goes: each edge is relative * the look's extent plus absolute pixels.
struct TextAreaSpec {
    float leftRelative = 0.0f;
    int32_t leftAbsolute = 0;
    float rightRelative = 0.0f;
    int32_t rightAbsolute = 0;
    float horizontalAlignment = 0.0f;
    float topRelative = 0.0f;
    int32_t topAbsolute = 0;
    float bottomRelative = 0.0f;
    int32_t bottomAbsolute = 0;
    float verticalAlignment = 0.0f;
};

class LLookDescriptor : public virtual LRefCountedObject {
public:
    explicit LLookDescriptor(const String& lookName) : name(lookName) {}

    String name;
    RCPtr<LDockedPart> clientPart;
    RCPtrArray<LDockedPart, 1, 0> nonClientParts;
    bool hasTextProperties = false;
    TextAreaSpec text;
    RCPtr<LVisualPartDescriptor> textForegroundPart;
};

// Entry i is the look shown for look index i; entries may be null.
using LookList = LRCPtrArray<LLookDescriptor, 1, 0>;

} // namespace KX
