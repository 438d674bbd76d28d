#pragma once
// Result codes: negative is failure, zero and above is success (a count or a position may be returned).
#include <cstdint>
#include <string>

using KXRESULT = int32_t;

namespace KX {

inline constexpr KXRESULT S_OK = 0;
inline constexpr KXRESULT S_FALSE = 1;
inline constexpr KXRESULT E_NOTIMPL = static_cast<KXRESULT>(0x80004001u);
inline constexpr KXRESULT E_FAIL = static_cast<KXRESULT>(0x80004005u);
inline constexpr KXRESULT E_INVALIDARG = static_cast<KXRESULT>(0x80070057u);
inline constexpr KXRESULT E_OUTOFMEMORY = static_cast<KXRESULT>(0x8007000Eu);

inline constexpr bool Succeeded(KXRESULT r)
{
    return r >= 0;
}
inline constexpr bool Failed(KXRESULT r)
{
    return r < 0;
}

// Start-up results that end the program without a message.
bool IsQuietExitResult(KXRESULT r);

// "KXRESULT = " followed by the code in upper-case hexadecimal.
std::string ResultToString(KXRESULT r);

} // namespace KX
