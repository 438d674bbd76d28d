#include "KXFramework/Utilities/Storage/ConvertUTF.h"

namespace KX {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMaxBmp = 0xFFFF;
constexpr char32_t kMaxUtf16 = 0x10FFFF;
constexpr char32_t kHighFirst = 0xD800, kHighLast = 0xDBFF;
constexpr char32_t kLowFirst = 0xDC00, kLowLast = 0xDFFF;

// Subtracted after summing the raw bytes of a sequence: removes the lead marks and the 10xxxxxx
// marks of the trailing bytes in one step.
constexpr char32_t offsetsFromUTF8[6] = {0x00000000, 0x00003080, 0x000E2080, 0x03C82080, 0xFA082080, 0x82082080};

// Lead mark of a sequence of n bytes, indexed by n.
constexpr unsigned char firstByteMark[7] = {0x00, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};

// Trailing bytes that follow a lead byte (0 to 5).
// The table keeps its rows.
// clang-format off
constexpr unsigned char trailingBytesForUTF8[256] = {
    // 0x00-0xBF: ASCII and trailing bytes
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xC0-0xDF
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    // 0xE0-0xEF, 0xF0-0xF7, 0xF8-0xFB, 0xFC-0xFF
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5,
};
// clang-format on

} // namespace

bool IsLegalUTF8(const unsigned char* bytes, int n)
{
    if (n < 1 || n > 4)
        return false;
    // Trailing bytes after the first: each in 0x80-0xBF.
    for (int i = n - 1; i >= 2; --i)
        if (bytes[i] < 0x80 || bytes[i] > 0xBF)
            return false;
    const unsigned char lead = bytes[0];
    if (n >= 2) {
        const unsigned char b = bytes[1];
        if (b < 0x80 || b > 0xBF)
            return false;
        // Over-long forms, encoded surrogates and values above U+10FFFF.
        switch (lead) {
        case 0xE0:
            if (b < 0xA0)
                return false;
            break;
        case 0xED:
            if (b > 0x9F)
                return false;
            break;
        case 0xF0:
            if (b < 0x90)
                return false;
            break;
        case 0xF4:
            if (b > 0x8F)
                return false;
            break;
        default:
            break;
        }
    }
    if (lead >= 0x80 && lead < 0xC2)
        return false;
    return lead <= 0xF4;
}

ConversionResult ConvertUTF16toUTF8(const char16_t** sourceStart, const char16_t* sourceEnd, char** targetStart,
                                    char* targetEnd, ConversionFlags flags)
{
    ConversionResult result = conversionOK;
    const char16_t* source = *sourceStart;
    char* target = *targetStart;
    while (source < sourceEnd) {
        const char16_t* const characterStart = source;
        char32_t ch = *source++;
        if (ch >= kHighFirst && ch <= kHighLast) {
            if (source >= sourceEnd) {
                // The low half may still come in a later call.
                source = characterStart;
                result = sourceExhausted;
                break;
            }
            const char32_t low = *source;
            if (low >= kLowFirst && low <= kLowLast) {
                ch = ((ch - kHighFirst) << 10) + (low - kLowFirst) + 0x10000;
                ++source;
            } else if (flags == strictConversion) {
                source = characterStart;
                result = sourceIllegal;
                break;
            }
        } else if (flags == strictConversion && ch >= kLowFirst && ch <= kLowLast) {
            source = characterStart;
            result = sourceIllegal;
            break;
        }

        int bytesToWrite = ch < 0x80 ? 1 : ch < 0x800 ? 2 : ch < 0x10000 ? 3 : 4;
        if (targetEnd - target < bytesToWrite) {
            source = characterStart;
            result = targetExhausted;
            break;
        }
        target += bytesToWrite;
        char* p = target;
        for (int i = bytesToWrite; i > 1; --i) {
            *--p = static_cast<char>((ch | 0x80) & 0xBF);
            ch >>= 6;
        }
        *--p = static_cast<char>(ch | firstByteMark[bytesToWrite]);
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

ConversionResult ConvertUTF8toUTF16(const char** sourceStart, const char* sourceEnd, char16_t** targetStart,
                                    char16_t* targetEnd, ConversionFlags flags)
{
    ConversionResult result = conversionOK;
    const char* source = *sourceStart;
    char16_t* target = *targetStart;
    while (source < sourceEnd) {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(source);
        const int extra = trailingBytesForUTF8[bytes[0]];
        if (extra >= sourceEnd - source) {
            result = sourceExhausted;
            break;
        }
        if (!IsLegalUTF8(bytes, extra + 1)) {
            result = sourceIllegal;
            break;
        }
        char32_t ch = 0;
        for (int i = 0; i <= extra; ++i) {
            if (i > 0)
                ch <<= 6;
            ch += bytes[i];
        }
        ch -= offsetsFromUTF8[extra];

        if (target >= targetEnd) {
            result = targetExhausted;
            break;
        }
        if (ch <= kMaxBmp) {
            if (ch >= kHighFirst && ch <= kLowLast) {
                if (flags == strictConversion) {
                    result = sourceIllegal;
                    break;
                }
                *target++ = static_cast<char16_t>(kReplacement);
            } else {
                *target++ = static_cast<char16_t>(ch);
            }
        } else if (ch > kMaxUtf16) {
            if (flags == strictConversion) {
                result = sourceIllegal;
                break;
            }
            *target++ = static_cast<char16_t>(kReplacement);
        } else {
            if (targetEnd - target < 2) {
                result = targetExhausted;
                break;
            }
            ch -= 0x10000;
            *target++ = static_cast<char16_t>((ch >> 10) + kHighFirst);
            *target++ = static_cast<char16_t>((ch & 0x3FF) + kLowFirst);
        }
        source += extra + 1;
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

} // namespace KX
