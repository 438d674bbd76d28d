#pragma once
// Reads the texts of one language from a string-table document into tables by ID.
// Thread: UI thread only.
#include "KXFramework/ControlBase/DocumentReader.h"

#include <cstdint>
#include <map>

namespace KX {

class LStringTableReader : public LDocumentReader {
public:
    LStringTableReader(String& applicationName, std::map<String, StringMap>& tables);

    // Adds the language's texts to the tables; false for a malformed document (see Parse).
    // matched tells whether a Locale of the language was found.
    bool Read(const void* data, size_t size, uint32_t languageId, bool& matched, XmlError& lastError);

private:
    void StartDocumentElement(std::string_view name, const XmlAttributes& attributes) override;
    void EndDocumentElement(std::string_view name) override;
    void ResetDocumentState() override;

    std::map<String, StringMap>& m_tables;
    uint32_t m_language = 0;
    int32_t m_matchedLocales = 0;
    StringMap* m_currentTable = nullptr;
    String m_currentId;
};

} // namespace KX
