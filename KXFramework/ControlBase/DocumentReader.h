#pragma once
// What the skin reader and the string-table reader share: the parse of one whole document, the
// Application element, skipping elements that have no place, the attribute readers and the
// collection of a key's text.
// Thread: UI thread only.
#include "KXFramework/ControlBase/StringTable.h"
#include "KXFramework/ControlBase/XmlParser.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace KX {

class LDocumentReader : private XmlHandler {
public:
    // A file source larger than this is treated like a buffer that cannot be had; a collected text
    // is cut at this size too.
    static constexpr size_t kMaxDocumentSize = 64u << 20;

    // Attribute readers: true when the attribute is present (out is untouched otherwise). Booleans
    // are true only for exactly "True"; integers are "0x" with up to four hexadecimal digits, or
    // decimal.
    static bool GetStringAttribute(const XmlAttributes& attributes, std::string_view name, String& out);
    static bool GetBoolAttribute(const XmlAttributes& attributes, std::string_view name, bool& out);
    static bool GetFloatAttribute(const XmlAttributes& attributes, std::string_view name, float& out);
    static bool GetIntAttribute(const XmlAttributes& attributes, std::string_view name, int32_t& out);
    // A decimal integer only.
    static bool GetDecimalAttribute(const XmlAttributes& attributes, std::string_view name, int32_t& out);

protected:
    // The Application element names the application in applicationName.
    explicit LDocumentReader(String& applicationName) : m_applicationName(applicationName) {}
    ~LDocumentReader() override = default;

    // Parses the document. False for a malformed one: lastError then holds expat's text and line, and
    // what was read before the fault (collected text included) stays. A reader's exception leaves
    // this function after the parse state is reset.
    bool Parse(const void* data, size_t size, XmlError& lastError);

    // The reader's own elements: the document element and Application are never passed on, nor an
    // element inside one that is being ignored.
    virtual void StartDocumentElement(std::string_view name, const XmlAttributes& attributes) = 0;
    virtual void EndDocumentElement(std::string_view name) = 0;
    // Forgets the reader's parse state, before and after each document.
    virtual void ResetDocumentState() = 0;

    const String& GetApplicationName() const { return m_applicationName; }

    // The element just started and everything inside it are skipped.
    void IgnoreCurrentElement() { m_ignoredDepth = 1; }

    // Collects the character data that follows into the key of a string table, or of create
    // parameters, until StopCollecting or the next StartCollecting. A key's pieces are joined as
    // UTF-8 and converted once, so that many pieces of one key cost what their text does.
    void StartCollecting(StringMap* table, const RCPtr<LStringTable>& createParams, const String& key);
    void StopCollecting();
    // Converts every key's joined text once and adds it to its table or create parameters.
    void FlushPendingTexts();

private:
    void StartElement(std::string_view name, const XmlAttributes& attributes) override;
    void EndElement(std::string_view name) override;
    void CharacterData(std::string_view text) override;
    void ResetParseState();

    String& m_applicationName;
    bool m_skipFirstElement = false;
    // Elements still open inside one that is being ignored.
    int m_ignoredDepth = 0;
    struct PendingText {
        StringMap* table = nullptr;
        RCPtr<LStringTable> createParams;
        std::string text;
    };
    // Keyed by the table or create parameters (held by the entry) and the key.
    std::map<std::pair<const void*, String>, PendingText> m_pendingTexts;
    bool m_collecting = false;
    std::string* m_collectInto = nullptr;
    size_t m_collectedSize = 0;
};

} // namespace KX
