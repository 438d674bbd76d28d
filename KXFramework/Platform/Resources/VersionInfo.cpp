#include "KXFramework/Platform/Resources/VersionInfo.h"

#include "VersionData.h"

namespace KX::Platform {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

} // namespace

std::string_view GetVersionValue(std::string_view name)
{
    for (const auto& entry : VersionData::kValues)
        if (EqualNoCase(entry.name, name))
            return entry.value;
    return std::string_view();
}

} // namespace KX::Platform
