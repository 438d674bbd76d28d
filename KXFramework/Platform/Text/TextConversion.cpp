#include "KXFramework/Platform/Text/TextConversion.h"

#include "KXFramework/Utilities/Storage/ConvertUTF.h"

namespace KX::Platform {

std::string Utf8FromUtf16(std::u16string_view text)
{
    // At most three bytes per unit: a pair gives four bytes for two units.
    std::string out(text.size() * 3, '\0');
    const char16_t* source = text.data();
    const char16_t* const sourceEnd = source + text.size();
    char* target = out.data();
    while (ConvertUTF16toUTF8(&source, sourceEnd, &target, out.data() + out.size(), strictConversion) != conversionOK) {
        for (char byte : {'\xEF', '\xBF', '\xBD'})
            *target++ = byte;
        ++source;
    }
    out.resize(static_cast<size_t>(target - out.data()));
    return out;
}

std::u16string Utf16FromUtf8(std::string_view text, bool* wellFormed)
{
    // At most one unit per byte: a pair comes from four bytes.
    std::u16string out(text.size(), u'\0');
    const char* source = text.data();
    const char* const sourceEnd = source + text.size();
    char16_t* target = out.data();
    bool clean = true;
    while (ConvertUTF8toUTF16(&source, sourceEnd, &target, out.data() + out.size(), strictConversion) != conversionOK) {
        *target++ = u'\xFFFD';
        ++source;
        clean = false;
    }
    out.resize(static_cast<size_t>(target - out.data()));
    if (wellFormed != nullptr)
        *wellFormed = clean;
    return out;
}

} // namespace KX::Platform
