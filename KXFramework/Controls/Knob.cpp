#include "KXFramework/Controls/Knob.h"

#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/VisualPart.h"
#include "KXFramework/Notification/KeyCode.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"

#include <cmath>
#include <numbers>

namespace KX {

namespace {

void Send(LControl& sender, const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, payload)))
        sender.SendNotification(n);
}

RCPtr<LRefCountedObject> Capture(bool on)
{
    RCPtr<LHolder<bool>> holder = LHolder<bool>::Create();
    *holder->value = on;
    return holder;
}

double NormaliseAngle(double degrees)
{
    if (!std::isfinite(degrees))
        return 0.0;
    degrees = std::fmod(degrees, 360.0);
    return degrees < 0.0 ? degrees + 360.0 : degrees;
}

bool CtrlHeld()
{
    IFrameworkServices* services = GetFrameworkServices();
    return services && (services->GetModifierKeys() & KeyCode::kCtrlFlag);
}

} // namespace

KXRESULT LKnob::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    if (Failed(r))
        return r;
    if (const LStringTable* params = GetDescriptor() ? GetDescriptor()->GetCreateParams().Get() : nullptr) {
        String text;
        if (params->GetString(u"LINEAR_GESTURE_FULL_RANGE", text))
            m_linearFullRange = text.ToInt();
        if (params->GetString(u"RADIAL_GESTURE_START_ANGLE", text))
            m_startAngle = text.ToDouble();
        if (params->GetString(u"RADIAL_GESTURE_END_ANGLE", text))
            m_endAngle = text.ToDouble();
        if (params->GetString(u"FINE_ADJUST_MULTIPLIER", text))
            m_fineAdjustMultiplier = text.ToDouble();
    }
    m_radialMode = m_startAngle != 0.0 || m_endAngle != 0.0;
    m_startAngle = NormaliseAngle(m_startAngle);
    m_endAngle = NormaliseAngle(m_endAngle);
    if (m_fineAdjustMultiplier == 0.0 || !std::isfinite(m_fineAdjustMultiplier))
        m_fineAdjustMultiplier = 0.25;
    SetRange(0.0, 127.0, 0);
    return r;
}

KXRESULT LKnob::PostInitialize()
{
    static_cast<void>(LControl::PostInitialize()); // the base part has nothing to refuse
    m_frameCount = 0;
    while (m_frameCount < GetLookCount() && GetLook(m_frameCount))
        ++m_frameCount;
    m_focusLookIndex = m_disabledLookIndex = -1;
    if (m_frameCount + 1 < GetLookCount() && GetLook(m_frameCount + 1)) {
        m_focusLookIndex = int32_t(m_frameCount + 1);
        if (HasFocus())
            ApplyOverlay(m_focusLookIndex, true);
    }
    if (m_frameCount + 2 < GetLookCount() && GetLook(m_frameCount + 2)) {
        m_disabledLookIndex = int32_t(m_frameCount + 2);
        if (!IsEnabled(true))
            ApplyOverlay(m_disabledLookIndex, true);
    }
    // Without frames there is no derived travel; the linear gesture then takes no steps.
    if (!m_radialMode && m_linearFullRange == 0 && m_frameCount > 0) {
        const double q = Round(128.0 / m_frameCount);
        m_linearFullRange = int32_t(q * m_frameCount);
    }
    const RCPtr<LLook>& look = GetCurrentLook(GetActiveLookIndex() >= 0 ? GetActiveLookIndex() : 0);
    if (look) {
        const RectT<int32_t>& c = look->GetClientRect();
        m_centre = {int32_t(c.x + c.width * 0.5), int32_t(c.y + c.height * 0.5)};
    } else {
        m_centre = {int32_t(GetRect().width * 0.5), int32_t(GetRect().height * 0.5)};
    }
    OnValueChanged();
    return S_OK;
}

void LKnob::ApplyOverlay(int lookIndex, bool on)
{
    RCPtr<LBitmap> bitmap;
    if (on) {
        const RCPtr<LLook>& look = GetCurrentLook(lookIndex);
        const LLookDescriptor* d = look ? look->GetDescriptor().Get() : nullptr;
        if (d && d->clientPart)
            if (RCPtr<LVisualPart> part = LVisualPart::FromDescriptor(d->clientPart->part))
                bitmap = part->GetBitmap();
    }
    for (unsigned i = m_frameCount; i-- > 0;)
        static_cast<void>(SetLookBitmap(bitmap, 0, int(i), false)); // a look the skin lacks is not drawn
}

void LKnob::OnValueChanged()
{
    if (m_frameCount == 0)
        return;
    SetLookExclusive(unsigned(Round((m_frameCount - 1) * GetValue())));
}

double LKnob::SetValue(double t)
{
    if (IsButtonDragging(0)) {
        m_pendingValue = t;
        return GetValue();
    }
    return LControl::SetValue(t);
}

void LKnob::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    if (!param)
        return;
    const uint32_t before = param->previousMask, now = param->currentMask;
    const uint32_t changed = before ^ now;
    RCPtr<LControl> self(this);
    if ((changed & Condition::kLeftDragging) && (now & Condition::kLeftDragging)) {
        m_lastPoint = m_previousPoint =
            PointT<double>{param->point.x - GetRect().x, param->point.y - GetRect().y}.Round();
        if (m_radialMode)
            RadialGesture(m_lastPoint);
        m_pendingValue = -1.0;
        Send(*this, u"NID_VALUE_CHANGE_CAPTURE", Capture(true));
    } else if (changed & Condition::kLeftDragging) {
        if (m_pendingValue >= 0.0 && m_pendingValue <= 1.0)
            LControl::SetValue(m_pendingValue);
        m_pendingValue = -1.0;
        Send(*this, u"NID_VALUE_CHANGE_CAPTURE", Capture(false));
    } else if ((changed & Condition::kHasFocus) && !(now & Condition::kHasFocus) && m_keyHeld) {
        m_keyHeld = false;
        Send(*this, u"NID_VALUE_CHANGE_KEY_UP", RCPtr<LRefCountedObject>());
    }
    if ((changed & Condition::kHasFocus) && m_focusLookIndex > 0)
        ApplyOverlay(m_focusLookIndex, (now & Condition::kHasFocus) != 0);
    if ((changed & Condition::kEnabled) && m_disabledLookIndex > 0)
        ApplyOverlay(m_disabledLookIndex, !(now & Condition::kEnabled));
}

void LKnob::OnPointerMoved(const RCPtr<LPointWithModifiersParam>& pointer)
{
    if (!pointer || !IsButtonDragging(0))
        return;
    if (m_radialMode)
        RadialGesture(pointer->point);
    else
        LinearGesture(pointer->point);
}

void LKnob::RadialGesture(const PointT<int32_t>& p)
{
    const double dx = double(p.x) - m_centre.x, dy = double(p.y) - m_centre.y;
    if (dx == 0.0 && dy == 0.0)
        return;
    const double a = NormaliseAngle((std::atan2(dy, dx) + std::numbers::pi / 2.0) * 180.0 / std::numbers::pi);
    const double e = m_startAngle >= m_endAngle ? m_endAngle + 360.0 : m_endAngle;
    const double a2 = m_startAngle >= a ? a + 360.0 : a;
    if (m_startAngle <= a2 && a2 <= e) {
        const double t = (a2 - m_startAngle) / (e - m_startAngle);
        if (t >= 0.0 && t <= 1.0)
            LControl::SetValue(t);
        return;
    }
    // The dead zone: its half next to the end holds the value at 1, the other half at 0.
    LControl::SetValue(a2 <= e + (m_startAngle + 360.0 - e) / 2.0 ? 1.0 : 0.0);
}

void LKnob::LinearGesture(const PointT<int32_t>& p)
{
    const bool ctrl = CtrlHeld();
    double dx = double(p.x) - m_lastPoint.x, dy = double(p.y) - m_lastPoint.y;
    const double ex = double(p.x) - m_previousPoint.x, ey = double(p.y) - m_previousPoint.y;
    // A diagonal move keeps only the axis the last two moves favoured.
    if (dx > 0 && dy > 0) {
        if (ex - ey > 0 && dy > dx)
            dy = 0;
        else if (ex - ey < 0 && dy < dx)
            dx = 0;
    } else if (dx < 0 && dy < 0) {
        if (ex - ey > 0 && dx < dy)
            dx = 0;
        else if (ex - ey < 0 && dx > dy)
            dy = 0;
    }
    m_previousPoint = m_lastPoint;
    m_lastPoint = p;
    // A travel of one pixel or less (or none derived) has no steps to divide by.
    const double steps = double(m_linearFullRange) - 1.0;
    if (steps <= 0.0)
        return;
    double delta = (dx - dy) / steps;
    if (ctrl)
        delta *= m_fineAdjustMultiplier;
    double v = GetValue() + delta;
    v = v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
    if (ctrl) {
        const double fine = m_linearFullRange / m_fineAdjustMultiplier - 1.0;
        if (fine > 0.0 && std::isfinite(fine))
            v = Round(fine * v) / fine;
    }
    LControl::SetValue(v);
}

void LKnob::StepBy(double units)
{
    SetValue(ValueToNormalized(NormalizedToValue(GetValue()) + units));
}

KXRESULT LKnob::OnKey(const RCPtr<LKeyParam>& key)
{
    if (!key)
        return S_FALSE;
    const uint32_t k = key->key.key;
    const uint32_t virtualKey = KeyCode::VirtualKeyOf(k);
    const bool arrow = virtualKey >= VirtualKey::kLeft && virtualKey <= VirtualKey::kDown;
    if (arrow && KeyCode::IsReleased(k)) {
        m_keyHeld = false;
        Send(*this, u"NID_VALUE_CHANGE_KEY_UP", key);
        return S_OK;
    }
    double units = 0.0;
    if (k == KeyCode::Press(VirtualKey::kRight) || k == KeyCode::Press(VirtualKey::kUp))
        units = 1.0;
    else if (k == KeyCode::Press(VirtualKey::kLeft) || k == KeyCode::Press(VirtualKey::kDown))
        units = -1.0;
    else
        return S_FALSE;
    if (!m_keyHeld) {
        m_keyHeld = true;
        Send(*this, u"NID_VALUE_CHANGE_KEY_DOWN", key);
    }
    StepBy(units);
    return S_OK;
}

KXRESULT LKnob::HandleMouseWheel(const RCPtr<LMouseWheelParam>& wheel)
{
    if (!wheel)
        return S_FALSE;
    StepBy(wheel->direction == 1 ? 1.0 : -1.0);
    return S_OK;
}

KXRESULT LKnob::HandleMouseHWheel(const RCPtr<LMouseWheelParam>& wheel)
{
    if (!wheel)
        return S_FALSE;
    StepBy(wheel->direction == 3 ? 1.0 : -1.0);
    return S_OK;
}

} // namespace KX
