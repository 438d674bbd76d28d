#pragma once
// Arrays of plain values kept directly in one buffer block; ArrayBufferM keeps a few elements in the
// object itself and takes a block only when they no longer fit.
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Utilities/Storage/BufferT.h"
#include "KXFramework/Utilities/Storage/IArray.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace KX {

template <class T, unsigned grow, unsigned slack, unsigned zeroFill, unsigned align>
class ArrayBuffer : public IArray<T> {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved as raw bytes");

public:
    using IArray<T>::GetData;

    ArrayBuffer() = default;
    ArrayBuffer(const ArrayBuffer&) = delete;
    ArrayBuffer& operator=(const ArrayBuffer&) = delete;
    virtual ~ArrayBuffer() = default;

    unsigned GetCount() const override { return m_buffer.GetSize() / sizeof(T); }
    T* GetData() override { return reinterpret_cast<T*>(m_buffer.GetData()); }

    // The new tail is zeroed.
    int SetCount(unsigned n) override
    {
        const unsigned old = GetCount();
        const int r = SetCountUnfilled(n);
        if (zeroFill && r >= 0 && n > old)
            static_cast<void>(m_buffer.Fill8(0, old * sizeof(T), -1)); // within the new count
        return r;
    }

    // The inserted elements are zero.
    int InsertItems(unsigned index, unsigned n) override
    {
        const unsigned c = GetCount();
        if (n == 0)
            return static_cast<int>(c);
        if (index > c)
            return E_INVALIDARG;
        if (n > UINT32_MAX - c)
            throw Exception<std::bad_alloc>();
        if (index == c)
            return SetCount(c + n);
        const int r = SetCountUnfilled(c + n);
        if (r < 0)
            return r;
        T* data = GetData();
        std::memmove(data + index + n, data + index, (c - index) * sizeof(T));
        std::memset(data + index, 0, uint64_t{n} * sizeof(T));
        return static_cast<int>(c + n);
    }

    int RemoveItems(unsigned index, unsigned n) override
    {
        const unsigned c = GetCount();
        if (n == 0)
            return static_cast<int>(c);
        if (index > c || n > c - index)
            return E_INVALIDARG;
        T* data = GetData();
        std::memmove(data + index, data + index + n, (c - index - n) * sizeof(T));
        return SetCountUnfilled(c - n);
    }

    // Elements the buffer's block can hold without growing.
    unsigned GetCapacity() const { return m_buffer.GetCapacity() / sizeof(T); }

    // Sets the element count without filling the new elements.
    virtual int SetCountUnfilled(unsigned n) { return static_cast<int>(m_buffer.SetSize(Bytes(n)) / sizeof(T)); }

protected:
    // A byte size beyond the buffer's 32-bit field is refused like a failed allocation.
    static uint32_t Bytes(uint64_t n)
    {
        const uint64_t bytes = n * sizeof(T);
        if (n > UINT32_MAX || bytes > UINT32_MAX)
            throw Exception<std::bad_alloc>();
        return static_cast<uint32_t>(bytes);
    }

    BufferT<grow * sizeof(T), slack * sizeof(T), align, T*> m_buffer{0, 0, false};
};

template <class T, unsigned inl, unsigned grow, unsigned slack, unsigned zeroFill, unsigned align>
class ArrayBufferM : public ArrayBuffer<T, grow, slack, zeroFill, align> {
    using Base = ArrayBuffer<T, grow, slack, zeroFill, align>;

public:
    using Base::GetData;

    // The inline count is 0 when the elements are in the buffer or there are none.
    unsigned GetCount() const override { return m_inlineCount != 0 ? m_inlineCount : Base::GetCount(); }
    T* GetData() override { return GetCount() <= inl ? m_inline : Base::GetData(); }

    int SetCountUnfilled(unsigned n) override
    {
        const unsigned c = GetCount();
        if (c <= inl && n > inl) {
            this->m_buffer.SetCapacity(Base::Bytes(n));
            std::memcpy(this->m_buffer.GetData(), m_inline, c * sizeof(T));
            m_inlineCount = 0;
        } else if (c <= inl) {
            m_inlineCount = n;
        } else if (n <= inl) {
            std::memcpy(m_inline, this->m_buffer.GetData(), n * sizeof(T));
            m_inlineCount = n;
            this->m_buffer.SetCapacity(0);
        } else {
            this->m_buffer.SetSize(Base::Bytes(n));
        }
        return static_cast<int>(n);
    }

private:
    T m_inline[inl] = {};
    unsigned m_inlineCount = 0;
};

} // namespace KX
