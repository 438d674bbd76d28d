#include "KXFramework/Controls/LevelMeter.h"

namespace KX {

namespace {

// The placement of one axis with its size taken from the control itself.
void SetSizeOnAxis(LControl& control, int axis, double size)
{
    control.EditPlacement(axis, [size](PositionSpec&, SizeSpec& spec) {
        spec.referenceKind = SizeSpec::kSelf;
        spec.absolute = size;
    });
}

void SetPositionOnAxis(LControl& control, int axis, double offset)
{
    control.EditPlacement(axis, [offset](PositionSpec& position, SizeSpec&) { position.absolute = offset; });
}

} // namespace

KXRESULT LLevelMeter::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    m_peakMarker = FindChild(u"peakLo");
    m_activeOverlay = FindChild(u"activeOverlay");
    m_clipButton = FindChild(u"clipButton");
    if (m_peakMarker)
        m_peakMarker->SetUsesParentToolTip(true);
    if (m_activeOverlay)
        m_activeOverlay->SetUsesParentToolTip(true);
    return r;
}

KXRESULT LLevelMeter::PostInitialize()
{
    static_cast<void>(LControl::PostInitialize()); // the base part has nothing to refuse
    m_vertical = GetRect().height > GetRect().width;
    if (m_peakMarker) {
        m_peakMarker->SetVisible(false);
        m_peakMarker->SetNotFocusable(true);
        m_peakLoPos = {m_peakMarker->GetRect().x, m_peakMarker->GetRect().y};
        if (const RCPtr<LControl>& hi = FindChild(u"peakHi")) {
            hi->SetVisible(false);
            hi->SetNotFocusable(true);
            m_peakHiPos = {hi->GetRect().x, hi->GetRect().y};
        } else {
            m_peakMarker = nullptr;
        }
    }
    if (m_activeOverlay) {
        m_activeOverlay->SetVisible(false);
        m_activeOverlay->SetNotFocusable(true);
    }
    if (m_clipButton)
        m_clipButton->SetNotFocusable(true);
    SetNotFocusable(true);
    OnValueChanged();
    return S_OK;
}

void LLevelMeter::OnValueChanged()
{
    if (!m_updating)
        UpdateMeter(GetValue(), 0.0, m_clipCount);
}

KXRESULT LLevelMeter::SetLevels(double level, double peak)
{
    return UpdateMeter(level, peak, m_clipCount);
}

KXRESULT LLevelMeter::UpdateMeter(double level, double peak, int32_t clip)
{
    RCPtr<LControl> self(this);
    if (m_clipButton) {
        if (clip != m_clipCount)
            m_clipButton->SetValue(1.0);
        else if (!m_clipLatch)
            m_clipButton->SetValue(0.0);
    }
    m_clipCount = clip;
    m_updating = true;
    SetValue(level);
    m_updating = false;

    const int axis = m_vertical ? 1 : 0;
    if (m_activeOverlay) {
        const double t = m_vertical ? 1.0 - level : level;
        const double n = Round((m_vertical ? GetRect().height : GetRect().width) * t);
        if (n < 1.0) {
            m_activeOverlay->SetVisible(false);
        } else {
            m_activeOverlay->SetVisible(true);
            SetSizeOnAxis(*m_activeOverlay, axis, n);
        }
    }
    if (m_peakMarker) {
        const double span = m_vertical ? m_peakHiPos.y - m_peakLoPos.y : m_peakHiPos.x - m_peakLoPos.x;
        const double d = Round(span * peak);
        if (d == 0.0) {
            m_peakMarker->SetVisible(false);
        } else {
            m_peakMarker->SetVisible(true);
            SetPositionOnAxis(*m_peakMarker, axis, d);
        }
    }
    return S_OK;
}

KXRESULT LLevelMeter::EnableClipLatch(bool on)
{
    if (!m_clipButton)
        return E_FAIL;
    m_clipButton->SetValue(0.0);
    if (on == m_clipLatch)
        return S_OK;
    m_clipLatch = on;
    if (on)
        Bind(&LLevelMeter::OnClipButtonClick, m_clipButton, u"NID_LEFT_CLICK");
    else
        UnregisterForNotification(m_clipButton, u"NID_LEFT_CLICK");
    return S_OK;
}

bool LLevelMeter::IsClipLit() const
{
    return m_clipButton && m_clipButton->GetValue() >= 0.5;
}

KXRESULT LLevelMeter::OnClipButtonClick(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (IsClipLit()) {
        m_clipButton->SetValue(0.0);
        RCPtr<LNotification> n;
        if (Succeeded(LNotification::Create(n, u"NID_CLIPLIGHT_UNLATCHED", RCPtr<LRefCountedObject>())))
            SendNotification(n);
    }
    return S_FALSE;
}

KXRESULT LLevelMeter::BreakCycles()
{
    m_peakMarker = nullptr;
    m_activeOverlay = nullptr;
    m_clipButton = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
