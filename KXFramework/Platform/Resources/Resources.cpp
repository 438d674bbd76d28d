#include "KXFramework/Platform/Resources/Resources.h"

#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
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

namespace {

struct Range {
    uintptr_t begin;
    uintptr_t end;
    bool inReadOnlySegment = false;
};

int FindReadOnlySegment(dl_phdr_info* info, size_t, void* data)
{
    auto& range = *static_cast<Range*>(data);
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W) != 0)
            continue;
        const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
        if (range.begin >= begin && range.end <= begin + segment.p_memsz) {
            range.inReadOnlySegment = true;
            return 1;
        }
    }
    return 0;
}

} // namespace

void ReleaseResourcePages(const ResourceView& view)
{
    if (!view || view.size == 0)
        return;
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    Range range{uintptr_t(view.data), uintptr_t(view.data) + view.size};
    // Only a read-only segment is mapped from the file unchanged: there, dropping pages loses
    // nothing. Elsewhere (bytes on the heap, a writable segment) it would zero or revert them.
    dl_iterate_phdr(FindReadOnlySegment, &range);
    const uintptr_t first = (range.begin + page - 1) & ~(page - 1);
    const uintptr_t last = range.end & ~(page - 1);
    if (range.inReadOnlySegment && first < last)
        static_cast<void>(madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED)); // only a hint
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
