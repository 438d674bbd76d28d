#pragma once
// How GoogleTest prints the framework's values when a check fails: a KX string as its text in UTF-8
// between quotes, a scoped enumeration as "Type::Enumerator" (or "Type(n)" for a value no enumerator
// has), where it would otherwise print their bytes. kx_test compiles every test source with this
// header first, so no test includes it. GoogleTest finds a PrintTo by argument-dependent lookup, that
// is in the namespace of the type itself: the namespaces at the end list where such types live.
#include <cstddef>
#include <ostream>
#include <string_view>
#include <type_traits>
#include <utility>

namespace KX {
template <class CharT, class OtherT>
class StringT;
} // namespace KX

namespace KX::Test::Printers {

// A backslash, `kind` (x or u) and the unit in `digits` hexadecimal digits.
inline void PutEscape(char kind, unsigned unit, int digits, std::ostream& out)
{
    out << '\\' << kind;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out << "0123456789ABCDEF"[(unit >> shift) & 0xF];
}

// One character, escaped as a C++ literal escapes it inside quotes, or in UTF-8.
inline void PutCharacter(char32_t c, std::ostream& out)
{
    switch (c) {
    case '"':
        out << "\\\"";
        return;
    case '\\':
        out << "\\\\";
        return;
    case '\n':
        out << "\\n";
        return;
    case '\r':
        out << "\\r";
        return;
    case '\t':
        out << "\\t";
        return;
    default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
        PutEscape('x', c, 2, out);
    } else if (c < 0x80) {
        out << char(c);
    } else if (c < 0x800) {
        out << char(0xC0 | (c >> 6)) << char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out << char(0xE0 | (c >> 12)) << char(0x80 | ((c >> 6) & 0x3F)) << char(0x80 | (c & 0x3F));
    } else {
        out << char(0xF0 | (c >> 18)) << char(0x80 | ((c >> 12) & 0x3F)) << char(0x80 | ((c >> 6) & 0x3F))
            << char(0x80 | (c & 0x3F));
    }
}

// Narrow text is UTF-8 already: its bytes pass as they are. Wide text is UTF-16: a surrogate that is
// not half of a pair shows as \uXXXX.
template <class CharT>
void PrintText(const CharT* text, std::ostream& out)
{
    out << '"';
    for (size_t i = 0; text[i] != 0; ++i) {
        const auto unit = static_cast<std::make_unsigned_t<CharT>>(text[i]);
        if constexpr (sizeof(CharT) == 1) {
            if (unit >= 0x80) {
                out << char(unit);
                continue;
            }
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            const auto next = static_cast<char16_t>(text[i + 1]);
            if (unit < 0xDC00 && next >= 0xDC00 && next <= 0xDFFF) {
                PutCharacter(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (next - 0xDC00), out);
                ++i;
            } else {
                PutEscape('u', unit, 4, out);
            }
            continue;
        }
        PutCharacter(unit, out);
    }
    out << '"';
}

// The compiler's own text for the functions below names their argument: GCC and Clang write
// "... [with auto V = KX::Platform::SingleInstance::Role::First; ...]" (Clang without "with"), and
// "(Type)5" in place of the name when no enumerator has the value. The text after `label`.
constexpr std::string_view ArgumentText(std::string_view pretty, std::string_view label)
{
    pretty.remove_prefix(pretty.find(label) + label.size());
    return pretty.substr(0, pretty.find_first_of(";]"));
}

template <auto V>
constexpr std::string_view EnumeratorName()
{
    const std::string_view text = ArgumentText(__PRETTY_FUNCTION__, "V = ");
    if (text.empty() || text.front() == '(')
        return {};
    // The last two parts: the type and the enumerator.
    const size_t name = text.rfind("::");
    const size_t type = name == std::string_view::npos || name == 0 ? name : text.rfind("::", name - 1);
    return type == std::string_view::npos ? text : text.substr(type + 2);
}

template <class T>
constexpr std::string_view TypeName()
{
    const std::string_view text = ArgumentText(__PRETTY_FUNCTION__, "T = ");
    const size_t last = text.rfind("::");
    return last == std::string_view::npos ? text : text.substr(last + 2);
}

// Values from 0 to kNamed - 1 are looked up; the framework's enumerations lie within.
constexpr int kNamed = 64;

template <class E, int... Values>
constexpr std::string_view NameOf(E value, std::integer_sequence<int, Values...>)
{
    constexpr std::string_view names[] = {EnumeratorName<static_cast<E>(Values)>()...};
    // Unsigned, a negative number lies beyond too.
    const auto number = static_cast<unsigned long long>(value);
    return number < kNamed ? names[number] : std::string_view();
}

// Scoped only: an unscoped enumeration converts to its number, which GoogleTest prints already.
template <class E>
concept ScopedEnum = std::is_enum_v<E> && !std::is_convertible_v<E, std::underlying_type_t<E>>;

template <ScopedEnum E>
void PrintTo(const E& value, std::ostream* out)
{
    const std::string_view name = NameOf(value, std::make_integer_sequence<int, kNamed>());
    if (name.empty())
        *out << TypeName<E>() << '(' << +static_cast<std::underlying_type_t<E>>(value) << ')';
    else
        *out << name;
}

template <class CharT, class OtherT>
void PrintTo(const StringT<CharT, OtherT>& text, std::ostream* out)
{
    PrintText(text.GetString(), *out);
}

} // namespace KX::Test::Printers

// Every namespace that holds a KX string type or an enumeration the tests compare.
// clang-format off
namespace KX { using ::KX::Test::Printers::PrintTo; }
namespace KX::Platform { using ::KX::Test::Printers::PrintTo; }
namespace KX::Platform::DebugLog { using ::KX::Test::Printers::PrintTo; }
namespace KX::Platform::Files { using ::KX::Test::Printers::PrintTo; }
namespace KX::Platform::Ini { using ::KX::Test::Printers::PrintTo; }
namespace KX::Platform::Midi { using ::KX::Test::Printers::PrintTo; }
namespace KX::Test { using ::KX::Test::Printers::PrintTo; }
using ::KX::Test::Printers::PrintTo; // ParamKind
// clang-format on
