#include "Panel/ApplicationViewHost.h"

#include "Panel/Application.h"

using namespace KX;

bool LApplicationViewHost::IsDeviceConnected()
{
    RCPtr<LMidiManager> midi;
    m_application.GetMidiManager(midi);
    return midi && midi->IsConnected();
}

void LApplicationViewHost::StartDevicePolling()
{
    RCPtr<LMidiManager> midi;
    m_application.GetMidiManager(midi);
    if (midi)
        static_cast<void>(midi->StartDevicePolling()); // 1 when it already runs
}

int32_t LApplicationViewHost::RunDialog(const String& name)
{
    RCPtr<LControl> dialog;
    m_application.CreateControlByName(dialog, name);
    return m_application.RunModalDialog(dialog, 1);
}

int32_t LApplicationViewHost::ShowMessageBox(const String& text, const String& caption, uint32_t flags)
{
    return m_application.ShowMessageBox(text, caption, flags);
}

String LApplicationViewHost::GetAppString(const char16_t* key)
{
    RCPtr<LStringTable> strings;
    if (RCPtr<LControlFactory> factory = m_application.GetControlFactory())
        factory->GetApplicationStringTable(strings);
    String text;
    if (strings)
        strings->GetString(key, text);
    return text;
}

String LApplicationViewHost::GetProgramFolder()
{
    String folder;
    m_application.GetFolder(folder, 0);
    return folder;
}

Platform::FileChooser& LApplicationViewHost::GetFileChooser()
{
    return m_application.GetFileChooser();
}

Platform::MessageBoxService& LApplicationViewHost::GetMessageBoxes()
{
    return m_application.GetMessageBoxes();
}
