#pragma once
// The editor's application object: finishes the start-up (the framework's, the editor's hot keys,
// its skin classes, the MIDI manager and the device-model engine), makes the main window with the
// main control, and answers the rest of the editor for the MIDI manager, dialogs, message boxes,
// folders, settings files and cursors. Reached through GetApplication; UI thread only.
#include "KXFramework/Application/ApplicationBase.h"
#include "Panel/ApplicationFolders.h"
#include "Panel/Engine/PresetEditorCommon/MidiManager.h"

class LRootModuleEngine;

class LApplication : public KX::LApplicationBase<LApplication> {
public:
    LApplication(const KX::RCPtr<KX::LControlFactory>& factory, const KX::RCPtr<KX::LStringTable>& stringTable,
                 const KX::String& commandLine, std::unique_ptr<KX::Platform::MessageBoxService> messageBoxes,
                 std::unique_ptr<KX::Platform::ClipboardBackend> clipboard);
    ~LApplication() override;

    // The base start-up, the "GHK_WIN" hot keys (a failure is returned), the skin classes, then the
    // MIDI manager and the engine, whose failures leave the editor running without a device.
    [[nodiscard]] KXRESULT Initialize() override;
    // The engine and the MIDI manager stop before the framework's services go.
    KXRESULT Shutdown() override;

    KX::String GetSettingsVersion() const override { return u"1_0_0"; }
    KX::String GetMainControlName() const override { return u"mainControl"; }
    int GetRendererKind() const override;

    // Null before Initialize and after Shutdown.
    void GetMidiManager(KX::RCPtr<KX::LMidiManager>& out) const { out = m_midiManager; }

    // Folders 0 to 6 and the settings files 0 and 1 (see LApplicationFolders).
    void GetFolder(KX::String& out, int32_t id);
    int32_t GetIniFile(int index) override;
    uintptr_t GetCursorHandle(const char16_t* name) { return LoadAppCursor(name); }

    // The main window's placement record, written as its window goes.
    void WriteProfileBinary(const KX::String& section, const KX::String& entry,
                            const std::vector<uint8_t>& data) override;

protected:
    void RestoreWindowPlacement(KX::OSWindow& window, const KX::LLayoutDescriptor& layout) override;

private:
    KX::RCPtr<LRootModuleEngine> m_engine;
    KX::RCPtr<KX::LMidiManager> m_midiManager;
    KX::LApplicationFolders m_folders;
};

// The key's text in the application's string table ("|PresetEditor"); empty when the key, the table
// or the application is missing. Every message box of the dialogs and views takes its texts here.
KX::String GetAppString(const char16_t* key);

// Creates the skin's dialog of that name and runs it modally over the main window; answers the value
// it closed with, or E_FAIL when there is no application or the skin has no such dialog.
int32_t RunNamedDialog(const char16_t* name);
