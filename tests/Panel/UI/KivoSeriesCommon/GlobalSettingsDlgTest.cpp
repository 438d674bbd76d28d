// The global settings dialog inside the running editor, against the simulated keyboard: the 17
// settings read into the 14 controls and written back with their offsets, the key octave held to
// -3..3, failures shown and stopping at the first, and replies applied only for the request that waits.
#include "Panel/UI/KivoSeriesCommon/GlobalSettingsDlg.h"

#include "EditorRun.h"
#include "Eventually.h"

#include <functional>
#include <map>
#include <memory>

namespace KX::Test {
namespace {

using Request = SimulatedKivo61::Request;

const std::u16string kMidiText =
    u"Error connecting to device. Verify your Kivo Keyboard is plugged into the USB port and try again.";
const std::u16string kFirmwareText = u"The firmware version of your device is not compatible with this version of the "
                                     u"Preset Editor.  Visit www.velmora.example for the latest firmware updates.";

// The device's values by index, none of them a control's starting value.
const std::map<int, int> kDeviceValues{{0, 10}, {1, 7},  {2, 8},  {3, 9},  {4, 1},    {5, 5},  {6, 0},  {7, 6}, {8, 10},
                                       {9, 24}, {10, 9}, {11, 3}, {12, 9}, {13, 127}, {14, 1}, {15, 2}, {16, 1}};
constexpr int kXyIndexes[] = {1, 2, 3};

class GlobalSettingsDlgTest : public EditorRun {
protected:
    void SetUp() override
    {
        EditorRun::SetUp();
        for (const auto& [index, value] : kDeviceValues)
            kivo->SetGlobal(index, value);
    }

    static RCPtr<LGlobalSettingsDlg> Open(LApplication& application)
    {
        return CreateDialog<LGlobalSettingsDlg>(application, LGlobalSettingsDlg::kSkinName);
    }

    // The wire value of every setting with a control, by index.
    static std::map<int, int> WireValues(const LGlobalSettingsDlg& dialog)
    {
        std::map<int, int> values;
        for (int i = 0; i < SimulatedKivo61::kGlobals; ++i) {
            int32_t value = 0;
            if (dialog.GetWireValue(LMidiManager::GetGlobalParameterName(i), value))
                values[i] = value;
        }
        return values;
    }

    static std::map<int, int> DeviceWithControls()
    {
        std::map<int, int> values = kDeviceValues;
        for (int i : kXyIndexes)
            values.erase(i);
        return values;
    }

    static LControl& Inner(LGlobalSettingsDlg& dialog, const char16_t* group, const char16_t* inner)
    {
        return *dialog.FindChild(group)->FindChild(inner);
    }
    static double Shown(LGlobalSettingsDlg& dialog, const char16_t* group)
    {
        LControl& box = Inner(dialog, group, u"numericUpDown");
        return box.NormalizedToValue(box.GetValue());
    }
};

TEST_F(GlobalSettingsDlgTest, SettingsAreReadChangedAndSentWithTheirOffsets)
{
    EXPECT_EQ(RunInEditor([&](LApplication& application, OSWindow&) {
                  RCPtr<LGlobalSettingsDlg> dialog = Open(application);
                  ASSERT_TRUE(dialog);
                  // The octave and transpose boxes start at 0, the channel's caption is the global one.
                  for (const char16_t* group : {u"keyOctave", u"keyTranspose", u"padOctave", u"padTranspose"})
                      EXPECT_EQ(Shown(*dialog, group), 0.0);
                  EXPECT_EQ(Inner(*dialog, u"midiChannel", u"label").GetText(), String(u"GLOBAL CHANNEL"));

                  Click(dialog->FindChild(u"getGlobalSettingsButton"));
                  EXPECT_TRUE(TakeBoxes().empty());
                  EXPECT_EQ(kivo->Requests(Request::GlobalParam), 14) << "the XY-pad settings are not asked for";
                  EXPECT_EQ(WireValues(*dialog), DeviceWithControls());
                  EXPECT_EQ(dynamic_cast<LComboBox&>(Inner(*dialog, u"midiChannel", u"comboBox")).GetSelectedIndex(),
                            9);
                  EXPECT_EQ(Shown(*dialog, u"keyOctave"), 0.0);
                  EXPECT_EQ(Shown(*dialog, u"keyTranspose"), -12.0);
                  EXPECT_EQ(Shown(*dialog, u"padOctave"), 5.0);
                  EXPECT_EQ(Shown(*dialog, u"padTranspose"), 12.0);

                  // The key octave box offers -4 and 5 but keeps -3 to 3.
                  LControl& octave = Inner(*dialog, u"keyOctave", u"numericUpDown");
                  for (const auto& [typed, kept] :
                       {std::pair{-4.0, -3.0}, std::pair{-3.0, -3.0}, std::pair{4.0, 3.0}, std::pair{5.0, 3.0}}) {
                      octave.SetValueInRange(typed);
                      EXPECT_EQ(Shown(*dialog, u"keyOctave"), kept) << typed;
                  }
                  static_cast<void>(
                      dynamic_cast<LComboBox&>(Inner(*dialog, u"midiChannel", u"comboBox")).SetSelectedIndex(0));
                  Inner(*dialog, u"program", u"numericUpDown").SetValueInRange(64.0);
                  Inner(*dialog, u"padTranspose", u"numericUpDown").SetValueInRange(-12.0);

                  Click(dialog->FindChild(u"sendGlobalSettingsButton"));
                  EXPECT_TRUE(TakeBoxes().empty());
                  ASSERT_TRUE(midi->WaitIdle());
              }),
              0);
    std::map<int, int> expected = kDeviceValues;
    expected[0] = 1;   // "Channel 1"
    expected[5] = 8;   // key octave 3
    expected[9] = 0;   // pad transpose -12
    expected[13] = 64; // program
    for (const auto& [index, value] : expected)
        EXPECT_EQ(kivo->Global(index), value) << index;
    EXPECT_EQ(kivo->Stores(), 14);
}

struct Failure {
    const char* what;
    bool send;
    std::function<void(VirtualMidiSystem&, SimulatedKivo61&, LMidiManager&)> arrange;
    std::u16string caption;
    std::u16string text;
    int requests;        // global parameter requests the keyboard received
    int readBeforeStop;  // settings (in the manager's order, with controls) that took the device's value
    bool absent = false; // the keyboard is not plugged in when the editor starts
};

class GlobalSettingsFailureTest : public GlobalSettingsDlgTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(GlobalSettingsFailureTest, ShowsItsBoxAndStopsAtTheFirstFailure)
{
    const Failure& c = GetParam();
    if (c.absent)
        midi->Unplug(kivo->Device());
    EXPECT_EQ(RunInEditor([&](LApplication& application, OSWindow&) {
                  RCPtr<LGlobalSettingsDlg> dialog = Open(application);
                  ASSERT_TRUE(dialog);
                  RCPtr<LMidiManager> manager;
                  application.GetMidiManager(manager);
                  const std::map<int, int> before = WireValues(*dialog);
                  c.arrange(*midi, *kivo, *manager);
                  Click(dialog->FindChild(c.send ? u"sendGlobalSettingsButton" : u"getGlobalSettingsButton"));
                  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{c.caption, c.text, 0}}));
                  // The first settings took the device's values, the rest kept theirs.
                  std::map<int, int> expected = before;
                  int taken = 0;
                  for (const auto& [index, value] : DeviceWithControls()) {
                      if (taken++ < c.readBeforeStop)
                          expected[index] = value;
                  }
                  // Replies the keyboard kept back come now that the editor gave up: they are not
                  // shown, not even once the editor's worker has had the time to hand them over.
                  const bool late = kivo->SendLateReplies() > 0;
                  ASSERT_TRUE(midi->WaitIdle());
                  if (late) {
                      EXPECT_FALSE(Eventually(
                          [&] {
                              Deliver();
                              return WireValues(*dialog) != expected;
                          },
                          std::chrono::milliseconds(200)));
                  }
                  Deliver();
                  EXPECT_EQ(WireValues(*dialog), expected);
              }),
              0);
    EXPECT_EQ(kivo->Requests(Request::GlobalParam), c.requests);
    if (c.send) {
        EXPECT_EQ(kivo->Stores(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, GlobalSettingsFailureTest,
    ::testing::Values(Failure{"GetSilent", false,
                              [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) {
                                  k.SetBehaviour(Request::GlobalParam, {.silent = true});
                              },
                              u"Global Settings Error", kMidiText, 10, 0},
                      // A reply that comes after its request gave up is not shown, not even later.
                      Failure{"GetLate", false,
                              [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) {
                                  k.SetBehaviour(Request::GlobalParam, {.late = true});
                              },
                              u"Global Settings Error", kMidiText, 10, 0},
                      // The keyboard falls silent after three answers: three settings were read, the fourth was
                      // asked ten times, nothing after it.
                      Failure{"GetSilentMidway", false,
                              [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) {
                                  // The keyboard keeps a copy of the action: the count lives outside it.
                                  k.OnRequest(Request::GlobalParam, [&k, count = std::make_shared<int>(0)] {
                                      if (++*count == 3)
                                          k.SetBehaviour(Request::GlobalParam, {.silent = true});
                                  });
                              },
                              u"Global Settings Error", kMidiText, 13, 3},
                      Failure{"GetOldFirmware", false,
                              [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) { k.SetFirmware("1040"); },
                              u"Send Preset Error", kFirmwareText, 0, 0},
                      Failure{"SendOldFirmware", true,
                              [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) { k.SetFirmware("1040"); },
                              u"Send Preset Error", kFirmwareText, 0, 0},
                      Failure{"GetUnpluggedDuringTheFirmwareCheck", false,
                              [](VirtualMidiSystem& m, SimulatedKivo61& k, LMidiManager&) {
                                  k.OnRequest(Request::Identity, [&m, &k] { m.Unplug(k.Device()); });
                              },
                              u"Global Settings Error", kMidiText, 0, 0},
                      Failure{"SendAbsent", true, [](VirtualMidiSystem&, SimulatedKivo61&, LMidiManager&) {},
                              u"Global Settings Error", kMidiText, 0, 0, true}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.what); });

// A list setting whose value no entry names reads "?", never the entry an earlier Get showed.
TEST_F(GlobalSettingsDlgTest, AValueNoEntryNamesShowsAsUnknown)
{
    EXPECT_EQ(RunInEditor([&](LApplication& application, OSWindow&) {
                  RCPtr<LGlobalSettingsDlg> dialog = Open(application);
                  ASSERT_TRUE(dialog);
                  auto& channel = dynamic_cast<LComboBox&>(Inner(*dialog, u"midiChannel", u"comboBox"));
                  Click(dialog->FindChild(u"getGlobalSettingsButton"));
                  EXPECT_EQ(channel.GetText(), String(u"Channel 10"));
                  kivo->SetGlobal(0, 40);
                  Click(dialog->FindChild(u"getGlobalSettingsButton"));
                  EXPECT_TRUE(TakeBoxes().empty());
                  EXPECT_EQ(channel.GetSelectedIndex(), -1);
                  EXPECT_EQ(channel.GetText(), String(u"?"));
              }),
              0);
}

// A reply outside a request, or for another key than the one asked for, changes no control: neither
// the keyboard's reply for an index past the list nor one for another setting that comes while the
// first request waits.
TEST_F(GlobalSettingsDlgTest, OnlyTheReplyToTheWaitingRequestIsShown)
{
    kivo->SetBehaviour(Request::GlobalParam, {.malformed = SimulatedKivo61::Malformed::OtherTarget});
    EXPECT_EQ(RunInEditor([&](LApplication& application, OSWindow&) {
                  RCPtr<LGlobalSettingsDlg> dialog = Open(application);
                  ASSERT_TRUE(dialog);
                  const std::map<int, int> before = WireValues(*dialog);
                  const auto reply = [dialog](const char16_t* name) {
                      RCPtr<LMidiParameterNotification> parameter;
                      LMidiParameterNotification::Create(parameter);
                      parameter->name = name;
                      parameter->value = 12;
                      EXPECT_EQ(dialog->OnParameterReceived(
                                    nullptr, MakeNotification(NID_MIDIMANAGER_PARAMETER_RECIEVED, parameter)),
                                1);
                  };
                  for (const char16_t* name : {u"Global_Channel", u"XYPAD_VELOCITY"})
                      reply(name);
                  EXPECT_EQ(WireValues(*dialog), before);
                  kivo->OnRequest(Request::GlobalParam, [reply] { reply(u"KEY_OCTAVE"); });
                  Click(dialog->FindChild(u"getGlobalSettingsButton"));
                  ASSERT_TRUE(midi->WaitIdle());
                  kivo->OnRequest(Request::GlobalParam, {});
                  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{u"Global Settings Error", kMidiText, 0}}));
                  EXPECT_EQ(WireValues(*dialog), before);
              }),
              0);
}

} // namespace
} // namespace KX::Test
