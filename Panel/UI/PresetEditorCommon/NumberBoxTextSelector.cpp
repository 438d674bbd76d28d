#include "Panel/UI/PresetEditorCommon/NumberBoxTextSelector.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"

#include <cmath>

LNumberBoxTextSelector::LNumberBoxTextSelector(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlWithHandler(parent, name)
{
}

KXRESULT LNumberBoxTextSelector::Initialize()
{
    const KXRESULT base = LControlWithHandler::Initialize();
    if (KX::Failed(base))
        return base;
    m_label = FindChild(u"label");
    m_numberBox = KX::RCPtr<KX::LNumericUpDown>(FindChild(u"numericUpDown"));
    const KXRESULT r = Bind(&LNumberBoxTextSelector::OnNumericValueChange, m_numberBox, u"NID_VALUE_CHANGE");
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>(
            "Failed Result : " + KX::ResultToString(r) +
            " : LNumberBoxTextSelector::Initialize : UI/PresetEditorCommon/NumberBoxTextSelector : Line 31");
    UpdateLabelText();
    return base;
}

void LNumberBoxTextSelector::UpdateLabelText()
{
    if (!m_numberBox || !m_label)
        return;
    const double v = m_numberBox->NormalizedToValue(m_numberBox->GetValue());
    const uint32_t n = std::isfinite(v) ? static_cast<uint32_t>(static_cast<int32_t>(v)) : UINT32_MAX;
    KX::String text;
    if (TextOfRank(m_label->GetStringTable(), n, text))
        m_label->SetText(text);
}

KXRESULT LNumberBoxTextSelector::OnNumericValueChange(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                      const KX::RCPtr<KX::LNotification>&)
{
    UpdateLabelText();
    return 1;
}

KXRESULT LNumberBoxTextSelector::BreakCycles()
{
    m_label = nullptr;
    m_numberBox = nullptr;
    return LControlWithHandler::BreakCycles();
}
