#include "KXFramework/ControlBase/FrameworkServices.h"

#include "KXFramework/ObjectBase/ServiceSlot.h"

namespace KX {

namespace {

ServiceSlot<IFrameworkServices*>& FrameworkServicesSlot()
{
    static auto* slot = new ServiceSlot<IFrameworkServices*>;
    return *slot;
}

} // namespace

IFrameworkServices* GetFrameworkServices()
{
    return FrameworkServicesSlot().Get();
}

void SetFrameworkServices(IFrameworkServices* services)
{
    FrameworkServicesSlot().Set(services);
}

} // namespace KX
