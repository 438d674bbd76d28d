// The settings reader on arbitrary bytes: it must not crash, must give back every byte it read,
// and a value set afterwards must read back the same from the written text, with every other key
// reading as before.
#include "KXFramework/Platform/Ini/IniDocument.h"
#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using KX::Platform::Ini::IniDocument;

namespace {

// The keys of a section other than FuzzKey, with their values.
std::vector<std::string> OtherKeys(const IniDocument& doc, const std::string& section)
{
    std::vector<std::string> out;
    for (const std::string& name : doc.GetKeyNames(section))
        if (!KX::EqualNoCase(name, "FuzzKey"))
            out.push_back(name + "=" + doc.GetValue(section, name).value_or(""));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    IniDocument doc;
    if (!doc.Parse(text)) {
        // Only NUL bytes (and the size limits, far above any fuzz input) make text unreadable.
        if (text.find('\0') == std::string::npos)
            std::abort();
        // Go on with the rest of the input, so that random bytes reach the line parser too.
        for (char& c : text)
            c = c == '\0' ? '=' : c;
        if (!doc.Parse(text))
            std::abort();
    }
    if (doc.Serialize() != text)
        std::abort();

    // Use the input's own first line as section and value, so the fuzzer steers both.
    const std::string firstLine = text.substr(0, text.find('\n'));
    for (const std::string& name : doc.GetKeyNames(""))
        (void)doc.GetValue("", name);
    (void)doc.GetArrayCount(firstLine);
    const std::string section = KX::Platform::Ini::IsStorableSection(firstLine) ? firstLine : "S";
    const std::string value = KX::Platform::Ini::SanitizeUtf8(firstLine);
    const std::vector<std::string> topBefore = OtherKeys(doc, ""), sectionBefore = OtherKeys(doc, section);
    if (doc.SetValue(section, "FuzzKey", value) == IniDocument::Change::TooLarge)
        return 0;
    IniDocument reread;
    if (!reread.Parse(doc.Serialize()) || reread.GetValue(section, "FuzzKey") != value)
        std::abort();
    if (OtherKeys(reread, "") != topBefore || OtherKeys(reread, section) != sectionBefore)
        std::abort();
    if (reread.SetArrayCount(section, 3) != IniDocument::Change::TooLarge && reread.GetArrayCount(section) < 3)
        std::abort();
    if (reread.GetArrayCount(section) > 0)
        reread.RemoveArrayItem(section, 0);
    return 0;
}
