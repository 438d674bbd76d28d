#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <cstdlib>
#include <limits>
#include <string>

namespace KX {

namespace {

template <class CharT>
bool IsAsciiSpace(CharT c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

template <class CharT>
int CompareNoCaseT(const CharT* a, const CharT* b)
{
    using Unit = std::make_unsigned_t<CharT>;
    static const CharT empty[1] = {0};
    if (a == nullptr)
        a = empty;
    if (b == nullptr)
        b = empty;
    for (;; ++a, ++b) {
        const Unit x = static_cast<Unit>(AsciiToLower(*a));
        const Unit y = static_cast<Unit>(AsciiToLower(*b));
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            return 0;
    }
}

template <class Int, class CharT>
Int ParseIntT(const CharT* text)
{
    if (text == nullptr)
        return 0;
    while (IsAsciiSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    // Accumulate towards the negative side, whose range is the larger one.
    constexpr Int lowest = std::numeric_limits<Int>::min();
    Int value = 0;
    bool saturated = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const Int digit = static_cast<Int>(*text - '0');
        if (saturated || value < (lowest + digit) / 10) {
            saturated = true;
            continue;
        }
        value = value * 10 - digit;
    }
    if (saturated)
        return negative ? lowest : std::numeric_limits<Int>::max();
    if (negative)
        return value;
    return value == lowest ? std::numeric_limits<Int>::max() : -value;
}

template <class CharT>
double ParseDoubleT(const CharT* text)
{
    if (text == nullptr)
        return 0.0;
    while (IsAsciiSpace(*text))
        ++text;
    std::string ascii;
    for (; *text != 0 && static_cast<std::make_unsigned_t<CharT>>(*text) < 0x80; ++text)
        ascii.push_back(static_cast<char>(*text));
    return strtod_l(ascii.c_str(), nullptr, CNumericLocale());
}

} // namespace

int CompareNoCase(const char16_t* a, const char16_t* b)
{
    return CompareNoCaseT(a, b);
}
int CompareNoCase(const char* a, const char* b)
{
    return CompareNoCaseT(a, b);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiToLower(a[i]) != AsciiToLower(b[i]))
            return false;
    return true;
}

int32_t ParseInt32(const char16_t* text)
{
    return ParseIntT<int32_t>(text);
}
int32_t ParseInt32(const char* text)
{
    return ParseIntT<int32_t>(text);
}
int64_t ParseInt64(const char16_t* text)
{
    return ParseIntT<int64_t>(text);
}
int64_t ParseInt64(const char* text)
{
    return ParseIntT<int64_t>(text);
}

double ParseDouble(const char16_t* text)
{
    return ParseDoubleT(text);
}
double ParseDouble(const char* text)
{
    return ParseDoubleT(text);
}

locale_t CNumericLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return c;
}

} // namespace KX
