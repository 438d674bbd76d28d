#pragma once
// Finding a panel's controls by name where one may be missing: every look-up answers null rather than
// throwing, and the caller decides whether that is an error (RequireChild in PanelErrors.h).
#include "KXFramework/ControlBase/Control.h"

#include <initializer_list>

// The control reached from `from` through the children named by `path`, one name a level; null when
// `from` or any step is missing.
KX::RCPtr<KX::LControl> FindChildAt(KX::RCPtr<KX::LControl> from, std::initializer_list<const char16_t*> path);

// The device view, which holds the edit panels: the child "viewDevice" of `control`'s top-level
// control; null without one.
KX::RCPtr<KX::LControl> FindViewDevice(KX::LControl& control);
