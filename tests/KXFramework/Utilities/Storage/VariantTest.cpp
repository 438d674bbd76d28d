// The tagged value: conversions, comparison, copies and the setters.
#include "KXFramework/Utilities/Storage/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace KX::Test {

using KX::Variant;

namespace {

template <class T>
Variant Make(int tag, T value)
{
    Variant v;
    EXPECT_EQ(v.SetData(tag, &value, sizeof value), tag);
    return v;
}

Variant F(float f)
{
    return Make(Variant::Float, f);
}
Variant D(double d)
{
    return Make(Variant::Double, d);
}

} // namespace

TEST(VariantConversion, IntegerKindsWidenBySignedness)
{
    const Variant i8 = Make<int8_t>(Variant::Int8, -1);
    EXPECT_EQ(i8.ToInt8(), -1);
    EXPECT_EQ(i8.ToUInt8(), 255);
    EXPECT_EQ(i8.ToInt16(), -1);
    EXPECT_EQ(i8.ToUInt16(), 255);
    EXPECT_EQ(i8.ToInt32(), -1);
    EXPECT_EQ(i8.ToUInt32(), 0xFFFFFFFFu);
    EXPECT_EQ(i8.ToInt64(), -1);
    EXPECT_EQ(i8.ToDouble(), -1.0);
    EXPECT_TRUE(i8.ToBool());

    const Variant u8 = Make<uint8_t>(Variant::UInt8, 200);
    EXPECT_EQ(u8.ToInt8(), static_cast<int8_t>(200));
    EXPECT_EQ(u8.ToInt16(), 200);
    EXPECT_EQ(u8.ToInt64(), 200);
    EXPECT_EQ(u8.ToFloat(), 200.0f);

    const Variant i16 = Make<int16_t>(Variant::Int16, -2);
    EXPECT_EQ(i16.ToInt8(), -2);
    EXPECT_EQ(i16.ToUInt16(), 0xFFFE);
    EXPECT_EQ(i16.ToInt32(), -2);
    EXPECT_EQ(i16.ToUInt64(), static_cast<uint64_t>(-2));

    const Variant u16 = Make<uint16_t>(Variant::UInt16, 0xFFFE);
    EXPECT_EQ(u16.ToInt16(), -2);
    EXPECT_EQ(u16.ToInt32(), 0xFFFE);
    EXPECT_EQ(u16.ToDouble(), 65534.0);

    const Variant i32 = Make<int32_t>(Variant::Int32, -70000);
    EXPECT_EQ(i32.ToInt16(), static_cast<int16_t>(-70000));
    EXPECT_EQ(i32.ToInt64(), -70000);
    EXPECT_EQ(i32.ToDouble(), -70000.0);

    const Variant u32 = Make<uint32_t>(Variant::UInt32, 0xFFFFFFFF);
    EXPECT_EQ(u32.ToInt32(), -1);
    EXPECT_EQ(u32.ToInt64(), 0xFFFFFFFFll);
    EXPECT_EQ(u32.ToDouble(), 4294967295.0);

    const Variant i64 = Make<int64_t>(Variant::Int64, -0x100000001ll);
    EXPECT_EQ(i64.ToInt32(), -1);
    EXPECT_EQ(i64.ToUInt8(), 0xFF);
    EXPECT_EQ(i64.ToDouble(), -4294967297.0);

    const Variant u64 = Make<uint64_t>(Variant::UInt64, 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(u64.ToInt64(), -1);
    EXPECT_EQ(u64.ToDouble(), 18446744073709551615.0);
    EXPECT_EQ(Make<uint64_t>(Variant::UInt64, 1ull << 32).ToBool(), true);
    EXPECT_EQ(Make<uint64_t>(Variant::UInt64, 1ull << 32).ToInt32(), 0);
}

TEST(VariantConversion, BoolAndEmpty)
{
    const Variant t = Make<uint8_t>(Variant::Bool, 7);
    EXPECT_TRUE(t.ToBool());
    EXPECT_EQ(t.ToInt8(), 1);
    EXPECT_EQ(t.ToInt32(), 7);
    EXPECT_EQ(t.ToDouble(), 7.0);
    const Variant f = Make<uint8_t>(Variant::Bool, 0);
    EXPECT_FALSE(f.ToBool());
    EXPECT_EQ(f.ToInt8(), 0);

    const Variant e;
    EXPECT_FALSE(e.ToBool());
    EXPECT_EQ(e.ToInt64(), 0);
    EXPECT_EQ(e.ToDouble(), 0.0);
    unsigned n = 99;
    EXPECT_EQ(e.GetData(&n), nullptr);
    EXPECT_EQ(n, 0u);
}

TEST(VariantConversion, FloatsRoundHalfAwayFromZero)
{
    EXPECT_EQ(F(2.5f).ToInt32(), 3);
    EXPECT_EQ(F(-2.5f).ToInt32(), -3);
    EXPECT_EQ(D(2.4999).ToInt16(), 2);
    EXPECT_EQ(D(-0.5).ToInt64(), -1);
    EXPECT_EQ(D(300.0).ToInt8(), static_cast<int8_t>(300)); // low 8 bits of the 32-bit result
    EXPECT_EQ(D(-1.0).ToUInt16(), 0xFFFF);
    EXPECT_EQ(D(4294967295.0).ToUInt32(), 4294967295u);
    EXPECT_EQ(D(-1.0).ToUInt32(), 0xFFFFFFFFu);
    EXPECT_EQ(D(9223372036854775808.0).ToUInt64(), 9223372036854775808ull);
    EXPECT_EQ(D(-3.0).ToUInt64(), static_cast<uint64_t>(-3));
    // For a float the 64-bit conversions add the half in single precision, the others in double.
    const float justBelowHalf = std::nextafter(0.5f, 0.0f);
    EXPECT_EQ(F(justBelowHalf).ToInt64(), 1);
    EXPECT_EQ(F(justBelowHalf).ToUInt64(), 1u);
    EXPECT_EQ(F(justBelowHalf).ToInt32(), 0);
    EXPECT_TRUE(F(0.25f).ToBool());
    EXPECT_FALSE(D(-0.0).ToBool());
    EXPECT_EQ(D(0.1).ToFloat(), 0.1f);
}

TEST(VariantConversion, OutOfRangeFloatsSaturateAndNaNIsZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Variant& v : {D(nan), F(std::numeric_limits<float>::quiet_NaN())}) {
        EXPECT_EQ(v.ToInt8(), 0);
        EXPECT_EQ(v.ToInt16(), 0);
        EXPECT_EQ(v.ToUInt16(), 0);
        EXPECT_EQ(v.ToInt32(), 0);
        EXPECT_EQ(v.ToUInt32(), 0u);
        EXPECT_EQ(v.ToInt64(), 0);
        EXPECT_EQ(v.ToUInt64(), 0u);
        EXPECT_TRUE(v.ToBool()); // NaN is not zero
    }
    EXPECT_EQ(D(1e20).ToInt32(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(D(-1e20).ToInt32(), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(D(2147483647.4).ToInt32(), 2147483647);
    EXPECT_EQ(D(2147483647.5).ToInt32(), 2147483647);
    EXPECT_EQ(D(1e20).ToUInt32(), 0xFFFFFFFFu); // low 32 bits of the saturated 64-bit value
    EXPECT_EQ(D(1e30).ToInt64(), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(D(-1e30).ToInt64(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(D(1e30).ToUInt64(), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(D(-1e30).ToUInt64(), static_cast<uint64_t>(std::numeric_limits<int64_t>::min()));
    EXPECT_EQ(F(INFINITY).ToInt64(), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(F(-INFINITY).ToInt16(), 0); // low 16 bits of INT32_MIN
}

TEST(VariantConversion, BlocksReadTheirFirstBytes)
{
    const unsigned char bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    Variant blob;
    blob.SetBlob(bytes, sizeof bytes);
    EXPECT_EQ(blob.ToInt8(), 1);
    EXPECT_EQ(blob.ToInt16(), 0x0201);
    EXPECT_EQ(blob.ToUInt32(), 0x04030201u);
    EXPECT_EQ(blob.ToUInt64(), 0x0807060504030201ull);
    EXPECT_EQ(blob.ToFloat(), static_cast<float>(0x04030201));
    EXPECT_EQ(blob.ToDouble(), static_cast<double>(0x0807060504030201ll));
    EXPECT_TRUE(blob.ToBool());

    // A short block reads its missing bytes as zero; a null borrowed block reads as zero.
    Variant shortBlob;
    shortBlob.SetBlob(bytes, 3);
    EXPECT_EQ(shortBlob.ToInt64(), 0x030201);
    Variant null;
    null.SetBorrowed(nullptr, 8, false);
    EXPECT_EQ(null.ToInt64(), 0);
    EXPECT_FALSE(null.ToBool());
    Variant borrowed;
    borrowed.SetBorrowed(bytes + 1, 2, true);
    EXPECT_EQ(borrowed.ToInt32(), 0x0302);
    EXPECT_TRUE(borrowed.ToBool());

    Variant empty;
    empty.SetBlob(nullptr, 0);
    EXPECT_FALSE(empty.ToBool());
    EXPECT_EQ(empty.ToInt32(), 0);
}

TEST(VariantConversion, StringsConvertToTheirLengthAndListsToZero)
{
    Variant s;
    s.SetString("abc");
    EXPECT_EQ(s.ToInt32(), 3);
    EXPECT_EQ(s.ToInt8(), 3);
    EXPECT_EQ(s.ToUInt64(), 3u);
    EXPECT_EQ(s.ToDouble(), 3.0);
    EXPECT_TRUE(s.ToBool());
    s.SetString("");
    EXPECT_FALSE(s.ToBool());
    EXPECT_EQ(s.ToInt32(), 0);

    const Variant items[] = {s};
    Variant list;
    list.SetList(items, 1);
    EXPECT_TRUE(list.ToBool());
    EXPECT_EQ(list.ToInt32(), 0);
    EXPECT_EQ(list.ToDouble(), 0.0);
}

TEST(VariantData, GetDataAndGetMutableDataByKind)
{
    unsigned n = 0;
    Variant v = Make<int16_t>(Variant::Int16, 0x1234);
    const unsigned char* p = v.GetData(&n);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(p[0], 0x34);
    EXPECT_EQ(p[1], 0x12);
    EXPECT_EQ(v.GetMutableData(&n), p);
    EXPECT_EQ(v.GetString(), nullptr);

    const unsigned char bytes[] = {1, 2};
    v.SetBorrowed(bytes, 2, true);
    EXPECT_EQ(v.GetData(&n), bytes);
    EXPECT_EQ(v.GetMutableData(&n), nullptr);
    EXPECT_EQ(n, 0u);

    const Variant items[] = {Variant()};
    v.SetList(items, 1);
    EXPECT_NE(v.GetData(&n), nullptr);
    EXPECT_EQ(n, 12u);
    EXPECT_EQ(v.GetMutableData(&n), nullptr);
}

TEST(VariantData, SetDataChecksScalarWidthsAndMapsBlockKinds)
{
    Variant v;
    const uint32_t four = 4;
    EXPECT_EQ(v.SetData(Variant::UInt16, &four, 4), 0);
    EXPECT_EQ(v.GetType(), Variant::Empty);
    EXPECT_EQ(v.SetData(Variant::Int32, nullptr, 4), 0);
    EXPECT_EQ(v.SetData(Variant::Borrowed, &four, 4), Variant::Blob);
    EXPECT_EQ(v.ToInt32(), 4);
    EXPECT_EQ(v.SetData(Variant::BorrowedReadOnly, &four, 4), Variant::Blob);
    EXPECT_EQ(v.SetData(Variant::String, "hey", 4), Variant::String);
    EXPECT_STREQ(v.GetString(), "hey");
    EXPECT_EQ(v.SetData(99, &four, 4), 0);
    EXPECT_EQ(v.SetData(-1, &four, 4), 0);
    EXPECT_EQ(v.GetType(), Variant::Empty);
    // A null text is the empty text.
    EXPECT_EQ(v.SetString(nullptr), Variant::String);
    EXPECT_STREQ(v.GetString(), "");
}

TEST(VariantData, NewBlobsAreZeroed)
{
    // Fill the heap with non-zero garbage of the same size first, so that stale bytes would show.
    for (int i = 0; i < 8; ++i) {
        auto* junk = new unsigned char[256];
        std::memset(junk, 0xCD, 256);
        delete[] junk;
    }
    Variant v;
    v.SetBlob(nullptr, 256);
    unsigned n = 0;
    const unsigned char* p = v.GetData(&n);
    ASSERT_EQ(n, 256u);
    for (unsigned i = 0; i < n; ++i)
        ASSERT_EQ(p[i], 0) << i;
}

TEST(VariantData, SettersMayTakeTheirBytesFromTheVariantItself)
{
    Variant v;
    v.SetString("hello");
    v.SetBlob(reinterpret_cast<const unsigned char*>(v.GetString()) + 1, 3);
    unsigned n = 0;
    const unsigned char* p = v.GetData(&n);
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(std::memcmp(p, "ell", 3), 0);
    v.SetData(Variant::UInt16, v.GetData(nullptr), 2);
    EXPECT_EQ(v.ToUInt16(), 'e' | ('l' << 8));
    v.SetString("abc");
    v.SetString(v.GetString() + 1);
    EXPECT_STREQ(v.GetString(), "bc");
}

TEST(VariantCompare, EqualityByKind)
{
    EXPECT_TRUE(Variant() == Variant());
    EXPECT_TRUE(Make<int32_t>(Variant::Int32, 5) == Make<int32_t>(Variant::Int32, 5));
    EXPECT_FALSE(Make<int32_t>(Variant::Int32, 5) == Make<uint32_t>(Variant::UInt32, 5));
    EXPECT_TRUE(D(0.0) == D(-0.0));
    EXPECT_FALSE(D(NAN) == D(NAN));
    EXPECT_TRUE(F(1.5f) == F(1.5f));

    const unsigned char a[] = {1, 2, 3};
    const unsigned char b[] = {1, 2, 3};
    Variant blobA, blobB;
    blobA.SetBlob(a, 3);
    blobB.SetBlob(b, 3);
    EXPECT_TRUE(blobA == blobB);
    blobB.SetBlob(b, 2);
    EXPECT_FALSE(blobA == blobB);
    Variant emptyA, emptyB;
    emptyA.SetBlob(nullptr, 0);
    emptyB.SetBlob(nullptr, 0);
    EXPECT_TRUE(emptyA == emptyB);

    // Borrowed blocks compare by identity.
    Variant borrowedA, borrowedB, borrowedA2;
    borrowedA.SetBorrowed(a, 3, false);
    borrowedB.SetBorrowed(b, 3, false);
    borrowedA2.SetBorrowed(a, 3, false);
    EXPECT_FALSE(borrowedA == borrowedB);
    EXPECT_TRUE(borrowedA == borrowedA2);
}

TEST(VariantCopy, CopiesAreDeepAndIndependent)
{
    const unsigned char bytes[] = {1, 2, 3, 4};
    Variant source;
    source.SetBlob(bytes, 4);
    Variant copy(source);
    EXPECT_TRUE(copy == source);
    unsigned n = 0;
    EXPECT_NE(copy.GetData(&n), source.GetData(&n));
    copy.GetMutableData(&n)[0] = 99;
    EXPECT_EQ(source.GetData(&n)[0], 1);

    Variant assigned;
    EXPECT_EQ(assigned = source, Variant::Blob);
    source.Clear();
    EXPECT_EQ(assigned.ToInt32(), 0x04030201);

    // A list copy is a copy of its records.
    const Variant items[] = {assigned, copy};
    Variant list;
    list.SetList(items, 2);
    Variant listCopy;
    listCopy = list;
    list.Clear();
    Variant item;
    ASSERT_EQ(listCopy.GetListItem(1, item), 0);
    EXPECT_EQ(item.ToUInt8(), 99);

    // Borrowed blocks copy their pointer, not the bytes.
    Variant borrowed;
    borrowed.SetBorrowed(bytes, 4, true);
    Variant borrowedCopy(borrowed);
    EXPECT_EQ(borrowedCopy.GetData(&n), bytes);
}

TEST(VariantCopy, SelfAssignmentAndEmptyOwningKinds)
{
    Variant v;
    v.SetString("same");
    const Variant& alias = v;
    EXPECT_EQ(v = alias, Variant::String);
    EXPECT_STREQ(v.GetString(), "same");

    // An owning kind of size 0 copies to the same kind without a block of its own.
    Variant empty;
    empty.SetBlob(nullptr, 0);
    Variant copy(empty);
    EXPECT_EQ(copy.GetType(), Variant::Blob);
    EXPECT_EQ(copy.GetSize(), 0u);
    EXPECT_EQ(copy.GetData(nullptr), nullptr);
}

} // namespace KX::Test
