// The MIDI manager end to end: the device model of the engine, the MIDI communication object on the
// virtual MIDI system, and the simulated keyboard as the peer, with the protocol's waits scaled down.
#include "Panel/Engine/PresetEditorCommon/MidiManager.h"

#include "Eventually.h"
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "KXFramework/Midi/MidiCapturePort.h"
#include "KXFramework/Midi/MidiComm.h"
#include "KXFramework/Midi/MidiDeviceStatusChecker.h"
#include "KXFramework/Midi/MidiRenderPort.h"
#include "KXFramework/Midi/MidiTimings.h"
#include "KXFramework/Notification/NotificationCenter.h"
#include "Panel/UI/DriverCommon/PresetManager.h"
#include "ScopedService.h"
#include "ShortMidiTimings.h"
#include "SimulatedKivo61.h"
#include "TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace KX::Test {

namespace {

using namespace KX;
using KX::Test::SimulatedKivo61;
using KX::Test::VirtualMidiSystem;
using Bytes = std::vector<std::uint8_t>;
using Request = SimulatedKivo61::Request;
using Malformed = SimulatedKivo61::Malformed;

const Bytes kMode{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x6D, 0x00, 0x01, 0x01, 0xF7};
constexpr uint32_t kTryWaitMs = 40;

// Keeps every NID_MIDIMANAGER_PARAMETER_RECIEVED it is sent.
class ParameterListener : public LNotificationClient {
public:
    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) override
    {
        RCPtr<LMidiParameterNotification> p(n->GetPayload());
        std::lock_guard lock(m_lock);
        if (p)
            m_received.emplace_back(std::u16string(p->name.GetString()), p->value);
        return S_FALSE;
    }
    std::vector<std::pair<std::u16string, int>> Take()
    {
        std::lock_guard lock(m_lock);
        return std::exchange(m_received, {});
    }

private:
    std::mutex m_lock;
    std::vector<std::pair<std::u16string, int>> m_received;
};

// A manager on a busy machine: its worker thread hands over the first captured message only once
// HandOver is called (or after a generous bound).
class SlowDeliveryManager : public LMidiManager {
public:
    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override
    {
        if (RCPtr<LMidiCaptureNotificationData>(n ? n->GetPayload() : nullptr) && !m_held.exchange(true))
            KX::Test::Eventually([&] { return m_released.load(); });
        return LMidiManager::ReceiveNotification(sender, n);
    }
    void HandOver() { m_released = true; }

private:
    std::atomic<bool> m_held{false};
    std::atomic<bool> m_released{false};
};

class MidiManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kivo = std::make_unique<SimulatedKivo61>(*midi);

        engine = LRootModuleEngine::Create();
        ASSERT_EQ(engine->Initialize(0), S_OK);
        LRootModuleEngine::SetRootModuleEngine(engine);

        LMidiManager::Create(manager);
        listener = RCPtr<ParameterListener>(new ParameterListener);
        listener->RegisterForNotification(RCPtr<LNotificationDistributor>(manager), NID_MIDIMANAGER_PARAMETER_RECIEVED,
                                          0);
        Deliver();
    }

    void TearDown() override
    {
        listener->UnregisterForAllNotifications();
        manager = nullptr;
        LRootModuleEngine::SetRootModuleEngine(nullptr);
        engine = nullptr;
        Deliver();
        kivo.reset();
    }

    // What the UI thread's idle pass does: delivers what was posted.
    static void Deliver()
    {
        const RCPtr<LNotificationCenter> centre = GetDefaultNotificationCenter();
        while (centre->ProcessNotifications(false)) {
        }
    }

    Bytes Model()
    {
        Array<ParamValue> values;
        EXPECT_EQ(engine->GetParamValues(engine->GetFirstParamID(), kParamCount, values), S_OK);
        Bytes bytes;
        for (unsigned i = 0; i < values.GetCount(); ++i) {
            unsigned size = 0;
            const unsigned char* data = values.GetAt(i).value.GetData(&size);
            bytes.insert(bytes.end(), data, data + size);
        }
        return bytes;
    }

    // Delivers what was posted until done holds; false when it still does not after a generous time.
    template <class Done>
    static bool DeliverUntil(Done done)
    {
        return KX::Test::Eventually([&] {
            Deliver();
            return done();
        });
    }

    // Writes bytes into the model as the device would have them.
    void SetModel(const Bytes& bytes)
    {
        std::size_t at = 0;
        for (int32_t i = 0; i < kParamCount; ++i) {
            Variant blob;
            blob.SetBlob(bytes.data() + at, ParamValueSize(i));
            at += ParamValueSize(i);
            ASSERT_EQ(engine->SendParamValueToDevice(engine->GetFirstParamID() + i, blob), S_OK);
        }
        Deliver();
    }

    // The messages on the wire to the keyboard, pieces joined.
    std::vector<Bytes> Wire()
    {
        std::vector<Bytes> messages;
        for (const auto& sent : midi->SentMessages()) {
            if (sent.bytes.empty())
                continue;
            if (sent.bytes.front() == 0xF0 || messages.empty())
                messages.emplace_back();
            messages.back().insert(messages.back().end(), sent.bytes.begin(), sent.bytes.end());
        }
        return messages;
    }

    std::size_t WireCount(std::uint8_t command)
    {
        const auto wire = Wire();
        return std::count_if(wire.begin(), wire.end(),
                             [&](const Bytes& m) { return m.size() > 7 && m[1] == 0x00 && m[7] == command; });
    }

    // Every top-level message on the wire is preceded by the mode message.
    void ExpectModeBeforeEachMessage()
    {
        const auto wire = Wire();
        for (std::size_t i = 0; i < wire.size(); ++i) {
            if (wire[i] == kMode)
                continue;
            ASSERT_GT(i, 0u);
            EXPECT_EQ(wire[i - 1], kMode) << "message " << i;
        }
    }

    std::shared_ptr<VirtualMidiSystem> midi = std::make_shared<VirtualMidiSystem>();
    KX::Test::ScopedService<MidiTimings> timings{MidiTimingsSlot(), ShortMidiTimings(kTryWaitMs)};
    KX::Test::ScopedService<std::shared_ptr<Platform::Midi::Backend>> backend{Platform::Midi::BackendSlot(), midi};
    std::unique_ptr<SimulatedKivo61> kivo;
    RCPtr<LRootModuleEngine> engine;
    RCPtr<LMidiManager> manager;
    RCPtr<ParameterListener> listener;
};

TEST_F(MidiManagerTest, OpensTheKeyboardsPortsByName)
{
    EXPECT_TRUE(manager->IsConnected());
    EXPECT_EQ(manager->OpenPorts(), S_FALSE);
    EXPECT_EQ(manager->GetInputPortNames().GetAt(0), String(u"MIDIIN4 (Kivo 61)"));
    EXPECT_EQ(manager->GetOutputPortNames().GetAt(0), String(u"MIDIOUT4 (Kivo 61)"));
    // Create's Initialize and the application's second call set up one manager.
    manager->Initialize();
    EXPECT_TRUE(manager->IsConnected());
    EXPECT_EQ(manager->ClosePorts(), S_OK);
    EXPECT_FALSE(manager->IsConnected());
    EXPECT_EQ(manager->OpenPorts(), S_OK);
}

TEST_F(MidiManagerTest, PortsFollowTheKeyboardAsItLeavesAndComesBack)
{
    // Pulled out before the presence check has seen it: the requests cannot be sent, which is a MIDI
    // error, not a refused firmware.
    midi->Unplug(kivo->Device());
    EXPECT_EQ(manager->CheckFirmware(), -1);
    EXPECT_EQ(manager->GetPresetFromMidiDevice(0), -1);
    EXPECT_EQ(manager->SendPresetToDevice(0), -1);
    midi->Replug(kivo->Device());
    ASSERT_EQ(manager->ClosePorts(), S_OK);
    ASSERT_EQ(manager->OpenPorts(), S_OK);

    ASSERT_EQ(manager->StartDeviceStatusPolling(), S_OK);
    midi->Unplug(kivo->Device());
    ASSERT_TRUE(DeliverUntil([&] { return !manager->IsConnected(); }));
    EXPECT_EQ(manager->GetPresetFromMidiDevice(0), -1);

    midi->Replug(kivo->Device());
    ASSERT_TRUE(DeliverUntil([&] { return manager->IsConnected(); }));
    EXPECT_EQ(manager->GetPresetFromMidiDevice(0), S_OK);
}

TEST_F(MidiManagerTest, SendSysExFramesAndCutsIntoPiecesAfterTheModeMessage)
{
    RCPtr<LMidiRenderPort> port;
    RCPtr<LMidiCommInterface> comm;
    LMidiCommInterface::Create(comm);
    ASSERT_EQ(comm->OpenRenderPort(String(u"MIDIOUT4 (Kivo 61)"), port), S_OK);

    Array<unsigned char> message;
    message.SetCount(1348);
    message.GetAt(0) = 0x00;
    ASSERT_EQ(manager->SendSysEx(message, port, false), 70);
    EXPECT_EQ(message.GetCount(), 1350u);
    const auto sent = midi->SentMessages();
    ASSERT_EQ(sent.size(), 7u);
    EXPECT_EQ(sent[0].bytes, kMode);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(sent[i].bytes.size(), 256u);
    EXPECT_EQ(sent[6].bytes.size(), 70u);
    EXPECT_EQ(sent[1].bytes.front(), 0xF0);
    EXPECT_EQ(sent[6].bytes.back(), 0xF7);

    // A framed message goes out unchanged; one piece, no mode message when told so.
    midi->ClearSent();
    Array<unsigned char> framed;
    for (unsigned char b : {0xF0, 0x01, 0x02, 0xF7})
        framed.Add(b);
    EXPECT_EQ(manager->SendSysEx(framed, port, true), 4);
    ASSERT_EQ(midi->SentMessages().size(), 1u);
    EXPECT_EQ(midi->SentMessages()[0].bytes, (Bytes{0xF0, 0x01, 0x02, 0xF7}));

    // A lone F0 is refused after the mode message; nothing at all goes out for an empty message or
    // for a body holding a status byte.
    midi->ClearSent();
    Array<unsigned char> lone;
    lone.Add(0xF0);
    EXPECT_EQ(manager->SendSysEx(lone, port, false), E_FAIL);
    EXPECT_EQ(Wire(), std::vector<Bytes>{kMode});
    midi->ClearSent();
    Array<unsigned char> empty;
    EXPECT_EQ(manager->SendSysEx(empty, port, false), E_INVALIDARG);
    Array<unsigned char> status;
    for (unsigned char b : {0x01, 0x90, 0x02})
        status.Add(b);
    EXPECT_EQ(manager->SendSysEx(status, port, false), E_INVALIDARG);
    EXPECT_EQ(manager->SendSysEx(framed, RCPtr<LMidiRenderPort>(), false), -1);
    EXPECT_TRUE(midi->SentMessages().empty());
}

TEST_F(MidiManagerTest, EverySlotRoundTripsThroughTheModelAndAPresetFile)
{
    RCPtr<LPresetManager> presets;
    LPresetManager::Create(presets);
    KX::Test::TempFolder folder;
    const String file((folder / "slot.Kivo61PresetEditor").c_str());

    for (int slot = 0; slot < SimulatedKivo61::kSlots; ++slot) {
        SCOPED_TRACE(slot);
        ASSERT_EQ(manager->GetPresetFromMidiDevice(slot), S_OK);
        Deliver();
        ASSERT_EQ(Model(), kivo->Slot(slot));

        // Edit, save, lose the edit, load it back.
        Bytes edited = Model();
        edited[0] = 'A' + slot;
        edited[500] = static_cast<std::uint8_t>((edited[500] + 1) % 128);
        SetModel(edited);
        ASSERT_EQ(presets->Save(file), S_OK);
        SetModel(kivo->Slot((slot + 1) % SimulatedKivo61::kSlots));
        ASSERT_EQ(presets->Load(file), LPresetManager::kLoaded);
        Deliver();
        ASSERT_EQ(Model(), edited);

        ASSERT_EQ(manager->SendPresetToDevice(slot), 70);
        ASSERT_TRUE(midi->WaitIdle());
        EXPECT_EQ(kivo->Slot(slot), edited);
        SetModel(kivo->Slot((slot + 2) % SimulatedKivo61::kSlots));
        ASSERT_EQ(manager->GetPresetFromMidiDevice(slot), S_OK);
        Deliver();
        EXPECT_EQ(Model(), edited);
    }
    presets = nullptr;
    ExpectModeBeforeEachMessage();
    // The dump on the wire: slot 12, values from offset 11.
    const auto wire = Wire();
    const auto dump = std::find_if(wire.rbegin(), wire.rend(), [](const Bytes& m) { return m.size() == 1350; });
    ASSERT_NE(dump, wire.rend());
    EXPECT_EQ(Bytes(dump->begin(), dump->begin() + 11),
              (Bytes{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x61, 0x0A, 0x3B, 0x0C}));
}

TEST_F(MidiManagerTest, GlobalSettingsRoundTrip)
{
    StringArrayT<char16_t, char> names;
    LMidiManager::GetGlobalParameterNames(names);
    ASSERT_EQ(names.GetCount(), 17u);
    ASSERT_TRUE(manager->IsDeviceFirmwareVersionUseable());
    for (unsigned i = 0; i < names.GetCount(); ++i) {
        const String& name = names.GetAt(i);
        SCOPED_TRACE(i);
        ASSERT_EQ(manager->RequestNonPresetParameterFromDevice(name, true), S_OK);
        auto received = listener->Take();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].first, std::u16string(name.GetString()));
        EXPECT_EQ(received[0].second, kivo->Global(static_cast<int>(i)));

        // The XY-pad keys can be read but never set.
        int value = 1;
        while (!LMidiManager::IsValidGlobalParameterValue(name, value) && value < 128)
            ++value;
        if (value == 128) {
            EXPECT_EQ(manager->SendGlobalParameter(name, 0, true), E_INVALIDARG);
            continue;
        }
        EXPECT_EQ(manager->SendGlobalParameter(name, value, true), 15);
        ASSERT_TRUE(midi->WaitIdle());
        EXPECT_EQ(kivo->Global(static_cast<int>(i)), value);
        ASSERT_EQ(manager->RequestNonPresetParameterFromDevice(name, false), S_OK);
        received = listener->Take();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].second, value);
    }
    ExpectModeBeforeEachMessage();
}

TEST_F(MidiManagerTest, RefusedSettingsAndSlotsSendNothing)
{
    ASSERT_TRUE(manager->IsDeviceFirmwareVersionUseable());
    midi->ClearSent();
    EXPECT_EQ(manager->SendGlobalParameter(String(u"NO_SUCH_KEY"), 1, true), E_INVALIDARG);
    EXPECT_EQ(manager->SendGlobalParameter(String(u"key_octave"), 5, true), E_INVALIDARG);
    EXPECT_EQ(manager->SendGlobalParameter(String(u"KEY_OCTAVE"), 10, true), E_INVALIDARG);
    EXPECT_EQ(manager->SendGlobalParameter(String(u"KEY_OCTAVE"), 1, true), E_INVALIDARG);
    EXPECT_EQ(manager->SendGlobalParameter(String(u"PAD_OCTAVE"), -1, true), E_INVALIDARG);
    EXPECT_EQ(manager->SendGlobalParameter(String(u"XYPAD_REBOUND"), 0, true), E_INVALIDARG);
    EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"NO_SUCH_KEY"), true), E_INVALIDARG);
    for (int slot : {-1, 13, 128, 300}) {
        EXPECT_EQ(manager->GetPresetFromMidiDevice(slot), E_INVALIDARG);
        EXPECT_EQ(manager->SendPresetToDevice(slot), E_INVALIDARG);
    }
    EXPECT_TRUE(midi->SentMessages().empty());
}

TEST_F(MidiManagerTest, FirmwareUpToTheOldestRefusedGivesMinus2AndSendsNoDump)
{
    kivo->SetFirmware("1040");
    const Bytes before = Model();
    EXPECT_EQ(manager->GetPresetFromMidiDevice(3), -2);
    EXPECT_EQ(manager->SendPresetToDevice(3), -2);
    EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"KEY_OCTAVE"), false), -2);
    EXPECT_EQ(manager->SendGlobalParameter(String(u"KEY_OCTAVE"), 4, false), -2);
    EXPECT_EQ(WireCount(0x61) + WireCount(0x62) + WireCount(0x6A) + WireCount(0x6B), 0u);
    // Four checks of ten tries each, every request after a mode message.
    ASSERT_TRUE(midi->WaitIdle());
    EXPECT_EQ(kivo->Requests(Request::Identity), 40);
    ExpectModeBeforeEachMessage();
    EXPECT_EQ(Model(), before);

    // Another firmware only once no answer of the last check is on its way, as when another keyboard
    // is plugged in: an answer that comes in after a check has asked cannot be told from its own.
    for (const auto& [digits, useable] : {std::pair{"1041", true}, {"0999", false}, {"2000", true}}) {
        SCOPED_TRACE(digits);
        ASSERT_TRUE(midi->WaitIdle());
        kivo->SetFirmware(digits);
        EXPECT_EQ(manager->IsDeviceFirmwareVersionUseable(), useable);
    }
}

TEST_F(MidiManagerTest, AnAnswerThatCameInBeforeACheckDoesNotAnswerIt)
{
    // The first check's answer comes in while it waits, but reaches the manager only after the check
    // gave up (its worker held up longer than a try waits for it) and the next one has asked the
    // keyboard, which now says 0.9.9.9.
    MidiTimings heldUp = ShortMidiTimings(kTryWaitMs);
    heldUp.handOverWaitMs = 0;
    timings.Set(heldUp);
    const RCPtr<SlowDeliveryManager> slow(new SlowDeliveryManager);
    manager = slow;
    manager->Initialize();
    EXPECT_FALSE(manager->IsDeviceFirmwareVersionUseable());
    ASSERT_TRUE(midi->WaitIdle());
    kivo->SetFirmware("0999");
    kivo->OnRequest(Request::Identity, [&] { slow->HandOver(); });
    EXPECT_FALSE(manager->IsDeviceFirmwareVersionUseable());
}

// A reply that came in within its try but reaches the manager only after the try's time is up ends
// the request all the same: the keyboard is not asked again.
TEST_F(MidiManagerTest, AReplyThatCameInWithinATryCountsHoweverLateTheWorkerHandsItOver)
{
    const RCPtr<SlowDeliveryManager> slow(new SlowDeliveryManager);
    manager = slow;
    manager->Initialize();
    std::thread handOver([&] {
        // At once when the manager asks again; else once the try's time is long up.
        KX::Test::Eventually([&] { return kivo->Requests(Request::GlobalParam) > 1; },
                             std::chrono::milliseconds(10 * kTryWaitMs));
        slow->HandOver();
    });
    EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"KEY_OCTAVE"), true), S_OK);
    handOver.join();
    EXPECT_EQ(kivo->Requests(Request::GlobalParam), 1);
}

TEST_F(MidiManagerTest, ASilentDeviceGivesMinus3AfterTenTries)
{
    ASSERT_EQ(manager->StartDeviceStatusPolling(), S_OK);
    kivo->SetBehaviour(Request::PresetDump, {.silent = true});
    kivo->SetBehaviour(Request::GlobalParam, {.silent = true});
    const Bytes before = Model();
    EXPECT_EQ(manager->GetPresetFromMidiDevice(1), -3);
    ASSERT_TRUE(midi->WaitIdle());
    EXPECT_EQ(kivo->Requests(Request::PresetDump), 10);
    EXPECT_TRUE(manager->IsDeviceStatusPollingActive());
    EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"GLOBAL_PROGRAM"), false), -3);
    ASSERT_TRUE(midi->WaitIdle());
    EXPECT_EQ(kivo->Requests(Request::GlobalParam), 10);
    EXPECT_TRUE(manager->IsDeviceStatusPollingActive());
    EXPECT_TRUE(listener->Take().empty());
    EXPECT_EQ(Model(), before);

    kivo->SetBehaviour(Request::Identity, {.silent = true});
    EXPECT_EQ(manager->GetPresetFromMidiDevice(1), -2);
    ASSERT_TRUE(midi->WaitIdle());
    EXPECT_EQ(kivo->Requests(Request::PresetDump), 10);
}

TEST_F(MidiManagerTest, ASilentDeviceIsAskedTenTimesHalfASecondApartWithTheRealTimings)
{
    timings.Set({});
    kivo->SetBehaviour(Request::GlobalParam, {.silent = true});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"KEY_OCTAVE"), true), -3);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10 * 500));
    ASSERT_TRUE(midi->WaitIdle());
    EXPECT_EQ(kivo->Requests(Request::GlobalParam), 10);
}

TEST_F(MidiManagerTest, PollingIsActiveAgainAfterEveryRequestAndPausedAroundEveryPiece)
{
    EXPECT_EQ(manager->StopDeviceStatusPolling(), S_FALSE);
    ASSERT_EQ(manager->StartDeviceStatusPolling(), S_OK);
    EXPECT_EQ(manager->StartDeviceStatusPolling(), S_FALSE);
    // Each piece stays on its way for a few polling periods, so a pass that ran meanwhile would show.
    midi->SetDone(kivo->Device(), VirtualMidiSystem::Done::AfterDelay, std::chrono::milliseconds(15));

    EXPECT_EQ(manager->GetPresetFromMidiDevice(4), S_OK);
    EXPECT_TRUE(manager->IsDeviceStatusPollingActive());
    EXPECT_EQ(manager->SendPresetToDevice(4), 70);
    EXPECT_TRUE(manager->IsDeviceStatusPollingActive());
    EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"PAD_SENSITIVITY"), false), S_OK);
    EXPECT_TRUE(manager->IsDeviceStatusPollingActive());
    EXPECT_EQ(manager->SendGlobalParameter(String(u"PAD_SENSITIVITY"), 9, false), 15);
    EXPECT_TRUE(manager->IsDeviceStatusPollingActive());
    kivo->SetBehaviour(Request::PresetDump, {.silent = true});
    EXPECT_EQ(manager->GetPresetFromMidiDevice(4), -3);
    EXPECT_TRUE(manager->IsDeviceStatusPollingActive());
    // No device list was read while a piece was on its way.
    EXPECT_EQ(midi->ListsDuringLongSend(), 0);

    // Once stopped, a pass that still comes checks nothing.
    EXPECT_EQ(manager->StopDeviceStatusPolling(), S_OK);
    EXPECT_FALSE(manager->IsDeviceStatusPollingActive());
    const int lists = midi->Enumerations();
    EXPECT_EQ(manager->Run(nullptr), S_OK);
    EXPECT_EQ(midi->Enumerations(), lists);
}

TEST_F(MidiManagerTest, MalformedRepliesAreNotApplied)
{
    const Bytes before = Model();
    for (Malformed m : {Malformed::Shorter, Malformed::Longer, Malformed::WrongManufacturer, Malformed::CorruptBody}) {
        SCOPED_TRACE(static_cast<int>(m));
        kivo->SetBehaviour(Request::PresetDump, {.malformed = m});
        EXPECT_EQ(manager->GetPresetFromMidiDevice(2), -3);
        Deliver();
        EXPECT_EQ(Model(), before);
        kivo->SetBehaviour(Request::GlobalParam, {.malformed = m});
        EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"KEY_OCTAVE"), true), -3);
    }
    // The log says why a dump was dropped.
    kivo->SetBehaviour(Request::PresetDump, {.malformed = Malformed::CorruptBody});
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(manager->GetPresetFromMidiDevice(2), -3);
    Deliver();
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                ::testing::HasSubstr("a preset dump holds a byte of 0x80 or more in its body; not applied"));

    // A parameter reply whose index is past the list has no key to pass on.
    kivo->SetBehaviour(Request::GlobalParam, {.malformed = Malformed::OtherTarget});
    EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"KEY_OCTAVE"), true), -3);
    EXPECT_TRUE(listener->Take().empty());

    // The slot byte of a reply is not read; that it differs is logged.
    kivo->SetBehaviour(Request::PresetDump, {.malformed = Malformed::OtherTarget});
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(manager->GetPresetFromMidiDevice(2), S_OK);
    Deliver();
    EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                ::testing::HasSubstr("the preset dump asked for from slot 2 names slot 3; taken as its reply"));
    EXPECT_EQ(Model(), kivo->Slot(2));

    kivo->SetBehaviour(Request::Identity, {.malformed = Malformed::Longer});
    EXPECT_FALSE(manager->IsDeviceFirmwareVersionUseable());
    kivo->SetBehaviour(Request::Identity, {.malformed = Malformed::WrongManufacturer});
    EXPECT_FALSE(manager->IsDeviceFirmwareVersionUseable());
}

TEST_F(MidiManagerTest, LateTwiceAndUnsolicitedReplies)
{
    // A reply that comes after its try gave up, with the next try, still ends the request; the later
    // try's own reply, coming once the request is over, must not reach the next request.
    kivo->SetBehaviour(Request::PresetDump, {.late = true});
    kivo->OnRequest(Request::PresetDump, [&] { kivo->SendLateReplies(); });
    EXPECT_EQ(manager->GetPresetFromMidiDevice(5), S_OK);
    EXPECT_EQ(kivo->Requests(Request::PresetDump), 2);
    Deliver();
    EXPECT_EQ(Model(), kivo->Slot(5));
    kivo->OnRequest(Request::PresetDump, {});
    kivo->SendLateReplies();
    ASSERT_TRUE(midi->WaitIdle());

    // A second copy of a reply is not applied again, and a dump that nobody asked for never is.
    kivo->SetBehaviour(Request::PresetDump, {.twice = true});
    EXPECT_EQ(manager->GetPresetFromMidiDevice(6), S_OK);
    ASSERT_TRUE(midi->WaitIdle());
    Deliver();
    EXPECT_EQ(Model(), kivo->Slot(6));
    const Bytes edited = [&] {
        Bytes b = Model();
        b[3] = 'Z';
        return b;
    }();
    SetModel(edited);
    // A request that ran out of tries leaves nothing waiting for a dump.
    kivo->SetBehaviour(Request::PresetDump, {.silent = true});
    EXPECT_EQ(manager->GetPresetFromMidiDevice(6), -3);

    Bytes unsolicited{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x63, 0x0A, 0x3B, 0x07};
    const Bytes other = kivo->Slot(7);
    unsolicited.insert(unsolicited.end(), other.begin(), other.end());
    unsolicited.push_back(0xF7);
    midi->InjectSysEx(kivo->Device(), unsolicited);
    ASSERT_TRUE(midi->WaitIdle());
    // Arriving while another request waits does not make it wanted.
    kivo->OnRequest(Request::Identity, [&] { midi->InjectSysEx(kivo->Device(), unsolicited); });
    EXPECT_TRUE(manager->IsDeviceFirmwareVersionUseable());
    kivo->OnRequest(Request::GlobalParam, [&] { midi->InjectSysEx(kivo->Device(), unsolicited); });
    EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"MIDI_DIN_OUT"), true), S_OK);
    ASSERT_TRUE(midi->WaitIdle());
    Deliver();
    EXPECT_EQ(Model(), edited);
}

TEST_F(MidiManagerTest, AFailedSendIsReportedAsAFailure)
{
    // The identity check passes; the dump's first send fails.
    kivo->OnRequest(Request::Identity, [&] { midi->FailNextSends(kivo->Device(), 1); });
    EXPECT_EQ(manager->SendPresetToDevice(8), -1);
    EXPECT_EQ(WireCount(0x61), 0u);
    EXPECT_EQ(manager->GetPresetFromMidiDevice(8), -1);
    EXPECT_EQ(kivo->Requests(Request::PresetDump), 0);
    kivo->OnRequest(Request::Identity, {});

    // The send looks at the output port only; without the input port the firmware check fails.
    RCPtr<LNotification> gone;
    ASSERT_EQ(LNotification::Create(gone, NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED,
                                    RCPtr<LRefCountedObject>(new LMidiDeviceConnectionStatusChangedNotification(
                                        String(u"MIDIIN4 (Kivo 61)"), 1))),
              S_OK);
    static_cast<void>(manager->OnInputDeviceConnectionStatusChanged(nullptr, gone));
    ASSERT_FALSE(manager->IsConnected());
    midi->ClearSent();
    EXPECT_EQ(manager->SendPresetToDevice(8), -2);
    EXPECT_TRUE(midi->SentMessages().empty());
    ASSERT_EQ(manager->OpenPorts(), S_OK);

    // Without a device model there is nothing to send, and a reply is not applied.
    LRootModuleEngine::SetRootModuleEngine(nullptr);
    EXPECT_EQ(manager->SendPresetToDevice(8), E_FAIL);
    EXPECT_EQ(manager->GetPresetFromMidiDevice(8), -3);
    LRootModuleEngine::SetRootModuleEngine(engine);
}

TEST(MidiManagerWithoutKeyboard, EveryOperationReportsTheMissingPorts)
{
    auto midi = std::make_shared<VirtualMidiSystem>();
    midi->AddDevice("Kivo 61", "Kivo 61");
    midi->AddDevice("MIDIIN2 (Kivo 61)", "MIDIOUT2 (Kivo 61)");
    KX::Test::ScopedService<std::shared_ptr<Platform::Midi::Backend>> backend(Platform::Midi::BackendSlot(), midi);
    RCPtr<LMidiManager> manager;
    LMidiManager::Create(manager);
    EXPECT_FALSE(manager->IsConnected());
    EXPECT_EQ(manager->OpenPorts(), E_FAIL);
    EXPECT_FALSE(manager->IsDeviceFirmwareVersionUseable());
    EXPECT_EQ(manager->GetPresetFromMidiDevice(0), -1);
    EXPECT_EQ(manager->SendPresetToDevice(0), -1);
    EXPECT_EQ(manager->RequestNonPresetParameterFromDevice(String(u"KEY_OCTAVE"), false), E_FAIL);
    EXPECT_EQ(manager->SendGlobalParameter(String(u"KEY_OCTAVE"), 4, false), -1);
    Array<unsigned char> message;
    message.Add(0x01);
    EXPECT_EQ(manager->SendMidi(message), -1);
    EXPECT_TRUE(midi->SentMessages().empty());
    manager = nullptr;
}

} // namespace

} // namespace KX::Test
