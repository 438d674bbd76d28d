#pragma once
// Control of the test device-control client library (libTestDeviceControlClient.so), which
// implements the DCC_ functions and records what it was asked. Tests open the library themselves
// with dlopen and reach these functions with dlsym.
#include <cstdint>

extern "C" {
// Forgets every recorded call and setting.
void TestDCC_Reset();
// Number of calls of one DCC_ function, by its name without the prefix ("FindRemoteDevices").
int TestDCC_CallCount(const char* function);
// The devices the remote search finds (int32 identifiers 1..count), and its result.
void TestDCC_SetDevices(int count);
void TestDCC_SetFindResult(int32_t result);
// The parameter identifier of the last DCC_GetParamValue / DCC_SetParamValue / number of
// descriptors in the last DCC_RequestParamValues.
int32_t TestDCC_LastParamID();
int TestDCC_LastDescriptorCount();
// Calls the data callback from a thread of the library's own: `batches` batches, batch i holding
// one value for parameter `firstId` + i % 131 whose blob starts with the 32-bit batch number.
void TestDCC_DeliverBatches(int batches, int32_t firstId);
// Waits for the delivering thread to end.
void TestDCC_JoinDelivery();
}
