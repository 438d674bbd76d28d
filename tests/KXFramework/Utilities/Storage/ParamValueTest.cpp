// The parameter records and the list variants that carry them.
#include "KXFramework/Utilities/Storage/ParamValue.h"

#include "KXFramework/Utilities/Storage/StringT.h"

#include <gtest/gtest.h>

#include <vector>

namespace KX::Test {

using KX::ParamDescriptor;
using KX::ParamDescriptors;
using KX::ParamValue;
using KX::ParamValues;
using KX::Variant;

namespace {

Variant Blob(std::initializer_list<unsigned char> bytes)
{
    std::vector<unsigned char> b(bytes);
    Variant v;
    v.SetBlob(b.data(), static_cast<unsigned>(b.size()));
    return v;
}

Variant Int32(int32_t i)
{
    Variant v;
    v.SetData(Variant::Int32, &i, 4);
    return v;
}

} // namespace

TEST(ParamRecords, DefaultsAndCopies)
{
    const ParamValue value;
    EXPECT_EQ(value.descriptor.id, -1);
    EXPECT_EQ(value.descriptor.selector.GetType(), Variant::Empty);
    EXPECT_EQ(value.value.GetType(), Variant::Empty);

    KX::Array<ParamValue> array;
    array.SetCount(2);
    EXPECT_EQ(array.GetAt(1).descriptor.id, -1);
    array.GetAt(0).descriptor.id = 7;
    array.GetAt(0).value = Blob({1, 2, 3});
    KX::Array<ParamValue> copy(array);
    copy.GetAt(0).value.GetMutableData(nullptr)[0] = 99;
    EXPECT_EQ(array.GetAt(0).value.GetData(nullptr)[0], 1);
    EXPECT_EQ(copy.GetAt(0).descriptor.id, 7);

    EXPECT_TRUE(ParamDescriptor(5) == ParamDescriptor(5, Variant()));
    EXPECT_FALSE(ParamDescriptor(5) == ParamDescriptor(5, Int32(1)));
    EXPECT_FALSE(ParamDescriptor(5) == ParamDescriptor(6));
}

TEST(ParamRecords, DescriptorTextIsTheUnsignedIdentifier)
{
    EXPECT_EQ(std::u16string(KX::ParamDescriptorToString(ParamDescriptor(-1)).GetString()), u"4294967295");
    EXPECT_EQ(std::u16string(KX::ParamDescriptorToString(ParamDescriptor(42)).GetString()), u"42");
}

TEST(ParamValuesList, ValuesRoundTripWithAndWithoutSelectors)
{
    KX::Array<ParamValue> values;
    values.SetCount(3);
    values.GetAt(0).descriptor = ParamDescriptor(1);
    values.GetAt(0).value = Blob({0, 0, 0, 0, 0, 0});
    values.GetAt(1).descriptor = ParamDescriptor(2, Int32(4));
    values.GetAt(1).value = Blob({0x7F});
    values.GetAt(2).descriptor = ParamDescriptor(3); // an empty value

    ParamValues list;
    EXPECT_EQ(list.GetType(), Variant::List);
    EXPECT_EQ(list.GetCount(), 0);
    ASSERT_EQ(list.Set(values), KX::S_OK);
    ASSERT_EQ(list.GetCount(), 3);

    // Items are lists of (ID, value), a non-empty selector third.
    Variant item;
    ASSERT_EQ(list.GetListItem(0, item), 0);
    EXPECT_EQ(item.GetListCount(), 2u);
    ASSERT_EQ(list.GetListItem(1, item), 0);
    EXPECT_EQ(item.GetListCount(), 3u);

    // Through a record, as the lists travel.
    std::vector<unsigned char> record(list.GetSize() + 12);
    ASSERT_GT(Variant::WriteRecord(list, record.data(), static_cast<unsigned>(record.size())), 0);
    ParamValues back;
    ASSERT_EQ(Variant::ReadRecord(back, record.data(), static_cast<unsigned>(record.size())), KX::S_OK);

    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ParamDescriptor d;
        Variant v;
        ASSERT_EQ(back.GetAt(i, d, v), KX::S_OK);
        EXPECT_TRUE(d == values.GetAt(i).descriptor);
        EXPECT_TRUE(v == values.GetAt(i).value);
    }
    ParamDescriptor d;
    Variant v;
    EXPECT_EQ(back.GetAt(3, d, v), KX::E_FAIL);
    EXPECT_EQ(back.GetAt(-1, d, v), KX::E_FAIL);

    ASSERT_EQ(list.Set(ParamDescriptor(9), Int32(5)), KX::S_OK);
    ASSERT_EQ(list.GetCount(), 1);
    ASSERT_EQ(list.GetAt(0, d, v), KX::S_OK);
    EXPECT_EQ(d.id, 9);
    EXPECT_EQ(v.ToInt32(), 5);
}

TEST(ParamValuesList, MalformedItemsAreRefusedAndLeaveTheOutputsAlone)
{
    const Variant notAList[] = {Int32(1)};
    const Variant oneRecord[] = {Int32(1)};
    Variant oneItem;
    oneItem.SetList(oneRecord, 1);
    Variant textId;
    textId.SetString("1");
    const Variant badIdParts[] = {textId, Int32(2)};
    Variant badId;
    badId.SetList(badIdParts, 2);

    for (const Variant& item : {notAList[0], oneItem, badId}) {
        ParamValues list;
        list.SetList(&item, 1);
        ParamDescriptor d(77);
        Variant v = Int32(88);
        EXPECT_EQ(list.GetAt(0, d, v), KX::E_FAIL);
        EXPECT_EQ(d.id, 77);
        EXPECT_EQ(v.ToInt32(), 88);
    }
}

TEST(ParamDescriptorsList, BuildersAndItems)
{
    ParamDescriptors list;
    ASSERT_EQ(list.Set(10, 3), KX::S_OK);
    ASSERT_EQ(list.GetCount(), 3);
    ParamDescriptor d;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(list.GetAt(i, d), KX::S_OK);
        EXPECT_EQ(d.id, 10 + i);
        EXPECT_EQ(d.selector.GetType(), Variant::Empty);
    }
    // Items without a selector are the bare ID record.
    Variant item;
    ASSERT_EQ(list.GetListItem(1, item), 0);
    EXPECT_EQ(item.GetType(), Variant::Int32);

    const ParamDescriptor given[] = {ParamDescriptor(1), ParamDescriptor(2, Int32(4))};
    ASSERT_EQ(list.Set(given, 2), KX::S_OK);
    ASSERT_EQ(list.GetAt(1, d), KX::S_OK);
    EXPECT_TRUE(d == given[1]);
    ASSERT_EQ(list.GetAt(0, d), KX::S_OK);
    EXPECT_TRUE(d == given[0]);
    EXPECT_EQ(list.GetAt(2, d), KX::E_FAIL);

    EXPECT_EQ(list.Set(given, 0), -4);
    EXPECT_EQ(list.GetType(), Variant::List);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.Set(nullptr, 2), -4);
    EXPECT_EQ(list.Set(1, -1), -4);
    EXPECT_EQ(list.GetCount(), 0);
}

} // namespace KX::Test
