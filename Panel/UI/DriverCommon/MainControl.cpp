#include "Panel/UI/DriverCommon/MainControl.h"

#include "KXFramework/Application/FrameworkApp.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceCommunicationInterface.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"
#include "Panel/UI/DeviceView.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"

namespace KX {

namespace {

using ParamValuePair = LPair<ParamDescriptor, Variant, &ParamDescriptorToString>;

constexpr int32_t kDeviceListParam = -2;
constexpr int32_t kIgnoredParam = -8;

void PostExitRequest()
{
    RCPtr<LNotification> exit;
    if (Succeeded(LNotification::Create(exit, u"NID_APP_EXIT_REQ", nullptr)))
        static_cast<void>(GetDefaultNotificationCenter()->PostNotification(
            exit)); // the queue refuses only once shut down, when nobody is left to tell
}

} // namespace

LMainControl::LMainControl(const RCPtr<LControl>& parent, const String& name) : LControlWithHandler(parent, name) {}

KXRESULT LMainControl::ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    const KXRESULT r = LControl::ApplyDescriptor(descriptor);
    if (RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine())
        static_cast<void>(engine->SetDevicePolling(true)); // without a device the editor still edits
    return r;
}

KXRESULT LMainControl::Initialize()
{
    const KXRESULT result = LControl::Initialize();
    if (Failed(result))
        return result;
    m_deviceView = RCPtr<LDeviceView>(FindChild(u"viewDevice"));
    if (!m_deviceView)
        ThrowNullPointer("LMainControl couldn't find viewDevice", "KX::LMainControl::Initialize",
                         "UI\\DriverCommon\\MainControl", 38);
    ThrowIfFailed(Bind(&LMainControl::OnParamModuleStateChange,
                       RCPtr<LNotificationDistributor>(GetDefaultNotificationCenter()),
                       u"NID_PARAM_MODULE_STATE_CHANGE"),
                  SourcePlace("KX::LMainControl::Initialize", "UI\\DriverCommon\\MainControl", 43).c_str());
    RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
    const int32_t first = engine ? engine->GetFirstParamID() : LRootModuleEngine::kFirstParamID;
    SetFirstParamID(nullptr, first, 0);
    if (engine) {
        static_cast<void>(engine->SetDevicePolling(true)); // without a device the editor still edits
        // The picture shows the model from the start, not only the values that change later.
        ParamDescriptors all;
        if (Succeeded(all.Set(first, IRootModule::kParamCount)))
            static_cast<void>(engine->RequestParamValues(all)); // an engine not ready yet answers later changes
    }
    return result;
}

ConstRCPtr<IDevice> LMainControl::GetDevice() const
{
    return ConstRCPtr<IDevice>(static_cast<const IDevice*>(m_deviceView.Get()));
}

RCPtr<LDeviceCommunicationInterface> LMainControl::GetDeviceCommunicationInterface()
{
    return nullptr;
}

KXRESULT LMainControl::OnParamModuleStateChange(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    const RCPtr<LRefCountedObject>& payload = n->GetPayload();
    if (auto* pair = dynamic_cast<ParamValuePair*>(payload.Get())) {
        if (!IsSuperseded(pair->key, pair->value))
            static_cast<void>(ApplyParamValue(pair->key, pair->value)); // always 0
    } else if (auto* list = dynamic_cast<ParamValuesBatch*>(payload.Get())) {
        const int count = list->GetCount();
        for (int i = 0; i < count; ++i) {
            ParamDescriptor d;
            Variant v;
            if (Succeeded(list->GetAt(i, d, v)))
                static_cast<void>(ApplyParamValue(d, v)); // always 0
        }
    }
    return 1;
}

KXRESULT LMainControl::ApplyParamValue(const ParamDescriptor& d, const Variant& v)
{
    m_echoParam = d.id;
    m_echoQualifier = d.selector;
    if (d.id == kDeviceListParam) {
        RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
        Array<Variant> devices;
        if (v.GetType() == 0 && engine && Failed(engine->GetRemoteDeviceList(devices))) {
            String text, caption;
            static_cast<void>(ShowMessageBox(GetString(text, u"HARDWARE_CONFIG_ERROR_MESSAGE"),
                                             GetString(caption, u"HARDWARE_CONFIG_ERROR_TITLE"), 0x10));
            PostExitRequest();
        }
    } else if (d.id != kIgnoredParam && v.GetType() != 0) {
        if (RCPtr<LParameterizedModule> module = IRootModule::GetModule(d.id))
            static_cast<void>(module->SetParamValueLocal(d, v, 1)); // a refused value leaves its panel as it was
    }
    m_echoParam = -1;
    m_echoQualifier = Variant();
    return S_OK;
}

// One change is posted and delivered later: by then an edit may have changed the value again, as when
// a name is typed faster than the idle passes come. Showing the older value would move the caret
// back under the typist; the notification of the newer value follows.
bool LMainControl::IsSuperseded(const ParamDescriptor& d, const Variant& v)
{
    RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
    Variant current;
    return engine && d.selector.GetType() == 0 && Succeeded(engine->GetParamValue(d.id, current)) &&
           current.GetType() != 0 && !(current == v);
}

KXRESULT LMainControl::ReportParamValueChange(const ParamDescriptor& d, const Variant& v)
{
    if (d.id == m_echoParam && d.selector == m_echoQualifier)
        return S_FALSE;
    RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
    return engine ? engine->SendParamValueToDevice(d, v) : E_FAIL;
}

KXRESULT LMainControl::RequestParamValue(int32_t id)
{
    RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
    ParamDescriptors descriptors;
    if (!engine || Failed(descriptors.Set(id, 1)))
        return E_FAIL;
    return engine->RequestParamValues(descriptors);
}

KXRESULT LMainControl::BreakCycles()
{
    m_deviceView = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
