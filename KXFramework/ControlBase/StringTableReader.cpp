#include "KXFramework/ControlBase/StringTableReader.h"

namespace KX {

LStringTableReader::LStringTableReader(String& applicationName, std::map<String, StringMap>& tables)
    : LDocumentReader(applicationName),
      m_tables(tables)
{
}

bool LStringTableReader::Read(const void* data, size_t size, uint32_t languageId, bool& matched, XmlError& lastError)
{
    m_language = languageId;
    m_matchedLocales = 0;
    const bool parsed = Parse(data, size, lastError);
    matched = m_matchedLocales > 0;
    return parsed;
}

void LStringTableReader::ResetDocumentState()
{
    m_currentTable = nullptr;
    m_currentId = String();
}

void LStringTableReader::StartDocumentElement(std::string_view name, const XmlAttributes& attributes)
{
    if (name == "StringTable") {
        const char* id = attributes.Find("ID");
        if (id != nullptr)
            m_currentTable = &m_tables[String(id)];
    } else if (name == "String") {
        // Without an ID the Locales that follow belong to no key.
        m_currentId = String();
        GetStringAttribute(attributes, "ID", m_currentId);
    } else if (name == "Locale") {
        int32_t language = 0;
        if (!GetIntAttribute(attributes, "LCID", language) || static_cast<uint32_t>(language) != m_language)
            return;
        ++m_matchedLocales;
        if (m_currentTable == nullptr || m_currentId.IsEmpty())
            return;
        m_currentTable->try_emplace(m_currentId);
        StartCollecting(m_currentTable, nullptr, m_currentId);
    }
}

void LStringTableReader::EndDocumentElement(std::string_view)
{
    StopCollecting();
}

} // namespace KX
