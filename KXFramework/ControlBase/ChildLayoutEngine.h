#pragma once
// The child layout engine: turns a layout descriptor into a rectangle in three passes (place, grow
// to the minimum size, cut to the maximum size), all in doubles.
// Thread: UI thread only.
#include "KXFramework/ControlBase/LayoutDescriptor.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Renderer/Geometry.h"

namespace KX {

class LControl;

// Pass 1. With a parent the three middle arguments are ignored; without one (a top-level control)
// they stand in for the parent. E_INVALIDARG for a null descriptor; else 0.
[[nodiscard]] KXRESULT CalculateLayoutRect(const LLayoutDescriptor* layout, const LControl* parent,
                                           const RectT<double>& parentRect, const PointT<double>& clientSize,
                                           const PointT<double>& referencePoint, RectT<double>& out);
// Pass 2: 1 when position or size changed, 0 when not, E_FAIL when the anchor kept a minimum
// relative to a child from being honoured.
[[nodiscard]] KXRESULT ApplyLayoutMinSize(LControl& control, PointT<double>& position, PointT<double>& size);
// Pass 3, with the same results.
[[nodiscard]] KXRESULT ApplyLayoutMaxSize(LControl& control, PointT<double>& position, PointT<double>& size);

// Rounds the edges half away from zero and takes the extents from the rounded edges.
RectT<double> RoundRectEdges(const RectT<double>& r);

} // namespace KX
