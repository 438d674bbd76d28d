#include "Panel/UI/KivoSeriesCommon/PadPanels.h"

#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/Controls/TabControl.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr const char* kEditPath = "UI\\KivoSeriesCommon\\PadEditPanel";
constexpr const char* kTilePath = "UI\\KivoSeriesCommon\\PadPanel";
constexpr uint32_t kShift = 0x08;

void Check(KXRESULT r, const char* method, const char* path, int line)
{
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                       KX::SourcePlace(method, path, line));
}

std::vector<GroupTilePlace> PadPlaces()
{
    std::vector<GroupTilePlace> places;
    for (int i = 1; i <= int(IPads::kChildCount); ++i) {
        std::u16string tile = u"pad";
        for (char c : std::to_string(i))
            tile += char16_t(c);
        places.push_back({u"", tile, u"padEditPanel"});
    }
    return places;
}

} // namespace

// ---- The edit panel.

LPadEditPanel::LPadEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name) : LUIEditPanel(parent, name)
{
}

KXRESULT LPadEditPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    constexpr const char* method = "LPadEditPanel::Initialize";
    m_name = RequireChild(KX::RCPtr<KX::LLabel>(FindChild(u"padName")), "Couldn't find child padName", method,
                          kEditPath, 32);
    const KX::RCPtr<KX::LTabControl> tabs = RequireChild(KX::RCPtr<KX::LTabControl>(FindChild(u"viewTabControl")),
                                                         "Cannot find child viewTabControl", method, kEditPath, 35);
    m_editor = RequireChild(KX::RCPtr<LButtonControlEditPanel>(tabs->GetPageByName(u"midiPage")),
                            "Couldn't find viewTabControl page: midiPage", method, kEditPath, 37);
    Check(Bind(&LPadEditPanel::OnParametersChanged, m_editor, u"NID_PARAMETERS_CHANGED", 0), method, kEditPath, 38);
    static_cast<void>(m_editor->SetOnOffFollowsLatching(true)); // answers the flag set
    const KX::RCPtr<KX::LControl> page = RequireChild(
        tabs->GetPageByName(u"colorPage"), "Cannot find child viewTabControl page: colorPage", method, kEditPath, 42);
    for (unsigned c = 0; c < PadValue::kColours; ++c) {
        const int line = 45 + 4 * int(c);
        const std::string name = "color" + std::to_string(c + 1);
        m_colours[c] = RequireChild(
            KX::RCPtr<KX::LComboBox>(ControlUtilities::GetComboBoxChild(page->FindChild(KX::String(name.c_str())))),
            "Couldn't find child " + name, method, kEditPath, line);
        Check(Bind(&LPadEditPanel::OnParametersChanged, m_colours[c], u"NID_SELECTION_CHANGE", 0), method, kEditPath,
              line + 1);
    }
    // The colour labels in tree order, which is the selectors' layout order: COLOR 1 to COLOR 4.
    KX::RCPtrArray<KX::LControl, 1, 0> labels;
    static_cast<void>(page->FindDescendants(u"colorNameLabel", labels)); // answers the count found
    for (unsigned i = 0; i < labels.GetCount(); ++i) {
        const KX::RCPtr<KX::LLabel> label(labels.GetAt(i));
        KX::String format;
        if (label)
            label->SetText(
                KX::String::Format(label->GetString(format, u"NUMBERED_COLOR_LABEL").GetString(), int(i) + 1));
    }
    return base;
}

void LPadEditPanel::OnRepointed()
{
    const int32_t index = GetIndex();
    if (index < 0 || index >= int32_t(IPads::kChildCount) || !m_name)
        return;
    m_padIndex = uint32_t(index);
    KX::String format;
    m_name->SetText(KX::String::Format(m_name->GetString(format, u"LABEL").GetString(), int(m_padIndex) + 1));
}

KXRESULT LPadEditPanel::ShowParamValue(const unsigned char* bytes, int)
{
    if (!m_editor)
        return KX::E_FAIL;
    for (unsigned c = 0; c < PadValue::kColours; ++c) {
        m_shownColours[c] = bytes[PadValue::kFirstColour + c];
        ControlUtilities::ShowListPosition(m_colours[c], static_cast<signed char>(m_shownColours[c]));
    }
    static_cast<void>(m_editor->ShowControlRecord(PadValue::ToRecord(bytes))); // the record has 10 bytes
    KX::Variant value;
    value.SetBlob(bytes, PadValue::kSize);
    static_cast<void>(SetParamValue(KX::ParamDescriptor(GetFirstParamID()), value)); // 1: no tile shows it
    return KX::S_OK;
}

KXRESULT LPadEditPanel::OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>&,
                                            const KX::RCPtr<KX::LNotification>&)
{
    if (!m_editor)
        return 1;
    std::array<unsigned char, PadValue::kColours> colours{};
    for (unsigned c = 0; c < PadValue::kColours; ++c) {
        const int position = m_colours[c]->GetSelectedIndex();
        colours[c] = position >= 0 ? static_cast<unsigned char>(position) : m_shownColours[c];
    }
    std::array<unsigned char, PadValue::kSize> value{};
    if (PadValue::FromRecord(m_editor->BuildControlRecord(), colours, value))
        static_cast<void>(ReportParamValue(value.data())); // without a main control nothing is reported
    return 1;
}

KXRESULT LPadEditPanel::BreakCycles()
{
    m_name = nullptr;
    m_editor = nullptr;
    m_colours = {};
    return LUIEditPanel::BreakCycles();
}

// ---- The tile.

LPadPanel::LPadPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name) : LUIModuleLeaf(parent, name) {}

KXRESULT LPadPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    constexpr const char* method = "LPadPanel::Initialize";
    m_colour = RequireChild(FindChild(u"color"), "child: color not found", method, kTilePath, 34);
    const KX::RCPtr<KX::LControl> button =
        RequireChild(FindChild(u"button"), "child: button not found", method, kTilePath, 37);
    Check(Bind(&LPadPanel::OnTileClicked, button, u"NID_LEFT_CLICK", 0), method, kTilePath, 37);
    m_shownColour = -1;
    m_viewPanel = RequireChild(KX::RCPtr<LButtonControlViewPanel>(FindChild(u"viewPanel")),
                               "child: viewPanel not found", method, kTilePath, 41);
    return base;
}

KXRESULT LPadPanel::SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index)
{
    IPad::SetFirstParamID(parent, first, index);
    const KX::RCPtr<KX::LControl> label =
        RequireChild(FindChild(u"padNumberLabel"), "Cannot find child: padNumberLabel", "LPadPanel::SetFirstParamID",
                     kTilePath, 146);
    KX::String format;
    label->SetText(KX::String::Format(label->GetString(format, u"LABEL").GetString(), index + 1));
    return KX::S_OK;
}

void LPadPanel::ShowColour()
{
    if (!m_hasValue || !m_colour)
        return;
    const unsigned c = m_shownColour >= 1 && m_shownColour <= 3 ? unsigned(m_shownColour) : 0;
    ControlUtilities::ShowColourLook(m_colour, static_cast<signed char>(m_value[PadValue::kFirstColour + c]),
                                     int(PadValue::kColourCount));
}

KXRESULT LPadPanel::ShowParamValue(const unsigned char* bytes, int)
{
    std::copy(bytes, bytes + PadValue::kSize, m_value.begin());
    m_hasValue = true;
    ShowColour();
    if (m_viewPanel) {
        ButtonControlRecord record = PadValue::ToRecord(bytes);
        m_viewPanel->ShowControlRecord(record);
    }
    return KX::S_OK;
}

KXRESULT LPadPanel::OnTileClicked(const KX::RCPtr<KX::LNotificationDistributor>&, const KX::RCPtr<KX::LNotification>& n)
{
    const KX::RCPtr<KX::LPointWithModifiersParam> click(n ? n->GetPayload() : nullptr);
    if (click && (click->modifiers & kShift)) {
        m_shownColour = (m_shownColour + 1) % int32_t(PadValue::kColours);
        ShowColour();
    }
    return 1;
}

KXRESULT LPadPanel::BreakCycles()
{
    m_colour = nullptr;
    m_viewPanel = nullptr;
    return LUIModuleLeaf::BreakCycles();
}

// ---- The group.

LPadGroupPanel::LPadGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlGroupPanel(parent, name, kPadGroup, PadPlaces(), "LPadGroupPanel::Initialize",
                         "UI\\KivoSeriesCommon\\PadGroupPanel")
{
}
