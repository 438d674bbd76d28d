#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceCommunicationInterface.h"

#include <chrono>
#include <thread>

namespace {

constexpr const char* kMakerNames[] = {"Velmora"};
constexpr const char* kProductNames[] = {"Kivo 61 Preset Editor"};

// The items of the library's result list, or nothing when the result is no list of items.
void TakeDevices(const KX::Variant& result, KX::Array<KX::Variant>& devices)
{
    devices.SetCount(0);
    if (result.GetType() != KX::Variant::List || result.GetSize() <= 4)
        return;
    const unsigned count = result.GetListCount();
    for (unsigned i = 0; i < count; ++i) {
        KX::Variant item;
        if (result.GetListItem(static_cast<int>(i), item) == 0)
            devices.AddItem(item);
    }
}

} // namespace

// Hands the queued batches to the listener; run by the interface's gated threader.
class LDeviceCommunicationThreadWorker : public KX::LThreadWorker {
public:
    KXRESULT Run(const KX::RCPtr<KX::LRefCountedObject>& parameters) override
    {
        // No reference of its own: the threader's hold keeps the interface while this runs, and a
        // reference dropped here could be the last, ending the interface on this thread unjoined.
        auto* port = dynamic_cast<LDeviceCommunicationInterface*>(parameters.Get());
        if (!port)
            return KX::E_FAIL;
        port->DeliverQueued();
        return KX::S_OK;
    }
};

KX::RCPtr<LDeviceCommunicationInterface> LDeviceCommunicationInterface::Create()
{
    KX::RCPtr<LDeviceCommunicationInterface> port(new LDeviceCommunicationInterface);
    StartWorker(port);
    return port;
}

void LDeviceCommunicationInterface::StartWorker(const KX::RCPtr<LDeviceCommunicationInterface>& port)
{
    port->m_threader = KX::LEventGatedThreader::Create(
        port->m_receiveEvent, KX::RCPtr<KX::LThreadWorker>(new LDeviceCommunicationThreadWorker),
        KX::RCPtr<KX::LRefCountedObject>(port), 0);
    // The threader's hold on this interface is taken back in BreakCycles.
    port->AdjustOwnerCount(1);
}

LDeviceCommunicationInterface::LDeviceCommunicationInterface()
    : m_queue(&m_queueLock),
      m_receiveEvent(KX::LEvent::Create(true))
{
}

LDeviceCommunicationInterface::~LDeviceCommunicationInterface()
{
    SetReceiveEnabled(false);
    if (m_client) {
        m_client->DisconnectDevice(&m_deviceId);
        m_client.reset();
    }
    m_listener = nullptr;
}

KXRESULT LDeviceCommunicationInterface::BreakCycles()
{
    if (m_threader) {
        m_threader = KX::RCPtr<KX::LEventGatedThreader>();
        AdjustOwnerCount(-1);
    }
    return KX::LRefCountedObject::BreakCycles();
}

KXRESULT LDeviceCommunicationInterface::LoadClient(const char* libraryPath)
{
    KX::MutexLock lock(m_lock);
    if (m_client)
        return KX::S_FALSE;
    try {
        m_client = std::make_unique<KX::DeviceControlClientInterface>(libraryPath);
    } catch (const std::bad_alloc&) {
        return KX::E_FAIL;
    }
    return KX::S_OK;
}

bool LDeviceCommunicationInterface::IsConnected()
{
    return true;
}

bool LDeviceCommunicationInterface::NotifyConnectionState(int64_t value)
{
    DeviceCommunicationReceiver* listener = m_listener;
    if (!listener)
        return false;
    KX::MutexLock lock(m_lock);
    const bool connected = IsConnected();
    KX::Variant items[2];
    items[0].SetData(KX::Variant::Int64, &value, sizeof value);
    const uint8_t flag = connected ? 1 : 0;
    items[1].SetData(KX::Variant::Bool, &flag, sizeof flag);
    KX::Variant state;
    state.SetList(items, 2);
    KX::RCPtr<ParamValuesBatch> batch(new ParamValuesBatch);
    // A batch of one is always taken.
    static_cast<void>(batch->Set(KX::ParamDescriptor(kParamConnectionState), state));
    listener->ReceiveParamValues(*batch);
    return connected;
}

void LDeviceCommunicationInterface::Synchronize()
{
    KX::MutexLock lock(m_lock);
}

KX::DeviceControlClientInterface* LDeviceCommunicationInterface::GetClient(KX::Variant* deviceId)
{
    KX::MutexLock lock(m_lock);
    if (deviceId)
        *deviceId = m_deviceId;
    return m_client.get();
}

bool LDeviceCommunicationInterface::HasLibrary()
{
    KX::DeviceControlClientInterface* client = GetClient(nullptr);
    return client && client->IsLoaded();
}

bool LDeviceCommunicationInterface::HasRemoteLink()
{
    KX::MutexLock lock(m_lock);
    return m_linked && m_client && m_client->IsLoaded();
}

KXRESULT LDeviceCommunicationInterface::FindRemoteDevices(const KX::Array<KX::GUID>& types,
                                                          KX::Array<KX::Variant>& devices, unsigned timeoutMs)
{
    KX::DeviceControlClientInterface* client = GetClient(nullptr);
    if (!client)
        return -1;
    const KX::Array<KX::Variant> previous(devices);
    for (unsigned elapsed = 0;; elapsed += kSearchStepMs) {
        KX::Variant result;
        if (client->FindRemoteDevices(types.GetData(), types.GetCount(), &result, 0) < 0)
            return KX::E_FAIL;
        TakeDevices(result, devices);
        if (!(devices == previous))
            return KX::S_OK;
        if (elapsed >= timeoutMs)
            return KX::S_FALSE;
        std::this_thread::sleep_for(std::chrono::milliseconds(kSearchStepMs));
    }
}

KXRESULT LDeviceCommunicationInterface::FindRemoteDevicesOnce(const KX::Array<KX::GUID>& types,
                                                              KX::Array<KX::Variant>& devices)
{
    KX::DeviceControlClientInterface* client = GetClient(nullptr);
    if (!client)
        return -1;
    KX::Variant result;
    const KXRESULT r = client->FindRemoteDevices(types.GetData(), types.GetCount(), &result, 1);
    if (r >= 0)
        TakeDevices(result, devices);
    return r;
}

KXRESULT LDeviceCommunicationInterface::ConnectDevice(const KX::Variant& deviceId)
{
    KX::DeviceControlClientInterface* client;
    {
        KX::MutexLock lock(m_lock);
        client = m_client.get();
        if (!client)
            return -1;
        m_deviceId = deviceId;
        m_linked = false;
    }
    const KXRESULT r = client->ConnectDevice(&deviceId, &OnValuesReceived, this);
    if (r >= 0) {
        KX::MutexLock lock(m_lock);
        m_linked = true;
    }
    return r;
}

KXRESULT LDeviceCommunicationInterface::RequestParamRanges(void* x)
{
    KX::Variant id;
    KX::DeviceControlClientInterface* client = GetClient(&id);
    return client ? client->RequestParamRanges(&id, x) : -1;
}

KXRESULT LDeviceCommunicationInterface::RequestParamValues(const KX::ParamDescriptors& descriptors)
{
    KX::Variant id;
    KX::DeviceControlClientInterface* client = GetClient(&id);
    return client ? client->RequestParamValues(&id, &descriptors) : -1;
}

KXRESULT LDeviceCommunicationInterface::RequestParamValues(const KX::ParamDescriptor& descriptor)
{
    KX::Variant id;
    KX::DeviceControlClientInterface* client = GetClient(&id);
    return client ? client->RequestParamValues(&id, descriptor) : -1;
}

KXRESULT LDeviceCommunicationInterface::GetParamRanges(void* a, void* b)
{
    KX::Variant id;
    KX::DeviceControlClientInterface* client = GetClient(&id);
    return client ? client->GetParamRanges(&id, a, b) : -1;
}

KXRESULT LDeviceCommunicationInterface::GetParamValues(void* a, void* b)
{
    KX::Variant id;
    KX::DeviceControlClientInterface* client = GetClient(&id);
    return client ? client->GetParamValues(&id, a, b) : -1;
}

KXRESULT LDeviceCommunicationInterface::GetParamValue(const KX::ParamDescriptor& d, KX::Variant& value)
{
    if (HasLibrary()) {
        KX::Variant id;
        KX::DeviceControlClientInterface* client = GetClient(&id);
        return client->GetParamValue(&id, &d, &value);
    }
    int32_t type = 0;
    static_cast<void>(GetDeviceTypeIndex(type)); // always S_OK
    switch (d.id) {
    case kParamConnected: {
        const uint8_t connected = IsConnected() ? 1 : 0;
        value.SetData(KX::Variant::Bool, &connected, sizeof connected);
        return KX::S_OK;
    }
    case kParamPseudo:
        return GetPseudoParamValue(value);
    case kParamMakerName:
        value.SetString(kMakerNames[type]);
        return KX::S_OK;
    case kParamProductName:
        value.SetString(kProductNames[type]);
        return KX::S_OK;
    default:
        return KX::E_FAIL;
    }
}

KXRESULT LDeviceCommunicationInterface::SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& value)
{
    if (!m_listener)
        return KX::E_FAIL;
    if (d.id == kParamConnectionState)
        return NotifyConnectionState(value.ToInt64()) ? KX::S_OK : KX::S_FALSE;
    if (d.id >= -242 && d.id <= -240)
        return KX::E_FAIL;
    if (HasLibrary()) {
        KX::Variant id;
        KX::DeviceControlClientInterface* client = GetClient(&id);
        return client->SetParamValue(&id, &d, &value);
    }
    if (d.id == kParamPseudo)
        return SetPseudoParamValue(value);
    return KX::E_FAIL;
}

KXRESULT LDeviceCommunicationInterface::SetParamValues(void* x)
{
    KX::Variant id;
    KX::DeviceControlClientInterface* client = GetClient(&id);
    return client ? client->SetParamValues(&id, x) : -1;
}

bool LDeviceCommunicationInterface::IsDeviceConnected()
{
    return true;
}

KXRESULT LDeviceCommunicationInterface::CheckDeviceConnection()
{
    if (!GetClient(nullptr))
        return -1;
    return IsDeviceConnected() ? KX::S_OK : -3;
}

KXRESULT LDeviceCommunicationInterface::DisconnectDevice()
{
    KX::Variant id;
    KX::DeviceControlClientInterface* client = GetClient(&id);
    if (!client)
        return -1;
    {
        KX::MutexLock lock(m_lock);
        m_linked = false;
    }
    return client->DisconnectDevice(&id);
}

KXRESULT LDeviceCommunicationInterface::GetDeviceInfo(const KX::Variant* deviceId, uint8_t* info)
{
    KX::DeviceControlClientInterface* client = GetClient(nullptr);
    return client ? client->GetDeviceInfo(deviceId, info) : -1;
}

KXRESULT LDeviceCommunicationInterface::GetPseudoParamValue(KX::Variant& value)
{
    KX::Variant id;
    KX::DeviceControlClientInterface* client = GetClient(&id);
    if (!client)
        return -1;
    const KX::ParamDescriptor d(kParamPseudo);
    return client->GetParamValue(&id, &d, &value);
}

KXRESULT LDeviceCommunicationInterface::SetPseudoParamValue(const KX::Variant& value)
{
    KX::Variant id;
    KX::DeviceControlClientInterface* client = GetClient(&id);
    if (!client)
        return -1;
    const KX::ParamDescriptor d(kParamPseudo);
    return client->SetParamValue(&id, &d, &value);
}

KXRESULT LDeviceCommunicationInterface::GetDeviceTypeIndex(int32_t& index)
{
    index = 0;
    return KX::S_OK;
}

void LDeviceCommunicationInterface::SetListener(DeviceCommunicationReceiver* listener)
{
    m_listener = listener;
}

void LDeviceCommunicationInterface::SetReceiveEnabled(bool enabled)
{
    m_receiveEnabled = enabled;
    if (!enabled)
        KX::MutexLock wait(m_deliveryLock);
}

int LDeviceCommunicationInterface::GetQueuedBatchCount() const
{
    return m_queue.GetCount();
}

void LDeviceCommunicationInterface::OnValuesReceived(void* context, void*, const KX::ParamValues* values)
{
    auto* port = static_cast<LDeviceCommunicationInterface*>(context);
    if (!port || !values)
        return;
    port->m_queue.Enqueue(KX::RCPtr<ParamValuesBatch>(new ParamValuesBatch(*values)));
    port->m_receiveEvent->Set();
}

void LDeviceCommunicationInterface::DeliverQueued()
{
    KX::MutexLock lock(m_deliveryLock);
    while (m_queue.GetCount() > 0) {
        KX::RCPtr<ParamValuesBatch> batch = m_queue.Dequeue();
        DeviceCommunicationReceiver* listener = m_listener;
        if (m_receiveEnabled && listener && batch)
            listener->ReceiveParamValues(*batch);
    }
}
