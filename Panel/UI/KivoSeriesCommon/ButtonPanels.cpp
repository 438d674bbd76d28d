#include "Panel/UI/KivoSeriesCommon/ButtonPanels.h"

#include "KXFramework/ControlBase/EventParams.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/KivoSeriesCommon/ControlLabels.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"

#include <string>

using namespace PushButtonValue;

namespace {

constexpr const char* kTilePath = "UI\\KivoSeriesCommon\\ButtonPanel";
constexpr const char* kEditPath = "UI\\KivoSeriesCommon\\ButtonEditPanel";
constexpr const char* kGroupPath = "UI\\KivoSeriesCommon\\ButtonGroupPanel";
constexpr uint32_t kShiftKey = 0x08;

void ThrowIfFailed(KXRESULT r, const char* method, const char* path, int line)
{
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                       KX::SourcePlace(method, path, line));
}

} // namespace

// ---- The tile.

LButtonPanel::LButtonPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name) : LUIModuleLeaf(parent, name)
{
}

KXRESULT LButtonPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    constexpr const char* method = "LButtonPanel::Initialize";
    m_colorIndicator = RequireChild(FindChild(u"color"), "child: color not found", method, kTilePath, 33);
    m_viewPanel = RequireChild(KX::RCPtr<LButtonControlViewPanel>(FindChild(u"viewPanel")),
                               "child: viewPanel not found", method, kTilePath, 36);
    const KX::RCPtr<KX::LControl> button =
        RequireChild(FindChild(u"button"), "child: button not found", method, kTilePath, 39);
    ThrowIfFailed(Bind(&LButtonPanel::OnLeftClick, button, u"NID_LEFT_CLICK"), method, kTilePath, 39);
    m_shownColor = -1;
    return base;
}

KXRESULT LButtonPanel::SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index)
{
    IPushButton::SetFirstParamID(parent, first, index);
    SetNumberedLabel(*this, u"buttonNumberLabel", index % 9 + 1, "Cannot find child: buttonNumberLabel",
                     "LButtonPanel::SetFirstParamID", kTilePath, 73);
    return KX::S_OK;
}

KXRESULT LButtonPanel::ShowParamValue(const unsigned char* bytes, int)
{
    m_value.assign(bytes, bytes + kSize);
    UpdateColorIndicator();
    ButtonControlRecord record = RecordOf(bytes);
    if (m_viewPanel)
        m_viewPanel->ShowControlRecord(record);
    return KX::S_OK;
}

void LButtonPanel::UpdateColorIndicator()
{
    if (m_value.size() != kSize || !m_colorIndicator)
        return;
    const unsigned offset = kColour1 + unsigned(m_shownColor < 0 ? 0 : m_shownColor);
    ControlUtilities::ShowColourLook(m_colorIndicator, static_cast<signed char>(m_value[offset]), kColourCount);
}

KXRESULT LButtonPanel::OnLeftClick(const KX::RCPtr<KX::LNotificationDistributor>&,
                                   const KX::RCPtr<KX::LNotification>& n)
{
    const KX::RCPtr<KX::LMouseButtonParam> click(n ? n->GetPayload() : KX::RCPtr<KX::LRefCountedObject>());
    if (click && (click->modifiers & kShiftKey)) {
        m_shownColor = m_shownColor + 1 > 3 ? 0 : m_shownColor + 1;
        UpdateColorIndicator();
    }
    return 1;
}

KXRESULT LButtonPanel::BreakCycles()
{
    m_colorIndicator = nullptr;
    m_viewPanel = nullptr;
    return LUIModuleLeaf::BreakCycles();
}

// ---- The edit panel.

LButtonEditPanel::LButtonEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIEditPanel(parent, name)
{
}

KXRESULT LButtonEditPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    constexpr const char* method = "LButtonEditPanel::Initialize";
    const auto bind = [this, method](const KX::RCPtr<KX::LNotificationDistributor>& sender, const char16_t* name,
                                     int line) {
        ThrowIfFailed(Bind(&LButtonEditPanel::OnParametersChanged, sender, name), method, kEditPath, line);
    };
    m_buttonName = RequireChild(KX::RCPtr<KX::LLabel>(FindChild(u"buttonName")), "Couldn't find child ButtonName",
                                method, kEditPath, 36);
    const KX::RCPtr<KX::LTabControl> tabs = RequireChild(KX::RCPtr<KX::LTabControl>(FindChild(u"viewTabControl")),
                                                         "Cannot find child viewTabControl", method, kEditPath, 39);
    m_midiEditor = RequireChild(KX::RCPtr<LButtonControlEditPanel>(tabs->GetPageByName(u"midiPage")),
                                "Couldn't find child buttonTypePanel", method, kEditPath, 42);
    bind(m_midiEditor, u"NID_PARAMETERS_CHANGED", 43);

    const KX::RCPtr<KX::LControl> colorPage =
        RequireChild(tabs->GetPageByName(u"colorPage"), "Couldn't find child colorPage", method, kEditPath, 46);
    const KX::RCPtr<KX::LControl> asciiPage =
        RequireChild(tabs->GetPageByName(u"asciiPage"), "Couldn't find child asciiPage", method, kEditPath, 94);
    struct Place {
        Selector selector;
        const KX::RCPtr<KX::LControl>& page;
        const char16_t* name;
        const char* phrase;
        int line;
    };
    const Place places[] = {
        {kColour1Selector, colorPage, u"color1", "Couldn't find child color1", 50},
        {kColour2Selector, colorPage, u"color2", "Couldn't find child color2", 55},
        {kColour3Selector, colorPage, u"color3", "Couldn't find child color3", 61},
        {kColour4Selector, colorPage, u"color4", "Couldn't find child color4", 66},
        {kHidColourSelector, colorPage, u"asciiColor", "Couldn't find child asciiColor", 89},
        {kKeySelector, asciiPage, u"key", "Couldn't find child key", 96},
        {kModifierSelector, asciiPage, u"modifierKey", "Couldn't find child modifierKey", 100},
    };
    for (const Place& place : places) {
        m_selectors[place.selector] = RequireChild(
            KX::RCPtr<KX::LComboBox>(ControlUtilities::GetComboBoxChild(place.page->FindChild(place.name))),
            place.phrase, method, kEditPath, place.line);
        bind(m_selectors[place.selector], u"NID_SELECTION_CHANGE", place.line + 1);
    }

    // The colour captions in layout order: COLOR 1 to COLOR 4, then HID COLOR.
    KX::RCPtrArray<KX::LControl, 1, 0> labels;
    FindDescendants(u"colorNameLabel", labels);
    for (unsigned p = 0; p < labels.GetCount(); ++p) {
        const KX::RCPtr<KX::LControl>& label = labels.GetAt(p);
        KX::String text;
        if (p == 4)
            label->GetString(text, u"ASCII_COLOR_LABEL");
        else
            text = KX::String::Format(label->GetString(text, u"NUMBERED_COLOR_LABEL").GetString(), int(p + 1));
        label->SetText(text);
    }
    return base;
}

void LButtonEditPanel::SetButtonLabelText(int32_t index)
{
    if (index < 0 || index >= IPushButtons::kChildCount)
        return;
    constexpr const char* method = "LButtonEditPanel::SetButtonLabelText";
    SetNumberedLabel(*this, u"buttonName", index % 9 + 1, "Couldn't find child buttonName", method, kEditPath, 179);
    SetNumberedLabel(*this, u"bankName", index / 9 + 1, "Couldn't find child bankName", method, kEditPath, 182);
}

KXRESULT LButtonEditPanel::ShowParamValue(const unsigned char* bytes, int)
{
    m_shown.assign(bytes, bytes + kSize);
    static_cast<void>(m_midiEditor->ShowControlRecord(RecordOf(bytes))); // always 10 bytes
    const auto byte = [bytes](unsigned offset) { return int(static_cast<signed char>(bytes[offset])); };
    using ControlUtilities::ShowListPosition;
    for (unsigned i = 0; i < 4; ++i)
        ShowListPosition(m_selectors[kColour1Selector + i], byte(kColour1 + i));
    ShowListPosition(m_selectors[kHidColourSelector], byte(PushButtonValue::kHidColour));
    ShowListPosition(m_selectors[kKeySelector], KeyPositionOfByte(byte(kHidKey)));
    ShowListPosition(m_selectors[kModifierSelector], byte(PushButtonValue::kModifier));
    KX::Variant value;
    value.SetBlob(bytes, kSize);
    static_cast<void>(SetParamValue(KX::ParamDescriptor(GetFirstParamID()), value)); // 1: no tile shows it
    return KX::S_OK;
}

int LButtonEditPanel::Position(Selector s, int shownPosition) const
{
    const int position = m_selectors[s]->GetSelectedIndex();
    return position >= 0 ? position : shownPosition;
}

KXRESULT LButtonEditPanel::OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>&,
                                               const KX::RCPtr<KX::LNotification>&)
{
    // Before any value was shown the selectors' bytes stand for themselves.
    const auto shown = [this](unsigned offset, int fallback) {
        return m_shown.size() == kSize ? int(static_cast<signed char>(m_shown[offset])) : fallback;
    };
    int colours[4];
    for (unsigned i = 0; i < 4; ++i)
        colours[i] = Position(Selector(kColour1Selector + i), shown(kColour1 + i, 0));
    const int key = m_selectors[kKeySelector]->GetSelectedIndex();
    const KX::Array<char> value = Pack(m_midiEditor->BuildControlRecord(), colours,
                                       Position(kHidColourSelector, shown(PushButtonValue::kHidColour, 0)),
                                       key >= 0 ? KeyByteOfPosition(key) : shown(kHidKey, kKeyOff),
                                       Position(kModifierSelector, shown(PushButtonValue::kModifier, 0)));
    if (value.GetCount() == kSize)
        static_cast<void>(ReportParamValue(reinterpret_cast<const unsigned char*>(value.GetData()))); // 1: no root
    return 1;
}

KXRESULT LButtonEditPanel::BreakCycles()
{
    m_buttonName = nullptr;
    m_midiEditor = nullptr;
    for (KX::RCPtr<KX::LComboBox>& selector : m_selectors)
        selector = nullptr;
    return LUIEditPanel::BreakCycles();
}

// ---- The group.

LButtonGroupPanel::LButtonGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlGroupPanel(parent, name, kPushButtonGroup,
                         BankedTilePlaces(u"buttonBank", 4, u"button", 9, u"buttonEditPanel"),
                         "LButtonGroupPanel::Initialize", kGroupPath)
{
}
