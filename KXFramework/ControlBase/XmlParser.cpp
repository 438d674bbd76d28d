#include "KXFramework/ControlBase/XmlParser.h"

#include <climits>
#include <cstring>
#include <exception>
#include <expat.h>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace KX {

namespace {

struct ParseState {
    ParseState(XML_Parser p, XmlHandler& h, size_t textLimit) : parser(p), handler(h), textLeft(textLimit) {}

    XML_Parser parser;
    XmlHandler& handler;
    int depth = 0;
    // Reused for every start tag; the names are measured once so that lookups compare lengths first.
    std::vector<XmlAttribute> attributes;
    bool tooDeep = false;
    size_t textLeft;
    bool tooMuchText = false;
    std::exception_ptr failure;
};

// False, and the parser stopped, once the document's text passes its limit.
bool TakeText(ParseState& state, size_t length)
{
    if (length <= state.textLeft) {
        state.textLeft -= length;
        return true;
    }
    state.tooMuchText = true;
    XML_StopParser(state.parser, XML_FALSE);
    return false;
}

// Every callback stops the parser instead of letting an exception cross expat's C frames.
template <class Call>
void Guarded(ParseState& state, Call call)
{
    if (state.failure || state.tooDeep || state.tooMuchText)
        return;
    try {
        call();
    } catch (...) {
        state.failure = std::current_exception();
        XML_StopParser(state.parser, XML_FALSE);
    }
}

void XMLCALL OnStart(void* userData, const XML_Char* name, const XML_Char** attributes)
{
    auto& state = *static_cast<ParseState*>(userData);
    if (state.tooDeep || state.tooMuchText)
        return;
    if (++state.depth > XmlParser::kMaxDepth) {
        state.tooDeep = true;
        XML_StopParser(state.parser, XML_FALSE);
        return;
    }
    Guarded(state, [&] {
        state.attributes.clear();
        for (const XML_Char** pair = attributes; pair[0] != nullptr; pair += 2) {
            if (!TakeText(state, std::strlen(pair[1])))
                return;
            state.attributes.push_back({pair[0], pair[1]});
        }
        state.handler.StartElement(name, XmlAttributes(state.attributes));
    });
}

void XMLCALL OnEnd(void* userData, const XML_Char* name)
{
    auto& state = *static_cast<ParseState*>(userData);
    --state.depth;
    Guarded(state, [&] { state.handler.EndElement(name); });
}

void XMLCALL OnText(void* userData, const XML_Char* text, int length)
{
    auto& state = *static_cast<ParseState*>(userData);
    if (!TakeText(state, static_cast<size_t>(length)))
        return;
    Guarded(state, [&] { state.handler.CharacterData(std::string_view(text, static_cast<size_t>(length))); });
}

} // namespace

const char* XmlAttributes::Find(std::string_view name) const
{
    for (const XmlAttribute& attribute : m_attributes) {
        if (attribute.name == name)
            return attribute.value;
    }
    return nullptr;
}

bool XmlParser::Parse(const void* data, size_t size, XmlHandler& handler, XmlError& error)
{
    error = XmlError();
    if (size > static_cast<size_t>(INT_MAX)) {
        error.text = String(u"document too large");
        return false;
    }
    const std::unique_ptr<std::remove_pointer_t<XML_Parser>, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr),
                                                                                          XML_ParserFree);
    if (!parser)
        throw std::bad_alloc();
    ParseState state(parser.get(), handler, 2 * size + kMaxExpandedText);
    XML_SetUserData(parser.get(), &state);
    XML_SetElementHandler(parser.get(), OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser.get(), OnText);
    const XML_Status status = XML_Parse(parser.get(), static_cast<const char*>(data), static_cast<int>(size), XML_TRUE);
    if (state.failure)
        std::rethrow_exception(state.failure);
    if (status == XML_STATUS_OK)
        return true;
    const unsigned long line = XML_GetCurrentLineNumber(parser.get());
    error.line = line > static_cast<unsigned long>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(line);
    if (state.tooDeep) {
        error.text = String::Format(u"elements nested deeper than %d levels", kMaxDepth);
    } else if (state.tooMuchText) {
        error.text = String::Format(u"text outgrows the document by more than %u bytes",
                                    static_cast<unsigned>(kMaxExpandedText));
    } else {
        const XML_LChar* text = XML_ErrorString(XML_GetErrorCode(parser.get()));
        error.text = String(text != nullptr ? text : "unknown error");
    }
    return false;
}

} // namespace KX
