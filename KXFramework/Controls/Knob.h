#pragma once
// A rotary control that shows its value as one of a row of frame looks and turns by a linear drag
// (right or up increases, Ctrl for fine steps) or a radial one (the value follows the pointer's
// angle around the centre); arrow keys and the wheel step it by one range unit.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"

#include <cstdint>

namespace KX {

class LKnob : public LControl {
public:
    using LControl::LControl;

    double SetValue(double t) override;
    void OnValueChanged() override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;

    bool IsRadial() const { return m_radialMode; }
    int32_t GetLinearFullRange() const { return m_linearFullRange; }
    double GetFineAdjustMultiplier() const { return m_fineAdjustMultiplier; }
    unsigned GetFrameCount() const { return m_frameCount; }

protected:
    void OnPointerMoved(const RCPtr<LPointWithModifiersParam>& pointer) override;
    [[nodiscard]] KXRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>& wheel) override;
    [[nodiscard]] KXRESULT HandleMouseHWheel(const RCPtr<LMouseWheelParam>& wheel) override;

private:
    void RadialGesture(const PointT<int32_t>& p);
    void LinearGesture(const PointT<int32_t>& p);
    // Puts look k's bitmap on every frame (on) or removes it (off).
    void ApplyOverlay(int lookIndex, bool on);
    void StepBy(double units);

    bool m_radialMode = false;
    int32_t m_linearFullRange = 0;
    double m_startAngle = 0.0;
    double m_endAngle = 0.0;
    double m_fineAdjustMultiplier = 0.0;
    unsigned m_frameCount = 0;
    PointT<int32_t> m_lastPoint;
    PointT<int32_t> m_previousPoint;
    PointT<int32_t> m_centre;
    double m_pendingValue = -1.0;
    int32_t m_focusLookIndex = -1;
    int32_t m_disabledLookIndex = -1;
    bool m_keyHeld = false;
};

} // namespace KX
