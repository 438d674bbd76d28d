#pragma once
// The settings text format: UTF-8 lines of sections "[a/b]", "key=value" pairs, comments and
// metadata ("@product", "@version" before the first section). Lossless: every line that no
// change touches is written back byte for byte, whatever it holds.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace KX::Platform::Ini {

class IniDocument {
public:
    static constexpr size_t kMaxBytes = 4 * 1024 * 1024;
    static constexpr size_t kMaxLines = 65536;
    static constexpr int32_t kMaxArrayCount = 65536;

    enum class Change {
        None, // the document already held that
        Made,
        TooLarge, // refused: the file would exceed kMaxBytes or kMaxLines and not read back
    };

    IniDocument();

    // Reads the text of a settings file. False, with the document left empty, for text that is
    // not a settings file: NUL bytes, more than kMaxBytes or more than kMaxLines lines.
    bool Parse(std::string_view text);
    // The content of a file made by this program: a comment line and the two metadata lines.
    static IniDocument CreateNew(std::string_view product, std::string_view version);
    std::string Serialize() const;

    // "@name" before the first section, unescaped; nothing when absent.
    std::optional<std::string> GetMetadata(std::string_view name) const;

    // Sections are named by their path ("" is the top level, before the first section); names
    // and keys compare without regard to ASCII case. Values come back unescaped, with bytes that
    // are not UTF-8 replaced by U+FFFD.
    bool HasSection(std::string_view section) const;
    std::optional<std::string> GetValue(std::string_view section, std::string_view key) const;
    // The distinct keys of a section in file order, as spelled in the file.
    std::vector<std::string> GetKeyNames(std::string_view section) const;
    // Changes the first line of the key, or adds one at the end of the section (adding the
    // section at the end of the file). The caller checks the names with IsStorableKey and
    // IsStorableSection.
    Change SetValue(std::string_view section, std::string_view key, std::string_view value);

    // An array is a section with the keys "0", "1", …; its count is the run of keys from "0".
    int32_t GetArrayCount(std::string_view section) const;
    // Truncates, or appends empty items; 0 <= count <= kMaxArrayCount.
    Change SetArrayCount(std::string_view section, int32_t count);
    // Removes item i (0 <= i < count) and renumbers the items after it.
    void RemoveArrayItem(std::string_view section, int32_t index);

private:
    enum class Kind : uint8_t { Other, Section, Key, Metadata };
    struct Line {
        std::string text; // without its line ending
        uint8_t eol = 0;  // 0: none (last line), 1: LF, 2: CR LF
        Kind kind = Kind::Other;
        uint32_t section = 0; // see m_sections
        uint32_t keyBegin = 0, keyEnd = 0, equals = 0;
    };

    void Classify(Line& line, size_t index, uint32_t& currentSection);
    std::string_view KeyOf(const Line& line) const;
    std::string ValueOf(const Line& line) const;
    std::optional<uint32_t> FindSection(std::string_view section) const;
    uint32_t AddSection(std::string_view section);
    uint32_t EnsureSection(std::string_view section);
    std::optional<size_t> FindKeyLine(uint32_t section, std::string_view key) const;
    size_t InsertPosition(uint32_t section) const;
    void InsertKeyLines(uint32_t section, const std::vector<std::pair<std::string, std::string>>& entries);
    std::vector<size_t> ArrayLines(std::string_view section) const;
    size_t ByteSize() const;
    bool HasRoomFor(size_t lines, size_t bytes) const;
    static void RewriteValue(Line& line, std::string_view value);

    std::vector<Line> m_lines;
    // Lower-cased section name -> the index lines refer to; the top level is 0 and not listed.
    std::unordered_map<std::string, uint32_t> m_sections;
};

// A key may not be empty, begin with "#", ";", "[" or "@", contain "=", CR or LF, or begin or
// end with a space or tab (those would not survive reading).
bool IsStorableKey(std::string_view key);
// A section path may be "" (the top level); otherwise it is not blank at either end and holds
// no CR or LF.
bool IsStorableSection(std::string_view section);
// Splits a node path "a/b/key" into section "a/b" and key "key"; "key" has section "".
std::pair<std::string_view, std::string_view> SplitNodePath(std::string_view path);

// "\\", "\n", "\r", "\t", and "\s" for a leading or trailing space.
std::string EscapeValue(std::string_view value);
std::string UnescapeValue(std::string_view text);
// Replaces every byte that is not part of a valid UTF-8 sequence with U+FFFD.
std::string SanitizeUtf8(std::string_view text);

} // namespace KX::Platform::Ini
