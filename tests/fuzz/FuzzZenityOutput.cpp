// What zenity prints: the chosen paths on standard output and its complaints on standard error.
// Whatever the bytes, a choice holds only absolute paths that are well-formed UTF-8 as printed,
// and reading them and the failure message stays inside the input.
#include "KXFramework/Platform/Dialogs/Zenity.h"
#include "KXFramework/Platform/Dialogs/ZenityFileChooser.h"
#include "KXFramework/Platform/Text/TextConversion.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    KX::Platform::FileChooserRequest request;
    request.multiple = (data[0] & 1) != 0;
    request.save = (data[0] & 2) != 0;
    const KX::Platform::FileChooserResult result = KX::Platform::ZenityFileChooser::ReadChoice(bytes, request);
    if (result.kind == KX::Platform::FileChooserResult::Kind::Chosen) {
        if (result.paths.empty() || (result.paths.size() > 1 && (!request.multiple || request.save)))
            std::abort();
        for (const std::u16string& path : result.paths) {
            // Well-formed: it converts back to the very bytes printed.
            if (path.empty() || path[0] != u'/' ||
                bytes.find(KX::Platform::Utf8FromUtf16(path)) == std::string_view::npos)
                std::abort();
        }
    } else if (!result.paths.empty()) {
        std::abort();
    }
    KX::Platform::Zenity::FailureMessage(bytes);
    return 0;
}
