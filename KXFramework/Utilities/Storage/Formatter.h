#pragma once
// The framework's printf-style formatter over the subset its callers use:
//   conversions  d u x X f g s %
//   flags        - + 0 # and blank; a width and a precision (digits only)
//   lengths      I32 and l (32 bits, the default), I64 and ll (64 bits); "%lf" is "%f"
// Numbers are always written in the "C" locale. "%s" takes a const char16_t* in a wide format and a
// UTF-8 const char* in a narrow one. The output has no length limit.
//
// Arguments are passed as FormatArg values (the StringT::Format template builds them), so each is
// converted to the width its conversion names rather than read blindly from a C argument list.
// An argument of the wrong kind (a text for %d, a number for %s) or a missing one is a caller bug:
// it asserts in debug builds and formats as 0 or as the empty text otherwise.
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace KX {

class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Floating, Narrow, Wide };

    template <class T>
    requires std::is_integral_v<T> FormatArg(T value)
    {
        if constexpr (std::is_signed_v<T>) {
            kind = Kind::Signed;
            i = value;
        } else {
            kind = Kind::Unsigned;
            u = value;
        }
    }
    template <class E>
    requires std::is_enum_v<E> FormatArg(E value) : FormatArg(static_cast<std::underlying_type_t<E>>(value)) {}
    FormatArg(double value) : kind(Kind::Floating), d(value) {}
    FormatArg(const char* text) : kind(Kind::Narrow), narrow(text) {}
    FormatArg(const char16_t* text) : kind(Kind::Wide), wide(text) {}

    Kind kind;
    union {
        int64_t i;
        uint64_t u;
        double d;
        const char* narrow;
        const char16_t* wide;
    };
};

// Appends the formatted text to out.
void FormatTo(std::u16string& out, const char16_t* format, const FormatArg* args, size_t count);
void FormatTo(std::string& out, const char* format, const FormatArg* args, size_t count);

// Convenience for callers outside the strings: FormatText(u"%d items", n).
template <class CharT, class... Args>
std::basic_string<CharT> FormatText(const CharT* format, const Args&... args)
{
    std::basic_string<CharT> out;
    if constexpr (sizeof...(Args) == 0) {
        FormatTo(out, format, nullptr, 0);
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        FormatTo(out, format, list, sizeof...(Args));
    }
    return out;
}

} // namespace KX
