#include "KXFramework/Controls/Button.h"

#include "KXFramework/ControlBase/FrameworkClock.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Notification/NotificationNames.h"

namespace KX {

namespace {

// Trimmed and lower-cased, as every boolean create parameter.
bool IsTrue(const String& text)
{
    return text.Trim(u" \t\r\n").ToLower() == String(u"true");
}

} // namespace

KXRESULT LButton::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    if (Failed(r))
        return r;
    // Handed straight to the button, so no distributor interns the name.
    InternNotificationName(u"NID_SIMULATE_CLICK");
    const KXRESULT bound = BindAny(&LButton::OnSimulateClick, u"NID_SIMULATE_CLICK");
    if (Failed(bound))
        throw FailedResultException("Failed Result : " + ResultToString(bound) +
                                    " : KX::LButton::Initialize : Controls\\Button : Line 50");
    if (GetDescriptor() && GetDescriptor()->GetCreateParams()) {
        String text;
        if (GetDescriptor()->GetCreateParams()->GetString(u"AUTO_VALUE_SET", text))
            SetAutoValueSet(IsTrue(text));
        if (GetDescriptor()->GetCreateParams()->GetString(u"IS_RADIO", text))
            SetRadio(IsTrue(text));
    }
    return S_OK;
}

KXRESULT LButton::SetAutoValueSet(bool on)
{
    m_autoValueSet = on;
    return S_OK;
}

KXRESULT LButton::SetRadio(bool on)
{
    m_isRadio = on;
    return S_OK;
}

bool LButton::SetChecked(bool on)
{
    SetValue(on ? 1.0 : 0.0);
    return IsOn();
}

void LButton::OnValueChanged()
{
    LControl::OnValueChanged();
    if (m_isRadio && IsOn() && GetParent()) {
        ChildControlList& siblings = GetParent()->GetChildren();
        for (unsigned i = siblings.GetCount(); i-- > 0;) {
            // The list may change under a sibling's handler; an index past its end ends the walk.
            if (i >= siblings.GetCount())
                continue;
            RCPtr<LControl> sibling = siblings.GetAt(i, kInsertionOrder);
            auto* button = dynamic_cast<LButton*>(sibling.Get());
            if (button && button != this && button->m_isRadio)
                button->SetValue(0.0);
        }
    }
    UpdateLook();
}

KXRESULT LButton::UpdateLook()
{
    if (passive || m_simulating)
        return S_OK;
    const int on = IsOn() ? kOnOffset : 0;
    if (!IsEnabled(true))
        return SetLookExclusive(kDisabled + on);
    const uint32_t mask = ComputeConditions();
    const bool hover = (mask & Condition::kHover) != 0;
    const bool capture = (mask & Condition::kCapture) != 0;
    const bool pressed = capture && (mask & Condition::kLeftDragging) != 0;
    int look;
    if (pressed)
        look = hover || keepPressedOutside ? kPressed : kHover;
    else
        look = hover && !capture ? kHover : kNormal;
    if (mask & Condition::kHasFocus)
        look += kFocusedOffset;
    return SetLookExclusive(look + on);
}

void LButton::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LControl::ApplyConditions(param);
    if (param) {
        const uint32_t before = param->previousMask;
        const uint32_t now = param->currentMask;
        auto risen = [&](uint32_t bit) { return (now & bit) && !(before & bit); };
        auto fallen = [&](uint32_t bit) { return !(now & bit) && (before & bit); };
        if (autoRepeat && risen(Condition::kHoverOrHighlighted)) {
            // Time spent outside the button does not count.
            m_lastTick = FrameworkClock::Seconds();
        } else if (risen(Condition::kLeftPending)) {
            if (autoRepeat && IsEnabled(true) && !repeating) {
                repeating = true;
                SubscribeIdle();
                m_lastTick = FrameworkClock::Seconds();
                m_countdown = m_firstDelay;
                SendAutoRepeat();
            }
        } else if (fallen(Condition::kCapture) && autoRepeat && repeating) {
            repeating = false;
            if (!m_simulating)
                UnsubscribeIdle();
        }
    }
    UpdateLook();
}

void LButton::SetEnabled(bool enabled)
{
    LControl::SetEnabled(enabled);
    UpdateLook();
}

void LButton::HandleLeftClick(const RCPtr<LMouseButtonParam>&)
{
    if (m_autoValueSet)
        SetValue(!m_isRadio && IsOn() ? 0.0 : 1.0);
}

bool LButton::ContainsPoint(const PointT<int32_t>& p) const
{
    return !passive && LControl::ContainsPoint(p);
}

KXRESULT LButton::OnKey(const RCPtr<LKeyParam>& key)
{
    // Enter clicks only an enabled button, as a simulated click by notification does.
    if (key && key->key.key == KeyCode::Press(VirtualKey::kEnter) && IsEnabled(true)) {
        SimulateClick();
        return S_OK;
    }
    return S_FALSE;
}

KXRESULT LButton::OnSimulateClick(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (IsEnabled(true))
        SimulateClick();
    return S_FALSE;
}

void LButton::SendAutoRepeat()
{
    RCPtr<LNotification> n;
    if (LNotification::Create(n, u"NID_BUTTON_AUTOREPEAT", nullptr) >= 0)
        SendNotification(n);
}

void LButton::ClickNow()
{
    if (autoRepeat)
        SendAutoRepeat();
    uint32_t buttons = 0;
    if (RCPtr<LRootWindow>* root = GetRootWindowPtr(); root && *root)
        buttons = (*root)->GetMouseButtons();
    static_cast<void>(OnLeftClick(LMouseButtonParam::Create(kLeftButton, {0, 0}, 0, false, buttons,
                                                            0))); // the click handler's answer changes nothing here
}

void LButton::SimulateClick()
{
    RCPtr<LButton> self(this);
    if (m_simulating) {
        // A second simulated click finishes the first at once.
        ClickNow();
        UnsubscribeIdle();
    }
    m_simulating = true;
    SetFocus(true);
    SubscribeIdle();
    m_simulatedStart = FrameworkClock::Seconds();
    SetLookExclusive(IsOn() ? kPressed + kOnOffset : kPressed);
    InvalidateRect({0.0, 0.0, GetRect().width, GetRect().height}, GetClipToParent());
}

void LButton::OnIdleTick()
{
    LControl::OnIdleTick();
    RCPtr<LButton> self(this);
    const double now = FrameworkClock::Seconds();
    if (m_simulating && now - m_simulatedStart >= m_simulatedHold) {
        m_simulating = false;
        if (!repeating)
            UnsubscribeIdle();
        m_simulatedStart = 0.0;
        UpdateLook();
        ClickNow();
    }
    if (repeating && IsHovered() && IsEnabled(true)) {
        m_countdown -= now - m_lastTick;
        m_lastTick = now;
        if (m_countdown <= 0.0) {
            m_countdown = m_repeatInterval;
            SendAutoRepeat();
        }
    }
}

String LButton::GetToolTipText() const
{
    if (const_cast<LButton*>(this)->IsTextTruncated())
        return GetText();
    return LControl::GetToolTipText();
}

} // namespace KX
