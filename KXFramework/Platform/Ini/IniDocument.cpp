#include "KXFramework/Platform/Ini/IniDocument.h"

#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace KX::Platform::Ini {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = AsciiToLower(c);
    return out;
}

std::string_view TrimBlanks(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Trims spaces and tabs, but keeps a trailing one that a backslash escapes.
std::string_view TrimValue(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1])) {
        size_t slashes = 0;
        while (end - 1 - slashes > begin && text[end - 2 - slashes] == '\\')
            ++slashes;
        if (slashes % 2 == 1)
            break;
        --end;
    }
    return text.substr(begin, end - begin);
}

bool IsBlankLine(std::string_view text)
{
    return TrimBlanks(text).empty();
}

// Only the last line can lack an ending, and only it can end with a CR that is its own text: a line
// feed alone after it would make "CR LF" of the two and drop the CR from the line ("[s]\r" would turn
// into the section "[s]"). A CR LF after it keeps the line's text and meaning.
uint8_t EndingFor(std::string_view text)
{
    return !text.empty() && text.back() == '\r' ? 2 : 1;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

IniDocument::IniDocument() = default;

bool IniDocument::Parse(std::string_view text)
{
    m_lines.clear();
    m_sections.clear();
    if (text.size() > kMaxBytes || text.find('\0') != std::string_view::npos)
        return false;

    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        if (lines.size() == kMaxLines)
            return false;
        Line line;
        const size_t newline = text.find('\n', pos);
        size_t end = newline;
        if (newline == std::string_view::npos) {
            end = text.size();
        } else {
            line.eol = 1;
            if (end > pos && text[end - 1] == '\r') {
                --end;
                line.eol = 2;
            }
        }
        line.text.assign(text.substr(pos, end - pos));
        lines.push_back(std::move(line));
        pos = newline == std::string_view::npos ? text.size() : newline + 1;
    }

    uint32_t current = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        Classify(lines[i], i, current);
    m_lines = std::move(lines);
    return true;
}

void IniDocument::Classify(Line& line, size_t index, uint32_t& currentSection)
{
    const std::string_view text = line.text;
    size_t p = (index == 0 && text.substr(0, 3) == kByteOrderMark) ? 3 : 0;
    while (p < text.size() && IsBlank(text[p]))
        ++p;
    line.kind = Kind::Other;
    line.section = currentSection;
    if (p == text.size() || text[p] == '#' || text[p] == ';')
        return;

    const std::string_view rest = TrimBlanks(text.substr(p));
    if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']') {
        const std::string_view name = TrimBlanks(rest.substr(1, rest.size() - 2));
        if (!name.empty()) {
            currentSection = AddSection(name);
            line.kind = Kind::Section;
            line.section = currentSection;
        }
        return;
    }

    const size_t equals = text.find('=', p);
    if (equals == std::string_view::npos)
        return;
    size_t keyEnd = equals;
    while (keyEnd > p && IsBlank(text[keyEnd - 1]))
        --keyEnd;
    if (keyEnd == p || text[p] == '[')
        return;
    if (text[p] == '@') {
        if (currentSection != 0)
            return;
        line.kind = Kind::Metadata;
    } else {
        line.kind = Kind::Key;
    }
    line.keyBegin = static_cast<uint32_t>(p);
    line.keyEnd = static_cast<uint32_t>(keyEnd);
    line.equals = static_cast<uint32_t>(equals);
}

IniDocument IniDocument::CreateNew(std::string_view product, std::string_view version)
{
    std::string comment = "# " + std::string(product) + " settings (KX ini 1)";
    std::replace_if(
        comment.begin(), comment.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    const std::string text =
        comment + "\n@product=" + EscapeValue(product) + "\n@version=" + EscapeValue(version) + "\n";
    IniDocument doc;
    doc.Parse(text);
    return doc;
}

std::string IniDocument::Serialize() const
{
    std::string out;
    out.reserve(ByteSize());
    for (const Line& line : m_lines) {
        out += line.text;
        if (line.eol == 2)
            out += '\r';
        if (line.eol != 0)
            out += '\n';
    }
    return out;
}

std::string_view IniDocument::KeyOf(const Line& line) const
{
    return std::string_view(line.text).substr(line.keyBegin, line.keyEnd - line.keyBegin);
}

std::string IniDocument::ValueOf(const Line& line) const
{
    return SanitizeUtf8(UnescapeValue(TrimValue(std::string_view(line.text).substr(line.equals + 1))));
}

std::optional<std::string> IniDocument::GetMetadata(std::string_view name) const
{
    const std::string key = "@" + std::string(name);
    for (const Line& line : m_lines)
        if (line.kind == Kind::Metadata && EqualNoCase(KeyOf(line), key))
            return ValueOf(line);
    return std::nullopt;
}

std::optional<uint32_t> IniDocument::FindSection(std::string_view section) const
{
    if (section.empty())
        return 0;
    const auto it = m_sections.find(Lower(section));
    if (it == m_sections.end())
        return std::nullopt;
    return it->second;
}

uint32_t IniDocument::AddSection(std::string_view section)
{
    if (const auto found = FindSection(section))
        return *found;
    const auto index = static_cast<uint32_t>(m_sections.size() + 1);
    m_sections.emplace(Lower(section), index);
    return index;
}

std::optional<size_t> IniDocument::FindKeyLine(uint32_t section, std::string_view key) const
{
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Key && line.section == section && EqualNoCase(KeyOf(line), key))
            return i;
    }
    return std::nullopt;
}

bool IniDocument::HasSection(std::string_view section) const
{
    return FindSection(section).has_value();
}

std::optional<std::string> IniDocument::GetValue(std::string_view section, std::string_view key) const
{
    const auto s = FindSection(section);
    if (!s)
        return std::nullopt;
    const auto i = FindKeyLine(*s, key);
    if (!i)
        return std::nullopt;
    return ValueOf(m_lines[*i]);
}

std::vector<std::string> IniDocument::GetKeyNames(std::string_view section) const
{
    std::vector<std::string> names;
    const auto s = FindSection(section);
    if (!s)
        return names;
    std::unordered_set<std::string> seen;
    for (const Line& line : m_lines)
        if (line.kind == Kind::Key && line.section == *s && seen.insert(Lower(KeyOf(line))).second)
            names.push_back(SanitizeUtf8(KeyOf(line)));
    return names;
}

size_t IniDocument::InsertPosition(uint32_t section) const
{
    size_t last = m_lines.size();
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].section == section && m_lines[i].kind != Kind::Other)
            last = i;
    if (last != m_lines.size())
        return last + 1;
    // The top level without keys: before the first section, leaving the blank lines before it.
    size_t pos = 0;
    while (pos < m_lines.size() && m_lines[pos].kind != Kind::Section)
        ++pos;
    while (pos > 0 && IsBlankLine(m_lines[pos - 1].text))
        --pos;
    return pos;
}

uint32_t IniDocument::EnsureSection(std::string_view section)
{
    if (const auto found = FindSection(section))
        return *found;
    if (!m_lines.empty()) {
        if (m_lines.back().eol == 0)
            m_lines.back().eol = EndingFor(m_lines.back().text);
        if (!IsBlankLine(m_lines.back().text))
            m_lines.push_back(Line{std::string(), 1, Kind::Other, m_lines.back().section, 0, 0, 0});
    }
    const uint32_t index = AddSection(section);
    m_lines.push_back(Line{"[" + std::string(section) + "]", 1, Kind::Section, index, 0, 0, 0});
    return index;
}

void IniDocument::InsertKeyLines(uint32_t section, const std::vector<std::pair<std::string, std::string>>& entries)
{
    const size_t pos = InsertPosition(section);
    if (pos > 0 && m_lines[pos - 1].eol == 0)
        m_lines[pos - 1].eol = EndingFor(m_lines[pos - 1].text);
    std::vector<Line> added;
    added.reserve(entries.size());
    for (const auto& [key, value] : entries) {
        const auto keySize = static_cast<uint32_t>(key.size());
        added.push_back(Line{key + "=" + EscapeValue(value), 1, Kind::Key, section, 0, keySize, keySize});
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(pos), added.begin(), added.end());
}

size_t IniDocument::ByteSize() const
{
    size_t size = 0;
    for (const Line& line : m_lines)
        size += line.text.size() + line.eol;
    return size;
}

bool IniDocument::HasRoomFor(size_t lines, size_t bytes) const
{
    return m_lines.size() + lines <= kMaxLines && ByteSize() + bytes <= kMaxBytes;
}

void IniDocument::RewriteValue(Line& line, std::string_view value)
{
    line.text.resize(line.equals + 1);
    line.text += EscapeValue(value);
}

IniDocument::Change IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    const auto s = FindSection(section);
    if (const auto i = s ? FindKeyLine(*s, key) : std::nullopt) {
        Line& line = m_lines[*i];
        if (ValueOf(line) == value)
            return Change::None;
        if (!HasRoomFor(0, EscapeValue(value).size()))
            return Change::TooLarge;
        RewriteValue(line, value);
        return Change::Made;
    }
    // A new key, perhaps with a blank line and a header before it.
    if (!HasRoomFor(3, section.size() + key.size() + EscapeValue(value).size() + 8))
        return Change::TooLarge;
    InsertKeyLines(EnsureSection(section), {{std::string(key), std::string(value)}});
    return Change::Made;
}

std::vector<size_t> IniDocument::ArrayLines(std::string_view section) const
{
    std::vector<size_t> items;
    const auto s = FindSection(section);
    if (!s)
        return items;
    std::unordered_map<std::string_view, size_t> firstLine;
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Kind::Key && m_lines[i].section == *s)
            firstLine.emplace(KeyOf(m_lines[i]), i);
    for (;;) {
        const auto it = firstLine.find(std::to_string(items.size()));
        if (it == firstLine.end())
            return items;
        items.push_back(it->second);
    }
}

int32_t IniDocument::GetArrayCount(std::string_view section) const
{
    return static_cast<int32_t>(ArrayLines(section).size());
}

IniDocument::Change IniDocument::SetArrayCount(std::string_view section, int32_t count)
{
    const std::vector<size_t> items = ArrayLines(section);
    const auto current = static_cast<int32_t>(items.size());
    if (count == current)
        return Change::None;
    if (count < current) {
        std::vector<bool> drop(m_lines.size(), false);
        for (size_t i = static_cast<size_t>(count); i < items.size(); ++i)
            drop[items[i]] = true;
        size_t index = 0;
        m_lines.erase(std::remove_if(m_lines.begin(), m_lines.end(), [&](const Line&) { return drop[index++]; }),
                      m_lines.end());
        return Change::Made;
    }
    const auto added = static_cast<size_t>(count - current);
    if (!HasRoomFor(added + 2, added * 8 + section.size() + 4))
        return Change::TooLarge;
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(added);
    for (int32_t i = current; i < count; ++i)
        entries.emplace_back(std::to_string(i), std::string());
    InsertKeyLines(EnsureSection(section), entries);
    return Change::Made;
}

void IniDocument::RemoveArrayItem(std::string_view section, int32_t index)
{
    const std::vector<size_t> items = ArrayLines(section);
    if (index < 0 || static_cast<size_t>(index) >= items.size())
        return;
    // Each later item moves down one place, its value text kept byte for byte.
    for (size_t j = static_cast<size_t>(index); j + 1 < items.size(); ++j) {
        Line& to = m_lines[items[j]];
        const Line& from = m_lines[items[j + 1]];
        to.text.resize(to.equals + 1);
        to.text.append(from.text, from.equals + 1);
    }
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(items.back()));
}

bool IsStorableKey(std::string_view key)
{
    if (key.empty() || IsBlank(key.front()) || IsBlank(key.back()))
        return false;
    if (key.front() == '#' || key.front() == ';' || key.front() == '[' || key.front() == '@')
        return false;
    return key.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

bool IsStorableSection(std::string_view section)
{
    if (section.empty())
        return true;
    if (IsBlank(section.front()) || IsBlank(section.back()))
        return false;
    return section.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::pair<std::string_view, std::string_view> SplitNodePath(std::string_view path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string_view(), path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

std::string EscapeValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size() + 2);
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case ' ':
            out += (i == 0 || i + 1 == value.size()) ? "\\s" : " ";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::string UnescapeValue(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        switch (next) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 's':
            out += ' ';
            break;
        default:
            out += '\\';
            out += next;
            break;
        }
    }
    return out;
}

std::string SanitizeUtf8(std::string_view text)
{
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t min = 0;
        uint32_t cp = 0;
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            length = 2, min = 0x80, cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, min = 0x800, cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, min = 0x10000, cp = b & 0x07;
        }
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            valid = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        valid = valid && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (valid) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

} // namespace KX::Platform::Ini
