#include "KXFramework/ControlBase/FrameworkServices.h"

#include <atomic>

namespace KX {

namespace {
std::atomic<IFrameworkServices*> g_services{nullptr};
}

IFrameworkServices* GetFrameworkServices()
{
    return g_services.load();
}

void SetFrameworkServices(IFrameworkServices* services)
{
    g_services.store(services);
}

} // namespace KX
