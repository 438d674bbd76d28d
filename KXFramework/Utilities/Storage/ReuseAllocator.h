#pragma once
// A pool that recycles the memory of one class of small, short-lived objects. A block, once made,
// goes onto a free list when freed and is handed out again, most recently freed first; it returns
// to the heap only when the pool is destroyed.
//
// Every block, pooled or not, starts with a header as large as the strictest fundamental alignment,
// so the object after it is aligned for any type, and Free reads only headers the pool wrote.
#include "KXFramework/ObjectBase/Mutex.h"
#include "KXFramework/Utilities/Storage/ArrayBuffer.h"

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>

namespace KX {

namespace Detail {
struct ReuseBlockHeader {
    uint32_t index;  // position in the pool's block array
    uint32_t marker; // one of the markers below
};
inline constexpr std::size_t kReuseHeaderSize = alignof(std::max_align_t);
static_assert(sizeof(ReuseBlockHeader) <= kReuseHeaderSize);
inline constexpr uint32_t kPooledInUse = 0x504F4F4Cu;
inline constexpr uint32_t kPooledFree = 0x46524545u;
inline constexpr uint32_t kForeign = 0x464F5247u;

inline ReuseBlockHeader* HeaderOf(void* p)
{
    return reinterpret_cast<ReuseBlockHeader*>(static_cast<unsigned char*>(p) - kReuseHeaderSize);
}
inline void* PayloadOf(void* block)
{
    return static_cast<unsigned char*>(block) + kReuseHeaderSize;
}
} // namespace Detail

template <class T, unsigned n>
class ReuseAllocator {
    static_assert(alignof(T) <= Detail::kReuseHeaderSize, "the header keeps only fundamental alignment");
    using Header = Detail::ReuseBlockHeader;

public:
    // Each array starts with a block of n elements, kept at count 0 by its slack.
    explicit ReuseAllocator(bool locked) : m_lock(locked ? new Mutex : nullptr)
    {
        m_blocks.SetCount(1);
        m_blocks.SetCount(0);
        m_free.SetCount(1);
        m_free.SetCount(0);
    }
    ReuseAllocator(const ReuseAllocator&) = delete;
    ReuseAllocator& operator=(const ReuseAllocator&) = delete;

    // Deletes every block, free or still handed out.
    virtual ~ReuseAllocator()
    {
        for (unsigned i = m_blocks.GetCount(); i-- > 0;)
            ::operator delete(m_blocks.GetData()[i]);
        m_blocks.SetCount(0);
        m_free.SetCount(0);
        delete m_lock;
    }

    // Memory for one T; any other size comes from the heap and leaves the pool alone.
    void* Allocate(std::size_t size)
    {
        if (size != sizeof(T))
            return AllocateForeign(size);
        std::optional<MutexLock> guard;
        if (m_lock)
            guard.emplace(*m_lock);
        const unsigned f = m_free.GetCount();
        void* block;
        if (f > 0) {
            const unsigned i = m_free.GetData()[f - 1];
            m_free.SetCount(f - 1);
            block = m_blocks.GetData()[i];
        } else {
            const unsigned i = m_blocks.GetCount();
            block = ::operator new(Detail::kReuseHeaderSize + sizeof(T));
            try {
                m_blocks.SetCount(i + 1);
            } catch (...) {
                ::operator delete(block);
                throw;
            }
            m_blocks.GetData()[i] = block;
            static_cast<Header*>(block)->index = i;
        }
        static_cast<Header*>(block)->marker = Detail::kPooledInUse;
        return Detail::PayloadOf(block);
    }

    // Returns memory from Allocate: a pooled block to the free list, anything else to the heap.
    void Free(void* p)
    {
        if (!p)
            return;
        Header* header = Detail::HeaderOf(p);
        if (header->marker == Detail::kForeign) {
            std::free(header);
            return;
        }
        std::optional<MutexLock> guard;
        if (m_lock)
            guard.emplace(*m_lock);
        const unsigned i = header->index;
        const bool pooled = i < m_blocks.GetCount() && m_blocks.GetData()[i] == header;
        assert(pooled && header->marker == Detail::kPooledInUse && "not from this pool, or freed twice");
        if (!pooled || header->marker != Detail::kPooledInUse)
            return;
        header->marker = Detail::kPooledFree;
        const unsigned f = m_free.GetCount();
        m_free.SetCount(f + 1);
        m_free.GetData()[f] = i;
    }

    unsigned GetBlockCount() const { return m_blocks.GetCount(); }
    unsigned GetFreeCount() const { return m_free.GetCount(); }

private:
    static void* AllocateForeign(std::size_t size)
    {
        if (size > SIZE_MAX - Detail::kReuseHeaderSize)
            return nullptr;
        void* block = std::malloc(Detail::kReuseHeaderSize + size);
        if (!block)
            return nullptr;
        static_cast<Header*>(block)->index = 0;
        static_cast<Header*>(block)->marker = Detail::kForeign;
        return Detail::PayloadOf(block);
    }

    ArrayBuffer<void*, n, 1600, 1, 8> m_blocks;
    ArrayBuffer<unsigned, n, 1600, 1, 8> m_free;
    Mutex* m_lock;
};

// The process-wide pool of T: built on first use and never destroyed, so objects freed during
// static destruction (by threads still running then) still find it.
template <class T, unsigned n, bool locked>
ReuseAllocator<T, n>& ProcessReuseAllocator()
{
    static ReuseAllocator<T, n>* const pool = new ReuseAllocator<T, n>(locked);
    return *pool;
}

} // namespace KX
