#include "KXFramework/Controls/ScrollView.h"

#include "KXFramework/ControlBase/RootWindow.h"

#include <algorithm>
#include <cmath>

namespace KX {

namespace {

constexpr double kUnbounded = 4503599627370496.0;
constexpr double kExtentTolerance = 2.220446049250313e-15;

void Send(LControl& sender, const char16_t* name)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, nullptr)))
        sender.SendNotification(n);
}

bool DockedOn(const LControl& c, int axis)
{
    const RCPtr<LLayoutDescriptor>& layout = c.GetLayoutDescriptor();
    return layout && layout->position[axis].docked;
}

// The largest right and bottom edges, in whole pixels from 0, of the children not docked on
// that axis.
PointT<double> ChildrenExtent(const LControl& view)
{
    PointT<double> extent;
    const LControl::ChildControlList& children = view.GetChildren();
    for (unsigned i = 0; i < children.GetCount(); ++i) {
        const LControl& child = *children.GetAt(i, LControl::kInsertionOrder);
        const RectT<int32_t> r = child.GetRect().Round();
        if (!DockedOn(child, 0))
            extent.x = std::max(extent.x, double(int64_t(r.x) + r.width));
        if (!DockedOn(child, 1))
            extent.y = std::max(extent.y, double(int64_t(r.y) + r.height));
    }
    return extent;
}

} // namespace

LScrollView::LScrollView(const RCPtr<LControl>& parent, const String& name) : LControlWithHandler(parent, name) {}

LScrollView::~LScrollView() = default;

KXRESULT LScrollView::BreakCycles()
{
    m_hBar = m_vBar = m_corner = nullptr;
    return LControlWithHandler::BreakCycles();
}

KXRESULT LScrollView::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    if (Failed(r))
        return r;
    m_corner = FindChild(u"corner");
    for (int axis = 0; axis < 2; ++axis) {
        const RCPtr<LControl>& bar = FindChild(axis == 0 ? u"hBar" : u"vBar");
        (axis == 0 ? m_hBar : m_vBar) = dynamic_cast<IScrollBarLink*>(bar.Get()) ? bar : RCPtr<LControl>();
    }
    WireBars();
    return S_OK;
}

KXRESULT LScrollView::ReadCreateParams()
{
    const KXRESULT r = LControl::ReadCreateParams();
    const LStringTable* params = GetDescriptor() ? GetDescriptor()->GetCreateParams().Get() : nullptr;
    if (!params)
        return r;
    auto isTrue = [params](const char16_t* key) {
        String text;
        return params->GetString(key, text) && text.Trim(u" \t\r\n").ToLower() == String(u"true");
    };
    SetAutoClientExtent((isTrue(u"AUTO_CLIENT_EXTENT_X") ? 1 : 0) | (isTrue(u"AUTO_CLIENT_EXTENT_Y") ? 2 : 0), 0, 0);
    return r;
}

KXRESULT LScrollView::ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    if (!IsCreated())
        return LControl::ApplyDescriptor(descriptor);
    const int32_t mode = m_autoExtentMode;
    m_autoExtentMode = 0;
    const KXRESULT r = LControl::ApplyDescriptor(descriptor);
    WireBars();
    m_autoExtentMode = mode;
    ApplyAutoExtent();
    LayoutScrollBars();
    CheckClientSizeChange();
    return r;
}

void LScrollView::WireBars()
{
    // The bars and their corner frame the view rather than belong to its content: they keep their
    // place while it scrolls, however the skin placed them.
    for (const RCPtr<LControl>* frame : {&m_hBar, &m_vBar, &m_corner}) {
        for (int axis = 0; axis < 2; ++axis) {
            if (*frame && !DockedOn(**frame, axis))
                (*frame)->EditPlacement(axis, [](PositionSpec& position, SizeSpec&) { position.docked = true; });
        }
    }
    m_barThickness = {};
    if (m_corner && m_corner->GetLayoutDescriptor()) {
        const LLayoutDescriptor& layout = *m_corner->GetLayoutDescriptor();
        m_barThickness = {layout.size[0].absolute, layout.size[1].absolute};
    }
    if (!IsCreated()) {
        for (const RCPtr<LControl>* bar : {&m_hBar, &m_vBar}) {
            if (*bar)
                Bind(&LScrollView::OnBarMoved, *bar, u"NID_VALUE_CHANGE");
        }
    }
    if (m_barThickness.y == 0.0 && m_hBar)
        m_barThickness.y = m_hBar->GetRect().height;
    if (m_barThickness.x == 0.0 && m_vBar)
        m_barThickness.x = m_vBar->GetRect().width;
    LayoutScrollBars();
}

bool LScrollView::IsShown(const RCPtr<LControl>& bar)
{
    return bar && bar->GetLayoutDescriptor() && bar->GetLayoutDescriptor()->isVisible && bar->GetRect().width > 0.0 &&
           bar->GetRect().height > 0.0;
}

KXRESULT LScrollView::SetAutoClientExtent(int32_t mode, int32_t marginX, int32_t marginY)
{
    m_autoExtentMode = mode;
    m_autoExtentMargin[0] = marginX;
    m_autoExtentMargin[1] = marginY;
    ApplyAutoExtent();
    return S_OK;
}

void LScrollView::ApplyAutoExtent()
{
    if (m_autoExtentMode == 0)
        return;
    const PointT<double> bounds = ChildrenExtent(*this);
    PointT<double> extent{std::clamp(bounds.x + m_autoExtentMargin[0], -kUnbounded, kUnbounded),
                          std::clamp(bounds.y + m_autoExtentMargin[1], -kUnbounded, kUnbounded)};
    if (m_autoExtentMode == 1)
        extent.y = m_extent.y;
    else if (m_autoExtentMode == 2)
        extent.x = m_extent.x;
    SetClientExtent(extent.x, extent.y);
}

KXRESULT LScrollView::SetClientExtent(double width, double height)
{
    if (std::fabs(width - m_extent.x) <= kExtentTolerance && std::fabs(height - m_extent.y) <= kExtentTolerance)
        return S_FALSE;
    RCPtr<LControl> self(this);
    m_extent = {width, height};
    OnClientExtentChanged();
    Send(*this, u"NID_CLIENT_EXTENT_CHANGE");
    return S_OK;
}

void LScrollView::OnClientExtentChanged()
{
    LayoutScrollBars();
    if (IsVisible(true))
        LControl::CheckClientSizeChange();
}

PointT<double> LScrollView::GetScrollBarSize() const
{
    if (m_corner)
        return {m_corner->GetRect().width, m_corner->GetRect().height};
    return {m_vBar ? m_vBar->GetRect().width : 0.0, m_hBar ? m_hBar->GetRect().height : 0.0};
}

void LScrollView::SetLineMode(int axis, int32_t lineMode, int32_t lineSize)
{
    if (axis < 0 || axis > 1)
        return;
    m_lineMode[axis] = lineMode;
    m_lineSize[axis] = lineSize;
    UpdateScrollBars();
}

void LScrollView::CheckClientSizeChange()
{
    // Child changes during the check wait for its own extent and bar layout at the end.
    m_clientSizing = true;
    LControl::CheckClientSizeChange();
    m_clientSizing = false;
    ApplyAutoExtent();
    LayoutScrollBars();
}

RectT<double> LScrollView::GetClientExtentRect() const
{
    const RectT<double> client = GetClientRect();
    double width = client.width - (IsShown(m_vBar) ? m_barThickness.x : 0.0);
    double height = client.height - (IsShown(m_hBar) ? m_barThickness.y : 0.0);
    return {0.0, 0.0, std::max(width, 0.0), std::max(height, 0.0)};
}

void LScrollView::GetSizeLimits(PointT<double>& minimum, PointT<double>& maximum) const
{
    const RectT<double> visible = GetClientExtentRect();
    minimum = {0.0, 0.0};
    maximum = {m_extent.x <= 0.0 ? kUnbounded : std::max(0.0, m_extent.x - visible.width),
               m_extent.y <= 0.0 ? kUnbounded : std::max(0.0, m_extent.y - visible.height)};
}

KXRESULT LScrollView::LayoutScrollBars()
{
    if (m_layingOut)
        return S_FALSE;
    RCPtr<LControl> self(this);
    m_layingOut = true;
    const bool vWas = m_corner ? m_corner->GetRect().width > 0.0 : (m_vBar && m_vBar->GetRect().width > 0.0);
    const bool hWas = m_corner ? m_corner->GetRect().height > 0.0 : (m_hBar && m_hBar->GetRect().height > 0.0);
    const RectT<double> before = GetClientExtentRect();
    const double fullWidth = before.width + (vWas ? m_barThickness.x : 0.0);
    const double fullHeight = before.height + (hWas ? m_barThickness.y : 0.0);
    ApplyAutoExtent();
    bool needV = m_extent.y > fullHeight;
    const bool needH = m_extent.x > fullWidth - (needV ? m_barThickness.x : 0.0);
    if (needH && !needV)
        needV = m_extent.y > fullHeight - m_barThickness.y;
    ShowBar(1, needV);
    ShowBar(0, needH);
    UpdateScrollBars();
    const bool vNow = m_corner ? m_corner->GetRect().width > 0.0 : (m_vBar && m_vBar->GetRect().width > 0.0);
    const bool hNow = m_corner ? m_corner->GetRect().height > 0.0 : (m_hBar && m_hBar->GetRect().height > 0.0);
    if (vNow != vWas)
        OnScrollBarShown(1);
    if (hNow != hWas)
        OnScrollBarShown(0);
    if (!(GetClientExtentRect() == before))
        OnClientRectChanged();
    ApplyAutoExtent();
    m_layingOut = false;
    return S_OK;
}

void LScrollView::ShowBar(int axis, bool show)
{
    const RCPtr<LControl>& bar = Bar(axis);
    if (!bar)
        return;
    // The vertical bar is sized across by X, the horizontal one by Y.
    const int across = axis == 0 ? 1 : 0;
    const RCPtr<LControl>& sized = m_corner ? m_corner : bar;
    const double size = across == 0 ? sized->GetRect().width : sized->GetRect().height;
    if ((size > 0.0) == show || !sized->GetLayoutDescriptor())
        return;
    const double thickness = show ? (across == 0 ? m_barThickness.x : m_barThickness.y) : 0.0;
    sized->EditPlacement(across, [thickness](PositionSpec&, SizeSpec& extent) {
        extent.referenceKind = SizeSpec::kSelf;
        extent.referenceName = String();
        extent.relative = 0.0f;
        extent.absolute = thickness;
    });
}

void LScrollView::UpdateScrollBars()
{
    UpdateBar(0);
    UpdateBar(1);
}

void LScrollView::UpdateBar(int axis)
{
    const RCPtr<LControl>& bar = Bar(axis);
    auto* link = dynamic_cast<IScrollBarLink*>(bar.Get());
    if (!link || !bar->GetParent())
        return;
    const RectT<double> client = GetClientExtentRect();
    const double visible = axis == 0 ? client.width : client.height;
    const double extent = axis == 0 ? m_extent.x : m_extent.y;
    if (!InLineMode(axis)) {
        float thumb = 1.0f;
        float page = 1.0f;
        if (visible < extent) {
            thumb = float(visible / extent);
            page = float(std::clamp(visible / (extent - visible), 0.0, 1.0));
        }
        bar->SetRange(0.0, extent - visible, 0);
        link->SetThumbProportion(thumb);
        m_barSteps[axis][0] = double(page) / 10.0;
        m_barSteps[axis][1] = page;
        link->SetLargeStep(m_barSteps[axis][1]);
        link->SetSmallStep(m_barSteps[axis][0]);
        link->RelayoutThumb();
        const double offset = std::max(0.0, Round((extent - visible) * bar->GetValue()));
        PointT<double> current = GetScrollOffset();
        double& value = axis == 0 ? current.x : current.y;
        if (offset != value) {
            value = offset;
            SetScrollOffset(current);
        }
        return;
    }
    const double lineSize = m_lineSize[axis];
    const double lines = std::trunc(extent / lineSize);
    const double visibleLines = std::trunc(visible / lineSize);
    const double small = visibleLines < lines ? 1.0 / (lines - visibleLines) : 1.0;
    m_barSteps[axis][0] = small;
    m_barSteps[axis][1] = std::min(visibleLines * small, 1.0);
    link->SetSmallStep(m_barSteps[axis][0]);
    link->SetLargeStep(m_barSteps[axis][1]);
    link->SetThumbProportion(visibleLines < lines ? visibleLines / lines : 1.0);
    link->RelayoutThumb();
    const double line = bar->NormalizedToValue(bar->GetValue());
    const double maximum = std::max(0.0, lines - visibleLines);
    bar->SetRange(0.0, maximum, 0);
    bar->SetValue(bar->ValueToNormalized(std::min(line, maximum)));
}

KXRESULT LScrollView::OnBarMoved(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&)
{
    PointT<double> offset = GetScrollOffset();
    for (int axis = 0; axis < 2; ++axis) {
        const RCPtr<LControl>& bar = Bar(axis);
        if (!bar || static_cast<LNotificationDistributor*>(bar.Get()) != sender.Get())
            continue;
        const double value = bar->NormalizedToValue(bar->GetValue());
        (axis == 0 ? offset.x : offset.y) = InLineMode(axis) ? std::trunc(value) * m_lineSize[axis] : Round(value);
    }
    SetScrollOffset(offset);
    return S_FALSE;
}

void LScrollView::ScrollContents(const PointT<double>& oldOffset, const PointT<double>& newOffset)
{
    const RectT<double> client = GetClientExtentRect();
    const double offset[2] = {newOffset.x, newOffset.y};
    const double range[2] = {std::max(0.0, m_extent.x - client.width), std::max(0.0, m_extent.y - client.height)};
    for (int axis = 0; axis < 2; ++axis) {
        const RCPtr<LControl>& bar = Bar(axis);
        if (!bar)
            continue;
        const double value = range[axis] == 0.0 ? 0.0 : offset[axis] / range[axis];
        Handler::Member member;
        unsigned flags = 0;
        if (!GetHandler() || Failed(GetHandler()->FindBinding(bar, u"NID_VALUE_CHANGE", member, flags))) {
            bar->SetValue(value);
            continue;
        }
        // The bar follows the offset without echoing it back.
        CAutoNotificationDisabler<LScrollView> quiet(GetHandler(), bar, u"NID_VALUE_CHANGE");
        bar->SetValue(value);
    }
    LControl::ScrollContents(oldOffset, newOffset);
}

void LScrollView::SetScrollOffset(const PointT<double>& offset)
{
    m_settingOffset = true;
    LControl::SetScrollOffset(offset);
    m_settingOffset = false;
}

void LScrollView::InvalidateChildArea(const RCPtr<LControl>& child)
{
    if (m_layingOut || m_settingOffset || m_clientSizing || !child)
        return;
    if (DockedOn(*child, 0) && DockedOn(*child, 1))
        LayoutScrollBars();
    else
        ApplyAutoExtent();
}

PointT<double> LScrollView::GetAbsoluteMaxSize() const
{
    if (!GetLayoutDescriptor())
        return {};
    const PointT<double> children = ChildrenExtent(*this);
    PointT<double> size;
    for (int axis = 0; axis < 2; ++axis) {
        const SizeLimitSpec& spec = GetLayoutDescriptor()->maxSize[axis];
        (axis == 0 ? size.x : size.y) = !spec.hasReference ? spec.absolute
                                        : spec.referenceName == String(u"Children")
                                            ? (axis == 0 ? children.x : children.y)
                                            : 0.0;
    }
    return size;
}

void LScrollView::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LControl::ApplyConditions(param);
    const uint32_t rose = param ? param->currentMask & ~param->previousMask : 0;
    if (m_dragToScroll != 0 && (rose & Condition::kLeftDragging))
        SetUserMoveMode(kDragScroll, kMoveX);
}

void LScrollView::RefreshIdleSubscription()
{
    LControl::RefreshIdleSubscription();
    RCPtr<LControl> top;
    GetTopLevelControl(top);
    if (top && *top->GetRootWindowPtr())
        ApplyAutoExtent();
}

RectT<double> LScrollView::GetVisibleClientRect() const
{
    const RCPtr<LLook>& look = GetCurrentLook(-1);
    const RectT<double> client = look ? look->GetClientRect().ToDouble() : GetRect();
    const double width = std::max(client.width, m_minimumVisible.x);
    const double height = std::max(client.height, m_minimumVisible.y);
    RectT<double> r{std::max(0.0, GetScrollOffset().x - (width - client.width) / 2.0),
                    std::max(0.0, GetScrollOffset().y - (height - client.height) / 2.0), width, height};
    RectT<double> bounds;
    // Without a counting child no limit applies.
    if (GetChildrenBounds(bounds)) {
        r.width = std::min(r.width, bounds.x + bounds.width);
        r.height = std::min(r.height, bounds.y + bounds.height);
    }
    r.width = std::max(r.width, 1.0);
    r.height = std::max(r.height, 1.0);
    return r;
}

void LScrollView::StepBar(int axis, bool large, bool forward)
{
    const RCPtr<LControl>& bar = Bar(axis);
    const double step = m_barSteps[axis][large ? 1 : 0];
    bar->SetValue(bar->GetValue() + (forward ? step : -step));
}

KXRESULT LScrollView::HandleMouseWheel(const RCPtr<LMouseWheelParam>& wheel)
{
    const bool hShown = IsShown(m_hBar);
    const bool vShown = IsShown(m_vBar);
    if (!wheel || (!hShown && !vShown))
        return S_FALSE;
    const bool horizontal = !vShown || (wheel->modifiers & KeyCode::kAltFlag);
    StepBar(horizontal ? 0 : 1, (wheel->modifiers & KeyCode::kShiftFlag) != 0, wheel->direction == 0);
    return S_OK;
}

KXRESULT LScrollView::HandleMouseHWheel(const RCPtr<LMouseWheelParam>& wheel)
{
    const bool hShown = IsShown(m_hBar);
    if (!wheel || (!hShown && !IsShown(m_vBar)))
        return S_FALSE;
    // Tilting right (3) scrolls right.
    StepBar(hShown ? 0 : 1, (wheel->modifiers & KeyCode::kShiftFlag) != 0, wheel->direction == 3);
    return S_OK;
}

} // namespace KX
