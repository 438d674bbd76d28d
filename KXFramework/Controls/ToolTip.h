#pragma once
// The pop-up hint: a hovered control makes it its child from the skin's "toolTip" entry; it shows
// near the pointer after a delay (at once when another tip was hidden just before), hides itself
// after a while, and leaves its parent when hidden.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlLinks.h"

#include <cstdint>

namespace KX {

class LToolTip : public LControl, public IToolTipLink {
public:
    static constexpr uint32_t kShowDelay = 500;
    static constexpr uint32_t kShowTime = 5000;
    // A tip that follows another one within this time shows without delay.
    static constexpr uint32_t kFollowTime = 50;

    enum State { kHidden = 0, kWaiting = 1, kShown = 2 };

    using LControl::LControl;

    bool IsTransparentAt(const PointT<double>& point) const override;
    void OnIdleTick() override;
    [[nodiscard]] KXRESULT ReadCreateParams() override;
    [[nodiscard]] KXRESULT PostInitialize() override;

    void Show();
    void Hide();
    // Places the tip 20 pixels below the pointer, inside the window.
    void Position();
    int GetState() const { return m_state; }

    using LControl::ShowToolTip;
    void ShowToolTip() override { Show(); }
    void HideToolTip() override { Hide(); }

    // The application clock when a shown tip was last hidden.
    static uint32_t GetLastHidden() { return s_lastHidden; }

private:
    void MakeShown(uint32_t now);

    int32_t m_state = kHidden;
    uint32_t m_since = 0;
    static uint32_t s_lastHidden;
};

} // namespace KX
