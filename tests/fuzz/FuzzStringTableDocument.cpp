// The string-table reader on arbitrary bytes, for a language with a regional variant so that the
// fallback passes run too.
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const KX::ResourceEntry entries[] = {{u"KXXML", u"FRAMEWORK_STRINGS", data, size},
                                         {u"KXXML", u"APP_STRINGS", data, size}};
    KX::SetResourceTable(entries, 2);
    KX::RCPtr<KX::LControlFactory> factory(new KX::LControlFactory(KX::String(u"PresetEditor")));
    if (factory->LoadStringTables(KX::String(u"::FRAMEWORK_STRINGS"), KX::String(u"::APP_STRINGS"), 0x0C04) != KX::S_OK)
        std::abort();
    KX::RCPtr<KX::LStringTable> table;
    factory->GetFrameworkStringTable(table);
    factory->GetApplicationStringTable(table);
    KX::SetResourceTable(nullptr, 0);
    return 0;
}
