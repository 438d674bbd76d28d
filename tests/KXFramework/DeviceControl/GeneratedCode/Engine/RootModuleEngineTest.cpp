#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"

#include "ParamTestValues.h"
#include "PostRecorder.h"
#include "TestLibrary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace KX::Test {

namespace {

constexpr const char16_t* kStateChange = u"NID_PARAM_MODULE_STATE_CHANGE";
constexpr const char16_t* kConnectionChange = u"NID_DEVICE_CONNECTION_STATE_CHANGE";
constexpr const char16_t* kDeviceListChange = u"NID_REMOTE_DEVICE_LIST_CHANGE";

using ParamPair = KX::LPair<KX::ParamDescriptor, KX::Variant, &KX::ParamDescriptorToString>;
using ConnectionHolder = KX::LHolder<LRootModuleEngine::DeviceConnectionState>;

// The values a NID_PARAM_MODULE_STATE_CHANGE carries, whichever payload it has.
std::vector<KX::ParamValue> ValuesOf(const PostRecorder::Post& post)
{
    std::vector<KX::ParamValue> out;
    if (KX::RCPtr<ParamPair> pair = KX::RCPtr<ParamPair>(post.payload)) {
        out.push_back({pair->key, pair->value});
    } else if (KX::RCPtr<ParamValuesBatch> batch = KX::RCPtr<ParamValuesBatch>(post.payload)) {
        for (int i = 0; i < batch->GetCount(); ++i) {
            KX::ParamValue v;
            EXPECT_EQ(batch->GetAt(i, v.descriptor, v.value), KX::S_OK);
            out.push_back(v);
        }
    } else {
        ADD_FAILURE() << "unexpected payload";
    }
    return out;
}

// A port whose -4 answer says "not connected", or that refuses the announcement without answering.
class UnreachablePort : public LDeviceCommunicationInterface {
public:
    static KX::RCPtr<LDeviceCommunicationInterface> Create(bool answers)
    {
        KX::RCPtr<UnreachablePort> port(new UnreachablePort);
        port->m_answers = answers;
        StartWorker(KX::RCPtr<LDeviceCommunicationInterface>(port));
        return KX::RCPtr<LDeviceCommunicationInterface>(port);
    }
    bool IsConnected() override { return false; }
    KXRESULT SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& v) override
    {
        return m_answers ? LDeviceCommunicationInterface::SetParamValue(d, v) : KX::E_FAIL;
    }

private:
    bool m_answers = true;
};

class UnreachableEngine : public LRootModuleEngine {
public:
    static KX::RCPtr<LRootModuleEngine> Create(bool answers)
    {
        UnreachableEngine* engine = new UnreachableEngine;
        engine->m_answers = answers;
        return KX::RCPtr<LRootModuleEngine>(engine);
    }

protected:
    KX::RCPtr<LDeviceCommunicationInterface> MakeDeviceCommunicationInterface() override
    {
        return UnreachablePort::Create(m_answers);
    }

private:
    bool m_answers = true;
};

// An engine whose interface has the test client library loaded.
class LinkedEngine : public LRootModuleEngine {
public:
    static KX::RCPtr<LRootModuleEngine> Create() { return KX::RCPtr<LRootModuleEngine>(new LinkedEngine); }

protected:
    KX::RCPtr<LDeviceCommunicationInterface> MakeDeviceCommunicationInterface() override
    {
        KX::RCPtr<LDeviceCommunicationInterface> port = LDeviceCommunicationInterface::Create();
        EXPECT_EQ(port->LoadClient(TestLibrary::Path()), KX::S_OK);
        return port;
    }
};

class RootModuleEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_posts = PostRecorder::Create({kStateChange, kConnectionChange, kDeviceListChange});
        m_engine = LRootModuleEngine::Create();
    }
    void TearDown() override
    {
        m_engine = nullptr;
        m_posts->Deliver();
        m_posts->Stop();
    }

    std::vector<PostRecorder::Post> Posts(const char16_t* name)
    {
        std::vector<PostRecorder::Post> out;
        for (PostRecorder::Post& p : m_posts->Deliver())
            if (p.name == name)
                out.push_back(p);
        return out;
    }

    int32_t First() const { return m_engine->GetFirstParamID(); }

    KX::RCPtr<PostRecorder> m_posts;
    KX::RCPtr<LRootModuleEngine> m_engine;
};

} // namespace

TEST_F(RootModuleEngineTest, InitializeConnectsThroughTheHandshake)
{
    EXPECT_EQ(m_engine->GetConnectionState(), LRootModuleEngine::Uninitialised);
    KX::Array<KX::ParamValue> values;
    EXPECT_EQ(m_engine->GetParamValues(1, 1, values), KX::E_FAIL);
    EXPECT_EQ(m_engine->SendParamValueToDevice(KX::ParamDescriptor(1), Blob(6, 0)), KX::E_FAIL);

    ASSERT_EQ(m_engine->Initialize(0), KX::S_OK);
    EXPECT_EQ(m_engine->GetConnectionState(), LRootModuleEngine::Connected);
    EXPECT_EQ(m_engine->Initialize(0), KX::S_FALSE);
    EXPECT_EQ(First(), LRootModuleEngine::kFirstParamID);

    std::vector<PostRecorder::Post> posts = Posts(kConnectionChange);
    ASSERT_EQ(posts.size(), 1u);
    KX::RCPtr<ConnectionHolder> state(posts[0].payload);
    ASSERT_TRUE(state);
    EXPECT_EQ(*state->value, LRootModuleEngine::Connected);
}

TEST_F(RootModuleEngineTest, WithoutAConnectionEveryWriteIsRefused)
{
    for (bool answers : {true, false}) {
        m_engine = UnreachableEngine::Create(answers);
        EXPECT_EQ(m_engine->Initialize(0), KX::E_FAIL);
        EXPECT_EQ(m_engine->GetConnectionState(), LRootModuleEngine::Disconnected) << answers;
        EXPECT_EQ(m_engine->SendParamValueToDevice(KX::ParamDescriptor(First() + 61), Blob(6, 1)), KX::E_FAIL);
        KX::Array<KX::ParamValue> values;
        ASSERT_EQ(m_engine->GetParamValues(First(), kParamCount, values), KX::S_OK);
        EXPECT_EQ(m_engine->ApplyParamValues(values), KX::E_FAIL);
        KX::Variant v;
        ASSERT_EQ(m_engine->GetParamValue(First() + 61, v), KX::S_OK);
        EXPECT_TRUE(v == ParamDefaultValue(61));
        EXPECT_TRUE(Posts(kStateChange).empty());
    }
}

TEST_F(RootModuleEngineTest, EveryAcceptedWriteIsAnnouncedByThePostingRule)
{
    ASSERT_EQ(m_engine->Initialize(0), KX::S_OK);
    Posts(kConnectionChange);

    // One edit: one pair.
    const int id = First() + 61;
    EXPECT_EQ(m_engine->SendParamValueToDevice(id, Blob(6, 7)), KX::S_OK);
    std::vector<PostRecorder::Post> posts = Posts(kStateChange);
    ASSERT_EQ(posts.size(), 1u);
    std::vector<KX::ParamValue> values = ValuesOf(posts[0]);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].descriptor.id, id);
    EXPECT_TRUE(values[0].value == Blob(6, 7));
    KX::Variant v;
    ASSERT_EQ(m_engine->GetParamValue(id, v), KX::S_OK);
    EXPECT_TRUE(v == Blob(6, 7));

    // Refused edits change nothing and announce nothing.
    EXPECT_EQ(m_engine->SendParamValueToDevice(id, Blob(5, 1)), KX::E_INVALIDARG);
    EXPECT_EQ(m_engine->SendParamValueToDevice(First() + 131, Blob(6, 1)), KX::E_INVALIDARG);
    EXPECT_EQ(m_engine->SendParamValueToDevice(-2, Blob(6, 1)), KX::E_INVALIDARG);
    EXPECT_TRUE(Posts(kStateChange).empty());
    ASSERT_EQ(m_engine->GetParamValue(id, v), KX::S_OK);
    EXPECT_TRUE(v == Blob(6, 7));

    // Edits that come up the tree from a leaf go the same way.
    KX::RCPtr<LParameterizedModule> leaf = m_engine->GetRootModule()->GetModule(First() + 97);
    ASSERT_TRUE(leaf);
    EXPECT_EQ(leaf->SetParamValue(KX::ParamDescriptor(First() + 97), Blob(6, 9)), KX::S_OK);
    EXPECT_EQ(Posts(kStateChange).size(), 1u);

    // Requests: two values give two pairs, three values one list; unknown identifiers are skipped.
    KX::ParamDescriptors two;
    static_cast<void>(two.Set(First(), 2));
    EXPECT_EQ(m_engine->RequestParamValues(two), KX::S_OK);
    posts = Posts(kStateChange);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(ValuesOf(posts[1])[0].descriptor.id, First() + 1);
    const KX::ParamDescriptor list[] = {KX::ParamDescriptor(First() + 5), KX::ParamDescriptor(First() + 500),
                                        KX::ParamDescriptor(First() + 6), KX::ParamDescriptor(First() + 129)};
    KX::ParamDescriptors four;
    static_cast<void>(four.Set(list, 4));
    EXPECT_EQ(m_engine->RequestParamValues(four), KX::S_OK);
    posts = Posts(kStateChange);
    ASSERT_EQ(posts.size(), 1u);
    values = ValuesOf(posts[0]);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[2].descriptor.id, First() + 129);
    EXPECT_TRUE(values[2].value == ParamDefaultValue(129));

    // A whole set is written, and announced, only when every value fits.
    KX::Array<KX::ParamValue> set;
    ASSERT_EQ(m_engine->GetParamValues(First(), kParamCount, set), KX::S_OK);
    set.GetAt(0).value = Blob(6, 0x42);
    set.GetAt(100).value = Blob(7, 0);
    EXPECT_EQ(m_engine->ApplyParamValues(set), KX::E_INVALIDARG);
    ASSERT_EQ(m_engine->GetParamValue(First(), v), KX::S_OK);
    EXPECT_TRUE(v == ParamDefaultValue(0));
    EXPECT_TRUE(Posts(kStateChange).empty());
    set.GetAt(100).value = Blob(6, 0);
    EXPECT_EQ(m_engine->ApplyParamValues(set), KX::S_OK);
    posts = Posts(kStateChange);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(ValuesOf(posts[0]).size(), static_cast<size_t>(kParamCount));
}

TEST_F(RootModuleEngineTest, BatchesFromThePortReachTheModelButPseudoValuesNeverDo)
{
    ASSERT_EQ(m_engine->Initialize(0), KX::S_OK);
    Posts(kConnectionChange);
    KX::Array<KX::ParamValue> items;
    items.AddItem({KX::ParamDescriptor(First() + 9), Blob(14, 4)});
    items.AddItem({KX::ParamDescriptor(-2), KX::Variant()});
    items.AddItem({KX::ParamDescriptor(-8), Blob(3, 1)});
    items.AddItem({KX::ParamDescriptor(First() + 10), Blob(13, 4)}); // a pad has 14 bytes
    items.AddItem({KX::ParamDescriptor(First() + 200), Blob(6, 4)});
    ParamValuesBatch batch;
    static_cast<void>(batch.Set(items));
    m_engine->GetRootModule()->ReceiveParamValues(batch);

    std::vector<PostRecorder::Post> posts = Posts(kStateChange);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(ValuesOf(posts[0])[0].descriptor.id, First() + 9);
    KX::Variant v;
    static_cast<void>(m_engine->GetParamValue(First() + 10, v));
    EXPECT_TRUE(v == ParamDefaultValue(10));

    // A -2 answer is not turned into an announcement even when it is all the batch holds.
    ParamValuesBatch pseudo;
    static_cast<void>(pseudo.Set(KX::ParamDescriptor(-2), KX::Variant()));
    m_engine->GetRootModule()->ReceiveParamValues(pseudo);
    EXPECT_TRUE(Posts(kStateChange).empty());
}

TEST_F(RootModuleEngineTest, GetParamValuesAndGetParamValueCheckTheirRanges)
{
    ASSERT_EQ(m_engine->Initialize(0), KX::S_OK);
    KX::Array<KX::ParamValue> values;
    ASSERT_EQ(m_engine->GetParamValues(First(), kParamCount, values, -1), KX::S_OK);
    ASSERT_EQ(values.GetCount(), 131u);
    EXPECT_EQ(values.GetAt(130).descriptor.id, First() + 130);
    EXPECT_EQ(m_engine->GetParamValues(First() + 1, kParamCount, values, -1), KX::E_INVALIDARG);
    EXPECT_EQ(m_engine->GetParamValues(First() - 1, 1, values, -1), KX::E_INVALIDARG);
    EXPECT_EQ(values.GetCount(), 131u);

    KX::Variant v = Blob(2, 2);
    EXPECT_EQ(m_engine->GetParamValue(First() - 1, v), KX::E_INVALIDARG);
    EXPECT_EQ(v.GetType(), KX::Variant::Empty);
    EXPECT_EQ(m_engine->GetParamValue(INT32_MIN, v), KX::E_INVALIDARG);
}

TEST_F(RootModuleEngineTest, PollingWithoutALibraryFindsNoDevicesAndStillAnswers)
{
    ASSERT_EQ(m_engine->Initialize(0), KX::S_OK);
    KX::Array<KX::Variant> devices;
    EXPECT_LT(m_engine->GetRemoteDeviceList(devices), 0);
    EXPECT_EQ(m_engine->SetDevicePolling(true), KX::S_OK);
    EXPECT_EQ(m_engine->SetDevicePolling(true), KX::S_OK);
    EXPECT_EQ(m_engine->GetRemoteDeviceList(devices), KX::S_OK);
    EXPECT_EQ(devices.GetCount(), 0u);
    EXPECT_EQ(m_engine->SetDevicePolling(false), KX::S_OK);
    EXPECT_TRUE(Posts(kDeviceListChange).empty());
}

TEST_F(RootModuleEngineTest, ApplicationEngineSlot)
{
    EXPECT_FALSE(LRootModuleEngine::GetRootModuleEngine());
    LRootModuleEngine::SetRootModuleEngine(m_engine);
    KX::RCPtr<LRootModuleEngine> got;
    LRootModuleEngine::GetRootModuleEngine(got);
    EXPECT_EQ(got.Get(), m_engine.Get());
    LRootModuleEngine::SetRootModuleEngine(nullptr);
    EXPECT_FALSE(LRootModuleEngine::GetRootModuleEngine());
}

// Dump replies write whole presets on one thread while another reads and edits.
TEST_F(RootModuleEngineTest, ConcurrentWritersAndReadersSeeWholeValues)
{
    ASSERT_EQ(m_engine->Initialize(0), KX::S_OK);
    Posts(kConnectionChange);
    const int first = First();
    constexpr int kDumps = 20, kEdits = 200;
    std::atomic<bool> sizesOk{true};
    std::thread dumper([&] {
        for (int d = 0; d < kDumps; ++d)
            for (int i = 0; i < kParamCount; ++i)
                if (m_engine->SendParamValueToDevice(first + i, Blob(ParamValueSize(i), uint8_t(d))) != KX::S_OK)
                    sizesOk = false;
    });
    std::thread editor([&] {
        KX::Array<KX::ParamValue> values;
        for (int e = 0; e < kEdits; ++e) {
            if (m_engine->SendParamValueToDevice(first + 25 + e % 36, Blob(17, 0xEE)) != KX::S_OK)
                sizesOk = false;
            if (m_engine->GetParamValues(first, kParamCount, values) != KX::S_OK)
                sizesOk = false;
            for (int i = 0; i < kParamCount; ++i)
                if (values.GetAt(i).value.GetSize() != ParamValueSize(i))
                    sizesOk = false;
        }
    });
    dumper.join();
    editor.join();
    EXPECT_TRUE(sizesOk);
    EXPECT_EQ(Posts(kStateChange).size(), static_cast<size_t>(kDumps * kParamCount + kEdits));
}

// With a client library the engine finds, connects and forwards; the model stays local all the same.
TEST_F(RootModuleEngineTest, WithARemoteDeviceValuesAreSentOn)
{
    TestLibrary lib;
    lib.Fn<void (*)(int)>("TestDCC_SetDevices")(2);
    m_engine = LinkedEngine::Create();
    ASSERT_EQ(m_engine->Initialize(0), KX::S_OK);
    EXPECT_EQ(m_engine->GetConnectionState(), LRootModuleEngine::Connected);

    ASSERT_EQ(m_engine->SetDevicePolling(true), KX::S_OK);
    std::vector<PostRecorder::Post> posts = Posts(kDeviceListChange);
    ASSERT_GE(posts.size(), 1u);
    KX::RCPtr<KX::LHolder<unsigned>> count(posts[0].payload);
    ASSERT_TRUE(count);
    EXPECT_EQ(*count->value, 2u);
    KX::Array<KX::Variant> devices;
    EXPECT_EQ(m_engine->GetRemoteDeviceList(devices), KX::S_OK);
    EXPECT_EQ(devices.GetCount(), 2u);
    EXPECT_EQ(lib.CallCount("ConnectDevice"), 1);
    EXPECT_EQ(lib.CallCount("GetDeviceInfo"), 1);

    ASSERT_EQ(m_engine->SendParamValueToDevice(First() + 70, Blob(6, 3)), KX::S_OK);
    EXPECT_EQ(lib.Fn<int32_t (*)()>("TestDCC_LastParamID")(), First() + 70);
    EXPECT_EQ(Posts(kStateChange).size(), 1u);
    static_cast<void>(m_engine->SetDevicePolling(false));
    m_engine = nullptr;
}

} // namespace KX::Test
