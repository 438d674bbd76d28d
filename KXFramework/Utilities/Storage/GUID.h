#pragma once
// A 128-bit identifier in the Windows layout (device-type identifiers of the device-control
// library); all zero by default.
#include <cstdint>

namespace KX {

struct GUID {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    bool operator==(const GUID& other) const = default;
};
static_assert(sizeof(GUID) == 16);

} // namespace KX
