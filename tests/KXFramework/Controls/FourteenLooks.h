#pragma once
// Looks and a look list for the 14-look classes (buttons, list rows): every look a grey client
// part.
#include <string>

namespace KX::Test {

inline std::string FourteenLooks(const char* listName)
{
    std::string looks = " <Looks>\n";
    std::string list = std::string(" <LookLists>\n  <LookList Name=\"") + listName + "\" NumLooks=\"14\">\n";
    for (int i = 0; i < 14; ++i) {
        const std::string name = std::string(listName) + std::to_string(i);
        looks += "  <Look Name=\"" + name +
                 "\"><ClientPart Name=\"grey\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" "
                 "OffsetBottom=\"0\"/></Look>\n";
        list += "   <Look Name=\"" + name + "\" Index=\"" + std::to_string(i) + "\"/>\n";
    }
    return looks + " </Looks>\n" + list + "  </LookList>\n </LookLists>";
}

} // namespace KX::Test
