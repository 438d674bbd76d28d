#pragma once
// What the device view needs of the application around it: the device's connection, dialogs by skin
// name, message boxes, the application's texts, the program's folder and the file chooser. The
// application installs itself at start-up; tests install a double. Without a host the view's
// commands do nothing.
#include "KXFramework/ObjectBase/ServiceSlot.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <memory>

namespace KX::Platform {
class FileChooser;
class MessageBoxService;
} // namespace KX::Platform

class IDeviceViewHost {
public:
    virtual ~IDeviceViewHost() = default;

    // Both MIDI ports of the keyboard are open.
    virtual bool IsDeviceConnected() = 0;
    // Starts the presence polling unless it runs.
    virtual void StartDevicePolling() = 0;
    // Creates the named skin control and runs it as a modal dialog: the value it closed with, or
    // E_FAIL and nothing shown when the name gives no dialog.
    virtual int32_t RunDialog(const KX::String& name) = 0;
    virtual int32_t ShowMessageBox(const KX::String& text, const KX::String& caption, uint32_t flags) = 0;
    // The key's text in the application's string table, empty when absent.
    virtual KX::String GetAppString(const char16_t* key) = 0;
    // The folder of the program (folder 0).
    virtual KX::String GetProgramFolder() = 0;
    virtual KX::Platform::FileChooser& GetFileChooser() = 0;
    virtual KX::Platform::MessageBoxService& GetMessageBoxes() = 0;

    static KX::ServiceSlot<std::shared_ptr<IDeviceViewHost>>& Slot();
};
