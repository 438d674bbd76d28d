#include "Panel/Application.h"

#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Platform/Folders/WindowPlacement.h"
#include "KXFramework/Platform/Resources/Resources.h"
#include "KXFramework/Renderer/Renderer.h"
#include "Panel/SkinClassRegistry.h"

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
    return keys;
}

KXRESULT LApplication::Shutdown()
{
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

KXRESULT LApplication::CreateMainWindow(int rendererKind)
{
    const KXRESULT r = LApplicationBase<LApplication>::CreateMainWindow(rendererKind);
    // The device view will handle the menu's commands; until then the exit command comes here.
    if (Succeeded(r) && GetMainWindow())
        RegisterForNotification(RCPtr<LNotificationDistributor>(GetMainWindow()->GetRootWindow()),
                                u"NID_MENU_FILE_EXIT_REQ", 0);
    return r;
}

int LApplication::GetRendererKind() const
{
    return LRenderer::kGdi;
}

KXRESULT LApplication::ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    if (!n || n->GetName() != String(u"NID_MENU_FILE_EXIT_REQ"))
        return LApplicationBase<LApplication>::ReceiveNotification(sender, n);
    RCPtr<LNotification> exit;
    if (Succeeded(LNotification::Create(exit, u"NID_APP_EXIT_REQ", nullptr)))
        static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
            exit)); // the queue refuses only once shut down, when nobody is left to tell
    return S_OK;
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
