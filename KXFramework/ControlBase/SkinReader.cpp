#include "KXFramework/ControlBase/SkinReader.h"

#include "KXFramework/ObjectBase/Exception.h"

#include <stdexcept>

namespace KX {

namespace {

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

// The skin's placement offsets are decimal integers, kept as doubles.
bool GetOffsetAttribute(const XmlAttributes& attributes, std::string_view name, double& out)
{
    int32_t value = 0;
    if (!LDocumentReader::GetDecimalAttribute(attributes, name, value))
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

void ReadImageReference(const XmlAttributes& attributes, const String& path, const char* xName, const char* yName,
                        int32_t width, int32_t height, ImageReference& out)
{
    out.path = path;
    LDocumentReader::GetIntAttribute(attributes, xName, out.x);
    LDocumentReader::GetIntAttribute(attributes, yName, out.y);
    out.width = width;
    out.height = height;
}

} // namespace

LSkinReader::LSkinReader(String& applicationName, SkinContents& contents)
    : LDocumentReader(applicationName),
      m_contents(contents)
{
}

bool LSkinReader::Read(const void* data, size_t size, uint32_t languageId, const String& imagePrefix,
                       XmlError& lastError)
{
    m_languageId = languageId;
    m_imagePrefix = imagePrefix;
    return Parse(data, size, lastError);
}

void LSkinReader::ResetDocumentState()
{
    m_currentRoot = nullptr;
    m_currentControl = nullptr;
    m_currentLook = nullptr;
    m_currentLookList = nullptr;
    m_currentCreateParams = nullptr;
    m_insideLooks = false;
}

void LSkinReader::StartDocumentElement(std::string_view name, const XmlAttributes& attributes)
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

void LSkinReader::StartSkin(const XmlAttributes& attributes)
{
    const char* name = attributes.Find("Name");
    if (name == nullptr)
        return;
    RCPtr<LSkinDescriptor> skin(new LSkinDescriptor(AttributeText(name)));
    if (!m_currentControl) {
        RCPtr<LControlDescriptor> root(new LControlDescriptor(String(u"Application"), GetApplicationName(), nullptr));
        m_contents.rootDescriptors.AddItem(root);
        m_currentRoot = root;
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
        skin->lookList = SkinContents::Find(m_contents.lookLists, attributes.Find("LookList"));
    }
    m_currentControl->SetSkin(skin);
}

void LSkinReader::StartFontTranslation(const XmlAttributes& attributes)
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

void LSkinReader::StartSubControl(const XmlAttributes& attributes)
{
    const char* className = attributes.Find("Class");
    const char* name = attributes.Find("Name");
    if (className == nullptr || name == nullptr)
        throw Exception<std::runtime_error>("Runtime Error : Bad Subcontrol Element : "
                                            "KX::LControlFactory::XMLStartElement : ControlBase\\ControlFactory : "
                                            "Line 1089");
    // Outside a skin the control would belong to no tree; it and its content are skipped.
    if (!m_currentControl) {
        IgnoreCurrentElement();
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

void LSkinReader::ReadLayout(const XmlAttributes& attributes, LLayoutDescriptor& layout, bool topLevel)
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

void LSkinReader::ReadFontSettings(const XmlAttributes& attributes)
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

void LSkinReader::StartLookList(const XmlAttributes& attributes)
{
    m_currentLookList = nullptr;
    const char* name = attributes.Find("Name");
    int32_t count = 0;
    if (name == nullptr || !GetIntAttribute(attributes, "NumLooks", count))
        return;
    RCPtr<LookList> list = SkinContents::Find(m_contents.lookLists, name);
    if (!list) {
        if (count < 0 || count > kMaxLookListSize)
            return;
        list = new LookList(count);
        m_contents.lookLists.emplace(name, list);
        m_currentLookList = list;
    }
    if (m_currentControl && m_currentControl->GetSkin())
        m_currentControl->GetSkin()->lookList = list;
}

void LSkinReader::StartLook(const XmlAttributes& attributes)
{
    if (m_insideLooks) {
        m_currentLook = nullptr;
        const char* name = attributes.Find("Name");
        if (name == nullptr || SkinContents::Find(m_contents.looks, name))
            return;
        m_currentLook = new LLookDescriptor(AttributeText(name));
        m_contents.looks.emplace(name, m_currentLook);
        return;
    }
    int32_t index = 0;
    if (!m_currentLookList || !HasAll(attributes, {"Name"}) || !GetDecimalAttribute(attributes, "Index", index))
        return;
    // An index outside the list is no entry of it.
    if (index < 0 || static_cast<unsigned>(index) >= m_currentLookList->GetCount())
        return;
    if (RCPtr<LLookDescriptor> look = SkinContents::Find(m_contents.looks, attributes.Find("Name")))
        m_currentLookList->GetAt(index) = look;
}

void LSkinReader::StartClientPart(const XmlAttributes& attributes)
{
    DockSpec dock;
    dock.edges = DockSpec::kAll;
    if (!m_currentLook || !HasAll(attributes, {"Name", "OffsetLeft", "OffsetTop", "OffsetRight", "OffsetBottom"}))
        return;
    const RCPtr<LVisualPartDescriptor> part = SkinContents::Find(m_contents.parts, attributes.Find("Name"));
    if (!part)
        return;
    GetIntAttribute(attributes, "OffsetLeft", dock.offsetLeft);
    GetIntAttribute(attributes, "OffsetTop", dock.offsetTop);
    GetIntAttribute(attributes, "OffsetRight", dock.offsetRight);
    GetIntAttribute(attributes, "OffsetBottom", dock.offsetBottom);
    m_currentLook->clientPart = new LDockedPart(dock, part);
}

void LSkinReader::StartTextProperties(const XmlAttributes& attributes)
{
    if (!m_currentLook ||
        !HasAll(attributes, {"TextLeftRel", "TextLeftAbs", "TextRightRel", "TextRightAbs", "TextHAlign", "TextTopRel",
                             "TextTopAbs", "TextBottomRel", "TextBottomAbs", "TextVAlign", "TextForegroundPart"}))
        return;
    const RCPtr<LVisualPartDescriptor> part =
        SkinContents::Find(m_contents.parts, attributes.Find("TextForegroundPart"));
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

void LSkinReader::StartNonClientPart(const XmlAttributes& attributes)
{
    if (!m_currentLook)
        return;
    const RCPtr<LVisualPartDescriptor> part = SkinContents::Find(m_contents.parts, attributes.Find("Name"));
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

void LSkinReader::StartPart(const XmlAttributes& attributes)
{
    const char* name = attributes.Find("Name");
    int32_t width = 0;
    int32_t height = 0;
    const char* resizeType = attributes.Find("ResizeType");
    if (name == nullptr || !GetIntAttribute(attributes, "Width", width) ||
        !GetIntAttribute(attributes, "Height", height) || resizeType == nullptr ||
        SkinContents::Find(m_contents.parts, name))
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
    part->colorizer = SkinContents::Find(m_contents.colorizers, attributes.Find("ColorizerName"));
    if (!part->IsImageForm() && !part->colorizer)
        return;
    GetFloatAttribute(attributes, "ColorizerAlphaMod", part->alphaModulation);
    String maskFile;
    if (GetStringAttribute(attributes, "ColorizerMaskFile", maskFile) && HasAll(attributes, {"MaskLocX", "MaskLocY"}))
        ReadImageReference(attributes, m_imagePrefix + maskFile, "MaskLocX", "MaskLocY", width, height, part->mask);
    part->naturalWidth = width;
    part->naturalHeight = height;
    m_contents.parts.emplace(name, part);
}

void LSkinReader::StartColorizer(const XmlAttributes& attributes)
{
    const char* name = attributes.Find("Name");
    const char* type = attributes.Find("ColorType");
    const char* color = attributes.Find("Color");
    if (name == nullptr || type == nullptr || color == nullptr || SkinContents::Find(m_contents.colorizers, name))
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
    m_contents.colorizers.emplace(name, colorizer);
}

void LSkinReader::EndDocumentElement(std::string_view name)
{
    if (name == "SubControl") {
        if (!m_currentControl)
            return;
        m_currentControl->SortSubDescriptors();
        m_currentControl = m_currentControl->GetParent();
    } else if (name == "Skin") {
        if (m_currentControl && m_currentControl == m_currentRoot)
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

} // namespace KX
