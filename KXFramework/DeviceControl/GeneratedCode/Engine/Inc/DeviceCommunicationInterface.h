#pragma once
// The device-model engine's link to a device reached through the device-control client library.
// It answers a few pseudo parameters itself when no library is loaded, and carries values that the
// library pushes to a listener: the library's callback queues them, and a worker thread hands them
// to the listener one batch at a time, in arrival order.
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceControlClientInterface.h"
#include "KXFramework/ObjectBase/Mutex.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/RCPtrQueue.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"
#include "KXFramework/Utilities/Threads/Event.h"
#include "KXFramework/Utilities/Threads/EventGatedThreader.h"
#include "KXFramework/Utilities/Threads/ThreadWorker.h"

#include <atomic>
#include <memory>

using ParamValuesBatch = KX::LWrapper<KX::ParamValues, KX::LRefCountedObject>;

// Receives the batches of values that arrive from the device.
class DeviceCommunicationReceiver {
public:
    virtual void ReceiveParamValues(const ParamValuesBatch& batch) = 0;

protected:
    virtual ~DeviceCommunicationReceiver() = default;
};

class LDeviceCommunicationInterface : public virtual KX::LRefCountedObject {
public:
    // Pseudo parameters: connected (-2), connection state (-4), device pseudo value (-8), maker
    // name (-9), product name (-10); -240..-242 are refused.
    static constexpr int32_t kParamConnected = -2;
    static constexpr int32_t kParamConnectionState = -4;
    static constexpr int32_t kParamPseudo = -8;
    static constexpr int32_t kParamMakerName = -9;
    static constexpr int32_t kParamProductName = -10;
    // The library's polling search waits this long between two calls.
    static constexpr unsigned kSearchStepMs = 250;

    // Receive disabled, no listener, no client; the worker thread waits for the first batch.
    static KX::RCPtr<LDeviceCommunicationInterface> Create();
    ~LDeviceCommunicationInterface() override;

    // 1 when the client exists; otherwise makes it from `libraryPath` (default: the program's
    // folder) and returns 0, also when the library is absent.
    [[nodiscard]] virtual KXRESULT LoadClient(const char* libraryPath = nullptr);
    virtual bool IsConnected();
    // Hands the listener, at once and on this thread, a one-item batch for pseudo parameter -4 whose
    // value is [value (int64), connected (bool)]; returns connected, false without a listener.
    virtual bool NotifyConnectionState(int64_t value);
    // Waits for an operation in progress that holds the interface lock.
    virtual void Synchronize();
    // 0 when the device list changed, 1 when the time-out passed without a change, E_FAIL when the
    // library failed, -1 without a client. Calls the library every 250 ms until then.
    [[nodiscard]] virtual KXRESULT FindRemoteDevices(const KX::Array<KX::GUID>& types, KX::Array<KX::Variant>& devices,
                                                     unsigned timeoutMs);
    // One search; the library's result. `devices` is replaced unless the result is negative.
    [[nodiscard]] virtual KXRESULT FindRemoteDevicesOnce(const KX::Array<KX::GUID>& types,
                                                         KX::Array<KX::Variant>& devices);
    [[nodiscard]] virtual KXRESULT ConnectDevice(const KX::Variant& deviceId);
    [[nodiscard]] virtual KXRESULT RequestParamRanges(void* x);
    [[nodiscard]] virtual KXRESULT RequestParamValues(const KX::ParamDescriptors& descriptors);
    [[nodiscard]] virtual KXRESULT RequestParamValues(const KX::ParamDescriptor& descriptor);
    [[nodiscard]] virtual KXRESULT GetParamRanges(void* a, void* b);
    [[nodiscard]] virtual KXRESULT GetParamValues(void* a, void* b);
    [[nodiscard]] virtual KXRESULT GetParamValue(const KX::ParamDescriptor& d, KX::Variant& value);
    [[nodiscard]] virtual KXRESULT SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& value);
    [[nodiscard]] virtual KXRESULT SetParamValues(void* x);
    virtual bool IsDeviceConnected();
    // -1 without a client, else 0.
    [[nodiscard]] virtual KXRESULT CheckDeviceConnection();
    [[nodiscard]] virtual KXRESULT DisconnectDevice();
    [[nodiscard]] virtual KXRESULT GetDeviceInfo(const KX::Variant* deviceId, uint8_t* info);
    [[nodiscard]] virtual KXRESULT GetPseudoParamValue(KX::Variant& value);
    [[nodiscard]] virtual KXRESULT SetPseudoParamValue(const KX::Variant& value);
    [[nodiscard]] virtual KXRESULT GetDeviceTypeIndex(int32_t& index);

    void SetListener(DeviceCommunicationReceiver* listener);
    // Switching off waits until a delivery in progress has ended.
    void SetReceiveEnabled(bool enabled);
    // Batches received and not yet taken by the worker.
    int GetQueuedBatchCount() const;
    // True only while a client library is loaded and a device has been connected through it: then
    // values written to the model are also sent on.
    bool HasRemoteLink();

    // Releases the worker thread's hold on this interface.
    KXRESULT BreakCycles() override;

protected:
    LDeviceCommunicationInterface();
    // Starts the worker thread of a new interface; Create does this for its own.
    static void StartWorker(const KX::RCPtr<LDeviceCommunicationInterface>& port);

private:
    friend class LDeviceCommunicationThreadWorker;

    // The library's data callback, on the library's thread.
    static void OnValuesReceived(void* context, void* reserved, const KX::ParamValues* values);
    void DeliverQueued();
    // Copies of the client pointer and the stored device identifier, taken under the lock.
    KX::DeviceControlClientInterface* GetClient(KX::Variant* deviceId);
    // The pseudo parameters are answered here when no library is loaded.
    bool HasLibrary();

    KX::Mutex m_lock;         // client, device identifier, link, listener
    KX::Mutex m_deliveryLock; // held while batches are handed to the listener
    KX::Mutex m_queueLock;
    KX::RCPtrQueue<ParamValuesBatch, 256> m_queue;
    KX::RCPtr<KX::LEvent> m_receiveEvent;
    KX::RCPtr<KX::LEventGatedThreader> m_threader;
    std::unique_ptr<KX::DeviceControlClientInterface> m_client;
    KX::Variant m_deviceId;
    bool m_linked = false;
    std::atomic<bool> m_receiveEnabled{false};
    std::atomic<DeviceCommunicationReceiver*> m_listener{nullptr};
};
