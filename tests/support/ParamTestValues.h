#pragma once
// Values for the device-model tests: blobs of a chosen size and content, and parameter values.
#include "KXFramework/Utilities/Storage/ParamValue.h"

#include <cstdint>

namespace KX::Test {

// A blob of `size` bytes: fill, fill + step, fill + 2 * step, ...
inline KX::Variant Blob(unsigned size, uint8_t fill, uint8_t step = 0)
{
    KX::Variant v;
    v.SetBlob(nullptr, size);
    unsigned n = 0;
    uint8_t* p = v.GetMutableData(&n);
    for (unsigned i = 0; i < n; ++i)
        p[i] = static_cast<uint8_t>(fill + i * step);
    return v;
}

inline KX::ParamValue Value(int32_t id, const KX::Variant& v)
{
    KX::ParamValue pv;
    pv.descriptor = KX::ParamDescriptor(id);
    pv.value = v;
    return pv;
}

} // namespace KX::Test
