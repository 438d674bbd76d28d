// The skin reader on arbitrary bytes: a clear failure or a loaded skin, never a crash, a hang or
// growth beyond the document's own bounds.
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KX::ResourceEntry entry{u"KXXML", u"APP_SKINS", data, size};
    KX::SetResourceTable(&entry, 1);
    KX::RCPtr<KX::LControlFactory> factory(new KX::LControlFactory(KX::String(u"PresetEditor")));
    try {
        const KXRESULT result = factory->LoadSkin(KX::String(u"::APP_SKINS"));
        // An empty document is a missing resource; any other failure says why and where.
        if (result == KX::E_FAIL && size > 0 && factory->GetLastParseError().text.IsEmpty())
            std::abort();
        if (result != KX::S_OK && result != KX::E_FAIL)
            std::abort();
    } catch (const std::runtime_error&) {
        // A SubControl without Class or Name.
    }
    // Walk what was built, as the control factory will.
    for (unsigned i = 0; i < factory->GetRootDescriptors().GetCount(); ++i)
        (void)factory->FindControlDescriptor(factory->GetRootDescriptors().GetAt(i)->GetName());
    KX::SetResourceTable(nullptr, 0);
    return 0;
}
