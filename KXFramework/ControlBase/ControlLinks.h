#pragma once
// What the control core needs of three standard controls that are built on it: the tool tip, the
// scroll bar and the popup menu. Those controls implement these; the core finds them by a cast.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"

namespace KX {

class LMenuDescriptor;

class IToolTipLink {
public:
    virtual ~IToolTipLink() = default;
    // Shows the tip where it computes from the window and the pointer.
    virtual void ShowToolTip() = 0;
    // Stops the tip's own timer and takes it out of its parent.
    virtual void HideToolTip() = 0;
};

class IScrollBarLink {
public:
    virtual ~IScrollBarLink() = default;
    // Steps in normalised units: the wheel and arrow step, and the page step.
    virtual void SetSmallStep(double step) = 0;
    virtual void SetLargeStep(double step) = 0;
    // The thumb's share of the track, 0 to 1.
    virtual void SetThumbProportion(double proportion) = 0;
    // Places the thumb after the fields above changed.
    virtual void RelayoutThumb() = 0;
};

class IPopupMenuLink {
public:
    virtual ~IPopupMenuLink() = default;
    virtual void SetMenuDescriptor(const RCPtr<LMenuDescriptor>& menu) = 0;
    virtual void OpenAtCursor() = 0;
};

} // namespace KX
