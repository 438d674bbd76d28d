#include "KXFramework/Midi/MidiDeviceStatusChecker.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "MidiTestFixture.h"

namespace KX::Test {
namespace {

// Collects the connection-status notifications that reach the default centre's subscribers.
class StatusCollector : public LNotificationClient {
public:
    struct Change {
        std::u16string nid;
        std::u16string device;
        uint32_t disconnected = 0;
        bool operator==(const Change&) const = default;
    };

    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) override
    {
        RCPtr<LMidiDeviceConnectionStatusChangedNotification> status(n->GetPayload());
        if (status)
            changes.push_back({n->GetName().GetData(), status->GetDeviceName().GetData(), status->GetDisconnected()});
        return S_FALSE;
    }

    std::vector<Change> changes;
};

class MidiPresence : public MidiFixture {
protected:
    void SetUp() override
    {
        MidiFixture::SetUp();
        center = GetDefaultNotificationCenter();
        statuses = new StatusCollector();
        for (const char16_t* nid :
             {NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED, NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED})
            statuses->RegisterForNotification(RCPtr<LNotificationDistributor>(center), nid, 0);
        LMidiDeviceStatusChecker::Create(checker, comm);
    }

    void TearDown() override
    {
        statuses->UnregisterForAllNotifications();
        checker = nullptr;
        MidiFixture::TearDown();
    }

    // What was posted since the last call, delivered as the UI thread would.
    std::vector<StatusCollector::Change> Posted()
    {
        center->ProcessNotifications(false);
        auto changes = std::move(statuses->changes);
        statuses->changes.clear();
        return changes;
    }

    RCPtr<LNotificationCenter> center;
    RCPtr<StatusCollector> statuses;
    RCPtr<LMidiDeviceStatusChecker> checker;
};

const std::u16string kIn = NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED;
const std::u16string kOut = NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED;

TEST_F(MidiPresence, EachComingAndGoingIsAnnouncedOnce)
{
    const auto kivo = system->AddDevice("MIDIIN4 (Kivo 61)", "MIDIOUT4 (Kivo 61)");
    Array<String> ins, outs;
    ins.Add(String(u"MIDIIN4 (Kivo 61)"));
    ins.Add(String(u"Absent"));
    outs.Add(String(u"MIDIOUT4 (Kivo 61)"));
    checker->SetWatchedInputDevices(ins);
    checker->SetWatchedOutputDevices(outs);
    EXPECT_TRUE(Posted().empty());
    EXPECT_FALSE(checker->CheckInputDevices());
    EXPECT_TRUE(checker->CheckOutputDevices());
    EXPECT_TRUE(Posted().empty());

    system->Unplug(kivo);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(checker->CheckInputDevices());
        EXPECT_FALSE(checker->CheckOutputDevices());
    }
    EXPECT_EQ(Posted(),
              (std::vector<StatusCollector::Change>{{kIn, u"MIDIIN4 (Kivo 61)", 1}, {kOut, u"MIDIOUT4 (Kivo 61)", 1}}));

    system->Replug(kivo);
    for (int i = 0; i < 3; ++i) {
        checker->CheckInputDevices();
        EXPECT_TRUE(checker->CheckOutputDevices());
    }
    EXPECT_EQ(Posted(),
              (std::vector<StatusCollector::Change>{{kIn, u"MIDIIN4 (Kivo 61)", 0}, {kOut, u"MIDIOUT4 (Kivo 61)", 0}}));

    // A probe lets go of the ports it opened.
    Array<String> names;
    Comm().GetCapturePortNames(names);
    EXPECT_EQ(names.GetCount(), 0u);
    Comm().GetRenderPortNames(names);
    EXPECT_EQ(names.GetCount(), 0u);
}

TEST_F(MidiPresence, ADeviceAbsentAtFirstIsAnnouncedWhenPluggedIn)
{
    Array<String> ins;
    ins.Add(String(u"Kivo 61"));
    checker->SetWatchedInputDevices(ins);
    EXPECT_FALSE(checker->CheckInputDevices());
    EXPECT_TRUE(Posted().empty());

    const auto kivo = system->AddDevice("Kivo 61", "Kivo 61");
    EXPECT_TRUE(checker->CheckInputDevices());
    EXPECT_EQ(Posted(), (std::vector<StatusCollector::Change>{{kIn, u"Kivo 61", 0}}));

    // Two devices that both contain the name, neither equal to it: the name no longer says which.
    system->AddDevice("Kivo 61 A", "");
    system->AddDevice("Kivo 61 B", "");
    system->Unplug(kivo);
    EXPECT_FALSE(checker->IsInputDevicePresent(String(u"Kivo 61")));
    EXPECT_FALSE(checker->CheckInputDevices());
    EXPECT_EQ(Posted(), (std::vector<StatusCollector::Change>{{kIn, u"Kivo 61", 1}}));
}

TEST_F(MidiPresence, AHeldPortKeepsItsInputAcrossUnplugAndReplug)
{
    const auto kivo = system->AddDevice("Kivo 61", "Kivo 61");
    RCPtr<LMidiCapturePort> held;
    ASSERT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), held), S_OK);
    Array<String> ins;
    ins.Add(String(u"Kivo 61"));
    checker->SetWatchedInputDevices(ins);

    system->Unplug(kivo);
    EXPECT_FALSE(checker->CheckInputDevices());
    system->Replug(kivo);
    EXPECT_TRUE(checker->CheckInputDevices());
    EXPECT_EQ(Posted().size(), 2u);

    // The check re-opened the held port, so input reaches its holder again.
    system->InjectShort(kivo, 0xF8);
    ASSERT_TRUE(collector->WaitFor(1));
    Array<String> names;
    Comm().GetCapturePortNames(names);
    EXPECT_EQ(names.GetCount(), 1u);
}

} // namespace
} // namespace KX::Test
