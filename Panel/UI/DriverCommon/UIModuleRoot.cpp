#include "Panel/UI/DriverCommon/UIModuleRoot.h"

#include "KXFramework/ControlBase/Control.h"

IUIModuleRoot* FindUIModuleRoot(KX::LControl& control)
{
    KX::RCPtr<KX::LControl> top;
    control.GetTopLevelControl(top);
    return dynamic_cast<IUIModuleRoot*>(top.Get());
}
