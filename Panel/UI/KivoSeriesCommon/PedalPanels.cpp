#include "Panel/UI/KivoSeriesCommon/PedalPanels.h"

#include "Panel/UI/DriverCommon/ChildLookup.h"
#include "Panel/UI/DriverCommon/EditPanelHost.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/KivoSeriesCommon/ControlGroupPanel.h"

namespace {

constexpr const char* kGroupPath = "UI\\KivoSeriesCommon\\PedalGroupPanel";
constexpr const char* kSustainEditPath = "UI\\KivoSeriesCommon\\SustainPedalEditPanel";
// Record bytes the value keeps, in value order: 0..4 and the high value.
constexpr unsigned kStored[SustainValue::kSize] = {0, 1, 2, 3, 4, 9};

void Check(KXRESULT r, const char* method, const char* path, int line)
{
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                       KX::SourcePlace(method, path, line));
}

} // namespace

ButtonControlRecord SustainValue::ToRecord(const unsigned char* value)
{
    ButtonControlRecord record;
    static_cast<void>(record.SetCount(ButtonRecord::kSize)); // the new count
    for (unsigned i = 0; i < kSize; ++i)
        record.GetAt(kStored[i]) = static_cast<char>(value[i]);
    ButtonRecord::WriteNoSteps(record);
    return record;
}

bool SustainValue::FromRecord(const ButtonControlRecord& record, std::array<unsigned char, kSize>& out)
{
    if (record.GetCount() != ButtonRecord::kSize)
        return false;
    for (unsigned i = 0; i < kSize; ++i)
        out[i] = static_cast<unsigned char>(record.GetAt(kStored[i]));
    return true;
}

// ---- Sustain editor and tile.

LSustainPedalEditPanel::LSustainPedalEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIEditPanel(parent, name)
{
}

KXRESULT LSustainPedalEditPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    constexpr const char* method = "LSustainPedalEditPanel::Initialize";
    m_editor = RequireChild(KX::RCPtr<LButtonControlEditPanel>(FindChild(u"buttonTypePanel")),
                            "Couldn't find viewTabControl page: midiPage", method, kSustainEditPath, 33);
    Check(Bind(&LSustainPedalEditPanel::OnParametersChanged, m_editor, u"NID_PARAMETERS_CHANGED", 0), method,
          kSustainEditPath, 34);
    return base;
}

KXRESULT LSustainPedalEditPanel::ShowParamValue(const unsigned char* bytes, int)
{
    if (!m_editor)
        return KX::E_FAIL;
    static_cast<void>(m_editor->ShowControlRecord(SustainValue::ToRecord(bytes))); // the record has 10 bytes
    KX::Variant value;
    value.SetBlob(bytes, SustainValue::kSize);
    static_cast<void>(SetParamValue(KX::ParamDescriptor(GetFirstParamID()), value)); // E_FAIL: no group
    return KX::S_OK;
}

KXRESULT LSustainPedalEditPanel::OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                     const KX::RCPtr<KX::LNotification>&)
{
    std::array<unsigned char, SustainValue::kSize> value{};
    if (m_editor && SustainValue::FromRecord(m_editor->BuildControlRecord(), value))
        static_cast<void>(ReportParamValue(value.data())); // without a main control nothing is reported
    return 1;
}

KXRESULT LSustainPedalEditPanel::BreakCycles()
{
    m_editor = nullptr;
    return LUIEditPanel::BreakCycles();
}

LSustainPedalPanel::LSustainPedalPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIModuleLeaf<ISustainPedal>(parent, name)
{
}

KXRESULT LSustainPedalPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    m_viewPanel =
        RequireChild(KX::RCPtr<LButtonControlViewPanel>(FindChild(u"viewPanel")), "child: viewPanel not found",
                     "LSustainPedalPanel::Initialize", "UI\\KivoSeriesCommon\\SustainPedalPanel", 32);
    return base;
}

KXRESULT LSustainPedalPanel::ShowParamValue(const unsigned char* bytes, int)
{
    if (m_viewPanel) {
        ButtonControlRecord record = SustainValue::ToRecord(bytes);
        m_viewPanel->ShowControlRecord(record);
    }
    return KX::S_OK;
}

KXRESULT LSustainPedalPanel::BreakCycles()
{
    m_viewPanel = nullptr;
    return KX::LPanel::BreakCycles();
}

// ---- Volume editor and tile.

LVolumePedalEditPanel::LVolumePedalEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LMoveableLeafEditPanel(parent, name, u"controlNameLabel", 1, 0, "LVolumePedalEditPanel",
                             "UI\\KivoSeriesCommon\\VolumePedalEditPanel")
{
}

LVolumePedalPanel::LVolumePedalPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LMoveableTilePanel(parent, name, {nullptr, 1, "LVolumePedalPanel", "UI\\KivoSeriesCommon\\VolumePedalPanel"})
{
}

// ---- The group.

LPedalGroupPanel::LPedalGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlWithHandler(parent, name)
{
}

KXRESULT LPedalGroupPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    constexpr const char* method = "LPedalGroupPanel::Initialize";
    const KX::RCPtr<KX::LControl> view = FindViewDevice(*this);
    const auto inView = [&view](const char16_t* name) { return FindChildAt(view, {name}); };
    m_volumeEditor = RequireChild(KX::RCPtr<LVolumePedalEditPanel>(inView(u"volumePedalEditPanel")),
                                  "volumeEditPanel not found", method, kGroupPath, 34);
    m_sustainEditor = RequireChild(KX::RCPtr<LSustainPedalEditPanel>(inView(u"sustainEditPage")),
                                   "sustainEditPanel not found", method, kGroupPath, 36);
    Check(Bind(&LPedalGroupPanel::OnEditPanelVisibilityChange, m_volumeEditor, u"NID_VISIBLITY_CONDITION_CHANGE", 0),
          method, kGroupPath, 38);
    Check(Bind(&LPedalGroupPanel::OnEditPanelVisibilityChange, m_sustainEditor, u"NID_VISIBLITY_CONDITION_CHANGE", 0),
          method, kGroupPath, 39);
    // A missing tile is a missing child like any other.
    m_sustainTile = RequireChild(KX::RCPtr<LSustainPedalPanel>(FindChild(u"sustainPedal")),
                                 "Cannot find child sustainPedal", method, kGroupPath, 41);
    m_volumeTile = RequireChild(KX::RCPtr<LVolumePedalPanel>(FindChild(u"volumePedal")),
                                "Cannot find child volumePedal", method, kGroupPath, 42);
    m_volumeButton = RequireChild(m_volumeTile->FindChild(u"button"), "Cannot find child button of volumePedal", method,
                                  kGroupPath, 44);
    m_sustainButton = RequireChild(m_sustainTile->FindChild(u"button"), "Cannot find child button of sustainPedal",
                                   method, kGroupPath, 45);
    Check(Bind(&LPedalGroupPanel::OnPedalClicked, m_volumeButton, u"NID_LEFT_CLICK", 0), method, kGroupPath, 44);
    Check(Bind(&LPedalGroupPanel::OnPedalClicked, m_sustainButton, u"NID_LEFT_CLICK", 0), method, kGroupPath, 45);
    return base;
}

bool LPedalGroupPanel::IsShown(const KX::RCPtr<KX::LControl>& editor)
{
    return editor && editor->IsVisible(false) && editor->GetRect().width > 0 && editor->GetRect().height > 0;
}

KX::ConstRCPtr<IVolumePedal> LPedalGroupPanel::GetVolumePedal() const
{
    if (IsShown(m_volumeEditor))
        return KX::ConstRCPtr<IVolumePedal>(m_volumeEditor);
    return KX::ConstRCPtr<IVolumePedal>(m_volumeTile);
}

KX::ConstRCPtr<ISustainPedal> LPedalGroupPanel::GetSustainPedal() const
{
    if (IsShown(m_sustainEditor))
        return KX::ConstRCPtr<ISustainPedal>(m_sustainEditor);
    return KX::ConstRCPtr<ISustainPedal>(m_sustainTile);
}

KXRESULT LPedalGroupPanel::SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& v)
{
    if (m_sustainEditor && m_sustainTile && d.id == m_sustainEditor->GetFirstParamID())
        return m_sustainTile->SetParamValueLocal(d, v, 0);
    if (m_volumeEditor && m_volumeTile && d.id == m_volumeEditor->GetFirstParamID())
        return m_volumeTile->SetParamValueLocal(d, v, 0);
    return KX::E_FAIL;
}

void LPedalGroupPanel::ShowEditor(int32_t index, const KX::RCPtr<KX::LControl>& editor,
                                  const KX::RCPtr<KX::LControl>& other)
{
    const KX::RCPtr<KX::LControl> view = FindViewDevice(*this);
    if (IEditPanelHost* host = dynamic_cast<IEditPanelHost*>(view.Get())) {
        host->ShowEditPanel(kPedalGroup, index);
        return;
    }
    // Without the device view the group shows its own editor in place of the other.
    static_cast<void>(other->SetVisible(false)); // answers the visibility before
    static_cast<void>(editor->SetVisible(true)); // as above
}

KXRESULT LPedalGroupPanel::OnPedalClicked(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                          const KX::RCPtr<KX::LNotification>&)
{
    const bool sustain = sender.Get() == static_cast<KX::LNotificationDistributor*>(m_sustainButton.Get());
    const bool volume = sender.Get() == static_cast<KX::LNotificationDistributor*>(m_volumeButton.Get());
    if (!sustain && !volume)
        return 1;
    static_cast<void>(m_sustainButton->SetValue(sustain ? 1.0 : 0.0)); // the value stored is not needed
    static_cast<void>(m_volumeButton->SetValue(volume ? 1.0 : 0.0));   // as above
    if (sustain) {
        ShowEditor(kSustainIndex, m_sustainEditor, m_volumeEditor);
        m_sustainEditor->SetFirstParamID(this, m_sustainTile->GetFirstParamID(), m_sustainTile->GetIndex());
    } else {
        ShowEditor(kVolumeIndex, m_volumeEditor, m_sustainEditor);
        m_volumeEditor->SetFirstParamID(this, m_volumeTile->GetFirstParamID(), m_volumeTile->GetIndex());
    }
    return 1;
}

KXRESULT LPedalGroupPanel::OnEditPanelVisibilityChange(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                       const KX::RCPtr<KX::LNotification>&)
{
    if (m_volumeButton)
        static_cast<void>(m_volumeButton->SetValue(IsShown(m_volumeEditor) ? 1.0 : 0.0)); // not needed
    if (m_sustainButton)
        static_cast<void>(m_sustainButton->SetValue(IsShown(m_sustainEditor) ? 1.0 : 0.0)); // as above
    return 1;
}

KXRESULT LPedalGroupPanel::BreakCycles()
{
    m_volumeTile = nullptr;
    m_sustainTile = nullptr;
    m_volumeEditor = nullptr;
    m_sustainEditor = nullptr;
    m_volumeButton = m_sustainButton = nullptr;
    return LControlWithHandler::BreakCycles();
}
