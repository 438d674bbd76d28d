#pragma once
// The growable value array and the plain key/value pair it holds in string maps.
#include "KXFramework/Utilities/Storage/IArray.h"

#include <cstdint>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace KX {

template <class T>
class Array : public IArray<T> {
public:
    using IArray<T>::GetAt;
    using IArray<T>::GetData;

    Array() = default;
    Array(const Array&) = default;
    Array(Array&&) noexcept = default;
    Array& operator=(const Array&) = default;
    Array& operator=(Array&&) noexcept = default;

    unsigned GetCount() const override { return static_cast<unsigned>(m_items.size()); }

    T& GetAt(unsigned index) override { return Element(CheckedIndex(index)); }
    const T& GetAt(unsigned index) const override { return const_cast<Array*>(this)->Element(CheckedIndex(index)); }

    // Returns the index, not the count.
    int InsertItem(unsigned index, const T& item) override
    {
        if (index > GetCount())
            return E_INVALIDARG;
        CheckRoom(1);
        m_items.insert(m_items.begin() + index, Stored(item));
        return static_cast<int>(index);
    }

    int SetCount(unsigned count) override
    {
        if (count > MaxCount())
            throw std::length_error("vector<T> too long");
        m_items.resize(count);
        return static_cast<int>(GetCount());
    }

    int InsertItems(unsigned index, unsigned count) override
    {
        if (index > GetCount())
            return E_INVALIDARG;
        CheckRoom(count);
        m_items.insert(m_items.begin() + index, count, Stored());
        return static_cast<int>(GetCount());
    }

    int RemoveItems(unsigned index, unsigned count) override
    {
        const unsigned n = GetCount();
        if (index >= n || count > n - index)
            return E_INVALIDARG;
        m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
        return static_cast<int>(GetCount());
    }

    // Null when empty, also while storage is reserved.
    T* GetData() override { return m_items.empty() ? nullptr : &Element(0); }

    virtual ~Array() = default;

    int Add(const T& item) { return this->AddItem(item); }

    bool operator==(const Array& other) const { return m_items == other.m_items; }

private:
    // std::vector<bool> packs bits and has no element storage to hand out, so bools are kept
    // in one-byte records that have the layout of a bool.
    struct BoolSlot {
        bool value = false;
        BoolSlot() = default;
        BoolSlot(bool v) : value(v) {}
        bool operator==(const BoolSlot&) const = default;
    };
    using Stored = std::conditional_t<std::is_same_v<T, bool>, BoolSlot, T>;
    static_assert(sizeof(Stored) == sizeof(T));

    T& Element(unsigned index)
    {
        if constexpr (std::is_same_v<T, bool>)
            return m_items[index].value;
        else
            return m_items[index];
    }

    unsigned CheckedIndex(unsigned index) const
    {
        if (index >= GetCount())
            throw std::out_of_range("invalid vector<T> subscript");
        return index;
    }

    // Counts are reported as non-negative ints, so no array grows past the largest of them.
    unsigned MaxCount() const
    {
        const auto limit = m_items.max_size();
        return limit < this->GetMaxCount() ? static_cast<unsigned>(limit) : this->GetMaxCount();
    }

    void CheckRoom(unsigned added) const
    {
        if (added > MaxCount() - GetCount())
            throw std::length_error("vector<T> too long");
    }

    std::vector<Stored> m_items;
};

// A key and a value, ordered by key, then by value.
template <class K, class V>
struct Pair {
    K first;
    V second;

    bool operator<(const Pair& other) const
    {
        if (first == other.first)
            return second < other.second;
        return first < other.first;
    }
};

} // namespace KX
