#pragma once
// The root of the device model. It owns the device tree, answers the leaves' value requests from
// the parameter cache, routes writes through the engine, and receives the batches that arrive
// through the device communication interface.
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceCommunicationInterface.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ModuleInterfaces.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamCache.h"

#include <atomic>

class LDevice;
class LRootModuleEngine;

class LRootModule : public IRootModule, public DeviceCommunicationReceiver {
public:
    // Builds the device tree; `engine` is the owner and is not counted.
    LRootModule(LRootModuleEngine* engine, const KX::RCPtr<LParamCache>& cache);
    ~LRootModule() override;

    using IRootModule::GetDevice;
    KX::ConstRCPtr<IDevice> GetDevice() const override;
    KX::RCPtr<LDeviceCommunicationInterface> GetDeviceCommunicationInterface() override;
    // Both go through the engine, so that such a write is gated and announced like every other.
    [[nodiscard]] KXRESULT ReportParamValueChange(const KX::ParamDescriptor& d, const KX::Variant& v) override;
    [[nodiscard]] KXRESULT SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& v) override;
    // Writes the value into the model through its leaf and, while a remote device is linked, sends
    // it on; a failed send is logged and does not change the result.
    [[nodiscard]] KXRESULT SendParamValue(const KX::ParamDescriptor& d, const KX::Variant& v) override;
    [[nodiscard]] KXRESULT GetParamValue(const KX::ParamDescriptor& d, KX::Variant& out) const override;
    [[nodiscard]] KXRESULT SetCachedParamValue(const KX::ParamDescriptor& d, const KX::Variant& v) override;
    [[nodiscard]] KXRESULT GetCachedParamValue(const KX::ParamDescriptor& d, KX::Variant& out) const override;

    // A batch from the port: the -4 answer sets the engine's state; model values go into the cache
    // and are announced; everything else is logged and dropped.
    void ReceiveParamValues(const ParamValuesBatch& batch) override;

    // Becomes the port's listener and switches receiving on.
    [[nodiscard]] KXRESULT AttachPort(const KX::RCPtr<LDeviceCommunicationInterface>& port);
    // Announces `state` through pseudo parameter -4; the port answers at once.
    [[nodiscard]] KXRESULT AnnounceConnectionState(int64_t state);
    // Switches receiving off (waiting for a delivery in progress) and lets the port go.
    void DetachPort();
    // Sends a value on when a remote device is linked; a failure is logged only.
    void ForwardToDevice(const KX::ParamDescriptor& d, const KX::Variant& v);
    // From now on batches are ignored.
    void ForgetEngine();

private:
    KX::RCPtr<LDeviceCommunicationInterface> GetPort();

    std::atomic<LRootModuleEngine*> m_engine;
    KX::RCPtr<LParamCache> m_cache;
    KX::RCPtr<LDevice> m_device;
    KX::Mutex m_portLock;
    KX::RCPtr<LDeviceCommunicationInterface> m_port;
};
