// Variant records and lists: the byte layout inside preset files and parameter lists, and the
// refusal of malformed input.
#include "KXFramework/Utilities/Storage/Variant.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

namespace KX::Test {

using KX::Variant;
using Bytes = std::vector<unsigned char>;

namespace {

void PutU32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

Bytes Record(uint32_t length, uint32_t version, uint32_t tag, std::initializer_list<unsigned char> payload = {})
{
    Bytes b;
    PutU32(b, length);
    PutU32(b, version);
    PutU32(b, tag);
    b.insert(b.end(), payload);
    return b;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Write(const Variant& v)
{
    Bytes b(64 + v.GetSize());
    const KXRESULT r = Variant::WriteRecord(v, b.data(), static_cast<unsigned>(b.size()));
    EXPECT_GE(r, 0);
    b.resize(r < 0 ? 0 : r);
    return b;
}

Bytes ListBytes(const Variant& list)
{
    unsigned n = 0;
    const unsigned char* p = list.GetData(&n);
    return p ? Bytes(p, p + n) : Bytes();
}

Variant Scalar(int tag, std::initializer_list<unsigned char> bytes)
{
    Variant v;
    Bytes b(bytes);
    EXPECT_EQ(v.SetData(tag, b.data(), static_cast<unsigned>(b.size())), tag);
    return v;
}

Variant Text(const char* s)
{
    Variant v;
    v.SetString(s);
    return v;
}

Variant Blob(std::initializer_list<unsigned char> bytes)
{
    Variant v;
    Bytes b(bytes);
    v.SetBlob(b.data(), static_cast<unsigned>(b.size()));
    return v;
}

Variant ListOf(std::initializer_list<Variant> items)
{
    std::vector<Variant> v(items);
    Variant list;
    list.SetList(v.data(), static_cast<int>(v.size()));
    return list;
}

Variant ListFromBytes(const Bytes& block)
{
    Variant list;
    list.SetData(Variant::List, block.data(), static_cast<unsigned>(block.size()));
    return list;
}

} // namespace

TEST(VariantRecord, EachKindWritesItsExactBytesAndReadsBack)
{
    struct Case {
        Variant value;
        Bytes bytes;
    };
    const Case cases[] = {
        {Variant(), Record(12, 1, 0)},
        {Scalar(Variant::Bool, {1}), Record(13, 1, 1, {0x01})},
        {Scalar(Variant::Int8, {0xFE}), Record(13, 1, 2, {0xFE})},
        {Scalar(Variant::UInt8, {0xC8}), Record(13, 1, 3, {0xC8})},
        {Scalar(Variant::Int16, {0x34, 0x12}), Record(14, 1, 4, {0x34, 0x12})},
        {Scalar(Variant::UInt16, {0xFF, 0xFF}), Record(14, 1, 5, {0xFF, 0xFF})},
        {Scalar(Variant::Int32, {0x05, 0, 0, 0}), Record(16, 1, 6, {0x05, 0, 0, 0})},
        {Scalar(Variant::UInt32, {0x78, 0x56, 0x34, 0x12}), Record(16, 1, 7, {0x78, 0x56, 0x34, 0x12})},
        {Scalar(Variant::Float, {0, 0, 0xC0, 0x3F}), Record(16, 1, 8, {0, 0, 0xC0, 0x3F})}, // 1.5f
        {Scalar(Variant::Double, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}), Record(20, 1, 9, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F})},
        {Scalar(Variant::Int64, {1, 2, 3, 4, 5, 6, 7, 0x88}), Record(20, 1, 10, {1, 2, 3, 4, 5, 6, 7, 0x88})},
        {Scalar(Variant::UInt64, {0xFF, 0, 0, 0, 0, 0, 0, 0}), Record(20, 1, 11, {0xFF, 0, 0, 0, 0, 0, 0, 0})},
        {Blob({0x00, 0x01, 0x7F, 0xF7}), Record(16, 1, 14, {0x00, 0x01, 0x7F, 0xF7})},
        {Text("abc"), Record(16, 1, 15, {'a', 'b', 'c', 0})},
        {Text(""), Record(13, 1, 15, {0})},
        {ListOf({}), Record(12, 1, 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.GetType());
        EXPECT_EQ(Write(c.value), c.bytes);
        Variant back;
        ASSERT_EQ(Variant::ReadRecord(back, c.bytes.data(), static_cast<unsigned>(c.bytes.size())), KX::S_OK);
        EXPECT_EQ(back.GetType(), c.value.GetType());
        EXPECT_TRUE(back == c.value || c.value.GetType() == Variant::Float);
        EXPECT_EQ(Write(back), c.bytes);
    }
}

TEST(VariantRecord, BorrowedBlocksWriteTheirBytesAndReadBackAsABlobWithFailure)
{
    const unsigned char bytes[] = {9, 8, 7};
    Variant borrowed;
    borrowed.SetBorrowed(bytes, 3, true);
    const Bytes record = Write(borrowed);
    EXPECT_EQ(record, Record(15, 1, 13, {9, 8, 7}));

    Variant back;
    EXPECT_EQ(Variant::ReadRecord(back, record.data(), 15), KX::E_FAIL);
    EXPECT_EQ(back.GetType(), Variant::Blob);
    EXPECT_EQ(ListBytes(back), Bytes({9, 8, 7}));

    // An empty borrowed block has no record form, nor has a null one whatever size it was given.
    Variant empty;
    empty.SetBorrowed(nullptr, 0, false);
    unsigned char buffer[32];
    EXPECT_EQ(Variant::WriteRecord(empty, buffer, sizeof buffer), KX::E_FAIL);
    Variant null;
    null.SetBorrowed(nullptr, 8, false);
    EXPECT_EQ(Variant::WriteRecord(null, buffer, sizeof buffer), KX::E_FAIL);
    Variant list;
    list.SetList(&null, 1);
    EXPECT_EQ(ListBytes(list), Record(12, 1, 12, {}));
}

TEST(VariantRecord, WriterRefusesTooLittleRoomAndANullRecord)
{
    const Variant v = Blob({1, 2, 3, 4});
    unsigned char buffer[16];
    EXPECT_EQ(Variant::WriteRecord(v, buffer, 15), KX::E_FAIL);
    EXPECT_EQ(Variant::WriteRecord(v, nullptr, 100), KX::E_FAIL);
    EXPECT_EQ(Variant::WriteRecord(v, buffer, 16), 16);
}

TEST(VariantRecord, EmptyBlobWritesAHeaderThatTheReaderRefuses)
{
    Variant blob;
    blob.SetBlob(nullptr, 0);
    const Bytes record = Write(blob);
    EXPECT_EQ(record, Record(12, 1, 14));
    Variant out = Scalar(Variant::Int8, {5});
    EXPECT_EQ(Variant::ReadRecord(out, record.data(), 12), KX::E_FAIL);
    EXPECT_EQ(out.ToInt32(), 5); // untouched
}

TEST(VariantRecord, RecordsAtAnyByteOffset)
{
    Bytes buffer(64, 0xAA);
    const Variant v = Scalar(Variant::UInt32, {0xEF, 0xBE, 0xAD, 0xDE});
    ASSERT_EQ(Variant::WriteRecord(v, buffer.data() + 3, 61), 16);
    EXPECT_EQ(Bytes(buffer.begin() + 3, buffer.begin() + 19), Record(16, 1, 7, {0xEF, 0xBE, 0xAD, 0xDE}));
    Variant back;
    ASSERT_EQ(Variant::ReadRecord(back, buffer.data() + 3, 61), KX::S_OK);
    EXPECT_EQ(back.ToUInt32(), 0xDEADBEEFu);
}

TEST(VariantRecord, LegacyVersionZeroMapsItsTags)
{
    struct Case {
        uint32_t oldTag;
        Bytes payload;
        int tag;
    };
    const Case cases[] = {
        {1, {1}, Variant::Bool},
        {2, {0xFF, 0xFF, 0xFF, 0xFF}, Variant::Int32},
        {3, {1, 0, 0, 0, 0, 0, 0, 0}, Variant::Int64},
        {4, {0, 0, 0xC0, 0x3F}, Variant::Float},
        {5, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}, Variant::Double},
        {8, {1, 2}, Variant::Blob},
        {9, {'h', 'i', 0}, Variant::String},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oldTag);
        Bytes record = Record(12 + static_cast<uint32_t>(c.payload.size()), 0, c.oldTag);
        record.insert(record.end(), c.payload.begin(), c.payload.end());
        Variant out;
        ASSERT_EQ(Variant::ReadRecord(out, record.data(), static_cast<unsigned>(record.size())), KX::S_OK);
        EXPECT_EQ(out.GetType(), c.tag);
        unsigned n = 0;
        const unsigned char* data = out.GetData(&n);
        EXPECT_EQ(Bytes(data, data + n), c.payload);
    }
    // Empty and the empty list keep their meaning; the borrowed kinds become a blob with failure.
    Variant out;
    EXPECT_EQ(Variant::ReadRecord(out, Record(12, 0, 0).data(), 12), KX::S_OK);
    EXPECT_EQ(out.GetType(), Variant::Empty);
    EXPECT_EQ(Variant::ReadRecord(out, Record(12, 0, 10).data(), 12), KX::S_OK);
    EXPECT_EQ(out.GetType(), Variant::List);
    EXPECT_EQ(Variant::ReadRecord(out, Record(13, 0, 6, {4}).data(), 13), KX::E_FAIL);
    EXPECT_EQ(out.GetType(), Variant::Blob);
    // A version-1 record with the same numbers means something else.
    EXPECT_EQ(Variant::ReadRecord(out, Record(16, 1, 2, {1, 2, 3, 4}).data(), 16), KX::E_FAIL);
    EXPECT_EQ(out.GetType(), Variant::Empty);
}

TEST(VariantRecord, MalformedHeadersAreRefusedAndLeaveTheTargetUntouched)
{
    const Bytes cases[] = {
        Record(13, 0, 11, {0}), // old tag 11 and above
        Record(13, 0, 0xFFFFFFFF, {0}),
        Record(13, 2, 1, {1}),  // unknown version
        Record(13, 1, 17, {1}), // tag out of range
        Record(13, 1, 0xFFFFFFFF, {1}),
        Record(0, 1, 6, {1, 2, 3, 4}),           // length 0
        Record(11, 1, 6, {1, 2, 3, 4}),          // length below the header
        Record(17, 1, 6, {1, 2, 3, 4}),          // length past the bytes given
        Record(0xFFFFFFFF, 1, 14, {1, 2, 3, 4}), // a length that would wrap an offset
        Record(0xFFFFFFF4, 1, 14, {1, 2, 3, 4}),
        Record(12, 1, 6), // a header alone for a kind that has a payload
        Record(12, 1, 14),
        Record(13, 1, 0, {0}), // the empty kind with a payload
    };
    for (const Bytes& record : cases) {
        SCOPED_TRACE(testing::PrintToString(record));
        Variant out = Text("keep");
        EXPECT_EQ(Variant::ReadRecord(out, record.data(), static_cast<unsigned>(record.size())), KX::E_FAIL);
        ASSERT_EQ(out.GetType(), Variant::String);
        EXPECT_STREQ(out.GetString(), "keep");
    }
    Variant out = Text("keep");
    const Bytes ok = Record(16, 1, 6, {1, 2, 3, 4});
    EXPECT_EQ(Variant::ReadRecord(out, ok.data(), 11), KX::E_FAIL);
    EXPECT_EQ(Variant::ReadRecord(out, nullptr, 100), KX::E_FAIL);
    EXPECT_STREQ(out.GetString(), "keep");
}

TEST(VariantRecord, ScalarPayloadOfTheWrongWidthLeavesTheTargetEmpty)
{
    Variant out = Text("old");
    const Bytes record = Record(14, 1, 3, {1, 2});
    EXPECT_EQ(Variant::ReadRecord(out, record.data(), 14), KX::E_FAIL);
    EXPECT_EQ(out.GetType(), Variant::Empty);
}

TEST(VariantRecord, StringPayloadsAreBoundedByTheRecord)
{
    Variant out;
    // Text up to the first zero.
    Bytes record = Record(17, 1, 15, {'a', 'b', 0, 'c', 0});
    ASSERT_EQ(Variant::ReadRecord(out, record.data(), 17), KX::S_OK);
    EXPECT_STREQ(out.GetString(), "ab");
    EXPECT_EQ(out.GetSize(), 3u);
    // No zero inside the record: the bytes before the next record, with a terminator added.
    record = Record(15, 1, 15, {'x', 'y', 'z'}) + Record(12, 1, 0);
    ASSERT_EQ(Variant::ReadRecord(out, record.data(), static_cast<unsigned>(record.size())), KX::S_OK);
    EXPECT_STREQ(out.GetString(), "xyz");
    EXPECT_EQ(out.GetSize(), 4u);
}

TEST(VariantList, SetListLaysRecordsBackToBack)
{
    const Variant list = ListOf({Scalar(Variant::Int32, {5, 0, 0, 0}), Text("hi"), Variant(), ListOf({})});
    EXPECT_EQ(list.GetType(), Variant::List);
    const Bytes expected =
        Record(16, 1, 6, {5, 0, 0, 0}) + Record(15, 1, 15, {'h', 'i', 0}) + Record(12, 1, 0) + Record(12, 1, 16);
    EXPECT_EQ(ListBytes(list), expected);
    EXPECT_EQ(list.GetListCount(), 4u);
    EXPECT_EQ(Write(list), Record(12 + static_cast<uint32_t>(expected.size()), 1, 16) + expected);

    Variant item;
    ASSERT_EQ(list.GetListItem(0, item), 0);
    EXPECT_EQ(item.ToInt32(), 5);
    ASSERT_EQ(list.GetListItem(1, item), 0);
    EXPECT_STREQ(item.GetString(), "hi");
    ASSERT_EQ(list.GetListItem(2, item), 0);
    EXPECT_EQ(item.GetType(), Variant::Empty);
    ASSERT_EQ(list.GetListItem(3, item), 0);
    EXPECT_EQ(item.GetType(), Variant::List);
    EXPECT_EQ(item.GetSize(), 0u);
    EXPECT_EQ(list.GetListItem(4, item), -1);
    EXPECT_EQ(list.GetListItem(-1, item), -1);
    EXPECT_EQ(item.GetType(), Variant::Empty);
}

TEST(VariantList, EmptyListHasNoItems)
{
    Variant list;
    EXPECT_EQ(list.SetList(nullptr, 0), Variant::List);
    EXPECT_EQ(list.GetSize(), 0u);
    Variant item = Text("x");
    EXPECT_EQ(list.GetListItem(0, item), -1);
    EXPECT_EQ(item.GetType(), Variant::Empty);
    const Variant items[] = {Text("a")};
    EXPECT_EQ(list.SetList(items, -3), Variant::List);
    EXPECT_EQ(list.GetSize(), 0u);
    // Not a list at all.
    EXPECT_EQ(Text("abc").GetListItem(0, item), -1);
    EXPECT_EQ(Text("abc").GetListCount(), 0u);
}

TEST(VariantList, NestedListsRoundTripThroughARecord)
{
    const Variant inner = ListOf({Scalar(Variant::Bool, {1}), Blob({1, 2, 3})});
    const Variant outer = ListOf({Scalar(Variant::Int32, {5, 0, 0, 0}), inner});
    const Bytes record = Write(outer);
    Variant back;
    ASSERT_EQ(Variant::ReadRecord(back, record.data(), static_cast<unsigned>(record.size())), KX::S_OK);
    EXPECT_TRUE(back == outer);
    Variant item, leaf;
    ASSERT_EQ(back.GetListItem(1, item), 0);
    EXPECT_TRUE(item == inner);
    ASSERT_EQ(item.GetListItem(1, leaf), 0);
    EXPECT_EQ(ListBytes(leaf), Bytes({1, 2, 3}));
}

TEST(VariantList, AnEmptyBorrowedItemKeepsItsPlaceAsARefusedHeader)
{
    Variant borrowed;
    borrowed.SetBorrowed(nullptr, 0, false);
    const Variant items[] = {Text("a"), borrowed, Text("b")};
    Variant list;
    list.SetList(items, 3);
    EXPECT_EQ(ListBytes(list), Record(14, 1, 15, {'a', 0}) + Record(12, 1, 12) + Record(14, 1, 15, {'b', 0}));
    Variant item;
    EXPECT_EQ(list.GetListItem(1, item), -1); // refused items are reported
    EXPECT_EQ(item.GetType(), Variant::Empty);
    ASSERT_EQ(list.GetListItem(2, item), 0);
    EXPECT_STREQ(item.GetString(), "b");
}

TEST(VariantList, RefusedItemReturnsFailure)
{
    const Variant list = ListFromBytes(Record(14, 1, 3, {1, 2}) + Record(13, 1, 3, {7}));
    Variant item;
    EXPECT_EQ(list.GetListItem(0, item), -1);
    EXPECT_EQ(item.GetType(), Variant::Empty);
    EXPECT_EQ(list.GetListItem(1, item), 0);
    EXPECT_EQ(item.ToInt32(), 7);
}

TEST(VariantList, MalformedListsEndTheWalkInsideTheBlock)
{
    const Bytes good = Record(13, 1, 3, {1});
    struct Case {
        const char* what;
        Bytes block;
        unsigned count;
    };
    const Case cases[] = {
        {"length 0 first", Record(0, 1, 3, {1}), 0},
        {"length 0 after a record", good + Record(0, 1, 3, {1}) + good, 1},
        {"length below the header", good + Record(4, 1, 3, {1}), 1},
        {"length past the block", good + Record(14, 1, 3, {1}), 1},
        {"huge length", good + Record(0xFFFFFFFF, 1, 3, {1}) + good, 1},
        {"length that wraps the offset", good + Record(0xFFFFFFF3, 1, 3, {1}) + good, 1},
        {"one to four trailing bytes", good + Bytes{1, 2, 3, 4}, 1},
        {"a trailing length alone", good + Bytes{13, 0, 0, 0, 1}, 1},
        {"four bytes only", Bytes{13, 0, 0, 0}, 0},
        {"well formed", good + good + good, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Variant list = ListFromBytes(c.block);
        EXPECT_EQ(list.GetListCount(), c.count);
        Variant item;
        for (unsigned i = 0; i < c.count; ++i) {
            EXPECT_EQ(list.GetListItem(static_cast<int>(i), item), 0);
            EXPECT_EQ(item.ToInt32(), 1);
        }
        EXPECT_EQ(list.GetListItem(static_cast<int>(c.count), item), -1);
        EXPECT_EQ(list.GetListItem(0x7FFFFFFF, item), -1);
    }
}

TEST(VariantList, ItemsMayBeTheListItself)
{
    Variant list = ListOf({Text("a")});
    list.SetList(&list, 1);
    EXPECT_EQ(ListBytes(list), Record(26, 1, 16) + Record(14, 1, 15, {'a', 0}));
    // Reading an item into the list itself replaces the list by the item.
    ASSERT_EQ(list.GetListItem(0, list), 0);
    EXPECT_EQ(list.GetType(), Variant::List);
    ASSERT_EQ(list.GetListItem(0, list), 0);
    EXPECT_STREQ(list.GetString(), "a");
}

} // namespace KX::Test
