#pragma once
// An ordered array of owning references to shared objects. The elements are the raw object
// pointers of one buffer block; a smart pointer is exactly one pointer wide, so the block is at the
// same time an array of ConstRCPtr<T>. Elements move as raw pointers, without count traffic.
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/BufferT.h"
#include "KXFramework/Utilities/Storage/IArray.h"
#include "KXFramework/Utilities/Storage/TypeNameOf.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace KX {

namespace Detail {
// Byte size of count pointers; a size beyond the buffer's 32-bit field is refused like a failed
// allocation.
inline uint32_t PointerBytes(uint64_t count)
{
    const uint64_t bytes = count * sizeof(void*);
    if (count > UINT32_MAX || bytes > UINT32_MAX)
        throw Exception<std::bad_alloc>();
    return static_cast<uint32_t>(bytes);
}

// "KX::<array><class X,G,R>::RemoveItem"
template <class T, unsigned G, unsigned R>
std::string PointerArrayMethod(const char* array, const char* method)
{
    return std::string("KX::") + array + "<" + TypeNameOf<T>::Get() + "," + std::to_string(G) + "," +
           std::to_string(R) + ">::" + method;
}
} // namespace Detail

template <class T, unsigned G, unsigned R>
class ConstRCPtrArray : public IArray<ConstRCPtr<T>> {
    static constexpr uint32_t P = sizeof(void*);
    static_assert(sizeof(ConstRCPtr<T>) == P && sizeof(RCPtr<T>) == P);

public:
    using IArray<ConstRCPtr<T>>::GetData;

    // count null elements; a reserve is kept only within the buffer's keep rule.
    explicit ConstRCPtrArray(unsigned count = 0, unsigned reserve = 0)
        : m_buffer(Detail::PointerBytes(count), Detail::PointerBytes(reserve), true)
    {
    }
    ConstRCPtrArray(const ConstRCPtrArray&) = delete;
    ConstRCPtrArray& operator=(const ConstRCPtrArray&) = delete;

    // Releases every element in ascending order, then frees the block.
    virtual ~ConstRCPtrArray() { SetCount(0); }

    unsigned GetCount() const override { return m_buffer.GetSize() / P; }

    // Exchanges the raw pointers; no count changes.
    [[nodiscard]] KXRESULT Swap(unsigned i, unsigned j) override
    {
        const unsigned n = GetCount();
        if (i >= n || j >= n)
            return E_INVALIDARG;
        std::swap(Raw()[i], Raw()[j]);
        return S_OK;
    }

    // Returns the index.
    int InsertItem(unsigned index, const ConstRCPtr<T>& item) override
    {
        // Counted before the block can move: item may be one of the elements.
        ConstRCPtr<T> copy(item);
        const int r = InsertItems(index, 1);
        if (r < 0)
            return r;
        Slots()[index] = std::move(copy);
        return static_cast<int>(index);
    }

    // Hands the element's reference to removed; throws when index is not below the count.
    int RemoveItem(unsigned index, ConstRCPtr<T>& removed) override
    {
        if (index >= GetCount())
            throw Exception<std::out_of_range>(
                "Out of Range : " + Detail::PointerArrayMethod<T, G, R>("ConstRCPtrArray", "RemoveItem") +
                " : utilities\\Storage/ConstRCPtrArray : Line 216");
        return TakeOut(index, removed);
    }

    int RemoveLastItem(ConstRCPtr<T>& removed) override
    {
        removed = nullptr;
        const unsigned n = GetCount();
        return n == 0 ? E_FAIL : TakeOut(n - 1, removed);
    }

    // New elements are null; dropped ones are released.
    int SetCount(unsigned n) override
    {
        const unsigned old = GetCount();
        if (n < old)
            return RemoveItems(n, old - n);
        if (n > old) {
            m_buffer.SetSize(Detail::PointerBytes(n));
            std::memset(Raw() + old, 0, (n - old) * P);
        }
        return static_cast<int>(n);
    }

    // Opens a gap of null elements.
    int InsertItems(unsigned index, unsigned count) override
    {
        const unsigned old = GetCount();
        if (count == 0)
            return static_cast<int>(old);
        if (index > old)
            return E_INVALIDARG;
        const uint32_t bytes = Detail::PointerBytes(uint64_t{old} + count);
        if (index == old)
            return SetCount(old + count);
        m_buffer.SetSize(bytes);
        std::memmove(Raw() + index + count, Raw() + index, (old - index) * P);
        std::memset(Raw() + index, 0, uint64_t{count} * P);
        return static_cast<int>(old + count);
    }

    // count successive removals at index, releasing the dropped objects in ascending order.
    int RemoveItems(unsigned index, unsigned count) override
    {
        if (count == 0)
            return static_cast<int>(GetCount());
        ConstRCPtr<T> dropped;
        for (unsigned i = 0; i < count; ++i)
            RemoveItem(index, dropped);
        return static_cast<int>(GetCount());
    }

    ConstRCPtr<T>* GetData() override { return Slots(); }

    // Elements the block can hold without growing.
    unsigned GetCapacity() const { return m_buffer.GetCapacity() / P; }

protected:
    T** Raw() const { return reinterpret_cast<T**>(m_buffer.GetData()); }
    ConstRCPtr<T>* Slots() const { return reinterpret_cast<ConstRCPtr<T>*>(m_buffer.GetData()); }

    // The element's reference goes to removed, the later elements move down one place.
    int TakeOut(unsigned index, ConstRCPtr<T>& removed)
    {
        removed = nullptr;
        std::swap(removed, Slots()[index]);
        const unsigned n = GetCount();
        std::memmove(Raw() + index, Raw() + index + 1, (n - index - 1) * P);
        m_buffer.SetSize(Detail::PointerBytes(n - 1));
        return static_cast<int>(GetCount());
    }

private:
    BufferT<G * P, R * P, 8, T**> m_buffer;
};

} // namespace KX
