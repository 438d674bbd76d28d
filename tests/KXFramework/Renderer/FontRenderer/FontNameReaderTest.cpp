#include "KXFramework/Renderer/FontRenderer/FontNameReader.h"

#include "FontTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace KX::Test {
namespace {

class MemorySource : public FontNameReader::ISource {
public:
    explicit MemorySource(Bytes bytes) : m_bytes(std::move(bytes)) {}
    uint64_t GetSize() const override { return m_bytes.size(); }
    bool ReadAt(uint64_t offset, void* buffer, unsigned count) override
    {
        // The reader checks before it reads; a read past the end here is the fault under test.
        EXPECT_LE(offset + count, m_bytes.size());
        if (offset + count > m_bytes.size())
            return false;
        std::memcpy(buffer, m_bytes.data() + offset, count);
        m_bytesRead += count;
        return true;
    }
    uint64_t GetBytesRead() const { return m_bytesRead; }

private:
    Bytes m_bytes;
    uint64_t m_bytesRead = 0;
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::pair<KXRESULT, Pairs> ReadNames(const Bytes& file, uint64_t* bytesRead = nullptr)
{
    MemorySource source(file);
    Pairs pairs;
    FontNameReader reader(source, [&pairs](const String& family, const String& style) {
        pairs.emplace_back(family.ToNarrow().GetString(), style.ToNarrow().GetString());
    });
    const KXRESULT result = reader.Read();
    if (bytesRead != nullptr)
        *bytesRead = source.GetBytesRead();
    return {result, pairs};
}

struct NamesCase {
    const char* what;
    std::vector<NameRecord> names;
    Pairs expected;
};

TEST(FontNameReader, KeepsFamilyAndSubfamilyOfTheAcceptedPlatformsAndLanguages)
{
    const std::vector<NamesCase> cases = {
        {"Windows names, subfamily in lower case", WindowsNames(u"Deja", u"Bold Italic"), {{"Deja", "bold italic"}}},
        {"Macintosh and Windows names register twice",
         {{1, 0, 1, u"Mac"}, {1, 0, 2, u"Bold"}, {3, 0x409, 1, u"Mac"}, {3, 0x409, 2, u"Bold"}},
         {{"Mac", "bold"}, {"Mac", "bold"}}},
        {"other languages are ignored",
         {{3, 0x407, 1, u"Deutsch"}, {1, 5, 2, u"Fett"}, {3, 0x409, 2, u"Italic"}, {3, 0x409, 1, u"English"}},
         {{"English", "italic"}}},
        {"only other languages: nothing", {{3, 0x40C, 1, u"Francais"}, {3, 0x40C, 2, u"Gras"}}, {}},
        {"other name IDs and other platforms are ignored",
         {{0, 0, 1, u"Unicode"},
          {3, 0x409, 4, u"Full"},
          {3, 0x409, 1, u"Fam"},
          {3, 0x409, 16, u"Typo"},
          {3, 0x409, 2, u"Regular"}},
         {{"Fam", "regular"}}},
        {"an empty name is ignored; the first of each kind counts",
         {{3, 0x409, 1, u""}, {3, 0x409, 1, u"First"}, {3, 0x409, 1, u"Second"}, {3, 0x409, 2, u"Book"}},
         {{"First", "book"}}},
        {"Latin-1 bytes on the Macintosh platform",
         {{1, 0, 1, u"Caf\u00e9"}, {1, 0, 2, u"Regular"}},
         {{"Caf\xc3\xa9", "regular"}}},
    };
    for (const NamesCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto [result, pairs] = ReadNames(BuildFont(c.names));
        EXPECT_EQ(result, S_OK);
        EXPECT_EQ(pairs, c.expected);
    }
}

TEST(FontNameReader, ReadsEveryFontOfACollection)
{
    const auto [result, pairs] =
        ReadNames(BuildCollection({WindowsNames(u"One", u"Regular"), WindowsNames(u"Two", u"Bold")}));
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(pairs, (Pairs{{"One", "regular"}, {"Two", "bold"}}));
}

TEST(FontNameReader, StopsAtTheFirstTableRecordWithAZeroTag)
{
    Bytes font = BuildFont(WindowsNames(u"Hidden", u"Regular"));
    font[12] = '\0'; // the "head" record comes first
    const auto [result, pairs] = ReadNames(font);
    EXPECT_EQ(result, S_OK);
    EXPECT_TRUE(pairs.empty());
}

// Damaged files: each must end with a failure and without a read past the end; what was complete
// before the damage is still delivered.
struct DamageCase {
    const char* what;
    Bytes file;
    size_t expectedPairs;
};

Bytes Damaged(Bytes file, size_t at, uint32_t value, bool wide)
{
    if (wide)
        PutU32(file, at, value);
    else
        PutU16(file, at, value);
    return file;
}

TEST(FontNameReader, DamagedFilesFailCleanly)
{
    const Bytes font = BuildFont(WindowsNames(u"Fam", u"Regular"));
    const Bytes collection = BuildCollection({WindowsNames(u"One", u"Regular"), WindowsNames(u"Two", u"Bold")});
    const size_t nameTable = 12 + 2 * 16;
    Bytes v2 = collection.substr(0, 16);
    PutU32(v2, 4, 0x00020000);
    PutU32(v2, 8, 1);
    const std::vector<DamageCase> cases = {
        {"empty file", "", 0},
        {"shorter than a header", font.substr(0, 7), 0},
        {"table records cut off", font.substr(0, 20), 0},
        {"table count beyond the file", Damaged(font.substr(0, 30), 4, 0xFFFF, false), 0},
        {"name table offset past the end", Damaged(font, 28 + 8, 0xFFFFFFF0, true), 0},
        {"name table cut off", font.substr(0, nameTable + 4), 0},
        {"huge name record count", Damaged(font, nameTable + 2, 0xFFFF, false), 0},
        {"string storage past the end", Damaged(font, nameTable + 4, 0xFFFF, false), 0},
        {"second string past the end", Damaged(font, nameTable + 6 + 12 + 10, 0xFFF0, false), 0},
        {"string length past the end", Damaged(font, nameTable + 6 + 8, 0xFFFF, false), 0},
        {"collection with a huge font count", Damaged(collection, 8, 0xFFFFFFFF, true), 0},
        {"collection count just beyond its offsets", Damaged(collection.substr(0, 20), 8, 3, true), 0},
        {"collection font offset past the end", Damaged(collection, 12, 0xFFFFFFFF, true), 0},
        {"second collection font cut off", collection.substr(0, collection.size() - 4), 1},
        {"version 2 collection without its signature fields", v2, 0},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto [result, pairs] = ReadNames(c.file);
        EXPECT_EQ(result, E_FAIL);
        EXPECT_EQ(pairs.size(), c.expectedPairs);
    }
}

// A collection whose `fonts` offsets all name one font; that font's 65,535 name records, family and
// subfamily in turn, all point at one string of 65,534 bytes: the records themselves.
Bytes SharedStringCollection(uint32_t fonts)
{
    const uint32_t fontOffset = 12 + 4 * fonts;
    const uint32_t nameOffset = fontOffset + 12 + 16;
    const uint32_t records = 0xFFFF;
    Bytes file(nameOffset + 6 + 12 * size_t(records), '\0');
    file.replace(0, 4, "ttcf");
    PutU32(file, 4, 0x00010000);
    PutU32(file, 8, fonts);
    for (uint32_t i = 0; i < fonts; ++i)
        PutU32(file, 12 + 4 * i, fontOffset);
    PutU32(file, fontOffset, 0x00010000);
    PutU16(file, fontOffset + 4, 1);
    file.replace(fontOffset + 12, 4, "name");
    PutU32(file, fontOffset + 12 + 8, nameOffset);
    PutU16(file, nameOffset + 2, records);
    PutU16(file, nameOffset + 4, 6);
    for (uint32_t i = 0; i < records; ++i) {
        const size_t at = nameOffset + 6 + 12 * size_t(i);
        PutU16(file, at, 3);
        PutU16(file, at + 2, 1);
        PutU16(file, at + 4, 0x409);
        PutU16(file, at + 6, 1 + i % 2);
        PutU16(file, at + 8, 0xFFFE);
    }
    return file;
}

TEST(FontNameReader, WorkIsBoundedByTheFileSize)
{
    for (uint32_t fonts : {1u, 16u}) {
        SCOPED_TRACE(fonts);
        const Bytes file = SharedStringCollection(fonts);
        uint64_t bytesRead = 0;
        const auto [result, pairs] = ReadNames(file, &bytesRead);
        // Read whole, the names alone would be 4 GiB; the reader stops once it has read its share.
        EXPECT_EQ(result, E_FAIL);
        EXPECT_LE(bytesRead, FontNameReader::kMaxReadsPerByte * file.size());
        EXPECT_GE(pairs.size(), 1u);
    }

    // A font that several offsets name is read once.
    const Bytes font = BuildFont(WindowsNames(u"Once", u"Regular"), 12 + 4 * 3);
    Bytes collection(12 + 4 * 3, '\0');
    collection.replace(0, 4, "ttcf");
    PutU32(collection, 4, 0x00010000);
    PutU32(collection, 8, 3);
    for (uint32_t i = 0; i < 3; ++i)
        PutU32(collection, 12 + 4 * i, 12 + 4 * 3);
    const auto [result, pairs] = ReadNames(collection + font);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(pairs, (Pairs{{"Once", "regular"}}));
}

} // namespace
} // namespace KX::Test
