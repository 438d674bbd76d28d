#pragma once
// Sorting of array ranges in place, and index orders computed over an array left untouched.
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Utilities/Storage/IArray.h"

#include <algorithm>

namespace KX::ArrayUtils {

namespace Detail {
// first + count <= total, without the sum wrapping.
inline bool RangeFits(unsigned first, unsigned count, unsigned total)
{
    return first <= total && count <= total - first;
}
} // namespace Detail

// Orders elements first .. first + count - 1 by pred. Stable, so a predicate that compares keys
// only leaves equal keys in their old order.
template <class E, class Pred>
void Sort(IArray<E>& array, unsigned first, unsigned count, Pred pred)
{
    if (count < 2)
        return;
    if (!Detail::RangeFits(first, count, array.GetCount()))
        throw Exception<std::out_of_range>(
            "Out of Range : KX::ArrayUtils::Sort : utilities\\Storage/ArrayUtils : Line 254");
    E* begin = array.GetData() + first;
    std::stable_sort(begin, begin + count, pred);
}

// Fills indices with first .. first + count - 1 ordered by pred, which compares two indices by
// the values they refer to. values is never written.
template <class E, class Pred>
void SortIndecies(IArray<unsigned>& indices, const IArray<E>& values, unsigned first, unsigned count, Pred pred)
{
    static constexpr const char* kOutOfRange =
        "Out of Range : KX::ArrayUtils::SortIndecies : utilities\\Storage/ArrayUtils : Line 266";
    if (!Detail::RangeFits(first, count, values.GetCount()))
        throw Exception<std::out_of_range>(kOutOfRange);
    // An index array that cannot hold count entries would be written past its end.
    if (indices.SetCount(count) != static_cast<int>(count))
        throw Exception<std::out_of_range>(kOutOfRange);
    unsigned* data = indices.GetData();
    for (unsigned i = 0; i < count; ++i)
        data[i] = first + i;
    if (count >= 2)
        std::sort(data, data + count, pred);
}

} // namespace KX::ArrayUtils
