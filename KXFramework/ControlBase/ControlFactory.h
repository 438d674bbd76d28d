#pragma once
// The control factory's document side: it has the string-table documents for one language and the
// skin document read into descriptors, keeps them, and hands out string tables and descriptors by
// name.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlDescriptor.h"
#include "KXFramework/ControlBase/LayoutDescriptor.h"
#include "KXFramework/ControlBase/LookDescriptor.h"
#include "KXFramework/ControlBase/SkinReader.h"
#include "KXFramework/ControlBase/StringTable.h"
#include "KXFramework/ControlBase/StringTableReader.h"
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

class LControlFactory : public virtual LRefCountedObject {
public:
    // A file source larger than this is treated like a buffer that cannot be had.
    static constexpr size_t kMaxDocumentSize = LDocumentReader::kMaxDocumentSize;

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

    const String& GetApplicationName() const { return m_applicationName; }
    uint32_t GetLanguageId() const { return m_languageId; }
    const String& GetImagePrefix() const { return m_imagePrefix; }
    void SetImagePrefix(const String& prefix) { m_imagePrefix = prefix; }
    const ControlDescriptorArray& GetRootDescriptors() const { return m_skin.rootDescriptors; }
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
    // Reads a string-table document for one language; true when a Locale matched.
    bool ReadStringTables(const Document& document, uint32_t languageId);

    String m_applicationName;
    uint32_t m_languageId = 0;
    String m_imagePrefix;
    int32_t m_currentSkinIndex = 0;
    std::map<String, StringMap> m_stringTables;
    SkinContents m_skin;
    // The readers keep what one document leaves for the next (the skin's font settings).
    LStringTableReader m_stringTableReader{m_applicationName, m_stringTables};
    LSkinReader m_skinReader{m_applicationName, m_skin};

    XmlError m_lastError;
};

} // namespace KX
