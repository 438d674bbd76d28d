#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceCommunicationInterface.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/DeviceModel.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamCache.h"
#include "KXFramework/ObjectBase/Exception.h"
#include "ParamTestValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace KX::Test {

namespace {

// A root that keeps the values in a cache of its own, without an engine.
class TestRoot : public IRootModule {
public:
    explicit TestRoot(int32_t first) : m_cache(new LParamCache(first)), m_device(new LDevice) {}
    using IRootModule::GetDevice;
    KX::ConstRCPtr<IDevice> GetDevice() const override { return KX::ConstRCPtr<IDevice>(m_device); }
    KX::RCPtr<LDeviceCommunicationInterface> GetDeviceCommunicationInterface() override { return {}; }
    KXRESULT ReportParamValueChange(const KX::ParamDescriptor&, const KX::Variant&) override { return KX::E_NOTIMPL; }
    KXRESULT SetCachedParamValue(const KX::ParamDescriptor& d, const KX::Variant& v) override
    {
        return m_cache->Set(d.id, v);
    }
    KXRESULT GetCachedParamValue(const KX::ParamDescriptor& d, KX::Variant& out) const override
    {
        return m_cache->Get(d.id, out);
    }

    KX::RCPtr<LParamCache> m_cache;
    KX::RCPtr<LDevice> m_device;
};

template <class T>
T* As(const KX::RCPtr<LParameterizedModule>& m)
{
    return dynamic_cast<T*>(m.Get());
}

// The message of the logic error that `f` throws, or "" when it throws nothing.
template <class F>
std::string LogicErrorOf(F f)
{
    try {
        f();
    } catch (const KX::Exception<std::logic_error>& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(ModuleTreeTest, IdentifiersAreContiguousAndReachEveryLeaf)
{
    for (int32_t first : {1, 1000, INT32_MAX - 130}) {
        KX::RCPtr<TestRoot> root(new TestRoot(first));
        ASSERT_EQ(root->SetFirstParamID(nullptr, first, 0), KX::S_OK);
        for (int32_t index = 0; index < kParamCount; ++index) {
            KX::RCPtr<LParameterizedModule> leaf = root->GetModule(first + index);
            ASSERT_TRUE(leaf) << index;
            EXPECT_TRUE(leaf->HasOwnParam());
            EXPECT_EQ(leaf->GetFirstParamID(), first + index);
            EXPECT_EQ(KX::ConstRCPtr<TestRoot>(root)->GetModule(first + index).Get(), leaf.Get());
            KX::Variant def;
            EXPECT_EQ(leaf->GetParamValueDefault(KX::ParamDescriptor(first + index), def), KX::S_OK);
            EXPECT_TRUE(def == ParamDefaultValue(index)) << index;
        }
        LPushButton* button = As<LPushButton>(root->GetModule(first + 25));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetIndex(), 0);
        LEncoder* encoder = As<LEncoder>(root->GetModule(first + 128));
        ASSERT_NE(encoder, nullptr);
        EXPECT_EQ(encoder->GetIndex(), 31);
        EXPECT_NE(As<LSustainPedal>(root->GetModule(first + 8)), nullptr);
        EXPECT_NE(As<LPresetName>(root->GetModule(first)), nullptr);
        // The pedals group is the device's fourth part and numbers its two children.
        EXPECT_EQ(root->GetDevice()->GetPedals()->GetIndex(), 3);
        EXPECT_EQ(root->GetDevice()->GetPedals()->GetSustainPedal()->GetIndex(), 1);
    }
}

TEST(ModuleTreeTest, GetModuleRefusesIdentifiersOutsideTheModel)
{
    const int32_t first = 1;
    KX::RCPtr<TestRoot> root(new TestRoot(first));
    // Before numbering nothing is found.
    EXPECT_FALSE(root->GetModule(first));
    EXPECT_FALSE(root->GetModule(-1));
    root->SetFirstParamID(nullptr, first, 0);
    for (int32_t id : {first - 1, first + 131, -1, INT32_MIN, INT32_MAX, INT32_MIN + 1}) {
        EXPECT_FALSE(root->GetModule(id)) << id;
        EXPECT_FALSE(KX::ConstRCPtr<TestRoot>(root)->GetModule(id)) << id;
        EXPECT_FALSE(root->GetDevice()->GetModule(id)) << id;
    }
    // A group answers only for its own range, a leaf only for its own identifier.
    KX::RCPtr<IPads> pads = root->GetDevice()->GetPads();
    EXPECT_FALSE(pads->GetModule(first + 8));
    EXPECT_FALSE(pads->GetModule(first + 25));
    EXPECT_TRUE(pads->GetModule(first + 24));
    EXPECT_FALSE(pads->GetPad(16));
    EXPECT_FALSE(pads->GetPad(-1));
    EXPECT_FALSE(pads->GetPad(0)->GetModule(first + 10));
}

TEST(ModuleTreeTest, FirstParamIDMustLeaveRoomForTheWholeModel)
{
    KX::RCPtr<TestRoot> root(new TestRoot(1));
    const std::string text = LogicErrorOf([&] { root->SetFirstParamID(nullptr, -1, 0); });
    EXPECT_EQ(text.rfind("Logic Error : Invalid FirstParamID : IRootModule::SetFirstParamID : ", 0), 0u) << text;
    EXPECT_NE(LogicErrorOf([&] { root->SetFirstParamID(nullptr, INT32_MAX - 129, 0); }), "");
    EXPECT_NE(LogicErrorOf([&] { root->GetDevice()->SetFirstParamID(nullptr, INT32_MIN, 0); }), "");
    EXPECT_EQ(LogicErrorOf([&] { root->SetFirstParamID(nullptr, 0, 0); }), "");
}

namespace {

// A pad group whose getter answers a pad of its own for index 3, as the editor's panels switch
// between tile and edit panel.
class SwappingPads : public LPads {
public:
    SwappingPads() : m_spare(new LPad) {}
    using LPads::GetPad;
    KX::ConstRCPtr<IPad> GetPad(int32_t i) const override
    {
        return i == 3 && m_swap ? KX::ConstRCPtr<IPad>(m_spare) : LPads::GetPad(i);
    }
    bool m_swap = false;
    KX::RCPtr<LPad> m_spare;
};

} // namespace

TEST(ModuleTreeTest, GroupsReachTheirChildrenThroughTheGetter)
{
    KX::RCPtr<SwappingPads> pads(new SwappingPads);
    pads->SetFirstParamID(nullptr, 10, 4);
    EXPECT_EQ(pads->GetModule(13).Get(), pads->LPads::GetPad(3).Get());
    pads->m_swap = true;
    pads->SetFirstParamID(nullptr, 10, 4);
    EXPECT_EQ(pads->GetModule(13).Get(), pads->m_spare.Get());
    EXPECT_EQ(pads->m_spare->GetFirstParamID(), 13);
    EXPECT_EQ(pads->m_spare->GetParent(), pads.Get());
}

TEST(ModuleTreeTest, BaseBodiesOfGroupsAndLeaves)
{
    KX::RCPtr<TestRoot> root(new TestRoot(1));
    root->SetFirstParamID(nullptr, 1, 0);
    KX::RCPtr<IFaders> faders = root->GetDevice()->GetFaders();
    KX::Variant v = Blob(6, 1);
    const std::string text = LogicErrorOf([&] { faders->SetParamValueLocal(KX::ParamDescriptor(62), v, 1); });
    EXPECT_EQ(text.rfind("Logic Error : Parameter request not served by this module : "
                         "LParameterizedModule::SetParamValueLocal : ",
                         0),
              0u)
        << text;
    EXPECT_NE(LogicErrorOf([&] {
                  KX::Variant out;
                  faders->GetParamValueLocal(KX::ParamDescriptor(62), out);
              }),
              "");
    // A group has no default of its own.
    KX::Variant def = Blob(3, 3);
    EXPECT_EQ(faders->GetParamValueDefault(KX::ParamDescriptor(62), def), KX::S_OK);
    EXPECT_EQ(def.GetType(), KX::Variant::Empty);

    // A leaf without parent.
    KX::RCPtr<LFader> lone(new LFader);
    EXPECT_EQ(lone->SetParamValueLocal(KX::ParamDescriptor(-1), v, 1), -1);
    EXPECT_EQ(lone->SetParamValue(KX::ParamDescriptor(-1), v), -1);
    EXPECT_EQ(lone->GetParamValueDefault(KX::ParamDescriptor(-1), def), KX::E_FAIL);

    // Non-const getters on modules that others hold share them, never copy them.
    KX::RCPtr<IDevice> again = root->GetDevice();
    KX::RCPtr<IFaders> faders2 = again->GetFaders();
    EXPECT_EQ(faders2.Get(), faders.Get());
    EXPECT_EQ(faders->GetFader(5).Get(), faders2->GetFader(5).Get());
}

TEST(ModuleTreeTest, LeavesReadAndWriteTheCacheAndRefuseWrongValues)
{
    const int32_t first = 1;
    KX::RCPtr<TestRoot> root(new TestRoot(first));
    root->SetFirstParamID(nullptr, first, 0);
    KX::RCPtr<IPushButton> button = root->GetDevice()->GetPushButtons()->GetPushButton(0);
    const KX::ParamDescriptor d(first + 25);
    KX::Variant value;
    ASSERT_EQ(button->GetParamValueLocal(d, value), KX::S_OK);
    EXPECT_TRUE(value == ParamDefaultValue(25));

    EXPECT_EQ(button->SetParamValueLocal(d, Blob(17, 9), 1), KX::S_OK);
    // Wrong sizes, another kind of value and another identifier leave the value as it was.
    EXPECT_EQ(button->SetParamValueLocal(d, Blob(16, 1), 1), KX::E_INVALIDARG);
    EXPECT_EQ(button->SetParamValueLocal(d, Blob(18, 1), 1), KX::E_INVALIDARG);
    KX::Variant text;
    text.SetString("seventeen bytes!");
    EXPECT_EQ(button->SetParamValueLocal(d, text, 1), KX::E_INVALIDARG);
    EXPECT_EQ(button->SetParamValueLocal(KX::ParamDescriptor(first + 26), Blob(17, 1), 1), KX::E_FAIL);
    ASSERT_EQ(button->GetParamValueLocal(d, value), KX::S_OK);
    EXPECT_TRUE(value == Blob(17, 9));

    KX::Variant def;
    EXPECT_EQ(button->GetParamValueDefault(KX::ParamDescriptor(first + 26), def), KX::E_INVALIDARG);
    EXPECT_EQ(def.GetType(), KX::Variant::Empty);
}

} // namespace KX::Test
