#include "Panel/UI/KivoSeriesCommon/WheelPanels.h"

#include "Panel/UI/DriverCommon/PanelErrors.h"

namespace {

constexpr const char* kEditPath = "UI\\KivoSeriesCommon\\WheelEditPanel";

} // namespace

LWheelEditPanel::LWheelEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIEditPanel(parent, name)
{
}

KXRESULT LWheelEditPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    constexpr const char* method = "LWheelEditPanel::Initialize";
    m_editor = RequireChild(KX::RCPtr<LMoveableControlEditPanel>(FindChild(u"moveableTypePanel")),
                            "Cannot find child: moveableTypePanel", method, kEditPath, 30);
    const KXRESULT r = Bind(&LWheelEditPanel::OnParametersChanged, m_editor, u"NID_PARAMETERS_CHANGED", 0);
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                       KX::SourcePlace(method, kEditPath, 31));
    m_name = RequireChild(KX::RCPtr<KX::LLabel>(FindChild(u"wheelName")), "couldn't find child wheelName", method,
                          kEditPath, 34);
    return base;
}

void LWheelEditPanel::OnRepointed()
{
    const int32_t index = GetIndex();
    if (!m_name || (index != 0 && index != 1))
        return;
    KX::String text;
    m_name->SetText(m_name->GetString(text, index == 0 ? u"PITCH_LABEL" : u"MOD_LABEL"));
}

KXRESULT LWheelEditPanel::ShowParamValue(const unsigned char* bytes, int)
{
    if (!m_editor)
        return KX::E_FAIL;
    m_editor->ShowControlRecord(MoveableRecord::FromWheelValue(bytes, MoveableRecord::kWheelValueSize));
    KX::Variant value;
    value.SetBlob(bytes, MoveableRecord::kWheelValueSize);
    static_cast<void>(SetParamValue(KX::ParamDescriptor(GetFirstParamID()), value)); // 1: no tile shows it
    return KX::S_OK;
}

KXRESULT LWheelEditPanel::OnParametersChanged(const KX::RCPtr<KX::LNotificationDistributor>&,
                                              const KX::RCPtr<KX::LNotification>&)
{
    if (!m_editor)
        return 1;
    // The relative flag of the record is not part of a wheel's value.
    const KX::Array<char> value = MoveableRecord::ToWheelValue(m_editor->BuildControlRecord());
    if (value.GetCount() == MoveableRecord::kWheelValueSize)
        static_cast<void>(ReportParamValue(reinterpret_cast<const unsigned char*>(value.GetData()))); // 1: no root
    return 1;
}

KXRESULT LWheelEditPanel::BreakCycles()
{
    m_editor = nullptr;
    m_name = nullptr;
    return LUIEditPanel::BreakCycles();
}

LWheelPanel::LWheelPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIModuleLeaf<IWheel>(parent, name)
{
}

KXRESULT LWheelPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    m_viewPanel =
        RequireChild(KX::RCPtr<LMoveableControlViewPanel>(FindChild(u"viewPanel")), "cannot find child viewPanel",
                     "LWheelPanel::Initialize", "UI\\KivoSeriesCommon\\WheelPanel", 32);
    return base;
}

KXRESULT LWheelPanel::ShowParamValue(const unsigned char* bytes, int)
{
    if (m_viewPanel)
        m_viewPanel->ShowControlRecord(MoveableRecord::FromWheelValue(bytes, MoveableRecord::kWheelValueSize));
    return KX::S_OK;
}

KXRESULT LWheelPanel::BreakCycles()
{
    m_viewPanel = nullptr;
    return KX::LPanel::BreakCycles();
}

LWheelGroupPanel::LWheelGroupPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlGroupPanel(parent, name, kWheelGroup,
                         {{u"", u"pitchWheel", u"wheelEditPanel"}, {u"", u"modWheel", u"wheelEditPanel"}},
                         "LWheelGroupPanel::Initialize", "UI\\KivoSeriesCommon\\WheelGroupPanel")
{
}
