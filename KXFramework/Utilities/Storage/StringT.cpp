#include "KXFramework/Utilities/Storage/StringT.h"

#include "KXFramework/Utilities/Storage/ConvertUTF.h"
#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <limits>
#include <string>
#include <string_view>

namespace KX {

namespace {

template <class CharT>
struct Names;
template <>
struct Names<char16_t> {
    static constexpr const char* lockFailed =
        "Runtime Error : KX::StringT<wchar_t,char>::Lock : utilities\\Storage/StringT : Line 760";
};
template <>
struct Names<char> {
    static constexpr const char* lockFailed =
        "Runtime Error : KX::StringT<char,wchar_t>::Lock : utilities\\Storage/StringT : Line 760";
};

// Byte size of `units` units of CharT, refused like a failed allocation when it does not fit the
// buffers' 32-bit sizes.
template <class CharT>
uint32_t ByteSize(uint64_t units)
{
    const uint64_t bytes = units * sizeof(CharT);
    if (bytes > std::numeric_limits<uint32_t>::max())
        throw Exception<std::bad_alloc>();
    return static_cast<uint32_t>(bytes);
}

template <class CharT>
bool Contains(const CharT* set, CharT c)
{
    for (; *set != 0; ++set)
        if (*set == c)
            return true;
    return false;
}

// A copy with every unit passed through fold.
template <class Str, class Fold>
Str Folded(const Str& s, Fold fold)
{
    std::basic_string<typename Str::Char> text(s.GetString(), s.GetLength());
    for (auto& c : text)
        c = fold(c);
    return Str(text.c_str());
}

// A copy without the leading units found in charSet, and the trailing ones too when bothEnds.
template <class Str>
Str Trimmed(const Str& s, const typename Str::Char* charSet, bool bothEnds)
{
    const auto* chars = s.GetString();
    const unsigned length = s.GetLength();
    unsigned first = 0;
    unsigned end = length;
    if (charSet != nullptr) {
        while (first < end && Contains(charSet, chars[first]))
            ++first;
        while (bothEnds && end > first && Contains(charSet, chars[end - 1]))
            --end;
    }
    return first == 0 && end == length ? s : s.SubString(static_cast<int>(first), end - first);
}

} // namespace

template <class CharT, class OtherT>
const StringT<CharT, OtherT>& StringT<CharT, OtherT>::Empty()
{
    static const StringT* const empty = new StringT(CharT(0));
    return *empty;
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>::StringT() : buffer(Empty().buffer)
{
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>::StringT(CharT c)
{
    RCPtr<LIBuffer> fresh;
    StorageBuffer::Create(fresh, c != 0 ? 2 * sizeof(CharT) : sizeof(CharT), 0, true);
    reinterpret_cast<CharT*>(fresh->GetData())[0] = c;
    buffer = fresh;
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>::StringT(const StringT& other)
{
    if (!other.IsLocked()) {
        buffer = other.buffer;
    } else {
        buffer = Empty().buffer;
        Assign(other.GetString(), kWholeText);
    }
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>::StringT(const CharT* text) : buffer(Empty().buffer)
{
    Assign(text, kWholeText);
}

template <>
StringT<char16_t, char>::StringT(const char* utf8)
{
    static_cast<void>(AssignUTF8(buffer, utf8, -1)); // invalid input converts as far as it can
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>::StringT(const StringT<OtherT, CharT>& other)
{
    if constexpr (kWide)
        static_cast<void>(AssignUTF8(buffer, other.GetString(), -1)); // invalid input converts as far as it can
    else
        static_cast<void>(AssignUTF16(buffer, other.GetString(), -1)); // invalid input converts as far as it can
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>::~StringT() = default;

template <class CharT, class OtherT>
StringT<CharT, OtherT>& StringT<CharT, OtherT>::operator=(const StringT& other)
{
    if (buffer.Get() == other.buffer.Get())
        return *this;
    if (!IsLocked() && !other.IsLocked())
        buffer = other.buffer;
    else
        Assign(other.GetString(), kWholeText);
    return *this;
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::FromRange(const CharT* text, size_t length)
{
    StringT result;
    if (length == 0)
        return result;
    RCPtr<LIBuffer> fresh;
    StorageBuffer::Create(fresh, ByteSize<CharT>(uint64_t{length} + 1), 0, true);
    std::memcpy(fresh->GetData(), text, length * sizeof(CharT));
    result.buffer = fresh;
    return result;
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>& StringT<CharT, OtherT>::Assign(const CharT* text, unsigned maxLength)
{
    if (text == nullptr || text[0] == 0 || maxLength == 0) {
        Clear();
        return *this;
    }
    const size_t length = StrNLen(text, maxLength);
    if (IsLocked()) {
        // The text may lie inside this very buffer.
        const size_t capacity = buffer->GetSize() / sizeof(CharT);
        const size_t n = length < capacity ? length : capacity - 1;
        CharT* chars = WritableChars();
        std::memmove(chars, text, n * sizeof(CharT));
        chars[n] = 0;
        return *this;
    }
    buffer = FromRange(text, length).buffer;
    return *this;
}

template <>
StringT<char16_t, char>& StringT<char16_t, char>::Assign(const char* utf8, unsigned maxLength)
{
    if (utf8 == nullptr || utf8[0] == 0 || maxLength == 0) {
        Clear();
        return *this;
    }
    StringT<char, char16_t> bytes;
    bytes.Assign(utf8, maxLength);
    if (!IsLocked()) {
        static_cast<void>(AssignUTF8(buffer, bytes.GetString(), -1)); // invalid input converts as far as it can
    } else {
        StringT converted;
        // Invalid input converts as far as it can.
        static_cast<void>(AssignUTF8(converted.buffer, bytes.GetString(), -1));
        Assign(converted.GetString(), kWholeText);
    }
    return *this;
}

template <class CharT, class OtherT>
void StringT<CharT, OtherT>::Clear()
{
    if (IsLocked())
        WritableChars()[0] = 0;
    else
        buffer = Empty().buffer;
}

template <class CharT, class OtherT>
unsigned StringT<CharT, OtherT>::GetLength() const
{
    const uint32_t units = buffer->GetSize() / sizeof(CharT);
    if (!IsLocked())
        return units - 1;
    return static_cast<unsigned>(StrNLen(Chars(), units));
}

template <class CharT, class OtherT>
bool StringT<CharT, OtherT>::operator==(const CharT* text) const
{
    if (text == nullptr || text[0] == 0)
        return IsEmpty();
    const CharT* own = Chars();
    for (size_t i = 0;; ++i) {
        if (own[i] != text[i])
            return false;
        if (own[i] == 0)
            return true;
    }
}

template <class CharT, class OtherT>
bool StringT<CharT, OtherT>::operator==(const StringT& other) const
{
    return buffer.Get() == other.buffer.Get() || *this == other.GetString();
}

template <class CharT, class OtherT>
bool StringT<CharT, OtherT>::operator!=(const StringT& other) const
{
    return !(*this == other);
}

template <class CharT, class OtherT>
bool StringT<CharT, OtherT>::operator<(const StringT& other) const
{
    using Unit = std::make_unsigned_t<CharT>;
    const CharT* a = Chars();
    const CharT* b = other.Chars();
    if (a == b)
        return false;
    for (size_t i = 0;; ++i) {
        const Unit x = static_cast<Unit>(a[i]);
        const Unit y = static_cast<Unit>(b[i]);
        if (x != y)
            return x < y;
        if (x == 0)
            return false;
    }
}

template <class CharT, class OtherT>
CharT* StringT<CharT, OtherT>::Lock(unsigned characters)
{
    if (IsLocked())
        return nullptr;
    if (characters == 0)
        characters = GetLength() + 1;
    const uint64_t bytes = uint64_t{characters} * sizeof(CharT);
    if (bytes > std::numeric_limits<uint32_t>::max())
        throw Exception<std::runtime_error>(Names<CharT>::lockFailed);

    // Everything that can fail happens on a private copy or before the flag changes, so a failure
    // leaves this string as it was.
    if (buffer->GetRefCount() > 1) {
        RCPtr<LIBuffer> copy;
        buffer->CopyRange(copy, static_cast<uint32_t>(bytes), 0);
        if (!copy)
            throw Exception<std::runtime_error>(Names<CharT>::lockFailed);
        buffer = copy;
    } else {
        Writable()->SetSize(static_cast<uint32_t>(bytes));
    }
    Writable()->SetUnshareable(true);
    CharT* chars = WritableChars();
    chars[characters - 1] = 0;
    return chars;
}

template <class CharT, class OtherT>
int StringT<CharT, OtherT>::Unlock()
{
    if (!IsLocked())
        return 1;
    const unsigned length = GetLength();
    if (length == 0) {
        buffer = Empty().buffer;
        return 0;
    }
    Writable()->SetSize((length + 1) * sizeof(CharT));
    Writable()->SetUnshareable(false);
    return 0;
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>& StringT<CharT, OtherT>::operator+=(const StringT& other)
{
    const unsigned otherLength = other.GetLength();
    if (otherLength == 0)
        return *this;
    const unsigned length = GetLength();
    const uint64_t total = uint64_t{length} + otherLength;
    if (total >= kWholeText)
        throw Exception<std::bad_alloc>();

    if (IsLocked()) {
        Writable()->SetSize(ByteSize<CharT>(total + 1));
        CharT* chars = WritableChars();
        // Appending a locked string to itself reads the resized buffer's own first part.
        const CharT* source = &other == this ? chars : other.GetString();
        std::memmove(chars + length, source, otherLength * sizeof(CharT));
        chars[total] = 0;
        return *this;
    }
    // A counted reference keeps other's text (perhaps this very buffer) intact while Lock makes
    // room; a locked other is private to it and untouched by this string's Lock.
    ConstRCPtr<LIBuffer> keep;
    if (!other.IsLocked())
        keep = other.buffer;
    const CharT* source = other.GetString();
    CharT* chars = Lock(static_cast<unsigned>(total + 1));
    std::memcpy(chars + length, source, otherLength * sizeof(CharT));
    chars[total] = 0;
    Unlock();
    return *this;
}

template <>
StringT<char16_t, char>& StringT<char16_t, char>::operator+=(char c)
{
    static_cast<void>(Insert(GetLength(), &c, 1)); // a failed append leaves the string as it was
    return *this;
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>& StringT<CharT, OtherT>::AppendChar(CharT c)
{
    static_cast<void>(Insert(GetLength(), &c, 1)); // a failed append leaves the string as it was
    return *this;
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::operator+(const StringT& other) const
{
    StringT result(*this);
    result += other;
    return result;
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::SubString(int start, unsigned count) const
{
    const unsigned length = GetLength();
    int64_t first = start;
    if (first < 0) {
        first += length;
        if (first < 0) {
            const uint64_t cut = static_cast<uint64_t>(-first);
            if (count <= cut)
                return StringT();
            count -= static_cast<unsigned>(cut);
            first = 0;
        }
    }
    if (first >= length || count == 0)
        return StringT();
    if (first + count > length)
        count = static_cast<unsigned>(length - first);
    return FromRange(Chars() + first, count);
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::SubString(unsigned start) const
{
    return SubString(static_cast<int>(start), GetLength() - start);
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::Left(unsigned count) const
{
    return SubString(0, count);
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::Right(unsigned count) const
{
    const unsigned length = GetLength();
    return count >= length ? *this : SubString(length - count);
}

template <class CharT, class OtherT>
KXRESULT StringT<CharT, OtherT>::Insert(unsigned position, const StringT& text)
{
    const unsigned length = GetLength();
    if (position > length)
        return E_INVALIDARG;
    if (position == length)
        *this += text;
    else if (position == 0)
        *this = text + *this;
    else
        *this = Left(position) + text + SubString(position);
    return S_OK;
}

template <class CharT, class OtherT>
KXRESULT StringT<CharT, OtherT>::Insert(unsigned position, const CharT* text, unsigned count)
{
    if (position > GetLength())
        return E_INVALIDARG;
    StringT part;
    part.Assign(text, count);
    return Insert(position, part);
}

template <>
KXRESULT StringT<char16_t, char>::Insert(unsigned position, const char* utf8, unsigned count)
{
    if (position > GetLength())
        return E_INVALIDARG;
    StringT part;
    if (utf8 != nullptr && count < kWholeText && StrNLen(utf8, count) == count)
        part.Assign(utf8, count);
    else
        static_cast<void>(AssignUTF8(part.buffer, utf8, -1)); // invalid input converts as far as it can
    return Insert(position, part);
}

template <class CharT, class OtherT>
int StringT<CharT, OtherT>::Find(const StringT& text, unsigned start) const
{
    const std::basic_string_view<CharT> own(Chars(), GetLength());
    const size_t at = own.find(std::basic_string_view<CharT>(text.Chars(), text.GetLength()), start);
    return at == std::basic_string_view<CharT>::npos ? -1 : static_cast<int>(at);
}

template <class CharT, class OtherT>
StringT<CharT, OtherT>& StringT<CharT, OtherT>::ReplaceChars(const CharT* charSet, CharT replacement)
{
    if (replacement == 0 || charSet == nullptr || charSet[0] == 0)
        return *this;
    std::basic_string<CharT> text(Chars(), GetLength());
    bool changed = false;
    for (CharT& c : text)
        if (Contains(charSet, c)) {
            c = replacement;
            changed = true;
        }
    if (changed)
        Assign(text.c_str(), kWholeText);
    return *this;
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::ToUpper() const
{
    return Folded(*this, AsciiToUpper<CharT>);
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::ToLower() const
{
    return Folded(*this, AsciiToLower<CharT>);
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::TrimLeft(const CharT* charSet) const
{
    return Trimmed(*this, charSet, false);
}

template <class CharT, class OtherT>
StringT<CharT, OtherT> StringT<CharT, OtherT>::Trim(const CharT* charSet) const
{
    return Trimmed(*this, charSet, true);
}

template <>
StringT<char, char16_t> StringT<char16_t, char>::ToNarrow() const
{
    StringT<char, char16_t> narrow;
    // Invalid input converts as far as it can.
    static_cast<void>(StringT<char, char16_t>::AssignUTF16(narrow.buffer, Chars(), -1));
    return narrow;
}

template <class CharT, class OtherT>
int StringT<CharT, OtherT>::ToInt() const
{
    return ParseInt32(Chars());
}

template <class CharT, class OtherT>
double StringT<CharT, OtherT>::ToDouble() const
{
    return ParseDouble(Chars());
}

template <>
KXRESULT StringT<char16_t, char>::AssignUTF8(ConstRCPtr<LIBuffer>& buffer, const char* utf8, int length)
{
    if (utf8 == nullptr || utf8[0] == 0) {
        buffer = Empty().buffer;
        return S_OK;
    }
    const size_t bytes = length < 0 ? std::strlen(utf8) + 1 : static_cast<size_t>(length);
    // UTF-8 never needs more units than bytes: one unit more keeps room for the terminator.
    const uint32_t size = ByteSize<char16_t>(uint64_t{bytes} + 1);
    RCPtr<LIBuffer> fresh;
    StorageBuffer::Create(fresh, size, 0, true);
    char16_t* chars = reinterpret_cast<char16_t*>(fresh->GetData());
    const uint32_t units = size / 2;
    const char* source = utf8;
    char16_t* target = chars;
    const ConversionResult result =
        ConvertUTF8toUTF16(&source, utf8 + bytes, &target, chars + units, lenientConversion);
    chars[units - 1] = 0;
    const size_t converted = StrNLen(chars, units);
    if (converted == 0) {
        buffer = Empty().buffer;
    } else {
        fresh->SetSize(static_cast<uint32_t>((converted + 1) * 2));
        buffer = fresh;
    }
    return result == conversionOK ? S_OK : E_FAIL;
}

template <>
KXRESULT StringT<char, char16_t>::AssignUTF16(ConstRCPtr<LIBuffer>& buffer, const char16_t* text, int length)
{
    if (text == nullptr || text[0] == 0) {
        buffer = Empty().buffer;
        return S_OK;
    }
    const size_t units = length < 0 ? StrNLen(text, 0xfffffffe) + 1 : static_cast<size_t>(length);
    // At most three bytes per unit (four per surrogate pair) and the terminator.
    const uint32_t size = ByteSize<char>(uint64_t{units} * 4 + 1);
    RCPtr<LIBuffer> fresh;
    StorageBuffer::Create(fresh, size, 0, true);
    char* bytes = reinterpret_cast<char*>(fresh->GetData());
    const char16_t* source = text;
    char* target = bytes;
    const ConversionResult result = ConvertUTF16toUTF8(&source, text + units, &target, bytes + size, lenientConversion);
    bytes[size - 1] = 0;
    const size_t converted = StrNLen(bytes, size);
    if (converted == 0) {
        buffer = Empty().buffer;
    } else {
        fresh->SetSize(static_cast<uint32_t>(converted + 1));
        buffer = fresh;
    }
    return result == conversionOK ? S_OK : E_FAIL;
}

template class StringT<char16_t, char>;
template class StringT<char, char16_t>;

namespace {

// The digits of `magnitude` with a point before the last `decimals` of them, zero-padded in front.
StringT<char16_t, char> FixedPoint(bool negative, uint64_t magnitude, int decimals)
{
    std::u16string digits = FormatText(u"%I64u", magnitude);
    if (digits.size() < static_cast<size_t>(decimals))
        digits.insert(0, static_cast<size_t>(decimals) - digits.size(), u'0');
    digits.insert(digits.size() - static_cast<size_t>(decimals), 1, u'.');
    if (negative)
        digits.insert(0, 1, u'-');
    return StringT<char16_t, char>(digits.c_str());
}

} // namespace

StringT<char16_t, char> FormatFixedPoint(int value, int decimals)
{
    if (decimals < 1)
        return StringT<char16_t, char>::Format(u"%d", value);
    const int64_t wide = value;
    return FixedPoint(wide < 0, static_cast<uint64_t>(wide < 0 ? -wide : wide), decimals);
}

StringT<char16_t, char> FormatFixedPointUnsigned(unsigned value, int decimals)
{
    if (decimals < 1)
        return StringT<char16_t, char>::Format(u"%u", value);
    return FixedPoint(false, value, decimals);
}

StringT<char16_t, char> FormatDouble(double value, int decimals)
{
    if (decimals < 0)
        return StringT<char16_t, char>::Format(u"%lf", value);
    const StringT<char16_t, char> format = StringT<char16_t, char>::Format(u"%%.%dlf", decimals);
    return StringT<char16_t, char>::Format(format.GetString(), value);
}

} // namespace KX
