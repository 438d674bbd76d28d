#pragma once
// A colour of four floats (red, green, blue, alpha, nominally 0..1) with its packed 0xAARRGGBB form
// and the skin's hexadecimal text form.
#include <cstdint>

namespace KX {

class LColor {
public:
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    constexpr LColor() = default;
    constexpr LColor(float red, float green, float blue, float alpha) : r(red), g(green), b(blue), a(alpha) {}
    explicit LColor(uint32_t argb);

    // "AA", "RRGGBB" or "AARRGGBB", optionally after "0x": two digits set alpha only, six set the
    // colour and keep alpha, eight set all four. Any other text, or one holding a character that is
    // not a hexadecimal digit, leaves the colour unchanged; so does a null text.
    void FromString(const char* text);

    // Each channel × 255, rounded half away from zero, clamped to 0..255.
    uint32_t ToARGB() const;

    bool operator==(const LColor&) const = default;
};

} // namespace KX
