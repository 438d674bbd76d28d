#include "KXFramework/ControlBase/FrameworkClock.h"

#include "KXFramework/ControlBase/FrameworkServices.h"

namespace KX::FrameworkClock {

uint32_t Milliseconds()
{
    IFrameworkServices* services = GetFrameworkServices();
    return services ? services->GetMilliseconds() : 0;
}

double Seconds()
{
    IFrameworkServices* services = GetFrameworkServices();
    return services ? services->GetSeconds() : 0.0;
}

} // namespace KX::FrameworkClock
