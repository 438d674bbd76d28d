#pragma once
// KX::Variant, the framework's tagged value, and its one serialised form, the variant record:
//   [u32 length][u32 version][u32 tag][payload]   (little-endian, length includes the 12-byte header)
// Records are carried inside preset files and parameter lists, so their layout is fixed byte for byte.
// Records follow each other at any byte offset; every access to them goes through memcpy.
#include "KXFramework/ObjectBase/Result.h"

#include <cstdint>

namespace KX {

class Variant {
public:
    // Type tags. The owning kinds are exactly the tags from Blob upward.
    enum Tag : int32_t {
        Empty = 0,
        Bool = 1,
        Int8 = 2,
        UInt8 = 3,
        Int16 = 4,
        UInt16 = 5,
        Int32 = 6,
        UInt32 = 7,
        Float = 8,
        Double = 9,
        Int64 = 10,
        UInt64 = 11,
        Borrowed = 12,         // bytes that live elsewhere
        BorrowedReadOnly = 13, // bytes that live elsewhere, not to be written through the variant
        Blob = 14,
        String = 15, // narrow text with its terminating zero; size = length + 1
        List = 16,   // one record per item, back to back
        TagCount = 17
    };
    static constexpr unsigned RecordHeaderSize = 12;
    static constexpr uint32_t RecordVersion = 1;

    Variant() = default;
    Variant(const Variant& other);
    virtual ~Variant();

    virtual bool ToBool() const;
    virtual int8_t ToInt8() const;
    virtual int16_t ToInt16() const;
    virtual int32_t ToInt32() const;
    virtual int64_t ToInt64() const;
    virtual uint8_t ToUInt8() const;
    virtual uint16_t ToUInt16() const;
    virtual uint32_t ToUInt32() const;
    virtual uint64_t ToUInt64() const;
    virtual float ToFloat() const;
    virtual double ToDouble() const;

    // The value's bytes and their count: the value field for scalars, the block for tags 12 to 16,
    // null and 0 for the empty kind. `size` may be null.
    virtual const unsigned char* GetData(unsigned* size) const;
    // As GetData, but null and 0 for the read-only borrowed kind and for a list.
    virtual unsigned char* GetMutableData(unsigned* size);
    // The text of a String value, else null.
    virtual const char* GetString() const;

    // Blocks of the owning kinds come from Alloc (zero-filled) and go back through Free.
    virtual void* Alloc(unsigned size);
    virtual void Free(void* block);

    int32_t GetType() const { return m_tag; }
    unsigned GetSize() const { return m_size; }

    void Clear();
    // Deep copy; returns the new tag (0 when the block could not be had).
    int operator=(const Variant& other);
    bool operator==(const Variant& other) const;

    // Stores `size` bytes as a value of kind `tag`; returns the tag the variant then has (0 when a
    // scalar size does not fit). Borrowed kinds become a blob. A String takes its text up to the first
    // zero within `size` bytes and always gains a terminator. A List takes the bytes unchecked.
    int SetData(int tag, const void* data, unsigned size);
    // A blob of `size` bytes, copied from data when given, else zero.
    int SetBlob(const unsigned char* data, unsigned size);
    // A String holding text (null is the empty text).
    int SetString(const char* text);
    // A list holding one record per item; count <= 0 gives the empty list.
    int SetList(const Variant* items, int count);
    // A value of a borrowed kind (12 or 13) pointing at bytes that the caller keeps alive; a null
    // pointer has no bytes (size 0).
    int SetBorrowed(const void* data, unsigned size, bool readOnly);

    // Copies item `index` of this list into `item`: 0, or -1 when there is no such item or the item's
    // record is refused.
    int GetListItem(int index, Variant& item) const;
    // Number of well-formed records at the start of this list (0 for other kinds). A record whose
    // length is below 12 or runs past the block ends the list.
    unsigned GetListCount() const;
    // The one guarded step of every list walk: the length of the record at `offset` of a list block,
    // or 0 when no well-formed record starts there (fewer than 5 bytes left, a length below 12, or a
    // length running past the block).
    static unsigned RecordLengthAt(const unsigned char* block, unsigned size, unsigned offset);

    // Writes `value` as a record at `record` (any alignment); the record length, or E_FAIL.
    [[nodiscard]] static KXRESULT WriteRecord(const Variant& value, void* record, unsigned capacity);
    // Reads the record at `record` (any alignment) of at most `available` bytes into `out`.
    [[nodiscard]] static KXRESULT ReadRecord(Variant& out, const void* record, unsigned available);

private:
    unsigned char* Block() const;
    void SetBlock(void* block);
    bool IsInBlock(const void* p) const;
    // The integer a kind from Borrowed upward converts to: the first `width` bytes of the block, a
    // text's length, 0 for a list.
    uint64_t BlockKindValue(unsigned width) const;
    int StoreBlock(int tag, const void* data, unsigned size, bool terminate);

    uint64_t m_value = 0; // scalars in the low bytes; block kinds: the block address
    uint32_t m_size = 0;
    int32_t m_tag = Empty;
};

} // namespace KX
