#pragma once
// UTF-8 <-> UTF-16 conversion in the manner of the Unicode reference routines: both converters
// advance the source and target pointers they are given and stop at the first problem, so a
// caller keeps what was converted before it.
#include <cstdint>

namespace KX {

enum ConversionResult : int {
    conversionOK = 0,
    sourceExhausted = 1, // a sequence runs past the end of the source
    targetExhausted = 2, // the next character does not fit before the end of the target
    sourceIllegal = 3,   // an illegal sequence; the source is left at its start
};

enum ConversionFlags : int {
    strictConversion = 0,
    lenientConversion = 1,
};

// Lone or unpaired surrogates: 3 in strict mode, written as three-byte sequences in lenient mode.
ConversionResult ConvertUTF16toUTF8(const char16_t** sourceStart, const char16_t* sourceEnd, char** targetStart,
                                    char* targetEnd, ConversionFlags flags);

// Illegal sequences are 3 in both modes. Decoded surrogate values and values above U+10FFFF are 3
// in strict mode and U+FFFD in lenient mode.
ConversionResult ConvertUTF8toUTF16(const char** sourceStart, const char* sourceEnd, char16_t** targetStart,
                                    char16_t* targetEnd, ConversionFlags flags);

// Whether the n bytes (1 to 4) form one well-formed UTF-8 sequence.
bool IsLegalUTF8(const unsigned char* bytes, int n);

} // namespace KX
