#pragma once
// Reads a skin document into the control tree of each skin and the named colorizers, parts, looks
// and look lists.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlDescriptor.h"
#include "KXFramework/ControlBase/DocumentReader.h"
#include "KXFramework/ControlBase/LayoutDescriptor.h"
#include "KXFramework/ControlBase/LookDescriptor.h"
#include "KXFramework/ControlBase/VisualPartDescriptor.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace KX {

// What skin documents are read into; the control factory keeps it.
struct SkinContents {
    // Keyed by the names' UTF-8 text as the document gives them, so references resolve without a
    // conversion; equal texts are equal in either form.
    template <class T>
    using NameTable = std::map<std::string, RCPtr<T>, std::less<>>;

    // One "Application" descriptor per skin, its top-level controls below it.
    ControlDescriptorArray rootDescriptors;
    NameTable<LColorizer> colorizers;
    NameTable<LVisualPartDescriptor> parts;
    NameTable<LLookDescriptor> looks;
    NameTable<LookList> lookLists;

    // Null when the name is unknown (or null).
    template <class T>
    static RCPtr<T> Find(const NameTable<T>& table, std::string_view name)
    {
        const auto it = table.find(name);
        return it != table.end() ? it->second : RCPtr<T>();
    }
    template <class T>
    static RCPtr<T> Find(const NameTable<T>& table, const char* name)
    {
        return name != nullptr ? Find(table, std::string_view(name)) : RCPtr<T>();
    }
};

class LSkinReader : public LDocumentReader {
public:
    // A look list longer than this is refused; the skin's longest has 14 entries.
    static constexpr int32_t kMaxLookListSize = 256;

    LSkinReader(String& applicationName, SkinContents& contents);

    // Adds the document's skins and definitions; false for a malformed document (see Parse). Part
    // images are found under imagePrefix; font translations apply for languageId. A SubControl
    // without Class or Name throws the runtime error "Bad Subcontrol Element".
    bool Read(const void* data, size_t size, uint32_t languageId, const String& imagePrefix, XmlError& lastError);

private:
    void StartDocumentElement(std::string_view name, const XmlAttributes& attributes) override;
    void EndDocumentElement(std::string_view name) override;
    void ResetDocumentState() override;

    void StartSkin(const XmlAttributes& attributes);
    void StartSubControl(const XmlAttributes& attributes);
    void ReadLayout(const XmlAttributes& attributes, LLayoutDescriptor& layout, bool topLevel);
    void ReadFontSettings(const XmlAttributes& attributes);
    void StartLookList(const XmlAttributes& attributes);
    void StartLook(const XmlAttributes& attributes);
    void StartClientPart(const XmlAttributes& attributes);
    void StartTextProperties(const XmlAttributes& attributes);
    void StartNonClientPart(const XmlAttributes& attributes);
    void StartPart(const XmlAttributes& attributes);
    void StartColorizer(const XmlAttributes& attributes);
    void StartFontTranslation(const XmlAttributes& attributes);

    SkinContents& m_contents;
    uint32_t m_languageId = 0;
    String m_imagePrefix;

    // Parse state, used only while a document is read.
    RCPtr<LControlDescriptor> m_currentRoot;
    RCPtr<LControlDescriptor> m_currentControl;
    RCPtr<LLookDescriptor> m_currentLook;
    RCPtr<LookList> m_currentLookList;
    RCPtr<LStringTable> m_currentCreateParams;
    bool m_insideLooks = false;

    // The class names read so far, each converted once.
    std::map<std::string, String, std::less<>> m_classNames;

    // Font settings of the last SubControl, taken by its nested Skin.
    String m_fontName;
    std::string m_fontNameText; // as written, so that a repeated name is not converted again
    float m_fontSize = 0.0f;
    int32_t m_fontStyle = -1;
    bool m_fontInheritsFromParent = false;
    bool m_fontSizeIsRelative = false;
    std::map<String, String> m_fontTranslations;
    int32_t m_fontLocale = 0;
};

} // namespace KX
