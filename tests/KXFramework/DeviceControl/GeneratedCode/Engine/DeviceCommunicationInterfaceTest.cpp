#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceCommunicationInterface.h"

#include "Eventually.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamTable.h"
#include "TestLibrary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace KX::Test {

namespace {

// Records every item it receives; can be made slower than the library delivers.
class Recorder : public DeviceCommunicationReceiver {
public:
    void ReceiveParamValues(const ParamValuesBatch& batch) override
    {
        if (m_delay.count() > 0)
            std::this_thread::sleep_for(m_delay);
        std::lock_guard<std::mutex> lock(m_lock);
        for (int i = 0; i < batch.GetCount(); ++i) {
            KX::ParamValue item;
            EXPECT_EQ(batch.GetAt(i, item.descriptor, item.value), KX::S_OK);
            m_items.push_back(item);
        }
        ++m_batches;
        m_changed.notify_all();
    }

    // Waits (at most 20 s) until `batches` batches have arrived.
    bool WaitFor(int batches)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_batches >= batches; });
    }

    std::vector<KX::ParamValue> Items()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_items;
    }

    std::chrono::milliseconds m_delay{0};

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<KX::ParamValue> m_items;
    int m_batches = 0;
};

KX::Variant Int64(int64_t v)
{
    KX::Variant out;
    out.SetData(KX::Variant::Int64, &v, sizeof v);
    return out;
}

// The batch number the test library writes into the first four bytes of each value.
int32_t BatchNumber(const KX::Variant& value)
{
    return value.ToInt32();
}

} // namespace

TEST(DeviceCommunicationInterfaceTest, WithoutTheLibraryPseudoParametersAreAnsweredHere)
{
    KX::RCPtr<LDeviceCommunicationInterface> port = LDeviceCommunicationInterface::Create();
    KX::Array<KX::Variant> devices;
    EXPECT_EQ(port->FindRemoteDevices(KX::Array<KX::GUID>(), devices, 0), -1);
    EXPECT_EQ(port->ConnectDevice(KX::Variant()), -1);
    EXPECT_EQ(port->CheckDeviceConnection(), -1);
    uint8_t info = 0;
    EXPECT_EQ(port->GetDeviceInfo(nullptr, &info), -1);

    EXPECT_EQ(port->LoadClient("/nonexistent/libDeviceControlClient.so"), KX::S_OK);
    EXPECT_EQ(port->LoadClient(), KX::S_FALSE);
    EXPECT_EQ(port->CheckDeviceConnection(), KX::S_OK);

    KX::Variant value;
    ASSERT_EQ(port->GetParamValue(KX::ParamDescriptor(-2), value), KX::S_OK);
    EXPECT_EQ(value.GetType(), KX::Variant::Bool);
    EXPECT_TRUE(value.ToBool());
    ASSERT_EQ(port->GetParamValue(KX::ParamDescriptor(-9), value), KX::S_OK);
    EXPECT_STREQ(value.GetString(), "Velmora");
    EXPECT_EQ(value.GetSize(), 8u);
    ASSERT_EQ(port->GetParamValue(KX::ParamDescriptor(-10), value), KX::S_OK);
    EXPECT_STREQ(value.GetString(), "Kivo 61 Preset Editor");
    EXPECT_EQ(port->GetParamValue(KX::ParamDescriptor(-8), value), -1);
    EXPECT_EQ(port->GetParamValue(KX::ParamDescriptor(5), value), KX::E_FAIL);
    EXPECT_EQ(port->ConnectDevice(KX::Variant()), -1);
    EXPECT_EQ(port->FindRemoteDevicesOnce(KX::Array<KX::GUID>(), devices), -1);
    EXPECT_EQ(port->FindRemoteDevices(KX::Array<KX::GUID>(), devices, 0), KX::E_FAIL);
    EXPECT_FALSE(port->HasRemoteLink());
}

TEST(DeviceCommunicationInterfaceTest, ConnectionStateHandshakeNeedsAListener)
{
    KX::RCPtr<LDeviceCommunicationInterface> port = LDeviceCommunicationInterface::Create();
    port->LoadClient("/nonexistent/libDeviceControlClient.so");
    EXPECT_EQ(port->SetParamValue(KX::ParamDescriptor(-4), Int64(3)), KX::E_FAIL);
    EXPECT_FALSE(port->NotifyConnectionState(3));

    Recorder recorder;
    port->SetListener(&recorder);
    // Delivered at once, on this thread, even with receiving switched off.
    EXPECT_EQ(port->SetParamValue(KX::ParamDescriptor(-4), Int64(3)), KX::S_OK);
    std::vector<KX::ParamValue> items = recorder.Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].descriptor.id, -4);
    KX::Variant state, connected;
    ASSERT_EQ(items[0].value.GetListItem(0, state), 0);
    ASSERT_EQ(items[0].value.GetListItem(1, connected), 0);
    EXPECT_EQ(state.GetType(), KX::Variant::Int64);
    EXPECT_EQ(state.ToInt64(), 3);
    EXPECT_EQ(connected.GetType(), KX::Variant::Bool);
    EXPECT_TRUE(connected.ToBool());

    for (int32_t id : {-240, -241, -242})
        EXPECT_EQ(port->SetParamValue(KX::ParamDescriptor(id), Int64(0)), KX::E_FAIL);
    EXPECT_EQ(port->SetParamValue(KX::ParamDescriptor(5), Int64(0)), KX::E_FAIL);
    EXPECT_EQ(port->SetParamValue(KX::ParamDescriptor(-8), Int64(0)), -1);
    port->SetListener(nullptr);
}

TEST(DeviceCommunicationInterfaceTest, WithTheLibraryCallsGoToTheConnectedDevice)
{
    TestLibrary lib;
    KX::RCPtr<LDeviceCommunicationInterface> port = LDeviceCommunicationInterface::Create();
    ASSERT_EQ(port->LoadClient(TestLibrary::Path()), KX::S_OK);
    Recorder recorder;
    port->SetListener(&recorder);

    // An unchanged (empty) list: a call every 250 ms until the time-out.
    KX::Array<KX::Variant> devices;
    EXPECT_EQ(port->FindRemoteDevices(KX::Array<KX::GUID>(), devices, 1500), KX::S_FALSE);
    EXPECT_EQ(lib.CallCount("FindRemoteDevices"), 7);
    lib.Fn<void (*)(int)>("TestDCC_SetDevices")(2);
    EXPECT_EQ(port->FindRemoteDevices(KX::Array<KX::GUID>(), devices, 1500), KX::S_OK);
    EXPECT_EQ(lib.CallCount("FindRemoteDevices"), 8);
    ASSERT_EQ(devices.GetCount(), 2u);
    EXPECT_EQ(devices.GetAt(1).ToInt32(), 2);
    lib.Fn<void (*)(int32_t)>("TestDCC_SetFindResult")(-5);
    EXPECT_EQ(port->FindRemoteDevices(KX::Array<KX::GUID>(), devices, 0), KX::E_FAIL);
    EXPECT_EQ(port->FindRemoteDevicesOnce(KX::Array<KX::GUID>(), devices), -5);
    EXPECT_EQ(devices.GetCount(), 2u);

    EXPECT_FALSE(port->HasRemoteLink());
    EXPECT_EQ(port->ConnectDevice(devices.GetAt(0)), 0);
    EXPECT_TRUE(port->HasRemoteLink());

    // With a library, every identifier goes to it, the pseudo ones too; -4 stays local.
    KX::Variant value;
    EXPECT_EQ(port->GetParamValue(KX::ParamDescriptor(-2), value), 0);
    EXPECT_EQ(value.ToInt32(), -4);
    EXPECT_EQ(port->SetParamValue(KX::ParamDescriptor(77), value), 0);
    EXPECT_EQ(lib.Fn<int32_t (*)()>("TestDCC_LastParamID")(), 77);
    EXPECT_EQ(port->SetParamValue(KX::ParamDescriptor(-4), Int64(3)), KX::S_OK);
    EXPECT_EQ(lib.Fn<int32_t (*)()>("TestDCC_LastParamID")(), 77);
    EXPECT_EQ(port->RequestParamValues(KX::ParamDescriptor(12)), 0);
    EXPECT_EQ(lib.Fn<int (*)()>("TestDCC_LastDescriptorCount")(), 1);
    uint8_t info = 0;
    EXPECT_EQ(port->GetDeviceInfo(&devices.GetAt(0), &info), 0);
    EXPECT_EQ(info, 0x2A);

    EXPECT_EQ(port->DisconnectDevice(), 0);
    EXPECT_FALSE(port->HasRemoteLink());
    port->SetListener(nullptr);
}

TEST(DeviceCommunicationInterfaceTest, BatchesFromTheLibraryArriveAllAndInOrder)
{
    TestLibrary lib;
    KX::RCPtr<LDeviceCommunicationInterface> port = LDeviceCommunicationInterface::Create();
    ASSERT_EQ(port->LoadClient(TestLibrary::Path()), KX::S_OK);
    Recorder recorder;
    recorder.m_delay = std::chrono::milliseconds(1); // slower than the library
    port->SetListener(&recorder);
    port->SetReceiveEnabled(true);
    ASSERT_EQ(port->ConnectDevice(KX::Variant()), 0);

    lib.Fn<void (*)(int, int32_t)>("TestDCC_DeliverBatches")(300, 1);
    lib.Fn<void (*)()>("TestDCC_JoinDelivery")();
    ASSERT_TRUE(recorder.WaitFor(300));
    std::vector<KX::ParamValue> items = recorder.Items();
    ASSERT_EQ(items.size(), 300u);
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(BatchNumber(items[i].value), i);
        EXPECT_EQ(items[i].descriptor.id, 1 + i % kParamCount);
    }
    port->SetReceiveEnabled(false);
    port->SetListener(nullptr);
}

TEST(DeviceCommunicationInterfaceTest, BatchesArrivingWhileReceiveIsOffAreDropped)
{
    TestLibrary lib;
    KX::RCPtr<LDeviceCommunicationInterface> port = LDeviceCommunicationInterface::Create();
    ASSERT_EQ(port->LoadClient(TestLibrary::Path()), KX::S_OK);
    Recorder recorder;
    port->SetListener(&recorder);
    ASSERT_EQ(port->ConnectDevice(KX::Variant()), 0);

    lib.Fn<void (*)(int, int32_t)>("TestDCC_DeliverBatches")(20, 1);
    lib.Fn<void (*)()>("TestDCC_JoinDelivery")();
    // Wait until the worker has taken every batch, then for the delivery in progress to end.
    KX::Test::Eventually([&] { return port->GetQueuedBatchCount() == 0; }, std::chrono::seconds(20));
    ASSERT_EQ(port->GetQueuedBatchCount(), 0);
    port->SetReceiveEnabled(false);
    EXPECT_TRUE(recorder.Items().empty());

    // The dropped batches stay dropped; what arrives now is delivered.
    port->SetReceiveEnabled(true);
    lib.Fn<void (*)(int, int32_t)>("TestDCC_DeliverBatches")(1, 50);
    lib.Fn<void (*)()>("TestDCC_JoinDelivery")();
    ASSERT_TRUE(recorder.WaitFor(1));
    // Switching off waits for a delivery in progress, so nothing can arrive after this.
    port->SetReceiveEnabled(false);
    std::vector<KX::ParamValue> items = recorder.Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].descriptor.id, 50);
    port->SetListener(nullptr);
}

} // namespace KX::Test
