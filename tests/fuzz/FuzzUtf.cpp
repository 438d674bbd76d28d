// UTF-8 -> UTF-16 -> UTF-8: whatever the input, the converters stay inside their buffers, and the
// prefix that the first conversion accepted comes back byte for byte.
#include "KXFramework/Utilities/Storage/ConvertUTF.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (auto flags : {KX::strictConversion, KX::lenientConversion}) {
        std::u16string wide(size, u'\0');
        const char* source = input.data();
        char16_t* target = wide.data();
        KX::ConvertUTF8toUTF16(&source, input.data() + input.size(), &target, wide.data() + wide.size(), flags);
        const size_t accepted = static_cast<size_t>(source - input.data());
        wide.resize(static_cast<size_t>(target - wide.data()));

        std::string narrow(wide.size() * 3, '\0');
        const char16_t* back = wide.data();
        char* out = narrow.data();
        const auto result =
            KX::ConvertUTF16toUTF8(&back, wide.data() + wide.size(), &out, narrow.data() + narrow.size(), flags);
        narrow.resize(static_cast<size_t>(out - narrow.data()));
        if (result != KX::conversionOK || narrow != input.substr(0, accepted))
            std::abort();
    }
    return 0;
}
