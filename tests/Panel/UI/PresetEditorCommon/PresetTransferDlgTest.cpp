// The preset transfer dialogs inside the running editor, against the simulated keyboard: every slot
// fetched and sent through the slot list and the action button, and every outcome of the manager
// shown in its box, a failed fetch leaving the model as it was.
#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"
#include "Panel/UI/PresetEditorCommon/SendPresetToMidiDeviceDlg.h"

#include "EditorRun.h"
#include "Eventually.h"
#include "KXFramework/Controls/ComboBox.h"

#include <chrono>
#include <functional>

namespace KX::Test {
namespace {

using Request = SimulatedKivo61::Request;
using Malformed = SimulatedKivo61::Malformed;

const std::u16string kFirmwareText = u"The firmware version of your device is not compatible with this version of the "
                                     u"Preset Editor.  Visit www.velmora.example for the latest firmware updates.";
const std::u16string kGetMidiText = u"The Preset has failed to get from the device. Verify the device is connected to "
                                    u"your computer via the USB cable.";
const std::u16string kSendMidiText =
    u"Error connecting to device. Verify your Kivo Keyboard is plugged into the USB port and try again.";

class PresetTransferDlgTest : public EditorRun {
protected:
    // Picks the slot in the dialog's list and presses its action button.
    static void PressFor(LDialog& dialog, const char16_t* button, int32_t slot)
    {
        RCPtr<LComboBox> list(dynamic_cast<LComboBox*>(dialog.FindChild(u"presetSlot")->FindChild(u"comboBox").Get()));
        ASSERT_TRUE(list);
        static_cast<void>(list->SetSelectedIndex(slot)); // a slot past the list leaves none selected
        Click(dialog.FindChild(button));
    }
};

TEST_F(PresetTransferDlgTest, EverySlotIsFetchedAndSentWithItsBox)
{
    std::vector<Bytes> original;
    for (int slot = 0; slot < SimulatedKivo61::kSlots; ++slot)
        original.push_back(kivo->Slot(slot));
    EXPECT_EQ(RunInEditor([&](LApplication& application, OSWindow&) {
                  RCPtr<LGetPresetFromMidiDeviceDlg> get =
                      CreateDialog<LGetPresetFromMidiDeviceDlg>(application, LGetPresetFromMidiDeviceDlg::kSkinName);
                  RCPtr<LSendPresetToMidiDeviceDlg> send =
                      CreateDialog<LSendPresetToMidiDeviceDlg>(application, LSendPresetToMidiDeviceDlg::kSkinName);
                  ASSERT_TRUE(get && send);
                  for (int slot = 0; slot < SimulatedKivo61::kSlots; ++slot) {
                      SCOPED_TRACE(slot);
                      // Fetch the next slot's preset, then write it into this slot.
                      const int from = (slot + 1) % SimulatedKivo61::kSlots;
                      PressFor(*get, u"getButton", from);
                      EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{u"Retrieve Sucessful",
                                                                u"The preset has been sucessfully retreived.", 0}}));
                      ASSERT_EQ(Model(), kivo->Slot(from));
                      PressFor(*send, u"send", slot);
                      EXPECT_EQ(TakeBoxes(),
                                (std::vector<Box>{
                                    {u"Send Sucess", u"The preset has been sucessfully sent to the device", 0}}));
                      ASSERT_TRUE(midi->WaitIdle());
                      EXPECT_EQ(kivo->Slot(slot), Model());
                  }
              }),
              0);
    // Each slot now holds what the next one held at the start (slot 12 what slot 0 held once slot 1's
    // preset had replaced it).
    for (int slot = 0; slot + 1 < SimulatedKivo61::kSlots; ++slot)
        EXPECT_EQ(kivo->Slot(slot), original[slot + 1]) << slot;
    EXPECT_EQ(kivo->Slot(12), original[1]);
}

struct Failure {
    const char* what;
    bool send;
    int32_t slot;
    std::function<void(VirtualMidiSystem&, SimulatedKivo61&, LMidiManager&)> arrange;
    std::u16string caption;
    std::u16string text;
    bool absent = false; // the keyboard is not plugged in when the editor starts
};

class PresetTransferFailureTest : public PresetTransferDlgTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(PresetTransferFailureTest, ShowsTheFailureAndChangesNothing)
{
    const Failure& c = GetParam();
    std::vector<Bytes> slots;
    for (int slot = 0; slot < SimulatedKivo61::kSlots; ++slot)
        slots.push_back(kivo->Slot(slot));
    if (c.absent)
        midi->Unplug(kivo->Device());
    EXPECT_EQ(RunInEditor([&](LApplication& application, OSWindow&) {
                  RCPtr<LDialog> dialog = c.send ? RCPtr<LDialog>(CreateDialog<LSendPresetToMidiDeviceDlg>(
                                                       application, LSendPresetToMidiDeviceDlg::kSkinName))
                                                 : RCPtr<LDialog>(CreateDialog<LGetPresetFromMidiDeviceDlg>(
                                                       application, LGetPresetFromMidiDeviceDlg::kSkinName));
                  ASSERT_TRUE(dialog);
                  const Bytes before = Model();
                  RCPtr<LMidiManager> manager;
                  application.GetMidiManager(manager);
                  ASSERT_TRUE(manager);
                  c.arrange(*midi, *kivo, *manager);
                  const auto start = std::chrono::steady_clock::now();
                  PressFor(*dialog, c.send ? u"send" : u"getButton", c.slot);
                  // Ten tries of 40 ms; tries that each waited out the hand-over bound would take 100 s.
                  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
                  EXPECT_EQ(TakeBoxes(), (std::vector<Box>{{c.caption, c.text, 0}}));
                  // Replies the keyboard kept back come now that the editor gave up: they are not
                  // applied, not even once the editor's worker has had the time to hand them over.
                  const bool late = kivo->SendLateReplies() > 0;
                  ASSERT_TRUE(midi->WaitIdle());
                  if (late) {
                      EXPECT_FALSE(Eventually([&] { return Model() != before; }, std::chrono::milliseconds(200)));
                  }
                  EXPECT_EQ(Model(), before);
              }),
              0);
    for (int slot = 0; slot < SimulatedKivo61::kSlots; ++slot)
        EXPECT_EQ(kivo->Slot(slot), slots[slot]) << slot;
}

void Behave(SimulatedKivo61& kivo, SimulatedKivo61::Behaviour behaviour)
{
    kivo.SetBehaviour(Request::PresetDump, behaviour);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, PresetTransferFailureTest,
    ::testing::Values(
        Failure{"GetSilent", false, 3,
                [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) { Behave(k, {.silent = true}); },
                u"Retrieve Preset Error", kGetMidiText},
        Failure{"GetLate", false, 3,
                [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) { Behave(k, {.late = true}); },
                u"Retrieve Preset Error", kGetMidiText},
        Failure{"GetCorruptBody", false, 3,
                [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) {
                    Behave(k, {.malformed = Malformed::CorruptBody});
                },
                u"Retrieve Preset Error", kGetMidiText},
        Failure{
            "GetOneByteShort", false, 3,
            [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) { Behave(k, {.malformed = Malformed::Shorter}); },
            u"Retrieve Preset Error", kGetMidiText},
        Failure{"GetUnpluggedMidway", false, 3,
                [](VirtualMidiSystem& m, SimulatedKivo61& k, LMidiManager&) {
                    k.OnRequest(Request::PresetDump, [&m, &k] { m.Unplug(k.Device()); });
                },
                u"Retrieve Preset Error", kGetMidiText},
        Failure{"GetAbsent", false, 3, [](VirtualMidiSystem&, SimulatedKivo61&, LMidiManager&) {},
                u"Retrieve Preset Error", kGetMidiText, true},
        Failure{"GetOldFirmware", false, 3,
                [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) { k.SetFirmware("1040"); },
                u"Retrieve Preset Error", kFirmwareText},
        Failure{"GetNoSlotSelected", false, -1, [](VirtualMidiSystem&, SimulatedKivo61&, LMidiManager&) {},
                u"Retrieve Preset Error", kGetMidiText},
        Failure{"SendOldFirmware", true, 3,
                [](VirtualMidiSystem&, SimulatedKivo61& k, LMidiManager&) { k.SetFirmware("1040"); },
                u"Send Preset Error", kFirmwareText},
        Failure{"SendAbsent", true, 3, [](VirtualMidiSystem&, SimulatedKivo61&, LMidiManager&) {}, u"Send Preset Error",
                kSendMidiText, true},
        Failure{"SendPiecesRefused", true, 3,
                [](VirtualMidiSystem& m, SimulatedKivo61& k, LMidiManager&) {
                    // The firmware check is answered; the dump's pieces are refused.
                    k.OnRequest(Request::Identity, [&m, &k] { m.FailNextSends(k.Device(), 100); });
                },
                u"Send Preset Error", kSendMidiText},
        Failure{"SendNoSlotSelected", true, -1, [](VirtualMidiSystem&, SimulatedKivo61&, LMidiManager&) {},
                u"Send Preset Error", kSendMidiText}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.what); });

// A keyboard that floods the input with SysEx while a fetch waits: the fetch ends within its time
// limit with a box that tells how it went, and the model holds either the whole slot or what it held.
TEST_F(PresetTransferDlgTest, AFloodOfSysExEndsInABoxAndAWholeOrUntouchedModel)
{
    kivo->OnRequest(Request::PresetDump, [this] {
        for (int i = 0; i < 3000; ++i)
            midi->InjectSysEx(kivo->Device(), Bytes{0xF0, 0x00, 0x6E, 0x2D, 0x7F, 0x31, 0x06, 0x6C, 0x01, 0xF7});
    });
    EXPECT_EQ(RunInEditor([&](LApplication& application, OSWindow&) {
                  RCPtr<LGetPresetFromMidiDeviceDlg> get =
                      CreateDialog<LGetPresetFromMidiDeviceDlg>(application, LGetPresetFromMidiDeviceDlg::kSkinName);
                  ASSERT_TRUE(get);
                  const Bytes before = Model();
                  PressFor(*get, u"getButton", 5);
                  const std::vector<Box> shown = TakeBoxes();
                  ASSERT_EQ(shown.size(), 1u);
                  const Bytes after = Model();
                  if (shown[0].caption == u"Retrieve Sucessful")
                      EXPECT_EQ(after, kivo->Slot(5));
                  else
                      EXPECT_EQ(after, before);
                  // Still answering once the flood is over.
                  ASSERT_TRUE(midi->WaitIdle());
                  kivo->OnRequest(Request::PresetDump, {});
                  PressFor(*get, u"getButton", 6);
                  EXPECT_EQ(TakeBoxes().at(0).caption, u"Retrieve Sucessful");
                  EXPECT_EQ(Model(), kivo->Slot(6));
              }),
              0);
}

} // namespace
} // namespace KX::Test
