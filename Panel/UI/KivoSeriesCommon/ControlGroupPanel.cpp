#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"

std::vector<GroupTilePlace> BankedTilePlaces(const std::u16string& bank, unsigned banks, const std::u16string& tile,
                                             unsigned perBank, const std::u16string& editPanel)
{
    const auto numbered = [](const std::u16string& stem, unsigned n) {
        std::u16string name = stem;
        for (char c : std::to_string(n))
            name += char16_t(c);
        return name;
    };
    std::vector<GroupTilePlace> places;
    for (unsigned b = 1; b <= banks; ++b) {
        for (unsigned t = 1; t <= perBank; ++t)
            places.push_back({numbered(bank, b), numbered(tile, t), editPanel});
    }
    return places;
}

std::string NarrowName(const std::u16string& name)
{
    std::string narrow;
    for (char16_t c : name)
        narrow += c < 0x80 ? char(c) : '?';
    return narrow;
}
