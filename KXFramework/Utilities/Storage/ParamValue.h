#pragma once
// The parameter records of the device model: a parameter's key (identifier and selector), one value,
// and the list variants that carry many of them between the model, the device port and the UI.
//
// List items (read only by this program):
//   ParamValues      item = list [int32 ID, value] or [int32 ID, value, selector] (selector not empty)
//   ParamDescriptors item = int32 ID (empty selector) or list [int32 ID, selector]
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/Variant.h"

#include <cstdint>

namespace KX {

template <class C, class O>
class StringT;

struct ParamDescriptor {
    int32_t id = -1;
    Variant selector; // qualifier of the value; empty = the whole value

    ParamDescriptor() = default;
    explicit ParamDescriptor(int32_t id, const Variant& selector = Variant());
    // Same identifier and equal selectors.
    bool operator==(const ParamDescriptor& other) const;
};

struct ParamValue {
    ParamDescriptor descriptor;
    Variant value;
};

class ParamValues : public Variant {
public:
    ParamValues(); // the empty list

    [[nodiscard]] KXRESULT Set(const Array<ParamValue>& values);
    [[nodiscard]] KXRESULT Set(const ParamDescriptor& descriptor, const Variant& value);
    int GetCount() const;
    // 0, or E_FAIL when item i is missing or malformed.
    [[nodiscard]] KXRESULT GetAt(int i, ParamDescriptor& descriptor, Variant& value) const;
};

class ParamDescriptors : public Variant {
public:
    ParamDescriptors(); // the empty list

    // -4 and the empty list when there are none (count <= 0 or no descriptors), else 0.
    [[nodiscard]] KXRESULT Set(const ParamDescriptor* descriptors, int count);
    // The identifiers firstId .. firstId + count - 1, with empty selectors; -4 when count <= 0.
    [[nodiscard]] KXRESULT Set(int32_t firstId, int count);
    int GetCount() const;
    [[nodiscard]] KXRESULT GetAt(int i, ParamDescriptor& out) const;
};

// Ranges of parameters, passed through to the device library as they are.
class ParamRanges : public Variant {};

// The descriptor's identifier as an unsigned decimal number.
StringT<char16_t, char> ParamDescriptorToString(const ParamDescriptor& descriptor);

} // namespace KX
