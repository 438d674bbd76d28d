// Variant records from outside (preset files, parameter lists): reading, walking lists and writing
// back must refuse malformed input without crashing, hanging or reading past it.
//
// Input: the first byte picks the form. Below 0x80 the rest is taken as a record as it is. From 0x80
// on, a valid record (picked by the second byte) gets up to four edits (third byte: how many; then
// pairs of position and value), and the byte after them, when odd, cuts the record short. So random
// input also lands near valid records.
#include "KXFramework/Utilities/Storage/Variant.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using KX::Variant;
using Bytes = std::vector<uint8_t>;

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

Bytes Record(const Variant& v)
{
    unsigned n = 0;
    v.GetData(&n);
    Bytes b(Variant::RecordHeaderSize + n);
    Check(Variant::WriteRecord(v, b.data(), static_cast<unsigned>(b.size())) == static_cast<KXRESULT>(b.size()));
    return b;
}

const std::vector<Bytes>& Seeds()
{
    static const std::vector<Bytes> seeds = [] {
        std::vector<Bytes> s;
        Variant v;
        const int32_t i = -5;
        v.SetData(Variant::Int32, &i, 4);
        Variant scalar(v);
        s.push_back(Record(v));
        const double d = 0.1;
        v.SetData(Variant::Double, &d, 8);
        s.push_back(Record(v));
        v.SetString("Kivo 61");
        Variant text(v);
        s.push_back(Record(v));
        const unsigned char blob[] = {0, 1, 0x10, 0, 0x7F};
        v.SetBlob(blob, sizeof blob);
        Variant bytes(v);
        s.push_back(Record(v));
        const Variant pair[] = {scalar, bytes};
        Variant inner;
        inner.SetList(pair, 2);
        const Variant items[] = {inner, text, Variant(), inner};
        v.SetList(items, 4);
        s.push_back(Record(v));
        // A legacy record: version 0, old tag 2 (int32).
        Bytes legacy = Record(scalar);
        legacy[4] = 0;
        legacy[8] = 2;
        s.push_back(legacy);
        return s;
    }();
    return seeds;
}

Bytes Shape(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    if (data[0] < 0x80)
        return Bytes(data + 1, data + size);
    // Few edits, so that most shaped inputs stay near a valid record.
    Bytes b = Seeds()[(size > 1 ? data[1] : 0) % Seeds().size()];
    const size_t edits = size > 2 ? data[2] % 5 : 0;
    size_t i = 3;
    for (size_t e = 0; e < edits && i + 1 < size; ++e, i += 2)
        b[data[i] % b.size()] = data[i + 1];
    if (i < size && (data[i] & 1))
        b.resize((data[i] >> 1) % b.size());
    return b;
}

// Walks a list and the lists inside it, to a bounded depth.
void Walk(const Variant& list, int depth)
{
    const unsigned count = list.GetListCount();
    Variant item;
    for (unsigned i = 0; i < count; ++i) {
        const int r = list.GetListItem(static_cast<int>(i), item);
        Check(r == 0 || r == -1);
        if (r == 0 && item.GetType() == Variant::List && depth < 16)
            Walk(item, depth + 1);
    }
    Check(list.GetListItem(static_cast<int>(count), item) == -1);
}

// A value that was read writes a record that reads back to the same record.
void WriteBack(const Variant& v)
{
    unsigned n = 0;
    v.GetData(&n);
    Bytes first(Variant::RecordHeaderSize + n);
    const KXRESULT written = Variant::WriteRecord(v, first.data(), static_cast<unsigned>(first.size()));
    if (v.GetType() == Variant::Blob && n == 0) {
        Check(written == Variant::RecordHeaderSize);
        return; // an empty blob has a record that readers refuse
    }
    Check(written == static_cast<KXRESULT>(first.size()));
    Variant again;
    Check(Variant::ReadRecord(again, first.data(), static_cast<unsigned>(first.size())) == KX::S_OK);
    Check(Record(again) == first);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Bytes input = Shape(data, size); // exactly sized, so a read past it is caught
    const unsigned n = static_cast<unsigned>(input.size());

    Variant value;
    if (Variant::ReadRecord(value, input.data(), n) == KX::S_OK) {
        uint32_t length;
        std::memcpy(&length, input.data(), 4);
        Check(length >= Variant::RecordHeaderSize && length <= n);
        if (value.GetType() == Variant::List)
            Walk(value, 0);
        WriteBack(value);
    }

    // The same bytes taken as a list block from outside, unchecked.
    Variant list;
    list.SetData(Variant::List, input.data(), n);
    Walk(list, 0);
    return 0;
}
