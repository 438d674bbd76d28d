#include "KXFramework/Utilities/Storage/VariantEx.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <functional>
#include <string>

namespace KX {

using WString = StringT<char16_t, char>;

VariantEx::VariantEx(const Variant& other)
{
    Variant::operator=(other);
}

VariantEx::VariantEx(const VariantEx& other) : Variant(), IStringable()
{
    Variant::operator=(other);
}

VariantEx::~VariantEx()
{
    // Releases the block through this class's Free while it is still this class.
    Clear();
}

void* VariantEx::Alloc(unsigned size)
{
    RCPtr<LIBuffer> fresh;
    WString::StorageBuffer::Create(fresh, size, 0, true);
    buffer = fresh;
    return buffer->GetData();
}

void VariantEx::Free(void* block)
{
    // The block belongs to the buffer; an empty buffer's block may be null, and it goes too.
    if (buffer && block == buffer->GetData())
        buffer = RCPtr<LIBuffer>();
}

const RCPtr<LIBuffer>& VariantEx::GetBuffer() const
{
    if (GetType() != Blob && GetType() != String)
        throw Exception<std::runtime_error>(
            "Runtime Error : KX::VariantEx::GetBuffer : Utilities\\Storage\\VariantEx : Line 464");
    return buffer;
}

// --- text --------------------------------------------------------------------------------------

WString VariantEx::Text() const
{
    unsigned size = 0;
    const char* bytes = reinterpret_cast<const char*>(GetData(&size));
    WString text;
    if (bytes && size)
        text.Assign(bytes, static_cast<unsigned>(StrNLen(bytes, size))); // bounded by the block
    return text;
}

WString VariantEx::ToString() const
{
    switch (GetType()) {
    case Empty:
        return WString(u"<empty>");
    case Bool:
        return WString(Variant::ToInt32() != 0 ? u"true" : u"false");
    case Int8:
    case Int16:
    case Int32:
        return WString::Format(u"%I32d", Variant::ToInt32());
    case UInt8:
    case UInt16:
    case UInt32:
        return WString::Format(u"%I32u", Variant::ToUInt32());
    case Float:
        return WString::Format(u"%f", Variant::ToDouble());
    case Double:
        return WString::Format(u"%lf", Variant::ToDouble());
    case Int64:
        return WString::Format(u"%I64d", Variant::ToInt64());
    case UInt64:
        return WString::Format(u"%I64X", Variant::ToUInt64());
    case Borrowed:
    case BorrowedReadOnly:
    case Blob:
        // Names the block by its address, not its contents.
        return WString::Format(u"%I64X", static_cast<uint64_t>(reinterpret_cast<uintptr_t>(GetData(nullptr))));
    case String:
        return Text();
    case List:
        return ToIndentedString(0);
    default:
        return WString();
    }
}

WString VariantEx::ToIndentedString(unsigned depth) const
{
    if (GetType() != List)
        return ToString();
    if (depth >= MaxRenderedDepth)
        return WString(u"\u2026");
    Array<VariantEx> items;
    static_cast<void>(GetListItems(*this, items)); // what could be read is shown
    if (items.GetCount() == 0)
        return WString(u"<empty array>");
    const std::u16string indent(2 * (size_t(depth) + 1), u' ');
    WString text = WString::Format(u"array(%u):", items.GetCount());
    for (unsigned i = 0; i < items.GetCount(); ++i) {
        text += WString::Format(u"\n%s[%u] ", indent.c_str(), i);
        text += items.GetAt(i).ToIndentedString(depth + 1);
    }
    return text;
}

KXRESULT VariantEx::GetListItems(const VariantEx& list, IArray<VariantEx>& items)
{
    // Clearing the items would destroy a list that is one of them.
    if (items.GetCount() != 0) {
        const VariantEx* first = items.GetData();
        if (!std::less<const VariantEx*>()(&list, first) &&
            std::less<const VariantEx*>()(&list, first + items.GetCount())) {
            const VariantEx copy(list);
            return GetListItems(copy, items);
        }
    }
    items.Clear();
    if (list.GetType() == Empty)
        return S_OK;
    if (list.GetType() != List)
        return E_INVALIDARG;
    const unsigned count = list.GetListCount();
    items.SetCount(count);
    unsigned size = 0;
    const unsigned char* block = list.GetData(&size);
    unsigned offset = 0;
    // One walk for all items; a refused item stays as the reader left it, as in GetListItem.
    for (unsigned i = 0; i < count; ++i) {
        const unsigned length = RecordLengthAt(block, size, offset);
        VariantEx& item = items.GetAt(i);
        item.Clear();
        static_cast<void>(ReadRecord(item, block + offset, length));
        offset += length;
    }
    return S_OK;
}

// --- conversions -------------------------------------------------------------------------------

bool VariantEx::ToBool() const
{
    if (GetType() != String)
        return Variant::ToBool();
    return CompareNoCase(Text().GetString(), u"True") == 0;
}

int8_t VariantEx::ToInt8() const
{
    if (GetType() != String)
        return Variant::ToInt8();
    return static_cast<int8_t>(ParseInt32(Text().GetString()));
}

int16_t VariantEx::ToInt16() const
{
    if (GetType() != String)
        return Variant::ToInt16();
    return static_cast<int16_t>(ParseInt32(Text().GetString()));
}

uint16_t VariantEx::ToUInt16() const
{
    if (GetType() != String)
        return Variant::ToUInt16();
    return static_cast<uint16_t>(ParseInt32(Text().GetString()));
}

int32_t VariantEx::ToInt32() const
{
    if (GetType() != String)
        return Variant::ToInt32();
    return ParseInt32(Text().GetString());
}

int64_t VariantEx::ToInt64() const
{
    if (GetType() != String)
        return Variant::ToInt64();
    return ParseInt64(Text().ToNarrow().GetString());
}

uint32_t VariantEx::ToUInt32() const
{
    if (GetType() != String)
        return Variant::ToUInt32();
    // Low 32 bits of the 64-bit parse: texts up to 4294967295 convert without saturating.
    return static_cast<uint32_t>(ToInt64());
}

uint64_t VariantEx::ToUInt64() const
{
    if (GetType() != String)
        return Variant::ToUInt64();
    return static_cast<uint64_t>(ToInt64());
}

float VariantEx::ToFloat() const
{
    if (GetType() != String)
        return Variant::ToFloat();
    return static_cast<float>(ParseDouble(Text().GetString()));
}

double VariantEx::ToDouble() const
{
    if (GetType() != String)
        return Variant::ToDouble();
    return ParseDouble(Text().GetString());
}

} // namespace KX
