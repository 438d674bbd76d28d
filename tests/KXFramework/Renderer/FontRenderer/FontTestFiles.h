#pragma once
// Font files for the font tests: small synthetic TrueType files and collections holding nothing but
// a naming table, and a font folder of their own that fontconfig is pointed at.
#include "KXFramework/Platform/Graphics/FontSystem.h"

#include "TempFolder.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace KX::Test {

using Bytes = std::string;

struct NameRecord {
    uint16_t platform;
    uint16_t language;
    uint16_t nameID;
    std::u16string text;
};

inline void PutU16(Bytes& out, size_t at, uint32_t v)
{
    out[at] = static_cast<char>(v >> 8);
    out[at + 1] = static_cast<char>(v);
}

inline void PutU32(Bytes& out, size_t at, uint32_t v)
{
    PutU16(out, at, v >> 16);
    PutU16(out, at + 2, v & 0xFFFF);
}

// Windows-platform names in US English: family and subfamily.
inline std::vector<NameRecord> WindowsNames(const std::u16string& family, const std::u16string& style)
{
    return {{3, 0x409, 1, family}, {3, 0x409, 2, style}};
}

// A font at `base` within its file: offset table, a "head" record that points nowhere useful,
// then the "name" record and the naming table. Platform-1 strings are one byte per unit.
inline Bytes BuildFont(const std::vector<NameRecord>& names, uint32_t base = 0)
{
    const uint32_t nameOffset = 12 + 2 * 16;
    Bytes strings;
    Bytes table(6 + 12 * names.size(), '\0');
    PutU16(table, 2, static_cast<uint32_t>(names.size()));
    PutU16(table, 4, static_cast<uint32_t>(table.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        const NameRecord& r = names[i];
        Bytes text;
        for (char16_t c : r.text) {
            if (r.platform == 3)
                text.push_back(static_cast<char>(c >> 8));
            text.push_back(static_cast<char>(c));
        }
        const size_t at = 6 + 12 * i;
        PutU16(table, at, r.platform);
        PutU16(table, at + 2, r.platform == 3 ? 1 : 0);
        PutU16(table, at + 4, r.language);
        PutU16(table, at + 6, r.nameID);
        PutU16(table, at + 8, static_cast<uint32_t>(text.size()));
        PutU16(table, at + 10, static_cast<uint32_t>(strings.size()));
        strings += text;
    }
    table += strings;

    Bytes font(nameOffset, '\0');
    PutU32(font, 0, 0x00010000);
    PutU16(font, 4, 2);
    font.replace(12, 4, "head");
    PutU32(font, 12 + 8, base);
    font.replace(28, 4, "name");
    PutU32(font, 28 + 8, base + nameOffset);
    PutU32(font, 28 + 12, static_cast<uint32_t>(table.size()));
    return font + table;
}

// A version-1 collection of fonts with these names.
inline Bytes BuildCollection(const std::vector<std::vector<NameRecord>>& fonts)
{
    Bytes file(12 + 4 * fonts.size(), '\0');
    file.replace(0, 4, "ttcf");
    PutU32(file, 4, 0x00010000);
    PutU32(file, 8, static_cast<uint32_t>(fonts.size()));
    for (size_t i = 0; i < fonts.size(); ++i) {
        PutU32(file, 12 + 4 * i, static_cast<uint32_t>(file.size()));
        file += BuildFont(fonts[i], static_cast<uint32_t>(file.size()));
    }
    return file;
}

// A folder of font files that fontconfig lists alone while the object lives; then the tests' own
// font configuration is back. The configuration states its own sans-serif and one alias, "Arial"
// for "DejaVu Serif".
class FontTestFolder {
public:
    static constexpr const char* kSystemFonts = "/usr/share/fonts/truetype/dejavu/";

    FontTestFolder() { std::filesystem::create_directory(Fonts()); }
    ~FontTestFolder() { Platform::FontSystem::Get().Configure({KX_TEST_FONTS_CONF}); }

    std::string Fonts() const { return m_folder / "fonts"; }
    std::string FontPath(const std::string& name) const { return Fonts() + "/" + name; }
    void Write(const std::string& name, const Bytes& bytes) const { TempFolder::WriteFile(FontPath(name), bytes); }
    void CopySystemFont(const std::string& name, const std::string& as = "") const
    {
        std::filesystem::copy_file(kSystemFonts + name, FontPath(as.empty() ? name : as));
    }

    // Points fontconfig at the folder; call after the files are in place.
    bool Activate() const
    {
        const std::string config = m_folder / "fonts.conf";
        TempFolder::WriteFile(config, "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" + Fonts() +
                                          "</dir>\n  <cachedir>" + (m_folder / "cache") +
                                          "</cachedir>\n"
                                          "  <alias><family>sans-serif</family><prefer><family>DejaVu Sans</family>"
                                          "</prefer></alias>\n"
                                          "  <alias binding=\"same\"><family>Arial</family><prefer><family>DejaVu "
                                          "Serif</family></prefer></alias>\n"
                                          "</fontconfig>\n");
        return Platform::FontSystem::Get().Configure({config});
    }

private:
    TempFolder m_folder;
};

} // namespace KX::Test
