#pragma once
// The picture of the keyboard inside the main control and the device of the UI module tree: its
// group getters answer with the group areas, so identifiers and values reach every control through
// it. It shows one edit panel at a time, switches the banks of faders, buttons and encoders, and
// carries the menu commands and the preset file load and save.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/FileDialog.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ModuleInterfaces.h"
#include "Panel/UI/DriverCommon/EditPanelHost.h"
#include "Panel/UI/DriverCommon/PresetManager.h"

#include <cstdint>
#include <vector>

// Handed out by the view; it has nothing of its own.
class LStatusView : public virtual KX::LRefCountedObject {};

class LDeviceView : public KX::LControlWithHandler<KX::LControl, LDeviceView>, public IDevice, public IEditPanelHost {
public:
    LDeviceView(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;

    // Shows the edit panel of `group` (for the pedals, sub index 0 volume, 1 sustain) and hides
    // the others; the preset name panel stays as it is. The group panels call it on a tile's click.
    void ShowEditPanel(int32_t group, int32_t subIndex) override;
    [[nodiscard]] KXRESULT OnBankButtonClicked(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);
    virtual KX::RCPtr<LStatusView> GetStatusView() { return m_statusView; }

    // Preset files.
    virtual KX::String GetPresetFileExtension();
    virtual KX::String GetPresetFileFilter(bool forOpen);
    virtual KX::String GetDefaultFileMask();
    // The open dialog, then the preset manager's load; every failure after a path was chosen is
    // reported in a box.
    [[nodiscard]] virtual KXRESULT LoadPresetFromFile();
    // The save dialog, then the preset manager's save; a failure is reported in a box.
    [[nodiscard]] virtual KXRESULT SavePresetToFile();
    [[nodiscard]] virtual KXRESULT ShowSaveFileDialog(KX::String& path);
    [[nodiscard]] virtual KXRESULT ShowOpenFileDialog(KX::String& path);

    // Menu commands (each answers 1).
    [[nodiscard]] KXRESULT OnMenuLoadPresetFromDevice(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                      const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnMenuSendPresetToDevice(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                    const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnMenuLoadPresetFromFile(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                    const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnMenuSavePresetToFile(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                  const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnMenuExit(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                      const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnMenuAbout(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                       const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnMenuOpenUserGuide(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] KXRESULT OnMenuGlobalSettings(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                const KX::RCPtr<KX::LNotification>& n);

    // Registers the menu's commands on the root window and the hot-key commands on the
    // application's centre.
    void RefreshIdleSubscription() override;
    // The device commands are enabled only while the keyboard's ports are open.
    [[nodiscard]] KXRESULT HandleEditRequest(const KX::RCPtr<KX::LMenuDescriptor>& menu, unsigned index,
                                             const KX::String& notification, KX::MenuItemState& state) override;

    KX::ConstRCPtr<IPresetName> GetPresetName() const override;
    KX::ConstRCPtr<IKeybedZones> GetKeybedZones() const override;
    KX::ConstRCPtr<IWheels> GetWheels() const override;
    KX::ConstRCPtr<IPedals> GetPedals() const override;
    KX::ConstRCPtr<IPads> GetPads() const override;
    KX::ConstRCPtr<IPushButtons> GetPushButtons() const override;
    KX::ConstRCPtr<IFaders> GetFaders() const override;
    KX::ConstRCPtr<IEncoders> GetEncoders() const override;
    KX::ConstRCPtr<ITouchPadAxises> GetTouchPadAxises() const override;
    using IDevice::GetEncoders;
    using IDevice::GetFaders;
    using IDevice::GetKeybedZones;
    using IDevice::GetPads;
    using IDevice::GetPedals;
    using IDevice::GetPresetName;
    using IDevice::GetPushButtons;
    using IDevice::GetTouchPadAxises;
    using IDevice::GetWheels;

    KXRESULT BreakCycles() override;

private:
    // One edit panel with its group's number and area on the picture; the pedals' two edit panels
    // share their group, told apart by the sub index (0 volume, 1 sustain).
    struct GroupPanels {
        int32_t group;
        int32_t subIndex;
        KX::RCPtr<KX::LPanel> editPanel;
        KX::RCPtr<KX::LPanel> area;
    };

    KX::RCPtr<KX::LPanel> Child(const char16_t* name, int line);
    // The area of `group`; null before Initialize.
    KX::RCPtr<KX::LPanel> Area(int32_t group) const;
    void RunDialog(const char16_t* name);
    void ShowFileBox(const char16_t* textKey, const char16_t* captionKey);

    KX::RCPtr<LStatusView> m_statusView;
    std::vector<GroupPanels> m_groups;
    KX::RCPtr<KX::LButton> m_bankButtons[4];
    KX::RCPtr<KX::LPanel> m_presetNameEditPanel;
    KX::RCPtr<KX::LPresetManager> m_presetManager;
    KX::RCPtr<KX::LFileDialog> m_fileDialog;
};
