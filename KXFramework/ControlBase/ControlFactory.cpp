#include "KXFramework/ControlBase/ControlFactory.h"

#include "KXFramework/Platform/Files/FileAccess.h"
#include "KXFramework/Platform/Resources/Resources.h"

namespace KX {

namespace {

constexpr uint32_t kEnglish = 0x0009;
const char16_t kFrameworkTableId[] = u"Framework";

template <class T>
RCPtr<T> FindNamed(const SkinContents::NameTable<T>& table, const String& name)
{
    const NarrowString text = name.ToNarrow();
    return SkinContents::Find(table, std::string_view(text.GetString(), text.GetLength()));
}

} // namespace

LControlFactory::LControlFactory(const String& applicationName)
    : m_applicationName(applicationName),
      m_imagePrefix(u"::")
{
}

LControlFactory::~LControlFactory() = default;

DocumentSources LControlFactory::GetDocumentSources(const String& base)
{
    if (base == u"::")
        return {String(u"::FRAMEWORK_STRINGS"), String(u"::APP_STRINGS"), String(u"::APP_SKINS"), String(u"::")};
    const String folder = base + String(u"/");
    return {folder + String(u"FrameworkStrings.xml"), folder + String(u"StringTables.xml"),
            folder + String(u"Skins.xml"), folder};
}

LControlFactory::ReadResult LControlFactory::ReadDocument(const String& source, Document& document)
{
    const std::u16string_view name(source.GetString(), source.GetLength());
    if (name.starts_with(u"::")) {
        const ResourceView view = FindResource(u"KXXML", ResourceNameFromPath(name).c_str());
        if (!view || view.size == 0)
            return ReadResult::Missing;
        document.data = view.data;
        document.size = view.size;
        return ReadResult::Ok;
    }
    const NarrowString path = source.ToNarrow();
    switch (Platform::Files::ReadWholeFile(path.GetString(), kMaxDocumentSize, document.owned)) {
    case Platform::Files::ReadStatus::Ok:
        document.data = document.owned.data();
        document.size = document.owned.size();
        return ReadResult::Ok;
    case Platform::Files::ReadStatus::TooLarge:
        return ReadResult::OutOfMemory;
    default:
        return ReadResult::Missing;
    }
}

bool LControlFactory::ReadStringTables(const Document& document, uint32_t languageId)
{
    bool matched = false;
    m_stringTableReader.Read(document.data, document.size, languageId, matched, m_lastError);
    m_languageId = languageId;
    return matched;
}

KXRESULT LControlFactory::LoadStringTables(const String& frameworkSource, const String& applicationSource,
                                           uint32_t languageId)
{
    uint32_t language = languageId;
    Document framework;
    switch (ReadDocument(frameworkSource, framework)) {
    case ReadResult::OutOfMemory:
        return E_OUTOFMEMORY;
    case ReadResult::Missing:
        break;
    case ReadResult::Ok:
        if (ReadStringTables(framework, language))
            break;
        // Traditional Chinese of Taiwan, Hong Kong and Macao share one set of texts.
        language = (language == 0x0404 || language == 0x0C04 || language == 0x1404) ? 0x7C04 : (language & 0xFF);
        if (ReadStringTables(framework, language))
            break;
        language = kEnglish;
        ReadStringTables(framework, language);
        break;
    }
    Document application;
    switch (ReadDocument(applicationSource, application)) {
    case ReadResult::OutOfMemory:
        return E_OUTOFMEMORY;
    case ReadResult::Missing:
        break;
    case ReadResult::Ok:
        if (!ReadStringTables(application, language))
            ReadStringTables(application, kEnglish);
        break;
    }
    return S_OK;
}

KXRESULT LControlFactory::LoadSkin(const String& source)
{
    Document document;
    switch (ReadDocument(source, document)) {
    case ReadResult::OutOfMemory:
        return E_OUTOFMEMORY;
    case ReadResult::Missing:
        return E_FAIL;
    case ReadResult::Ok:
        break;
    }
    bool parsed = false;
    try {
        parsed = m_skinReader.Read(document.data, document.size, m_languageId, m_imagePrefix, m_lastError);
    } catch (...) {
        m_currentSkinIndex = 0;
        throw;
    }
    m_currentSkinIndex = 0;
    return parsed ? S_OK : E_FAIL;
}

void LControlFactory::GetStringTable(RCPtr<LStringTable>& out, const String& parentClassName,
                                     const String& controlName) const
{
    CopyTable(out, (parentClassName.IsEmpty() ? m_applicationName : parentClassName) + String(u"|") + controlName);
}

void LControlFactory::GetFrameworkStringTable(RCPtr<LStringTable>& out) const
{
    CopyTable(out, String(kFrameworkTableId));
}

void LControlFactory::GetApplicationStringTable(RCPtr<LStringTable>& out) const
{
    CopyTable(out, String(u"|") + m_applicationName);
}

// Every request gets a table of its own.
void LControlFactory::CopyTable(RCPtr<LStringTable>& out, const String& id) const
{
    const auto it = m_stringTables.find(id);
    out = it != m_stringTables.end() ? RCPtr<LStringTable>(new LStringTable(it->second)) : RCPtr<LStringTable>();
}

KXRESULT LControlFactory::GetDefaultFont(String& fontName, float& fontSize, int32_t& fontStyle) const
{
    if (m_currentSkinIndex < 0 || static_cast<unsigned>(m_currentSkinIndex) >= m_skin.rootDescriptors.GetCount())
        return S_FALSE;
    const RCPtr<LSkinDescriptor>& skin = m_skin.rootDescriptors.GetAt(m_currentSkinIndex)->GetSkin();
    if (!skin)
        return S_FALSE;
    bool written = false;
    if (!skin->fontName.IsEmpty()) {
        fontName = skin->fontName;
        written = true;
    }
    if (skin->fontSize >= 1.0f) {
        fontSize = skin->fontSize;
        written = true;
    }
    if (skin->fontStyle != -1) {
        fontStyle = skin->fontStyle;
        written = true;
    }
    return written ? S_OK : S_FALSE;
}

const RCPtr<LControlDescriptor>& LControlFactory::FindControlDescriptor(const String& name) const
{
    static const RCPtr<LControlDescriptor> null;
    if (m_currentSkinIndex < 0 || static_cast<unsigned>(m_currentSkinIndex) >= m_skin.rootDescriptors.GetCount())
        return null;
    const ControlDescriptorArray& children = m_skin.rootDescriptors.GetAt(m_currentSkinIndex)->GetSubDescriptors();
    for (unsigned i = children.GetCount(); i-- > 0;) {
        if (children.GetAt(i)->GetName() == name)
            return children.GetAt(i);
    }
    return null;
}

void LControlFactory::CloneControlDescriptor(RCPtr<LControlDescriptor>& out, const RCPtr<LControlDescriptor>& source,
                                             const RCPtr<LLayoutDescriptor>& layout, const String& newName)
{
    if (!source) {
        out = nullptr;
        return;
    }
    out = source->Clone(newName);
    out->SetLayout(layout);
}

RCPtr<LColorizer> LControlFactory::FindColorizer(const String& name) const
{
    return FindNamed(m_skin.colorizers, name);
}

RCPtr<LVisualPartDescriptor> LControlFactory::FindPart(const String& name) const
{
    return FindNamed(m_skin.parts, name);
}

RCPtr<LLookDescriptor> LControlFactory::FindLook(const String& name) const
{
    return FindNamed(m_skin.looks, name);
}

RCPtr<LookList> LControlFactory::FindLookList(const String& name) const
{
    return FindNamed(m_skin.lookLists, name);
}

} // namespace KX
