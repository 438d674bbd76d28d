#pragma once
// The class-name registry of the control factory: skin class names mapped to the functions that
// create their controls, and the creation of controls from the factory's descriptors.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlDescriptor.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <map>

namespace KX {

class LControlFactory;
class LRootWindow;

class LControlClassRegistry : public virtual LRefCountedObject {
public:
    // 0; a name registered before keeps its first function.
    [[nodiscard]] KXRESULT RegisterControlCreateFunction(const String& className, ControlCreateFunction function);
    // 0 and the function; an unregistered name throws a runtime error.
    [[nodiscard]] KXRESULT GetControlCreateFunction(const String& className, ControlCreateFunction& out) const;
    // Resolves the descriptor's class once (cached in the descriptor) and creates the control under
    // the parent; null for a null descriptor. Throws for an unregistered class.
    void CreateControl(RCPtr<LControl>& out, const RCPtr<LControlDescriptor>& descriptor,
                       const RCPtr<LControl>& parent);
    // The top-level control of the factory's current skin with that name, made visible and bound to
    // the root window; null when the skin has no such top-level control.
    void CreateControlByName(RCPtr<LControl>& out, LControlFactory& factory, const String& name,
                             const RCPtr<LRootWindow>& root);
    // Applies the current skin's descriptor of the control's name again; E_FAIL when the skin has
    // no top-level control of that name.
    [[nodiscard]] KXRESULT ReapplyDescriptor(const LControlFactory& factory, const RCPtr<LControl>& control);

private:
    std::map<String, ControlCreateFunction> m_functions;
};

// The create function of a control class T constructed from (parent, name): construction, then the
// creation steps in their fixed order, whose results do not stop the next; last the created flag.
template <class T>
RCPtr<LControl>& CreateControlOf(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor)
{
    RCPtr<LControl> control(new T(parent, descriptor->GetName()));
    static_cast<void>(control->ApplyDescriptor(descriptor));
    static_cast<void>(control->CreateSubControls(descriptor));
    static_cast<void>(control->Initialize());
    static_cast<void>(control->PostInitialize());
    control->SetCreated();
    out = control;
    return out;
}

} // namespace KX
