#pragma once
// A thin bar the user drags to resize the pane it is attached to (its position reference). The
// pane stays within its size limits; after the drag the bar is attached to the pane's edge again.
// LSplitterH moves vertically, LSplitterV horizontally.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"

namespace KX {

class LSplitterBase : public LControl {
public:
    // 0: horizontal bar, moved along Y; 1: vertical bar, moved along X.
    LSplitterBase(const RCPtr<LControl>& parent, const String& name, int32_t orientation);

    void ApplyConditions(const RCPtr<LConditionsParam>& param) override;
    void HandleConditionsChange() override;
    [[nodiscard]] KXRESULT Initialize() override;
    KXRESULT BreakCycles() override;
    // After the layout, a splitter outside its range (its parent shrank) moves back to the bound.
    KXRESULT RecalcLayout(const PointT<int32_t>& size) override;

    // Where the splitter may go on its moving axis during a drag: start and length.
    void GetRange(double& start, double& length) const;
    const RCPtr<LControl>& GetPane() const { return m_pane; }

protected:
    void AdjustUserMoveBounds(RectT<double>& bounds) override;
    void OnUserMoveStepped(const RCPtr<LPointWithModifiersParam>& pointer) override;

private:
    int Axis() const { return m_orientation == 0 ? 1 : 0; }
    // Takes the pane and the range at the start of a drag.
    void BeginPaneDrag();
    // The range for a splitter at startPos beside that pane (may be null).
    void ComputeRange(const RCPtr<LControl>& pane);
    // Narrows the range so that the siblings laid out after the splitter and sized by it stay
    // within their preferred and maximum sizes.
    void NarrowRangeForFollowers();
    // The sibling a named reference gives; null for none.
    RCPtr<LControl> Sibling(const String& name) const;

    int32_t m_orientation;
    double m_rangeMin = 0.0;
    double m_rangeMax = 4503599627370496.0;
    double m_savedAbs = 0.0;
    float m_savedRel = 0.0f;
    RCPtr<LControl> m_pane;
    double m_startPos = 0.0;
    double m_paneStartSize = 0.0;
    bool m_clamping = false;
};

class LSplitterH : public LSplitterBase {
public:
    LSplitterH(const RCPtr<LControl>& parent, const String& name) : LSplitterBase(parent, name, 0) {}
};

class LSplitterV : public LSplitterBase {
public:
    LSplitterV(const RCPtr<LControl>& parent, const String& name) : LSplitterBase(parent, name, 1) {}
};

} // namespace KX
