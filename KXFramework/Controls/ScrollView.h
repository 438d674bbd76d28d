#pragma once
// A control whose client area shows a larger virtual area, the client extent, through its scroll
// offset. The optional children "hBar" and "vBar" (scroll bars) move the offset and follow it,
// "corner" sizes them, the wheel moves the bars, and the extent can follow the children.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/ControlBase/ControlWithHandler.h"

#include <cstdint>

namespace KX {

class LScrollView : public LControlWithHandler<LControl, LScrollView> {
public:
    LScrollView(const RCPtr<LControl>& parent, const String& name);
    ~LScrollView() override;

    void CheckClientSizeChange() override;
    void ScrollContents(const PointT<double>& oldOffset, const PointT<double>& newOffset) override;
    void InvalidateChildArea(const RCPtr<LControl>& child) override;
    PointT<double> GetAbsoluteMaxSize() const override;
    void SetScrollOffset(const PointT<double>& offset) override;
    void GetSizeLimits(PointT<double>& minimum, PointT<double>& maximum) const override;
    // The visible client area: the client part less the shown bars.
    RectT<double> GetClientExtentRect() const override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    void RefreshIdleSubscription() override;
    [[nodiscard]] KXRESULT ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT ReadCreateParams() override;
    RectT<double> GetVisibleClientRect() const override;
    KXRESULT BreakCycles() override;

    virtual void OnClientExtentChanged();
    virtual void OnClientRectChanged() {}
    // 0 horizontal, 1 vertical.
    virtual void OnScrollBarShown(int) {}

    // Mode 0 off, 1 width, 2 height, 3 both; the margins are added to the children's bounds. S_OK,
    // for the record only; callers may ignore it.
    KXRESULT SetAutoClientExtent(int32_t mode, int32_t marginX, int32_t marginY);
    // 1 when unchanged, else 0, for the record only; callers may ignore it.
    KXRESULT SetClientExtent(double width, double height);
    const PointT<double>& GetClientExtent() const { return m_extent; }
    PointT<double> GetScrollBarSize() const;
    // A line size below 1 works in pixels.
    void SetLineMode(int axis, int32_t lineMode, int32_t lineSize);
    void SetDragToScroll(bool on) { m_dragToScroll = on ? 1 : 0; }
    void SetMinimumVisibleSize(const PointT<double>& size) { m_minimumVisible = size; }
    // 1 when already laying out, for the record only; callers may ignore it.
    KXRESULT LayoutScrollBars();
    void UpdateScrollBars();
    const RCPtr<LControl>& GetHorizontalBar() const { return m_hBar; }
    const RCPtr<LControl>& GetVerticalBar() const { return m_vBar; }

protected:
    [[nodiscard]] KXRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>& wheel) override;
    [[nodiscard]] KXRESULT HandleMouseHWheel(const RCPtr<LMouseWheelParam>& wheel) override;

private:
    // 0 horizontal, 1 vertical.
    const RCPtr<LControl>& Bar(int axis) const { return axis == 0 ? m_hBar : m_vBar; }
    static bool IsShown(const RCPtr<LControl>& bar);
    bool InLineMode(int axis) const { return m_lineMode[axis] != 0 && m_lineSize[axis] >= 1; }
    void WireBars();
    void ApplyAutoExtent();
    // Shows or hides a bar by the corner's (or its own) size across it.
    void ShowBar(int axis, bool show);
    void UpdateBar(int axis);
    // Steps the bar by its small or large step; forward adds.
    void StepBar(int axis, bool large, bool forward);
    [[nodiscard]] KXRESULT OnBarMoved(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);

    bool m_layingOut = false;
    bool m_settingOffset = false;
    bool m_clientSizing = false;
    RCPtr<LControl> m_hBar;
    RCPtr<LControl> m_vBar;
    RCPtr<LControl> m_corner;
    PointT<double> m_extent;
    PointT<double> m_barThickness;
    int32_t m_lineMode[2] = {0, 0};
    int32_t m_lineSize[2] = {0, 0};
    int32_t m_autoExtentMode = 0;
    int32_t m_autoExtentMargin[2] = {0, 0};
    int32_t m_dragToScroll = 0;
    PointT<double> m_minimumVisible;
    // The steps last given to each bar (small, large), which the wheel uses.
    double m_barSteps[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
};

} // namespace KX
