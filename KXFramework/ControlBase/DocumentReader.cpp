#include "KXFramework/ControlBase/DocumentReader.h"

#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <limits>

namespace KX {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "0x" with up to four hexadecimal digits (later ones are ignored), else decimal.
int32_t ParseSkinInteger(const char* text)
{
    if (text[0] == '0' && text[1] == 'x') {
        int32_t value = 0;
        for (int i = 2; i < 6; ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0)
                break;
            value = value * 16 + digit;
        }
        return value;
    }
    return ParseInt32(text);
}

bool ParseSkinBool(const char* text)
{
    return std::string_view(text) == "True";
}

// Beyond the float range the value is infinite rather than an undefined conversion.
float ParseSkinReal(const char* text)
{
    const double value = ParseDouble(text);
    if (value > std::numeric_limits<float>::max())
        return std::numeric_limits<float>::infinity();
    if (value < -std::numeric_limits<float>::max())
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

} // namespace

bool LDocumentReader::GetStringAttribute(const XmlAttributes& attributes, std::string_view name, String& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = String(value);
    return true;
}

bool LDocumentReader::GetBoolAttribute(const XmlAttributes& attributes, std::string_view name, bool& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = ParseSkinBool(value);
    return true;
}

bool LDocumentReader::GetFloatAttribute(const XmlAttributes& attributes, std::string_view name, float& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = ParseSkinReal(value);
    return true;
}

bool LDocumentReader::GetIntAttribute(const XmlAttributes& attributes, std::string_view name, int32_t& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = ParseSkinInteger(value);
    return true;
}

bool LDocumentReader::GetDecimalAttribute(const XmlAttributes& attributes, std::string_view name, int32_t& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = ParseInt32(value);
    return true;
}

void LDocumentReader::ResetParseState()
{
    m_skipFirstElement = true;
    m_ignoredDepth = 0;
    m_collecting = false;
    m_collectInto = nullptr;
    m_pendingTexts.clear();
    ResetDocumentState();
}

bool LDocumentReader::Parse(const void* data, size_t size, XmlError& lastError)
{
    ResetParseState();
    bool parsed = false;
    XmlError error;
    try {
        parsed = XmlParser::Parse(data, size, *this, error);
    } catch (...) {
        FlushPendingTexts();
        ResetParseState();
        throw;
    }
    // Text collected up to a fault stays, as everything else read before it does.
    FlushPendingTexts();
    ResetParseState();
    if (!parsed)
        lastError = error;
    return parsed;
}

void LDocumentReader::StartElement(std::string_view name, const XmlAttributes& attributes)
{
    if (m_skipFirstElement) {
        m_skipFirstElement = false;
        return;
    }
    if (m_ignoredDepth > 0) {
        ++m_ignoredDepth;
        return;
    }
    if (name == "Application") {
        String applicationName;
        GetStringAttribute(attributes, "Name", applicationName);
        m_applicationName = applicationName;
    } else {
        StartDocumentElement(name, attributes);
    }
}

void LDocumentReader::EndElement(std::string_view name)
{
    if (m_ignoredDepth > 0) {
        --m_ignoredDepth;
        return;
    }
    EndDocumentElement(name);
}

void LDocumentReader::CharacterData(std::string_view text)
{
    // Entities can make a text far longer than the document; beyond the document limit it is cut.
    if (m_collecting && m_collectedSize + text.size() <= kMaxDocumentSize) {
        m_collectInto->append(text);
        m_collectedSize += text.size();
    }
}

void LDocumentReader::StartCollecting(StringMap* table, const RCPtr<LStringTable>& createParams, const String& key)
{
    StopCollecting();
    const void* target = table != nullptr ? static_cast<const void*>(table) : createParams.Get();
    PendingText& pending = m_pendingTexts[{target, key}];
    pending.table = table;
    pending.createParams = createParams;
    // A CreateParam's start has just emptied its entry: a repeated one replaces the earlier text.
    if (createParams)
        pending.text.clear();
    m_collecting = true;
    m_collectInto = &pending.text;
    m_collectedSize = 0;
}

void LDocumentReader::StopCollecting()
{
    m_collecting = false;
    m_collectInto = nullptr;
}

void LDocumentReader::FlushPendingTexts()
{
    StopCollecting();
    for (auto& [slot, pending] : m_pendingTexts) {
        String text;
        text.Assign(pending.text.data(), static_cast<unsigned>(pending.text.size()));
        if (pending.table != nullptr) {
            (*pending.table)[slot.second] += text;
        } else {
            String entry;
            pending.createParams->GetString(slot.second.GetString(), entry);
            static_cast<void>(
                pending.createParams->SetString(slot.second, entry + text)); // an unstorable key is left out
        }
    }
    m_pendingTexts.clear();
}

} // namespace KX
