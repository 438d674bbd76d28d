#include "KXFramework/Utilities/Storage/Allocator.h"

#include <cstdlib>

namespace KX {

void* SystemAllocator::Allocate(uint32_t size)
{
    return std::malloc(size);
}
void* SystemAllocator::AllocateZeroed(uint32_t count, uint32_t size)
{
    return std::calloc(count, size);
}
void* SystemAllocator::Reallocate(void* block, uint32_t size)
{
    return std::realloc(block, size);
}
void SystemAllocator::Free(void* block)
{
    std::free(block);
}

IAllocator* GetSystemAllocator()
{
    static SystemAllocator allocator; // trivially destructible: usable during static destruction
    return &allocator;
}

} // namespace KX
