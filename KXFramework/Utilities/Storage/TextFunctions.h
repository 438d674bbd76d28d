#pragma once
// Locale-independent text helpers over narrow (UTF-8) and wide (UTF-16) units: bounded lengths,
// ASCII case folding and the number parsers behind the strings' ToInt / ToDouble.
#include <cstddef>
#include <cstdint>
#include <locale.h>
#include <string_view>

namespace KX {

// Units before the first terminator, at most maxLength.
template <class CharT>
size_t StrNLen(const CharT* text, size_t maxLength)
{
    size_t n = 0;
    while (n < maxLength && text[n] != 0)
        ++n;
    return n;
}

// Case folding touches only A-Z and a-z, so the result does not depend on the user's locale.
template <class CharT>
constexpr CharT AsciiToUpper(CharT c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<CharT>(c - ('a' - 'A')) : c;
}

template <class CharT>
constexpr CharT AsciiToLower(CharT c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<CharT>(c + ('a' - 'A')) : c;
}

// Compares two terminated texts after ASCII lower-casing, unit by unit as unsigned numbers:
// negative, 0 or positive. A null text compares as the empty text.
int CompareNoCase(const char16_t* a, const char16_t* b);
int CompareNoCase(const char* a, const char* b);
// Equal after ASCII lower-casing, over every unit of both views (zeros included).
bool EqualNoCase(std::string_view a, std::string_view b);

// Decimal integer after ASCII white space and an optional sign, up to the first unit that is not a
// digit; 0 without digits. Values beyond the result type saturate at its limits. A null text is 0.
int32_t ParseInt32(const char16_t* text);
int32_t ParseInt32(const char* text);
int64_t ParseInt64(const char16_t* text);
int64_t ParseInt64(const char* text);

// Floating-point number after ASCII white space, always with "." as the decimal point; the text
// ends at its first non-ASCII unit. 0.0 when nothing can be read.
double ParseDouble(const char16_t* text);
double ParseDouble(const char* text);

// The "C" locale, made once and never freed; numeric conversions run under it whatever the
// process locale is.
locale_t CNumericLocale();

} // namespace KX
