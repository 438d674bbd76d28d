#pragma once
// The main window's content and the root of the UI module tree: values the engine announces go
// down to the panel that shows them, edits that panels report go up to the engine, except the echo
// of the value being delivered at that moment.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ModuleInterfaces.h"
#include "Panel/UI/DriverCommon/UIModuleRoot.h"

#include <cstdint>

class LDeviceView;

namespace KX {

class LMainControl : public LControlWithHandler<LControl, LMainControl>, public IRootModule, public IUIModuleRoot {
public:
    LMainControl(const RCPtr<LControl>& parent, const String& name);

    // Finds "viewDevice" (required), listens for the engine's values, numbers the whole tree from
    // the engine's first identifier and asks the engine for all its values once.
    [[nodiscard]] KXRESULT Initialize() override;
    // The engine's device polling starts as the skin is applied.
    [[nodiscard]] KXRESULT ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;

    // Sent to the engine unless it is the echo of the value being delivered.
    [[nodiscard]] KXRESULT ReportParamValueChange(const ParamDescriptor& d, const Variant& v) override;
    [[nodiscard]] KXRESULT RequestParamValue(int32_t id) override;

    ConstRCPtr<IDevice> GetDevice() const override;
    using IRootModule::GetDevice;
    // The UI tree has no device communication of its own: null.
    RCPtr<LDeviceCommunicationInterface> GetDeviceCommunicationInterface() override;

    // NID_PARAM_MODULE_STATE_CHANGE: one value or a list, each delivered in order; one value the
    // engine no longer holds is left out.
    [[nodiscard]] KXRESULT OnParamModuleStateChange(const RCPtr<LNotificationDistributor>& sender,
                                                    const RCPtr<LNotification>& n);
    // Delivers one value to the module that owns it; the pseudo identifiers -2 and -8 are the
    // engine's own.
    [[nodiscard]] KXRESULT ApplyParamValue(const ParamDescriptor& d, const Variant& v);

    const RCPtr<LDeviceView>& GetDeviceView() const { return m_deviceView; }

    KXRESULT BreakCycles() override;

private:
    static bool IsSuperseded(const ParamDescriptor& d, const Variant& v);

    int32_t m_echoParam = -1;
    Variant m_echoQualifier;
    RCPtr<LDeviceView> m_deviceView;
};

} // namespace KX
