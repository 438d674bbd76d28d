#include "KXFramework/Platform/Resources/Resources.h"

#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <cstdlib>
#include <filesystem>

namespace KX {

ServiceSlot<ResourceTable>& ResourceTableSlot()
{
    static auto* slot = new ServiceSlot<ResourceTable>;
    return *slot;
}

void SetResourceTable(const ResourceEntry* entries, size_t count)
{
    ResourceTableSlot().Set(ResourceTable{entries, entries != nullptr ? count : 0});
}

ResourceView FindResource(const char16_t* type, const char16_t* name)
{
    if (type == nullptr || name == nullptr)
        return {};
    const ResourceTable table = ResourceTableSlot().Get();
    for (size_t i = 0; i < table.count; ++i) {
        const ResourceEntry& entry = table.entries[i];
        if (CompareNoCase(entry.type, type) == 0 && CompareNoCase(entry.name, name) == 0)
            return ResourceView{entry.data, entry.size};
    }
    return {};
}

std::u16string ResourceNameFromPath(std::u16string_view path)
{
    if (path.substr(0, 2) == u"::")
        path.remove_prefix(2);
    if (!path.empty() && (path.front() == u'/' || path.front() == u'\\'))
        path.remove_prefix(1);
    std::u16string name(path);
    for (char16_t& c : name)
        c = (c == u'.' || c == u' ') ? u'_' : AsciiToUpper(c);
    return name;
}

std::string DevelopmentResourceFolder()
{
    const char* folder = std::getenv("KX_RESOURCE_DIR");
    if (folder == nullptr || folder[0] == 0)
        return {};
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(folder) / "Skins.xml", error) ? folder
                                                                                                : std::string();
}

} // namespace KX
