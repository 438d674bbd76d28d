#pragma once
// The skin and string-table documents are read with expat: the whole document in one call,
// delivered as start tags, end tags and character data. Text arrives as UTF-8.
// Thread: UI thread only.
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace KX {

struct XmlAttribute {
    std::string_view name;
    const char* value;
};

// The attributes of one start tag.
class XmlAttributes {
public:
    explicit XmlAttributes(std::span<const XmlAttribute> attributes) : m_attributes(attributes) {}

    // The value of the attribute, null when the tag does not have it.
    const char* Find(std::string_view name) const;

private:
    std::span<const XmlAttribute> m_attributes;
};

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void StartElement(std::string_view name, const XmlAttributes& attributes) = 0;
    virtual void EndElement(std::string_view name) = 0;
    virtual void CharacterData(std::string_view text) = 0;
};

struct XmlError {
    String text;
    int32_t line = 0;
};

class XmlParser {
public:
    // Deeper documents are refused: the descriptors built from them are released recursively.
    static constexpr int kMaxDepth = 256;
    // Text (character data and attribute values, in UTF-8) beyond twice the document's size can only
    // come from entities, as transcoding at most doubles it; expat bounds their ratio, not what a
    // reader keeps of them. A document whose text passes that by more than this is refused.
    static constexpr size_t kMaxExpandedText = 1u << 20;

    // Parses the document, calling the handler for each piece. False for a malformed document
    // (error holds expat's text and the line) or for too much text, after the handler has seen
    // everything before the fault. An exception thrown by the handler ends the parse and leaves
    // this function.
    static bool Parse(const void* data, size_t size, XmlHandler& handler, XmlError& error);
};

} // namespace KX
