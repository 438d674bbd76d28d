#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceControlClientInterface.h"

#include "KXFramework/Platform/Folders/Folders.h"

#include <climits>
#include <dlfcn.h>
#include <string>

namespace KX {

namespace {

template <class F>
void Bind(void* module, const char* name, F& out)
{
    out = reinterpret_cast<F>(dlsym(module, name));
}

} // namespace

DeviceControlClientInterface::DeviceControlClientInterface(const char* libraryPath)
{
    std::string path;
    if (libraryPath) {
        path = libraryPath;
    } else {
        path = Platform::GetPlatformFolder(Platform::PlatformFolder::Executable);
        if (path.empty())
            return;
        path += '/';
        path += kLibraryName;
    }
    if (path.empty() || path.size() >= PATH_MAX)
        return;
    m_module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_module)
        return;
    Bind(m_module, "DCC_FindDevices", m_findDevices);
    Bind(m_module, "DCC_FindRemoteDevices", m_findRemoteDevices);
    Bind(m_module, "DCC_ConnectDevice", m_connectDevice);
    Bind(m_module, "DCC_RequestParamRanges", m_requestParamRanges);
    Bind(m_module, "DCC_RequestParamValues", m_requestParamValues);
    Bind(m_module, "DCC_GetParamRanges", m_getParamRanges);
    Bind(m_module, "DCC_GetParamValues", m_getParamValues);
    Bind(m_module, "DCC_GetParamValue", m_getParamValue);
    Bind(m_module, "DCC_SetParamValue", m_setParamValue);
    Bind(m_module, "DCC_SetParamValues", m_setParamValues);
    Bind(m_module, "DCC_DisconnectDevice", m_disconnectDevice);
    Bind(m_module, "DCC_IsDeviceConnected", m_isDeviceConnected);
    Bind(m_module, "DCC_GetDeviceInfo", m_getDeviceInfo);
    Bind(m_module, "DCC_ReleaseAll", m_releaseAll);
}

DeviceControlClientInterface::~DeviceControlClientInterface()
{
    if (!m_module)
        return;
    if (m_releaseAll)
        m_releaseAll();
    dlclose(m_module);
}

int32_t DeviceControlClientInterface::FindDevices(void* a, void* b, void* c)
{
    return m_findDevices ? m_findDevices(a, b, c) : -1;
}

int32_t DeviceControlClientInterface::FindRemoteDevices(const GUID* types, uint32_t typeCount, Variant* result,
                                                        int32_t flag)
{
    return m_findRemoteDevices ? m_findRemoteDevices(types, typeCount, result, flag) : -1;
}

int32_t DeviceControlClientInterface::ConnectDevice(const Variant* deviceId, DCC_DataCallback callback, void* context)
{
    return m_connectDevice ? m_connectDevice(deviceId, callback, context) : -1;
}

int32_t DeviceControlClientInterface::RequestParamRanges(const Variant* deviceId, void* x)
{
    return m_requestParamRanges ? m_requestParamRanges(deviceId, x) : -1;
}

int32_t DeviceControlClientInterface::RequestParamValues(const Variant* deviceId, const ParamDescriptors* descriptors)
{
    return m_requestParamValues ? m_requestParamValues(deviceId, descriptors) : -1;
}

int32_t DeviceControlClientInterface::RequestParamValues(const Variant* deviceId, const ParamDescriptor& descriptor)
{
    if (!m_requestParamValues)
        return -1;
    ParamDescriptors list;
    static_cast<void>(list.Set(&descriptor, 1)); // a list of one cannot be refused
    return m_requestParamValues(deviceId, &list);
}

int32_t DeviceControlClientInterface::GetParamRanges(const Variant* deviceId, void* a, void* b)
{
    return m_getParamRanges ? m_getParamRanges(deviceId, a, b) : -1;
}

int32_t DeviceControlClientInterface::GetParamValues(const Variant* deviceId, void* a, void* b)
{
    return m_getParamValues ? m_getParamValues(deviceId, a, b) : -1;
}

int32_t DeviceControlClientInterface::GetParamValue(const Variant* deviceId, const ParamDescriptor* d, Variant* value)
{
    return m_getParamValue ? m_getParamValue(deviceId, d, value) : -1;
}

int32_t DeviceControlClientInterface::SetParamValue(const Variant* deviceId, const ParamDescriptor* d,
                                                    const Variant* value)
{
    return m_setParamValue ? m_setParamValue(deviceId, d, value) : -1;
}

int32_t DeviceControlClientInterface::SetParamValues(const Variant* deviceId, void* x)
{
    return m_setParamValues ? m_setParamValues(deviceId, x) : -1;
}

bool DeviceControlClientInterface::IsDeviceConnected(void* x)
{
    return m_isDeviceConnected ? m_isDeviceConnected(x) == 0 : false;
}

int32_t DeviceControlClientInterface::DisconnectDevice(const Variant* deviceId)
{
    return m_disconnectDevice ? m_disconnectDevice(deviceId) : -1;
}

int32_t DeviceControlClientInterface::GetDeviceInfo(const Variant* deviceId, uint8_t* info)
{
    return m_getDeviceInfo ? m_getDeviceInfo(deviceId, info) : -1;
}

} // namespace KX
