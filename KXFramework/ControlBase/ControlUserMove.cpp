// LControl's user move (dragging, resizing, dropping) and automatic scrolling.
#include "KXFramework/ControlBase/Control.h"

#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/ControlInternals.h"
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/ControlBase/ExclusionGuard.h"
#include "KXFramework/ControlBase/FrameworkClock.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/MenuDescriptor.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Notification/GlobalHotKeyManager.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace KX {

using namespace ControlInternals;

namespace {

constexpr double kBand = 30.0;
constexpr double kAutoScrollPixelsPerDepth = 15.0;
constexpr uint32_t kDelayedPressMs = 100;
constexpr uint32_t kFlickCoastMs = 1000;
constexpr double kFlickDeceleration = 1000.0;

uintptr_t AppCursor(const char16_t* name)
{
    IFrameworkServices* services = GetFrameworkServices();
    return services ? services->LoadAppCursor(name) : 0;
}

bool Contains(const std::vector<RCPtr<LControl>>& list, const LControl* c)
{
    return std::any_of(list.begin(), list.end(), [c](const RCPtr<LControl>& e) { return e.Get() == c; });
}

void AddSubtree(std::vector<RCPtr<LControl>>& out, const RCPtr<LControl>& control)
{
    out.push_back(control);
    RCPtrArray<LControl, 1, 0> descendants;
    control->GetDescendants(descendants);
    for (unsigned i = 0; i < descendants.GetCount(); ++i)
        out.push_back(descendants.GetAt(i));
}

} // namespace

// ---- user move

KXRESULT LControl::SetUserMoveMode(int32_t mode, int32_t flags)
{
    m_userMoveMode = mode;
    if (mode != kMoveOff || m_userMove)
        MoveState().flags = flags;
    return S_OK;
}

LControl::UserMove& LControl::MoveState()
{
    if (!m_userMove)
        m_userMove = std::make_unique<UserMove>();
    return *m_userMove;
}

const RCPtr<LControl>& LControl::GetDropTarget() const
{
    static const RCPtr<LControl>* const none = new RCPtr<LControl>;
    return m_userMove ? m_userMove->dropTarget : *none;
}

const PointT<double>& LControl::GetDragVelocity() const
{
    static const PointT<double> none;
    return m_userMove ? m_userMove->dragVelocity : none;
}

void LControl::RecordMoveOrigin()
{
    MoveState().startSize = {m_rect.width, m_rect.height};
    MoveState().startParentScroll = m_parent ? m_parent->m_scrollOffset : PointT<double>{};
    for (int axis = 0; axis < 2 && m_layout; ++axis) {
        PositionSpec position;
        SizeSpec size;
        static_cast<void>(m_layout->GetPlacement(axis, position,
                                                 size)); // an axis without placement leaves the specs at their defaults
        MoveState().origin[axis] = position.absolute;
        MoveState().origin[2 + axis] = size.absolute;
    }
}

void LControl::BeginUserMove()
{
    if (!m_layout)
        return;
    RCPtr<LControl> self = Hold(this);
    const PointT<double> startSize = MoveState().startSize;
    const PointT<double> startScroll = MoveState().startParentScroll;
    if (m_userMoveMode == kMoveWithDropTargets) {
        MoveState().dropTarget = nullptr;
        MoveState().wasUnclipped = !GetClipToParent();
        SetClipToParent(false);
        const PointT<double> scroll = m_parent ? m_parent->m_scrollOffset : PointT<double>{};
        for (int axis = 0; axis < 2; ++axis) {
            MoveState().wasDocked[axis] = m_layout->position[axis].docked;
            if (!MoveState().wasDocked[axis]) {
                const double at = axis == 0 ? m_rect.x - scroll.x : m_rect.y - scroll.y;
                EditPlacement(axis, [at](PositionSpec& position, SizeSpec&) {
                    position.absolute = at;
                    position.docked = true;
                });
            }
        }
    }
    RecordMoveOrigin();
    // The start size and scroll offset are taken only for a left drag.
    if (!m_dragging[0]) {
        MoveState().startSize = startSize;
        MoveState().startParentScroll = startScroll;
    }
}

void LControl::RebaseUserMove()
{
    m_grabPoint.x += MoveState().lastDisplacement.x;
    m_grabPoint.y += MoveState().lastDisplacement.y;
    MoveState().lastDisplacement = {};
    RecordMoveOrigin();
}

void LControl::UserMoveStep(const RCPtr<LPointWithModifiersParam>& pointer)
{
    if (!pointer || !m_layout)
        return;
    RCPtr<LControl> self = Hold(this);
    MoveState().stepping = true;
    const int mode = m_userMoveMode;
    const int flags = MoveState().flags;
    double d[2] = {m_rect.x + pointer->point.x - m_grabPoint.x, m_rect.y + pointer->point.y - m_grabPoint.y};
    const double grab[2] = {m_grabPoint.x, m_grabPoint.y};
    const bool scrollAllowed[2] = {(flags & kScrollsX) != 0, (flags & kScrollsY) != 0};
    int band[2] = {0, 0}; // -1 near edge, 1 far edge
    double depth[2] = {0.0, 0.0};
    const PointT<double> parentScroll = m_parent ? m_parent->m_scrollOffset : PointT<double>{};
    // Taken before the step moves the control: the pointer is given in its coordinates of now.
    const PointT<double> inRoot = GetPositionInRoot();
    const PointT<double> rootPoint{inRoot.x + pointer->point.x, inRoot.y + pointer->point.y};
    const double scrollNow[2] = {parentScroll.x, parentScroll.y};

    if (mode != kMoveWithDropTargets && m_parent) {
        RectT<double> visible = m_parent->GetClientExtentRect();
        visible.x += parentScroll.x;
        visible.y += parentScroll.y;
        RectT<double> bounds = visible;
        AdjustUserMoveBounds(bounds);
        const double lo[2] = {bounds.x, bounds.y};
        const double hi[2] = {bounds.x + bounds.width, bounds.y + bounds.height};
        const double vlo[2] = {visible.x, visible.y};
        const double vhi[2] = {visible.x + visible.width, visible.y + visible.height};
        bool limited[2] = {false, false};
        for (int axis = 0; axis < 2 && mode < kDragScroll; ++axis) {
            double dMin = lo[axis] - grab[axis];
            double dMax = hi[axis] - 1.0 - grab[axis];
            if (mode == kResizeEdges || mode == kResizeScrollingParent) {
                const int nearEdge = axis == 0 ? kLeftEdge : kTopEdge;
                const int farEdge = axis == 0 ? kRightEdge : kBottomEdge;
                const double start = axis == 0 ? MoveState().startSize.x : MoveState().startSize.y;
                if (flags & nearEdge)
                    dMax = std::min(dMax, start - 1.0);
                if (flags & farEdge)
                    dMin = std::max(dMin, 1.0 - start);
            }
            if (d[axis] > dMax) {
                d[axis] = dMax;
                limited[axis] = true;
            }
            if (d[axis] < dMin) {
                d[axis] = dMin;
                limited[axis] = true;
            }
        }
        if (mode == kMoveScrollingParent || mode == kResizeScrollingParent) {
            for (int axis = 0; axis < 2; ++axis) {
                if (limited[axis] || !scrollAllowed[axis])
                    continue;
                const double at = grab[axis] + d[axis];
                if (at <= (vlo[axis] + vhi[axis]) / 2.0) {
                    const double width =
                        std::clamp(kBand - std::max(0.0, std::trunc(vlo[axis] - lo[axis])), 0.0, kBand);
                    if (at <= vlo[axis] + width) {
                        band[axis] = -1;
                        depth[axis] = vlo[axis] + width - at;
                    }
                } else {
                    const double width =
                        std::clamp(kBand - std::max(0.0, std::trunc(hi[axis] - vhi[axis])), 0.0, kBand);
                    if (at >= vhi[axis] - width) {
                        band[axis] = 1;
                        depth[axis] = at - (vhi[axis] - width);
                    }
                }
            }
        }
    }

    if (mode >= kMoveWithDropTargets && mode <= kResizeScrollingParent) {
        for (int axis = 0; axis < 2; ++axis) {
            const double correction =
                m_layout->position[axis].docked
                    ? scrollNow[axis] - (axis == 0 ? MoveState().startParentScroll.x : MoveState().startParentScroll.y)
                    : 0.0;
            const double moved = MoveState().origin[axis] + d[axis] - correction;
            const bool resizing = mode > kMoveScrollingParent;
            const bool nearEdge = resizing && (flags & (axis == 0 ? kLeftEdge : kTopEdge));
            const bool farEdge = resizing && !nearEdge && (flags & (axis == 0 ? kRightEdge : kBottomEdge));
            if (resizing ? !nearEdge && !farEdge : !(flags & (axis == 0 ? kMoveX : kMoveY)))
                continue;
            EditPlacement(axis, [&](PositionSpec& position, SizeSpec& size) {
                if (!resizing || nearEdge)
                    position.absolute = moved;
                if (nearEdge)
                    size.absolute = MoveState().origin[2 + axis] - d[axis];
                else if (farEdge)
                    size.absolute = MoveState().origin[2 + axis] + d[axis];
            });
        }
    }

    bool storeDisplacement = true;
    if (mode == kDragScroll) {
        const double dt = double(int32_t(m_moveTime - m_previousMoveTime)) / 1000.0;
        storeDisplacement = dt > 0.0;
        if (dt > 0.0) {
            const double last[2] = {MoveState().lastDisplacement.x, MoveState().lastDisplacement.y};
            double* velocity[2] = {&MoveState().dragVelocity.x, &MoveState().dragVelocity.y};
            PointT<double> minimum, maximum;
            GetSizeLimits(minimum, maximum);
            const double lo[2] = {minimum.x, minimum.y};
            const double hi[2] = {minimum.x + maximum.x, minimum.y + maximum.y};
            for (int axis = 0; axis < 2; ++axis) {
                const double travel = last[axis] - d[axis];
                const double speed = travel / dt;
                *velocity[axis] = (*velocity[axis] == 0.0 || dt >= 0.2) ? speed : speed * 0.5 + *velocity[axis] * 0.5;
                const bool allowed = flags == kMoveXY || flags == (axis == 0 ? kMoveX : kMoveY);
                if (!allowed || travel == 0.0)
                    continue;
                PointT<double> offset = m_scrollOffset;
                double& value = axis == 0 ? offset.x : offset.y;
                value = std::clamp(value + travel, lo[axis], std::max(lo[axis], hi[axis]));
                SetScrollOffset(offset);
            }
        }
    }
    if (storeDisplacement)
        MoveState().lastDisplacement = {d[0], d[1]};

    if (mode == kMoveWithDropTargets)
        TrackDropTarget(rootPoint, band, depth);

    RCPtr<LControl> scrolled =
        mode == kMoveWithDropTargets && MoveState().dropTarget ? MoveState().dropTarget : m_parent;
    if (scrolled) {
        if (!scrollAllowed[0])
            band[0] = 0;
        if (!scrollAllowed[1])
            band[1] = 0;
        if (band[0] == 0 && band[1] == 0) {
            scrolled->StopAutoScroll(0);
            scrolled->StopAutoScroll(1);
        } else {
            PointT<double> minimum, maximum;
            scrolled->GetSizeLimits(minimum, maximum);
            const double lo[2] = {minimum.x, minimum.y};
            const double hi[2] = {minimum.x + maximum.x, minimum.y + maximum.y};
            for (int axis = 0; axis < 2; ++axis) {
                if (band[axis] == 0)
                    scrolled->StopAutoScroll(axis);
                else
                    scrolled->StartAutoScroll(axis, (depth[axis] + 1.0) * kAutoScrollPixelsPerDepth * band[axis],
                                              hi[axis], lo[axis], self);
            }
        }
    }
    OnUserMoveStepped(pointer);
    MoveState().stepping = false;
}

void LControl::TrackDropTarget(const PointT<double>& rootPoint, int band[2], double depth[2])
{
    RCPtr<LControl> self = Hold(this);
    RCPtr<LRootWindow> root = FindRootWindow();
    if (!root)
        return;
    RCPtr<LControl> hit;
    {
        std::vector<RCPtr<LControl>> moving;
        AddSubtree(moving, self);
        LExclusionGuard excluded(moving);
        PointT<int32_t> local;
        hit = root->HitTest(rootPoint.Round(), local, false);
    }
    RCPtr<LControl> target = hit ? hit->FindDropTarget(self, rootPoint) : nullptr;
    if (target != MoveState().dropTarget) {
        if (RCPtr<LControl> old = MoveState().dropTarget) {
            old->StopAutoScroll(0);
            old->StopAutoScroll(1);
            old->OnDragLeave(self);
        }
        MoveState().dropTarget = target;
        if (target) {
            root->SetCursor(AppCursor(u"UI_CURSOR_DROP_MOVE"));
            target->OnDragEnter(self);
            target->OnDragOver(self, rootPoint);
        } else {
            root->SetCursor(AppCursor(u"UI_CURSOR_NO_DROP"));
        }
    } else if (target) {
        target->OnDragOver(self, rootPoint);
    } else {
        root->SetCursor(AppCursor(u"UI_CURSOR_NO_DROP"));
    }
    if (!target)
        return;
    const uint32_t edges = target->GetDropScrollEdges(self);
    const PointT<double> targetInRoot = target->GetPositionInRoot();
    const PointT<double> inTarget{rootPoint.x - targetInRoot.x, rootPoint.y - targetInRoot.y};
    const PointT<double> origin = target->GetClientOrigin();
    const RectT<double> client = target->GetClientRect();
    const double at[2] = {inTarget.x - origin.x + target->m_scrollOffset.x,
                          inTarget.y - origin.y + target->m_scrollOffset.y};
    const double scroll[2] = {target->m_scrollOffset.x, target->m_scrollOffset.y};
    const double size[2] = {client.width, client.height};
    const uint32_t farEdge[2] = {kRightEdge, kBottomEdge};
    const uint32_t nearEdge[2] = {kLeftEdge, kTopEdge};
    for (int axis = 0; axis < 2; ++axis) {
        const double farLine = scroll[axis] + size[axis] - kBand;
        const double nearLine = scroll[axis] + kBand;
        if ((edges & farEdge[axis]) && at[axis] >= farLine) {
            band[axis] = 1;
            depth[axis] = at[axis] - farLine;
        } else if ((edges & nearEdge[axis]) && at[axis] <= nearLine) {
            band[axis] = -1;
            depth[axis] = nearLine - at[axis];
        }
    }
}

void LControl::HandleConditionsChange()
{
    RCPtr<LControl> self = Hold(this);
    if (m_userMoveMode != kMoveWithDropTargets) {
        if (RCPtr<LControl> parent = m_parent) {
            parent->StopAutoScroll(0);
            parent->StopAutoScroll(1);
        }
        return;
    }
    if (RCPtr<LRootWindow> root = FindRootWindow())
        root->SetCursor(AppCursor(u"UI_CURSOR_ARROW"));
    if (!MoveState().wasUnclipped)
        SetClipToParent(true);
    const PointT<double> scroll = m_parent ? m_parent->m_scrollOffset : PointT<double>{};
    for (int axis = 0; axis < 2 && m_layout; ++axis) {
        if (MoveState().wasDocked[axis])
            continue;
        const double shift = axis == 0 ? scroll.x : scroll.y;
        EditPlacement(axis, [shift](PositionSpec& position, SizeSpec&) {
            position.docked = false;
            position.absolute += shift;
        });
    }
    if (RCPtr<LControl> target = MoveState().dropTarget) {
        MoveState().dropTarget = nullptr;
        target->StopAutoScroll(0);
        target->StopAutoScroll(1);
        static_cast<void>(target->OnDrop(self)); // a refused drop leaves the target as it was
        target->OnDragLeave(self);
    }
}

RCPtr<LControl> LControl::FindDropTarget(const RCPtr<LControl>& moving, const PointT<double>& rootPoint)
{
    RCPtr<LControl> candidate = Hold(this);
    RCPtr<LRootWindow> root = FindRootWindow();
    std::vector<RCPtr<LControl>> passed;
    while (candidate) {
        if (candidate->AcceptsDrop(moving))
            return candidate;
        if (candidate->GetClipToParent()) {
            candidate = candidate->m_parent;
            continue;
        }
        if (Contains(passed, candidate.Get()) || !root)
            return nullptr;
        RCPtrArray<LControl, 1, 0> descendants;
        candidate->GetDescendants(descendants);
        for (unsigned i = 0; i < descendants.GetCount(); ++i)
            passed.push_back(descendants.GetAt(i));
        RCPtr<LControl> hit;
        {
            std::vector<RCPtr<LControl>> excluded = passed;
            if (moving)
                AddSubtree(excluded, moving);
            LExclusionGuard guard(excluded);
            PointT<int32_t> local;
            hit = root->HitTest(rootPoint.Round(), local, false);
        }
        // The floating candidate found again would repeat the walk for ever.
        if (!hit || hit == candidate || Contains(passed, hit.Get()))
            return nullptr;
        candidate = hit;
    }
    return nullptr;
}

bool LControl::AcceptsDrop(const RCPtr<LControl>&)
{
    return false;
}

uint32_t LControl::GetDropScrollEdges(const RCPtr<LControl>&)
{
    return 0;
}

void LControl::OnDragEnter(const RCPtr<LControl>&) {}

void LControl::OnDragOver(const RCPtr<LControl>&, const PointT<double>&) {}

void LControl::OnDragLeave(const RCPtr<LControl>&) {}

KXRESULT LControl::OnDrop(const RCPtr<LControl>&)
{
    return E_FAIL;
}

// ---- auto-scroll

KXRESULT LControl::StartAutoScroll(int axis, double rate, double maximum, double minimum,
                                   const RCPtr<LControl>& dragSource)
{
    if (axis < 0 || axis > 1)
        return E_INVALIDARG;
    if (!m_autoScroll)
        m_autoScroll = std::make_unique<AutoScroll>();
    AutoScroll::Axis& a = m_autoScroll->axes[axis];
    a.rate = rate;
    a.maximum = maximum;
    a.minimum = minimum;
    a.dragSource = dragSource;
    if (!a.active) {
        a.active = true;
        a.lastTick = FrameworkClock::Seconds();
        SubscribeIdle();
    }
    return S_OK;
}

KXRESULT LControl::StopAutoScroll(int axis)
{
    if (axis < 0 || axis > 1)
        return E_INVALIDARG;
    if (!m_autoScroll)
        return S_FALSE;
    AutoScroll::Axis& a = m_autoScroll->axes[axis];
    a.dragSource = nullptr;
    if (!a.active)
        return S_FALSE;
    a.active = false;
    a.flick = false;
    UnsubscribeIdle();
    return S_OK;
}

void LControl::AutoScrollStep(int axis)
{
    AutoScroll::Axis& a = m_autoScroll->axes[axis];
    const double now = FrameworkClock::Seconds();
    const double dt = now - a.lastTick;
    const double step = Round(a.rate * dt);
    a.lastTick = now;
    if (step != 0.0) {
        PointT<double> offset = m_scrollOffset;
        double& value = axis == 0 ? offset.x : offset.y;
        value += step;
        if (value < a.minimum)
            value = a.minimum;
        else if (value > a.maximum)
            value = a.maximum;
        SetScrollOffset(offset);
        RCPtr<LRootWindow> root = FindRootWindow();
        if (RCPtr<LControl> source = a.dragSource; source && root) {
            const PointT<int32_t> cursor = root->GetCursorPos();
            const PointT<double> at = source->GetPositionInRoot();
            const PointT<int32_t> point = PointT<double>{cursor.x - at.x, cursor.y - at.y}.Round();
            source->UserMoveStep(LPointWithModifiersParam::Create(point, root->GetModifierKeys(), 0));
        }
    }
    if (a.active && a.flick && FrameworkClock::Milliseconds() - m_releaseTime > kFlickCoastMs) {
        const double slowdown = Round(kFlickDeceleration * dt);
        if ((a.rate > 0.0 && a.rate <= slowdown) || (a.rate <= 0.0 && a.rate >= -slowdown))
            StopAutoScroll(axis);
        else
            a.rate += a.rate > 0.0 ? -slowdown : slowdown;
    }
}

void LControl::HandOverDelayedPress()
{
    if (!m_pending[0] || !m_interceptsChildren || !m_lastChildHit || !m_pressRecord ||
        FrameworkClock::Milliseconds() - m_pressTime <= kDelayedPressMs)
        return;
    RCPtr<LControl> self = Hold(this);
    RCPtr<LControl> child = m_lastChildHit;
    const RCPtr<LMouseButtonParam> record = m_pressRecord;
    RCPtr<LMouseButtonParam> press = LMouseButtonParam::Create(record->button, m_lastChildPoint, record->modifiers,
                                                               record->isDoubleClick, record->heldButtons, 0);
    OnCaptureLost();
    if (RCPtr<LRootWindow> root = FindRootWindow())
        root->SetHoverControl(child);
    static_cast<void>(child->OnMouseDown(press)); // the pointer handler's answer changes nothing here
}

void LControl::RunInputIdleWork()
{
    RCPtr<LControl> self = Hold(this);
    for (int axis = 0; axis < 2; ++axis) {
        if (m_autoScroll && m_autoScroll->axes[axis].active)
            AutoScrollStep(axis);
    }
    HandOverDelayedPress();
}

} // namespace KX
