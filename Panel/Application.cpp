#include "Panel/Application.h"

#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Platform/Folders/WindowPlacement.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Renderer/Renderer.h"
#include "Panel/ApplicationViewHost.h"
#include "Panel/SkinClassRegistry.h"
#include "Panel/UI/DriverCommon/PresetManager.h"

using namespace KX;

LApplication::LApplication(const RCPtr<LControlFactory>& factory, const RCPtr<LStringTable>& stringTable,
                           const String& commandLine, std::unique_ptr<Platform::MessageBoxService> messageBoxes,
                           std::unique_ptr<Platform::ClipboardBackend> clipboard)
    : LApplicationBase<LApplication>(factory, stringTable, commandLine, std::move(messageBoxes), std::move(clipboard)),
      m_folders(GetCompanyName(), GetProductName(), String(DevelopmentResourceFolder().c_str()), GetIniFileManager())
{
}

LApplication::~LApplication() = default;

KXRESULT LApplication::Initialize()
{
    const KXRESULT base = LApplicationBase<LApplication>::Initialize();
    if (Failed(base))
        return base;
    RCPtr<LStringTable> strings;
    if (RCPtr<LControlFactory> factory = GetControlFactory())
        factory->GetApplicationStringTable(strings);
    RCPtr<LGlobalHotKeyManager> hotKeys = GetGlobalHotKeyManager();
    const KXRESULT keys = hotKeys ? hotKeys->GetKeyBindingMap().LoadFromStringTable(strings, u"GHK_WIN") : E_FAIL;
    if (Failed(keys))
        return keys;
    RegisterSkinClasses(*GetControlClassRegistry());
    LMidiManager::Create(m_midiManager);
    m_engine = LRootModuleEngine::Create();
    LRootModuleEngine::SetRootModuleEngine(m_engine);
    static_cast<void>(m_engine->Initialize()); // without a device the editor runs on and the views say so
    IDeviceViewHost::Slot().Set(std::make_shared<LApplicationViewHost>(*this));
    // The preset manager's boxes take their texts from the application's table.
    LPresetManager::SetMessageHook([this](const char16_t* textKey, const char16_t* captionKey, uint32_t flags) {
        RCPtr<LStringTable> table;
        if (RCPtr<LControlFactory> factory = GetControlFactory())
            factory->GetApplicationStringTable(table);
        String text, caption;
        if (table) {
            table->GetString(textKey, text);
            table->GetString(captionKey, caption);
        }
        return ShowMessageBox(text, caption, flags);
    });
    return keys;
}

KXRESULT LApplication::Shutdown()
{
    IDeviceViewHost::Slot().Set(nullptr);
    LPresetManager::SetMessageHook(nullptr);
    if (m_midiManager) {
        m_midiManager->BreakCycles();
        m_midiManager = nullptr;
    }
    if (m_engine) {
        LRootModuleEngine::SetRootModuleEngine(nullptr);
        m_engine->BreakCycles();
        m_engine = nullptr;
    }
    return LApplicationBase<LApplication>::Shutdown();
}

int LApplication::GetRendererKind() const
{
    return LRenderer::kGdi;
}

void LApplication::GetFolder(String& out, int32_t id)
{
    out = m_folders.GetFolder(id);
}

int32_t LApplication::GetIniFile(int index)
{
    return m_folders.GetIniFile(index);
}

void LApplication::WriteProfileBinary(const String& section, const String& entry, const std::vector<uint8_t>& data)
{
    if (section != GetApplicationTitle() || entry != String(u"WP"))
        return;
    if (const std::optional<Platform::WindowPlacementRecord> record = Platform::ParseWindowPlacement(data))
        static_cast<void>(
            m_folders.SaveWindowPlacement(*record)); // a placement not stored is only lost for the next start
}

void LApplication::RestoreWindowPlacement(OSWindow& window, const LLayoutDescriptor& layout)
{
    Platform::HostWindow* host = window.GetWindowHandle();
    if (!host)
        return;
    // A window of fixed size keeps it wherever the placement was saved.
    const bool fixed = IsFixedSizeLayout(layout);
    const std::optional<Platform::WindowPlacementRecord> record =
        m_folders.LoadWindowPlacement(GetWorkArea(), [&](RectT<int32_t>& rect) {
            if (fixed) {
                rect.width = int32_t(layout.size[0].absolute);
                rect.height = int32_t(layout.size[1].absolute);
            }
        });
    if (!record)
        return;
    // A minimised window comes back restored; the content's size limits apply once it is set.
    Platform::Placement placement;
    placement.normal = {record->left, record->top, record->right - record->left, record->bottom - record->top};
    placement.maximized = record->showCmd == 3;
    host->SetPlacement(placement);
}

String GetAppString(const char16_t* key)
{
    String text;
    RCPtr<LApplication> application = LApplication::GetApplication();
    RCPtr<LControlFactory> factory = application ? application->GetControlFactory() : nullptr;
    RCPtr<LStringTable> strings;
    if (factory)
        factory->GetApplicationStringTable(strings);
    if (strings)
        strings->GetString(key, text);
    return text;
}

int32_t RunNamedDialog(const char16_t* name)
{
    RCPtr<LApplication> application = LApplication::GetApplication();
    if (!application)
        return E_FAIL;
    RCPtr<LControl> dialog;
    application->CreateControlByName(dialog, name);
    return application->RunModalDialog(dialog, 1);
}
