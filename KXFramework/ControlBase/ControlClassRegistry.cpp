#include "KXFramework/ControlBase/ControlClassRegistry.h"

#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ObjectBase/Exception.h"

#include <stdexcept>

namespace KX {

KXRESULT LControlClassRegistry::RegisterControlCreateFunction(const String& className, ControlCreateFunction function)
{
    m_functions.emplace(className, function);
    return S_OK;
}

KXRESULT LControlClassRegistry::GetControlCreateFunction(const String& className, ControlCreateFunction& out) const
{
    const auto it = m_functions.find(className);
    if (it == m_functions.end() || !it->second)
        throw Exception<std::runtime_error>("Runtime Error : KX::LControlFactory::GetControlCreateFunction : "
                                            "ControlBase\\ControlFactory : Line 51");
    out = it->second;
    return S_OK;
}

void LControlClassRegistry::CreateControl(RCPtr<LControl>& out, const RCPtr<LControlDescriptor>& descriptor,
                                          const RCPtr<LControl>& parent)
{
    out = nullptr;
    if (!descriptor)
        return;
    if (!descriptor->GetCreateFunction()) {
        ControlCreateFunction function = nullptr;
        // An unknown class leaves the function null.
        static_cast<void>(GetControlCreateFunction(descriptor->GetClassName(), function));
        descriptor->SetCreateFunction(function);
    }
    descriptor->GetCreateFunction()(out, parent, descriptor);
}

void LControlClassRegistry::CreateControlByName(RCPtr<LControl>& out, LControlFactory& factory, const String& name,
                                                const RCPtr<LRootWindow>& root)
{
    out = nullptr;
    RCPtr<LControlDescriptor> descriptor = factory.FindControlDescriptor(name);
    if (!descriptor)
        return;
    // A top-level control is always made visible, from a copy: the skin's descriptor is shared by
    // every later creation and stays as the skin gave it.
    if (const RCPtr<LLayoutDescriptor>& layout = descriptor->GetLayout(); layout && !layout->isVisible) {
        RCPtr<LLayoutDescriptor> visible = layout->Clone();
        visible->isVisible = true;
        RCPtr<LControlDescriptor> copy;
        LControlFactory::CloneControlDescriptor(copy, descriptor, visible, descriptor->GetName());
        descriptor = copy;
    }
    CreateControl(out, descriptor, RCPtr<LControl>());
    if (out)
        out->SetRootWindow(root);
}

KXRESULT LControlClassRegistry::ReapplyDescriptor(const LControlFactory& factory, const RCPtr<LControl>& control)
{
    if (!control)
        return E_FAIL;
    const RCPtr<LControlDescriptor>& descriptor = factory.FindControlDescriptor(control->GetName());
    if (!descriptor)
        return E_FAIL;
    return control->ApplyDescriptor(descriptor);
}

} // namespace KX
