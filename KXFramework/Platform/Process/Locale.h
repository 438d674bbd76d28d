#pragma once
// The user's locale as a Windows-style language identifier, which picks string-table texts.
#include <cstdint>
#include <string_view>

namespace KX::Platform {

// From a POSIX locale name "language[_TERRITORY][.codeset][@modifier]": en_US -> 0x0409,
// de_DE -> 0x0407, zh_TW -> 0x0404, …; empty, "C", "POSIX" and unknown languages -> 0x0409.
uint32_t LocaleIdFromName(std::string_view name);
// From the first non-empty of LC_ALL, LC_MESSAGES and LANG.
uint32_t GetUserLocaleId();

} // namespace KX::Platform
