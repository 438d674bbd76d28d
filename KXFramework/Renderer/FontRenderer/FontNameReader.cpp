#include "KXFramework/Renderer/FontRenderer/FontNameReader.h"

#include <utility>
#include <vector>

namespace KX {

namespace {

constexpr uint32_t kCollectionTag = 0x74746366; // "ttcf"
constexpr uint32_t kCollectionVersion2 = 0x00020000;
constexpr unsigned kHeaderSize = 12;
constexpr unsigned kTableRecordSize = 16;
constexpr unsigned kNameHeaderSize = 6;
constexpr unsigned kNameRecordSize = 12;

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}

char AsciiLower(uint8_t c)
{
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
}

} // namespace

FontNameReader::FontNameReader(ISource& source, NameHandler handler)
    : m_source(source),
      m_handler(std::move(handler)),
      m_size(source.GetSize()),
      m_readLeft(m_size * kMaxReadsPerByte)
{
}

KXRESULT FontNameReader::Read()
{
    uint8_t header[kHeaderSize];
    if (!ReadBytes(0, header, kHeaderSize))
        return E_FAIL;
    if (U32(header) != kCollectionTag)
        return ReadFont(0) ? S_OK : E_FAIL;

    // The offsets must fit in the file before any of them is taken; the count is outside input.
    const uint64_t count = U32(header + 8);
    if (kHeaderSize + count * 4 > m_size)
        return E_FAIL;
    std::vector<uint8_t> offsets(static_cast<size_t>(count) * 4);
    if (!offsets.empty() && !ReadBytes(kHeaderSize, offsets.data(), static_cast<unsigned>(offsets.size())))
        return E_FAIL;
    // Version 2 adds a digital signature's tag, length and offset after the offsets; not used.
    if (U32(header + 4) == kCollectionVersion2 && kHeaderSize + count * 4 + 12 > m_size)
        return E_FAIL;
    for (uint64_t i = 0; i < count; ++i) {
        if (!ReadFont(U32(&offsets[static_cast<size_t>(i) * 4])))
            return E_FAIL;
    }
    return S_OK;
}

bool FontNameReader::ReadFont(uint32_t offset)
{
    if (!m_fontsSeen.insert(offset).second)
        return true;
    uint8_t table[kHeaderSize];
    if (!ReadBytes(offset, table, kHeaderSize))
        return false;
    const unsigned tableCount = U16(table + 4);
    for (unsigned i = 0; i < tableCount; ++i) {
        uint8_t record[kTableRecordSize];
        if (!ReadBytes(uint64_t(offset) + kHeaderSize + uint64_t(i) * kTableRecordSize, record, kTableRecordSize))
            return false;
        if (record[0] == 0)
            return true;
        if (AsciiLower(record[0]) == 'n' && AsciiLower(record[1]) == 'a' && AsciiLower(record[2]) == 'm' &&
            AsciiLower(record[3]) == 'e')
            return ReadNameTable(U32(record + 8));
    }
    return true;
}

bool FontNameReader::ReadNameTable(uint32_t offset)
{
    if (!m_nameTablesSeen.insert(offset).second)
        return true;
    uint8_t header[kNameHeaderSize];
    if (!ReadBytes(offset, header, kNameHeaderSize))
        return false;
    const unsigned count = U16(header + 2);
    const uint64_t storage = uint64_t(offset) + U16(header + 4);
    if (uint64_t(offset) + kNameHeaderSize + uint64_t(count) * kNameRecordSize > m_size)
        return false;

    String family;
    String style;
    bool familyFound = false;
    bool styleFound = false;
    for (unsigned n = 0; n < count; ++n) {
        uint8_t record[kNameRecordSize];
        if (!ReadBytes(uint64_t(offset) + kNameHeaderSize + uint64_t(n) * kNameRecordSize, record, kNameRecordSize))
            return false;
        const uint16_t platform = U16(record);
        const uint16_t language = U16(record + 4);
        const uint16_t nameID = U16(record + 6);
        if (!((platform == 1 && language == 0) || (platform == 3 && language == 0x409)))
            continue;
        if (nameID != 1 && nameID != 2)
            continue;
        String text;
        if (!ReadName(storage + U16(record + 10), U16(record + 8), platform, text))
            return false;
        if (text.IsEmpty())
            continue;
        if (nameID == 1 && !familyFound) {
            family = text;
            familyFound = true;
        } else if (nameID == 2 && !styleFound) {
            style = text.ToLower();
            styleFound = true;
        }
        if (familyFound && styleFound) {
            m_handler(family, style);
            familyFound = false;
            styleFound = false;
        }
    }
    return true;
}

bool FontNameReader::ReadName(uint64_t offset, uint16_t length, uint16_t platform, String& text)
{
    if (length == 0)
        return true;
    std::vector<uint8_t> bytes(length);
    if (!ReadBytes(offset, bytes.data(), length))
        return false;
    std::u16string units;
    if (platform == 1) {
        // Macintosh Roman, taken as Latin-1: exact for the ASCII that family names use.
        units.assign(bytes.begin(), bytes.end());
    } else {
        for (unsigned i = 0; i + 1 < length; i += 2)
            units.push_back(static_cast<char16_t>(U16(&bytes[i])));
    }
    // A name with an embedded zero ends there, as the text it is stored as would.
    text = String(units.c_str());
    return true;
}

bool FontNameReader::ReadBytes(uint64_t offset, void* buffer, unsigned count)
{
    if (offset > m_size || count > m_size - offset || count > m_readLeft)
        return false;
    m_readLeft -= count;
    return m_source.ReadAt(offset, buffer, count);
}

} // namespace KX
