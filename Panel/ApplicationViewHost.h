#pragma once
// The device view's host in the running editor: the application object's MIDI manager, dialogs,
// message boxes, string table, folders and file chooser.
#include "Panel/UI/DeviceViewHost.h"

class LApplication;

class LApplicationViewHost final : public IDeviceViewHost {
public:
    explicit LApplicationViewHost(LApplication& application) : m_application(application) {}

    bool IsDeviceConnected() override;
    void StartDevicePolling() override;
    int32_t RunDialog(const KX::String& name) override;
    int32_t ShowMessageBox(const KX::String& text, const KX::String& caption, uint32_t flags) override;
    KX::String GetAppString(const char16_t* key) override;
    KX::String GetProgramFolder() override;
    KX::Platform::FileChooser& GetFileChooser() override;
    KX::Platform::MessageBoxService& GetMessageBoxes() override;

private:
    LApplication& m_application;
};
