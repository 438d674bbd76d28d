#pragma once
// A slider with two range-bounds panels ("lowRangeBounds", "highRangeBounds") placed at the
// thumb's centre, so that the skin can fill the track from the centre to the thumb.
// Thread: UI thread only.
#include "KXFramework/Controls/Slider.h"

namespace KX {

class LCenteredSlider : public LSlider {
public:
    using LSlider::LSlider;

    // E_FAIL without a thumb (a skin without "thumbStart"): the bounds then stay where they are.
    [[nodiscard]] KXRESULT Initialize() override;
    // Every thumb move, the drag's included, comes through here.
    double ApplyValue(double normalised) override;
    virtual void SetBoundsPosFromThumbPos();
    KXRESULT BreakCycles() override;

private:
    RCPtr<LControl> m_lowBounds;
    RCPtr<LControl> m_highBounds;
};

} // namespace KX
