// LControl's layout, value and range, and conditions.
#include "KXFramework/ControlBase/Control.h"

#include "KXFramework/ControlBase/ChildLayoutEngine.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/ControlInternals.h"
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ObjectBase/Exception.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace KX {

using namespace ControlInternals;

namespace {

constexpr double kSizeTolerance = 2.220446049250313e-15;

} // namespace

// ---- geometry

void LControl::SetClipToParent(bool clip)
{
    if (!m_layout || m_layout->clipToParent == clip)
        return;
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, m_layout->clipToParent);
    if (m_parent) {
        if (clip)
            m_parent->DecrementSubtreeCount();
        else
            m_parent->IncrementSubtreeCount();
    }
    m_layout->clipToParent = clip;
    if (m_parent)
        m_parent->m_children.Touch();
}

KXRESULT LControl::RecalcLayoutFromDescriptor()
{
    if (!m_layout)
        return E_FAIL;
    RectT<double> r;
    if (m_parent) {
        // Without a layout the rectangle stays empty.
        static_cast<void>(CalculateLayoutRect(m_layout.Get(), m_parent.Get(), {}, {}, {}, r));
    } else {
        if (m_created && !m_rootWindow)
            return E_FAIL;
        IFrameworkServices* services = GetFrameworkServices();
        RCPtr<LRootWindow> root = m_rootWindow;
        if (!root && services)
            root = services->GetApplicationRootWindow();
        if (!root)
            return E_FAIL;
        const RectT<int32_t> screen = services ? services->GetWorkArea() : RectT<int32_t>{};
        const PointT<int32_t> client = root->GetClientSize();
        const RectT<int32_t> window = root->GetScreenClientRect();
        // Without a layout the rectangle stays empty.
        static_cast<void>(CalculateLayoutRect(m_layout.Get(), nullptr, screen.ToDouble(),
                                              {double(client.x), double(client.y)},
                                              {double(window.x), double(window.y)}, r));
    }
    PointT<double> position{r.x, r.y};
    PointT<double> size{r.width, r.height};
    // A limit the anchor keeps from being met leaves what the other rules gave.
    static_cast<void>(ApplyLayoutMinSize(*this, position, size)); // without a layout the size stays
    static_cast<void>(ApplyLayoutMaxSize(*this, position, size)); // without a layout the size stays
    r = {position.x, position.y, size.x, size.y};
    r.Normalize();
    return StoreLayoutRect({r.x, r.y}, {r.width, r.height});
}

KXRESULT LControl::RecalcLayout(const PointT<int32_t>&)
{
    RecalcLayoutFromDescriptor();
    return S_OK;
}

KXRESULT LControl::StoreLayoutRect(const PointT<double>& position, const PointT<double>& size)
{
    if (position.x == m_rect.x && position.y == m_rect.y && size.x == m_rect.width && size.y == m_rect.height)
        return S_FALSE;
    RCPtr<LControl> self = Hold(this);
    const bool sizeChanged =
        std::fabs(size.x - m_rect.width) >= kSizeTolerance || std::fabs(size.y - m_rect.height) >= kSizeTolerance;
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    if (m_unclippedCount > 0)
        InvalidateUnclippedArea();
    m_rect = {position.x, position.y, size.x, size.y};
    const PointT<int32_t> lookSize = PointT<double>{m_rect.width, m_rect.height}.Round();
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->SetSize(lookSize);
    }
    // The children laid out below measure against the new client rectangle, not the cached one.
    m_clientRectValid = false;
    if (sizeChanged && !m_layoutSuspended) {
        m_layoutSuspended = true;
        const PointT<int32_t> whole = PointT<double>{m_rect.width, m_rect.height}.Round();
        for (unsigned i = 0; i < m_children.GetCount(); ++i) {
            RCPtr<LControl> child = m_children.GetAt(i, kInsertionOrder);
            child->RecalcLayout(whole);
        }
        RecalcLayoutFromDescriptor();
        m_layoutSuspended = false;
    }
    if (m_parent) {
        RCPtr<LControl> parent = m_parent;
        ChildControlList& siblings = parent->m_children;
        // A later sibling that changed carries the cascade on through its own store.
        const int position = siblings.IndexOf(this);
        for (unsigned i = static_cast<unsigned>(position) + 1; position >= 0 && i < siblings.GetCount(); ++i) {
            RCPtr<LControl> sibling = siblings.GetAt(i, kInsertionOrder);
            if (sibling->RecalcLayoutFromDescriptor() == S_OK)
                break;
        }
        static_cast<void>(parent->OnChildRectChanged(self)); // a handler's answer changes nothing here
    } else if (m_rootWindow) {
        const RectT<int32_t> area = m_rootWindow->GetScreenClientRect();
        const PointT<int32_t> whole = PointT<double>{m_rect.width, m_rect.height}.Round();
        m_rootWindow->SetWindowArea({area.x, area.y, whole.x, whole.y});
    }
    if (m_parent && (m_hasFocus || m_containsFocus) && (m_rect.width <= 0.0 || m_rect.height <= 0.0))
        HandOverFocus(false);
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    if (m_unclippedCount > 0)
        InvalidateUnclippedArea();
    CheckClientSizeChange();
    return S_OK;
}

KXRESULT LControl::SetPlacement(int axis, const PositionSpec& position, const SizeSpec& size)
{
    if (!m_layout)
        return E_FAIL;
    const bool wasDocked = axis >= 0 && axis < 2 && m_layout->position[axis].docked;
    const KXRESULT r = m_layout->SetPlacement(axis, position, size);
    if (Failed(r))
        return r;
    // The docked flag is a key of the parent's z-order.
    if (wasDocked != position.docked && m_parent)
        m_parent->m_children.Touch();
    RecalcLayoutFromDescriptor();
    PositionSpec p;
    SizeSpec z;
    static_cast<void>(m_layout->GetPlacement(axis, p, z)); // a bad axis leaves the defaults
    const bool named = position.referenceKind == PositionSpec::kNamed;
    const bool sizeNamed = size.referenceKind == SizeSpec::kNamed;
    const bool same = p.anchor == position.anchor && p.referenceKind == position.referenceKind &&
                      (!named || p.referenceName == position.referenceName) && p.relative == position.relative &&
                      p.absolute == position.absolute && p.docked == position.docked &&
                      z.referenceKind == size.referenceKind && (!sizeNamed || z.referenceName == size.referenceName) &&
                      z.relative == size.relative && z.absolute == size.absolute;
    return same ? S_OK : S_FALSE;
}

KXRESULT LControl::EditPlacement(int axis, const std::function<void(PositionSpec&, SizeSpec&)>& edit)
{
    if (!m_layout)
        return E_FAIL;
    PositionSpec position;
    SizeSpec size;
    if (const KXRESULT r = m_layout->GetPlacement(axis, position, size); Failed(r))
        return r;
    edit(position, size);
    return SetPlacement(axis, position, size);
}

KXRESULT LControl::SetSizeLimits(int axis, const SizeLimitSpec& minimum, const SizeLimitSpec& maximum)
{
    if (!m_layout)
        return E_FAIL;
    const KXRESULT r = m_layout->SetSizeLimitSpecs(axis, minimum, maximum);
    if (Failed(r))
        return r;
    RecalcLayoutFromDescriptor();
    SizeLimitSpec lo, hi;
    static_cast<void>(m_layout->GetSizeLimitSpecs(axis, lo, hi)); // a bad axis leaves the defaults
    auto same = [](const SizeLimitSpec& a, const SizeLimitSpec& b) {
        return a.hasReference == b.hasReference && a.referenceName == b.referenceName && a.relative == b.relative &&
               a.absolute == b.absolute;
    };
    return same(lo, minimum) && same(hi, maximum) ? S_OK : S_FALSE;
}

PointT<double> LControl::GetPreferredSize()
{
    PointT<double> preferred;
    if (!m_layout)
        return preferred;
    for (int axis = 0; axis < 2; ++axis) {
        PositionSpec position;
        SizeSpec size;
        static_cast<void>(m_layout->GetPlacement(axis, position, size)); // a bad axis leaves the defaults
        // The same placement again changes nothing.
        SetPlacement(axis, position, SizeSpec{SizeSpec::kSelf, String(), 0.0f, 0.0});
        (axis == 0 ? preferred.x : preferred.y) = axis == 0 ? m_rect.width : m_rect.height;
        SetPlacement(axis, position, size);
    }
    return preferred;
}

PointT<double> LControl::GetAbsoluteMaxSize() const
{
    if (!m_layout)
        return {};
    return {m_layout->maxSize[0].hasReference ? 0.0 : m_layout->maxSize[0].absolute,
            m_layout->maxSize[1].hasReference ? 0.0 : m_layout->maxSize[1].absolute};
}

void LControl::GetSizeLimits(PointT<double>& minimum, PointT<double>& maximum) const
{
    minimum = {0.0, 0.0};
    maximum = {kCoordinateLimit, kCoordinateLimit};
}

RectT<double> LControl::GetClientRect() const
{
    if (!m_clientRectValid) {
        m_clientRect = GetLookClientRect(-1);
        m_clientRectValid = true;
    }
    return m_clientRect;
}

RectT<double> LControl::GetLookClientRect(int lookIndex) const
{
    const RCPtr<LLook>& look = GetCurrentLook(lookIndex);
    if (!look)
        return {0.0, 0.0, m_rect.width, m_rect.height};
    return look->GetClientRect().ToDouble();
}

RectT<double> LControl::GetClientExtentRect() const
{
    const RectT<double> client = GetClientRect();
    return {0.0, 0.0, client.width, client.height};
}

RectT<double> LControl::GetVisibleClientRect() const
{
    const RectT<double> client = GetClientRect();
    return {m_scrollOffset.x, m_scrollOffset.y, client.width, client.height};
}

void LControl::CheckClientSizeChange()
{
    m_clientRectValid = false;
}

void LControl::SetScrollOffset(const PointT<double>& offset)
{
    m_scrolling = true;
    const PointT<double> rounded{Round(offset.x), Round(offset.y)};
    if (rounded == m_scrollOffset) {
        m_scrolling = false;
        return;
    }
    RCPtr<LControl> self = Hold(this);
    if (m_unclippedCount > 0)
        InvalidateUnclippedArea();
    const PointT<double> old = m_scrollOffset;
    m_scrollOffset = rounded;
    for (unsigned i = 0; i < m_children.GetCount(); ++i) {
        RCPtr<LControl> child = m_children.GetAt(i, kInsertionOrder);
        static_cast<void>(child->OnParentScrolled(old, rounded)); // a handler's answer changes nothing here
    }
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    ScrollContents(old, rounded);
    Send(*this, u"NID_SCROLL_OFFSET_CHANGE", RCPtr<LRefCountedObject>());
    // Only a window that tracks the pointer (active, with a real window) moves the hover.
    RCPtr<LRootWindow> root = FindRootWindow();
    if (root && root->GetOSServices() && root->GetOSServices()->IsActive()) {
        RCPtr<LControl> top;
        GetTopLevelControl(top);
        const PointT<int32_t> cursor = root->GetCursorPos();
        const PointT<double> p =
            top ? MapPointFromControl(*top, {double(cursor.x), double(cursor.y)}) : PointT<double>{};
        if (top && p.x >= 0.0 && p.x < m_rect.width && p.y >= 0.0 && p.y < m_rect.height) {
            PointT<int32_t> local;
            root->HitTest(cursor, local, true);
        }
    }
    m_scrolling = false;
}

void LControl::ScrollContents(const PointT<double>&, const PointT<double>&) {}

KXRESULT LControl::OnParentScrolled(const PointT<double>&, const PointT<double>&)
{
    if (m_layout && (m_layout->position[0].docked || m_layout->position[1].docked))
        RecalcLayoutFromDescriptor();
    return S_OK;
}

KXRESULT LControl::OnChildRectChanged(const RCPtr<LControl>& child)
{
    if (!m_layoutSuspended)
        RecalcLayoutFromDescriptor();
    InvalidateChildArea(child);
    return S_OK;
}

void LControl::InvalidateChildArea(const RCPtr<LControl>&) {}

PointT<double> LControl::MapPointFromControl(const LControl& other, const PointT<double>& point) const
{
    const PointT<int32_t> from = other.GetPositionInRoot().Round();
    const PointT<int32_t> to = GetPositionInRoot().Round();
    using GeometryRules::Clamp;
    return {Clamp(point.x + double(from.x) - double(to.x), kCoordinateLimit),
            Clamp(point.y + double(from.y) - double(to.y), kCoordinateLimit)};
}

bool LControl::GetChildrenBounds(RectT<double>& out) const
{
    // Kept in 64 bits: the empty case is reported rather than left as wrapped 32-bit differences.
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (unsigned i = m_children.GetCount(); i-- > 0;) {
        const LControl& child = *m_children.GetAt(i, kInsertionOrder);
        if (DockedAxes(child.m_layout.Get()) != 0)
            continue;
        const RectT<int32_t> r = child.m_rect.Round();
        left = std::min<int64_t>(left, r.x);
        top = std::min<int64_t>(top, r.y);
        right = std::max<int64_t>(right, int64_t(r.x) + r.width);
        bottom = std::max<int64_t>(bottom, int64_t(r.y) + r.height);
    }
    if (left > right) {
        out = {};
        return false;
    }
    out = {double(left), double(top), double(right - left), double(bottom - top)};
    return true;
}

double LControl::GetTextMinimumSize(int axis, const PointT<double>& size)
{
    const RCPtr<LLook>& look = GetCurrentLook(-1);
    if (!m_layout || !look || !look->GetFontText())
        return 0.0;
    LFontText& text = *look->GetFontText();
    const TextAreaSpec& spec = look->GetDescriptor()->text;
    const RectT<float> area = look->GetTextArea(float(size.x), float(size.y));
    double minimum = 0.0;
    if (axis == 0) {
        if (m_layout->textOverflowX != LLayoutDescriptor::kOverflowExpand)
            return 0.0;
        text.SetWrap(false);
        const double extra = std::ceil(double(text.GetNaturalWidth()) - double(area.width));
        if (extra > 0.0) {
            // A text area that does not grow with the control grows by the whole extra.
            const double span = double(spec.rightRelative) - double(spec.leftRelative);
            minimum = std::ceil(span > 0.0 ? extra / span : extra) + size.x;
        }
        const SizeLimitSpec& maximum = m_layout->maxSize[0];
        if (!maximum.hasReference && maximum.absolute > 0.0 && maximum.absolute < minimum) {
            minimum = maximum.absolute;
            text.SetWrap(true);
        }
        return minimum;
    }
    if (m_layout->textOverflowY == LLayoutDescriptor::kOverflowClip)
        return 0.0;
    const double extra =
        std::ceil(double(text.GetWrappedHeight(GeometryRules::RoundToLong(area.width))) - double(area.height));
    if (extra > 0.0) {
        const double span = double(spec.bottomRelative) - double(spec.topRelative);
        minimum = std::ceil(span > 0.0 ? extra / span : extra) + size.y;
    }
    return minimum;
}

double LControl::Round(double v)
{
    return std::trunc(v >= 0.0 ? v + 0.5 : v - 0.5);
}

PointT<double> LControl::GetClientOrigin() const
{
    const RectT<double> client = GetLookClientRect(-1);
    return {client.x, client.y};
}

PointT<double> LControl::GetPositionInParentClient() const
{
    if (!m_parent)
        return {m_rect.x, m_rect.y};
    const PointT<double> origin = m_parent->GetClientOrigin();
    return {m_rect.x - m_parent->m_scrollOffset.x + origin.x, m_rect.y - m_parent->m_scrollOffset.y + origin.y};
}

PointT<double> LControl::GetPositionInRoot() const
{
    PointT<double> p{m_rect.x, m_rect.y};
    for (const LControl* a = m_parent.Get(); a; a = a->m_parent.Get()) {
        const PointT<double> origin = a->GetClientOrigin();
        p.x += origin.x - a->m_scrollOffset.x + a->m_rect.x;
        p.y += origin.y - a->m_scrollOffset.y + a->m_rect.y;
    }
    return p;
}

// ---- value and range

double LControl::SetValue(double t)
{
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    if (t == m_value)
        return m_value;
    m_value = t;
    OnValueChanged();
    Send(*this, u"NID_VALUE_CHANGE", LValueParam::Create(m_value, NormalizedToValue(m_value)));
    return m_value;
}

void LControl::OnValueChanged() {}

KXRESULT LControl::SetRange(double minimum, double maximum, int32_t scaleType)
{
    const bool accepted = scaleType == 0 || (scaleType == 1 && minimum > 0.0 && maximum > 0.0);
    if (!accepted)
        return E_INVALIDARG;
    m_scaleType = scaleType;
    m_rangeMinimum = minimum;
    m_rangeMaximum = maximum;
    return S_OK;
}

double LControl::NormalizedToValue(double t) const
{
    if (m_scaleType == 1)
        return std::pow(m_rangeMaximum / m_rangeMinimum, t) * m_rangeMinimum;
    return (m_rangeMaximum - m_rangeMinimum) * t + m_rangeMinimum;
}

double LControl::ValueToNormalized(double v) const
{
    const double hi = std::max(m_rangeMinimum, m_rangeMaximum);
    const double lo = std::min(m_rangeMinimum, m_rangeMaximum);
    if (v > hi)
        v = hi;
    if (v < lo)
        v = lo;
    if (m_rangeMinimum == m_rangeMaximum)
        return 0.0;
    if (m_scaleType == 1)
        return std::log(v / m_rangeMinimum) / std::log(m_rangeMaximum / m_rangeMinimum);
    return (v - m_rangeMinimum) / (m_rangeMaximum - m_rangeMinimum);
}

double LControl::SetValueInRange(double value)
{
    if (!std::isnan(value))
        SetValue(ValueToNormalized(value));
    return NormalizedToValue(GetValue());
}

// ---- conditions

uint32_t LControl::ComputeConditions() const
{
    uint32_t mask = 0;
    auto set = [&mask](bool flag, uint32_t bit) {
        if (flag)
            mask |= bit;
    };
    set(m_hasFocus, Condition::kHasFocus);
    set(m_containsFocus, Condition::kContainsFocus);
    set(m_hover, Condition::kHover);
    set(m_capture, Condition::kCapture);
    set(m_pending[0], Condition::kLeftPending);
    set(m_pending[1], Condition::kMiddlePending);
    set(m_pending[2], Condition::kRightPending);
    set(m_dragging[0], Condition::kLeftDragging);
    set(m_dragging[1], Condition::kMiddleDragging);
    set(m_dragging[2], Condition::kRightDragging);
    set(m_layout && m_layout->enabled && (!m_parent || m_parent->IsEnabled(true)), Condition::kEnabled);
    set(IsVisible(true), Condition::kVisible);
    set(m_hover || m_highlighted, Condition::kHoverOrHighlighted);
    return mask;
}

void LControl::PublishConditions()
{
    const uint32_t now = ComputeConditions();
    if (now == m_conditions->currentMask)
        return;
    RCPtr<LControl> self = Hold(this);
    const uint32_t before = m_conditions->currentMask;
    m_conditions->previousMask = before;
    m_conditions->currentMask = now;
    m_conditions->point = m_grabPoint;
    const uint32_t changed = before ^ now;
    auto rose = [&](uint32_t bit) { return (changed & bit) && (now & bit); };
    auto fell = [&](uint32_t bit) { return (changed & bit) && (before & bit); };

    if (m_cursor) {
        if (rose(Condition::kHover) && !m_capture) {
            m_replacedCursor = ApplyCursor();
        } else if ((fell(Condition::kHover) && !m_capture) || (fell(Condition::kCapture) && !m_hover)) {
            if (RCPtr<LRootWindow> root = FindRootWindow())
                root->SetCursor(m_replacedCursor);
        }
    }
    if (m_userMoveMode != kMoveOff && fell(Condition::kLeftDragging))
        HandleConditionsChange();
    // The published record is the control's own; listeners see it change with every publication.
    const RCPtr<LConditionsParam> param = m_conditions;
    ApplyConditions(param);
    Send(*this, u"NID_CONDITION_CHANGE", param);
    static const struct {
        const char16_t* name;
        uint32_t bits;
    } kPerCondition[] = {
        {u"NID_HAS_FOCUS_CONDITION_CHANGE", Condition::kHasFocus},
        {u"NID_CONTAINS_FOCUS_CONDITION_CHANGE", Condition::kContainsFocus},
        {u"NID_HOVER_CONDITION_CHANGE", Condition::kHoverOrHighlighted},
        {u"NID_CAPTURE_CONDITION_CHANGE", Condition::kCapture},
        {u"NID_LEFT_DRAG_CONDITION_CHANGE", Condition::kLeftPending | Condition::kLeftDragging},
        {u"NID_MIDDLE_DRAG_CONDITION_CHANGE", Condition::kMiddlePending | Condition::kMiddleDragging},
        {u"NID_RIGHT_DRAG_CONDITION_CHANGE", Condition::kRightPending | Condition::kRightDragging},
        {u"NID_ENABLED_CONDITION_CHANGE", Condition::kEnabled},
        {u"NID_VISIBLITY_CONDITION_CHANGE", Condition::kVisible},
    };
    for (const auto& entry : kPerCondition) {
        if (changed & entry.bits)
            Send(*this, entry.name, param);
    }
    if (m_userMoveMode != kMoveOff && rose(Condition::kLeftDragging))
        BeginUserMove();
    // The hover follows the pointer to whatever now lies under it.
    if ((m_hover && (changed & Condition::kVisible) && !IsVisible(true) && !m_capture) ||
        (fell(Condition::kCapture) && !m_hover)) {
        if (RCPtr<LRootWindow> root = FindRootWindow()) {
            PointT<int32_t> local;
            root->HitTest(root->GetCursorPos(), local, true);
        }
    }
    if (changed & (Condition::kEnabled | Condition::kVisible)) {
        for (unsigned i = m_children.GetCount(); i-- > 0;) {
            if (i < m_children.GetCount())
                m_children.GetAt(i, kInsertionOrder)->PublishConditions();
        }
    }
}

bool LControl::IsVisible(bool includeAncestors) const
{
    for (const LControl* c = this; c; c = c->m_parent.Get()) {
        if (!c->m_layout || !c->m_layout->isVisible || !(c->m_rect.width > 0.0) || !(c->m_rect.height > 0.0))
            return false;
        if (!includeAncestors)
            break;
    }
    return true;
}

bool LControl::IsEnabled(bool includeAncestors) const
{
    for (const LControl* c = this; c; c = c->m_parent.Get()) {
        if (!c->m_layout || !c->m_layout->enabled)
            return false;
        if (!includeAncestors)
            break;
    }
    return true;
}

bool LControl::SetVisible(bool visible)
{
    if (m_layout && m_layout->isVisible != visible) {
        if (!visible)
            InvalidateWhole();
        RCPtr<LControl> self = Hold(this);
        m_layout->isVisible = visible;
        if (visible) {
            HandOverFocus(true);
            InvalidateWhole();
        } else {
            HandOverFocus(false);
        }
        PublishConditions();
    }
    return IsVisible(true);
}

void LControl::SetEnabled(bool enabled)
{
    if (!m_layout || m_layout->enabled == enabled)
        return;
    RCPtr<LControl> self = Hold(this);
    m_layout->enabled = enabled;
    HandOverFocus(enabled);
    PublishConditions();
    InvalidateWhole();
}

void LControl::SetHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    PublishConditions();
}

void LControl::ApplyConditions(const RCPtr<LConditionsParam>&) {}

} // namespace KX
