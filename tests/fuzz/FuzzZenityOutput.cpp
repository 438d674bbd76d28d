// What zenity prints: the chosen paths on standard output and its complaints on standard error.
// Whatever the bytes, a choice holds only absolute paths that are well-formed UTF-8 as printed, and
// the failure message is some of the input's non-blank lines, in order, joined by spaces, keeping
// any line about a display that cannot be opened.
#include "KXFramework/Platform/Dialogs/Zenity.h"
#include "KXFramework/Platform/Dialogs/ZenityFileChooser.h"
#include "KXFramework/Platform/Text/TextConversion.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

namespace {

void CheckFailureMessage(std::string_view errors)
{
    const std::string message = KX::Platform::Zenity::FailureMessage(errors);
    // Where the message may end after each line: 0 before any line was kept.
    std::set<size_t> ends{0};
    bool display = false;
    while (!errors.empty()) {
        const size_t end = errors.find('\n');
        const std::string_view line = errors.substr(0, end);
        errors.remove_prefix(end == std::string_view::npos ? errors.size() : end + 1);
        if (line.find_first_not_of(" \t\r") == std::string_view::npos)
            continue;
        display = display || line.find("cannot open display") != std::string_view::npos;
        std::set<size_t> next = ends;
        for (const size_t at : ends) {
            const size_t start = at == 0 ? 0 : at + 1;
            if ((at == 0 || (at < message.size() && message[at] == ' ')) &&
                std::string_view(message).substr(start, line.size()) == line)
                next.insert(start + line.size());
        }
        ends = std::move(next);
    }
    if (!ends.contains(message.size()) || (display && message.find("cannot open display") == std::string::npos))
        std::abort();
}

} // namespace

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
    CheckFailureMessage(bytes);
    return 0;
}
