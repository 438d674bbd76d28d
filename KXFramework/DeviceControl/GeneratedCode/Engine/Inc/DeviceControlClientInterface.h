#pragma once
// The bridge to the optional device-control client library, libDeviceControlClient.so in the
// program's folder. The library is looked up once; every call answers -1 when the library or the
// function is absent, which is the normal case on an installed system.
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/GUID.h"
#include "KXFramework/Utilities/Storage/ParamValue.h"

#include <cstdint>

namespace KX {

// The library's entry points. Objects are the program's own, passed by pointer.
extern "C" {
// Called by the library on a thread of its own whenever the device delivers values; `context` is
// the one given to DCC_ConnectDevice, `reserved` is not used.
typedef void (*DCC_DataCallback)(void* context, void* reserved, const ParamValues* values);

typedef int32_t (*DCC_FindDevicesFn)(void* a, void* b, void* c);
typedef int32_t (*DCC_FindRemoteDevicesFn)(const GUID* types, uint32_t typeCount, Variant* result, int32_t flag);
typedef int32_t (*DCC_ConnectDeviceFn)(const Variant* deviceId, DCC_DataCallback callback, void* context);
typedef int32_t (*DCC_RequestParamRangesFn)(const Variant* deviceId, void* x);
typedef int32_t (*DCC_RequestParamValuesFn)(const Variant* deviceId, const ParamDescriptors* descriptors);
typedef int32_t (*DCC_GetParamRangesFn)(const Variant* deviceId, void* a, void* b);
typedef int32_t (*DCC_GetParamValuesFn)(const Variant* deviceId, void* a, void* b);
typedef int32_t (*DCC_GetParamValueFn)(const Variant* deviceId, const ParamDescriptor* d, Variant* value);
typedef int32_t (*DCC_SetParamValueFn)(const Variant* deviceId, const ParamDescriptor* d, const Variant* value);
typedef int32_t (*DCC_SetParamValuesFn)(const Variant* deviceId, void* x);
typedef int32_t (*DCC_DisconnectDeviceFn)(const Variant* deviceId);
typedef int32_t (*DCC_IsDeviceConnectedFn)(void* x);
typedef int32_t (*DCC_GetDeviceInfoFn)(const Variant* deviceId, uint8_t* info);
typedef int32_t (*DCC_ReleaseAllFn)();
}

class DeviceControlClientInterface {
public:
    static constexpr const char* kLibraryName = "libDeviceControlClient.so";

    // Loads the library from `libraryPath`, or from the program's folder when none is given. A
    // library that cannot be loaded, or a missing function, is not an error: those calls answer -1.
    explicit DeviceControlClientInterface(const char* libraryPath = nullptr);
    // Releases everything the library holds, then unloads it.
    virtual ~DeviceControlClientInterface();
    DeviceControlClientInterface(const DeviceControlClientInterface&) = delete;
    DeviceControlClientInterface& operator=(const DeviceControlClientInterface&) = delete;

    bool IsLoaded() const { return m_module != nullptr; }

    virtual int32_t FindDevices(void* a, void* b, void* c);
    virtual int32_t FindRemoteDevices(const GUID* types, uint32_t typeCount, Variant* result, int32_t flag);
    virtual int32_t ConnectDevice(const Variant* deviceId, DCC_DataCallback callback, void* context);
    virtual int32_t RequestParamRanges(const Variant* deviceId, void* x);
    virtual int32_t RequestParamValues(const Variant* deviceId, const ParamDescriptors* descriptors);
    virtual int32_t RequestParamValues(const Variant* deviceId, const ParamDescriptor& descriptor);
    virtual int32_t GetParamRanges(const Variant* deviceId, void* a, void* b);
    virtual int32_t GetParamValues(const Variant* deviceId, void* a, void* b);
    virtual int32_t GetParamValue(const Variant* deviceId, const ParamDescriptor* d, Variant* value);
    virtual int32_t SetParamValue(const Variant* deviceId, const ParamDescriptor* d, const Variant* value);
    virtual int32_t SetParamValues(const Variant* deviceId, void* x);
    // True when the library answers 0; false without it.
    virtual bool IsDeviceConnected(void* x);
    virtual int32_t DisconnectDevice(const Variant* deviceId);
    virtual int32_t GetDeviceInfo(const Variant* deviceId, uint8_t* info);

private:
    void* m_module = nullptr;
    DCC_FindDevicesFn m_findDevices = nullptr;
    DCC_FindRemoteDevicesFn m_findRemoteDevices = nullptr;
    DCC_ConnectDeviceFn m_connectDevice = nullptr;
    DCC_RequestParamRangesFn m_requestParamRanges = nullptr;
    DCC_RequestParamValuesFn m_requestParamValues = nullptr;
    DCC_GetParamRangesFn m_getParamRanges = nullptr;
    DCC_GetParamValuesFn m_getParamValues = nullptr;
    DCC_GetParamValueFn m_getParamValue = nullptr;
    DCC_SetParamValueFn m_setParamValue = nullptr;
    DCC_SetParamValuesFn m_setParamValues = nullptr;
    DCC_DisconnectDeviceFn m_disconnectDevice = nullptr;
    DCC_IsDeviceConnectedFn m_isDeviceConnected = nullptr;
    DCC_GetDeviceInfoFn m_getDeviceInfo = nullptr;
    DCC_ReleaseAllFn m_releaseAll = nullptr;
};

} // namespace KX
