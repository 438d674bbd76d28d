#include "KXFramework/Controls/Slider.h"

#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkClock.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"

#include <algorithm>
#include <cmath>

namespace KX {

namespace {

PointT<int32_t> RoundedPosition(const RCPtr<LControl>& control)
{
    const RectT<double>& r = control->GetRect();
    return PointT<double>{r.x, r.y}.Round();
}

double Distance(double x0, double y0, double x1, double y1)
{
    return std::hypot(x1 - x0, y1 - y0);
}

int32_t RoundHalfAway(double v)
{
    return int32_t(v < 0.0 ? v - 0.5 : v + 0.5);
}

RCPtr<LHolder<bool>> Flag(bool on)
{
    RCPtr<LHolder<bool>> holder = LHolder<bool>::Create();
    *holder->value = on;
    return holder;
}

} // namespace

LSlider::~LSlider() = default;

void LSlider::Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, payload)))
        SendNotification(n);
}

RCPtr<LLayoutDescriptor> LSlider::ThumbLayout() const
{
    RCPtr<LLayoutDescriptor> layout = m_thumbStart->GetLayoutDescriptor()
                                          ? m_thumbStart->GetLayoutDescriptor()->Clone()
                                          : RCPtr<LLayoutDescriptor>(new LLayoutDescriptor);
    // Only the absolute parts place the thumb.
    for (auto& p : layout->position) {
        p.anchor = 0.0f;
        p.relative = 0.0f;
        p.docked = false;
    }
    return layout;
}

bool LSlider::MakeThumb()
{
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LControlClassRegistry> registry = services ? services->GetControlClassRegistry() : nullptr;
    if (!m_thumbStart || !m_thumbStart->GetDescriptor() || !registry)
        return false;
    RCPtr<LControlDescriptor> descriptor;
    LControlFactory::CloneControlDescriptor(descriptor, m_thumbStart->GetDescriptor(), ThumbLayout(), u"thumb");
    RCPtr<LControl> thumb;
    registry->CreateControl(thumb, descriptor, RCPtr<LControl>(this));
    if (!thumb)
        return false;
    m_thumb = thumb;
    m_thumb->SetVisible(true);
    Bind(&LSlider::OnThumbMouseMove, m_thumb, u"NID_MOUSE_MOVE");
    Bind(&LSlider::OnThumbDragChange, m_thumb, u"NID_LEFT_DRAG_CONDITION_CHANGE");
    if (auto* button = dynamic_cast<LButton*>(m_thumb.Get()))
        button->keepPressedOutside = true;
    return true;
}

KXRESULT LSlider::Initialize()
{
    if (Failed(LPanel::Initialize()))
        return E_FAIL;
    m_thumbEnd = FindChild(u"thumbEnd");
    m_thumbStart = FindChild(u"thumbStart");
    if (m_thumbStart && !m_thumbEnd)
        m_thumbStart = nullptr; // a track needs both ends: no thumb, keys and wheel still work
    if (m_thumbStart)
        MakeThumb();
    CheckClientSizeChange();
    SetRange(0.0, 127.0, 0);
    SetDragThreshold(0);
    return S_OK;
}

KXRESULT LSlider::PostInitialize()
{
    static_cast<void>(LPanel::PostInitialize()); // the base part has nothing to refuse
    if (m_thumbStart) {
        m_thumbStart->SetVisible(false);
        m_thumbEnd->SetVisible(false);
        const RectT<double>& r = m_thumbStart->GetRect();
        m_thumbHotSpot = PointT<double>{r.width * 0.5, r.height * 0.5}.Round();
        for (int axis = 0; axis < 2; ++axis) {
            PositionSpec position;
            SizeSpec size;
            if (m_thumbStart->GetLayoutDescriptor() &&
                Succeeded(m_thumbStart->GetLayoutDescriptor()->GetPlacement(axis, position, size)) &&
                position.anchor != 0.0f) {
                const int32_t v = RoundHalfAway(position.anchor * (axis == 0 ? r.width : r.height));
                (axis == 0 ? m_thumbHotSpot.x : m_thumbHotSpot.y) = v;
            }
        }
    }
    CheckClientSizeChange();
    SetLookExclusive(IsEnabled(true) ? kNormal : kDisabled);
    return S_OK;
}

KXRESULT LSlider::AddChild(const RCPtr<LControl>& child, const RCPtr<LControlDescriptor>& descriptor)
{
    if (child && !descriptor && child->GetName() == u"thumb" && m_thumbStart && m_thumbStart->GetDescriptor()) {
        RCPtr<LControlDescriptor> thumbDescriptor;
        LControlFactory::CloneControlDescriptor(thumbDescriptor, m_thumbStart->GetDescriptor(), ThumbLayout(),
                                                u"thumb");
        const KXRESULT r = LPanel::AddChild(child, thumbDescriptor);
        child->SetVisible(true);
        return r;
    }
    return LPanel::AddChild(child, descriptor);
}

void LSlider::CheckClientSizeChange()
{
    LPanel::CheckClientSizeChange();
    if (!m_thumb)
        m_thumb = FindChild(u"thumb");
    if (m_thumb)
        SetThumbPosFromValue();
}

double LSlider::SetValue(double normalised)
{
    // NaN would pass every clamp and stick.
    if (std::isnan(normalised))
        return GetNormalizedValue();
    if (m_dragging)
        m_pendingValue = normalised;
    else
        ApplyValue(normalised);
    return GetNormalizedValue();
}

double LSlider::ApplyValue(double normalised)
{
    LControl::SetValue(normalised);
    SetThumbPosFromValue();
    return GetNormalizedValue();
}

void LSlider::SetValueFromThumbPos()
{
    if (!m_thumb)
        return;
    const PointT<int32_t> p = RoundedPosition(m_thumb);
    ApplyValue(GetValueAtPos(p.x, p.y));
}

void LSlider::MoveThumbTo(const PointT<int32_t>& position)
{
    for (int axis = 0; axis < 2; ++axis) {
        const double at = axis == 0 ? position.x : position.y;
        m_thumb->EditPlacement(axis, [at](PositionSpec& spec, SizeSpec&) { spec.absolute = at; });
    }
}

void LSlider::SetThumbPosFromValue()
{
    if (m_dragging || !m_thumb || !m_thumbStart || !m_thumbEnd)
        return;
    const double v = GetNormalizedValue();
    const PointT<int32_t> s = RoundedPosition(m_thumbStart);
    const PointT<int32_t> e = RoundedPosition(m_thumbEnd);
    const PointT<int32_t> target{s.x + RoundHalfAway((e.x - s.x) * v), s.y + RoundHalfAway((e.y - s.y) * v)};
    if (!(target == RoundedPosition(m_thumb)))
        MoveThumbTo(target);
}

double LSlider::GetValueAtPos(int32_t x, int32_t y) const
{
    if (!m_thumbStart || !m_thumbEnd)
        return 0.0;
    const RectT<double>& s = m_thumbStart->GetRect();
    const RectT<double>& e = m_thumbEnd->GetRect();
    const double length = Distance(s.x, s.y, e.x, e.y);
    // A track of no length has only the value 0.
    return length > 0.0 ? Distance(s.x, s.y, x, y) / length : 0.0;
}

PointT<int32_t> LSlider::ConstrainThumbPos(int32_t x, int32_t y) const
{
    if (!m_thumb || !m_thumbStart || !m_thumbEnd)
        return {x, y};
    const int32_t px = x - m_grabOffset.x;
    const int32_t py = y - m_grabOffset.y;
    const PointT<int32_t> s = RoundedPosition(m_thumbStart);
    const PointT<int32_t> e = RoundedPosition(m_thumbEnd);
    const RectT<double>& sr = m_thumbStart->GetRect();
    const RectT<double>& er = m_thumbEnd->GetRect();
    const RectT<double>& thumb = m_thumb->GetRect();
    PointT<int32_t> out;
    if (er.x == sr.x) {
        out = {int32_t(thumb.x), py};
    } else if (er.y == sr.y) {
        out = {px, int32_t(thumb.y)};
    } else {
        const float m = float(e.y - s.y) / float(e.x - s.x);
        const float n = -1.0f / m;
        const float b = float(s.y) - float(s.x) * m;
        const float fx = (float(py) - float(px) * n - b) / (m - n);
        out.x = RoundHalfAway(fx);
        out.y = RoundHalfAway(float(out.x) * m + b);
    }
    out.x = std::clamp(out.x, std::min(s.x, e.x), std::max(s.x, e.x));
    out.y = std::clamp(out.y, std::min(s.y, e.y), std::max(s.y, e.y));
    return out;
}

KXRESULT LSlider::OnThumbDragChange(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    const auto* param = dynamic_cast<const LConditionsParam*>(n->GetPayload().Get());
    if (!param || !m_thumb)
        return S_FALSE;
    const bool was = (param->previousMask & Condition::kLeftDragging) != 0;
    const bool is = (param->currentMask & Condition::kLeftDragging) != 0;
    if (is && !was) {
        m_dragging = true;
        const RectT<double>& r = m_thumb->GetRect();
        m_grabOffset = PointT<double>{param->point.x - r.x, param->point.y - r.y}.Round();
        m_pendingValue = -1.0;
        Send(u"NID_VALUE_CHANGE_CAPTURE", Flag(true));
    } else if (was && !is) {
        m_dragging = false;
        if (m_pendingValue >= 0.0 && m_pendingValue <= 1.0)
            ApplyValue(m_pendingValue);
        m_pendingValue = -1.0;
        Send(u"NID_VALUE_CHANGE_CAPTURE", Flag(false));
    }
    return S_FALSE;
}

KXRESULT LSlider::OnThumbMouseMove(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    const auto* param = dynamic_cast<const LPointParam*>(n->GetPayload().Get());
    if (!param || !m_dragging || !m_thumb || sender.Get() != static_cast<LNotificationDistributor*>(m_thumb.Get()))
        return S_FALSE;
    const RectT<double>& r = m_thumb->GetRect();
    const RectT<double> client = GetLookClientRect(GetActiveLookIndex());
    const PointT<int32_t> point = PointT<double>{param->point.x + r.x - GetScrollOffset().x + client.x,
                                                 param->point.y + r.y - GetScrollOffset().y + client.y}
                                      .Round();
    const PointT<int32_t> target = ConstrainThumbPos(point.x, point.y);
    if (!(target == RoundedPosition(m_thumb))) {
        MoveThumbTo(target);
        SetValueFromThumbPos();
    }
    return S_FALSE;
}

// ---- paging

void LSlider::PageTowards(const PointT<int32_t>& point)
{
    if (!m_thumb || !m_thumbStart || !m_thumbEnd)
        return;
    const PointT<int32_t> target{point.x - m_thumbHotSpot.x, point.y - m_thumbHotSpot.y};
    const double tv = GetValueAtPos(target.x, target.y);
    const PointT<int32_t> s = RoundedPosition(m_thumbStart);
    const PointT<int32_t> t = RoundedPosition(m_thumb);
    const double dt = Distance(s.x, s.y, target.x, target.y);
    const double dh = Distance(s.x, s.y, t.x, t.y);
    const double v = GetNormalizedValue();
    ApplyValue(dh > dt ? std::max(v - m_pageStep, tv) : std::min(v + m_pageStep, tv));
}

void LSlider::HandleLeftClick(const RCPtr<LMouseButtonParam>& click)
{
    PageTowards(click->point);
}

void LSlider::OnIdleTick()
{
    LPanel::OnIdleTick();
    if (!m_paging || !(IsHovered() || IsHighlighted()) || !IsEnabled(true))
        return;
    const double now = FrameworkClock::Seconds();
    m_pageCountdown -= now - m_pageLastTick;
    m_pageLastTick = now;
    if (m_pageCountdown > 0.0)
        return;
    m_pageCountdown = 0.1;
    const RCPtr<LRootWindow>& root = *GetRootWindowPtr();
    if (!root)
        return;
    const PointT<int32_t> cursor = root->GetCursorPos();
    const PointT<double> at = GetPositionInRoot();
    PageTowards(PointT<double>{cursor.x - at.x, cursor.y - at.y}.Round());
}

void LSlider::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LPanel::ApplyConditions(param);
    if (!param)
        return;
    const uint32_t before = param->previousMask;
    const uint32_t now = param->currentMask;
    const uint32_t changed = before ^ now;
    if (changed & Condition::kLeftDragging) {
        if ((now & Condition::kLeftDragging) && IsEnabled(true) && !m_paging) {
            m_paging = true;
            SubscribeIdle();
            m_pageLastTick = FrameworkClock::Seconds();
            m_pageCountdown = 0.3;
        } else if (!(now & Condition::kLeftDragging) && m_paging) {
            m_paging = false;
            UnsubscribeIdle();
        }
        return;
    }
    if ((changed & Condition::kContainsFocus) && !(now & Condition::kContainsFocus)) {
        if (m_keyHeld) {
            m_keyHeld = false;
            Send(u"NID_VALUE_CHANGE_KEY_UP", nullptr);
        }
        SetLookExclusive(IsEnabled(true) ? kNormal : kDisabled);
    } else if (changed & Condition::kContainsFocus) {
        SetLookExclusive(kFocused);
    } else if (changed & Condition::kEnabled) {
        SetLookExclusive((now & Condition::kEnabled) ? ((now & Condition::kContainsFocus) ? kFocused : kNormal)
                                                     : kDisabled);
    }
}

// ---- keys and wheel

void LSlider::StepRanged(double units)
{
    SetValue(ValueToNormalized(NormalizedToValue(GetNormalizedValue()) + units));
}

KXRESULT LSlider::StepKey(const RCPtr<LKeyParam>& param)
{
    if (!param)
        return S_FALSE;
    const uint32_t key = param->key.key;
    const uint32_t virtualKey = KeyCode::VirtualKeyOf(key);
    const bool arrow = virtualKey >= VirtualKey::kLeft && virtualKey <= VirtualKey::kDown;
    if (arrow && KeyCode::IsReleased(key)) {
        m_keyHeld = false;
        Send(u"NID_VALUE_CHANGE_KEY_UP", param);
        return S_OK;
    }
    double step = 0.0;
    if (key == KeyCode::Press(VirtualKey::kRight) || key == KeyCode::Press(VirtualKey::kUp))
        step = 1.0;
    else if (key == KeyCode::Press(VirtualKey::kLeft) || key == KeyCode::Press(VirtualKey::kDown))
        step = -1.0;
    if (step == 0.0)
        return S_FALSE;
    if (!m_keyHeld) {
        m_keyHeld = true;
        Send(u"NID_VALUE_CHANGE_KEY_DOWN", param);
    }
    StepRanged(step);
    return S_OK;
}

KXRESULT LSlider::OnKey(const RCPtr<LKeyParam>& key)
{
    return StepKey(key) == S_OK ? S_OK : LPanel::OnKey(key);
}

KXRESULT LSlider::HandleKey(const RCPtr<LKeyParam>& key)
{
    return StepKey(key) == S_OK ? S_OK : LPanel::HandleKey(key);
}

KXRESULT LSlider::HandleMouseWheel(const RCPtr<LMouseWheelParam>& wheel)
{
    if (!wheel)
        return S_FALSE;
    StepRanged(wheel->direction == 1 ? 1.0 : -1.0);
    return S_OK;
}

KXRESULT LSlider::HandleMouseHWheel(const RCPtr<LMouseWheelParam>& wheel)
{
    if (!wheel)
        return S_FALSE;
    StepRanged(wheel->direction == 3 ? 1.0 : -1.0);
    return S_OK;
}

// ---- notifications

KXRESULT LSlider::BreakCycles()
{
    m_thumb = nullptr;
    m_thumbStart = nullptr;
    m_thumbEnd = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
