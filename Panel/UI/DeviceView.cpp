#include "Panel/UI/DeviceView.h"

#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/MainMenu.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Platform/Process/ShellOpen.h"
#include "Panel/UI/DeviceViewHost.h"
#include "Panel/UI/DriverCommon/MainControl.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"

using namespace KX;

namespace {

constexpr const char* kMethod = "LDeviceView::Initialize";
constexpr const char* kPath = "UI\\DeviceView";
constexpr const char16_t* kProductTitle = u"Kivo 61 Preset Editor";

const char16_t* const kFaderBanks[] = {u"faderBank1", u"faderBank2", u"faderBank3", u"faderBank4"};
const char16_t* const kButtonBanks[] = {u"buttonBank1", u"buttonBank2", u"buttonBank3", u"buttonBank4"};
const char16_t* const kEncoderBanks[] = {u"encoderBank1", u"encoderBank2", u"encoderBank3", u"encoderBank4"};

// Every edit panel with its group and the group's area, and the lines Initialize names when one is
// missing. The edit panels are looked up first, in this order, then the areas.
constexpr struct {
    EditPanelGroup group;
    int32_t subIndex;
    const char16_t* editPanel;
    int editPanelLine;
    const char16_t* area;
    int areaLine;
} kGroups[] = {
    {kPadGroup, 0, u"padEditPanel", 83, u"pads", 110},
    {kEncoderGroup, 0, u"knobEditPanel", 86, u"encoders", 113},
    {kFaderGroup, 0, u"faderEditPanel", 89, u"faders", 116},
    {kPedalGroup, 0, u"volumePedalEditPanel", 92, u"pedals", 122},
    {kWheelGroup, 0, u"wheelEditPanel", 95, u"wheels", 119},
    {kXYPadGroup, 0, u"xyPadEditPanel", 98, u"xyPad", 131},
    {kPedalGroup, 1, u"sustainEditPage", 101, u"pedals", 122},
    {kKeybedZoneGroup, 0, u"zoneEditPanel", 104, u"keybedZones", 125},
    {kPushButtonGroup, 0, u"buttonEditPanel", 107, u"buttons", 128},
};

std::shared_ptr<IDeviceViewHost> Host()
{
    return IDeviceViewHost::Slot().Get();
}

// Shows bank `shown` (0..3) of an area's four bank children and hides the others.
void ShowBank(const RCPtr<LControl>& area, const char16_t* const (&names)[4], int shown)
{
    if (!area)
        return;
    for (int i = 0; i < 4; ++i) {
        if (const RCPtr<LControl>& bank = area->FindChild(names[i]))
            bank->SetVisible(i == shown);
    }
}

// The hot keys bring the file and transfer commands from any window, a dialog's too: while a modal
// dialog or a box runs, the main window takes no input, and so none of its commands.
bool TakesCommands(LControl& view)
{
    const RCPtr<LRootWindow>* root = view.GetRootWindowPtr();
    IWindowOSServices* os = root && *root ? (*root)->GetOSServices() : nullptr;
    return !os || os->TakesInput();
}

template <class I>
KX::ConstRCPtr<I> As(const RCPtr<LPanel>& panel)
{
    return KX::ConstRCPtr<I>(dynamic_cast<const I*>(panel.Get()));
}

} // namespace

KX::ServiceSlot<std::shared_ptr<IDeviceViewHost>>& IDeviceViewHost::Slot()
{
    static auto* slot = new KX::ServiceSlot<std::shared_ptr<IDeviceViewHost>>;
    return *slot;
}

LDeviceView::LDeviceView(const RCPtr<LControl>& parent, const String& name) : LControlWithHandler(parent, name) {}

RCPtr<LPanel> LDeviceView::Child(const char16_t* name, int line)
{
    RCPtr<LPanel> panel(FindChild(name));
    if (!panel)
        ThrowNullPointer(std::string("Cannot find child: ") + String(name).ToNarrow().GetString(), kMethod, kPath,
                         line);
    return panel;
}

KXRESULT LDeviceView::Initialize()
{
    const KXRESULT result = LControl::Initialize();
    if (Failed(result))
        return result;
    if (std::shared_ptr<IDeviceViewHost> host = Host())
        m_fileDialog = RCPtr<LFileDialog>(new LFileDialog(u".", host->GetFileChooser(), host->GetMessageBoxes()));
    m_groups.clear();
    for (const auto& row : kGroups)
        m_groups.push_back({row.group, row.subIndex, Child(row.editPanel, row.editPanelLine), nullptr});
    for (size_t i = 0; i < m_groups.size(); ++i)
        m_groups[i].area = Child(kGroups[i].area, kGroups[i].areaLine);
    m_presetNameEditPanel = Child(u"presetNameEditPanel", 134);

    const RCPtr<LControl>& banks =
        RequireChild(FindChild(u"groupBankPanel"), "Cannot find child: groupBankPanel", kMethod, kPath, 138);
    const char16_t* const bankNames[] = {u"bank1", u"bank2", u"bank3", u"bank4"};
    for (int i = 0; i < 4; ++i) {
        m_bankButtons[i] = RCPtr<LButton>(banks->FindChild(bankNames[i]));
        ThrowIfFailed(Bind(&LDeviceView::OnBankButtonClicked, RCPtr<LNotificationDistributor>(m_bankButtons[i]),
                           u"NID_LEFT_CLICK"),
                      SourcePlace(kMethod, kPath, 141 + i).c_str());
    }
    m_bankButtons[0]->SetValue(1.0);

    // The push button panel starts as the skin has it.
    for (const GroupPanels& panels : m_groups) {
        if (panels.group != kPushButtonGroup)
            panels.editPanel->SetVisible(false);
    }

    if (const RCPtr<LControl>& parent = LControl::GetParent(); dynamic_cast<LMainControl*>(parent.Get())) {
        RCPtr<LMainMenu> menu(parent->FindChild(u"mainMenu"));
        if (menu)
            menu->SetMenuItemUpdater(GetMenuItemUpdater());
    }
    m_statusView = RCPtr<LStatusView>(new LStatusView);
    LPresetManager::Create(m_presetManager);
    if (std::shared_ptr<IDeviceViewHost> host = Host())
        host->StartDevicePolling();
    return result;
}

void LDeviceView::ShowEditPanel(int32_t group, int32_t subIndex)
{
    // A pedal sub index other than 0 and 1 leaves both pedal panels as they are.
    const bool pedals = group == kPedalGroup;
    const bool keepPedals = pedals && subIndex != 0 && subIndex != 1;
    for (const GroupPanels& panels : m_groups) {
        if (panels.group != kPedalGroup)
            panels.editPanel->SetVisible(panels.group == group);
        else if (!keepPedals)
            panels.editPanel->SetVisible(pedals && panels.subIndex == subIndex);
    }
}

KXRESULT LDeviceView::OnBankButtonClicked(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&)
{
    for (int n = 0; n < 4; ++n) {
        if (!m_bankButtons[n] || sender.Get() != static_cast<LNotificationDistributor*>(m_bankButtons[n].Get()))
            continue;
        ShowBank(FindChild(u"faders"), kFaderBanks, n);
        ShowBank(FindChild(u"buttons"), kButtonBanks, n);
        ShowBank(FindChild(u"encoders"), kEncoderBanks, n);
        for (int i = 0; i < 4; ++i)
            m_bankButtons[i]->SetValue(i == n ? 1.0 : 0.0);
        break;
    }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Preset files

String LDeviceView::GetPresetFileExtension()
{
    std::u16string extension(kProductTitle);
    std::erase(extension, u' ');
    return String(extension.c_str());
}

String LDeviceView::GetPresetFileFilter(bool)
{
    std::shared_ptr<IDeviceViewHost> host = Host();
    if (!host)
        return String();
    const String extension = GetPresetFileExtension();
    return host->GetAppString(u"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_1") + extension + String(u")|*.") + extension +
           host->GetAppString(u"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2");
}

String LDeviceView::GetDefaultFileMask()
{
    return String(u"*.") + GetPresetFileExtension();
}

KXRESULT LDeviceView::ShowOpenFileDialog(String& path)
{
    std::shared_ptr<IDeviceViewHost> host = Host();
    if (!host || !m_fileDialog)
        return E_FAIL;
    const KXRESULT r = m_fileDialog->ShowOpen(GetPresetFileFilter(true), GetDefaultFileMask(),
                                              host->GetAppString(u"LOAD_PRESET_DIALOG_TITLE"), false);
    if (r >= 0)
        path = m_fileDialog->GetPath();
    return r;
}

KXRESULT LDeviceView::ShowSaveFileDialog(String& path)
{
    std::shared_ptr<IDeviceViewHost> host = Host();
    if (!host || !m_fileDialog)
        return E_FAIL;
    const KXRESULT r = m_fileDialog->ShowSave(GetPresetFileFilter(false), GetDefaultFileMask(),
                                              host->GetAppString(u"SAVE_PRESET_DIALOG_TITLE"), -1);
    if (r >= 0)
        path = m_fileDialog->GetPath();
    return r;
}

void LDeviceView::ShowFileBox(const char16_t* textKey, const char16_t* captionKey)
{
    if (std::shared_ptr<IDeviceViewHost> host = Host())
        static_cast<void>(host->ShowMessageBox(host->GetAppString(textKey), host->GetAppString(captionKey), 0x10));
}

KXRESULT LDeviceView::LoadPresetFromFile()
{
    String path;
    const KXRESULT chosen = ShowOpenFileDialog(path);
    if (chosen < 0)
        return chosen;
    if (!m_presetManager)
        return E_FAIL;
    const KXRESULT r = m_presetManager->Load(path);
    // The manager's boxes answer only which button closed them.
    switch (r) {
    case LPresetManager::kLoaded:
        break;
    case LPresetManager::kOlderFormat:
        static_cast<void>(m_presetManager->ShowLoadOlderMessage());
        break;
    case LPresetManager::kNewerFormat:
        static_cast<void>(m_presetManager->ShowLoadNewerMessage());
        break;
    case LPresetManager::kCorrupt:
        static_cast<void>(m_presetManager->ShowLoadCorruptMessage());
        break;
    case LPresetManager::kWrongDevice:
        static_cast<void>(m_presetManager->ShowLoadWrongDeviceMessage());
        break;
    case LPresetManager::kTranslationFailure:
        static_cast<void>(m_presetManager->ShowTranslationFailureMessage());
        break;
    default:
        // Nothing was loaded, though the result is none of the file's faults: the user is told.
        if (r < 0)
            ShowFileBox(u"SETTINGS_FILE_LOAD_FAILED_MESSAGE", u"SETTINGS_FILE_LOAD_CAPTION");
        break;
    }
    return r;
}

KXRESULT LDeviceView::SavePresetToFile()
{
    String path;
    const KXRESULT chosen = ShowSaveFileDialog(path);
    if (chosen < 0)
        return chosen;
    const KXRESULT r = m_presetManager ? m_presetManager->Save(path) : E_FAIL;
    if (Failed(r))
        ShowFileBox(u"SETTINGS_FILE_SAVE_FAILED_MESSAGE", u"SETTINGS_FILE_SAVE_CAPTION");
    return r;
}

// ---------------------------------------------------------------------------------------------
// Menus and hot keys

void LDeviceView::RunDialog(const char16_t* name)
{
    if (std::shared_ptr<IDeviceViewHost> host = Host())
        static_cast<void>(host->RunDialog(name)); // how a dialog closed concerns only the dialog
}

KXRESULT LDeviceView::OnMenuLoadPresetFromDevice(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (TakesCommands(*this))
        RunDialog(u"dialogRetrievePresetFromHardware");
    return 1;
}

KXRESULT LDeviceView::OnMenuSendPresetToDevice(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (TakesCommands(*this))
        RunDialog(u"dialogSendPreset");
    return 1;
}

KXRESULT LDeviceView::OnMenuLoadPresetFromFile(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (TakesCommands(*this))
        static_cast<void>(LoadPresetFromFile()); // every failure was shown to the user
    return 1;
}

KXRESULT LDeviceView::OnMenuSavePresetToFile(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    if (TakesCommands(*this))
        static_cast<void>(SavePresetToFile()); // every failure was shown to the user
    return 1;
}

KXRESULT LDeviceView::OnMenuExit(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    RCPtr<LNotification> exit;
    if (Succeeded(LNotification::Create(exit, u"NID_APP_EXIT_REQ", nullptr)))
        static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
            exit)); // the queue refuses only once shut down, when nobody is left to tell
    return 1;
}

KXRESULT LDeviceView::OnMenuAbout(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    RunDialog(u"dialogAbout");
    return 1;
}

KXRESULT LDeviceView::OnMenuOpenUserGuide(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    std::shared_ptr<IDeviceViewHost> host = Host();
    if (!host)
        return 1;
    const String path = host->GetProgramFolder() + String(u"/") + host->GetAppString(u"USER_GUIDE_FILE_NAME");
    std::shared_ptr<Platform::ShellOpen> opener = Platform::ShellOpen::Get();
    if (!opener || !opener->Open(path.ToNarrow().GetString()))
        static_cast<void>(host->ShowMessageBox(host->GetAppString(u"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_TEXT"),
                                               host->GetAppString(u"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_CAPTION"),
                                               0));
    return 1;
}

KXRESULT LDeviceView::OnMenuGlobalSettings(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    RunDialog(u"globalEditorControl");
    return 1;
}

void LDeviceView::RefreshIdleSubscription()
{
    // Registration results are not examined: a command that cannot be bound stays inert.
    RCPtr<LRootWindow>* root = GetRootWindowPtr();
    if (root && *root) {
        const RCPtr<LNotificationDistributor> menu(*root);
        Bind(&LDeviceView::OnMenuLoadPresetFromDevice, menu, u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE");
        Bind(&LDeviceView::OnMenuSendPresetToDevice, menu, u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE");
        Bind(&LDeviceView::OnMenuLoadPresetFromFile, menu, u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE");
        Bind(&LDeviceView::OnMenuSavePresetToFile, menu, u"NID_MENU_FILE_SAVE_PRESET_TO_FILE");
        Bind(&LDeviceView::OnMenuExit, menu, u"NID_MENU_FILE_EXIT_REQ");
        Bind(&LDeviceView::OnMenuAbout, menu, u"NID_MENU_HELP_ABOUT_REQ");
        Bind(&LDeviceView::OnMenuOpenUserGuide, menu, u"NID_MENU_HELP_OPEN_USER_GUIDE_REQ");
        Bind(&LDeviceView::OnMenuGlobalSettings, menu, u"NID_MENU_FILE_GLOBALSETTINGS_REQ");
    }
    // The global hot keys arrive on the application's centre, whatever window is active.
    const RCPtr<LNotificationDistributor> centre(GetDefaultNotificationCenter());
    Bind(&LDeviceView::OnMenuLoadPresetFromFile, centre, u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE");
    Bind(&LDeviceView::OnMenuSendPresetToDevice, centre, u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE");
    Bind(&LDeviceView::OnMenuSavePresetToFile, centre, u"NID_MENU_FILE_SAVE_PRESET_TO_FILE");
    Bind(&LDeviceView::OnMenuLoadPresetFromDevice, centre, u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE");
    LControl::RefreshIdleSubscription();
}

KXRESULT LDeviceView::HandleEditRequest(const RCPtr<LMenuDescriptor>&, unsigned, const String& notification,
                                        MenuItemState& state)
{
    if (notification != String(u"NID_MENU_FILE_SEND_PRESET_TO_DEVICE") &&
        notification != String(u"NID_MENU_FILE_LOAD_PRESET_FROM_DEVICE") &&
        notification != String(u"NID_MENU_FILE_GLOBALSETTINGS_REQ"))
        return S_FALSE;
    std::shared_ptr<IDeviceViewHost> host = Host();
    state.enabled = host && host->IsDeviceConnected() ? 1 : 0;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// The device of the module tree

RCPtr<LPanel> LDeviceView::Area(int32_t group) const
{
    for (const GroupPanels& panels : m_groups) {
        if (panels.group == group)
            return panels.area;
    }
    return RCPtr<LPanel>();
}

KX::ConstRCPtr<IPresetName> LDeviceView::GetPresetName() const
{
    return As<IPresetName>(m_presetNameEditPanel);
}

KX::ConstRCPtr<IKeybedZones> LDeviceView::GetKeybedZones() const
{
    return As<IKeybedZones>(Area(kKeybedZoneGroup));
}

KX::ConstRCPtr<IWheels> LDeviceView::GetWheels() const
{
    return As<IWheels>(Area(kWheelGroup));
}

KX::ConstRCPtr<IPedals> LDeviceView::GetPedals() const
{
    return As<IPedals>(Area(kPedalGroup));
}

KX::ConstRCPtr<IPads> LDeviceView::GetPads() const
{
    return As<IPads>(Area(kPadGroup));
}

KX::ConstRCPtr<IPushButtons> LDeviceView::GetPushButtons() const
{
    return As<IPushButtons>(Area(kPushButtonGroup));
}

KX::ConstRCPtr<IFaders> LDeviceView::GetFaders() const
{
    return As<IFaders>(Area(kFaderGroup));
}

KX::ConstRCPtr<IEncoders> LDeviceView::GetEncoders() const
{
    return As<IEncoders>(Area(kEncoderGroup));
}

KX::ConstRCPtr<ITouchPadAxises> LDeviceView::GetTouchPadAxises() const
{
    return As<ITouchPadAxises>(Area(kXYPadGroup));
}

KXRESULT LDeviceView::BreakCycles()
{
    m_groups.clear();
    m_presetNameEditPanel = nullptr;
    for (RCPtr<LButton>& button : m_bankButtons)
        button = nullptr;
    m_presetManager = nullptr;
    m_fileDialog = nullptr;
    m_statusView = nullptr;
    return LControlWithHandler::BreakCycles();
}
