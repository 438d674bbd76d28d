// Text forms of variants, text parsing in the conversions, and the buffer behind owned blocks.
#include "KXFramework/Utilities/Storage/VariantEx.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Utilities/Storage/Array.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace KX::Test {

using KX::Variant;
using KX::VariantEx;

namespace {

template <class T>
VariantEx Make(int tag, T value)
{
    VariantEx v;
    EXPECT_EQ(v.SetData(tag, &value, sizeof value), tag);
    return v;
}

VariantEx Text(const char* s)
{
    VariantEx v;
    v.SetString(s);
    return v;
}

std::u16string Str(const KX::StringT<char16_t, char>& s)
{
    return std::u16string(s.GetString());
}

VariantEx ListOf(std::initializer_list<Variant> items)
{
    std::vector<Variant> v(items);
    VariantEx list;
    list.SetList(v.data(), static_cast<int>(v.size()));
    return list;
}

void PutU32(std::vector<unsigned char>& b, size_t at, uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

// A list nested `levels` deep, innermost an empty list, built as bytes.
VariantEx NestedLists(unsigned levels)
{
    std::vector<unsigned char> block(12 * size_t(levels - 1));
    for (unsigned i = 0; i + 1 < levels; ++i) {
        PutU32(block, 12 * i, 12 * (levels - 1 - i));
        PutU32(block, 12 * i + 4, 1);
        PutU32(block, 12 * i + 8, Variant::List);
    }
    VariantEx list;
    list.SetData(Variant::List, block.data(), static_cast<unsigned>(block.size()));
    return list;
}

} // namespace

TEST(VariantExText, ScalarsRenderByKind)
{
    EXPECT_EQ(Str(VariantEx().ToString()), u"<empty>");
    EXPECT_EQ(Str(Make<uint8_t>(Variant::Bool, 1).ToString()), u"true");
    EXPECT_EQ(Str(Make<uint8_t>(Variant::Bool, 0).ToString()), u"false");
    EXPECT_EQ(Str(Make<int8_t>(Variant::Int8, -1).ToString()), u"-1");
    EXPECT_EQ(Str(Make<uint8_t>(Variant::UInt8, 255).ToString()), u"255");
    EXPECT_EQ(Str(Make<int16_t>(Variant::Int16, -300).ToString()), u"-300");
    EXPECT_EQ(Str(Make<uint32_t>(Variant::UInt32, 4294967295u).ToString()), u"4294967295");
    EXPECT_EQ(Str(Make<int64_t>(Variant::Int64, -1).ToString()), u"-1");
    EXPECT_EQ(Str(Make<uint64_t>(Variant::UInt64, 255).ToString()), u"FF");
    EXPECT_EQ(Str(Make<float>(Variant::Float, 1.5f).ToString()), u"1.500000");
    EXPECT_EQ(Str(Make<double>(Variant::Double, 0.1).ToString()), u"0.100000");
}

TEST(VariantExText, BlocksRenderTheirAddressAndTextsTheirText)
{
    VariantEx blob;
    blob.SetBlob(nullptr, 4);
    const std::string hex = [&] {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%llX",
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(blob.GetData(nullptr))));
        return std::string(buffer);
    }();
    EXPECT_EQ(Str(blob.ToString()), std::u16string(hex.begin(), hex.end()));

    EXPECT_EQ(Str(Text("h\xC3\xA9llo").ToString()), u"h\u00E9llo");
    EXPECT_EQ(Str(Text("").ToString()), u"");
}

TEST(VariantExText, ListsRenderOneItemALine)
{
    const VariantEx list = ListOf({Make<int32_t>(Variant::Int32, 5), ListOf({Make<uint8_t>(Variant::Bool, 1)})});
    EXPECT_EQ(Str(list.ToString()), u"array(2):\n  [0] 5\n  [1] array(1):\n    [0] true");
    EXPECT_EQ(Str(ListOf({}).ToString()), u"<empty array>");
    EXPECT_EQ(Str(ListOf({ListOf({}), Text("x")}).ToString()), u"array(2):\n  [0] <empty array>\n  [1] x");
    // A depth below the list indents its items further; other kinds ignore the depth.
    EXPECT_EQ(Str(ListOf({Text("a")}).ToIndentedString(2)), u"array(1):\n      [0] a");
    EXPECT_EQ(Str(Text("a").ToIndentedString(3)), u"a");
}

TEST(VariantExText, DeepListsRenderAtMost64Levels)
{
    const VariantEx deep = NestedLists(20000);
    const std::u16string text = Str(deep.ToString());
    size_t levels = 0;
    for (size_t at = text.find(u"array(1):"); at != std::u16string::npos; at = text.find(u"array(1):", at + 1))
        ++levels;
    EXPECT_EQ(levels, VariantEx::MaxRenderedDepth);
    EXPECT_EQ(text.substr(text.size() - 5), u"[0] \u2026");

    // A list that ends above the limit renders whole.
    EXPECT_EQ(Str(NestedLists(3).ToString()), u"array(1):\n  [0] array(1):\n    [0] <empty array>");
}

TEST(VariantExParse, TextValuesParseTheirText)
{
    EXPECT_TRUE(Text("True").ToBool());
    EXPECT_TRUE(Text("tRUE").ToBool());
    EXPECT_FALSE(Text("true ").ToBool());
    EXPECT_FALSE(Text("1").ToBool());
    EXPECT_FALSE(Text("").ToBool());

    EXPECT_EQ(Text("  42abc").ToInt32(), 42);
    EXPECT_EQ(Text("\t-17").ToInt16(), -17);
    EXPECT_EQ(Text("300").ToInt8(), static_cast<int8_t>(300));
    EXPECT_EQ(Text("300").ToUInt8(), static_cast<uint8_t>(300));
    EXPECT_EQ(Text("70000").ToUInt16(), static_cast<uint16_t>(70000));
    EXPECT_EQ(Text("abc").ToInt32(), 0);
    EXPECT_EQ(Text("4294967295").ToUInt32(), 4294967295u);
    EXPECT_EQ(Text("4294967295").ToInt32(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(Text("-99999999999999999999").ToInt64(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(Text("-1").ToUInt64(), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(Text(" 2.5x").ToDouble(), 2.5);
    EXPECT_EQ(Text("1e3").ToFloat(), 1000.0f);
    EXPECT_EQ(Text("x").ToDouble(), 0.0);

    // Other kinds convert as a Variant does.
    EXPECT_EQ(Make<double>(Variant::Double, 2.5).ToInt32(), 3);
    EXPECT_EQ(Make<int8_t>(Variant::Int8, -1).ToUInt16(), 255);
    VariantEx blob;
    const unsigned char bytes[] = {7, 0, 0, 0};
    blob.SetBlob(bytes, 4);
    EXPECT_EQ(blob.ToFloat(), 7.0f);
}

TEST(VariantExBuffer, BlobsAndTextsHandOutTheirBuffer)
{
    VariantEx blob;
    const unsigned char bytes[] = {1, 2, 3, 4, 5};
    blob.SetBlob(bytes, 5);
    const KX::RCPtr<KX::LIBuffer>& buffer = blob.GetBuffer();
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->GetSize(), 5u);
    EXPECT_EQ(buffer->GetData(), blob.GetData(nullptr));

    const VariantEx text = Text("abc");
    EXPECT_EQ(text.GetBuffer()->GetSize(), 4u);

    // Blocks start zeroed.
    VariantEx zeroed;
    zeroed.SetBlob(nullptr, 64);
    for (unsigned i = 0; i < 64; ++i)
        ASSERT_EQ(zeroed.GetBuffer()->GetData()[i], 0);

    try {
        Make<int32_t>(Variant::Int32, 1).GetBuffer();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Runtime Error : KX::VariantEx::GetBuffer : Utilities\\Storage\\VariantEx : Line 464");
    }
    EXPECT_THROW(ListOf({}).GetBuffer(), KX::Exception<std::runtime_error>);
}

TEST(VariantExBuffer, ASharedBufferOutlivesTheValue)
{
    KX::RCPtr<KX::LIBuffer> kept;
    {
        VariantEx blob;
        const unsigned char bytes[] = {9, 8};
        blob.SetBlob(bytes, 2);
        kept = blob.GetBuffer();
        blob.SetString("replaced");
        EXPECT_NE(blob.GetBuffer().Get(), kept.Get());
    }
    ASSERT_EQ(kept->GetSize(), 2u);
    EXPECT_EQ(kept->GetData()[0], 9);
}

TEST(VariantExCopy, CopiesGetTheirOwnBuffer)
{
    VariantEx source;
    const unsigned char bytes[] = {1, 2, 3};
    source.SetBlob(bytes, 3);

    VariantEx copy(source);
    EXPECT_NE(copy.GetBuffer().Get(), source.GetBuffer().Get());
    copy.GetMutableData(nullptr)[0] = 42;
    EXPECT_EQ(source.GetData(nullptr)[0], 1);
    EXPECT_TRUE(VariantEx(source) == source);

    VariantEx assigned;
    assigned.SetString("old");
    assigned = source;
    EXPECT_NE(assigned.GetBuffer().Get(), source.GetBuffer().Get());
    source.Clear();
    EXPECT_EQ(assigned.ToInt32(), 0x030201);

    // Arrays copy their elements when they grow; each keeps a buffer of its own.
    KX::Array<VariantEx> array;
    for (int i = 0; i < 40; ++i) {
        VariantEx v;
        const unsigned char b = static_cast<unsigned char>(i);
        v.SetBlob(&b, 1);
        array.Add(v);
    }
    for (unsigned i = 0; i < array.GetCount(); ++i) {
        EXPECT_EQ(array.GetAt(i).ToUInt8(), i);
        EXPECT_EQ(array.GetAt(i).GetBuffer()->GetData(), array.GetAt(i).GetData(nullptr));
    }

    // From a plain Variant.
    Variant plain;
    plain.SetString("plain");
    const VariantEx fromPlain(plain);
    EXPECT_EQ(Str(fromPlain.ToString()), u"plain");
    EXPECT_EQ(fromPlain.GetBuffer()->GetSize(), 6u);
}

TEST(VariantExList, GetListItemsCopiesEveryItem)
{
    KX::Array<VariantEx> items;
    items.SetCount(3);
    EXPECT_EQ(VariantEx::GetListItems(VariantEx(), items), KX::S_OK);
    EXPECT_EQ(items.GetCount(), 0u);

    items.SetCount(2);
    EXPECT_EQ(VariantEx::GetListItems(Text("no list"), items), KX::E_INVALIDARG);
    EXPECT_EQ(items.GetCount(), 0u);

    const VariantEx list = ListOf({Text("a"), Make<int32_t>(Variant::Int32, 7), ListOf({})});
    ASSERT_EQ(VariantEx::GetListItems(list, items), KX::S_OK);
    ASSERT_EQ(items.GetCount(), 3u);
    EXPECT_EQ(Str(items.GetAt(0).ToString()), u"a");
    EXPECT_EQ(items.GetAt(1).ToInt32(), 7);
    EXPECT_EQ(items.GetAt(2).GetType(), Variant::List);
}

TEST(VariantExList, MalformedAndRefusedItems)
{
    // An item with the wrong payload width is kept in place, empty; a length of 0 ends the list.
    const unsigned char block[] = {
        14, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 1, 2, // uint8 with two bytes: refused
        13, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 9,    // uint8 9
        0,  0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 9,    // length 0
    };
    VariantEx list;
    list.SetData(Variant::List, block, sizeof block);
    KX::Array<VariantEx> items;
    ASSERT_EQ(VariantEx::GetListItems(list, items), KX::S_OK);
    ASSERT_EQ(items.GetCount(), 2u);
    EXPECT_EQ(items.GetAt(0).GetType(), Variant::Empty);
    EXPECT_EQ(items.GetAt(1).ToInt32(), 9);
    EXPECT_EQ(Str(list.ToString()), u"array(2):\n  [0] <empty>\n  [1] 9");
}

TEST(VariantExList, TheListMayBeOneOfTheItems)
{
    KX::Array<VariantEx> items;
    items.SetCount(1);
    const Variant inner[] = {Text("x"), Text("y")};
    items.GetAt(0).SetList(inner, 2);
    ASSERT_EQ(VariantEx::GetListItems(items.GetAt(0), items), KX::S_OK);
    ASSERT_EQ(items.GetCount(), 2u);
    EXPECT_EQ(Str(items.GetAt(1).ToString()), u"y");
}

} // namespace KX::Test
