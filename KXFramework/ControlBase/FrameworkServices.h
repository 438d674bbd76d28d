#pragma once
// What the control core asks of the application object. The application registers itself at
// start-up; tests register a fake.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Renderer/Geometry.h"

#include <cstdint>

namespace KX {

class LControlClassRegistry;
class LFont;
class LControlFactory;
class LRootWindow;

class IFrameworkServices {
public:
    virtual ~IFrameworkServices() = default;
    // Null while no skin is loaded.
    virtual RCPtr<LControlFactory> GetControlFactory() = 0;
    // Class names to create functions; null when none is set up.
    virtual RCPtr<LControlClassRegistry> GetControlClassRegistry() = 0;
    // The application's main root window; null when there is none.
    virtual RCPtr<LRootWindow> GetApplicationRootWindow() = 0;
    // The application's default font; null when there is none.
    virtual RCPtr<LFont> GetDefaultFont() = 0;
    // The usable area of the screen, the reference of a top-level control.
    virtual RectT<int32_t> GetWorkArea() = 0;
    // Seconds as a double, accumulated from the millisecond clock.
    virtual double GetSeconds() = 0;
    virtual uint32_t GetMilliseconds() = 0;
    // The application's cursor of that name ("UI_CURSOR_ARROW", ...); 0 when it has none.
    virtual uintptr_t LoadAppCursor(const char16_t* name) = 0;
};

// The registered services; null before registration.
IFrameworkServices* GetFrameworkServices();
// Registers the services; null unregisters.
void SetFrameworkServices(IFrameworkServices* services);

} // namespace KX
