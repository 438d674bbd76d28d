#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceControlClientInterface.h"

#include "TestDeviceControlClient.h"
#include "TestLibrary.h"

#include <gtest/gtest.h>

namespace KX::Test {

using KX::DeviceControlClientInterface;

TEST(DeviceControlClientInterfaceTest, WithoutTheLibraryEveryCallAnswersMinusOne)
{
    // The test programs' folder holds no client library, and neither does a missing path.
    for (const char* path : {static_cast<const char*>(nullptr), "/nonexistent/libDeviceControlClient.so"}) {
        DeviceControlClientInterface client(path);
        EXPECT_FALSE(client.IsLoaded());
        KX::Variant id, value;
        KX::ParamDescriptor d(5);
        KX::ParamDescriptors list;
        uint8_t info = 0;
        EXPECT_EQ(client.FindDevices(nullptr, nullptr, nullptr), -1);
        EXPECT_EQ(client.FindRemoteDevices(nullptr, 0, &value, 0), -1);
        EXPECT_EQ(client.ConnectDevice(&id, nullptr, nullptr), -1);
        EXPECT_EQ(client.RequestParamRanges(&id, nullptr), -1);
        EXPECT_EQ(client.RequestParamValues(&id, &list), -1);
        EXPECT_EQ(client.RequestParamValues(&id, d), -1);
        EXPECT_EQ(client.GetParamRanges(&id, nullptr, nullptr), -1);
        EXPECT_EQ(client.GetParamValues(&id, nullptr, nullptr), -1);
        EXPECT_EQ(client.GetParamValue(&id, &d, &value), -1);
        EXPECT_EQ(client.SetParamValue(&id, &d, &value), -1);
        EXPECT_EQ(client.SetParamValues(&id, nullptr), -1);
        EXPECT_FALSE(client.IsDeviceConnected(nullptr));
        EXPECT_EQ(client.DisconnectDevice(&id), -1);
        EXPECT_EQ(client.GetDeviceInfo(&id, &info), -1);
    }
}

TEST(DeviceControlClientInterfaceTest, WithTheLibraryEveryCallReachesIt)
{
    TestLibrary lib;
    {
        DeviceControlClientInterface client(lib.Path());
        ASSERT_TRUE(client.IsLoaded());
        lib.Fn<void (*)(int)>("TestDCC_SetDevices")(2);
        KX::Variant id, result;
        EXPECT_EQ(client.FindRemoteDevices(nullptr, 0, &result, 1), 0);
        EXPECT_EQ(result.GetListCount(), 2u);

        // One descriptor travels as a list of one.
        EXPECT_EQ(client.RequestParamValues(&id, KX::ParamDescriptor(7)), 0);
        EXPECT_EQ(lib.Fn<int (*)()>("TestDCC_LastDescriptorCount")(), 1);

        KX::Variant value;
        KX::ParamDescriptor d(21);
        EXPECT_EQ(client.GetParamValue(&id, &d, &value), 0);
        EXPECT_EQ(value.ToInt32(), 42);
        EXPECT_TRUE(client.IsDeviceConnected(nullptr));
        uint8_t info = 0;
        EXPECT_EQ(client.GetDeviceInfo(&id, &info), 0);
        EXPECT_EQ(info, 0x2A);

        // Each wrapper reaches its own function, once.
        KX::ParamDescriptors list;
        EXPECT_EQ(client.FindDevices(nullptr, nullptr, nullptr), 0);
        EXPECT_EQ(client.ConnectDevice(&id, nullptr, nullptr), 0);
        EXPECT_EQ(client.RequestParamRanges(&id, nullptr), 0);
        EXPECT_EQ(client.RequestParamValues(&id, &list), 0);
        EXPECT_EQ(client.GetParamRanges(&id, nullptr, nullptr), 0);
        EXPECT_EQ(client.GetParamValues(&id, nullptr, nullptr), 0);
        EXPECT_EQ(client.SetParamValue(&id, &d, &value), 0);
        EXPECT_EQ(client.SetParamValues(&id, nullptr), 0);
        EXPECT_EQ(client.DisconnectDevice(&id), 0);
        for (const char* function : {"FindDevices", "FindRemoteDevices", "ConnectDevice", "RequestParamRanges",
                                     "GetParamRanges", "GetParamValues", "GetParamValue", "SetParamValue",
                                     "SetParamValues", "DisconnectDevice", "IsDeviceConnected", "GetDeviceInfo"})
            EXPECT_EQ(lib.CallCount(function), 1) << function;
        EXPECT_EQ(lib.CallCount("RequestParamValues"), 2);
        EXPECT_EQ(lib.CallCount("ReleaseAll"), 0);
    }
    // Destruction releases what the library holds.
    EXPECT_EQ(lib.CallCount("ReleaseAll"), 1);
}

} // namespace KX::Test
