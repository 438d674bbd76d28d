#include "Panel/UI/PresetEditorCommon/NumberBoxTextSelector.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"

#include <cmath>

LNumberBoxTextSelector::LNumberBoxTextSelector(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : KX::LPanel(parent, name)
{
}

KXRESULT LNumberBoxTextSelector::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    m_handler = KX::LNotificationHandler<LNumberBoxTextSelector>::Create(this);
    if (!m_handler)
        return base;
    m_label = FindChild(u"label");
    m_numberBox = KX::RCPtr<KX::LNumericUpDown>(FindChild(u"numericUpDown"));
    const KXRESULT r =
        m_handler->SetNotification(&LNumberBoxTextSelector::OnNumericValueChange, m_numberBox, u"NID_VALUE_CHANGE", 0);
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
        static_cast<void>(m_label->SetText(text)); // 1: the text was already shown
}

KXRESULT LNumberBoxTextSelector::OnNumericValueChange(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                      const KX::RCPtr<KX::LNotification>&)
{
    UpdateLabelText();
    return 1;
}

KXRESULT LNumberBoxTextSelector::ReceiveNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                     const KX::RCPtr<KX::LNotification>& n)
{
    KXRESULT handled = KX::S_OK;
    if (m_handler && m_handler->Dispatch(sender, n, handled))
        return handled;
    return KX::LPanel::ReceiveNotification(sender, n);
}

KXRESULT LNumberBoxTextSelector::UnregisterForNotification(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                           const char16_t* name)
{
    if (m_handler)
        m_handler->RemoveNotification(sender, name);
    return KX::LPanel::UnregisterForNotification(sender, name);
}

KXRESULT LNumberBoxTextSelector::BreakCycles()
{
    m_handler = nullptr;
    m_label = nullptr;
    m_numberBox = nullptr;
    return KX::LPanel::BreakCycles();
}
