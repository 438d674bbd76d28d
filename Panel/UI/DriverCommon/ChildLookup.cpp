#include "Panel/UI/DriverCommon/ChildLookup.h"

KX::RCPtr<KX::LControl> FindChildAt(KX::RCPtr<KX::LControl> from, std::initializer_list<const char16_t*> path)
{
    for (const char16_t* name : path) {
        if (!from)
            break;
        from = from->FindChild(name);
    }
    return from;
}

KX::RCPtr<KX::LControl> FindViewDevice(KX::LControl& control)
{
    KX::RCPtr<KX::LControl> top;
    control.GetTopLevelControl(top);
    return FindChildAt(top, {u"viewDevice"});
}
