#pragma once
// The in-memory skin: one control descriptor per SubControl (or per top-level Skin, as its root),
// with the Skin element that gives the control its looks and font. Built by the skin reader of
// the control factory and shared read-only by every control created from it.
// Thread: UI thread only.
#include "KXFramework/ControlBase/LayoutDescriptor.h"
#include "KXFramework/ControlBase/LookDescriptor.h"
#include "KXFramework/ControlBase/StringTable.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

class LControl;
class LControlDescriptor;

// Constructs the control of one skin class and runs its creation steps; returns `out`.
using ControlCreateFunction = RCPtr<LControl>& (*)(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                                   const RCPtr<LControlDescriptor>& descriptor);

class LSkinDescriptor : public virtual LRefCountedObject {
public:
    explicit LSkinDescriptor(const String& skinName) : name(skinName) {}

    String name;
    RCPtr<LookList> lookList;
    bool fontInheritsFromParent = false;
    bool fontSizeIsRelative = false;
    String fontName;
    float fontSize = 0.0f;
    int32_t fontStyle = -1; // -1: not given
};

using ControlDescriptorArray = RCPtrArray<LControlDescriptor, 1, 0>;

class LControlDescriptor : public virtual LRefCountedObject {
public:
    // parent is not counted: a descriptor is owned by its parent's sub-descriptor list.
    LControlDescriptor(const String& className, const String& name, LControlDescriptor* parent);

    // The same class, parent, skin, layout, create parameters and create function (shared, not
    // copied) and the same sub-descriptor objects, under newName (the source's name when empty).
    RCPtr<LControlDescriptor> Clone(const String& newName) const;

    const String& GetClassName() const { return m_className; }
    const String& GetName() const { return m_name; }
    LControlDescriptor* GetParent() const { return m_parent; }
    const ControlDescriptorArray& GetSubDescriptors() const { return m_subDescriptors; }
    ControlDescriptorArray& GetSubDescriptors() { return m_subDescriptors; }
    const RCPtr<LSkinDescriptor>& GetSkin() const { return m_skin; }
    void SetSkin(const RCPtr<LSkinDescriptor>& skin) { m_skin = skin; }
    const RCPtr<LLayoutDescriptor>& GetLayout() const { return m_layout; }
    void SetLayout(const RCPtr<LLayoutDescriptor>& layout) { m_layout = layout; }
    const RCPtr<LStringTable>& GetCreateParams() const { return m_createParams; }
    void SetCreateParams(const RCPtr<LStringTable>& createParams) { m_createParams = createParams; }
    ControlCreateFunction GetCreateFunction() const { return m_createFunction; }
    void SetCreateFunction(ControlCreateFunction function) { m_createFunction = function; }

    // Orders the sub-descriptors by layout order; equal orders keep their document order.
    void SortSubDescriptors();

private:
    String m_className;
    String m_name;
    LControlDescriptor* m_parent;
    ControlDescriptorArray m_subDescriptors;
    RCPtr<LSkinDescriptor> m_skin;
    RCPtr<LLayoutDescriptor> m_layout;
    RCPtr<LStringTable> m_createParams;
    ControlCreateFunction m_createFunction = nullptr;
};

} // namespace KX
