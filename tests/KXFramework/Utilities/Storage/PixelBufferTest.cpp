#include "KXFramework/Utilities/Storage/PixelBuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace KX::Test {

namespace {

using Pixels = KX::LPixelBuffer<unsigned char>;

TEST(LPixelBuffer, DefaultStrideAndAddressesInsideTheBytesOnly)
{
    KX::RCPtr<Pixels> p(new Pixels(20, 3, 0, nullptr));
    EXPECT_EQ(p->GetStride(), 32u);
    ASSERT_NE(p->GetPixelAddress(0, 0), nullptr);
    EXPECT_EQ(p->GetPixelAddress(31, 2), p->GetPixelAddress(0, 0) + 95);
    EXPECT_EQ(*p->GetPixelAddress(31, 2), 0);
    EXPECT_EQ(p->GetPixelAddress(0, 3), nullptr);
    EXPECT_EQ(p->GetPixelAddress(UINT_MAX, UINT_MAX), nullptr);
}

TEST(LPixelBuffer, CopiesGivenPixelsAndZeroesRowsAdded)
{
    const std::vector<unsigned char> bytes{1, 2, 3, 4, 5, 6};
    KX::RCPtr<Pixels> p(new Pixels(2, 2, 3, bytes.data()));
    EXPECT_EQ(*p->GetPixelAddress(1, 1), 5);
    EXPECT_EQ(p->SetHeight(4), KX::S_OK);
    EXPECT_EQ(p->GetHeight(), 4u);
    EXPECT_EQ(*p->GetPixelAddress(1, 1), 5);
    EXPECT_EQ(*p->GetPixelAddress(2, 3), 0);
    EXPECT_EQ(p->SetHeight(1), KX::S_OK);
    EXPECT_EQ(p->GetPixelAddress(0, 1), nullptr);
}

TEST(LPixelBuffer, SetHeightFailsWithoutStorageAndRefusesSizesBeyondThirtyTwoBits)
{
    KX::RCPtr<Pixels> empty(new Pixels(0, 0, 0, nullptr));
    EXPECT_EQ(empty->SetHeight(5), KX::E_FAIL);
    EXPECT_EQ(empty->SetHeight(0), KX::S_OK);
    KX::RCPtr<Pixels> wide(new Pixels(512, 1, 512, nullptr));
    EXPECT_THROW(wide->SetHeight(0x01000000), std::bad_alloc);
    EXPECT_EQ(wide->GetHeight(), 1u);
}

} // namespace

} // namespace KX::Test
