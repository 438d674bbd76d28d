#pragma once
// The control factory's document side: it reads the string-table documents for one language and
// the skin document into descriptors, and hands out string tables and descriptors by name.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlDescriptor.h"
#include "KXFramework/ControlBase/LayoutDescriptor.h"
#include "KXFramework/ControlBase/LookDescriptor.h"
#include "KXFramework/ControlBase/StringTable.h"
#include "KXFramework/ControlBase/VisualPartDescriptor.h"
#include "KXFramework/ControlBase/XmlParser.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace KX {

// Where the three documents and the skin's images come from: "::" (the program's resources) or a
// folder.
struct DocumentSources {
    String frameworkStrings;
    String applicationStrings;
    String skin;
    String imagePrefix;
};

class LControlFactory : public virtual LRefCountedObject, private XmlHandler {
public:
    // A file source larger than this is treated like a buffer that cannot be had.
    static constexpr size_t kMaxDocumentSize = 64u << 20;
    // A look list longer than this is refused; the skin's longest has 14 entries.
    static constexpr int32_t kMaxLookListSize = 256;

    explicit LControlFactory(const String& applicationName);
    ~LControlFactory() override;

    // "::" gives the resources "::FRAMEWORK_STRINGS", "::APP_STRINGS", "::APP_SKINS"; a folder its
    // "FrameworkStrings.xml", "StringTables.xml" and "Skins.xml".
    static DocumentSources GetDocumentSources(const String& base);

    // Reads both documents for the language, falling back to its primary language and to English.
    // 0, or E_OUTOFMEMORY when a file cannot be read into memory. A missing document is skipped; a
    // malformed one keeps what was read before the fault.
    [[nodiscard]] KXRESULT LoadStringTables(const String& frameworkSource, const String& applicationSource,
                                            uint32_t languageId);
    // 0; E_FAIL for a missing or empty source or a malformed document (what was read before the
    // fault stays); E_OUTOFMEMORY when a file cannot be read into memory. A SubControl without Class
    // or Name throws the runtime error "Bad Subcontrol Element".
    [[nodiscard]] KXRESULT LoadSkin(const String& source);

    // A copy of the table "<parent class>|<control name>", the application name standing in for an
    // empty parent class (a top-level control); null when there is none.
    void GetStringTable(RCPtr<LStringTable>& out, const String& parentClassName, const String& controlName) const;
    void GetFrameworkStringTable(RCPtr<LStringTable>& out) const;
    void GetApplicationStringTable(RCPtr<LStringTable>& out) const;

    // The current skin's default font: each value written only when given (name not empty, size at
    // least 1, style not -1); 0 when one was written, else 1.
    [[nodiscard]] KXRESULT GetDefaultFont(String& fontName, float& fontSize, int32_t& fontStyle) const;

    // The top-level control of the current skin with that name (the last of equal names); a shared
    // null entry when there is none.
    const RCPtr<LControlDescriptor>& FindControlDescriptor(const String& name) const;
    // A clone of source under newName with layout in place of the source's layout.
    static void CloneControlDescriptor(RCPtr<LControlDescriptor>& out, const RCPtr<LControlDescriptor>& source,
                                       const RCPtr<LLayoutDescriptor>& layout, const String& newName);

    // The named definitions of the skin; null when the name is unknown.
    RCPtr<LColorizer> FindColorizer(const String& name) const;
    RCPtr<LVisualPartDescriptor> FindPart(const String& name) const;
    RCPtr<LLookDescriptor> FindLook(const String& name) const;
    RCPtr<LookList> FindLookList(const String& name) const;

    // Attribute readers: true when the attribute is present (out is untouched otherwise). Booleans
    // are true only for exactly "True"; integers are "0x" with up to four hexadecimal digits, or
    // decimal.
    static bool GetStringAttribute(const XmlAttributes& attributes, std::string_view name, String& out);
    static bool GetBoolAttribute(const XmlAttributes& attributes, std::string_view name, bool& out);
    static bool GetFloatAttribute(const XmlAttributes& attributes, std::string_view name, float& out);
    static bool GetIntAttribute(const XmlAttributes& attributes, std::string_view name, int32_t& out);

    const String& GetApplicationName() const { return m_applicationName; }
    uint32_t GetLanguageId() const { return m_languageId; }
    const String& GetImagePrefix() const { return m_imagePrefix; }
    void SetImagePrefix(const String& prefix) { m_imagePrefix = prefix; }
    const ControlDescriptorArray& GetRootDescriptors() const { return m_rootDescriptors; }
    int32_t GetCurrentSkinIndex() const { return m_currentSkinIndex; }
    // The skin whose descriptors lookups use; an index outside the skins finds nothing.
    void SetCurrentSkinIndex(int32_t index) { m_currentSkinIndex = index; }
    // Expat's text and line of the last malformed document.
    const XmlError& GetLastParseError() const { return m_lastError; }

private:
    enum class ReadResult { Ok, Missing, OutOfMemory };
    struct Document {
        std::string owned;
        const void* data = nullptr;
        size_t size = 0;
    };

    void CopyTable(RCPtr<LStringTable>& out, const String& id) const;
    static ReadResult ReadDocument(const String& source, Document& document);
    bool ParseDocument(const Document& document);
    // Reads a string-table document for one language; true when a Locale matched.
    bool ParseStringTablePass(const Document& document, uint32_t languageId);
    void ResetParseState();

    void StartElement(std::string_view name, const XmlAttributes& attributes) override;
    void EndElement(std::string_view name) override;
    void CharacterData(std::string_view text) override;

    void StartStringTableElement(std::string_view name, const XmlAttributes& attributes);
    void StartSkinElement(std::string_view name, const XmlAttributes& attributes);
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
    void StartCollecting(StringMap* table, const RCPtr<LStringTable>& createParams, const String& key);
    void StopCollecting();
    // Converts every key's joined text once and adds it to its table or create parameters.
    void FlushPendingTexts();

    String m_applicationName;
    uint32_t m_languageId = 0;
    String m_imagePrefix;
    ControlDescriptorArray m_rootDescriptors;
    int32_t m_currentSkinIndex = 0;
    std::map<String, StringMap> m_stringTables;

    // Parse state, used only while a document is read.
    bool m_skipFirstElement = false;
    bool m_stringTableMode = false;
    uint32_t m_passLanguage = 0;
    int32_t m_matchedLocales = 0;
    StringMap* m_currentStringTable = nullptr;
    String m_currentStringId;
    RCPtr<LControlDescriptor> m_currentControl;
    RCPtr<LLookDescriptor> m_currentLook;
    RCPtr<LookList> m_currentLookList;
    RCPtr<LStringTable> m_currentCreateParams;
    bool m_insideLooks = false;
    // Elements still open inside a SubControl that has no place in the control tree.
    int m_ignoredDepth = 0;
    // Text collected for a Locale (into a string table) or a CreateParam, as UTF-8. A key's pieces
    // are joined here and converted once, so that many Locales of one key cost what their text does.
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

    // Keyed by the names' UTF-8 text as the document gives them, so references resolve without a
    // conversion; equal texts are equal in either form.
    std::map<std::string, RCPtr<LColorizer>, std::less<>> m_colorizers;
    std::map<std::string, RCPtr<LVisualPartDescriptor>, std::less<>> m_parts;
    std::map<std::string, RCPtr<LLookDescriptor>, std::less<>> m_looks;
    std::map<std::string, RCPtr<LookList>, std::less<>> m_lookLists;

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

    XmlError m_lastError;
};

} // namespace KX
