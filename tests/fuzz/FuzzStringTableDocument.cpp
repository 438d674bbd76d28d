// The string-table reader on arbitrary bytes, for a language with a regional variant so that the
// fallback passes run too, from the resources and from files (the route with the size cap). The
// tables read must hold exactly what a plain model of the rules collects from the same document.
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/DocumentReader.h"
#include "KXFramework/ControlBase/XmlParser.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include "DocumentFile.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

namespace {

using KX::String;

constexpr uint32_t kLanguage = 0x0C04;
constexpr uint32_t kEnglish = 0x0009;

// Tables by ID, texts by key, as UTF-8.
using Tables = std::map<String, std::map<String, std::string>>;

// The rules: a StringTable with an ID picks the table, a String its key; a Locale of the pass's
// language counts as a match and, with a table and a key, collects its text into that key (after
// any text the key already has) until the next end tag or the next collecting Locale.
class Model : public KX::XmlHandler {
public:
    Model(Tables& tables, String& applicationName) : m_tables(tables), m_applicationName(applicationName) {}

    // True when a Locale of the language was found.
    bool Pass(std::string_view document, uint32_t language)
    {
        m_language = language;
        m_skipFirst = true;
        m_table = nullptr;
        m_key = String();
        m_collect = nullptr;
        m_matched = false;
        KX::XmlError error;
        static_cast<void>(KX::XmlParser::Parse(document.data(), document.size(), *this, error)); // as the reader
        return m_matched;
    }

    void StartElement(std::string_view name, const KX::XmlAttributes& attributes) override
    {
        if (m_skipFirst) {
            m_skipFirst = false;
            return;
        }
        if (name == "Application") {
            m_applicationName = String();
            KX::LDocumentReader::GetStringAttribute(attributes, "Name", m_applicationName);
        } else if (name == "StringTable") {
            if (const char* id = attributes.Find("ID"))
                m_table = &m_tables[String(id)];
        } else if (name == "String") {
            m_key = String();
            KX::LDocumentReader::GetStringAttribute(attributes, "ID", m_key);
        } else if (name == "Locale") {
            int32_t language = 0;
            if (!KX::LDocumentReader::GetIntAttribute(attributes, "LCID", language) ||
                static_cast<uint32_t>(language) != m_language)
                return;
            m_matched = true;
            if (m_table != nullptr && !m_key.IsEmpty())
                m_collect = &(*m_table)[m_key];
        }
    }
    void EndElement(std::string_view) override { m_collect = nullptr; }
    void CharacterData(std::string_view text) override
    {
        if (m_collect != nullptr)
            m_collect->append(text);
    }

private:
    Tables& m_tables;
    String& m_applicationName;
    uint32_t m_language = 0;
    bool m_skipFirst = true;
    std::map<String, std::string>* m_table = nullptr;
    String m_key;
    std::string* m_collect = nullptr;
    bool m_matched = false;
};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Both documents are the input: the framework's falls back to the primary language and to English,
// the application's follows the language settled on, or English.
void Expect(std::string_view document, Tables& tables, String& applicationName)
{
    Model model(tables, applicationName);
    uint32_t language = kLanguage;
    if (!model.Pass(document, language)) {
        language = 0x7C04;
        if (!model.Pass(document, language)) {
            language = kEnglish;
            model.Pass(document, language);
        }
    }
    if (!model.Pass(document, language))
        model.Pass(document, kEnglish);
}

// Every table the factory hands out by an ID matches the model's.
void Compare(const KX::LControlFactory& factory, const Tables& tables, const String& applicationName)
{
    Check(factory.GetApplicationName() == applicationName);
    for (const auto& [id, entries] : tables) {
        const std::u16string_view text(id.GetString(), id.GetLength());
        const size_t bar = text.find(u'|');
        KX::RCPtr<KX::LStringTable> table;
        if (id == u"Framework")
            factory.GetFrameworkStringTable(table);
        else if (bar == 0 &&
                 text.substr(1) == std::u16string_view(applicationName.GetString(), applicationName.GetLength()))
            factory.GetApplicationStringTable(table);
        else if (bar != std::u16string_view::npos && bar > 0)
            factory.GetStringTable(table, id.Left(static_cast<unsigned>(bar)), id.Mid(static_cast<unsigned>(bar + 1)));
        else
            continue;
        Check(table && table->GetEntries().size() == entries.size());
        for (const auto& [key, utf8] : entries) {
            const auto found = table->GetEntries().find(key);
            Check(found != table->GetEntries().end() && found->second == String(utf8.c_str()));
        }
    }
}

void Load(const String& framework, const String& application, const Tables& tables, const String& applicationName)
{
    KX::RCPtr<KX::LControlFactory> factory(new KX::LControlFactory(String(u"PresetEditor")));
    Check(factory->LoadStringTables(framework, application, kLanguage) == KX::S_OK);
    Compare(*factory, tables, applicationName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    const KX::ResourceEntry entries[] = {{u"KXXML", u"FRAMEWORK_STRINGS", data, size},
                                         {u"KXXML", u"APP_STRINGS", data, size}};
    Tables tables;
    String applicationName(u"PresetEditor");
    if (size > 0)
        Expect(document, tables, applicationName);

    KX::SetResourceTable(entries, 2);
    Load(String(u"::FRAMEWORK_STRINGS"), String(u"::APP_STRINGS"), tables, applicationName);
    KX::SetResourceTable(nullptr, 0);

    static KX::Test::DocumentFile file("StringTables.xml");
    file.Write(data, size);
    const String path(file.Path().c_str());
    Load(path, path, tables, applicationName);
    return 0;
}
