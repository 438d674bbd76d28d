#include "KXFramework/Controls/ToolTip.h"

#include "KXFramework/ControlBase/FrameworkClock.h"
#include "KXFramework/ControlBase/RootWindow.h"

namespace KX {

uint32_t LToolTip::s_lastHidden = 0;

bool LToolTip::IsTransparentAt(const PointT<double>&) const
{
    return false;
}

KXRESULT LToolTip::ReadCreateParams()
{
    SetNotFocusable(true);
    return S_OK;
}

KXRESULT LToolTip::PostInitialize()
{
    const KXRESULT r = LControl::PostInitialize();
    SetVisible(false);
    return r;
}

void LToolTip::Show()
{
    RCPtr<LRootWindow>* root = GetRootWindowPtr();
    if (root && *root && GetLayoutDescriptor()) {
        // The tip wraps its text inside the window.
        SizeLimitSpec minimum, maximum;
        static_cast<void>(GetLayoutDescriptor()->GetSizeLimitSpecs(
            0, minimum, maximum)); // no limits leave the specs at their defaults
        maximum.hasReference = false;
        maximum.referenceName.Clear();
        maximum.absolute = (*root)->GetClientSize().x - 8.0;
        SetSizeLimits(0, minimum, maximum);
    }
    const uint32_t now = FrameworkClock::Milliseconds();
    m_since = now;
    if (now - s_lastHidden < kFollowTime)
        MakeShown(now);
    else
        m_state = kWaiting;
    SubscribeIdle();
}

void LToolTip::MakeShown(uint32_t now)
{
    m_state = kShown;
    m_since = now;
    Position();
    SetVisible(true);
}

void LToolTip::OnIdleTick()
{
    LControl::OnIdleTick();
    const uint32_t now = FrameworkClock::Milliseconds();
    if (m_state == kWaiting && now - m_since > kShowDelay)
        MakeShown(now);
    else if (m_state == kShown && now - m_since > kShowTime)
        Hide();
}

void LToolTip::Hide()
{
    if (m_state != kHidden) {
        m_state = kHidden;
        UnsubscribeIdle();
    }
    if (GetLayoutDescriptor() && GetLayoutDescriptor()->isVisible && GetRect().width > 0 && GetRect().height > 0)
        s_lastHidden = FrameworkClock::Milliseconds();
    if (RCPtr<LControl> parent = GetParent())
        parent->RemoveChild(RCPtr<LControl>(this));
}

void LToolTip::Position()
{
    RCPtr<LRootWindow>* root = GetRootWindowPtr();
    if (!root || !*root || !GetLayoutDescriptor())
        return;
    const PointT<int32_t> pointer = (*root)->GetCursorPos();
    const PointT<int32_t> window = (*root)->GetClientSize();
    const double wanted[2] = {double(pointer.x), double(pointer.y) + 20.0};
    const double extent[2] = {GetRect().width, GetRect().height};
    const double windowExtent[2] = {double(window.x), double(window.y)};
    double originAxis[2] = {0.0, 0.0};
    if (GetParent()) {
        const PointT<double> at = GetParent()->GetPositionInRoot();
        const PointT<double>& scroll = GetParent()->GetScrollOffset();
        originAxis[0] = at.x - scroll.x;
        originAxis[1] = at.y - scroll.y;
    }
    for (int axis = 0; axis < 2; ++axis) {
        double at = wanted[axis];
        if (at + extent[axis] > windowExtent[axis])
            at = windowExtent[axis] - extent[axis];
        if (at < 0)
            at = 0;
        const double offset = at - originAxis[axis];
        EditPlacement(axis, [offset](PositionSpec& position, SizeSpec&) {
            position.referenceKind = PositionSpec::kParent;
            position.referenceName.Clear();
            position.absolute = offset;
            position.relative = 0.0f;
        });
    }
}

} // namespace KX
