#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"

#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"

namespace {

constexpr const char16_t* kParamModuleStateChange = u"NID_PARAM_MODULE_STATE_CHANGE";
constexpr const char16_t* kDeviceConnectionStateChange = u"NID_DEVICE_CONNECTION_STATE_CHANGE";
constexpr const char16_t* kRemoteDeviceListChange = u"NID_REMOTE_DEVICE_LIST_CHANGE";

using ParamValuePair = KX::LPair<KX::ParamDescriptor, KX::Variant, &KX::ParamDescriptorToString>;

void Post(const char16_t* name, const KX::RCPtr<KX::LRefCountedObject>& payload)
{
    KX::RCPtr<KX::LNotification> n;
    if (KX::Failed(KX::LNotification::Create(n, name, payload)) || !n)
        return;
    KX::RCPtr<KX::LNotificationCenter> centre = KX::GetDefaultNotificationCenter();
    if (!centre || KX::Failed(centre->PostNotification(n)))
        KX::DebugLog("Device model: posting a notification failed");
}

void PostParamChange(const KX::ParamDescriptor& d, const KX::Variant& value)
{
    KX::RCPtr<ParamValuePair> pair(new ParamValuePair(d, value));
    Post(kParamModuleStateChange, KX::RCPtr<KX::LRefCountedObject>(pair));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The application's engine

void LRootModuleEngine::GetRootModuleEngine(KX::RCPtr<LRootModuleEngine>& out)
{
    out = GetRootModuleEngine();
}

KX::RCPtr<LRootModuleEngine> LRootModuleEngine::GetRootModuleEngine()
{
    return EngineSlot().Get();
}

void LRootModuleEngine::SetRootModuleEngine(const KX::RCPtr<LRootModuleEngine>& engine)
{
    EngineSlot().Set(engine);
}

KX::ServiceSlot<KX::RCPtr<LRootModuleEngine>>& LRootModuleEngine::EngineSlot()
{
    // Never destroyed: a late reader at exit finds it empty, not freed.
    static auto* slot = new KX::ServiceSlot<KX::RCPtr<LRootModuleEngine>>;
    return *slot;
}

KX::RCPtr<LRootModuleEngine> LRootModuleEngine::Create()
{
    return KX::RCPtr<LRootModuleEngine>(new LRootModuleEngine);
}

KX::RCPtr<LDeviceCommunicationInterface> LRootModuleEngine::MakeDeviceCommunicationInterface()
{
    return LDeviceCommunicationInterface::Create();
}

// ---------------------------------------------------------------------------------------------
// Life cycle

KXRESULT LRootModuleEngine::Initialize(unsigned)
{
    {
        KX::MutexLock lock(m_lock);
        if (m_initialised)
            return KX::S_FALSE;
        m_initialised = true;
    }
    // The tree is numbered before other threads can reach it.
    KX::RCPtr<LParamCache> cache(new LParamCache(kFirstParamID));
    KX::RCPtr<LRootModule> root(new LRootModule(this, cache));
    root->SetFirstParamID(nullptr, kFirstParamID, 0);
    {
        KX::MutexLock lock(m_lock);
        m_cache = cache;
        m_root = root;
    }

    KX::RCPtr<LDeviceCommunicationInterface> port;
    try {
        port = MakeDeviceCommunicationInterface();
    } catch (const std::exception& e) {
        KX::DebugLog("Device model: the device communication interface cannot be made: %s", e.what());
    }
    if (!port) {
        SetConnectionState(Disconnected);
        return KX::E_FAIL;
    }
    static_cast<void>(root->AttachPort(port)); // port is not null here
    const KXRESULT loaded = port->LoadClient();
    if (loaded != KX::S_OK)
        KX::DebugLog("Device model: loading the device-control client gave 0x%X", static_cast<unsigned>(loaded));

    KX::RCPtr<KX::LEvent> event = KX::LEvent::Create(true);
    KX::RCPtr<KX::LEventGatedThreader> threader = KX::LEventGatedThreader::Create(
        event, KX::RCPtr<KX::LThreadWorker>(this), KX::RCPtr<KX::LRefCountedObject>(), 0);
    // The threader's hold on the engine is taken back in BreakCycles.
    AdjustOwnerCount(1);
    bool polling;
    {
        KX::MutexLock lock(m_lock);
        m_port = port;
        m_event = event;
        m_threader = threader;
        polling = m_polling;
    }
    if (polling) {
        threader->SetWaitTime(kPollingWaitMs);
        event->Set();
    }

    // Connecting is passed through without an announcement: the port answers at once.
    {
        KX::MutexLock lock(m_lock);
        m_state = Connecting;
    }
    const KXRESULT announced = root->AnnounceConnectionState(Connected);
    if (GetConnectionState() == Connecting) {
        // The interface refused the announcement without answering it.
        KX::DebugLog("Device model: announcing the connection state gave 0x%X", static_cast<unsigned>(announced));
        SetConnectionState(Disconnected);
    }
    return GetConnectionState() == Connected ? KX::S_OK : KX::E_FAIL;
}

KXRESULT LRootModuleEngine::BreakCycles()
{
    KX::RCPtr<KX::LEventGatedThreader> threader;
    KX::RCPtr<LRootModule> root;
    {
        KX::MutexLock lock(m_lock);
        threader = m_threader;
        m_threader = KX::RCPtr<KX::LEventGatedThreader>();
        root = m_root;
    }
    if (threader) {
        threader = KX::RCPtr<KX::LEventGatedThreader>(); // joins the worker thread
        AdjustOwnerCount(-1);
    }
    if (root) {
        root->DetachPort();
        root->ForgetEngine();
    }
    {
        KX::MutexLock lock(m_lock);
        m_state = Disconnected;
    }
    return KX::LRefCountedObject::BreakCycles();
}

int32_t LRootModuleEngine::GetFirstParamID() const
{
    KX::MutexLock lock(m_lock);
    return m_root ? m_root->GetFirstParamID() : -1;
}

LRootModuleEngine::DeviceConnectionState LRootModuleEngine::GetConnectionState() const
{
    KX::MutexLock lock(m_lock);
    return m_state;
}

KX::RCPtr<LRootModule> LRootModuleEngine::GetRootModule()
{
    KX::MutexLock lock(m_lock);
    return m_root;
}

void LRootModuleEngine::SetConnectionState(DeviceConnectionState state)
{
    {
        KX::MutexLock lock(m_lock);
        if (m_state == state)
            return;
        m_state = state;
    }
    KX::RCPtr<KX::LHolder<DeviceConnectionState>> holder = KX::LHolder<DeviceConnectionState>::Create();
    *holder->value = state;
    Post(kDeviceConnectionStateChange, KX::RCPtr<KX::LRefCountedObject>(holder));
}

void LRootModuleEngine::OnConnectionState(int64_t value, bool connected)
{
    const bool known = value >= Uninitialised && value <= Connected;
    SetConnectionState(connected && known ? static_cast<DeviceConnectionState>(value) : Disconnected);
}

// ---------------------------------------------------------------------------------------------
// Values

KXRESULT LRootModuleEngine::GetParamValues(int32_t firstId, int32_t count, KX::Array<KX::ParamValue>& out,
                                           int32_t startIndex)
{
    KX::RCPtr<LParamCache> cache;
    {
        KX::MutexLock lock(m_lock);
        cache = m_cache;
    }
    return cache ? cache->GetRange(firstId, count, out, startIndex) : KX::E_FAIL;
}

KXRESULT LRootModuleEngine::GetParamValue(int32_t id, KX::Variant& out)
{
    out.Clear();
    KX::RCPtr<LRootModule> root = GetRootModule();
    KX::RCPtr<LParameterizedModule> module = root ? root->GetModule(id) : KX::RCPtr<LParameterizedModule>();
    if (!module)
        return KX::E_INVALIDARG;
    return module->GetParamValueLocal(KX::ParamDescriptor(id), out);
}

KXRESULT LRootModuleEngine::RequestParamValues(const KX::ParamDescriptors& descriptors)
{
    KX::Array<KX::ParamValue> values;
    const int count = descriptors.GetCount();
    for (int i = 0; i < count; ++i) {
        KX::ParamValue value;
        if (KX::Failed(descriptors.GetAt(i, value.descriptor)))
            continue;
        if (KX::Succeeded(GetParamValue(value.descriptor.id, value.value)))
            values.AddItem(value);
    }
    PostParamChanges(values);
    return KX::S_OK;
}

KXRESULT LRootModuleEngine::SendParamValueToDevice(const int& id, const KX::Variant& value)
{
    return SendParamValueToDevice(KX::ParamDescriptor(id), value);
}

KXRESULT LRootModuleEngine::SendParamValueToDevice(const KX::ParamDescriptor& d, const KX::Variant& value)
{
    KX::RCPtr<LRootModule> root;
    {
        KX::MutexLock lock(m_lock);
        if (m_state != Connected)
            return KX::E_FAIL;
        root = m_root;
    }
    const KXRESULT r = root->SendParamValue(d, value);
    if (KX::Failed(r))
        return r;
    PostParamChange(d, value);
    return KX::S_OK;
}

KXRESULT LRootModuleEngine::ApplyParamValues(const KX::Array<KX::ParamValue>& values)
{
    KX::RCPtr<LRootModule> root;
    KX::RCPtr<LParamCache> cache;
    {
        KX::MutexLock lock(m_lock);
        if (m_state != Connected)
            return KX::E_FAIL;
        root = m_root;
        cache = m_cache;
    }
    const KXRESULT r = cache->SetMany(values);
    if (KX::Failed(r))
        return r;
    PostParamChanges(values);
    for (const KX::ParamValue& v : values)
        root->ForwardToDevice(v.descriptor, v.value);
    return KX::S_OK;
}

void LRootModuleEngine::PostParamChanges(const KX::Array<KX::ParamValue>& values)
{
    const unsigned count = values.GetCount();
    if (count == 0)
        return;
    if (count < 3) {
        for (unsigned i = 0; i < count; ++i)
            PostParamChange(values.GetAt(i).descriptor, values.GetAt(i).value);
        return;
    }
    KX::RCPtr<ParamValuesBatch> batch(new ParamValuesBatch);
    static_cast<void>(batch->Set(values)); // an empty batch still announces the change
    Post(kParamModuleStateChange, KX::RCPtr<KX::LRefCountedObject>(batch));
}

// ---------------------------------------------------------------------------------------------
// Remote devices

void LRootModuleEngine::StoreDeviceList(const KX::Array<KX::Variant>& devices)
{
    {
        KX::MutexLock lock(m_lock);
        if (m_devices == devices)
            return;
        m_devices = devices;
    }
    KX::RCPtr<KX::LHolder<unsigned>> holder = KX::LHolder<unsigned>::Create();
    *holder->value = devices.GetCount();
    Post(kRemoteDeviceListChange, KX::RCPtr<KX::LRefCountedObject>(holder));
    ConnectFirstDevice(devices);
}

void LRootModuleEngine::ConnectFirstDevice(const KX::Array<KX::Variant>& devices)
{
    KX::RCPtr<LDeviceCommunicationInterface> port;
    {
        KX::MutexLock lock(m_lock);
        port = m_port;
    }
    if (!port || devices.GetCount() == 0)
        return;
    const KX::Variant& device = devices.GetAt(0);
    KXRESULT r = port->ConnectDevice(device);
    KX::DebugLog("Device model: connecting to a remote device gave 0x%X", static_cast<unsigned>(r));
    if (KX::Failed(r))
        return;
    uint8_t info = 0;
    r = port->GetDeviceInfo(&device, &info);
    KX::DebugLog("Device model: remote device information 0x%X (result 0x%X)", info, static_cast<unsigned>(r));
}

KXRESULT LRootModuleEngine::SetDevicePolling(bool on)
{
    KX::RCPtr<LDeviceCommunicationInterface> port;
    KX::RCPtr<KX::LEvent> event;
    KX::RCPtr<KX::LEventGatedThreader> threader;
    {
        KX::MutexLock lock(m_lock);
        if (m_polling == on)
            return KX::S_OK;
        m_polling = on;
        port = m_port;
        event = m_event;
        threader = m_threader;
    }
    if (!on) {
        if (threader)
            threader->SetWaitTime(KX::Event::kInfinite);
        return KX::S_OK;
    }
    if (port) {
        KX::Array<KX::Variant> devices;
        if (KX::Succeeded(port->FindRemoteDevicesOnce(KX::Array<KX::GUID>(), devices)))
            StoreDeviceList(devices);
    }
    if (threader) {
        threader->SetWaitTime(kPollingWaitMs);
        event->Set();
    }
    return KX::S_OK;
}

KXRESULT LRootModuleEngine::GetRemoteDeviceList(KX::Array<KX::Variant>& out)
{
    KX::RCPtr<LDeviceCommunicationInterface> port;
    {
        KX::MutexLock lock(m_lock);
        if (m_polling) {
            out = m_devices;
            return KX::S_OK;
        }
        port = m_port;
    }
    if (!port)
        return KX::E_FAIL;
    return port->FindRemoteDevicesOnce(KX::Array<KX::GUID>(), out);
}

KXRESULT LRootModuleEngine::Run(const KX::RCPtr<KX::LRefCountedObject>&)
{
    KX::RCPtr<LDeviceCommunicationInterface> port;
    KX::Array<KX::Variant> devices;
    {
        KX::MutexLock lock(m_lock);
        if (!m_polling || !m_port)
            return KX::S_OK;
        port = m_port;
        devices = m_devices;
    }
    if (port->FindRemoteDevices(KX::Array<KX::GUID>(), devices, kPollingWaitMs) == KX::S_OK)
        StoreDeviceList(devices);
    return KX::S_OK;
}
