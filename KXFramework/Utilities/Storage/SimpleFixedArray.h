#pragma once
// An array of at most n plain elements stored inside the object: no heap, never grows past n.
#include "KXFramework/Utilities/Storage/IArray.h"

#include <cstring>
#include <type_traits>

namespace KX {

template <class T, unsigned n>
class SimpleFixedArray : public IArray<T> {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved as raw bytes");

public:
    using IArray<T>::GetData;

    // The owner writes the elements through GetData.
    explicit SimpleFixedArray(unsigned count = 0) { SetCount(count); }

    unsigned GetCount() const override { return m_count; }
    unsigned GetMaxCount() const override { return n; }
    T* GetData() override { return m_items; }

    // Clamps at n. Slots that come into use keep the bytes they held.
    int SetCount(unsigned count) override
    {
        m_count = count > n ? n : count;
        return static_cast<int>(m_count);
    }

    int InsertItems(unsigned index, unsigned k) override
    {
        const unsigned c = m_count;
        if (k == 0)
            return static_cast<int>(c);
        // c never exceeds n; saying so lets the compiler see the bounds of the moves.
        if (c > n || index > c || k > n - c)
            return E_INVALIDARG;
        SetCount(c + k);
        if (index < c)
            std::memmove(m_items + index + k, m_items + index, (c - index) * sizeof(T));
        return static_cast<int>(c + k);
    }

    int RemoveItems(unsigned index, unsigned k) override
    {
        const unsigned c = m_count;
        if (k == 0)
            return static_cast<int>(c);
        if (c > n || index > c || k > c - index)
            return E_INVALIDARG;
        if (c - index - k > 0)
            std::memmove(m_items + index, m_items + index + k, (c - index - k) * sizeof(T));
        return SetCount(c - k);
    }

private:
    unsigned m_count = 0;
    T m_items[n] = {};
};

} // namespace KX
