#pragma once
// The scroll bar: children "dec" and "inc" (auto-repeating buttons), "channel" (the track) and the
// "thumb" button inside it. Its normalised value runs from the start (0) to the end (1); it steps
// by line and page, pages while the channel is held, follows the dragged thumb and takes arrow
// and page keys from its siblings.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Button.h"

#include <cstdint>

namespace KX {

class LScrollbar : public LControlWithHandler<LControl, LScrollbar>, public IScrollBarLink {
public:
    LScrollbar(const RCPtr<LControl>& parent, const String& name);

    double SetValue(double t) override;
    KXRESULT SetRange(double minimum, double maximum, int32_t scaleType) override;
    void CheckClientSizeChange() override;
    void OnIdleTick() override;
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;

    // SetValue without the dragging test.
    double SetValueDirect(double t);
    // Stores the low byte; E_INVALIDARG when the mask does not fit in a byte.
    [[nodiscard]] KXRESULT SetSiblingKeyMask(int mask);
    void UpdateThumbLength();
    void PlaceThumb();

    void SetSmallStep(double step) override { m_lineStep = step; }
    void SetLargeStep(double step) override { m_pageStep = step; }
    void SetThumbProportion(double proportion) override { m_thumbProportion = proportion; }
    void RelayoutThumb() override { UpdateThumbLength(); }

    bool IsVertical() const { return m_vertical != 0; }
    double GetThumbLength() const { return m_thumbLength; }
    double GetTrackLength() const { return m_trackEnd - m_trackStart; }
    int GetPagingDirection() const { return m_pagingDirection; }
    bool IsDraggingThumb() const { return m_draggingThumb; }
    const RCPtr<LButton>& GetThumb() const { return m_thumb; }

    KXRESULT BreakCycles() override;

private:
    [[nodiscard]] KXRESULT OnButtonAutoRepeat(const RCPtr<LNotificationDistributor>& sender,
                                              const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnChannelLeftDrag(const RCPtr<LNotificationDistributor>& sender,
                                             const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnChannelHover(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnThumbLeftDrag(const RCPtr<LNotificationDistributor>& sender,
                                           const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnThumbMouseMove(const RCPtr<LNotificationDistributor>& sender,
                                            const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnSiblingKey(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);

    // 1 before the thumb, 2 after it, 0 on it or outside the track; p along the axis, in the
    // bar's coordinates.
    int SideOfThumb(double p) const;
    void UpdateOrientation();
    double Axis(const PointT<double>& p) const { return m_vertical ? p.y : p.x; }
    // The pointer over the channel, in the bar's coordinates; false when it is elsewhere.
    bool PointerOverChannel(PointT<double>& p) const;
    void UpdateHighlight();
    void SetThumbPosition(double position);
    void PageStep(int direction);

    int32_t m_vertical = 1;
    RCPtr<LButton> m_thumb;
    RCPtr<LControl> m_channel;
    double m_lineStep = 0.02;
    double m_pageStep = 0.2;
    double m_thumbProportion = 0.1;
    double m_minThumbLength = 10.0;
    double m_thumbLength = 0.0;
    double m_trackStart = 0.0;
    double m_trackEnd = 0.0;
    double m_channelOffset = 0.0;
    bool m_draggingThumb = false;
    int32_t m_grabX = 0;
    int32_t m_grabY = 0;
    int32_t m_pagingDirection = 0;
    double m_pageRepeatInterval = 0.2;
    double m_pageFirstDelay = 0.4;
    double m_pageLastTick = 0.0;
    double m_pageCountdown = 0.0;
    double m_pendingValue = -1.0;
    bool m_applyPendingAfterDrag = true;
    uint8_t m_siblingKeyMask = 0;
    bool m_siblingKeysBound = false;
};

} // namespace KX
