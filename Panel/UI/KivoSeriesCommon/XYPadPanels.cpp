#include "Panel/UI/KivoSeriesCommon/XYPadPanels.h"

#include "KXFramework/Controls/TabControl.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"

#include <array>

namespace {

constexpr const char* kEditPath = "UI\\KivoSeriesCommon\\XYPadEditPanel";
constexpr unsigned kMidiSize = MoveableRecord::kSize;

void Check(KXRESULT r, const char* method, int line)
{
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                       KX::SourcePlace(method, kEditPath, line));
}

} // namespace

LXYPadEditPanel::LXYPadEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIEditPanel(parent, name)
{
}

KXRESULT LXYPadEditPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    constexpr const char* method = "LXYPadEditPanel::Initialize";
    const KX::RCPtr<KX::LTabControl> tabs = RequireChild(KX::RCPtr<KX::LTabControl>(FindChild(u"viewTabControl")),
                                                         "Cannot find child: viewTabControl", method, kEditPath, 31);
    m_midiPage = RequireChild(KX::RCPtr<LMoveableControlEditPanel>(tabs->GetPageByName(u"midiPage")),
                              "Cannot find child: viewTabControl: midiPage", method, kEditPath, 33);
    Check(Bind(&LXYPadEditPanel::OnParametersChanged, m_midiPage, u"NID_PARAMETERS_CHANGED", 0), method, 34);
    m_notePage = RequireChild(KX::RCPtr<LNoteModeEditPanel>(tabs->GetPageByName(u"noteModePage")),
                              "Cannot find child: viewTabControl: noteModePage", method, kEditPath, 37);
    Check(Bind(&LXYPadEditPanel::OnParametersChanged, m_notePage, u"NID_PARAMETERS_CHANGED", 0), method, 38);
    return base;
}

void LXYPadEditPanel::OnRepointed()
{
    const int32_t index = GetIndex();
    const KX::RCPtr<KX::LControl>& title = FindChild(u"axisName");
    if (!title || (index != 0 && index != 1))
        return;
    KX::String text;
    title->SetText(title->GetString(text, index == 0 ? u"LABEL_X_AXIS" : u"LABEL_Y_AXIS"));
}

KXRESULT LXYPadEditPanel::ShowParamValue(const unsigned char* bytes, int)
{
    if (!m_midiPage || !m_notePage)
        return KX::E_FAIL;
    m_midiPage->ShowControlRecord(MoveableRecord::FromBytes(bytes, kMidiSize));
    KX::Array<char> notes;
    for (unsigned i = 0; i < NoteModeRecord::kSize; ++i)
        notes.Add(static_cast<char>(bytes[kMidiSize + i]));
    static_cast<void>(m_notePage->ShowControlRecord(notes)); // 9 bytes: shown
    KX::Variant value;
    value.SetBlob(bytes, kValueSize);
    static_cast<void>(SetParamValue(KX::ParamDescriptor(GetFirstParamID()), value)); // 1: no tile shows it
    return KX::S_OK;
}

KXRESULT LXYPadEditPanel::OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>&,
                                              const KX::RCPtr<KX::LNotification>&)
{
    if (!m_midiPage || !m_notePage)
        return 1;
    const MoveableControlRecord midi = m_midiPage->BuildControlRecord();
    const KX::Array<char> notes = m_notePage->BuildControlRecord();
    if (midi.GetCount() != kMidiSize || notes.GetCount() != NoteModeRecord::kSize)
        return 1;
    std::array<unsigned char, kValueSize> value{};
    for (unsigned i = 0; i < kMidiSize; ++i)
        value[i] = static_cast<unsigned char>(midi.GetAt(i));
    for (unsigned i = 0; i < NoteModeRecord::kSize; ++i)
        value[kMidiSize + i] = static_cast<unsigned char>(notes.GetAt(i));
    static_cast<void>(ReportParamValue(value.data())); // without a main control nothing is reported
    return 1;
}

KXRESULT LXYPadEditPanel::BreakCycles()
{
    m_midiPage = nullptr;
    m_notePage = nullptr;
    return LUIEditPanel::BreakCycles();
}

LXYPadDirectionPanel::LXYPadDirectionPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIModuleLeaf<ITouchPadAxis>(parent, name)
{
}

KXRESULT LXYPadDirectionPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    m_viewPanel =
        RequireChild(KX::RCPtr<LMoveableControlViewPanel>(FindChild(u"viewPanel")), "cannot find child viewPanel",
                     "LXYPadDirectionPanel::Initialize", "UI\\KivoSeriesCommon\\XYPadDirectionPanel", 32);
    return base;
}

KXRESULT LXYPadDirectionPanel::ShowParamValue(const unsigned char* bytes, int)
{
    if (m_viewPanel)
        m_viewPanel->ShowControlRecord(MoveableRecord::FromBytes(bytes, kMidiSize));
    return KX::S_OK;
}

KXRESULT LXYPadDirectionPanel::BreakCycles()
{
    m_viewPanel = nullptr;
    return KX::LPanel::BreakCycles();
}

LXYPadDirectionGroupPanel::LXYPadDirectionGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlGroupPanel(parent, name, kXYPadGroup,
                         {{u"", u"xAxis", u"xyPadEditPanel"}, {u"", u"yAxis", u"xyPadEditPanel"}},
                         "LXYPadDirectionGroupPanel::Initialize", "UI\\KivoSeriesCommon\\XYPadDirectionGroupPanel")
{
}
