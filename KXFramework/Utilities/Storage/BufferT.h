#pragma once
// A resizable byte block with a size and a capacity. Two constants per instance decide when a resize
// keeps the block (slack) and how far a new block is rounded up (grow).
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/Allocator.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace KX {

class IBuffer {
public:
    virtual uint32_t GetSize() const = 0;
    virtual uint32_t SetCapacity(uint32_t n) = 0;
    virtual uint32_t SetSize(uint32_t n) = 0;
    [[nodiscard]] virtual KXRESULT Fill8(int value, uint32_t offset, int count) = 0;
    [[nodiscard]] virtual KXRESULT Fill16(int value, uint32_t offset, int count) = 0;
    virtual uint32_t GetCapacity() const = 0;
    virtual unsigned char* GetData() const = 0;

    // Null when offset is not inside the used bytes.
    unsigned char* GetDataAt(uint32_t offset) const { return offset < GetSize() ? GetData() + offset : nullptr; }

protected:
    ~IBuffer() = default;
};

// A failed allocation throws before any field changes, so no buffer is ever left with a size larger
// than its block; a size that does not fit 32 bits once rounded is refused the same way.
template <uint32_t grow, uint32_t slack, uint32_t align, class T, IAllocator* (*allocator)() = &GetSystemAllocator>
class BufferT : public virtual IBuffer {
    static_assert(grow != 0 && (grow & (grow - 1)) == 0, "grow must be a power of two");

public:
    BufferT(uint32_t size, uint32_t capacity, bool zeroFill)
    {
        if (capacity > size) {
            m_block = Checked(allocator()->Allocate(capacity));
            m_data = static_cast<T>(m_block);
            m_capacity = capacity;
        }
        try {
            SetSize(size);
        } catch (...) {
            Release();
            throw;
        }
        if (zeroFill && m_size != 0)
            std::memset(m_block, 0, m_size);
    }
    BufferT(const BufferT&) = delete;
    BufferT& operator=(const BufferT&) = delete;
    virtual ~BufferT() { Release(); }

    uint32_t GetSize() const override { return m_size; }
    uint32_t GetCapacity() const override { return m_capacity; }
    unsigned char* GetData() const override { return static_cast<unsigned char*>(m_block); }

    // A fresh block; the contents are not kept unless the rounded size equals the capacity.
    uint32_t SetCapacity(uint32_t n) override
    {
        if (n == 0) {
            Release();
            return 0;
        }
        const uint32_t rounded = Rounded(n);
        if (rounded != m_capacity) {
            void* block = Checked(allocator()->Allocate(rounded));
            if (m_block)
                allocator()->Free(m_block);
            m_block = block;
            m_data = static_cast<T>(block);
            m_capacity = rounded;
        }
        m_size = n;
        return n;
    }

    // Contents kept. The block stays while it is large enough and leaves at most max(grow - 1, slack)
    // bytes unused; otherwise it is reallocated to the rounded size, shrinking as well as growing.
    uint32_t SetSize(uint32_t n) override
    {
        if (m_capacity == 0)
            return SetCapacity(n);
        constexpr uint32_t keep = grow - 1 > slack ? grow - 1 : slack;
        if (m_capacity >= n && m_capacity - n <= keep) {
            m_size = n;
            return n;
        }
        if (n == 0) {
            Release();
            return 0;
        }
        const uint32_t rounded = Rounded(n);
        void* block = Checked(allocator()->Reallocate(m_block, rounded));
        m_block = block;
        m_data = static_cast<T>(block);
        m_capacity = rounded;
        m_size = n;
        return n;
    }

    // A negative count fills to the end.
    [[nodiscard]] KXRESULT Fill8(int value, uint32_t offset, int count) override
    {
        if (offset > m_size)
            return E_INVALIDARG;
        const uint32_t room = m_size - offset;
        if (count >= 0 && static_cast<uint32_t>(count) > room)
            return E_INVALIDARG;
        const uint32_t n = count < 0 ? room : static_cast<uint32_t>(count);
        if (n != 0)
            std::memset(GetData() + offset, value & 0xFF, n);
        return S_OK;
    }

    // Offset in bytes, count in 16-bit units; a negative count fills the whole units to the end and
    // leaves an odd last byte alone. Stores go through memcpy since the offset may be odd.
    [[nodiscard]] KXRESULT Fill16(int value, uint32_t offset, int count) override
    {
        if (offset > m_size)
            return E_INVALIDARG;
        const uint32_t room = (m_size - offset) / 2;
        if (count >= 0 && static_cast<uint32_t>(count) > room)
            return E_INVALIDARG;
        const uint32_t n = count < 0 ? room : static_cast<uint32_t>(count);
        const uint16_t unit = static_cast<uint16_t>(value);
        for (uint32_t i = 0; i < n; ++i)
            std::memcpy(GetData() + offset + 2 * uint64_t{i}, &unit, sizeof unit);
        return S_OK;
    }

protected:
    // Data pointer, size, block, capacity; capacity is 0 exactly when no block is held.
    T m_data = nullptr;
    uint32_t m_size = 0;
    void* m_block = nullptr;
    uint32_t m_capacity = 0;

private:
    static uint32_t Rounded(uint32_t n)
    {
        const uint64_t rounded = (uint64_t{n} + grow - 1) & ~uint64_t{grow - 1};
        if (rounded > std::numeric_limits<uint32_t>::max())
            throw Exception<std::bad_alloc>();
        return static_cast<uint32_t>(rounded);
    }

    static void* Checked(void* block)
    {
        if (!block)
            throw Exception<std::bad_alloc>();
        return block;
    }

    void Release()
    {
        if (m_block)
            allocator()->Free(m_block);
        m_data = nullptr;
        m_size = 0;
        m_block = nullptr;
        m_capacity = 0;
    }
};

} // namespace KX
