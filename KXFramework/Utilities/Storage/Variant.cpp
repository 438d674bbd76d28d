#include "KXFramework/Utilities/Storage/Variant.h"

#include "KXFramework/ObjectBase/Exception.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

static_assert(std::endian::native == std::endian::little, "records and the value field are little-endian");

namespace KX {

namespace {

uint32_t LoadU32(const unsigned char* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void StoreU32(unsigned char* p, uint32_t v)
{
    std::memcpy(p, &v, sizeof v);
}

// Payload width of each scalar tag; 0 for the others.
unsigned ScalarWidth(int tag)
{
    switch (tag) {
    case Variant::Bool:
    case Variant::Int8:
    case Variant::UInt8:
        return 1;
    case Variant::Int16:
    case Variant::UInt16:
        return 2;
    case Variant::Int32:
    case Variant::UInt32:
    case Variant::Float:
        return 4;
    case Variant::Double:
    case Variant::Int64:
    case Variant::UInt64:
        return 8;
    default:
        return 0;
    }
}

// Current tag of a version-0 tag, or -1 for the old tags 11 and above.
int LegacyTag(uint32_t old)
{
    static const int map[] = {Variant::Empty, Variant::Bool,   Variant::Int32,    Variant::Int64,
                              Variant::Float, Variant::Double, Variant::Borrowed, Variant::BorrowedReadOnly,
                              Variant::Blob,  Variant::String, Variant::List};
    return old < std::size(map) ? map[old] : -1;
}

// Truncation towards zero that saturates at the range of I; NaN gives 0.
template <class I>
I SaturatingTruncate(double x)
{
    if (std::isnan(x))
        return 0;
    // Both limits are powers of two, so their doubles are exact.
    constexpr double upper = static_cast<double>(std::numeric_limits<I>::max()) + 1.0;
    constexpr double lower = static_cast<double>(std::numeric_limits<I>::min());
    if (x >= upper)
        return std::numeric_limits<I>::max();
    if (x < lower)
        return std::numeric_limits<I>::min();
    return static_cast<I>(x);
}

// Half away from zero, ahead of the truncation; a float is rounded in single precision, as its
// value itself.
double HalfAway(double x)
{
    return x < 0 ? x - 0.5 : x + 0.5;
}

float HalfAway(float x)
{
    return x < 0 ? x - 0.5f : x + 0.5f;
}

// The float or double held in the low bytes of the value field.
template <class F>
F Bits(uint64_t field)
{
    F x;
    std::memcpy(&x, &field, sizeof x);
    return x;
}

} // namespace

Variant::Variant(const Variant& other)
{
    operator=(other);
}

Variant::~Variant()
{
    // Free resolves to this class's own here: a derived class has released its blocks already.
    Clear();
}

unsigned char* Variant::Block() const
{
    return reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(m_value));
}

void Variant::SetBlock(void* block)
{
    m_value = reinterpret_cast<uintptr_t>(block);
}

bool Variant::IsInBlock(const void* p) const
{
    if (m_tag < Blob || !p || !Block())
        return false;
    const auto a = reinterpret_cast<uintptr_t>(p);
    const auto b = reinterpret_cast<uintptr_t>(Block());
    return a >= b && a - b < m_size;
}

void Variant::Clear()
{
    if (m_tag >= Blob)
        Free(Block());
    m_value = 0;
    m_size = 0;
    m_tag = Empty;
}

void* Variant::Alloc(unsigned size)
{
    // Zeroed, so that no byte of a new block is left as the heap had it.
    return new unsigned char[size]();
}

void Variant::Free(void* block)
{
    delete[] static_cast<unsigned char*>(block);
}

int Variant::operator=(const Variant& other)
{
    if (this == &other)
        return m_tag;
    Clear();
    if (other.m_tag >= Blob) {
        // An owning kind of size 0 is copied without a block, so no two variants share one.
        if (other.m_size > 0) {
            void* block = Alloc(other.m_size);
            if (!block)
                return Empty;
            std::memcpy(block, other.Block(), other.m_size);
            SetBlock(block);
        }
        m_size = other.m_size;
    } else {
        m_value = other.m_value;
        m_size = other.m_size;
    }
    m_tag = other.m_tag;
    return m_tag;
}

bool Variant::operator==(const Variant& other) const
{
    if (m_tag != other.m_tag || m_tag < 0 || m_tag >= TagCount)
        return false;
    switch (m_tag) {
    case Empty:
        return true;
    case Float:
        return Bits<float>(m_value) == Bits<float>(other.m_value);
    case Double:
        return Bits<double>(m_value) == Bits<double>(other.m_value);
    case Borrowed:
    case BorrowedReadOnly:
        return m_value == other.m_value && m_size == other.m_size;
    case Blob:
    case String:
    case List:
        return m_size == other.m_size && (m_size == 0 || std::memcmp(Block(), other.Block(), m_size) == 0);
    default: {
        // Scalars keep the bytes beyond their width zero, so the whole field compares.
        return m_value == other.m_value;
    }
    }
}

const unsigned char* Variant::GetData(unsigned* size) const
{
    const unsigned char* data = nullptr;
    unsigned n = 0;
    if (unsigned width = ScalarWidth(m_tag)) {
        data = reinterpret_cast<const unsigned char*>(&m_value);
        n = width;
    } else if (m_tag >= Borrowed && m_tag <= List) {
        data = Block();
        n = m_size;
    }
    if (size)
        *size = n;
    return data;
}

unsigned char* Variant::GetMutableData(unsigned* size)
{
    if (m_tag == BorrowedReadOnly || m_tag == List) {
        if (size)
            *size = 0;
        return nullptr;
    }
    return const_cast<unsigned char*>(GetData(size));
}

const char* Variant::GetString() const
{
    return m_tag == String ? reinterpret_cast<const char*>(Block()) : nullptr;
}

int Variant::StoreBlock(int tag, const void* data, unsigned size, bool terminate)
{
    // The source may lie in the block about to be released (v.SetBlob(v.GetData(...)), a record read
    // out of the variant's own list): take it aside first.
    std::vector<unsigned char> aside;
    if (data && size && IsInBlock(data)) {
        aside.assign(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size);
        data = aside.data();
    }
    Clear();
    const uint64_t total = uint64_t(size) + (terminate ? 1 : 0);
    if (total > std::numeric_limits<uint32_t>::max())
        throw Exception<std::bad_alloc>();
    if (tag == List && total == 0) {
        m_tag = List;
        return List;
    }
    auto* block = static_cast<unsigned char*>(Alloc(static_cast<unsigned>(total)));
    if (!block && total > 0)
        return Empty;
    if (data && size)
        std::memcpy(block, data, size);
    if (terminate)
        block[size] = 0;
    SetBlock(block);
    m_size = static_cast<uint32_t>(total);
    m_tag = tag;
    return tag;
}

int Variant::SetData(int tag, const void* data, unsigned size)
{
    if (unsigned width = ScalarWidth(tag)) {
        uint64_t bits = 0;
        const bool fits = size == width && data;
        if (fits)
            std::memcpy(&bits, data, width); // before Clear: data may lie in this variant's block
        Clear();
        if (!fits)
            return Empty;
        m_value = bits;
        m_tag = tag;
        return tag;
    }
    switch (tag) {
    case Borrowed:
    case BorrowedReadOnly:
    case Blob:
        return StoreBlock(Blob, data, size, false);
    case List:
        return StoreBlock(List, data, size, false);
    case String: {
        // Bounded by the bytes given: a text without a zero keeps all of them and gains one.
        const char* text = static_cast<const char*>(data);
        return StoreBlock(String, text, text ? static_cast<unsigned>(strnlen(text, size)) : 0, true);
    }
    default:
        Clear();
        return Empty;
    }
}

int Variant::SetBlob(const unsigned char* data, unsigned size)
{
    return StoreBlock(Blob, data, size, false);
}

int Variant::SetString(const char* text)
{
    const size_t length = text ? std::strlen(text) : 0;
    if (length >= std::numeric_limits<uint32_t>::max())
        throw Exception<std::bad_alloc>();
    return StoreBlock(String, text, static_cast<unsigned>(length), true);
}

int Variant::SetBorrowed(const void* data, unsigned size, bool readOnly)
{
    Clear();
    SetBlock(const_cast<void*>(data));
    // No bytes behind a null pointer: writers copy `size` bytes from it.
    m_size = data ? size : 0;
    m_tag = readOnly ? BorrowedReadOnly : Borrowed;
    return m_tag;
}

int Variant::SetList(const Variant* items, int count)
{
    if (!items || count <= 0) {
        Clear();
        m_tag = List;
        return List;
    }
    // An item may be this variant itself; serialise from a copy then.
    Variant self;
    for (int i = 0; i < count; ++i) {
        if (&items[i] == this) {
            self = *this;
            break;
        }
    }
    auto item = [&](int i) -> const Variant& { return &items[i] == this ? self : items[i]; };

    uint64_t total = 0;
    for (int i = 0; i < count; ++i) {
        unsigned n = 0;
        item(i).GetData(&n);
        total += RecordHeaderSize + uint64_t(n);
    }
    if (total > std::numeric_limits<uint32_t>::max())
        throw Exception<std::bad_alloc>();

    Clear();
    auto* block = static_cast<unsigned char*>(Alloc(static_cast<unsigned>(total)));
    if (!block)
        return Empty;
    unsigned offset = 0;
    for (int i = 0; i < count; ++i) {
        const Variant& v = item(i);
        unsigned n = 0;
        const unsigned char* payload = v.GetData(&n);
        // Every item gets its header, an empty borrowed one too (readers refuse it), so item
        // positions stay aligned and no byte of the block is left unwritten.
        StoreU32(block + offset, RecordHeaderSize + n);
        StoreU32(block + offset + 4, RecordVersion);
        StoreU32(block + offset + 8, static_cast<uint32_t>(v.GetType()));
        if (n)
            std::memcpy(block + offset + RecordHeaderSize, payload, n);
        offset += RecordHeaderSize + n;
    }
    SetBlock(block);
    m_size = static_cast<uint32_t>(total);
    m_tag = List;
    return List;
}

unsigned Variant::RecordLengthAt(const unsigned char* block, unsigned size, unsigned offset)
{
    if (!block || offset >= size || size - offset <= 4)
        return 0;
    const uint32_t length = LoadU32(block + offset);
    if (length < RecordHeaderSize || length > size - offset)
        return 0;
    return length;
}

unsigned Variant::GetListCount() const
{
    if (m_tag != List)
        return 0;
    unsigned count = 0;
    unsigned offset = 0;
    while (unsigned length = RecordLengthAt(Block(), m_size, offset)) {
        offset += length;
        ++count;
    }
    return count;
}

int Variant::GetListItem(int index, Variant& item) const
{
    if (&item == this) {
        const Variant list(*this);
        return list.GetListItem(index, item);
    }
    item.Clear();
    if (m_tag != List || m_size < 5 || index < 0)
        return -1;
    unsigned offset = 0;
    unsigned length = RecordLengthAt(Block(), m_size, offset);
    for (int i = 0; i < index && length; ++i) {
        offset += length;
        length = RecordLengthAt(Block(), m_size, offset);
    }
    if (!length)
        return -1;
    return Failed(ReadRecord(item, Block() + offset, length)) ? -1 : 0;
}

KXRESULT Variant::WriteRecord(const Variant& value, void* record, unsigned capacity)
{
    unsigned n = 0;
    const unsigned char* payload = value.GetData(&n);
    const int tag = value.GetType();
    if ((tag == Borrowed || tag == BorrowedReadOnly) && n == 0)
        return E_FAIL;
    const uint64_t length = RecordHeaderSize + uint64_t(n);
    // The length is also the result, so it must stay a non-negative KXRESULT.
    if (!record || length > capacity || length > uint64_t(std::numeric_limits<KXRESULT>::max()))
        return E_FAIL;
    auto* bytes = static_cast<unsigned char*>(record);
    StoreU32(bytes, static_cast<uint32_t>(length));
    StoreU32(bytes + 4, RecordVersion);
    StoreU32(bytes + 8, static_cast<uint32_t>(tag));
    if (n)
        std::memcpy(bytes + RecordHeaderSize, payload, n);
    return static_cast<KXRESULT>(length);
}

KXRESULT Variant::ReadRecord(Variant& out, const void* record, unsigned available)
{
    const auto* bytes = static_cast<const unsigned char*>(record);
    if (!bytes || available < RecordHeaderSize)
        return E_FAIL;
    const uint32_t length = LoadU32(bytes);
    // A length below the header would leave a negative payload.
    if (length < RecordHeaderSize || available < length)
        return E_FAIL;
    const uint32_t version = LoadU32(bytes + 4);
    const uint32_t stored = LoadU32(bytes + 8);
    int tag;
    if (version == 1) {
        if (stored >= TagCount)
            return E_FAIL;
        tag = static_cast<int>(stored);
    } else if (version == 0) {
        tag = LegacyTag(stored);
        if (tag < 0)
            return E_FAIL;
    } else {
        return E_FAIL;
    }
    if (length == RecordHeaderSize) {
        if (tag != Empty && tag != List)
            return E_FAIL;
        out.Clear();
        out.m_tag = tag;
        return S_OK;
    }
    if (tag == Empty)
        return E_FAIL;
    return out.SetData(tag, bytes + RecordHeaderSize, length - RecordHeaderSize) == tag ? S_OK : E_FAIL;
}

// --- conversions -------------------------------------------------------------------------------

uint64_t Variant::BlockKindValue(unsigned width) const
{
    if (m_tag == String)
        return m_size ? m_size - 1 : 0; // a text copied without a block has no terminator either
    if (m_tag == List)
        return 0;
    // Bytes missing from a short block, or a null borrowed pointer, read as 0.
    uint64_t v = 0;
    if (const unsigned char* block = Block())
        std::memcpy(&v, block, width < m_size ? width : m_size);
    return v;
}

bool Variant::ToBool() const
{
    switch (m_tag) {
    case Bool:
    case Int8:
    case UInt8:
        return (m_value & 0xFF) != 0;
    case Int16:
    case UInt16:
        return (m_value & 0xFFFF) != 0;
    case Int32:
    case UInt32:
        return (m_value & 0xFFFFFFFF) != 0;
    case Int64:
    case UInt64:
        return m_value != 0;
    case Float:
    case Double:
        return Variant::ToDouble() != 0.0; // NaN is true
    case Borrowed:
    case BorrowedReadOnly:
        return Block() != nullptr;
    case Blob:
    case List:
        return m_size != 0;
    case String:
        return m_size > 1;
    default:
        return false;
    }
}

int8_t Variant::ToInt8() const
{
    switch (m_tag) {
    case Bool:
        return (m_value & 0xFF) != 0 ? 1 : 0;
    case Float:
    case Double:
        return static_cast<int8_t>(SaturatingTruncate<int32_t>(HalfAway(Variant::ToDouble())));
    case Borrowed:
    case BorrowedReadOnly:
    case Blob:
    case String:
    case List:
        return static_cast<int8_t>(BlockKindValue(1));
    default:
        return static_cast<int8_t>(m_value);
    }
}

int16_t Variant::ToInt16() const
{
    // The 32-bit conversion narrowed: its sign extension, its saturation at the 32-bit range and a
    // block's leading bytes all keep the same low 16 bits.
    return static_cast<int16_t>(Variant::ToInt32());
}

uint16_t Variant::ToUInt16() const
{
    switch (m_tag) {
    case Float:
    case Double:
        return static_cast<uint16_t>(SaturatingTruncate<int32_t>(HalfAway(Variant::ToDouble())));
    case Borrowed:
    case BorrowedReadOnly:
    case Blob:
    case String:
    case List:
        return static_cast<uint16_t>(BlockKindValue(2));
    default:
        // int8 included: its low 16 bits are the byte alone.
        return static_cast<uint16_t>(m_value);
    }
}

int32_t Variant::ToInt32() const
{
    switch (m_tag) {
    case Int8:
        return static_cast<int8_t>(m_value);
    case Int16:
        return static_cast<int16_t>(m_value);
    case Float:
    case Double:
        return SaturatingTruncate<int32_t>(HalfAway(Variant::ToDouble()));
    case Borrowed:
    case BorrowedReadOnly:
    case Blob:
    case String:
    case List:
        return static_cast<int32_t>(BlockKindValue(4));
    default:
        return static_cast<int32_t>(m_value);
    }
}

uint32_t Variant::ToUInt32() const
{
    switch (m_tag) {
    case Float:
    case Double:
        return static_cast<uint32_t>(SaturatingTruncate<int64_t>(HalfAway(Variant::ToDouble())));
    default:
        return static_cast<uint32_t>(Variant::ToInt32());
    }
}

int64_t Variant::ToInt64() const
{
    switch (m_tag) {
    case Int8:
        return static_cast<int8_t>(m_value);
    case Int16:
        return static_cast<int16_t>(m_value);
    case Int32:
        return static_cast<int32_t>(m_value);
    case Float:
        return SaturatingTruncate<int64_t>(HalfAway(Bits<float>(m_value)));
    case Double:
        return SaturatingTruncate<int64_t>(HalfAway(Variant::ToDouble()));
    case Borrowed:
    case BorrowedReadOnly:
    case Blob:
    case String:
    case List:
        return static_cast<int64_t>(BlockKindValue(8));
    default:
        return static_cast<int64_t>(m_value);
    }
}

uint8_t Variant::ToUInt8() const
{
    return static_cast<uint8_t>(ToInt8());
}

uint64_t Variant::ToUInt64() const
{
    double rounded;
    switch (m_tag) {
    case Float:
        rounded = HalfAway(Bits<float>(m_value));
        break;
    case Double:
        rounded = HalfAway(Variant::ToDouble());
        break;
    default:
        return static_cast<uint64_t>(Variant::ToInt64());
    }
    // A negative value goes through the signed range.
    if (rounded < 0)
        return static_cast<uint64_t>(SaturatingTruncate<int64_t>(rounded));
    return SaturatingTruncate<uint64_t>(rounded);
}

double Variant::ToDouble() const
{
    switch (m_tag) {
    case Bool:
    case UInt8:
    case UInt16:
    case UInt32:
    case UInt64:
        return static_cast<double>(m_value);
    case Int8:
    case Int16:
    case Int32:
    case Int64:
        return static_cast<double>(Variant::ToInt64());
    case Float:
        return Bits<float>(m_value);
    case Double:
        return Bits<double>(m_value);
    case Borrowed:
    case BorrowedReadOnly:
    case Blob:
    case String:
        return static_cast<double>(ToInt64());
    default:
        return 0.0;
    }
}

float Variant::ToFloat() const
{
    switch (m_tag) {
    case Bool:
    case UInt8:
    case UInt16:
    case UInt32:
    case UInt64:
        return static_cast<float>(m_value);
    case Int8:
    case Int16:
    case Int32:
    case Int64:
        return static_cast<float>(Variant::ToInt64());
    case Float:
        return Bits<float>(m_value);
    case Double:
        return static_cast<float>(Variant::ToDouble());
    case Borrowed:
    case BorrowedReadOnly:
    case Blob:
    case String:
        return static_cast<float>(ToInt32());
    default:
        return 0.0f;
    }
}

} // namespace KX
