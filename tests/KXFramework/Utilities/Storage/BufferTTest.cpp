#include "KXFramework/Utilities/Storage/BufferT.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace KX::Test {

namespace {

// Counts the calls that reach the heap and can be told to fail a coming request.
class TestAllocator : public KX::IAllocator {
public:
    void* Allocate(uint32_t size) override
    {
        ++allocations;
        lastSize = size;
        return Fail() ? nullptr : Live(std::malloc(size));
    }
    void* AllocateZeroed(uint32_t count, uint32_t size) override
    {
        ++allocations;
        return Fail() ? nullptr : Live(std::calloc(count, size));
    }
    void* Reallocate(void* block, uint32_t size) override
    {
        ++reallocations;
        lastSize = size;
        if (size == 0)
            ++zeroReallocations;
        if (Fail())
            return nullptr;
        void* moved = std::realloc(block, size);
        if (moved)
            --live;
        return Live(moved);
    }
    void Free(void* block) override
    {
        if (block) {
            ++frees;
            --live;
        }
        std::free(block);
    }

    void Reset() { *this = TestAllocator(); }
    int HeapCalls() const { return allocations + reallocations + frees; }

    int allocations = 0, reallocations = 0, zeroReallocations = 0, frees = 0, live = 0;
    uint32_t lastSize = 0;
    int failIn = 0; // the failIn-th request from now fails; 0 = none

private:
    bool Fail() { return failIn > 0 && --failIn == 0; }
    void* Live(void* p)
    {
        if (p)
            ++live;
        return p;
    }
};

TestAllocator g_allocator;
KX::IAllocator* GetTestAllocator()
{
    return &g_allocator;
}

template <uint32_t grow, uint32_t slack>
using Buffer = KX::BufferT<grow, slack, 8, char*, &GetTestAllocator>;

class BufferTTest : public ::testing::Test {
protected:
    void SetUp() override { g_allocator.Reset(); }
    void TearDown() override { EXPECT_EQ(g_allocator.live, 0) << "a block was leaked"; }
};

struct Step {
    uint32_t size;
    uint32_t capacity;
    bool heapCall;
};

template <class B>
void Walk(B& buffer, std::initializer_list<Step> steps)
{
    for (const Step& step : steps) {
        const int before = g_allocator.HeapCalls();
        EXPECT_EQ(buffer.SetSize(step.size), step.size);
        EXPECT_EQ(buffer.GetSize(), step.size);
        EXPECT_EQ(buffer.GetCapacity(), step.capacity) << "after SetSize(" << step.size << ")";
        EXPECT_EQ(g_allocator.HeapCalls() != before, step.heapCall) << "after SetSize(" << step.size << ")";
    }
}

TEST_F(BufferTTest, StringStorageAbsorbsShrinkingUpTo128Bytes)
{
    Buffer<1, 128> b(0, 0, false);
    Walk(b, {{10, 10, true},
             {100, 100, true},
             {5, 100, false},
             {200, 200, true},
             {72, 200, false},
             {71, 71, true},
             {71, 71, false}});
}

TEST_F(BufferTTest, ExactInstanceReallocatesOnEveryChange)
{
    Buffer<1, 0> b(0, 0, false);
    Walk(b, {{3, 3, true}, {4, 4, true}, {2, 2, true}, {2, 2, false}});
}

TEST_F(BufferTTest, RecordBuffersRoundTo512)
{
    Buffer<512, 512> b(0, 0, false);
    Walk(b, {{1, 512, true}, {600, 1024, true}, {512, 1024, false}, {10, 512, true}});
}

TEST_F(BufferTTest, KeepRuleOfEachInstance)
{
    // From a block of `capacity`, shrinking by `tolerated` keeps it and by one byte more does not.
    auto check = [](auto buffer, uint32_t capacity, uint32_t tolerated) {
        buffer.SetSize(capacity);
        ASSERT_EQ(buffer.GetCapacity(), capacity);
        buffer.SetSize(capacity - tolerated);
        EXPECT_EQ(buffer.GetCapacity(), capacity) << "tolerated " << tolerated;
        buffer.SetSize(capacity - tolerated - 1);
        EXPECT_NE(buffer.GetCapacity(), capacity) << "tolerated " << tolerated;
    };
    check(Buffer<8, 0>(0, 0, false), 64, 7); // pointer arrays of growth 1
    check(Buffer<8, 0>(0, 0, false), 8, 7);
    check(Buffer<128, 128>(0, 0, false), 1024, 128);    // pointer arrays of growth 16
    check(Buffer<2048, 2048>(0, 0, false), 8192, 2048); // pointer arrays of growth 256
    check(Buffer<16, 6400>(0, 0, false), 8000, 6400);   // pool arrays
    check(Buffer<4, 6400>(0, 0, false), 6404, 6400);
}

TEST_F(BufferTTest, SetCapacityKeepsTheBlockOnlyWhenTheRoundedSizeMatches)
{
    Buffer<512, 512> b(0, 0, false);
    EXPECT_EQ(b.SetCapacity(100), 100u);
    EXPECT_EQ(b.GetCapacity(), 512u);
    std::memcpy(b.GetData(), "abc", 4);
    const int before = g_allocator.HeapCalls();
    EXPECT_EQ(b.SetCapacity(300), 300u);
    EXPECT_EQ(g_allocator.HeapCalls(), before);
    EXPECT_STREQ(reinterpret_cast<char*>(b.GetData()), "abc");
    EXPECT_EQ(b.GetSize(), 300u);

    b.SetCapacity(513);
    EXPECT_EQ(b.GetCapacity(), 1024u);
    EXPECT_EQ(g_allocator.frees, 1);

    // SetSize(0) keeps a block within the slack; SetCapacity(0) returns it.
    b.SetCapacity(1);
    b.SetSize(0);
    EXPECT_EQ(b.GetCapacity(), 512u);
    EXPECT_NE(b.GetData(), nullptr);
    EXPECT_EQ(b.SetCapacity(0), 0u);
    EXPECT_EQ(b.GetCapacity(), 0u);
    EXPECT_EQ(b.GetData(), nullptr);
}

TEST_F(BufferTTest, ShrinkingToZeroFreesInsteadOfReallocatingToZero)
{
    Buffer<1, 0> b(16, 0, false);
    EXPECT_EQ(b.SetSize(0), 0u);
    EXPECT_EQ(g_allocator.zeroReallocations, 0);
    EXPECT_EQ(b.GetData(), nullptr);
    EXPECT_EQ(b.GetCapacity(), 0u);
    EXPECT_EQ(b.SetSize(0), 0u);
    EXPECT_EQ(g_allocator.HeapCalls(), 2);
}

TEST_F(BufferTTest, ConstructionReserveSurvivesOnlyWithinTheKeepRule)
{
    Buffer<1, 128> kept(10, 100, true);
    EXPECT_EQ(kept.GetCapacity(), 100u);
    EXPECT_EQ(kept.GetSize(), 10u);
    EXPECT_EQ(g_allocator.lastSize, 100u);
    for (uint32_t i = 0; i < 10; ++i)
        EXPECT_EQ(kept.GetData()[i], 0);

    Buffer<1, 128> trimmed(10, 1000, false);
    EXPECT_EQ(trimmed.GetCapacity(), 10u);

    Buffer<8, 0> pointers(0, 64, false);
    EXPECT_EQ(pointers.GetCapacity(), 0u);
    EXPECT_EQ(pointers.GetData(), nullptr);
}

TEST_F(BufferTTest, FailedAllocationThrowsAndLeavesTheBufferAsItWas)
{
    Buffer<1, 0> b(4, 0, false);
    std::memcpy(b.GetData(), "xyz", 4);
    unsigned char* data = b.GetData();

    auto expectUnchanged = [&] {
        EXPECT_EQ(b.GetSize(), 4u);
        EXPECT_EQ(b.GetCapacity(), 4u);
        EXPECT_EQ(b.GetData(), data);
        EXPECT_STREQ(reinterpret_cast<char*>(b.GetData()), "xyz");
    };
    g_allocator.failIn = 1;
    try {
        b.SetSize(4096);
        ADD_FAILURE() << "no exception";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
    expectUnchanged();

    g_allocator.failIn = 1;
    EXPECT_THROW(b.SetCapacity(64), std::bad_alloc);
    expectUnchanged();

    Buffer<1, 0> empty(0, 0, false);
    g_allocator.failIn = 1;
    EXPECT_THROW(empty.SetSize(8), std::bad_alloc);
    EXPECT_EQ(empty.GetSize(), 0u);
    EXPECT_EQ(empty.GetCapacity(), 0u);
}

TEST_F(BufferTTest, FailedResizeInsideConstructionReturnsTheReserve)
{
    g_allocator.failIn = 2; // the reserve's Allocate succeeds, the trim to the exact size fails
    EXPECT_THROW((Buffer<1, 0>(10, 100, false)), std::bad_alloc);
    EXPECT_EQ(g_allocator.allocations, 1);
    EXPECT_EQ(g_allocator.reallocations, 1);
}

TEST_F(BufferTTest, SizesThatDoNotFit32BitsOnceRoundedAreRefused)
{
    Buffer<2048, 2048> b(16, 0, false);
    const int before = g_allocator.HeapCalls();
    EXPECT_THROW(b.SetSize(0xFFFFFF01u), std::bad_alloc);
    EXPECT_THROW(b.SetCapacity(0xFFFFFFFFu), std::bad_alloc);
    EXPECT_EQ(g_allocator.HeapCalls(), before);
    EXPECT_EQ(b.GetSize(), 16u);
    EXPECT_EQ(b.GetCapacity(), 2048u);
}

TEST_F(BufferTTest, FillRangesAreCheckedWithoutWrapping)
{
    Buffer<1, 0> b(9, 0, true);
    const uint32_t size = b.GetSize();

    EXPECT_EQ(b.Fill8(0x1AB, 2, 3), KX::S_OK);
    EXPECT_EQ(b.GetData()[1], 0);
    EXPECT_EQ(b.GetData()[2], 0xAB);
    EXPECT_EQ(b.GetData()[4], 0xAB);
    EXPECT_EQ(b.GetData()[5], 0);
    EXPECT_EQ(b.Fill8(1, 0, static_cast<int>(size)), KX::S_OK);
    EXPECT_EQ(b.Fill8(1, size, -1), KX::S_OK);
    EXPECT_EQ(b.Fill8(1, size, 0), KX::S_OK);
    EXPECT_EQ(b.Fill8(1, size + 1, -1), KX::E_INVALIDARG);
    EXPECT_EQ(b.Fill8(1, 1, static_cast<int>(size)), KX::E_INVALIDARG);
    // offset + count would wrap to a small number
    EXPECT_EQ(b.Fill8(1, 0xFFFFFFFFu, 2), KX::E_INVALIDARG);
    EXPECT_EQ(b.Fill8(1, 0xFFFFFFF0u, 0x20), KX::E_INVALIDARG);

    static_cast<void>(b.Fill8(0, 0, -1));
    EXPECT_EQ(b.Fill16(0x12345, 1, -1), KX::S_OK); // odd offset: units at 1,3,5,7; byte 8 untouched
    const unsigned char expected[] = {0, 0x45, 0x23, 0x45, 0x23, 0x45, 0x23, 0x45, 0x23};
    uint16_t probe = 0x2345;
    if (reinterpret_cast<unsigned char*>(&probe)[0] == 0x45) {
        EXPECT_EQ(std::memcmp(b.GetData(), expected, 9), 0);
    }
    static_cast<void>(b.Fill8(0, 0, -1));
    EXPECT_EQ(b.Fill16(0xFFFF, 0, -1), KX::S_OK); // four units, the odd last byte left alone
    EXPECT_EQ(b.GetData()[7], 0xFF);
    EXPECT_EQ(b.GetData()[8], 0);
    EXPECT_EQ(b.Fill16(1, 1, 4), KX::S_OK);
    EXPECT_EQ(b.Fill16(1, 2, 4), KX::E_INVALIDARG);
    EXPECT_EQ(b.Fill16(1, size, 0), KX::S_OK);
    EXPECT_EQ(b.Fill16(1, size + 1, -1), KX::E_INVALIDARG);
    // 2 * count and offset + 2 * count would wrap
    EXPECT_EQ(b.Fill16(1, 0, 0x7FFFFFFF), KX::E_INVALIDARG);
    EXPECT_EQ(b.Fill16(1, 0xFFFFFFFEu, 2), KX::E_INVALIDARG);

    Buffer<1, 0> none(0, 0, false);
    EXPECT_EQ(none.Fill8(1, 0, -1), KX::S_OK);
    EXPECT_EQ(none.Fill16(1, 0, -1), KX::S_OK);
    EXPECT_EQ(none.Fill16(1, 0, 1), KX::E_INVALIDARG);
}

TEST_F(BufferTTest, GetDataAtOnlyInsideTheUsedBytes)
{
    Buffer<1, 128> b(5, 64, false);
    EXPECT_EQ(b.GetDataAt(4), b.GetData() + 4);
    EXPECT_EQ(b.GetDataAt(5), nullptr);
    EXPECT_EQ(b.GetDataAt(0xFFFFFFFFu), nullptr);
    Buffer<1, 128> none(0, 0, false);
    EXPECT_EQ(none.GetDataAt(0), nullptr);
}

TEST(SystemAllocator, OneProcessWideHeapAllocator)
{
    KX::IAllocator* a = KX::GetSystemAllocator();
    EXPECT_EQ(a, KX::GetSystemAllocator());
    void* zeroed = a->AllocateZeroed(4, 8);
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(std::memcmp(zeroed, std::vector<char>(32).data(), 32), 0);
    void* grown = a->Reallocate(zeroed, 64);
    ASSERT_NE(grown, nullptr);
    a->Free(grown);
    KX::BufferT<1, 128, 8, char*> real(3, 0, true);
    EXPECT_EQ(real.GetCapacity(), 3u);
}

} // namespace

} // namespace KX::Test
