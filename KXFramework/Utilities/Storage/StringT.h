#pragma once
// The framework's strings: StringT<char16_t,char> holds UTF-16 text, StringT<char,char16_t> its UTF-8
// twin. Copies share one reference-counted buffer; a string being edited in place is locked, and a
// locked buffer is never shared (its "may be shared" flag is off, so any new smart pointer to it gets
// a copy). Order is ordinal on unsigned units and case-sensitive.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/BufferT.h"
#include "KXFramework/Utilities/Storage/Formatter.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace KX {

// A reference-counted byte buffer: the storage of strings, variant texts and file records.
class LIBuffer : public virtual IBuffer, public virtual LRefCountedObject {
public:
    // out = a new zero-filled buffer of the same kind with `size` bytes, holding this buffer's bytes
    // from `offset` as far as they reach.
    virtual void CopyRange(RCPtr<LIBuffer>& out, uint32_t size, uint32_t offset) const = 0;
};

template <uint32_t grow, uint32_t slack, uint32_t align, class T, IAllocator* (*allocator)() = &GetSystemAllocator>
class LBufferT : public BufferT<grow, slack, align, T, allocator>, public LIBuffer {
    using Base = BufferT<grow, slack, align, T, allocator>;

public:
    LBufferT(uint32_t size, uint32_t capacity, bool zeroFill) : Base(size, capacity, zeroFill) {}

    static void Create(RCPtr<LIBuffer>& out, uint32_t size, uint32_t capacity, bool zeroFill)
    {
        out = RCPtr<LIBuffer>(new LBufferT(size, capacity, zeroFill));
    }

    void CopyRange(RCPtr<LIBuffer>& out, uint32_t size, uint32_t offset) const override
    {
        RCPtr<LIBuffer> copy;
        Create(copy, size, 0, true);
        if (offset < this->GetSize()) {
            const uint32_t n = size < this->GetSize() - offset ? size : this->GetSize() - offset;
            if (n != 0)
                std::memcpy(copy->GetData(), this->GetData() + offset, n);
        }
        out = copy;
    }

    RCPtr<LRefCountedObject> CreateCopy() const override
    {
        RCPtr<LIBuffer> copy;
        Create(copy, this->GetSize(), 0, true);
        if (this->GetSize() != 0)
            std::memcpy(copy->GetData(), this->GetData(), this->GetSize());
        return copy;
    }
};

template <class CharT, class OtherT>
class StringT {
    static_assert((std::is_same_v<CharT, char16_t> && std::is_same_v<OtherT, char>) ||
                      (std::is_same_v<CharT, char> && std::is_same_v<OtherT, char16_t>),
                  "StringT has exactly two instances");
    static constexpr bool kWide = std::is_same_v<CharT, char16_t>;
    // Members that only one instance has name this type in the other, which makes them uncallable
    // there; they are defined for their own instance only.
    struct Unavailable;
    using Utf8Char = std::conditional_t<kWide, char, Unavailable>;
    using Utf16Char = std::conditional_t<kWide, Unavailable, char16_t>;
    using NarrowTwin = std::conditional_t<kWide, StringT<char, char16_t>, Unavailable>;

public:
    using Char = CharT;
    // The character storage of both instances.
    using StorageBuffer = LBufferT<1, 128, 8, char*>;
    // "The whole text" for the operations that take a maximum length.
    static constexpr unsigned kWholeText = 0x7ffffffe;

    // The one process-wide empty string of this instance; never destroyed, so it serves static
    // initialisers and destructors of any order.
    static const StringT& Empty();

    StringT();
    // c = 0 gives an empty string with a buffer of its own.
    explicit StringT(CharT c);
    StringT(const StringT& other);
    StringT(const CharT* text);
    // Wide: the UTF-8 text to its terminator.
    StringT(const Utf8Char* utf8);
    // Wide from narrow (UTF-8 -> UTF-16) or narrow from wide (UTF-16 -> UTF-8), the whole text;
    // a conversion fault keeps what was converted before it.
    explicit StringT(const StringT<OtherT, CharT>& other);
    virtual ~StringT();

    // Shares other's buffer when both are unlocked; otherwise copies the text (into this string's
    // locked buffer, keeping the lock). Assigning a string to itself changes nothing.
    StringT& operator=(const StringT& other);

    // The first StrNLen(text, maxLength) units. A locked string copies in place, cut to its capacity.
    StringT& Assign(const CharT* text, unsigned maxLength);
    // Wide: at most maxLength bytes of UTF-8, converted.
    StringT& Assign(const Utf8Char* utf8, unsigned maxLength);
    // Locked: terminates at 0 and keeps the buffer. Unlocked: the shared empty buffer.
    void Clear();

    const CharT* GetString() const { return Chars(); }
    const CharT* GetData() const { return Chars(); }
    unsigned GetLength() const;
    bool IsEmpty() const { return Chars()[0] == 0; }

    // A null or empty text equals exactly the empty string. Case-sensitive.
    bool operator==(const CharT* text) const;
    bool operator==(const StringT& other) const;
    bool operator!=(const StringT& other) const;
    // Ordinal on unsigned units; a proper prefix sorts first.
    bool operator<(const StringT& other) const;

    // A writable buffer of `characters` units (0: length + 1), the text kept as far as it fits and
    // terminated in the last unit; null when already locked. A string whose buffer is shared gets a
    // private copy first. On failure it throws and the string is left as it was.
    CharT* Lock(unsigned characters);
    // 0 after unlocking (exact-size buffer, or the shared empty one); 1 when it was not locked.
    int Unlock();

    StringT& operator+=(const StringT& other);
    // Wide: one UTF-8 byte; a byte of 0x80 or above is no whole character and appends nothing.
    StringT& operator+=(Utf8Char c);
    StringT& AppendChar(CharT c);
    StringT operator+(const StringT& other) const;

    // A negative start counts from the end; the part of the window outside the text is cut off.
    StringT SubString(int start, unsigned count) const;
    StringT SubString(unsigned start) const;
    StringT Left(unsigned count) const;
    StringT Mid(unsigned start) const { return SubString(start); }
    StringT Right(unsigned count) const;

    // E_INVALIDARG when position is beyond the length (string unchanged), else S_OK.
    [[nodiscard]] KXRESULT Insert(unsigned position, const StringT& text);
    [[nodiscard]] KXRESULT Insert(unsigned position, const CharT* text, unsigned count);
    // Wide: count bytes of UTF-8 when the text has that many, else the whole text.
    [[nodiscard]] KXRESULT Insert(unsigned position, const Utf8Char* utf8, unsigned count);

    // First occurrence of text at or after start, in units; -1 when absent. An empty text is found
    // at start.
    int Find(const StringT& text, unsigned start = 0) const;

    // Every unit found in charSet becomes replacement; replacement 0 changes nothing.
    StringT& ReplaceChars(const CharT* charSet, CharT replacement);
    // Copies with A-Z / a-z folded; every other unit is kept.
    StringT ToUpper() const;
    StringT ToLower() const;
    // Copies without the leading (and trailing) units that occur in charSet.
    StringT TrimLeft(const CharT* charSet) const;
    StringT Trim(const CharT* charSet) const;

    // Wide: the UTF-8 form of the whole text.
    NarrowTwin ToNarrow() const;
    // Decimal integer (saturating at the int range) and floating-point number after leading white
    // space, up to the first unit that does not fit; 0 when there is none.
    int ToInt() const;
    double ToDouble() const;

    // printf-style formatting through the framework's formatter (Formatter.h); no length limit.
    template <class... Args>
    static StringT Format(const CharT* format, const Args&... args)
    {
        StringT result;
        result.AssignFormat(format, args...);
        return result;
    }
    template <class... Args>
    StringT& AssignFormat(const CharT* format, const Args&... args)
    {
        const std::basic_string<CharT> text = FormatText(format, args...);
        return Assign(text.c_str(), kWholeText);
    }

    // UTF-8 -> wide buffer. length < 0: the text with its terminator. A null or empty text gives the
    // shared empty buffer. E_FAIL when the conversion stopped at a fault; the buffer then holds the
    // text converted before it.
    [[nodiscard]] static KXRESULT AssignUTF8(ConstRCPtr<LIBuffer>& buffer, const Utf8Char* utf8, int length);
    // UTF-16 -> narrow buffer, with the same rules.
    [[nodiscard]] static KXRESULT AssignUTF16(ConstRCPtr<LIBuffer>& buffer, const Utf16Char* text, int length);

private:
    template <class, class>
    friend class StringT;

    const CharT* Chars() const { return reinterpret_cast<const CharT*>(buffer->GetData()); }
    bool IsLocked() const { return !buffer->IsShareable(); }
    // The buffer for writing; only while it is private to this string (locked or just made).
    LIBuffer* Writable() const { return const_cast<LIBuffer*>(buffer.Get()); }
    CharT* WritableChars() const { return reinterpret_cast<CharT*>(Writable()->GetData()); }
    // A new unlocked string holding the first `length` units of text.
    static StringT FromRange(const CharT* text, size_t length);

    ConstRCPtr<LIBuffer> buffer;
};

// The members of one instance only.
template <>
StringT<char16_t, char>::StringT(const char* utf8);
template <>
StringT<char16_t, char>& StringT<char16_t, char>::Assign(const char* utf8, unsigned maxLength);
template <>
StringT<char16_t, char>& StringT<char16_t, char>::operator+=(char c);
template <>
KXRESULT StringT<char16_t, char>::Insert(unsigned position, const char* utf8, unsigned count);
template <>
StringT<char, char16_t> StringT<char16_t, char>::ToNarrow() const;
template <>
KXRESULT StringT<char16_t, char>::AssignUTF8(ConstRCPtr<LIBuffer>& buffer, const char* utf8, int length);
template <>
KXRESULT StringT<char, char16_t>::AssignUTF16(ConstRCPtr<LIBuffer>& buffer, const char16_t* text, int length);

extern template class StringT<char16_t, char>;
extern template class StringT<char, char16_t>;

using String = StringT<char16_t, char>;
using NarrowString = StringT<char, char16_t>;

// Both share the one empty buffer of their instance.
inline const StringT<char16_t, char>& EmptyString = StringT<char16_t, char>::Empty();
inline const StringT<char, char16_t>& EmptyNarrowString = StringT<char, char16_t>::Empty();

// value with a decimal point before its last `decimals` digits: 1234, 2 -> "12.34"; 5, 2 -> ".05";
// -5, 2 -> "-.05". decimals < 1: the plain number.
StringT<char16_t, char> FormatFixedPoint(int value, int decimals);
StringT<char16_t, char> FormatFixedPointUnsigned(unsigned value, int decimals);
// decimals >= 0: that many digits after the point; < 0: "%lf" (six).
StringT<char16_t, char> FormatDouble(double value, int decimals);

} // namespace KX
