// The skin reader on arbitrary bytes, from the resources and from a file (the route with the size
// cap): a clear failure or a loaded skin, never a crash, a hang or growth beyond the document's own
// bounds, and both routes read the same.
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include "DocumentFile.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {

struct Outcome {
    KXRESULT result = KX::S_OK;
    bool threw = false;
    KX::String error;
    unsigned roots = 0;
};

Outcome Load(const KX::String& source, size_t size)
{
    KX::RCPtr<KX::LControlFactory> factory(new KX::LControlFactory(KX::String(u"PresetEditor")));
    Outcome outcome;
    try {
        outcome.result = factory->LoadSkin(source);
        // An empty document is a missing resource; any other failure says why and where.
        if (outcome.result == KX::E_FAIL && size > 0 && factory->GetLastParseError().text.IsEmpty())
            std::abort();
        if (outcome.result != KX::S_OK && outcome.result != KX::E_FAIL)
            std::abort();
    } catch (const std::runtime_error&) {
        // A SubControl without Class or Name.
        outcome.threw = true;
    }
    // Walk what was built, as the control factory will.
    for (unsigned i = 0; i < factory->GetRootDescriptors().GetCount(); ++i)
        (void)factory->FindControlDescriptor(factory->GetRootDescriptors().GetAt(i)->GetName());
    outcome.error = factory->GetLastParseError().text;
    outcome.roots = factory->GetRootDescriptors().GetCount();
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KX::ResourceEntry entry{u"KXXML", u"APP_SKINS", data, size};
    KX::SetResourceTable(&entry, 1);
    const Outcome resource = Load(KX::String(u"::APP_SKINS"), size);
    KX::SetResourceTable(nullptr, 0);

    static KX::Test::DocumentFile document("Skins.xml");
    document.Write(data, size);
    const Outcome file = Load(KX::String(document.Path().c_str()), size);
    // An empty file is read and found malformed, where an empty resource is missing.
    if (size > 0 && (file.result != resource.result || file.threw != resource.threw || file.error != resource.error ||
                     file.roots != resource.roots))
        std::abort();
    return 0;
}
