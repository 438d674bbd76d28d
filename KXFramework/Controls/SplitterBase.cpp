#include "KXFramework/Controls/SplitterBase.h"

#include "KXFramework/ControlBase/FrameworkServices.h"

#include <algorithm>
#include <vector>

namespace KX {

LSplitterBase::LSplitterBase(const RCPtr<LControl>& parent, const String& name, int32_t orientation)
    : LControl(parent, name),
      m_orientation(orientation)
{
}

KXRESULT LSplitterBase::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    if (IFrameworkServices* services = GetFrameworkServices())
        SetCursor(services->LoadAppCursor(m_orientation != 0 ? u"UI_CURSOR_SIZE_WE" : u"UI_CURSOR_SIZE_NS"));
    return r;
}

RCPtr<LControl> LSplitterBase::Sibling(const String& name) const
{
    return GetParent() && !name.IsEmpty() ? GetParent()->FindChild(name) : RCPtr<LControl>();
}

void LSplitterBase::ComputeRange(const RCPtr<LControl>& pane)
{
    m_rangeMin = 0.0;
    m_rangeMax = 4503599627370496.0;
    const int axis = Axis();
    const RCPtr<LLayoutDescriptor> layout = pane ? pane->GetLayoutDescriptor() : nullptr;
    if (layout) {
        const double extent = axis == 0 ? pane->GetRect().width : pane->GetRect().height;
        const double m = layout->minSize[axis].hasReference ? 0.0 : layout->minSize[axis].absolute;
        const double M = axis == 0 ? pane->GetAbsoluteMaxSize().x : pane->GetAbsoluteMaxSize().y;
        m_rangeMin = std::max(m_rangeMin, m_startPos - (extent - m));
        if (M > 0.0)
            m_rangeMax = std::min(m_rangeMax, m_startPos + (M - extent));
    }
    NarrowRangeForFollowers();
}

void LSplitterBase::NarrowRangeForFollowers()
{
    if (!GetParent() || !GetLayoutDescriptor())
        return;
    const int axis = Axis();
    std::vector<RCPtr<LControl>> siblings;
    const LControl::ChildControlList& children = GetParent()->GetChildren();
    for (unsigned i = 0; i < children.GetCount(); ++i)
        siblings.push_back(children.GetAt(i, kInsertionOrder));
    for (const RCPtr<LControl>& sibling : siblings) {
        const RCPtr<LLayoutDescriptor> layout = sibling ? sibling->GetLayoutDescriptor() : nullptr;
        if (!layout || sibling.Get() == this || layout->layoutOrder <= GetLayoutDescriptor()->layoutOrder)
            continue;
        PositionSpec position;
        SizeSpec size;
        static_cast<void>(layout->GetPlacement(axis, position, size)); // the moving axis always has specs
        const bool sizedUpTo = size.referenceKind == SizeSpec::kNamed && Sibling(size.referenceName).Get() == this;
        const bool after = position.referenceKind == PositionSpec::kNamed &&
                           Sibling(position.referenceName).Get() == this && size.referenceKind != SizeSpec::kSelf;
        if (!sizedUpTo && !after)
            continue;
        const PointT<double> preferred = sibling->GetPreferredSize();
        const double e = axis == 0 ? sibling->GetRect().width : sibling->GetRect().height;
        const double p = axis == 0 ? preferred.x : preferred.y;
        const double q = axis == 0 ? sibling->GetAbsoluteMaxSize().x : sibling->GetAbsoluteMaxSize().y;
        // Whether the sibling grows as the splitter moves forward.
        const bool grows = sizedUpTo ? size.relative == 0.0f : position.relative == 0.0f;
        if (grows) {
            m_rangeMin = std::max(m_rangeMin, m_startPos - (e - p));
            if (q > 0.0)
                m_rangeMax = std::min(m_rangeMax, m_startPos + (q - e));
        } else {
            m_rangeMax = std::min(m_rangeMax, m_startPos + (e - p));
            if (q > 0.0)
                m_rangeMin = std::max(m_rangeMin, m_startPos - (q - e));
        }
    }
}

KXRESULT LSplitterBase::RecalcLayout(const PointT<int32_t>& size)
{
    const KXRESULT r = LControl::RecalcLayout(size);
    // A drag keeps its own range; the clamp's own re-layout is not clamped again.
    if (m_pane || m_clamping || !GetLayoutDescriptor())
        return r;
    m_clamping = true;
    const int axis = Axis();
    const PositionSpec& position = GetLayoutDescriptor()->position[axis];
    m_startPos = axis == 0 ? GetRect().x : GetRect().y;
    ComputeRange(position.referenceKind == PositionSpec::kNamed ? Sibling(position.referenceName) : nullptr);
    const double target = std::clamp(m_startPos, m_rangeMin, std::max(m_rangeMin, m_rangeMax));
    if (target != m_startPos) {
        const double shift = target - m_startPos;
        EditPlacement(axis, [shift](PositionSpec& moved, SizeSpec&) { moved.absolute += shift; });
    }
    m_clamping = false;
    return r;
}

void LSplitterBase::BeginPaneDrag()
{
    m_pane = nullptr;
    if (!GetLayoutDescriptor() || !GetParent())
        return;
    const int axis = Axis();
    const PositionSpec position = GetLayoutDescriptor()->position[axis];
    const RCPtr<LControl>& pane = position.referenceKind == PositionSpec::kNamed
                                      ? GetParent()->FindChild(position.referenceName)
                                      : RCPtr<LControl>();
    m_startPos = axis == 0 ? GetRect().x : GetRect().y;
    if (!pane || !pane->GetLayoutDescriptor()) {
        // Nothing to resize; the followers still bound the move.
        ComputeRange(nullptr);
        return;
    }
    m_pane = pane;
    m_savedAbs = position.absolute;
    m_savedRel = position.relative;
    // The splitter moves freely during the drag; it is attached to the pane again at the end.
    EditPlacement(axis, [this](PositionSpec& free, SizeSpec&) {
        free.referenceKind = PositionSpec::kClient;
        free.referenceName.Clear();
        free.absolute = m_startPos;
        free.relative = 0.0f;
    });
    m_paneStartSize = m_pane->GetLayoutDescriptor()->size[axis].absolute;
    ComputeRange(m_pane);
}

void LSplitterBase::GetRange(double& start, double& length) const
{
    start = m_rangeMin;
    length = m_rangeMax - m_rangeMin;
}

void LSplitterBase::AdjustUserMoveBounds(RectT<double>& bounds)
{
    // The displacement is the pointer's: keep the splitter's own position inside the range.
    const int axis = Axis();
    const double grab = axis == 0 ? GetGrabPoint().x : GetGrabPoint().y;
    const double lo = grab + (m_rangeMin - m_startPos);
    const double hi = grab + (m_rangeMax - m_startPos) + 1.0;
    if (axis == 0) {
        bounds.x = lo;
        bounds.width = hi - lo;
    } else {
        bounds.y = lo;
        bounds.height = hi - lo;
    }
}

void LSplitterBase::OnUserMoveStepped(const RCPtr<LPointWithModifiersParam>&)
{
    if (!m_pane || !m_pane->GetLayoutDescriptor())
        return;
    const int axis = Axis();
    const double sized = m_paneStartSize + ((axis == 0 ? GetRect().x : GetRect().y) - m_startPos);
    m_pane->EditPlacement(axis, [sized](PositionSpec&, SizeSpec& size) { size.absolute = sized; });
}

void LSplitterBase::HandleConditionsChange()
{
    if (m_pane && GetLayoutDescriptor()) {
        EditPlacement(Axis(), [this](PositionSpec& attached, SizeSpec&) {
            attached.referenceKind = PositionSpec::kNamed;
            attached.referenceName = m_pane->GetName();
            attached.absolute = m_savedAbs;
            attached.relative = m_savedRel;
        });
    }
    LControl::HandleConditionsChange();
}

void LSplitterBase::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LControl::ApplyConditions(param);
    if (param) {
        const bool was = (param->previousMask & Condition::kLeftDragging) != 0;
        const bool is = (param->currentMask & Condition::kLeftDragging) != 0;
        if (is && !was) {
            BeginPaneDrag();
            SetUserMoveMode(kMoveScrollingParent, m_orientation != 0 ? kMoveX : kMoveY);
        } else if (!is && was) {
            m_pane = nullptr;
        }
    }
    const uint32_t mask = ComputeConditions();
    const bool focused = (mask & Condition::kHasFocus) != 0;
    const bool hover = (mask & Condition::kHover) != 0;
    const bool capture = (mask & Condition::kCapture) != 0;
    const bool pressed = (mask & (Condition::kLeftPending | Condition::kLeftDragging)) != 0;
    unsigned look;
    if (!IsEnabled(true))
        look = 6;
    else if (hover && !capture)
        look = focused ? 4 : 1;
    else if (capture && pressed)
        look = hover ? (focused ? 5 : 2) : (focused ? 4 : 1);
    else
        look = focused ? 3 : 0;
    if (look < GetLookCount())
        SetLookExclusive(look);
}

KXRESULT LSplitterBase::BreakCycles()
{
    m_pane = nullptr;
    return LControl::BreakCycles();
}

} // namespace KX
