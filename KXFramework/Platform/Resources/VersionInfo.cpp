#include "KXFramework/Platform/Resources/VersionInfo.h"

#include "KXFramework/Utilities/Storage/TextFunctions.h"
#include "VersionData.h"

namespace KX::Platform {

std::string_view GetVersionValue(std::string_view name)
{
    for (const auto& entry : VersionData::kValues)
        if (EqualNoCase(entry.name, name))
            return entry.value;
    return std::string_view();
}

} // namespace KX::Platform
