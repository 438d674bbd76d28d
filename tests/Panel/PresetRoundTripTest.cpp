// Whole presets of random valid values through the running editor: from the engine to the device
// view's tiles and edit panels (each edit panel made to pack the value it shows and report it, which
// must leave the engine's value as it was), to a preset file through the view's file commands and
// back, and to a slot of the simulated keyboard through the transfer dialogs and back. And bytes that
// no list entry names, fetched from the keyboard after a preset whose bytes the lists name.
#include "Panel/UI/DeviceView.h"
#include "Panel/UI/DriverCommon/MainControl.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/PresetEditorCommon/GetPresetFromMidiDeviceDlg.h"
#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"
#include "Panel/UI/PresetEditorCommon/SendPresetToMidiDeviceDlg.h"

#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/TabControl.h"
#include "KXFramework/Controls/TextBox.h"

#include "EditorRun.h"
#include "FakeZenity.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>

namespace KX::Test {
namespace {

using Bytes = std::vector<uint8_t>;
using Preset = std::vector<Bytes>; // the 131 values in identifier order

// The sanitizer builds run the first 50 presets, through every check: a build ten times slower
// needs no more values to find a bad access on the same paths.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kPresets = 50;
#else
constexpr int kPresets = 200;
#endif
constexpr unsigned kSeed = 20261207;

// Random values of the shapes the editor itself writes, each field drawn uniformly from its range.
class PresetGenerator {
public:
    Preset Next()
    {
        Preset preset(kParamCount);
        for (int32_t i = 0; i < kParamCount; ++i) {
            switch (FindParamKindInfo(i)->kind) {
            case ParamKind::PresetName:
                preset[i] = Name();
                break;
            case ParamKind::KeybedZone:
                preset[i] = Zone();
                break;
            case ParamKind::Wheel: {
                const Bytes m = Moveable(false); // the wheel's editor has no relative page
                preset[i] = {m[0], m[1], m[2], m[4], m[5]};
                break;
            }
            case ParamKind::VolumePedal:
            case ParamKind::Fader:
            case ParamKind::Encoder:
                preset[i] = Moveable(true);
                break;
            case ParamKind::SustainPedal: {
                const Bytes r = ButtonRecord(true);
                preset[i] = {r[0], r[1], r[2], r[3], r[4], r[9]};
                break;
            }
            case ParamKind::Pad:
                preset[i] = WithColours(ButtonRecord(false), 13);
                break;
            case ParamKind::PushButton: {
                Bytes v = WithColours(ButtonRecord(false), 7);
                const int key = Int(0, 86); // key list position; "Off" is stored as 87
                v.insert(v.end(), {Byte(0, 7), uint8_t(key == 0 ? 87 : key - 1), Byte(0, 28)});
                preset[i] = v;
                break;
            }
            case ParamKind::TouchPadAxis:
                preset[i] = Moveable(true);
                for (uint8_t b : NoteMode())
                    preset[i].push_back(b);
                break;
            }
        }
        return preset;
    }

private:
    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    uint8_t Byte(int low = 0, int high = 127) { return uint8_t(Int(low, high)); }
    template <size_t N>
    uint8_t OneOf(const uint8_t (&set)[N])
    {
        return set[Int(0, int(N) - 1)];
    }

    // Up to six characters of the name box's set; space and apostrophe have bytes of their own.
    Bytes Name()
    {
        static const char kAllowed[] = " abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-./=[\\]'";
        Bytes v(6, 0);
        const int length = Int(0, 6);
        for (int k = 0; k < length; ++k) {
            const char c = kAllowed[Int(0, int(sizeof kAllowed) - 2)];
            v[size_t(k)] = c == ' ' ? 0x22 : c == '\'' ? 0x60 : uint8_t(c);
        }
        return v;
    }

    // Enabled, channel 0..16, program, bank MSB and LSB, first key <= last key <= 60, octave shift
    // 0..10, transpose 0..24.
    Bytes Zone()
    {
        const uint8_t a = Byte(0, 60), b = Byte(0, 60);
        return {Byte(0, 1),     Byte(0, 16),    Byte(),      Byte(),     Byte(),
                std::min(a, b), std::max(a, b), Byte(0, 10), Byte(0, 24)};
    }

    // One of the four page shapes: CC absolute, CC relative, RPN/NRPN, other types.
    Bytes Moveable(bool relative)
    {
        static const uint8_t kOther[] = {0, 1, 2, 3, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
        const uint8_t channel = Byte(0, 21);
        int shape = Int(0, relative ? 3 : 2);
        if (!relative && shape >= 1)
            ++shape;
        switch (shape) {
        case 0:
            return {channel, 0, Byte(), 0, Byte(), Byte()};
        case 1:
            return {channel, 0, Byte(), 1, Byte(0, 3), 0};
        case 2:
            return {channel, 1, Byte(4, 7), 0, Byte(), Byte()};
        default:
            return {channel, 1, OneOf(kOther), 0, Byte(), Byte()};
        }
    }

    // One of the button editor's ten pages; the sustain pedal's editor offers only note, program,
    // CC absolute, CC inc/dec, MMC and program inc/dec.
    Bytes ButtonRecord(bool sustain)
    {
        static const uint8_t kOther[] = {0, 1, 2, 3, 8, 9, 10, 11, 12, 13, 14, 15, 16, 22, 23, 24};
        static const uint8_t kMmc[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13};
        static const uint8_t kSustainPages[] = {0, 3, 5, 6, 7, 8};
        Bytes r(10, 0);
        r[0] = Byte(0, 21);
        r[1] = 1;
        const auto steps = [&] {
            const int count = Int(2, 4);
            r[4] = Byte();
            r[9] = Byte();
            r[5] = count == 2;
            r[6] = count > 2 ? Byte() : 0;
            r[7] = count < 4;
            r[8] = count == 4 ? Byte() : 0;
        };
        switch (sustain ? OneOf(kSustainPages) : Int(0, 9)) {
        case 0: // CC absolute: release and press values
            r[1] = 0;
            r[2] = Byte();
            r[4] = Byte();
            r[9] = Byte();
            break;
        case 1:
            r[2] = OneOf(kOther);
            r[4] = Byte();
            break;
        case 2: // RPN/NRPN: data value, parameter LSB and MSB
        case 3: // program change: program, bank LSB and MSB
            r[2] = sustain || Int(0, 1) ? 17 : Byte(4, 7);
            r[3] = Byte();
            r[4] = Byte();
            r[9] = Byte();
            break;
        case 4: // CC cycle
            r[2] = 18;
            r[3] = Byte();
            steps();
            break;
        case 5: // note, latched or not: note, off and on values
            r[2] = Byte(19, 20);
            r[3] = Byte();
            r[4] = Byte();
            r[9] = Byte();
            break;
        case 6:
            r[2] = 21;
            r[4] = OneOf(kMmc);
            break;
        case 7: // CC inc/dec: CC number, minimum, maximum, no second and third steps
        case 8: // program inc/dec
            r[2] = Int(0, 1) ? Byte(25, 26) : Byte(27, 28);
            r[3] = r[2] <= 26 ? Byte() : 0;
            r[4] = Byte();
            r[5] = r[7] = 1;
            r[9] = Byte();
            break;
        default: // program cycle
            r[2] = 29;
            steps();
            break;
        }
        return r;
    }

    // Record byte 0, four colours of the list 0..`highest`, record bytes 1..9.
    Bytes WithColours(const Bytes& record, int highest)
    {
        Bytes v = {record[0], Byte(0, highest), Byte(0, highest), Byte(0, highest), Byte(0, highest)};
        v.insert(v.end(), record.begin() + 1, record.end());
        return v;
    }

    // Note count 2 ("Range") to 8, first note, last note, the notes between, then the values of the
    // unused note boxes (0 in "Range"). One in four lists of 3 to 8 notes follows a scale through all
    // eight boxes, which the page recognises.
    Bytes NoteMode()
    {
        Bytes v(9, 0);
        const int count = Int(2, 8);
        v[0] = uint8_t(count);
        if (count == 2) {
            v[1] = Byte();
            v[2] = Byte();
            return v;
        }
        uint8_t notes[8];
        const bool scale = Int(0, 3) == 0;
        const int type = Int(0, 9); // 0..8 seven steps, 9 chromatic
        const Array<double> steps = BuildScaleNotes(type, Byte(0, 115), 8);
        for (unsigned k = 0; k < 8; ++k)
            notes[k] = scale ? uint8_t(steps.GetAt(k)) : Byte();
        v[1] = notes[0];
        v[2] = notes[count - 1];
        for (int k = 3; k <= count; ++k)
            v[size_t(k)] = notes[k - 2];
        for (int k = count + 1; k <= 8; ++k)
            v[size_t(k)] = notes[k - 1];
        return v;
    }

    std::mt19937 m_random{kSeed};
};

// Names as the failure messages use them, e.g. "PushButton 12" for the twelfth push button.
std::string ParamName(int32_t index)
{
    static const char* const kKinds[kParamKindCount] = {"PresetName",   "KeybedZone",  "Wheel",      "VolumePedal",
                                                        "SustainPedal", "Pad",         "PushButton", "Fader",
                                                        "Encoder",      "TouchPadAxis"};
    const ParamKindInfo& info = *FindParamKindInfo(index);
    return std::string(kKinds[int(info.kind)]) + " " + std::to_string(index - info.firstIndex + 1);
}

std::string Hex(const Bytes& bytes)
{
    std::string out;
    char part[4];
    for (uint8_t b : bytes) {
        std::snprintf(part, sizeof part, "%s%02X", out.empty() ? "" : " ", b);
        out += part;
    }
    return out;
}

Bytes BytesOf(const Variant& v)
{
    unsigned size = 0;
    const unsigned char* data = v.GetData(&size);
    return data ? Bytes(data, data + size) : Bytes();
}

Variant Blob(const Bytes& bytes)
{
    Variant v;
    v.SetBlob(bytes.data(), unsigned(bytes.size()));
    return v;
}

Array<ParamValue> Values(const Preset& preset)
{
    Array<ParamValue> values;
    for (int32_t i = 0; i < kParamCount; ++i) {
        ParamValue pv;
        pv.descriptor = ParamDescriptor(LRootModuleEngine::kFirstParamID + i);
        pv.value = Blob(preset[size_t(i)]);
        static_cast<void>(values.AddItem(pv)); // 131 items
    }
    return values;
}

Preset Defaults()
{
    Preset preset;
    for (int32_t i = 0; i < kParamCount; ++i)
        preset.push_back(BytesOf(ParamDefaultValue(i)));
    return preset;
}

// The keyboard's stored bytes of a preset: its values joined.
Bytes Joined(const Preset& preset)
{
    Bytes out;
    for (const Bytes& v : preset)
        out.insert(out.end(), v.begin(), v.end());
    return out;
}

RCPtr<LControl> Child(const RCPtr<LControl>& parent, const std::u16string& name)
{
    return parent ? parent->FindChild(String(name.c_str())) : RCPtr<LControl>();
}

std::u16string Numbered(const char16_t* stem, int n)
{
    std::u16string name(stem);
    for (char c : std::to_string(n))
        name += char16_t(c);
    return name;
}

// The tile of parameter `index` on the device picture (the preset name's is its edit panel) and the
// edit panel its click opens.
struct Place {
    RCPtr<LControl> tile;
    RCPtr<LControl> editPanel;
};

Place PlaceOf(const RCPtr<LControl>& view, int32_t index)
{
    const ParamKindInfo& info = *FindParamKindInfo(index);
    const int leaf = index - info.firstIndex;
    const auto banked = [&](const char16_t* group, const char16_t* bank, const char16_t* tile, int perBank) {
        return Child(Child(Child(view, group), Numbered(bank, leaf / perBank + 1)), Numbered(tile, leaf % perBank + 1));
    };
    switch (info.kind) {
    case ParamKind::PresetName:
        return {Child(view, u"presetNameEditPanel"), Child(view, u"presetNameEditPanel")};
    case ParamKind::KeybedZone:
        return {Child(Child(view, u"keybedZones"), Numbered(u"zone", leaf + 1)), Child(view, u"zoneEditPanel")};
    case ParamKind::Wheel:
        return {Child(Child(view, u"wheels"), leaf == 0 ? u"pitchWheel" : u"modWheel"), Child(view, u"wheelEditPanel")};
    case ParamKind::VolumePedal:
        return {Child(Child(view, u"pedals"), u"volumePedal"), Child(view, u"volumePedalEditPanel")};
    case ParamKind::SustainPedal:
        return {Child(Child(view, u"pedals"), u"sustainPedal"), Child(view, u"sustainEditPage")};
    case ParamKind::Pad:
        return {Child(Child(view, u"pads"), Numbered(u"pad", leaf + 1)), Child(view, u"padEditPanel")};
    case ParamKind::PushButton:
        return {banked(u"buttons", u"buttonBank", u"button", 9), Child(view, u"buttonEditPanel")};
    case ParamKind::Fader:
        return {banked(u"faders", u"faderBank", u"fader", 9), Child(view, u"faderEditPanel")};
    case ParamKind::Encoder:
        return {banked(u"encoders", u"encoderBank", u"encoder", 8), Child(view, u"knobEditPanel")};
    case ParamKind::TouchPadAxis:
        return {Child(Child(view, u"xyPad"), leaf == 0 ? u"xAxis" : u"yAxis"), Child(view, u"xyPadEditPanel")};
    }
    return {};
}

// Makes an edit panel pack what its controls show and report it, as any edit by the user does: the
// notification its handler takes from the editor (or control) whose change it reports.
void ReportShownValue(const RCPtr<LControl>& panel, ParamKind kind)
{
    const auto send = [](const RCPtr<LControl>& sender, const char16_t* notification) {
        ASSERT_TRUE(sender) << String(notification).ToNarrow().GetData();
        static_cast<void>(sender->SendNotification(MakeNotification(notification))); // checked by the engine's value
    };
    const auto page = [&](const char16_t* name) {
        RCPtr<LTabControl> tabs(Child(panel, u"viewTabControl"));
        return tabs ? tabs->GetPageByName(name) : RCPtr<LControl>();
    };
    switch (kind) {
    case ParamKind::PresetName:
        send(Child(panel, u"textBox"), u"NID_TEXTBOX_TEXT_CHANGE");
        break;
    case ParamKind::KeybedZone:
        send(ControlUtilities::GetNumericUpDownChild(Child(panel, u"transpose")), u"NID_VALUE_CHANGE");
        break;
    case ParamKind::Wheel:
    case ParamKind::VolumePedal:
    case ParamKind::Fader:
    case ParamKind::Encoder:
        send(Child(panel, u"moveableTypePanel"), u"NID_PARAMETERS_CHANGED");
        break;
    case ParamKind::SustainPedal:
        send(Child(panel, u"buttonTypePanel"), u"NID_PARAMETERS_CHANGED");
        break;
    case ParamKind::Pad:
    case ParamKind::PushButton:
        send(page(u"midiPage"), u"NID_PARAMETERS_CHANGED");
        break;
    case ParamKind::TouchPadAxis:
        send(page(u"midiPage"), u"NID_PARAMETERS_CHANGED");
        send(page(u"noteModePage"), u"NID_PARAMETERS_CHANGED");
        break;
    }
}

// Calls `visit` for every descendant of `control` in tree order; `visible` keeps to the shown ones.
template <class Visit>
void Walk(const LControl& control, bool visible, const Visit& visit)
{
    const LControl::ChildControlList& children = control.GetChildren();
    for (unsigned i = 0; i < children.GetCount(); ++i) {
        const LControl& child = *children.GetAt(i, LControl::kInsertionOrder);
        if (visible && !child.IsVisible(false))
            continue;
        visit(child);
        Walk(child, visible, visit);
    }
}

// What a tile shows: every descendant's text, value and visibility.
std::string Shown(const RCPtr<LControl>& tile)
{
    std::ostringstream out;
    Walk(*tile, false, [&](const LControl& c) {
        out << c.GetName().ToNarrow().GetData() << "=" << c.GetText().ToNarrow().GetData() << "/" << c.GetValue()
            << (c.IsVisible(false) ? "" : " hidden") << "; ";
    });
    return out.str();
}

// The combo boxes an edit panel shows without a selection: a list that has no item for the value
// (the panel would pack the byte it was shown, which hides that the list cannot show it).
std::string Unselected(const RCPtr<LControl>& panel)
{
    std::string out;
    Walk(*panel, true, [&](const LControl& c) {
        auto* combo = dynamic_cast<const LComboBox*>(&c);
        if (combo && combo->GetSelectedIndex() < 0)
            out += std::string(c.GetParent()->GetName().ToNarrow().GetData()) + " ";
    });
    return out;
}

// What a tile shows of one byte: the channel its channel view names, its summary, a keybed zone's
// summary (which names the keys as the zone's edit panel does), the look of its colour indicator, or
// nothing.
enum class Shows { Nothing, Channel, Summary, Keys, Colour };

std::string TileShows(const RCPtr<LControl>& tile, Shows what)
{
    if (what == Shows::Nothing)
        return "";
    if (what == Shows::Colour)
        return "look " + std::to_string(Child(tile, u"color")->GetActiveLookIndex());
    if (what == Shows::Keys)
        return Child(tile, u"infoLabel")->GetText().ToNarrow().GetData();
    RCPtrArray<LControl, 1, 0> found;
    static_cast<void>(tile->FindDescendants(what == Shows::Channel ? u"midiChannel" : u"infoLabel",
                                            found)); // none: the text below is empty
    const RCPtr<LControl> text = found.GetCount() == 0    ? nullptr
                                 : what == Shows::Channel ? Child(found.GetAt(0), u"label")
                                                          : found.GetAt(0);
    return text ? text->GetText().ToNarrow().GetData() : "";
}

// What the selectors named `name` under an edit panel show, each distinct state once: a list's text,
// or a note selector's key name, number and octave, and "(selected)" after it while an entry is
// selected or a number shown.
std::string SelectorsShow(const RCPtr<LControl>& panel, const char16_t* name)
{
    RCPtrArray<LControl, 1, 0> found;
    static_cast<void>(panel->FindDescendants(name, found)); // none: an empty answer
    std::set<std::string> states;
    const auto text = [](const RCPtr<LControl>& c) { return std::string(c->GetText().ToNarrow().GetData()); };
    for (unsigned i = 0; i < found.GetCount(); ++i) {
        const RCPtr<LComboBox> combo(ControlUtilities::GetComboBoxChild(found.GetAt(i)));
        if (combo)
            states.insert(text(combo) + (combo->GetSelectedIndex() >= 0 ? " (selected)" : ""));
        if (const RCPtr<LNumericUpDown> box = ControlUtilities::GetNoteSelectorNumericUpDown(found.GetAt(i)))
            states.insert(text(Child(box->GetParent(), u"noteNameLabel")) + " " + text(box->GetTextBox()) + " " +
                          text(Child(box->GetParent(), u"octaveNameLabel")) +
                          (box->ShowsNumber() ? " (selected)" : ""));
    }
    std::string out;
    for (const std::string& state : states)
        out += (out.empty() ? "" : "; ") + state;
    return out;
}

// A keybed zone's keys as its edit panel's note selectors name them, in its tile's summary format:
// what the tile must read.
std::string KeysAsTheEditPanelNamesThem(const RCPtr<LControl>& panel, const RCPtr<LControl>& tile)
{
    const auto label = [&](const char16_t* key, const char16_t* name) {
        return Child(Child(Child(Child(panel, u"startEndNoteSelector"), key), u"noteSelector"), name)->GetText();
    };
    String format;
    Child(tile, u"infoLabel")->GetString(format, u"INFO_TEXT");
    return String::Format(format.GetString(), label(u"startNote", u"noteNameLabel").GetString(),
                          label(u"startNote", u"octaveNameLabel").GetString(),
                          label(u"endNote", u"noteNameLabel").GetString(),
                          label(u"endNote", u"octaveNameLabel").GetString())
        .ToNarrow()
        .GetData();
}

class PresetRoundTripTest : public EditorRun {
protected:
    // Every value of the engine that differs from the preset, with its name and both values.
    static void ExpectEngineHolds(const Preset& expected, int preset, const char* stage)
    {
        Deliver();
        RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
        for (int32_t i = 0; i < kParamCount; ++i) {
            Variant v;
            ASSERT_EQ(engine->GetParamValue(LRootModuleEngine::kFirstParamID + i, v), S_OK);
            EXPECT_EQ(Hex(BytesOf(v)), Hex(expected[size_t(i)]))
                << "preset " << preset << ", " << ParamName(i) << ", " << stage;
        }
    }

    static void Apply(const Preset& preset)
    {
        ASSERT_EQ(LRootModuleEngine::GetRootModuleEngine()->ApplyParamValues(Values(preset)), S_OK);
        Deliver();
    }

    // Each tile shows what it shows when handed the expected value itself, and the name box its text.
    static void ExpectTilesShow(const RCPtr<LControl>& view, const Preset& expected, int preset, const char* stage)
    {
        for (int32_t i = 0; i < kParamCount; ++i) {
            const RCPtr<LControl> tile = PlaceOf(view, i).tile;
            ASSERT_TRUE(tile) << ParamName(i);
            if (i == 0) {
                EXPECT_EQ(Child(tile, u"textBox")->GetText().ToNarrow().GetData(), Text(expected[0]))
                    << "preset " << preset << ", " << ParamName(i) << ", " << stage;
                continue;
            }
            const std::string delivered = Shown(tile);
            auto* leaf = dynamic_cast<LParameterizedModule*>(tile.Get());
            ASSERT_TRUE(leaf) << ParamName(i);
            ASSERT_EQ(leaf->SetParamValueLocal(ParamDescriptor(LRootModuleEngine::kFirstParamID + i),
                                               Blob(expected[size_t(i)]), 0),
                      S_OK)
                << ParamName(i);
            EXPECT_EQ(delivered, Shown(tile)) << "preset " << preset << ", " << ParamName(i) << " tile, " << stage;
        }
    }

    // Each control's edit panel, opened by a click on its tile, shows its value with every list
    // selected and packs exactly that value again when made to report it.
    static void ExpectEditPanelsPack(const RCPtr<LControl>& view, const Preset& expected, int preset)
    {
        RCPtr<LRootModuleEngine> engine = LRootModuleEngine::GetRootModuleEngine();
        for (int32_t i = 0; i < kParamCount; ++i) {
            const Place place = PlaceOf(view, i);
            ASSERT_TRUE(place.tile && place.editPanel) << ParamName(i);
            const ParamKind kind = FindParamKindInfo(i)->kind;
            const int32_t id = LRootModuleEngine::kFirstParamID + i;
            if (kind != ParamKind::PresetName) {
                Click(Child(place.tile, u"button"));
                Deliver();
                ASSERT_TRUE(place.editPanel->IsVisible(false)) << ParamName(i);
                EXPECT_EQ(Unselected(place.editPanel), "") << "preset " << preset << ", " << ParamName(i);
            }
            ReportShownValue(place.editPanel, kind);
            Variant now;
            ASSERT_EQ(engine->GetParamValue(id, now), S_OK);
            if (BytesOf(now) != expected[size_t(i)]) {
                ADD_FAILURE() << "preset " << preset << ", " << ParamName(i) << ": engine " << Hex(expected[size_t(i)])
                              << ", edit panel packs " << Hex(BytesOf(now));
                ASSERT_EQ(engine->SendParamValueToDevice(id, Blob(expected[size_t(i)])),
                          S_OK); // later checks start clean
            }
            Deliver();
        }
    }

    // The name's text as the name box shows it.
    static std::string Text(const Bytes& name)
    {
        std::string text;
        for (uint8_t b : name) {
            if (b == 0)
                break;
            text += b == 0x22 ? ' ' : b == 0x60 ? '\'' : char(b);
        }
        return text;
    }

    // The editor's picture and its two transfer dialogs.
    struct Session {
        RCPtr<LDeviceView> view;
        RCPtr<LGetPresetFromMidiDeviceDlg> get;
        RCPtr<LSendPresetToMidiDeviceDlg> send;
    };
    static void Open(LApplication& application, OSWindow& window, Session& session)
    {
        RCPtr<LMainControl> main(dynamic_cast<LMainControl*>(window.GetRootWindow()->GetContent().Get()));
        ASSERT_TRUE(main && main->GetDeviceView());
        session.view = main->GetDeviceView();
        session.get = CreateDialog<LGetPresetFromMidiDeviceDlg>(application, LGetPresetFromMidiDeviceDlg::kSkinName);
        session.send = CreateDialog<LSendPresetToMidiDeviceDlg>(application, LSendPresetToMidiDeviceDlg::kSkinName);
        ASSERT_TRUE(session.get && session.send);
    }

    // Picks the slot in a transfer dialog's list and presses its action button.
    static void PressFor(LDialog& dialog, const char16_t* button, int32_t slot)
    {
        RCPtr<LComboBox> list(dynamic_cast<LComboBox*>(dialog.FindChild(u"presetSlot")->FindChild(u"comboBox").Get()));
        ASSERT_TRUE(list);
        static_cast<void>(list->SetSelectedIndex(slot)); // checked by the keyboard's slot
        Click(dialog.FindChild(button));
    }

    static Bytes ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    TempFolder files;
    FakeZenity zenity;
};

TEST_F(PresetRoundTripTest, RandomPresetsPassUnchanged)
{
    const std::string path = files / "round trip.Kivo61";
    zenity.Answer(path + "\n", 0);
    const Preset defaults = Defaults();
    EXPECT_EQ(RunInEditor(
                  [&](LApplication& application, OSWindow& window) {
                      Session session;
                      ASSERT_NO_FATAL_FAILURE(Open(application, window, session));
                      const auto& [view, get, send] = session;
                      PresetGenerator generator;
                      for (int p = 0; p < kPresets && !HasFatalFailure(); ++p) {
                          const Preset preset = generator.Next();
                          Apply(preset);
                          ExpectEngineHolds(preset, p, "put into the engine");
                          ExpectTilesShow(view, preset, p, "put into the engine");
                          ExpectEditPanelsPack(view, preset, p);
                          ExpectEngineHolds(preset, p, "after the view");

                          ASSERT_EQ(view->SavePresetToFile(), S_OK);
                          const Bytes file = ReadFile(path);
                          ASSERT_EQ(file.size(), LPresetManager::kFileSize);
                          Array<ParamValue> read;
                          ASSERT_EQ(LPresetManager::ReadPresetFile(file.data(), file.size(), 1, read), 0);
                          for (int32_t i = 0; i < kParamCount; ++i)
                              EXPECT_EQ(Hex(BytesOf(read.GetAt(unsigned(i)).value)), Hex(preset[size_t(i)]))
                                  << "preset " << p << ", " << ParamName(i) << ", in the file";
                          Apply(defaults);
                          ASSERT_EQ(view->LoadPresetFromFile(), S_OK);
                          ExpectEngineHolds(preset, p, "loaded from the file");
                          ExpectTilesShow(view, preset, p, "loaded from the file");

                          const int slot = p % SimulatedKivo61::kSlots;
                          PressFor(*send, u"send", slot);
                          ASSERT_TRUE(midi->WaitIdle());
                          EXPECT_EQ(Hex(kivo->Slot(slot)), Hex(Joined(preset))) << "preset " << p << ", keyboard slot";
                          Apply(defaults);
                          PressFor(*get, u"getButton", slot);
                          ExpectEngineHolds(preset, p, "fetched from the keyboard");
                          ExpectTilesShow(view, preset, p, "fetched from the keyboard");
                          EXPECT_EQ(TakeBoxes(),
                                    (std::vector<Box>{
                                        {u"Send Sucess", u"The preset has been sucessfully sent to the device", 0},
                                        {u"Retrieve Sucessful", u"The preset has been sucessfully retreived.", 0}}))
                              << "preset " << p;
                      }
                  },
                  BodyAt::Idle),
              0);
}

TEST_F(PresetRoundTripTest, BytesThatNoListEntryNamesShowAsUnknownAndPassUnchanged)
{
    // Each case's byte is named by its list in the preset shown first and by no entry in the one
    // fetched after it; `set` gives both the page that shows it, without bytes the page leaves out.
    struct Case {
        int32_t index;
        std::vector<std::pair<unsigned, uint8_t>> set;
        unsigned offset;
        uint8_t named, stray;
        const char16_t* selectors; // of the edit panel, every one of that name
        Shows what;
        const char* tile;
        const char* panel = "?"; // what those selectors show of the byte
    };
    const Case cases[] = {
        {10, {}, 0, 21, 40, u"midiChannel", Shows::Channel, "CH:?"},              // pad 2
        {11, {}, 1, 10, 14, u"color1", Shows::Colour, "look 14"},                 // pad 3
        {25, {{7, 0}}, 0, 21, 22, u"midiChannel", Shows::Channel, "CH:?"},        // push button 1
        {26, {{7, 0}}, 1, 5, 8, u"color1", Shows::Colour, "look 8"},              // push button 2
        {27, {{7, 0}}, 14, 5, 8, u"asciiColor", Shows::Nothing, ""},              // HID colour
        {28, {{7, 0}}, 15, 10, 86, u"key", Shows::Nothing, ""},                   // HID key
        {29, {{7, 0}}, 16, 3, 29, u"modifierKey", Shows::Nothing, ""},            // HID modifier
        {30, {{5, 1}, {7, 0}, {13, 0}}, 6, 16, 30, u"type", Shows::Summary, "?"}, // type code
        {1, {}, 1, 16, 17, u"midiChannel", Shows::Channel, "CH:?"},               // keybed zone 1
        // Keybed zones 2 to 4: key bytes that are no key of the keybed's 61.
        {2, {}, 5, 20, 77, u"startNote", Shows::Keys, "First: ? ? | Last C (6)", "? ? ?"},
        {3, {}, 6, 60, 84, u"endNote", Shows::Keys, "First: C (1) | Last ? ?", "? ? ?"},
        {4, {{5, 10}}, 6, 30, 127, u"endNote", Shows::Keys, "First: Bb (1) | Last ? ?", "? ? ?"},
        {5, {}, 0, 21, 60, u"midiChannel", Shows::Channel, "CH:?"},           // pitch wheel
        {7, {}, 0, 21, 100, u"midiChannel", Shows::Channel, "CH:?"},          // volume pedal
        {8, {}, 0, 21, 22, u"midiChannel", Shows::Channel, "CH:?"},           // sustain pedal
        {61, {}, 0, 21, 127, u"midiChannel", Shows::Channel, "CH:?"},         // fader 1
        {62, {{1, 1}}, 2, 16, 19, u"otherType", Shows::Summary, "?"},         // fader 2's type code
        {97, {{3, 1}, {5, 0}}, 4, 1, 4, u"relativeType", Shows::Nothing, ""}, // encoder 1
        {129, {}, 0, 21, 23, u"midiChannel", Shows::Channel, "CH:?"},         // the XY pad's X axis
    };
    Preset named = Defaults();
    for (const Case& c : cases) {
        for (const auto& [offset, byte] : c.set)
            named[size_t(c.index)][offset] = byte;
        named[size_t(c.index)][c.offset] = c.named;
    }
    Preset stray = named;
    for (const Case& c : cases)
        stray[size_t(c.index)][c.offset] = c.stray;
    constexpr int kSlot = 3, kSentSlot = 7;
    kivo->SetSlot(kSlot, Joined(stray));
    const std::string path = files / "stray.Kivo61";
    zenity.Answer(path + "\n", 0);
    const auto body = [&](LApplication& application, OSWindow& window) {
        Session session;
        ASSERT_NO_FATAL_FAILURE(Open(application, window, session));
        const auto& [view, get, send] = session;
        for (const Case& c : cases) {
            SCOPED_TRACE(ParamName(c.index));
            const Place place = PlaceOf(view, c.index);
            Apply(named);
            Click(Child(place.tile, u"button"));
            Deliver();
            ASSERT_NE(SelectorsShow(place.editPanel, c.selectors).find("(selected)"), std::string::npos);
            if (c.what == Shows::Keys) {
                EXPECT_EQ(TileShows(place.tile, c.what), KeysAsTheEditPanelNamesThem(place.editPanel, place.tile));
            }
            PressFor(*get, u"getButton", kSlot);
            Deliver();
            EXPECT_EQ(SelectorsShow(place.editPanel, c.selectors), c.panel);
            EXPECT_EQ(TileShows(place.tile, c.what), c.tile);
            if (c.what == Shows::Keys) {
                EXPECT_EQ(TileShows(place.tile, c.what), KeysAsTheEditPanelNamesThem(place.editPanel, place.tile));
            }
            // Any edit of the control packs the byte as it came.
            ReportShownValue(place.editPanel, FindParamKindInfo(c.index)->kind);
            ExpectEngineHolds(stray, 0, "after an edit");
        }
        // The file and the keyboard take the bytes as they are, and the file loaded over the named
        // preset shows them as unknown on every tile.
        ASSERT_EQ(view->SavePresetToFile(), S_OK);
        Apply(named);
        ASSERT_EQ(view->LoadPresetFromFile(), S_OK);
        ExpectEngineHolds(stray, 0, "loaded from the file");
        for (const Case& c : cases)
            EXPECT_EQ(TileShows(PlaceOf(view, c.index).tile, c.what), c.tile)
                << ParamName(c.index) << ", from the file";
        PressFor(*send, u"send", kSentSlot);
        ASSERT_TRUE(midi->WaitIdle());
        EXPECT_EQ(Hex(kivo->Slot(kSentSlot)), Hex(Joined(stray)));
    };
    EXPECT_EQ(RunInEditor(body, BodyAt::Idle), 0);
}

} // namespace
} // namespace KX::Test
