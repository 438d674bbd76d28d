#include "KXFramework/Utilities/Storage/Formatter.h"

#include "KXFramework/Utilities/Storage/ConvertUTF.h"
#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <cassert>
#include <cstdio>
#include <vector>

namespace KX {

namespace {

struct Spec {
    std::string flags;
    int width = -1;
    int precision = -1;
    bool wide64 = false;
    char conversion = 0;
};

// Reads digits, saturating well below INT_MAX so a silly width cannot overflow.
template <class CharT>
int ReadNumber(const CharT*& p)
{
    int n = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        n = n < 100000000 ? n * 10 + (*p - '0') : n;
    return n;
}

template <class CharT>
bool StartsWith(const CharT* p, const char* text)
{
    for (; *text != 0; ++p, ++text)
        if (*p != static_cast<CharT>(*text))
            return false;
    return true;
}

// Parses the conversion after its '%'; p ends after the conversion character. False for a
// conversion outside the subset.
template <class CharT>
bool ParseSpec(const CharT*& p, Spec& spec)
{
    for (; *p == '-' || *p == '+' || *p == ' ' || *p == '0' || *p == '#'; ++p)
        spec.flags.push_back(static_cast<char>(*p));
    if (*p >= '0' && *p <= '9')
        spec.width = ReadNumber(p);
    if (*p == '.') {
        ++p;
        spec.precision = ReadNumber(p);
    }
    if (StartsWith(p, "I64")) {
        spec.wide64 = true;
        p += 3;
    } else if (StartsWith(p, "I32")) {
        p += 3;
    } else if (StartsWith(p, "ll")) {
        spec.wide64 = true;
        p += 2;
    } else if (*p == 'l') {
        ++p;
    }
    switch (*p) {
    case 'd':
    case 'u':
    case 'x':
    case 'X':
    case 'f':
    case 'g':
    case 's':
        spec.conversion = static_cast<char>(*p++);
        return true;
    default:
        return false;
    }
}

std::string NarrowSpec(const Spec& spec, const char* length, char conversion)
{
    std::string s = "%" + spec.flags;
    if (spec.width >= 0)
        s += std::to_string(spec.width);
    if (spec.precision >= 0)
        s += "." + std::to_string(spec.precision);
    return s + length + conversion;
}

// snprintf under the "C" locale, however long the result.
template <class T>
std::string PrintNumber(const std::string& format, T value)
{
    const locale_t previous = uselocale(CNumericLocale());
    char small[128];
    int n = std::snprintf(small, sizeof small, format.c_str(), value);
    std::string result;
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
        result.assign(small, static_cast<size_t>(n));
    } else if (n > 0) {
        std::vector<char> big(static_cast<size_t>(n) + 1);
        std::snprintf(big.data(), big.size(), format.c_str(), value);
        result.assign(big.data(), static_cast<size_t>(n));
    }
    uselocale(previous);
    return result;
}

std::string FormatNumber(const Spec& spec, const FormatArg* arg)
{
    const bool isNumber = arg != nullptr && arg->kind != FormatArg::Kind::Narrow && arg->kind != FormatArg::Kind::Wide;
    assert(isNumber && "format argument is missing or not a number");
    const FormatArg zero(0);
    if (!isNumber)
        arg = &zero;

    if (spec.conversion == 'f' || spec.conversion == 'g') {
        assert(arg->kind == FormatArg::Kind::Floating && "integer passed for a floating-point conversion");
        const double value = arg->kind == FormatArg::Kind::Floating ? arg->d
                             : arg->kind == FormatArg::Kind::Signed ? static_cast<double>(arg->i)
                                                                    : static_cast<double>(arg->u);
        return PrintNumber(NarrowSpec(spec, "", spec.conversion), value);
    }

    assert(arg->kind != FormatArg::Kind::Floating && "floating-point value passed for an integer conversion");
    // Signed and unsigned integers share their bits, as they do in a C argument list.
    const uint64_t bits = arg->kind == FormatArg::Kind::Signed     ? static_cast<uint64_t>(arg->i)
                          : arg->kind == FormatArg::Kind::Unsigned ? arg->u
                                                                   : 0;
    if (spec.conversion == 'd') {
        const long long value = spec.wide64 ? static_cast<int64_t>(bits) : static_cast<int32_t>(bits);
        return PrintNumber(NarrowSpec(spec, "ll", 'd'), value);
    }
    const unsigned long long value = spec.wide64 ? bits : static_cast<uint32_t>(bits);
    return PrintNumber(NarrowSpec(spec, "ll", spec.conversion), value);
}

void AppendConverted(std::u16string& out, const char* text, size_t length)
{
    const size_t start = out.size();
    out.resize(start + length);
    char16_t* target = out.data() + start;
    ConvertUTF8toUTF16(&text, text + length, &target, out.data() + out.size(), lenientConversion);
    out.resize(static_cast<size_t>(target - out.data()));
}

void AppendConverted(std::string& out, const char16_t* text, size_t length)
{
    const size_t start = out.size();
    out.resize(start + length * 3);
    char* target = out.data() + start;
    ConvertUTF16toUTF8(&text, text + length, &target, out.data() + out.size(), lenientConversion);
    out.resize(static_cast<size_t>(target - out.data()));
}

// The text of a %s argument in the output's own width; precision counts source units.
template <class CharT>
std::basic_string<CharT> TextOf(const Spec& spec, const FormatArg* arg)
{
    const size_t limit = spec.precision >= 0 ? static_cast<size_t>(spec.precision) : SIZE_MAX;
    std::basic_string<CharT> text;
    const bool isText = arg != nullptr && (arg->kind == FormatArg::Kind::Narrow || arg->kind == FormatArg::Kind::Wide);
    assert(isText && "format argument is missing or not a text");
    if (!isText)
        return text;
    [[maybe_unused]] constexpr FormatArg::Kind own =
        sizeof(CharT) == 1 ? FormatArg::Kind::Narrow : FormatArg::Kind::Wide;
    assert(arg->kind == own && "text of the other width passed for %s");
    if (arg->kind == FormatArg::Kind::Narrow) {
        const char* s = arg->narrow != nullptr ? arg->narrow : "(null)";
        if constexpr (sizeof(CharT) == 1)
            text.assign(s, StrNLen(s, limit));
        else
            AppendConverted(text, s, StrNLen(s, limit));
    } else {
        const char16_t* s = arg->wide != nullptr ? arg->wide : u"(null)";
        if constexpr (sizeof(CharT) == 2)
            text.assign(s, StrNLen(s, limit));
        else
            AppendConverted(text, s, StrNLen(s, limit));
    }
    return text;
}

template <class CharT>
void FormatToT(std::basic_string<CharT>& out, const CharT* format, const FormatArg* args, size_t count)
{
    if (format == nullptr)
        return;
    size_t next = 0;
    for (const CharT* p = format; *p != 0;) {
        if (*p != '%') {
            out.push_back(*p++);
            continue;
        }
        const CharT* start = p++;
        if (*p == '%') {
            out.push_back(*p++);
            continue;
        }
        Spec spec;
        if (!ParseSpec(p, spec)) {
            // Not ours to interpret: copy the conversion as written.
            if (*p != 0)
                ++p;
            out.append(start, p);
            continue;
        }
        const FormatArg* arg = next < count ? &args[next] : nullptr;
        ++next;
        if (spec.conversion == 's') {
            const std::basic_string<CharT> text = TextOf<CharT>(spec, arg);
            const size_t pad = spec.width > 0 && static_cast<size_t>(spec.width) > text.size()
                                   ? static_cast<size_t>(spec.width) - text.size()
                                   : 0;
            const bool left = spec.flags.find('-') != std::string::npos;
            if (!left)
                out.append(pad, CharT(' '));
            out += text;
            if (left)
                out.append(pad, CharT(' '));
        } else {
            for (char c : FormatNumber(spec, arg))
                out.push_back(static_cast<CharT>(static_cast<unsigned char>(c)));
        }
    }
}

} // namespace

void FormatTo(std::u16string& out, const char16_t* format, const FormatArg* args, size_t count)
{
    FormatToT(out, format, args, count);
}

void FormatTo(std::string& out, const char* format, const FormatArg* args, size_t count)
{
    FormatToT(out, format, args, count);
}

} // namespace KX
