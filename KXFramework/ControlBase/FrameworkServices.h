#pragma once
// What the control core asks of the application object. The application registers itself at
// start-up; tests register a fake.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Renderer/Geometry.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <vector>

namespace KX {

class LClipboard;
class LControl;
class LControlClassRegistry;
class LGlobalHotKeyManager;
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
    // The modifier keys held: Ctrl 0x01, Shift 0x08, Alt 0x40.
    virtual uint32_t GetModifierKeys() = 0;
    // The application's hot-key table, the last stop of an unhandled key; null when none.
    virtual RCPtr<LGlobalHotKeyManager> GetGlobalHotKeyManager() = 0;
    // The application's cursor of that name ("UI_CURSOR_ARROW", ...); 0 when it has none.
    virtual uintptr_t LoadAppCursor(const char16_t* name) = 0;
    // The application's idle operation, pass `count` since the last input; true while it wants more.
    virtual bool RunIdle(int32_t count) = 0;
    // The list of open root windows; the first one added is the application's.
    virtual void AddRootWindow(const RCPtr<LRootWindow>& root) = 0;
    virtual void RemoveRootWindow(const RCPtr<LRootWindow>& root) = 0;
    virtual std::vector<RCPtr<LRootWindow>> GetRootWindows() = 0;
    // The root window of the active window; null when none of the application's is active.
    virtual RCPtr<LRootWindow> GetActiveRootWindow() = 0;
    // The program's one clipboard, owned by the services; null when none is set up.
    virtual LClipboard* GetClipboard() = 0;
    // Shows a text in the status bar, or goes back to its default text, at once or through the next
    // idle pass; E_FAIL without a window or a status bar.
    [[nodiscard]] virtual KXRESULT SetStatusText(const String& text, bool immediate) = 0;
    [[nodiscard]] virtual KXRESULT ResetStatusText(bool immediate) = 0;
    // Runs the control as the content of a new modal window and returns its result; E_FAIL when no
    // window could be made. Owner 1 gives the window the dialog to keep.
    virtual int32_t RunModalDialog(const RCPtr<LControl>& dialog, int32_t owner) = 0;
    // The section of the application profile that holds the main window's placement.
    virtual String GetWindowClassName() = 0;
    // Stores a binary entry of the application profile.
    virtual void WriteProfileBinary(const String& section, const String& entry, const std::vector<uint8_t>& data) = 0;
};

// The registered services; null before registration.
IFrameworkServices* GetFrameworkServices();
// Registers the services; null unregisters.
void SetFrameworkServices(IFrameworkServices* services);

} // namespace KX
