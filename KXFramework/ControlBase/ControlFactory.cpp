#include "KXFramework/ControlBase/ControlFactory.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/Platform/Files/FileAccess.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <limits>
#include <stdexcept>

namespace KX {

namespace {

constexpr uint32_t kEnglish = 0x0009;
const char16_t kFrameworkTableId[] = u"Framework";

String AttributeText(const char* value)
{
    return String(value);
}

bool HasAll(const XmlAttributes& attributes, std::initializer_list<std::string_view> names)
{
    for (std::string_view name : names) {
        if (attributes.Find(name) == nullptr)
            return false;
    }
    return true;
}

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

bool GetDecimalAttribute(const XmlAttributes& attributes, std::string_view name, int32_t& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = ParseInt32(value);
    return true;
}

// The skin's placement offsets are decimal integers, kept as doubles.
bool GetOffsetAttribute(const XmlAttributes& attributes, std::string_view name, double& out)
{
    int32_t value = 0;
    if (!GetDecimalAttribute(attributes, name, value))
        return false;
    out = value;
    return true;
}

bool IsParentReference(std::string_view text)
{
    return text == "Parent" || text == "Screen";
}

bool IsClientReference(std::string_view text)
{
    return text == "Client" || text == "Active Window";
}

void ReadPositionReference(const char* value, PositionSpec& spec)
{
    if (IsParentReference(value)) {
        spec.referenceKind = PositionSpec::kParent;
    } else if (IsClientReference(value)) {
        spec.referenceKind = PositionSpec::kClient;
    } else {
        spec.referenceKind = PositionSpec::kNamed;
        spec.referenceName = AttributeText(value);
    }
}

void ReadSizeReference(const char* value, SizeSpec& spec)
{
    if (IsParentReference(value)) {
        spec.referenceKind = SizeSpec::kParent;
    } else if (IsClientReference(value)) {
        spec.referenceKind = SizeSpec::kClient;
    } else if (std::string_view(value) == "Self") {
        spec.referenceKind = SizeSpec::kSelf;
    } else {
        spec.referenceKind = SizeSpec::kNamed;
        spec.referenceName = AttributeText(value);
    }
}

void ReadLimitReference(const char* value, SizeLimitSpec& spec)
{
    spec.hasReference = std::string_view(value) != "Self";
    spec.referenceName = spec.hasReference ? AttributeText(value) : String();
}

// An unknown kind, "Wrap" included where it is not allowed, keeps what was there.
void ReadOverflow(const char* value, bool allowWrap, int32_t& out)
{
    const std::string_view text(value);
    if (text == "Clip")
        out = LLayoutDescriptor::kOverflowClip;
    else if (text == "Expand")
        out = LLayoutDescriptor::kOverflowExpand;
    else if (allowWrap && text == "Wrap")
        out = LLayoutDescriptor::kOverflowWrap;
}

template <class T>
using NameTable = std::map<std::string, RCPtr<T>, std::less<>>;

template <class T>
RCPtr<T> FindNamed(const NameTable<T>& table, std::string_view name)
{
    const auto it = table.find(name);
    return it != table.end() ? it->second : RCPtr<T>();
}

template <class T>
RCPtr<T> FindNamed(const NameTable<T>& table, const char* name)
{
    return name != nullptr ? FindNamed(table, std::string_view(name)) : RCPtr<T>();
}

template <class T>
RCPtr<T> FindNamed(const NameTable<T>& table, const String& name)
{
    const NarrowString text = name.ToNarrow();
    return FindNamed(table, std::string_view(text.GetString(), text.GetLength()));
}

void ReadImageReference(const XmlAttributes& attributes, const String& path, const char* xName, const char* yName,
                        int32_t width, int32_t height, ImageReference& out)
{
    out.path = path;
    LControlFactory::GetIntAttribute(attributes, xName, out.x);
    LControlFactory::GetIntAttribute(attributes, yName, out.y);
    out.width = width;
    out.height = height;
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

void LControlFactory::ResetParseState()
{
    m_skipFirstElement = true;
    m_currentStringTable = nullptr;
    m_currentStringId = String();
    m_currentControl = nullptr;
    m_currentLook = nullptr;
    m_currentLookList = nullptr;
    m_currentCreateParams = nullptr;
    m_insideLooks = false;
    m_ignoredDepth = 0;
    m_collecting = false;
    m_collectInto = nullptr;
    m_pendingTexts.clear();
}

bool LControlFactory::ParseDocument(const Document& document)
{
    ResetParseState();
    bool parsed = false;
    XmlError error;
    try {
        parsed = XmlParser::Parse(document.data, document.size, *this, error);
    } catch (...) {
        FlushPendingTexts();
        ResetParseState();
        throw;
    }
    // Text collected up to a fault stays, as everything else read before it does.
    FlushPendingTexts();
    ResetParseState();
    if (!parsed)
        m_lastError = error;
    return parsed;
}

bool LControlFactory::ParseStringTablePass(const Document& document, uint32_t languageId)
{
    m_stringTableMode = true;
    m_passLanguage = languageId;
    m_matchedLocales = 0;
    ParseDocument(document);
    m_languageId = languageId;
    return m_matchedLocales > 0;
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
        if (ParseStringTablePass(framework, language))
            break;
        // Traditional Chinese of Taiwan, Hong Kong and Macao share one set of texts.
        language = (language == 0x0404 || language == 0x0C04 || language == 0x1404) ? 0x7C04 : (language & 0xFF);
        if (ParseStringTablePass(framework, language))
            break;
        language = kEnglish;
        ParseStringTablePass(framework, language);
        break;
    }
    Document application;
    switch (ReadDocument(applicationSource, application)) {
    case ReadResult::OutOfMemory:
        return E_OUTOFMEMORY;
    case ReadResult::Missing:
        break;
    case ReadResult::Ok:
        if (!ParseStringTablePass(application, language))
            ParseStringTablePass(application, kEnglish);
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
    m_stringTableMode = false;
    bool parsed = false;
    try {
        parsed = ParseDocument(document);
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
    if (m_currentSkinIndex < 0 || static_cast<unsigned>(m_currentSkinIndex) >= m_rootDescriptors.GetCount())
        return S_FALSE;
    const RCPtr<LSkinDescriptor>& skin = m_rootDescriptors.GetAt(m_currentSkinIndex)->GetSkin();
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
    if (m_currentSkinIndex < 0 || static_cast<unsigned>(m_currentSkinIndex) >= m_rootDescriptors.GetCount())
        return null;
    const ControlDescriptorArray& children = m_rootDescriptors.GetAt(m_currentSkinIndex)->GetSubDescriptors();
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
    return FindNamed(m_colorizers, name);
}

RCPtr<LVisualPartDescriptor> LControlFactory::FindPart(const String& name) const
{
    return FindNamed(m_parts, name);
}

RCPtr<LLookDescriptor> LControlFactory::FindLook(const String& name) const
{
    return FindNamed(m_looks, name);
}

RCPtr<LookList> LControlFactory::FindLookList(const String& name) const
{
    return FindNamed(m_lookLists, name);
}

bool LControlFactory::GetStringAttribute(const XmlAttributes& attributes, std::string_view name, String& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = AttributeText(value);
    return true;
}

bool LControlFactory::GetBoolAttribute(const XmlAttributes& attributes, std::string_view name, bool& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = ParseSkinBool(value);
    return true;
}

bool LControlFactory::GetFloatAttribute(const XmlAttributes& attributes, std::string_view name, float& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = ParseSkinReal(value);
    return true;
}

bool LControlFactory::GetIntAttribute(const XmlAttributes& attributes, std::string_view name, int32_t& out)
{
    const char* value = attributes.Find(name);
    if (value == nullptr)
        return false;
    out = ParseSkinInteger(value);
    return true;
}

void LControlFactory::StartElement(std::string_view name, const XmlAttributes& attributes)
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
    } else if (m_stringTableMode) {
        StartStringTableElement(name, attributes);
    } else {
        StartSkinElement(name, attributes);
    }
}

void LControlFactory::StartStringTableElement(std::string_view name, const XmlAttributes& attributes)
{
    if (name == "StringTable") {
        const char* id = attributes.Find("ID");
        if (id != nullptr)
            m_currentStringTable = &m_stringTables[AttributeText(id)];
    } else if (name == "String") {
        // Without an ID the Locales that follow belong to no key.
        m_currentStringId = String();
        GetStringAttribute(attributes, "ID", m_currentStringId);
    } else if (name == "Locale") {
        int32_t language = 0;
        if (!GetIntAttribute(attributes, "LCID", language) || static_cast<uint32_t>(language) != m_passLanguage)
            return;
        ++m_matchedLocales;
        if (m_currentStringTable == nullptr || m_currentStringId.IsEmpty())
            return;
        m_currentStringTable->try_emplace(m_currentStringId);
        StartCollecting(m_currentStringTable, nullptr, m_currentStringId);
    }
}

void LControlFactory::StartSkinElement(std::string_view name, const XmlAttributes& attributes)
{
    if (name == "Skin") {
        StartSkin(attributes);
    } else if (name == "FontLocale") {
        GetIntAttribute(attributes, "LCID", m_fontLocale);
    } else if (name == "FontXLat") {
        StartFontTranslation(attributes);
    } else if (name == "SubControl") {
        StartSubControl(attributes);
    } else if (name == "CreateParamList") {
        m_currentCreateParams = new LStringTable();
    } else if (name == "CreateParam") {
        String id;
        if (!GetStringAttribute(attributes, "ID", id) || !m_currentCreateParams || id.IsEmpty())
            return;
        static_cast<void>(m_currentCreateParams->SetString(id, String())); // an unstorable key is left out
        StartCollecting(nullptr, m_currentCreateParams, id);
    } else if (name == "LookList") {
        StartLookList(attributes);
    } else if (name == "LookLists") {
        m_currentControl = nullptr;
    } else if (name == "Look") {
        StartLook(attributes);
    } else if (name == "Looks") {
        m_insideLooks = true;
    } else if (name == "ClientPart") {
        StartClientPart(attributes);
    } else if (name == "TextProperties") {
        StartTextProperties(attributes);
    } else if (name == "NonClientPart") {
        StartNonClientPart(attributes);
    } else if (name == "Part") {
        StartPart(attributes);
    } else if (name == "Colorizer") {
        StartColorizer(attributes);
    }
}

void LControlFactory::StartSkin(const XmlAttributes& attributes)
{
    const char* name = attributes.Find("Name");
    if (name == nullptr)
        return;
    RCPtr<LSkinDescriptor> skin(new LSkinDescriptor(AttributeText(name)));
    if (!m_currentControl) {
        RCPtr<LControlDescriptor> root(new LControlDescriptor(String(u"Application"), m_applicationName, nullptr));
        m_currentSkinIndex = m_rootDescriptors.AddItem(root);
        m_currentControl = root;
        GetStringAttribute(attributes, "FontName", skin->fontName);
        GetFloatAttribute(attributes, "FontSize", skin->fontSize);
        GetIntAttribute(attributes, "FontStyle", skin->fontStyle);
        m_fontTranslations.clear();
    } else {
        const auto translation = m_fontTranslations.find(m_fontName);
        skin->fontName = translation != m_fontTranslations.end() ? translation->second : m_fontName;
        skin->fontSize = m_fontSize;
        skin->fontStyle = m_fontStyle;
        skin->fontInheritsFromParent = m_fontInheritsFromParent;
        skin->fontSizeIsRelative = m_fontSizeIsRelative;
        skin->lookList = FindNamed(m_lookLists, attributes.Find("LookList"));
    }
    m_currentControl->SetSkin(skin);
}

void LControlFactory::StartFontTranslation(const XmlAttributes& attributes)
{
    String name;
    String translation;
    if (!GetStringAttribute(attributes, "Name", name) || !GetStringAttribute(attributes, "XLat", translation))
        return;
    if (static_cast<uint32_t>(m_fontLocale) != m_languageId)
        return;
    m_fontTranslations.try_emplace(name, translation);
    if (m_currentControl && m_currentControl->GetSkin() && m_currentControl->GetSkin()->fontName == name)
        m_currentControl->GetSkin()->fontName = translation;
}

void LControlFactory::StartSubControl(const XmlAttributes& attributes)
{
    const char* className = attributes.Find("Class");
    const char* name = attributes.Find("Name");
    if (className == nullptr || name == nullptr)
        throw Exception<std::runtime_error>("Runtime Error : Bad Subcontrol Element : "
                                            "KX::LControlFactory::XMLStartElement : ControlBase\\ControlFactory : "
                                            "Line 1089");
    // Outside a skin the control would belong to no tree; it and its content are skipped.
    if (!m_currentControl) {
        m_ignoredDepth = 1;
        return;
    }
    // Thousands of controls share a few dozen classes: their descriptors share one text each.
    auto classText = m_classNames.find(std::string_view(className));
    if (classText == m_classNames.end())
        classText = m_classNames.emplace(className, AttributeText(className)).first;
    RCPtr<LControlDescriptor> descriptor(
        new LControlDescriptor(classText->second, AttributeText(name), m_currentControl.Get()));
    RCPtr<LLayoutDescriptor> layout(new LLayoutDescriptor());
    ReadLayout(attributes, *layout, m_currentControl->GetClassName() == u"Application");
    descriptor->SetLayout(layout);
    ReadFontSettings(attributes);
    m_currentControl->GetSubDescriptors().AddItem(descriptor);
    m_currentControl = descriptor;
}

void LControlFactory::ReadLayout(const XmlAttributes& attributes, LLayoutDescriptor& layout, bool topLevel)
{
    GetBoolAttribute(attributes, "ClipToParent", layout.clipToParent);
    GetDecimalAttribute(attributes, "Z_Order", layout.zOrder);
    if (!topLevel)
        GetDecimalAttribute(attributes, "TabStop", layout.tabStop);
    GetIntAttribute(attributes, "LayoutOrder", layout.layoutOrder);
    if (!topLevel)
        GetBoolAttribute(attributes, "IsVisible", layout.isVisible);

    struct AxisNames {
        const char* anchor;
        const char* docked;
        const char* positionTo;
        const char* positionRel;
        const char* positionAbs;
        const char* sizeTo;
        const char* sizeRel;
        const char* sizeAbs;
        const char* limitTo[2];
        const char* limitRel[2];
        const char* limitAbs[2];
    };
    static const AxisNames kAxes[2] = {{"XPlacementAnchor",
                                        "XIsDocked",
                                        "XPositionToControl",
                                        "XPositionRel",
                                        "XPositionAbs",
                                        "XSizeToControl",
                                        "XSizeRel",
                                        "XSizeAbs",
                                        {"XMinSizeToControl", "XMaxSizeToControl"},
                                        {"XMinSizeRel", "XMaxSizeRel"},
                                        {"XMinSizeAbs", "XMaxSizeAbs"}},
                                       {"YPlacementAnchor",
                                        "YIsDocked",
                                        "YPositionToControl",
                                        "YPositionRel",
                                        "YPositionAbs",
                                        "YSizeToControl",
                                        "YSizeRel",
                                        "YSizeAbs",
                                        {"YMinSizeToControl", "YMaxSizeToControl"},
                                        {"YMinSizeRel", "YMaxSizeRel"},
                                        {"YMinSizeAbs", "YMaxSizeAbs"}}};
    for (int axis = 0; axis < 2; ++axis) {
        const AxisNames& names = kAxes[axis];
        PositionSpec& position = layout.position[axis];
        GetFloatAttribute(attributes, names.anchor, position.anchor);
        GetBoolAttribute(attributes, names.docked, position.docked);
        if (const char* reference = attributes.Find(names.positionTo))
            ReadPositionReference(reference, position);
        GetFloatAttribute(attributes, names.positionRel, position.relative);
        GetOffsetAttribute(attributes, names.positionAbs, position.absolute);
        SizeSpec& size = layout.size[axis];
        if (const char* reference = attributes.Find(names.sizeTo))
            ReadSizeReference(reference, size);
        GetFloatAttribute(attributes, names.sizeRel, size.relative);
        GetOffsetAttribute(attributes, names.sizeAbs, size.absolute);
        SizeLimitSpec* limits[2] = {&layout.minSize[axis], &layout.maxSize[axis]};
        for (int i = 0; i < 2; ++i) {
            if (const char* reference = attributes.Find(names.limitTo[i]))
                ReadLimitReference(reference, *limits[i]);
            GetFloatAttribute(attributes, names.limitRel[i], limits[i]->relative);
            GetOffsetAttribute(attributes, names.limitAbs[i], limits[i]->absolute);
        }
    }
    GetStringAttribute(attributes, "TextDecoration", layout.textDecoration);
    if (const char* overflow = attributes.Find("TextOverflowXType"))
        ReadOverflow(overflow, true, layout.textOverflowX);
    if (const char* overflow = attributes.Find("TextOverflowYType"))
        ReadOverflow(overflow, false, layout.textOverflowY);
}

void LControlFactory::ReadFontSettings(const XmlAttributes& attributes)
{
    m_fontInheritsFromParent = false;
    GetBoolAttribute(attributes, "FontInheritsFromParent", m_fontInheritsFromParent);
    m_fontSizeIsRelative = false;
    GetBoolAttribute(attributes, "FontSizeIsRelative", m_fontSizeIsRelative);
    const char* fontName = attributes.Find("FontName");
    if (fontName == nullptr) {
        m_fontName = String();
        m_fontNameText.clear();
    } else if (m_fontNameText != fontName) {
        m_fontName = AttributeText(fontName);
        m_fontNameText = fontName;
    }
    if (!GetFloatAttribute(attributes, "FontSize", m_fontSize)) {
        m_fontSize = 0.0f;
        m_fontSizeIsRelative = false;
    }
    m_fontStyle = -1;
    GetIntAttribute(attributes, "FontStyle", m_fontStyle);
}

void LControlFactory::StartLookList(const XmlAttributes& attributes)
{
    m_currentLookList = nullptr;
    const char* name = attributes.Find("Name");
    int32_t count = 0;
    if (name == nullptr || !GetIntAttribute(attributes, "NumLooks", count))
        return;
    RCPtr<LookList> list = FindNamed(m_lookLists, name);
    if (!list) {
        if (count < 0 || count > kMaxLookListSize)
            return;
        list = new LookList(count);
        m_lookLists.emplace(name, list);
        m_currentLookList = list;
    }
    if (m_currentControl && m_currentControl->GetSkin())
        m_currentControl->GetSkin()->lookList = list;
}

void LControlFactory::StartLook(const XmlAttributes& attributes)
{
    if (m_insideLooks) {
        m_currentLook = nullptr;
        const char* name = attributes.Find("Name");
        if (name == nullptr || FindNamed(m_looks, name))
            return;
        m_currentLook = new LLookDescriptor(AttributeText(name));
        m_looks.emplace(name, m_currentLook);
        return;
    }
    int32_t index = 0;
    if (!m_currentLookList || !HasAll(attributes, {"Name"}) || !GetDecimalAttribute(attributes, "Index", index))
        return;
    // An index outside the list is no entry of it.
    if (index < 0 || static_cast<unsigned>(index) >= m_currentLookList->GetCount())
        return;
    if (RCPtr<LLookDescriptor> look = FindNamed(m_looks, attributes.Find("Name")))
        m_currentLookList->GetAt(index) = look;
}

void LControlFactory::StartClientPart(const XmlAttributes& attributes)
{
    DockSpec dock;
    dock.edges = DockSpec::kAll;
    if (!m_currentLook || !HasAll(attributes, {"Name", "OffsetLeft", "OffsetTop", "OffsetRight", "OffsetBottom"}))
        return;
    const RCPtr<LVisualPartDescriptor> part = FindNamed(m_parts, attributes.Find("Name"));
    if (!part)
        return;
    GetIntAttribute(attributes, "OffsetLeft", dock.offsetLeft);
    GetIntAttribute(attributes, "OffsetTop", dock.offsetTop);
    GetIntAttribute(attributes, "OffsetRight", dock.offsetRight);
    GetIntAttribute(attributes, "OffsetBottom", dock.offsetBottom);
    m_currentLook->clientPart = new LDockedPart(dock, part);
}

void LControlFactory::StartTextProperties(const XmlAttributes& attributes)
{
    if (!m_currentLook ||
        !HasAll(attributes, {"TextLeftRel", "TextLeftAbs", "TextRightRel", "TextRightAbs", "TextHAlign", "TextTopRel",
                             "TextTopAbs", "TextBottomRel", "TextBottomAbs", "TextVAlign", "TextForegroundPart"}))
        return;
    const RCPtr<LVisualPartDescriptor> part = FindNamed(m_parts, attributes.Find("TextForegroundPart"));
    if (!part)
        return;
    TextAreaSpec& text = m_currentLook->text;
    GetFloatAttribute(attributes, "TextLeftRel", text.leftRelative);
    GetIntAttribute(attributes, "TextLeftAbs", text.leftAbsolute);
    GetFloatAttribute(attributes, "TextRightRel", text.rightRelative);
    GetIntAttribute(attributes, "TextRightAbs", text.rightAbsolute);
    GetFloatAttribute(attributes, "TextHAlign", text.horizontalAlignment);
    GetFloatAttribute(attributes, "TextTopRel", text.topRelative);
    GetIntAttribute(attributes, "TextTopAbs", text.topAbsolute);
    GetFloatAttribute(attributes, "TextBottomRel", text.bottomRelative);
    GetIntAttribute(attributes, "TextBottomAbs", text.bottomAbsolute);
    GetFloatAttribute(attributes, "TextVAlign", text.verticalAlignment);
    m_currentLook->textForegroundPart = part;
    m_currentLook->hasTextProperties = true;
}

void LControlFactory::StartNonClientPart(const XmlAttributes& attributes)
{
    if (!m_currentLook)
        return;
    const RCPtr<LVisualPartDescriptor> part = FindNamed(m_parts, attributes.Find("Name"));
    if (!part)
        return;
    DockSpec dock;
    if (GetIntAttribute(attributes, "OffsetLeft", dock.offsetLeft))
        dock.edges |= DockSpec::kLeft;
    if (GetIntAttribute(attributes, "OffsetTop", dock.offsetTop))
        dock.edges |= DockSpec::kTop;
    if (GetIntAttribute(attributes, "OffsetRight", dock.offsetRight))
        dock.edges |= DockSpec::kRight;
    if (GetIntAttribute(attributes, "OffsetBottom", dock.offsetBottom))
        dock.edges |= DockSpec::kBottom;
    GetIntAttribute(attributes, "Width", dock.fixedWidth);
    GetIntAttribute(attributes, "Height", dock.fixedHeight);
    dock.hasFixedWidth = dock.fixedWidth > 0;
    dock.hasFixedHeight = dock.fixedHeight > 0;
    m_currentLook->nonClientParts.AddItem(RCPtr<LDockedPart>(new LDockedPart(dock, part)));
}

void LControlFactory::StartPart(const XmlAttributes& attributes)
{
    const char* name = attributes.Find("Name");
    int32_t width = 0;
    int32_t height = 0;
    const char* resizeType = attributes.Find("ResizeType");
    if (name == nullptr || !GetIntAttribute(attributes, "Width", width) ||
        !GetIntAttribute(attributes, "Height", height) || resizeType == nullptr || FindNamed(m_parts, name))
        return;
    RCPtr<LVisualPartDescriptor> part(new LVisualPartDescriptor(AttributeText(name)));
    const std::string_view resize(resizeType);
    part->resizeType = resize == "Tile"     ? LVisualPartDescriptor::kTile
                       : resize == "Center" ? LVisualPartDescriptor::kCenter
                                            : LVisualPartDescriptor::kStretch;
    String imageFile;
    if (GetStringAttribute(attributes, "ImageFile", imageFile) && !imageFile.IsEmpty() &&
        HasAll(attributes, {"ImageLocX", "ImageLocY"}))
        ReadImageReference(attributes, m_imagePrefix + imageFile.ToLower(), "ImageLocX", "ImageLocY", width, height,
                           part->image);
    part->colorizer = FindNamed(m_colorizers, attributes.Find("ColorizerName"));
    if (!part->IsImageForm() && !part->colorizer)
        return;
    GetFloatAttribute(attributes, "ColorizerAlphaMod", part->alphaModulation);
    String maskFile;
    if (GetStringAttribute(attributes, "ColorizerMaskFile", maskFile) && HasAll(attributes, {"MaskLocX", "MaskLocY"}))
        ReadImageReference(attributes, m_imagePrefix + maskFile, "MaskLocX", "MaskLocY", width, height, part->mask);
    part->naturalWidth = width;
    part->naturalHeight = height;
    m_parts.emplace(name, part);
}

void LControlFactory::StartColorizer(const XmlAttributes& attributes)
{
    const char* name = attributes.Find("Name");
    const char* type = attributes.Find("ColorType");
    const char* color = attributes.Find("Color");
    if (name == nullptr || type == nullptr || color == nullptr || FindNamed(m_colorizers, name))
        return;
    RCPtr<LColorizer> colorizer(new LColorizer(AttributeText(name)));
    colorizer->color.FromString(color);
    const std::string_view typeText(type);
    const int32_t colorType = typeText == "LinearGradient"   ? LColorizer::kLinearGradient
                              : typeText == "RadialGradient" ? LColorizer::kRadialGradient
                                                             : LColorizer::kSolidFill;
    if (colorType != LColorizer::kSolidFill &&
        HasAll(attributes, {"GradientEndColor", "GradientStartX", "GradientStartY", "GradientEndX", "GradientEndY"})) {
        colorizer->colorType = colorType;
        colorizer->gradientEndColor.FromString(attributes.Find("GradientEndColor"));
        GetFloatAttribute(attributes, "GradientStartX", colorizer->gradientStartX);
        GetFloatAttribute(attributes, "GradientStartY", colorizer->gradientStartY);
        GetFloatAttribute(attributes, "GradientEndX", colorizer->gradientEndX);
        GetFloatAttribute(attributes, "GradientEndY", colorizer->gradientEndY);
    }
    m_colorizers.emplace(name, colorizer);
}

void LControlFactory::EndElement(std::string_view name)
{
    if (m_ignoredDepth > 0) {
        --m_ignoredDepth;
        return;
    }
    if (m_stringTableMode) {
        StopCollecting();
        return;
    }
    if (name == "SubControl") {
        if (!m_currentControl)
            return;
        m_currentControl->SortSubDescriptors();
        m_currentControl = m_currentControl->GetParent();
    } else if (name == "Skin") {
        if (m_currentControl && m_currentSkinIndex >= 0 &&
            static_cast<unsigned>(m_currentSkinIndex) < m_rootDescriptors.GetCount() &&
            m_rootDescriptors.GetAt(m_currentSkinIndex) == m_currentControl)
            m_currentControl = nullptr;
    } else if (name == "CreateParamList") {
        FlushPendingTexts();
        if (m_currentControl)
            m_currentControl->SetCreateParams(m_currentCreateParams);
    } else if (name == "CreateParam") {
        StopCollecting();
    } else if (name == "Looks") {
        m_insideLooks = false;
    }
}

void LControlFactory::CharacterData(std::string_view text)
{
    // Entities can make a text far longer than the document; beyond the document limit it is cut.
    if (m_collecting && m_collectedSize + text.size() <= kMaxDocumentSize) {
        m_collectInto->append(text);
        m_collectedSize += text.size();
    }
}

void LControlFactory::StartCollecting(StringMap* table, const RCPtr<LStringTable>& createParams, const String& key)
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

void LControlFactory::StopCollecting()
{
    m_collecting = false;
    m_collectInto = nullptr;
}

void LControlFactory::FlushPendingTexts()
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
