#pragma once
// A level shown as a lit bar ("activeOverlay"), with an optional peak marker moving between the
// positions of "peakLo" and "peakHi" and an optional clip light ("clipButton") that can latch
// until clicked. The caller owns peak hold and decay; the meter shows what it is given.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlWithHandler.h"

#include <cstdint>

namespace KX {

class LLevelMeter : public LControlWithHandler<LControl, LLevelMeter> {
public:
    using LControlWithHandler::LControlWithHandler;

    void OnValueChanged() override;
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;

    [[nodiscard]] virtual KXRESULT SetLevels(double level, double peak);
    [[nodiscard]] virtual KXRESULT UpdateMeter(double level, double peak, int32_t clip);
    // E_FAIL without a clip light.
    [[nodiscard]] virtual KXRESULT EnableClipLatch(bool on);
    virtual bool IsClipLit() const;
    virtual int32_t GetClipCount() const { return m_clipCount; }
    virtual int32_t SetClipCount(int32_t count) { return m_clipCount = count; }

    KXRESULT BreakCycles() override;

    bool IsVertical() const { return m_vertical; }

private:
    [[nodiscard]] KXRESULT OnClipButtonClick(const RCPtr<LNotificationDistributor>& sender,
                                             const RCPtr<LNotification>& n);

    int32_t m_clipCount = 0;
    bool m_clipLatch = false;
    PointT<double> m_peakLoPos;
    PointT<double> m_peakHiPos;
    RCPtr<LControl> m_peakMarker;
    RCPtr<LControl> m_activeOverlay;
    RCPtr<LControl> m_clipButton;
    bool m_updating = false;
    bool m_vertical = false;
};

} // namespace KX
