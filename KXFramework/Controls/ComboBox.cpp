#include "KXFramework/Controls/ComboBox.h"

#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/TextBox.h"

#include <algorithm>

namespace KX {

LComboBox::~LComboBox() = default;

void LComboBox::Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, payload)))
        SendNotification(n);
}

RCPtr<LTextBox> LComboBox::GetTextBox() const
{
    return RCPtr<LTextBox>(dynamic_cast<LTextBox*>(FindChild(u"textBox").Get()));
}

KXRESULT LComboBox::ReadCreateParams()
{
    const KXRESULT r = LDropDownControl::ReadCreateParams();
    String text;
    if (GetDescriptor() && GetDescriptor()->GetCreateParams() &&
        GetDescriptor()->GetCreateParams()->GetString(u"INITIAL_SELECTED_INDEX", text))
        m_initialSelectedIndex = text.ToInt();
    return r;
}

KXRESULT LComboBox::Initialize()
{
    const KXRESULT r = LDropDownControl::Initialize();
    m_listBox = RCPtr<LListBox>(dynamic_cast<LListBox*>(FindChild(u"listBox").Get()));
    if (Failed(r) || !m_listBox)
        return E_FAIL;
    Bind(&LComboBox::OnListVisibility, m_listBox, u"NID_VISIBLITY_CONDITION_CHANGE");
    Bind(&LComboBox::OnListItemActivated, m_listBox, u"NID_ITEM_ACTIVATED");
    if (RCPtr<LTextBox> box = GetTextBox()) {
        Bind(&LComboBox::OnTextPassOn, box, u"NID_TEXTBOX_VALIDATING");
        Bind(&LComboBox::OnTextValidated, box, u"NID_TEXTBOX_VALIDATED");
        Bind(&LComboBox::OnTextPassOn, box, u"NID_TEXTBOX_TEXT_CHANGE");
        Bind(&LComboBox::OnTextFocus, box, u"NID_HAS_FOCUS_CONDITION_CHANGE");
    }
    m_listBox->SetDropDownMode(true);
    m_listBox->SetVisible(false);
    if (GetStringTable())
        static_cast<void>(
            m_listBox->LoadItemsFromStringTable(GetStringTable())); // a table without items leaves the list empty
    if (m_initialSelectedIndex >= 0 && m_initialSelectedIndex < m_listBox->GetItemCount() &&
        m_listBox->SelectItems(m_initialSelectedIndex, -1, true) >= 0) {
        String text;
        m_listBox->GetItemText(text, m_initialSelectedIndex);
        UpdateText(text, true);
        m_selectedIndex = m_initialSelectedIndex;
    }
    return S_OK;
}

KXRESULT LComboBox::PostInitialize()
{
    static_cast<void>(LDropDownControl::PostInitialize()); // the base part has nothing to refuse
    if (m_listBox)
        m_listBox->SetVisible(false);
    static_cast<void>(FitListBoxSize()); // without a list box there is nothing to fit
    UpdateLook();
    return S_OK;
}

KXRESULT LComboBox::FitListBoxSize()
{
    if (!m_listBox)
        return E_FAIL;
    m_listBox->FillOpenSizeLimits(GetRect().width);
    SizeLimitSpec minimum, maximum;
    if (m_listBox->GetLayoutDescriptor() &&
        Succeeded(m_listBox->GetLayoutDescriptor()->GetSizeLimitSpecs(1, minimum, maximum)) && maximum.absolute > 0.0)
        m_listBox->SnapHeightLimitsToRows();
    return S_OK;
}

bool LComboBox::IsDropDownShown() const
{
    return m_listBox && m_listBox->IsVisible(false) && m_listBox->GetRect().width > 0 &&
           m_listBox->GetRect().height > 0;
}

KXRESULT LComboBox::ShowDropDown(bool show)
{
    if (!m_listBox)
        return E_FAIL;
    RCPtr<LControl> self(this);
    const RCPtr<LRootWindow>& root = *GetRootWindowPtr();
    if (show && GetParent()) {
        Send(u"NID_DROPDOWN_OPENING", nullptr);
        RCPtr<LControl> top;
        GetTopLevelControl(top);
        const double y = GetPositionInRoot().y;
        const double rootHeight = top ? top->GetRect().height : 0.0;
        const double above = y - 5.0;
        const double below = rootHeight - (y + GetRect().height) - 5.0;
        const double needed = double(m_listBox->GetItemHeight()) * m_listBox->GetItemCount();
        SizeLimitSpec minimum, maximum;
        double skinMax = 0.0;
        if (m_listBox->GetDescriptor() && m_listBox->GetDescriptor()->GetLayout()) {
            SizeLimitSpec skinMin, skinMaxSpec;
            static_cast<void>(m_listBox->GetDescriptor()->GetLayout()->GetSizeLimitSpecs(
                1, skinMin, skinMaxSpec)); // no limits leave the specs at their defaults
            skinMax = skinMaxSpec.absolute;
        }
        static_cast<void>(m_listBox->GetLayoutDescriptor()->GetSizeLimitSpecs(
            1, minimum, maximum)); // no limits leave the specs at their defaults
        const double currentMax = m_listBox->GetAbsoluteMaxSize().y;
        // Without a maximum now or in the skin, or with a skin maximum that fits neither room, the
        // entries decide; else the side whose room holds the skin's maximum.
        bool openBelow;
        if (currentMax == 0.0 || skinMax <= 0.0 || (above < skinMax && below < skinMax))
            openBelow = needed <= below || above <= below;
        else
            openBelow = skinMax <= below;
        const double available = std::max(0.0, openBelow ? below : above);
        maximum.hasReference = false;
        maximum.relative = 0.0f;
        maximum.absolute = skinMax <= 0.0 ? (needed <= available ? 0.0 : available) : std::min(available, skinMax);
        m_listBox->SetSizeLimits(1, minimum, maximum);
        m_listBox->EditPlacement(1, [&](PositionSpec& position, SizeSpec& size) {
            position.anchor = openBelow ? 0.0f : 1.0f;
            position.relative = openBelow ? 1.0f : 0.0f;
            position.absolute = 0.0;
            position.docked = false;
            size.relative = 0.0f;
            size.absolute = std::min(needed, available);
        });
        m_listBox->SnapHeightLimitsToRows();
        // The lowest entry showing the control's text ends selected; entry 0 when none does.
        bool found = false;
        for (int32_t i = m_listBox->GetItemCount(); i-- > 0;) {
            String text;
            m_listBox->GetItemText(text, i);
            if (text == GetText()) {
                m_listBox->SelectItems(i, -1, true);
                m_listBox->EnsureItemVisible(i);
                found = true;
            }
        }
        if (!found && m_listBox->GetItemCount() > 0) {
            m_listBox->SelectItems(0, -1, true);
            m_listBox->EnsureItemVisible(0);
        }
    }
    m_listBox->SetVisible(show);
    if (show && root && m_listBox->IsDropDownMode() && (ComputeConditions() & Condition::kLeftPending)) {
        // The list takes the rest of the press: moving selects, releasing over an entry chooses.
        const PointT<int32_t> cursor = root->GetCursorPos();
        const PointT<double> at = m_listBox->GetPositionInRoot();
        static_cast<void>(
            m_listBox->BeginDrag(kLeftButton, cursor.x - int32_t(at.x),
                                 cursor.y - int32_t(at.y))); // a drag that cannot start leaves the pointer free
    }
    return S_OK;
}

int32_t LComboBox::SetItemCount(int32_t n)
{
    if (!m_listBox)
        return E_FAIL;
    const int32_t r = m_listBox->SetItemCount(n);
    if (m_selectedIndex >= n)
        SetSelectedIndex(-1);
    if (IsDropDownShown())
        static_cast<void>(ShowDropDown(true)); // a list that cannot open leaves the box as it was
    return r;
}

KXRESULT LComboBox::InsertItem(int32_t index, const RCPtr<LTaggableObject>& data)
{
    if (!data)
        return E_INVALIDARG;
    if (!m_listBox)
        return E_FAIL;
    const KXRESULT r = m_listBox->InsertItem(index, data);
    if (Failed(r))
        return r;
    if (index <= m_selectedIndex)
        ++m_selectedIndex;
    else if (m_selectedIndex < 0) {
        String text;
        m_listBox->GetItemText(text, r);
        if (text == GetText())
            SetSelectedIndex(r);
    }
    return r;
}

KXRESULT LComboBox::AddItem(const String& text)
{
    if (!m_listBox)
        return E_FAIL;
    return InsertItem(m_listBox->GetItemCount(), RCPtr<LTaggableObject>(new LListBoxText(text)));
}

KXRESULT LComboBox::RemoveItem(int32_t index)
{
    if (!m_listBox)
        return E_FAIL;
    if (index < 0 || index >= m_listBox->GetItemCount())
        return E_INVALIDARG;
    const KXRESULT r = m_listBox->RemoveItem(index);
    if (Failed(r))
        return r;
    if (m_selectedIndex >= index) {
        m_selectedIndex = -1;
        m_listBox->DeselectAll();
    }
    return m_listBox->GetItemCount();
}

int32_t LComboBox::SetSelectedIndex(int32_t index)
{
    if (!m_listBox) {
        m_selectedIndex = -1;
        return -1;
    }
    // An index past the list clears the list's selection too, as -1 does; the text stays.
    if (index < 0 || index >= m_listBox->GetItemCount()) {
        m_selectedIndex = -1;
        m_listBox->DeselectAll();
        return -1;
    }
    RCPtr<LControl> self(this);
    const int32_t r = m_listBox->SelectItems(index, index, true);
    const bool changed = r != m_selectedIndex;
    m_selectedIndex = r >= 0 ? r : -1;
    if (r < 0)
        return -1;
    String text;
    m_listBox->GetItemText(text, r);
    UpdateText(text, true);
    if (RCPtr<LTextBox> box = GetTextBox())
        box->SetText(text);
    if (changed)
        Send(u"NID_SELECTION_CHANGE", nullptr);
    return m_selectedIndex;
}

int32_t LComboBox::FindByText(const String& text, bool last) const
{
    if (!m_listBox)
        return -1;
    const String wanted = text.ToLower();
    const int32_t n = m_listBox->GetItemCount();
    for (int32_t k = 0; k < n; ++k) {
        const int32_t i = last ? n - 1 - k : k;
        String entry;
        m_listBox->GetItemText(entry, i);
        if (entry.ToLower() == wanted)
            return i;
    }
    return -1;
}

KXRESULT LComboBox::SetText(const String& text)
{
    if (!UpdateText(text, true))
        return S_FALSE;
    SetSelectedIndex(FindByText(text, true));
    return S_OK;
}

void LComboBox::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LDropDownControl::ApplyConditions(param);
    UpdateLook();
}

unsigned LComboBox::StateLookIndex()
{
    const uint32_t mask = ComputeConditions();
    const bool hovered = (mask & Condition::kHover) != 0;
    const bool focused = (mask & (Condition::kHasFocus | Condition::kContainsFocus)) != 0;
    if (!IsEnabled(true))
        return 6;
    if (IsDropDownShown())
        return hovered ? 5 : 4;
    if (hovered)
        return focused ? 3 : 2;
    return focused ? 1 : 0;
}

KXRESULT LComboBox::UpdateLook()
{
    const unsigned look = StateLookIndex();
    return GetLookCount() > look ? SetLookExclusive(look) : S_FALSE;
}

KXRESULT LComboBox::OnKey(const RCPtr<LKeyParam>& key)
{
    if (!key)
        return S_FALSE;
    if (!IsDropDownShown() &&
        (key->key.key == KeyCode::Press(VirtualKey::kDown) || key->key.key == KeyCode::Press(VirtualKey::kEnter))) {
        static_cast<void>(ShowDropDown(true)); // a list that cannot open leaves the box as it was
        return S_OK;
    }
    if (IsDropDownShown() && key->key.key == KeyCode::Press(VirtualKey::kEscape)) {
        m_listBox->SetVisible(false);
        return S_OK;
    }
    return S_FALSE;
}

KXRESULT LComboBox::HandleKey(const RCPtr<LKeyParam>& key)
{
    if (key && key->key.key == KeyCode::Press(VirtualKey::kEscape) && m_listBox)
        m_listBox->SetVisible(false);
    return S_OK;
}

String LComboBox::GetToolTipText() const
{
    if (const_cast<LComboBox*>(this)->IsTextTruncated())
        return GetText();
    return LDropDownControl::GetToolTipText();
}

KXRESULT LComboBox::OnListVisibility(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    UpdateLook();
    return S_FALSE;
}

KXRESULT LComboBox::OnListItemActivated(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    const int32_t current = m_listBox->GetCurrentIndex();
    SetSelectedIndex(current < m_listBox->GetItemCount() ? current : -1);
    return S_OK;
}

KXRESULT LComboBox::OnTextValidated(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    if (const auto* params = dynamic_cast<const LTextValidationParams*>(n->GetPayload().Get()))
        SetSelectedIndex(FindByText(params->ProposedText, false));
    Send(u"NID_TEXTBOX_VALIDATED", n->GetPayload());
    return S_FALSE;
}

KXRESULT LComboBox::OnTextPassOn(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    Send(n->GetName().GetData(), n->GetPayload());
    return S_FALSE;
}

KXRESULT LComboBox::OnTextFocus(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    const auto* param = dynamic_cast<const LConditionsParam*>(n->GetPayload().Get());
    if (param && (param->currentMask & Condition::kHasFocus) && !(param->previousMask & Condition::kHasFocus))
        m_listBox->SetVisible(false);
    return S_FALSE;
}

KXRESULT LComboBox::BreakCycles()
{
    m_listBox = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
