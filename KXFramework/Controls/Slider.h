#pragma once
// A linear slider: a thumb dragged along the straight track between the hidden marker children
// "thumbStart" (value 0) and "thumbEnd" (value 1), paging towards the pointer while the button is
// held on the track, one range unit per arrow key or wheel notch. A value set while the user drags
// is held back and applied when the thumb is released. A panel, so that keys its children leave go
// on up through the parents.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Panel.h"

#include <cstdint>

namespace KX {

class LSlider : public LControlWithHandler<LPanel, LSlider> {
public:
    static constexpr int kNormal = 0;
    static constexpr int kFocused = 1;
    static constexpr int kDisabled = 2;

    using LControlWithHandler::LControlWithHandler;
    ~LSlider() override;

    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;
    [[nodiscard]] KXRESULT AddChild(const RCPtr<LControl>& child, const RCPtr<LControlDescriptor>& descriptor) override;
    void CheckClientSizeChange() override;

    // While dragging the value is parked and applied at the end of the drag.
    double SetValue(double normalised) override;
    virtual double ApplyValue(double normalised);
    void SetValueFromThumbPos();
    void SetThumbPosFromValue();
    PointT<int32_t> ConstrainThumbPos(int32_t x, int32_t y) const;
    double GetValueAtPos(int32_t x, int32_t y) const;
    double GetNormalizedValue() const { return GetValue(); }

    const RCPtr<LControl>& GetThumb() const { return m_thumb; }
    bool IsDragging() const { return m_dragging; }
    bool IsPaging() const { return m_paging; }

    [[nodiscard]] KXRESULT OnKey(const RCPtr<LKeyParam>& key) override;
    [[nodiscard]] KXRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    void OnIdleTick() override;

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] KXRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>& wheel) override;
    [[nodiscard]] KXRESULT HandleMouseHWheel(const RCPtr<LMouseWheelParam>& wheel) override;
    void HandleLeftClick(const RCPtr<LMouseButtonParam>& click) override;

private:
    // 0 when the key stepped the value or was an arrow release; 1 otherwise.
    [[nodiscard]] KXRESULT StepKey(const RCPtr<LKeyParam>& key);
    void StepRanged(double units);
    void PageTowards(const PointT<int32_t>& point);
    void MoveThumbTo(const PointT<int32_t>& position);
    RCPtr<LLayoutDescriptor> ThumbLayout() const;
    bool MakeThumb();
    void Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload);
    [[nodiscard]] KXRESULT OnThumbMouseMove(const RCPtr<LNotificationDistributor>& sender,
                                            const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnThumbDragChange(const RCPtr<LNotificationDistributor>& sender,
                                             const RCPtr<LNotification>& n);

    RCPtr<LControl> m_thumb;
    RCPtr<LControl> m_thumbStart;
    RCPtr<LControl> m_thumbEnd;
    bool m_dragging = false;
    PointT<int32_t> m_grabOffset;
    double m_pageStep = 0.1;
    bool m_paging = false;
    double m_pageLastTick = 0.0;
    double m_pageCountdown = 0.0;
    double m_pendingValue = -1.0;
    bool m_keyHeld = false;
    PointT<int32_t> m_thumbHotSpot;
};

} // namespace KX
