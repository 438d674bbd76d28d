#pragma once
// UTF-8 for the desktop, UTF-16 for the framework. Malformed input never stops a conversion: a bad
// sequence or a lone surrogate becomes U+FFFD.
#include <string>
#include <string_view>

namespace KX::Platform {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace KX::Platform
