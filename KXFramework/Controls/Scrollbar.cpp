#include "KXFramework/Controls/Scrollbar.h"

#include "KXFramework/ControlBase/FrameworkClock.h"
#include "KXFramework/ControlBase/RootWindow.h"

#include <algorithm>
#include <cmath>

namespace KX {

namespace {

double Clamp01(double t)
{
    return t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
}

} // namespace

LScrollbar::LScrollbar(const RCPtr<LControl>& parent, const String& name) : LControlWithHandler(parent, name)
{
    LControl::SetRange(0.0, 100.0, 0);
}

KXRESULT LScrollbar::Initialize()
{
    if (Failed(LControl::Initialize()))
        return E_FAIL;
    m_channel = FindChild(u"channel");
    if (m_channel) {
        Bind(&LScrollbar::OnChannelLeftDrag, m_channel, u"NID_LEFT_DRAG_CONDITION_CHANGE");
        Bind(&LScrollbar::OnChannelHover, m_channel, u"NID_HOVER_CONDITION_CHANGE");
        m_thumb = RCPtr<LButton>(m_channel->FindChild(u"thumb"));
    }
    if (m_thumb) {
        Bind(&LScrollbar::OnThumbMouseMove, m_thumb, u"NID_MOUSE_MOVE");
        Bind(&LScrollbar::OnThumbLeftDrag, m_thumb, u"NID_LEFT_DRAG_CONDITION_CHANGE");
        m_thumb->keepPressedOutside = true;
    }
    RCPtr<LButton> dec(FindChild(u"dec"));
    RCPtr<LButton> inc(FindChild(u"inc"));
    for (LButton* arrow : {dec.Get(), inc.Get()}) {
        if (!arrow)
            continue;
        Bind(&LScrollbar::OnButtonAutoRepeat, RCPtr<LNotificationDistributor>(arrow), u"NID_BUTTON_AUTOREPEAT");
        arrow->autoRepeat = true;
        arrow->repeating = false;
    }
    CheckClientSizeChange();
    static_cast<void>(SetSiblingKeyMask(0xFF)); // a fixed valid mask
    return S_OK;
}

KXRESULT LScrollbar::PostInitialize()
{
    static_cast<void>(LControl::PostInitialize()); // the base part has nothing to refuse
    SetNotFocusable(true);
    for (const char16_t* name : {u"dec", u"inc", u"channel"}) {
        if (const RCPtr<LControl>& child = FindChild(name))
            child->SetNotFocusable(true);
    }
    if (m_channel && m_thumb) {
        m_thumb->SetNotFocusable(true);
        m_minThumbLength = m_vertical ? m_thumb->GetRect().width : m_thumb->GetRect().height;
    }
    CheckClientSizeChange();
    return S_OK;
}

double LScrollbar::SetValue(double t)
{
    if (m_draggingThumb) {
        m_pendingValue = t;
        return GetValue();
    }
    return SetValueDirect(t);
}

double LScrollbar::SetValueDirect(double t)
{
    const double v = LControl::SetValue(Clamp01(t));
    PlaceThumb();
    return v;
}

KXRESULT LScrollbar::SetRange(double minimum, double maximum, int32_t scaleType)
{
    const double ranged = NormalizedToValue(GetValue());
    const KXRESULT r = LControl::SetRange(minimum, maximum, scaleType);
    SetValue(ValueToNormalized(ranged));
    PlaceThumb();
    return r;
}

KXRESULT LScrollbar::SetSiblingKeyMask(int mask)
{
    m_siblingKeyMask = uint8_t(mask & 0xFF);
    if (m_siblingKeyMask && !m_siblingKeysBound && GetParent()) {
        m_siblingKeysBound = true;
        Bind(&LScrollbar::OnSiblingKey, GetParent(), u"NID_SIBLING_KEY");
    }
    return mask < 0 || mask > 0xFF ? E_INVALIDARG : S_OK;
}

void LScrollbar::UpdateOrientation()
{
    // The arrows' places decide; a bar not laid out yet (no size) has none to read.
    const RCPtr<LControl>& dec = FindChild(u"dec");
    const RCPtr<LControl>& inc = FindChild(u"inc");
    if (!dec || !inc || GetRect().width <= 0.0 || GetRect().height <= 0.0)
        return;
    const RectT<double>& d = dec->GetRect();
    const RectT<double>& i = inc->GetRect();
    m_vertical = (i.x - d.x) <= (i.y - d.y) ? 1 : 0;
}

void LScrollbar::CheckClientSizeChange()
{
    LControl::CheckClientSizeChange();
    UpdateOrientation();
    if (!m_thumb || !m_channel)
        return;
    const RectT<double> client = m_channel->GetClientRect();
    const PointT<double> origin = m_channel->GetPositionInParentClient();
    m_trackStart = 0.0;
    m_trackEnd = m_vertical ? client.height : client.width;
    m_channelOffset = m_vertical ? origin.y + client.y : origin.x + client.x;
    UpdateThumbLength();
}

void LScrollbar::UpdateThumbLength()
{
    if (!m_thumb)
        return;
    m_thumbLength = Round(std::max((m_trackEnd - m_trackStart) * m_thumbProportion, m_minThumbLength));
    m_thumb->EditPlacement(m_vertical ? 1 : 0, [this](PositionSpec&, SizeSpec& size) {
        size.referenceKind = SizeSpec::kSelf;
        size.relative = 0.0f;
        size.absolute = m_thumbLength;
    });
    PlaceThumb();
}

void LScrollbar::SetThumbPosition(double at)
{
    m_thumb->EditPlacement(m_vertical ? 1 : 0, [at](PositionSpec& position, SizeSpec&) {
        position.referenceKind = PositionSpec::kClient;
        position.relative = 0.0f;
        position.anchor = 0.0f;
        position.absolute = at;
    });
}

void LScrollbar::PlaceThumb()
{
    if (!m_thumb || m_draggingThumb)
        return;
    const double at = Round((m_trackEnd - m_trackStart - m_thumbLength) * GetValue() + m_trackStart);
    const RectT<double>& r = m_thumb->GetRect();
    if (at != (m_vertical ? r.y : r.x))
        SetThumbPosition(at);
}

int LScrollbar::SideOfThumb(double p) const
{
    if (!m_thumb)
        return 0;
    const RectT<double>& r = m_thumb->GetRect();
    const double thumbStart = m_channelOffset + (m_vertical ? r.y : r.x);
    const double thumbEnd = thumbStart + (m_vertical ? r.height : r.width);
    if (m_channelOffset + m_trackStart <= p && p <= thumbStart)
        return 1;
    if (thumbEnd <= p && p <= m_channelOffset + m_trackEnd)
        return 2;
    return 0;
}

bool LScrollbar::PointerOverChannel(PointT<double>& p) const
{
    if (!m_channel || !(m_channel->ComputeConditions() & Condition::kHover))
        return false;
    RCPtr<LRootWindow>* root = const_cast<LScrollbar*>(this)->GetRootWindowPtr();
    if (!root || !*root)
        return false;
    const PointT<int32_t> cursor = (*root)->GetCursorPos();
    const PointT<double> at = GetPositionInRoot();
    p = {cursor.x - at.x, cursor.y - at.y};
    return true;
}

void LScrollbar::UpdateHighlight()
{
    PointT<double> p;
    if (m_pagingDirection == 0 || !m_thumb || !m_channel || !PointerOverChannel(p) ||
        SideOfThumb(Axis(p)) != m_pagingDirection) {
        SetLookWeight(1, 0.0f, false);
        return;
    }
    const RectT<double>& thumb = m_thumb->GetRect();
    const RectT<double> channel = m_channel->GetRect();
    const double thumbStart = m_channelOffset + (m_vertical ? thumb.y : thumb.x);
    const double thumbEnd = thumbStart + (m_vertical ? thumb.height : thumb.width);
    const double from = m_pagingDirection == 1 ? m_channelOffset + m_trackStart : thumbEnd;
    const double to = m_pagingDirection == 1 ? thumbStart : m_channelOffset + m_trackEnd;
    const double acrossFrom = m_vertical ? channel.x : channel.y;
    const double acrossTo = acrossFrom + (m_vertical ? channel.width : channel.height);
    RectEdges edges;
    if (m_vertical)
        edges = {int32_t(Round(acrossFrom)), int32_t(Round(from)), int32_t(Round(acrossTo)), int32_t(Round(to))};
    else
        edges = {int32_t(Round(from)), int32_t(Round(acrossFrom)), int32_t(Round(to)), int32_t(Round(acrossTo))};
    LRectList region;
    region.AddRect(edges);
    SetLookWeight(1, 1.0f, false);
    SetLookRegion(1, region);
    SetLookRegionComplement(0, 1);
}

void LScrollbar::PageStep(int direction)
{
    SetValue(GetValue() + (direction == 1 ? -m_pageStep : m_pageStep));
}

KXRESULT LScrollbar::OnButtonAutoRepeat(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&)
{
    const auto* button = dynamic_cast<const LControl*>(sender.Get());
    if (button && button->GetName() == String(u"dec"))
        SetValue(GetValue() - m_lineStep);
    else if (button && button->GetName() == String(u"inc"))
        SetValue(GetValue() + m_lineStep);
    return S_FALSE;
}

KXRESULT LScrollbar::OnChannelLeftDrag(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    const auto* param = dynamic_cast<const LConditionsParam*>(n->GetPayload().Get());
    if (!param || !m_channel)
        return S_FALSE;
    const uint32_t before = param->previousMask;
    const uint32_t now = param->currentMask;
    if ((now & Condition::kLeftPending) && !(before & Condition::kLeftPending)) {
        const PointT<double> origin = m_channel->GetPositionInParentClient();
        const PointT<double> p{Round(param->point.x) + origin.x, Round(param->point.y) + origin.y};
        m_pagingDirection = SideOfThumb(Axis(p));
        if (m_pagingDirection != 0) {
            PageStep(m_pagingDirection);
            m_pageLastTick = FrameworkClock::Seconds();
            m_pageCountdown = m_pageFirstDelay;
            SubscribeIdle();
        }
    } else if (!(now & Condition::kCapture) && (before & Condition::kCapture) && m_pagingDirection != 0) {
        m_pagingDirection = 0;
        SetLookWeight(1, 0.0f, false);
        UnsubscribeIdle();
    }
    if (m_pagingDirection != 0)
        UpdateHighlight();
    return S_FALSE;
}

KXRESULT LScrollbar::OnChannelHover(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    const auto* param = dynamic_cast<const LConditionsParam*>(n->GetPayload().Get());
    if (param && (param->currentMask & Condition::kHoverOrHighlighted) &&
        !(param->previousMask & Condition::kHoverOrHighlighted)) {
        // Time spent outside the channel does not count.
        m_pageLastTick = FrameworkClock::Seconds();
        if (m_pagingDirection != 0)
            UpdateHighlight();
    }
    return S_FALSE;
}

void LScrollbar::OnIdleTick()
{
    LControl::OnIdleTick();
    PointT<double> p;
    if (m_pagingDirection == 0 || !PointerOverChannel(p) || SideOfThumb(Axis(p)) != m_pagingDirection)
        return;
    const double now = FrameworkClock::Seconds();
    m_pageCountdown -= now - m_pageLastTick;
    m_pageLastTick = now;
    if (m_pageCountdown <= 0.0) {
        m_pageCountdown = m_pageRepeatInterval;
        PageStep(m_pagingDirection);
        UpdateHighlight();
    }
}

KXRESULT LScrollbar::OnThumbLeftDrag(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    const auto* param = dynamic_cast<const LConditionsParam*>(n->GetPayload().Get());
    if (!param)
        return S_FALSE;
    const bool was = (param->previousMask & Condition::kLeftDragging) != 0;
    const bool is = (param->currentMask & Condition::kLeftDragging) != 0;
    if (is && !was) {
        m_draggingThumb = true;
        m_grabX = int32_t(Round(param->point.x));
        m_grabY = int32_t(Round(param->point.y));
        m_pendingValue = -1.0;
    } else if (!is && was) {
        m_draggingThumb = false;
        if (m_applyPendingAfterDrag && m_pendingValue >= 0.0 && m_pendingValue <= 1.0)
            SetValueDirect(m_pendingValue);
        m_pendingValue = -1.0;
    }
    return S_FALSE;
}

KXRESULT LScrollbar::OnThumbMouseMove(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    const auto* param = dynamic_cast<const LPointParam*>(n->GetPayload().Get());
    if (!param || !m_draggingThumb || !m_thumb)
        return S_OK;
    // The move keeps the grabbed point of the thumb under the pointer (both in thumb coordinates).
    const RectT<double>& r = m_thumb->GetRect();
    const double own = m_vertical ? r.y : r.x;
    const double pointer = m_vertical ? param->point.y : param->point.x;
    double at = own + pointer - (m_vertical ? m_grabY : m_grabX);
    at = std::min(at, m_trackEnd - m_thumbLength);
    at = std::max(at, m_trackStart);
    if (at != own) {
        SetThumbPosition(at);
        const double span = m_trackEnd - m_trackStart - m_thumbLength;
        LControl::SetValue(span > 0.0 ? Clamp01((at - m_trackStart) / span) : 0.0);
    }
    return S_OK;
}

KXRESULT LScrollbar::OnSiblingKey(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    auto* param = dynamic_cast<LSiblingKeyParam*>(n->GetPayload().Get());
    if (!param || !IsVisible(true))
        return S_OK;
    struct Rule {
        uint32_t virtualKey;
        uint8_t bit;
        int orientation; // 1 vertical, 0 horizontal, -1 either
        int kind;        // -1/+1 line, -2/+2 page, 0 home, 3 end
    };
    static const Rule kRules[] = {
        {VirtualKey::kUp, 0x01, 1, -1},   {VirtualKey::kDown, 0x02, 1, 1},    {VirtualKey::kLeft, 0x04, 0, -1},
        {VirtualKey::kRight, 0x08, 0, 1}, {VirtualKey::kPageUp, 0x10, 1, -2}, {VirtualKey::kPageDown, 0x20, 1, 2},
        {VirtualKey::kHome, 0x40, -1, 0}, {VirtualKey::kEnd, 0x80, -1, 3},
    };
    for (const Rule& rule : kRules) {
        if (param->key.key != KeyCode::Press(rule.virtualKey) || !(m_siblingKeyMask & rule.bit))
            continue;
        if (rule.orientation >= 0 && rule.orientation != m_vertical)
            return S_OK;
        double v = GetValue();
        switch (rule.kind) {
        case -1:
            v -= m_lineStep;
            break;
        case 1:
            v += m_lineStep;
            break;
        case -2:
            v -= m_pageStep;
            break;
        case 2:
            v += m_pageStep;
            break;
        case 0:
            v = 0.0;
            break;
        default:
            v = 1.0;
            break;
        }
        SetValue(v);
        param->consumed = 0;
        return S_OK;
    }
    return S_OK;
}

KXRESULT LScrollbar::BreakCycles()
{
    m_thumb = nullptr;
    m_channel = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
