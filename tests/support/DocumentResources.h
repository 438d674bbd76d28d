#pragma once
// Documents handed to the control factory as the program's KXXML resources ("::APP_SKINS", ...).
// Installs its own resource table and removes it at the end.
#include "KXFramework/Platform/Resources/Resources.h"

#include <deque>
#include <string>
#include <vector>

namespace KX::Test {

class DocumentResources {
public:
    DocumentResources() = default;
    DocumentResources(const DocumentResources&) = delete;
    DocumentResources& operator=(const DocumentResources&) = delete;
    ~DocumentResources() { SetResourceTable(nullptr, 0); }

    // Adds (or replaces) the KXXML resource `name` and installs the table.
    void Set(const std::u16string& name, const std::string& bytes)
    {
        for (size_t i = 0; i < m_names.size(); ++i) {
            if (m_names[i] == name) {
                m_bytes[i] = bytes;
                Install();
                return;
            }
        }
        m_names.push_back(name);
        m_bytes.push_back(bytes);
        Install();
    }

private:
    void Install()
    {
        m_entries.clear();
        for (size_t i = 0; i < m_names.size(); ++i)
            m_entries.push_back({u"KXXML", m_names[i].c_str(),
                                 reinterpret_cast<const unsigned char*>(m_bytes[i].data()), m_bytes[i].size()});
        SetResourceTable(m_entries.data(), m_entries.size());
    }

    // Deques keep every element in place while others are added.
    std::deque<std::u16string> m_names;
    std::deque<std::string> m_bytes;
    std::vector<ResourceEntry> m_entries;
};

} // namespace KX::Test
