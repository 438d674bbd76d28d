#pragma once
// Keeps Mesa's libraries of the current GL context loaded until the process exits. Mesa unloads its
// driver when the last context or display goes; what the driver never frees then shows in LeakSanitizer's
// report as "<unknown module>", which no suppression can name. Kept loaded, the report names the
// library, and tools/sanitizers/lsan.supp leaves exactly those out of the verdict. Call it while a
// context exists.
#include <dlfcn.h>
#include <link.h>

#include <string>
#include <string_view>
#include <vector>

namespace KX::Test {

inline void KeepGlDriverLoaded()
{
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* found) {
            const std::string_view path = info->dlpi_name ? info->dlpi_name : "";
            const std::string_view file = path.substr(path.rfind('/') + 1);
            // The DRI driver (one file under many names), its successor library, and the vendor libraries.
            if (file.ends_with("_dri.so") || file.starts_with("libgallium") || file.starts_with("libEGL_mesa.so") ||
                file.starts_with("libGLX_mesa.so"))
                static_cast<std::vector<std::string>*>(found)->emplace_back(path);
            return 0;
        },
        &names);
    // A reference that is never dropped, on a library that is already there.
    for (const std::string& name : names)
        dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

} // namespace KX::Test
