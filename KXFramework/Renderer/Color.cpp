#include "KXFramework/Renderer/Color.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace KX {

namespace {

constexpr float kByteToUnit = 0.003921569f;

float Channel(uint32_t value, int shift)
{
    return static_cast<float>((value >> shift) & 0xFF) * kByteToUnit;
}

uint32_t PackChannel(float channel)
{
    double c = channel * 255.0;
    c = c >= 0.0 ? c + 0.5 : c - 0.5;
    // The comparison also sends NaN to 0 rather than into an undefined conversion.
    if (!(c > 0.0))
        return 0;
    if (c >= 256.0)
        return 255;
    return static_cast<uint32_t>(c);
}

bool AllHexDigits(const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

} // namespace

LColor::LColor(uint32_t argb) : r(Channel(argb, 16)), g(Channel(argb, 8)), b(Channel(argb, 0)), a(Channel(argb, 24)) {}

void LColor::FromString(const char* text)
{
    if (text == nullptr)
        return;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text += 2;
    const size_t length = std::strlen(text);
    if ((length != 2 && length != 6 && length != 8) || !AllHexDigits(text, length))
        return;
    const auto value = static_cast<uint32_t>(std::strtoul(text, nullptr, 16));
    if (length == 2) {
        a = Channel(value, 0);
        return;
    }
    r = Channel(value, 16);
    g = Channel(value, 8);
    b = Channel(value, 0);
    if (length == 8)
        a = Channel(value, 24);
}

uint32_t LColor::ToARGB() const
{
    return PackChannel(a) << 24 | PackChannel(r) << 16 | PackChannel(g) << 8 | PackChannel(b);
}

} // namespace KX
