#include "KXFramework/Application/Version.h"

#include "KXFramework/Platform/Resources/VersionInfo.h"

#include <string>

namespace KX {

String Version::GetCompanyName() const
{
    return GetValue(u"CompanyName");
}

String Version::GetProductName() const
{
    return GetValue(u"ProductName");
}

String Version::GetProductVersion() const
{
    return GetValue(u"ProductVersion");
}

String Version::GetValue(const String& name) const
{
    const std::string key = name.ToNarrow().GetString();
    const std::string_view value = Platform::GetVersionValue(key);
    String text;
    text.Assign(value.data(), static_cast<unsigned>(value.size()));
    return text;
}

} // namespace KX
