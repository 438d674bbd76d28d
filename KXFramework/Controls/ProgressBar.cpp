#include "KXFramework/Controls/ProgressBar.h"

#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkClock.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/Controls/Label.h"

namespace KX {

KXRESULT LProgressBar::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    m_activeOverlay = FindChild(u"activeOverlay");
    m_timeRemainingLabel = RCPtr<LLabel>(FindChild(u"timeRemainingLabel"));
    if (m_timeRemainingLabel)
        m_timeRemainingLabel->SetVisible(false);
    m_percentCompleteLabel = RCPtr<LLabel>(FindChild(u"percentCompleteLabel"));
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LStringTable> table;
    if (RCPtr<LControlFactory> factory = services ? services->GetControlFactory() : nullptr)
        factory->GetFrameworkStringTable(table);
    if (table) {
        table->GetString(u"HOURS_SINGULAR", m_hoursSingular);
        table->GetString(u"HOURS_PLURAL", m_hoursPlural);
        table->GetString(u"MINUTES_SINGULAR", m_minutesSingular);
        table->GetString(u"MINUTES_PLURAL", m_minutesPlural);
        table->GetString(u"SECONDS_SINGULAR", m_secondsSingular);
        table->GetString(u"SECONDS_PLURAL", m_secondsPlural);
        table->GetString(u"REMAINING", m_remaining);
    }
    SetValue(0.0);
    SetRange(0.0, 100.0, 0);
    return r;
}

KXRESULT LProgressBar::PostInitialize()
{
    static_cast<void>(LControl::PostInitialize()); // the base part has nothing to refuse
    SetNotFocusable(true);
    OnValueChanged();
    return S_OK;
}

void LProgressBar::OnValueChanged()
{
    RCPtr<LControl> self(this);
    const double percent = GetValue() * 100.0;
    if (m_activeOverlay) {
        const double n = Round(GetRect().width * percent / 100.0);
        if (n < 1.0) {
            m_activeOverlay->SetVisible(false);
        } else if (m_activeOverlay->GetLayoutDescriptor()) {
            m_activeOverlay->SetVisible(true);
            m_activeOverlay->EditPlacement(0, [n](PositionSpec&, SizeSpec& size) {
                size.referenceKind = SizeSpec::kSelf;
                size.absolute = n;
            });
        }
    }
    if (m_percentCompleteLabel)
        m_percentCompleteLabel->SetText(String::Format(u"%.0f", percent));
    if (!m_estimating)
        return;
    const double now = FrameworkClock::Seconds(), v = GetValue();
    if (v - m_lastValue > 0.0 && now - m_lastTime > 0.0) {
        // Time since the start is above 0 here, as the clock never runs back; a rate of 0 or
        // below (no progress since the start) gives no estimate.
        const double rate = (v - m_startValue) / (now - m_startTime);
        if (now - m_lastTime > 1.0) {
            m_lastValue = v;
            m_lastTime = now;
        }
        const double seconds = rate > 0.0 ? Round((1.0 - v) / rate) : -1.0;
        if (seconds >= 0.0 && seconds <= 2147483647.0)
            UpdateTimeRemaining(int32_t(seconds));
    }
    if (v >= 1.0)
        m_estimating = false;
}

void LProgressBar::SetTimeEstimation(bool on)
{
    if (on == m_estimating)
        return;
    m_estimating = on;
    if (on) {
        m_startTime = m_lastTime = FrameworkClock::Seconds();
        m_startValue = m_lastValue = GetValue();
    }
}

void LProgressBar::UpdateTimeRemaining(int32_t s)
{
    if (!m_timeRemainingLabel)
        return;
    m_timeRemainingLabel->SetVisible(true);
    String text;
    if (s <= 0) {
        text = String(u"0 ") + m_secondsPlural + u" " + m_remaining;
    } else {
        const int32_t h = s >= 3600 ? s / 3600 : 0;
        const int32_t m = s >= 60 ? (s % 3600) / 60 : 0;
        const int32_t r = (s % 3600) % 60;
        if (h >= 1) {
            text += String::Format(u"%d ", h) + (h == 1 ? m_hoursSingular : m_hoursPlural) + u" ";
            if (m == 0)
                text += String(u"0 ") + m_minutesPlural + u" ";
        }
        if (m >= 1)
            text += String::Format(u"%d ", m) + (m == 1 ? m_minutesSingular : m_minutesPlural) + u" ";
        text += String::Format(u"%d ", r) + (r == 1 ? m_secondsSingular : m_secondsPlural) + u" " + m_remaining;
    }
    m_timeRemainingLabel->SetText(text);
}

KXRESULT LProgressBar::BreakCycles()
{
    m_activeOverlay = nullptr;
    m_timeRemainingLabel = nullptr;
    m_percentCompleteLabel = nullptr;
    return LControl::BreakCycles();
}

} // namespace KX
