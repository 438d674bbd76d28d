#pragma once
// UTF-8 <-> UTF-16 at the edges of the platform layer (file names, the clipboard, dialog texts).
// Neither direction fails: what cannot be converted becomes U+FFFD.
#include <string>
#include <string_view>

namespace KX::Platform {

// Unpaired surrogates become U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);
// Each byte of an ill-formed sequence becomes U+FFFD; `wellFormed` (when given) tells whether
// there was none.
std::u16string Utf16FromUtf8(std::string_view text, bool* wellFormed = nullptr);

} // namespace KX::Platform
