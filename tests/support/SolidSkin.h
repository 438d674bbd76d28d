#pragma once
// Skin text for tests drawn in solid colours: a colorizer and a stretched part of the same name per
// colour, looks of one client part, look lists of them, and the document around it all.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace KX::Test {

struct SolidColour {
    std::string name;
    uint32_t argb;
};

// The Colorizers and Parts sections: per colour a solid colorizer and a part `size` pixels square
// of the same name.
inline std::string SolidParts(const std::vector<SolidColour>& colours, int size = 1)
{
    const std::string side = std::to_string(size);
    std::string colorizers = " <Colorizers>\n";
    std::string parts = " <Parts>\n";
    for (const SolidColour& colour : colours) {
        char argb[11];
        std::snprintf(argb, sizeof argb, "0x%08X", unsigned(colour.argb));
        colorizers += "  <Colorizer Name=\"" + colour.name + "\" ColorType=\"SolidFill\" Color=\"" + argb + "\"/>\n";
        parts += "  <Part Name=\"" + colour.name + "\" Width=\"" + side + "\" Height=\"" + side +
                 "\" ResizeType=\"Stretch\" ColorizerName=\"" + colour.name + "\"/>\n";
    }
    return colorizers + " </Colorizers>\n" + parts + " </Parts>\n";
}

// The Looks and LookLists sections, gathered side by side in the order they are added.
struct SkinLooks {
    // A look whose client part `part` fills the control but for `inset` on every side; `inside`
    // follows the part (text properties, non-client parts).
    SkinLooks& Look(const std::string& name, const std::string& part, const std::string& inside = "", int inset = 0)
    {
        const std::string in = std::to_string(inset), out = std::to_string(-inset);
        looks += "  <Look Name=\"" + name + "\"><ClientPart Name=\"" + part + "\" OffsetLeft=\"" + in +
                 "\" OffsetTop=\"" + in + "\" OffsetRight=\"" + out + "\" OffsetBottom=\"" + out + "\"/>" + inside +
                 "</Look>\n";
        return *this;
    }
    // A look list; an empty look name leaves its index free.
    SkinLooks& List(const std::string& name, const std::vector<std::string>& names)
    {
        lists += "  <LookList Name=\"" + name + "\" NumLooks=\"" + std::to_string(names.size()) + "\">";
        for (size_t i = 0; i < names.size(); ++i)
            if (!names[i].empty())
                lists += "<Look Name=\"" + names[i] + "\" Index=\"" + std::to_string(i) + "\"/>";
        lists += "</LookList>\n";
        return *this;
    }
    // A look of the part of the same name, alone in a list of that name.
    SkinLooks& Solid(const std::string& name) { return Look(name, name).List(name, {name}); }
    // Looks prefix0, prefix1... of the parts given, listed in that order as `list`; an empty part
    // leaves its index free.
    SkinLooks& Row(const std::string& list, const std::string& prefix, const std::vector<std::string>& parts)
    {
        std::vector<std::string> names;
        for (size_t i = 0; i < parts.size(); ++i) {
            names.push_back(parts[i].empty() ? "" : prefix + std::to_string(i));
            if (!parts[i].empty())
                Look(names.back(), parts[i]);
        }
        return List(list, names);
    }

    std::string Text() const { return " <Looks>\n" + looks + " </Looks>\n <LookLists>\n" + lists + " </LookLists>\n"; }

    std::string looks;
    std::string lists;
};

// Looks and a look list for the 14-look classes (buttons, list rows): every look grey.
inline std::string FourteenLooks(const char* listName)
{
    return SkinLooks().Row(listName, listName, std::vector<std::string>(14, "grey")).Text();
}

// A look list of `frames` grey frame looks, optionally followed by an empty slot and one grey
// overlay look: the layout of frame-row controls such as the knob.
inline std::string FrameLooks(const char* listName, int frames, bool overlay)
{
    std::vector<std::string> parts(size_t(frames), "grey");
    if (overlay)
        parts.insert(parts.end(), {"", "grey"});
    return SkinLooks().Row(listName, listName, parts).Text();
}

// A whole skin document: the sections given, then one skin whose attributes are `skin` holding
// the top-level controls `controls`.
inline std::string SkinFile(const std::string& sections, const std::string& skin, const std::string& controls)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Velmora_Skin_Definitions>\n"
           "<Application Name=\"PresetEditor\">\n" +
           sections + " <Skins>\n  <Skin " + skin + ">\n" + controls + "\n  </Skin>\n </Skins>\n</Application>\n" +
           "</Velmora_Skin_Definitions>\n";
}

} // namespace KX::Test
