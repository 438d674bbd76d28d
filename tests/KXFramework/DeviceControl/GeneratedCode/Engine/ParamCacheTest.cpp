#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamCache.h"

#include "ParamTestValues.h"

#include <gtest/gtest.h>

namespace KX::Test {

namespace {

constexpr int32_t kFirst = 100;

} // namespace

TEST(ParamCacheTest, StartsWithTheDefaultsAndRefusesValuesThatDoNotFit)
{
    KX::RCPtr<LParamCache> cache(new LParamCache(kFirst));
    KX::Variant v;
    for (int32_t i = 0; i < kParamCount; ++i) {
        ASSERT_EQ(cache->Get(kFirst + i, v), KX::S_OK);
        EXPECT_TRUE(v == ParamDefaultValue(i)) << i;
    }
    EXPECT_EQ(cache->Set(kFirst + 25, Blob(16, 1)), KX::E_INVALIDARG);
    EXPECT_EQ(cache->Set(kFirst + 25, Blob(0, 0)), KX::E_INVALIDARG);
    KX::Variant number;
    const int32_t n = 17;
    number.SetData(KX::Variant::Int32, &n, sizeof n);
    EXPECT_EQ(cache->Set(kFirst + 25, number), KX::E_INVALIDARG);
    EXPECT_EQ(cache->Set(kFirst - 1, Blob(6, 1)), KX::E_INVALIDARG);
    EXPECT_EQ(cache->Set(kFirst + kParamCount, Blob(6, 1)), KX::E_INVALIDARG);
    EXPECT_EQ(cache->Set(INT32_MIN, Blob(6, 1)), KX::E_INVALIDARG);
    ASSERT_EQ(cache->Get(kFirst + 25, v), KX::S_OK);
    EXPECT_TRUE(v == ParamDefaultValue(25));

    // A value with a selector is refused too.
    KX::ParamValue withSelector = Value(kFirst + 25, Blob(17, 1));
    withSelector.descriptor.selector = number;
    EXPECT_EQ(cache->Check(withSelector), KX::E_INVALIDARG);

    v = Blob(3, 3);
    EXPECT_EQ(cache->Get(kFirst + kParamCount, v), KX::E_INVALIDARG);
    EXPECT_EQ(v.GetType(), KX::Variant::Empty);
}

TEST(ParamCacheTest, SetManyWritesAllOrNothing)
{
    KX::RCPtr<LParamCache> cache(new LParamCache(kFirst));
    KX::Array<KX::ParamValue> values;
    values.AddItem(Value(kFirst + 0, Blob(6, 0x41)));
    values.AddItem(Value(kFirst + 61, Blob(6, 2)));
    values.AddItem(Value(kFirst + 130, Blob(14, 3))); // a touch-pad axis has 15 bytes
    EXPECT_EQ(cache->SetMany(values), KX::E_INVALIDARG);
    KX::Variant v;
    static_cast<void>(cache->Get(kFirst, v));
    EXPECT_TRUE(v == ParamDefaultValue(0));

    values.GetAt(2).value = Blob(15, 3);
    EXPECT_EQ(cache->SetMany(values), KX::S_OK);
    static_cast<void>(cache->Get(kFirst + 130, v));
    EXPECT_TRUE(v == Blob(15, 3));
    static_cast<void>(cache->Get(kFirst, v));
    EXPECT_TRUE(v == Blob(6, 0x41));
}

TEST(ParamCacheTest, GetRangeFillsOrExtendsAndRefusesBadRanges)
{
    KX::RCPtr<LParamCache> cache(new LParamCache(kFirst));
    KX::Array<KX::ParamValue> out;
    out.AddItem(Value(7, Blob(1, 1)));
    ASSERT_EQ(cache->GetRange(kFirst, kParamCount, out, -1), KX::S_OK);
    ASSERT_EQ(out.GetCount(), static_cast<unsigned>(kParamCount));
    for (int32_t i = 0; i < kParamCount; ++i) {
        EXPECT_EQ(out.GetAt(i).descriptor.id, kFirst + i);
        EXPECT_EQ(out.GetAt(i).value.GetSize(), ParamValueSize(i));
    }

    // From a start index the array grows as needed and keeps what lies before.
    KX::Array<KX::ParamValue> grow;
    grow.AddItem(Value(7, Blob(1, 1)));
    ASSERT_EQ(cache->GetRange(kFirst + 5, 2, grow, 3), KX::S_OK);
    ASSERT_EQ(grow.GetCount(), 5u);
    EXPECT_EQ(grow.GetAt(0).descriptor.id, 7);
    EXPECT_EQ(grow.GetAt(3).descriptor.id, kFirst + 5);
    EXPECT_EQ(grow.GetAt(4).value.GetSize(), 5u);

    // Ranges that leave the model change nothing.
    for (auto [first, count, start] :
         {std::tuple{kFirst - 1, 2, -1}, std::tuple{kFirst + 130, 2, -1}, std::tuple{kFirst, -1, -1},
          std::tuple{kFirst, 1, -2}, std::tuple{INT32_MAX, 1, -1}, std::tuple{INT32_MIN, 131, 0},
          std::tuple{kFirst + 1, INT32_MAX, -1}}) {
        EXPECT_EQ(cache->GetRange(first, count, grow, start), KX::E_INVALIDARG) << first << " " << count;
        EXPECT_EQ(grow.GetCount(), 5u);
    }
    EXPECT_EQ(cache->GetRange(kFirst, 0, grow, -1), KX::S_OK);
    EXPECT_EQ(grow.GetCount(), 0u);
}

} // namespace KX::Test
