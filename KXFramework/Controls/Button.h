#pragma once
// Push, toggle and radio button: 14 looks chosen from its on/off value and its input conditions,
// auto-repeat while held, and clicks simulated by the program (Enter, or NID_SIMULATE_CLICK).
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"

namespace KX {

class LButton : public LControlWithHandler<LControl, LButton> {
public:
    // Look indices; the "on" looks follow at kOnOffset.
    enum Look { kNormal = 0, kHover = 1, kPressed = 2, kFocusedOffset = 3, kDisabled = 6, kOnOffset = 7 };

    using LControlWithHandler::LControlWithHandler;

    void OnValueChanged() override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    void SetEnabled(bool enabled) override;
    bool ContainsPoint(const PointT<int32_t>& p) const override;
    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    void OnIdleTick() override;
    [[nodiscard]] KXRESULT Initialize() override;
    String GetToolTipText() const override;

    // S_OK, for the record only; callers may ignore it.
    virtual KXRESULT SetAutoValueSet(bool on);
    virtual KXRESULT SetRadio(bool on);
    // True when the button is on afterwards.
    virtual bool SetChecked(bool on);
    // Returns the look change, for the record only; callers may ignore it.
    virtual KXRESULT UpdateLook();
    virtual void SimulateClick();

    bool IsOn() const { return GetValue() >= 0.5; }
    bool IsRadio() const { return m_isRadio; }
    bool IsAutoValueSet() const { return m_autoValueSet; }
    bool IsSimulating() const { return m_simulating; }

    // Written directly by the controls that own buttons.
    bool autoRepeat = false;
    // The pointer never hits the button and the button never changes its own look.
    bool passive = false;
    bool keepPressedOutside = false;
    bool repeating = false;

protected:
    // A left click changes the value when the button sets its own: a check button toggles, a
    // radio button turns on.
    void HandleLeftClick(const RCPtr<LMouseButtonParam>& param) override;

private:
    [[nodiscard]] KXRESULT OnSimulateClick(const RCPtr<LNotificationDistributor>& sender,
                                           const RCPtr<LNotification>& n);
    void SendAutoRepeat();
    // The left click that ends a simulated click.
    void ClickNow();

    bool m_autoValueSet = false;
    bool m_isRadio = false;
    double m_repeatInterval = 0.1;
    double m_firstDelay = 0.3;
    double m_lastTick = 0.0;
    double m_countdown = 0.0;
    double m_simulatedHold = 0.15;
    double m_simulatedStart = 0.0;
    bool m_simulating = false;
};

} // namespace KX
