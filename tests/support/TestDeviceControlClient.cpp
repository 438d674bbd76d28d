// A stand-in for the device-control client library, built as a shared library by the tests.
#include "TestDeviceControlClient.h"

#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceControlClientInterface.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamTable.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace {

struct State {
    std::mutex lock;
    std::map<std::string, int> calls;
    int devices = 0;
    int32_t findResult = 0;
    int32_t lastParamID = 0;
    int lastDescriptorCount = -1;
    KX::DCC_DataCallback callback = nullptr;
    void* context = nullptr;
    std::thread delivery;
};

State& GetState()
{
    static State state;
    return state;
}

void Count(const char* function)
{
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    ++s.calls[function];
}

} // namespace

extern "C" {

void TestDCC_JoinDelivery()
{
    State& s = GetState();
    if (s.delivery.joinable())
        s.delivery.join();
}

void TestDCC_Reset()
{
    TestDCC_JoinDelivery();
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    s.calls.clear();
    s.devices = 0;
    s.findResult = 0;
    s.lastParamID = 0;
    s.lastDescriptorCount = -1;
    s.callback = nullptr;
    s.context = nullptr;
}

int TestDCC_CallCount(const char* function)
{
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    auto it = s.calls.find(function);
    return it == s.calls.end() ? 0 : it->second;
}

void TestDCC_SetDevices(int count)
{
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    s.devices = count;
}

void TestDCC_SetFindResult(int32_t result)
{
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    s.findResult = result;
}

int32_t TestDCC_LastParamID()
{
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    return s.lastParamID;
}

int TestDCC_LastDescriptorCount()
{
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    return s.lastDescriptorCount;
}

void TestDCC_DeliverBatches(int batches, int32_t firstId)
{
    TestDCC_JoinDelivery();
    State& s = GetState();
    s.delivery = std::thread([batches, firstId, callback = s.callback, context = s.context] {
        for (int i = 0; i < batches && callback; ++i) {
            const int32_t index = i % kParamCount;
            uint8_t bytes[kMaxParamValueSize] = {};
            std::memcpy(bytes, &i, sizeof i);
            KX::Variant value;
            value.SetBlob(bytes, ParamValueSize(index));
            KX::ParamValues values;
            static_cast<void>(values.Set(KX::ParamDescriptor(firstId + index), value));
            callback(context, nullptr, &values);
        }
    });
}

int32_t DCC_FindDevices(void*, void*, void*)
{
    Count("FindDevices");
    return 0;
}

int32_t DCC_FindRemoteDevices(const KX::GUID*, uint32_t, KX::Variant* result, int32_t)
{
    Count("FindRemoteDevices");
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.findResult < 0)
        return s.findResult;
    KX::Variant items[8];
    const int n = s.devices < 8 ? s.devices : 8;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t id = i + 1;
        items[i].SetData(KX::Variant::Int32, &id, sizeof id);
    }
    result->SetList(items, n);
    return s.findResult;
}

int32_t DCC_ConnectDevice(const KX::Variant*, KX::DCC_DataCallback callback, void* context)
{
    Count("ConnectDevice");
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    s.callback = callback;
    s.context = context;
    return 0;
}

int32_t DCC_RequestParamRanges(const KX::Variant*, void*)
{
    Count("RequestParamRanges");
    return 0;
}

int32_t DCC_RequestParamValues(const KX::Variant*, const KX::ParamDescriptors* descriptors)
{
    Count("RequestParamValues");
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    s.lastDescriptorCount = descriptors ? descriptors->GetCount() : -1;
    return 0;
}

int32_t DCC_GetParamRanges(const KX::Variant*, void*, void*)
{
    Count("GetParamRanges");
    return 0;
}

int32_t DCC_GetParamValues(const KX::Variant*, void*, void*)
{
    Count("GetParamValues");
    return 0;
}

int32_t DCC_GetParamValue(const KX::Variant*, const KX::ParamDescriptor* d, KX::Variant* value)
{
    Count("GetParamValue");
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    s.lastParamID = d->id;
    const int32_t answer = d->id * 2;
    value->SetData(KX::Variant::Int32, &answer, sizeof answer);
    return 0;
}

int32_t DCC_SetParamValue(const KX::Variant*, const KX::ParamDescriptor* d, const KX::Variant*)
{
    Count("SetParamValue");
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.lock);
    s.lastParamID = d->id;
    return 0;
}

int32_t DCC_SetParamValues(const KX::Variant*, void*)
{
    Count("SetParamValues");
    return 0;
}

int32_t DCC_DisconnectDevice(const KX::Variant*)
{
    Count("DisconnectDevice");
    return 0;
}

int32_t DCC_IsDeviceConnected(void*)
{
    Count("IsDeviceConnected");
    return 0;
}

int32_t DCC_GetDeviceInfo(const KX::Variant*, uint8_t* info)
{
    Count("GetDeviceInfo");
    if (info)
        *info = 0x2A;
    return 0;
}

int32_t DCC_ReleaseAll()
{
    Count("ReleaseAll");
    TestDCC_JoinDelivery();
    return 0;
}

} // extern "C"
