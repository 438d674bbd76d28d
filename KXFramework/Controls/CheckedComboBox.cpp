#include "KXFramework/Controls/CheckedComboBox.h"

#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/CheckedListBox.h"

namespace KX {

namespace {

constexpr unsigned kCheckedLooks = 7;

} // namespace

LCheckedComboBox::~LCheckedComboBox() = default;

RCPtr<LButton> LCheckedComboBox::GetCheckBox() const
{
    return RCPtr<LButton>(dynamic_cast<LButton*>(FindChild(u"checkBox").Get()));
}

KXRESULT LCheckedComboBox::Initialize()
{
    m_checkedList = RCPtr<LCheckedListBox>(dynamic_cast<LCheckedListBox*>(FindChild(u"listBox").Get()));
    if (Failed(LComboBox::Initialize()) || !m_checkedList)
        return E_FAIL;
    if (RCPtr<LButton> box = GetCheckBox())
        box->SetUsesParentToolTip(true);
    m_checkedList->SetDropDownMode(true);
    if (m_checkedList->HasIcons())
        SetCheckBoxPassive(true);
    Bind(&LCheckedComboBox::OnListCheckChange, m_checkedList, u"NID_ITEM_CHECK_CHANGE");
    return S_OK;
}

KXRESULT LCheckedComboBox::PostInitialize()
{
    if (GetSelectedIndex() >= 0)
        SetCheckBoxIcon(GetSelectedIndex());
    return LComboBox::PostInitialize();
}

void LCheckedComboBox::SetCheckBoxIcon(int32_t index)
{
    RCPtr<LButton> box = GetCheckBox();
    if (!box)
        return;
    const RCPtr<LBitmap> icon = m_checkedList && index >= 0 ? m_checkedList->GetItemIcon(index) : RCPtr<LBitmap>();
    for (unsigned i = box->GetLookCount(); i-- > 0;)
        static_cast<void>(box->SetLookBitmap(icon, 0, int(i), true)); // a look the skin lacks is not drawn
}

int32_t LCheckedComboBox::SetItemCount(int32_t n)
{
    const int32_t r = LComboBox::SetItemCount(n);
    UpdateLook();
    return r;
}

int32_t LCheckedComboBox::SetSelectedIndex(int32_t index)
{
    if (RCPtr<LButton> box = GetCheckBox()) {
        if (m_checkedList && index >= 0 && index < m_checkedList->GetItemCount()) {
            box->SetValue(m_checkedList->IsItemChecked(index) ? 1.0 : 0.0);
            SetCheckBoxIcon(index);
        } else {
            SetCheckBoxIcon(-1);
        }
    }
    return LComboBox::SetSelectedIndex(index);
}

KXRESULT LCheckedComboBox::UpdateLook()
{
    unsigned look = StateLookIndex();
    if (m_checkedList && m_checkedList->GetCheckedCount() > 0)
        look += kCheckedLooks;
    // A skin without the look keeps the current one.
    if (GetLookCount() > look)
        SetLookExclusive(look);
    RCPtr<LButton> box = GetCheckBox();
    if (checkBoxFollowsLook && box && box->GetLookCount() > look)
        box->SetLookExclusive(look);
    return S_OK;
}

void LCheckedComboBox::SetCheckBoxPassive(bool passive)
{
    m_checkBoxPassive = passive;
    if (RCPtr<LButton> box = GetCheckBox())
        box->passive = passive;
}

KXRESULT LCheckedComboBox::OnListCheckChange(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    RCPtr<LControl> self(this);
    // Only reaching or leaving "nothing checked" changes the look group.
    if (m_checkedList->GetCheckedCount() <= 1)
        UpdateLook();
    RCPtr<LNotification> forwarded;
    if (Succeeded(LNotification::Create(forwarded, u"NID_ITEM_CHECK_CHANGE", n->GetPayload())))
        SendNotification(forwarded);
    return S_OK;
}

KXRESULT LCheckedComboBox::BreakCycles()
{
    m_checkedList = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
