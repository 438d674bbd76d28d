#pragma once
// Reads the family and subfamily names of the fonts in a TrueType or OpenType file or collection,
// as the font registry needs them. Font files are outside input: every count and offset is checked
// against the file's size, and a read that would pass its end stops the file. The work is bounded
// by the size too: a font or name table that offsets name again is read once, and a file whose
// records make the reader take more than kMaxReadsPerByte times its size in all is stopped.
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <functional>
#include <set>

namespace KX {

class FontNameReader {
public:
    class ISource {
    public:
        virtual uint64_t GetSize() const = 0;
        // True when all count bytes at offset were read.
        virtual bool ReadAt(uint64_t offset, void* buffer, unsigned count) = 0;

    protected:
        ~ISource() = default;
    };
    // One (family, lower-case subfamily) pair, as soon as a font's names give both.
    using NameHandler = std::function<void(const String& family, const String& style)>;

    static constexpr uint64_t kMaxReadsPerByte = 4;

    FontNameReader(ISource& source, NameHandler handler);

    // 0 when the whole file was read; E_FAIL when a fault ended it (pairs found before it were
    // delivered).
    [[nodiscard]] KXRESULT Read();

private:
    bool ReadFont(uint32_t offset);
    bool ReadNameTable(uint32_t offset);
    // The string of a name record; false for a fault, an empty text for an empty string.
    bool ReadName(uint64_t offset, uint16_t length, uint16_t platform, String& text);
    bool ReadBytes(uint64_t offset, void* buffer, unsigned count);

    ISource& m_source;
    const NameHandler m_handler;
    const uint64_t m_size;
    uint64_t m_readLeft;
    std::set<uint32_t> m_fontsSeen;
    std::set<uint32_t> m_nameTablesSeen;
};

} // namespace KX
