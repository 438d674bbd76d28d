#pragma once
// Helpers shared by LControl's implementation files (ControlBase/Control*.cpp) and used nowhere else.
#include "KXFramework/ControlBase/Control.h"

namespace KX::ControlInternals {

// Coordinates are clamped to 2^52, well inside the integers a double holds exactly.
inline constexpr double kCoordinateLimit = 4503599627370496.0;

// A reference for the length of a call, unless the object is still being constructed (no
// reference yet), when taking and dropping one would delete it.
inline RCPtr<LControl> Hold(LControl* control)
{
    return control->GetRefCount() > 0 ? RCPtr<LControl>(control) : RCPtr<LControl>();
}

inline void Send(LControl& sender, const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, payload)))
        sender.SendNotification(n);
}

// Pointer equality first: copies of one name share their text.
inline bool SameName(const String& a, const String& b)
{
    return a.GetData() == b.GetData() || a == b;
}

inline int DockedAxes(const LLayoutDescriptor* layout)
{
    return layout ? int(layout->position[0].docked) + int(layout->position[1].docked) : 0;
}

} // namespace KX::ControlInternals
