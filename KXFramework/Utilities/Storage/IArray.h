#pragma once
// The array interfaces every container of the framework implements: counting, walking by
// positions and iterators, element exchange, and changes of the count with the result
// convention (a non-negative count or index on success, a negative KXRESULT on failure).
//
// No interface has a virtual destructor: a container is destroyed through its own type.
#include "KXFramework/ObjectBase/Result.h"

#include <cstdint>
#include <span>

namespace KX {

// A place in a container. In every IArray it is the address of an element held as an integer,
// so positions before the first element can be computed without forming an invalid pointer. It
// is a type of its own so that GetAt(0) always means the index.
enum class IterablePosition : std::uintptr_t {};

template <class T>
class IIterable {
public:
    using Position = IterablePosition;

    // {container, position, step}; moves with the container's Advance and reads through its
    // GetAt by position. Valid until the container's count changes.
    template <class Container, class Ref>
    struct IteratorT {
        Container* container;
        Position position;
        int32_t step;

        Ref operator*() const { return container->GetAt(position); }
        IteratorT& operator++()
        {
            position = container->Advance(position, step);
            return *this;
        }
        bool operator==(const IteratorT& other) const { return position == other.position; }
    };
    using Iterator = IteratorT<IIterable, T&>;
    using ConstIterator = IteratorT<const IIterable, const T&>;

    virtual unsigned GetCount() const = 0;
    virtual unsigned GetMaxCount() const { return 0x7FFFFFFFu; }

    virtual ConstIterator Begin() const { return {this, GetFirstPosition(), 1}; }
    virtual Iterator Begin() { return {this, GetFirstPosition(), 1}; }
    virtual ConstIterator End() const { return {this, GetEndPosition(), 1}; }
    virtual Iterator End() { return {this, GetEndPosition(), 1}; }
    virtual ConstIterator RBegin() const { return {this, GetLastPosition(), -1}; }
    virtual Iterator RBegin() { return {this, GetLastPosition(), -1}; }
    virtual ConstIterator REnd() const { return {this, GetBeforeFirstPosition(), -1}; }
    virtual Iterator REnd() { return {this, GetBeforeFirstPosition(), -1}; }

    virtual const T& GetAt(const Position& position) const { return const_cast<IIterable*>(this)->GetAt(position); }
    virtual T& GetAt(const Position& position) = 0;
    virtual T& GetAt(unsigned index)
    {
        Iterator it = Begin();
        for (unsigned i = 0; i < index; ++i)
            ++it;
        return GetAt(it.position);
    }
    virtual const T& GetAt(unsigned index) const
    {
        ConstIterator it = Begin();
        for (unsigned i = 0; i < index; ++i)
            ++it;
        return GetAt(it.position);
    }

    [[nodiscard]] virtual KXRESULT Swap(unsigned i, unsigned j)
    {
        const unsigned n = GetCount();
        if (i >= n || j >= n)
            return E_INVALIDARG;
        T t(GetAt(i));
        GetAt(i) = GetAt(j);
        GetAt(j) = t;
        return S_OK;
    }

    virtual Position Advance(const Position& from, int step) const = 0;
    virtual Position GetFirstPosition() const = 0;
    virtual Position GetEndPosition() const = 0;
    virtual Position GetLastPosition() const = 0;
    virtual Position GetBeforeFirstPosition() const = 0;
};

template <class T>
class IIterableModifiable : public IIterable<T> {
public:
    using IIterable<T>::GetAt;
    using IIterable<T>::GetCount;

    // Returns E_FAIL only if an array will not empty, which none does; callers may ignore it.
    virtual KXRESULT Clear() { return SetCount(0) != 0 ? E_FAIL : S_OK; }

    virtual int InsertItem(unsigned index, const T& item)
    {
        // item may be an element of this container, which the growth below can move or free.
        T copy(item);
        const int r = InsertItems(index, 1);
        if (r < 0)
            return r;
        GetAt(index) = copy;
        return r;
    }

    virtual int RemoveItem(unsigned index, T& removed)
    {
        if (index >= GetCount())
            return E_INVALIDARG;
        removed = GetAt(index);
        return RemoveItems(index, 1);
    }

    virtual int Append(const IIterable<T>& source)
    {
        return GrowThenCopy(source.GetCount(), [&](unsigned old, unsigned added) {
            auto s = source.Begin();
            auto d = this->Begin();
            d.position = this->Advance(d.position, d.step * static_cast<int>(old));
            for (unsigned i = 0; i < added; ++i) {
                const auto from = s.position;
                const auto to = d.position;
                ++s;
                ++d;
                GetAt(to) = source.GetAt(from);
            }
        });
    }

    virtual int AddItem(const T& item) { return InsertItem(GetCount(), item); }
    virtual int RemoveLastItem(T& removed) { return RemoveItem(GetCount() - 1, removed); }

    virtual int Assign(const IIterable<T>& source)
    {
        SetCount(0);
        return this->Append(source);
    }

    virtual int SetCount(unsigned count) = 0;
    virtual int InsertItems(unsigned index, unsigned count) = 0;
    virtual int RemoveItems(unsigned index, unsigned count) = 0;

protected:
    // The frame of both Append forms: grows by `added` (nothing for 0), then copy(old, added) fills
    // the new tail; the new count, or E_FAIL when SetCount does not reach exactly that count. A sum
    // that would wrap is not tried.
    template <class Copy>
    int GrowThenCopy(unsigned added, Copy copy)
    {
        const unsigned old = GetCount();
        if (added == 0)
            return static_cast<int>(old);
        if (added > 0xFFFFFFFFu - old)
            return E_FAIL;
        const int r = SetCount(old + added);
        if (r < 0 || static_cast<unsigned>(r) != old + added)
            return E_FAIL;
        copy(old, added);
        return static_cast<int>(old + added);
    }
};

template <class T>
class IArray : public IIterableModifiable<T> {
public:
    using Position = typename IIterable<T>::Position;
    using IIterableModifiable<T>::Append;
    using IIterableModifiable<T>::GetCount;
    using IIterableModifiable<T>::SetCount;

    virtual const T* GetData() const { return const_cast<IArray*>(this)->GetData(); }
    virtual T* GetData() = 0;

    // The elements as one contiguous range, for range-for and the standard algorithms. Valid until
    // the count changes.
    std::span<T> Span() { return std::span<T>(GetData(), GetCount()); }
    std::span<const T> Span() const { return std::span<const T>(GetData(), GetCount()); }
    T* begin() { return GetData(); }
    T* end() { return GetData() + GetCount(); }
    const T* begin() const { return GetData(); }
    const T* end() const { return GetData() + GetCount(); }

    virtual int Append(const IArray<T>& source)
    {
        return this->GrowThenCopy(source.GetCount(), [&](unsigned old, unsigned added) {
            T* p = GetData() + old;
            auto s = source.Begin();
            for (unsigned i = 0; i < added; ++i, ++p, ++s)
                *p = *s;
        });
    }

    T& GetAt(const Position& position) override { return *reinterpret_cast<T*>(position); }
    const T& GetAt(const Position& position) const override { return IIterable<T>::GetAt(position); }
    T& GetAt(unsigned index) override { return GetData()[index]; }
    const T& GetAt(unsigned index) const override { return GetData()[index]; }

    Position Advance(const Position& from, int step) const override
    {
        const unsigned n = GetCount();
        if (n == 0)
            return Position{};
        // In element indices, clamped to [before-first, end]: no address arithmetic can wrap.
        const auto first = FirstAddress();
        const auto offset = static_cast<std::intptr_t>(static_cast<std::uintptr_t>(from) - first);
        int64_t index = offset / static_cast<std::intptr_t>(sizeof(T)) + step;
        if (index < -1)
            index = -1;
        else if (index > n)
            index = n;
        return Position{first + static_cast<std::uintptr_t>(index) * sizeof(T)};
    }
    Position GetFirstPosition() const override { return PositionOf(0); }
    Position GetEndPosition() const override { return PositionOf(GetCount()); }
    Position GetLastPosition() const override { return PositionOf(GetCount() - 1); }
    Position GetBeforeFirstPosition() const override { return PositionOf(-1); }

    // Writes source[0 .. ] into the elements from start on, never past the current count.
    // Returns how many elements were written.
    unsigned CopyFrom(const T* source, unsigned start, unsigned count)
    {
        const unsigned n = GetCount();
        if (start >= n)
            return 0;
        const unsigned stop = count > n - start ? n : start + count;
        for (unsigned i = start; i < stop; ++i)
            GetAt(i) = source[i - start];
        return stop - start;
    }

    // The index of the first element equal to value, -1 when there is none.
    int IndexOf(const T& value) const
    {
        const unsigned n = GetCount();
        auto it = this->Begin();
        for (unsigned i = 0; i < n; ++i, ++it) {
            if (*it == value)
                return static_cast<int>(i);
        }
        return -1;
    }

private:
    std::uintptr_t FirstAddress() const { return reinterpret_cast<std::uintptr_t>(GetData()); }
    // All four boundaries are null in an empty container.
    Position PositionOf(int64_t index) const
    {
        if (GetCount() == 0)
            return Position{};
        return Position{FirstAddress() + static_cast<std::uintptr_t>(index) * sizeof(T)};
    }
};

} // namespace KX
