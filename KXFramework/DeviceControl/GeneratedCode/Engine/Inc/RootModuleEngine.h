#pragma once
// The device-model engine: owns the parameter cache, the root module and the device communication
// interface, gates writes on the connection state, and announces every accepted change with
// NID_PARAM_MODULE_STATE_CHANGE on the application's notification centre.
//
// Without a client library the engine still reaches the connected state: it announces state 3
// through pseudo parameter -4 and the interface answers "connected" at once. Model writes therefore
// never depend on a remote device; values are sent on only while one is linked.
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModule.h"
#include "KXFramework/ObjectBase/ServiceSlot.h"
#include "KXFramework/Utilities/Threads/Event.h"
#include "KXFramework/Utilities/Threads/EventGatedThreader.h"
#include "KXFramework/Utilities/Threads/ThreadWorker.h"

class LRootModuleEngine : public virtual KX::LRefCountedObject, public KX::LThreadWorker {
public:
    enum DeviceConnectionState : int32_t {
        Uninitialised = 0,
        Disconnected = 1,
        Connecting = 2,
        Connected = 3,
    };
    // The first parameter identifier of the model; 0 stays free to mean "no parameter".
    static constexpr int32_t kFirstParamID = 1;
    // The polling search's pace and its own time-out.
    static constexpr uint32_t kPollingWaitMs = 1500;

    // The application's engine; null when none is set.
    static void GetRootModuleEngine(KX::RCPtr<LRootModuleEngine>& out);
    static KX::RCPtr<LRootModuleEngine> GetRootModuleEngine();
    // Set by the application right after it made the engine, cleared before it lets it go.
    static void SetRootModuleEngine(const KX::RCPtr<LRootModuleEngine>& engine);
    static KX::ServiceSlot<KX::RCPtr<LRootModuleEngine>>& EngineSlot();
    static KX::RCPtr<LRootModuleEngine> Create();

    // Builds the model, loads the client library, starts the worker and connects through the -4
    // handshake: 0 when connected, 1 when already initialised, E_FAIL otherwise.
    [[nodiscard]] KXRESULT Initialize(unsigned flags = 0);
    int32_t GetFirstParamID() const;
    // `count` values from `firstId` (see LParamCache::GetRange); E_FAIL before Initialize.
    [[nodiscard]] KXRESULT GetParamValues(int32_t firstId, int32_t count, KX::Array<KX::ParamValue>& out,
                                          int32_t startIndex = -1);
    // The current value; an empty value and E_INVALIDARG when no module owns `id`.
    [[nodiscard]] KXRESULT GetParamValue(int32_t id, KX::Variant& out);
    // Reads the listed values and announces them; unknown identifiers are skipped.
    [[nodiscard]] KXRESULT RequestParamValues(const KX::ParamDescriptors& descriptors);
    // E_FAIL unless connected; otherwise the root module's send, announced when it succeeds.
    [[nodiscard]] KXRESULT SendParamValueToDevice(const int& id, const KX::Variant& value);
    [[nodiscard]] KXRESULT SendParamValueToDevice(const KX::ParamDescriptor& d, const KX::Variant& value);
    // 0 when unchanged. Switching on searches once at once and then every 1,500 ms.
    [[nodiscard]] KXRESULT SetDevicePolling(bool on);
    // With polling on, the stored list and 0; otherwise one search through the interface.
    [[nodiscard]] KXRESULT GetRemoteDeviceList(KX::Array<KX::Variant>& out);
    // Writes a whole set of values (a loaded file): E_FAIL unless connected, E_INVALIDARG and
    // nothing written when any value does not fit its parameter; announced as one change set.
    [[nodiscard]] KXRESULT ApplyParamValues(const KX::Array<KX::ParamValue>& values);
    DeviceConnectionState GetConnectionState() const;
    KX::RCPtr<LRootModule> GetRootModule();

    // One pass of the worker thread: a device search while polling is on.
    [[nodiscard]] KXRESULT Run(const KX::RCPtr<KX::LRefCountedObject>& parameters) override;
    // Stops the worker thread and unlinks the root module from the interface.
    KXRESULT BreakCycles() override;

    // From the root module: the answer to the -4 announcement, and values that entered the cache.
    void OnConnectionState(int64_t value, bool connected);
    void PostParamChanges(const KX::Array<KX::ParamValue>& values);

protected:
    LRootModuleEngine() = default;
    // The interface Initialize links the model to.
    virtual KX::RCPtr<LDeviceCommunicationInterface> MakeDeviceCommunicationInterface();

private:
    void SetConnectionState(DeviceConnectionState state);
    void StoreDeviceList(const KX::Array<KX::Variant>& devices);
    void ConnectFirstDevice(const KX::Array<KX::Variant>& devices);

    mutable KX::Mutex m_lock; // state, device list, polling, the parts below
    bool m_initialised = false;
    DeviceConnectionState m_state = Uninitialised;
    bool m_polling = false;
    KX::Array<KX::Variant> m_devices;
    KX::RCPtr<LParamCache> m_cache;
    KX::RCPtr<LRootModule> m_root;
    KX::RCPtr<LDeviceCommunicationInterface> m_port;
    KX::RCPtr<KX::LEvent> m_event;
    KX::RCPtr<KX::LEventGatedThreader> m_threader;
};
