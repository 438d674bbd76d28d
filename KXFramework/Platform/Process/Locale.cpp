#include "KXFramework/Platform/Process/Locale.h"

#include <cstdlib>
#include <string>

namespace KX::Platform {

namespace {

constexpr uint32_t kEnglishUS = 0x0409;

struct LanguageCode {
    std::string_view language;
    uint32_t primary;
};

// Primary language numbers; the identifier is 0x0400 | primary unless a territory has its own.
constexpr LanguageCode kLanguages[] = {
    {"de", 0x07}, {"en", 0x09}, {"es", 0x0A}, {"fr", 0x0C}, {"it", 0x10}, {"ja", 0x11},
    {"ko", 0x12}, {"nl", 0x13}, {"pl", 0x15}, {"pt", 0x16}, {"ru", 0x19}, {"sv", 0x1D},
};

struct TerritoryCode {
    std::string_view language;
    std::string_view territory;
    uint32_t id;
};

constexpr TerritoryCode kTerritories[] = {
    {"zh", "TW", 0x0404}, {"zh", "HK", 0x0C04}, {"zh", "MO", 0x1404}, {"zh", "CN", 0x0804}, {"zh", "SG", 0x1004},
    {"en", "GB", 0x0809}, {"pt", "BR", 0x0416}, {"pt", "PT", 0x0816}, {"es", "MX", 0x080A}, {"es", "ES", 0x0C0A},
};

// Chinese without a territory of the table: the simplified script, the common case.
constexpr uint32_t kChineseDefault = 0x0804;

std::string AsciiCase(std::string_view text, bool upper)
{
    std::string out(text);
    for (char& c : out) {
        if (upper && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (!upper && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

} // namespace

uint32_t LocaleIdFromName(std::string_view name)
{
    name = name.substr(0, name.find_first_of(".@"));
    const size_t underscore = name.find('_');
    const std::string language = AsciiCase(name.substr(0, underscore), false);
    const std::string territory =
        underscore == std::string_view::npos ? std::string() : AsciiCase(name.substr(underscore + 1), true);

    for (const TerritoryCode& entry : kTerritories)
        if (entry.language == language && entry.territory == territory)
            return entry.id;
    if (language == "zh")
        return kChineseDefault;
    for (const LanguageCode& entry : kLanguages)
        if (entry.language == language)
            return 0x0400 | entry.primary;
    return kEnglishUS;
}

uint32_t GetUserLocaleId()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0')
            return LocaleIdFromName(value);
    }
    return kEnglishUS;
}

} // namespace KX::Platform
