#pragma once
// A look list of `frames` frame looks, each a grey client part, optionally followed by an empty
// slot and one overlay look: the layout of frame-row controls such as the knob.
#include <string>

namespace KX::Test {

inline std::string FrameLooks(const char* listName, int frames, bool overlay)
{
    std::string looks = " <Looks>\n";
    const int count = frames + (overlay ? 2 : 0);
    std::string list = std::string(" <LookLists>\n  <LookList Name=\"") + listName + "\" NumLooks=\"" +
                       std::to_string(count) + "\">\n";
    for (int i = 0; i < count; ++i) {
        if (i == frames)
            continue;
        const std::string name = std::string(listName) + std::to_string(i);
        looks += "  <Look Name=\"" + name +
                 "\"><ClientPart Name=\"grey\" OffsetLeft=\"0\" OffsetTop=\"0\" OffsetRight=\"0\" "
                 "OffsetBottom=\"0\"/></Look>\n";
        list += "   <Look Name=\"" + name + "\" Index=\"" + std::to_string(i) + "\"/>\n";
    }
    return looks + " </Looks>\n" + list + "  </LookList>\n </LookLists>";
}

} // namespace KX::Test
