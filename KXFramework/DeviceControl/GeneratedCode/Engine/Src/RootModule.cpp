#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModule.h"

#include "KXFramework/Application/DebugLog.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceModel.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"

LRootModule::LRootModule(LRootModuleEngine* engine, const KX::RCPtr<LParamCache>& cache)
    : m_engine(engine),
      m_cache(cache),
      m_device(new LDevice)
{
}

LRootModule::~LRootModule() = default;

KX::ConstRCPtr<IDevice> LRootModule::GetDevice() const
{
    return KX::ConstRCPtr<IDevice>(m_device);
}

KX::RCPtr<LDeviceCommunicationInterface> LRootModule::GetPort()
{
    KX::MutexLock lock(m_portLock);
    return m_port;
}

KX::RCPtr<LDeviceCommunicationInterface> LRootModule::GetDeviceCommunicationInterface()
{
    return GetPort();
}

KXRESULT LRootModule::ReportParamValueChange(const KX::ParamDescriptor& d, const KX::Variant& v)
{
    LRootModuleEngine* engine = m_engine;
    return engine ? engine->SendParamValueToDevice(d, v) : KX::E_FAIL;
}

KXRESULT LRootModule::SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& v)
{
    return ReportParamValueChange(d, v);
}

KXRESULT LRootModule::SendParamValue(const KX::ParamDescriptor& d, const KX::Variant& v)
{
    KX::RCPtr<LParameterizedModule> leaf = GetModule(d.id);
    if (!leaf)
        return KX::E_INVALIDARG;
    const KXRESULT r = leaf->SetParamValueLocal(d, v, 1);
    if (KX::Failed(r))
        return r;
    ForwardToDevice(d, v);
    return r;
}

void LRootModule::ForwardToDevice(const KX::ParamDescriptor& d, const KX::Variant& v)
{
    KX::RCPtr<LDeviceCommunicationInterface> port = GetPort();
    if (!port || !port->HasRemoteLink())
        return;
    const KXRESULT r = port->SetParamValue(d, v);
    if (KX::Failed(r))
        KX::DebugLog("Device model: sending parameter %d to the device failed (0x%X)", d.id, static_cast<unsigned>(r));
}

KXRESULT LRootModule::GetParamValue(const KX::ParamDescriptor& d, KX::Variant& out) const
{
    return GetCachedParamValue(d, out);
}

KXRESULT LRootModule::SetCachedParamValue(const KX::ParamDescriptor& d, const KX::Variant& v)
{
    if (d.selector.GetType() != KX::Variant::Empty)
        return KX::E_INVALIDARG;
    return m_cache->Set(d.id, v);
}

KXRESULT LRootModule::GetCachedParamValue(const KX::ParamDescriptor& d, KX::Variant& out) const
{
    return m_cache->Get(d.id, out);
}

void LRootModule::ReceiveParamValues(const ParamValuesBatch& batch)
{
    LRootModuleEngine* engine = m_engine;
    if (!engine)
        return;
    KX::Array<KX::ParamValue> accepted;
    const int count = batch.GetCount();
    for (int i = 0; i < count; ++i) {
        KX::ParamValue item;
        if (KX::Failed(batch.GetAt(i, item.descriptor, item.value))) {
            KX::DebugLog("Device model: malformed item %d of a received batch dropped", i);
            continue;
        }
        if (item.descriptor.id == LDeviceCommunicationInterface::kParamConnectionState) {
            KX::Variant state, connected;
            if (item.value.GetListItem(0, state) == 0 && item.value.GetListItem(1, connected) == 0)
                engine->OnConnectionState(state.ToInt64(), connected.ToBool());
            else
                KX::DebugLog("Device model: malformed connection state dropped");
            continue;
        }
        if (KX::Failed(m_cache->Check(item))) {
            KX::DebugLog("Device model: received value for parameter %d dropped", item.descriptor.id);
            continue;
        }
        if (KX::Succeeded(m_cache->Set(item.descriptor.id, item.value)))
            accepted.AddItem(item);
    }
    engine->PostParamChanges(accepted);
}

KXRESULT LRootModule::AttachPort(const KX::RCPtr<LDeviceCommunicationInterface>& port)
{
    if (!port)
        return KX::E_INVALIDARG;
    {
        KX::MutexLock lock(m_portLock);
        m_port = port;
    }
    port->SetListener(this);
    port->SetReceiveEnabled(true);
    return KX::S_OK;
}

KXRESULT LRootModule::AnnounceConnectionState(int64_t state)
{
    KX::RCPtr<LDeviceCommunicationInterface> port = GetPort();
    if (!port)
        return KX::E_FAIL;
    KX::Variant value;
    value.SetData(KX::Variant::Int64, &state, sizeof state);
    return port->SetParamValue(KX::ParamDescriptor(LDeviceCommunicationInterface::kParamConnectionState), value);
}

void LRootModule::DetachPort()
{
    KX::RCPtr<LDeviceCommunicationInterface> port;
    {
        KX::MutexLock lock(m_portLock);
        port = m_port;
        m_port = KX::RCPtr<LDeviceCommunicationInterface>();
    }
    if (!port)
        return;
    port->SetReceiveEnabled(false);
    port->SetListener(nullptr);
}

void LRootModule::ForgetEngine()
{
    m_engine = nullptr;
}
