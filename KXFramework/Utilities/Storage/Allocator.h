#pragma once
// The allocator interface behind every buffer, and the process-wide one over the C heap.
#include <cstdint>

namespace KX {

class IAllocator {
public:
    virtual void* Allocate(uint32_t size) = 0;
    virtual void* AllocateZeroed(uint32_t count, uint32_t size) = 0;
    virtual void* Reallocate(void* block, uint32_t size) = 0;
    virtual void Free(void* block) = 0;

protected:
    ~IAllocator() = default;
};

// malloc, calloc, realloc and free, arguments and results passed straight through.
class SystemAllocator final : public IAllocator {
public:
    void* Allocate(uint32_t size) override;
    void* AllocateZeroed(uint32_t count, uint32_t size) override;
    void* Reallocate(void* block, uint32_t size) override;
    void Free(void* block) override;
};

// The one process-wide system allocator; it has no state to tear down, so it serves until the end.
IAllocator* GetSystemAllocator();

} // namespace KX
