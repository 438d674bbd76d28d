#include "KXFramework/Controls/SplitterBase.h"

#include "KXFramework/ControlBase/FrameworkServices.h"

#include <algorithm>

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

void LSplitterBase::ComputeRange()
{
    m_rangeMin = 0.0;
    m_rangeMax = 4503599627370496.0;
    if (!m_pane)
        return;
    const int axis = Axis();
    const RectT<double>& pane = m_pane->GetRect();
    const double extent = axis == 0 ? pane.width : pane.height;
    PointT<double> minimum, maximum;
    m_pane->GetSizeLimits(minimum, maximum);
    const double m = axis == 0 ? minimum.x : minimum.y;
    const double M = axis == 0 ? maximum.x : maximum.y;
    m_rangeMin = std::max(m_rangeMin, m_startPos - (extent - m));
    if (M > 0.0)
        m_rangeMax = std::min(m_rangeMax, m_startPos + (M - extent));
}

void LSplitterBase::BeginPaneDrag()
{
    m_pane = nullptr;
    if (!m_layout || !m_parent)
        return;
    const int axis = Axis();
    PositionSpec position;
    SizeSpec size;
    static_cast<void>(
        m_layout->GetPlacement(axis, position, size)); // an axis without placement leaves the specs at their defaults
    const RCPtr<LControl>& pane = position.referenceKind == PositionSpec::kNamed
                                      ? m_parent->FindChild(position.referenceName)
                                      : RCPtr<LControl>();
    if (!pane || !pane->GetLayoutDescriptor())
        return;
    m_pane = pane;
    m_savedAbs = position.absolute;
    m_savedRel = position.relative;
    // The splitter moves freely during the drag; it is attached to the pane again at the end.
    m_startPos = axis == 0 ? m_rect.x : m_rect.y;
    position.referenceKind = PositionSpec::kClient;
    position.referenceName.Clear();
    position.absolute = m_startPos;
    position.relative = 0.0f;
    static_cast<void>(SetPlacement(axis, position, size)); // the specs come from the descriptor and are valid
    PositionSpec panePosition;
    SizeSpec paneSize;
    static_cast<void>(m_pane->GetLayoutDescriptor()->GetPlacement(
        axis, panePosition, paneSize)); // an axis without placement leaves the specs at their defaults
    m_paneStartSize = paneSize.absolute;
    ComputeRange();
}

void LSplitterBase::GetRange(double& start, double& length) const
{
    start = m_rangeMin;
    length = m_rangeMax - m_rangeMin;
}

void LSplitterBase::AdjustUserMoveBounds(RectT<double>& bounds)
{
    if (!m_pane)
        return;
    // The displacement is the pointer's: keep the splitter's own position inside the range.
    const int axis = Axis();
    const double grab = axis == 0 ? m_grabPoint.x : m_grabPoint.y;
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
    const double displacement = (axis == 0 ? m_rect.x : m_rect.y) - m_startPos;
    PositionSpec position;
    SizeSpec size;
    static_cast<void>(m_pane->GetLayoutDescriptor()->GetPlacement(
        axis, position, size)); // an axis without placement leaves the specs at their defaults
    size.absolute = m_paneStartSize + displacement;
    static_cast<void>(m_pane->SetPlacement(axis, position, size)); // the specs come from the descriptor and are valid
}

void LSplitterBase::HandleConditionsChange()
{
    if (m_pane && m_layout) {
        const int axis = Axis();
        PositionSpec position;
        SizeSpec size;
        static_cast<void>(m_layout->GetPlacement(axis, position,
                                                 size)); // an axis without placement leaves the specs at their defaults
        position.referenceKind = PositionSpec::kNamed;
        position.referenceName = m_pane->GetName();
        position.absolute = m_savedAbs;
        position.relative = m_savedRel;
        static_cast<void>(SetPlacement(axis, position, size)); // the specs come from the descriptor and are valid
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
            static_cast<void>(
                SetUserMoveMode(3, m_orientation != 0 ? 1 : 2)); // a mode the control does not know leaves it still
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
        static_cast<void>(SetLookExclusive(look)); // a look the skin lacks is not drawn
}

KXRESULT LSplitterBase::BreakCycles()
{
    m_pane = nullptr;
    return LControl::BreakCycles();
}

} // namespace KX
