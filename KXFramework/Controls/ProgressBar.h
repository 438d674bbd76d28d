#pragma once
// Progress from 0 to 100 percent as a growing overlay and a percentage label, with an optional
// estimate of the time remaining worded from the framework's string table.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"

#include <cstdint>

namespace KX {

class LLabel;

class LProgressBar : public LControl {
public:
    using LControl::LControl;

    void OnValueChanged() override;
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;

    virtual void UpdateTimeRemaining(int32_t seconds);
    virtual void SetTimeEstimation(bool on);

    KXRESULT BreakCycles() override;

    bool IsEstimating() const { return m_estimating; }

private:
    RCPtr<LControl> m_activeOverlay;
    RCPtr<LLabel> m_timeRemainingLabel;
    RCPtr<LLabel> m_percentCompleteLabel;
    String m_hoursSingular, m_hoursPlural, m_minutesSingular, m_minutesPlural, m_secondsSingular, m_secondsPlural,
        m_remaining;
    double m_startTime = 0.0;
    double m_startValue = 0.0;
    double m_lastTime = 0.0;
    double m_lastValue = 0.0;
    bool m_estimating = false;
};

} // namespace KX
