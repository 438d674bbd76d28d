#include "Panel/UI/KivoSeriesCommon/KeybedZoneEditPanel.h"

#include "Panel/UI/DriverCommon/ChildLookup.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"

#include <algorithm>

using namespace KeybedZoneValue;
using namespace ControlUtilities;

namespace {

constexpr const char* kPath = "UI\\KivoSeriesCommon\\KeybedZoneEditPanel";
constexpr const char* kInitialize = "LKeybedZoneEditPanel::Initialize";

template <class P>
const P& Need(const P& p, const std::string& phrase, int line)
{
    return RequireChild(p, phrase, kInitialize, kPath, line);
}

KX::RCPtr<KX::LNumericUpDown> Box(const KX::RCPtr<KX::LControl>& c)
{
    return KX::RCPtr<KX::LNumericUpDown>(c);
}

bool Is(const KX::RCPtr<KX::LNotificationDistributor>& sender, const KX::RCPtr<KX::LNumericUpDown>& box)
{
    return box && sender.Get() == static_cast<KX::LNotificationDistributor*>(box.Get());
}

// Shows key byte `key` (read signed) in the box of a note selector, or the selector's number and names
// as unknown for a byte that is no key of the keybed.
void ShowKey(const KX::RCPtr<KX::LNumericUpDown>& box, int key)
{
    if (IsKey(key)) {
        box->SetValueInRange(key);
        return;
    }
    if (auto* selector = dynamic_cast<LMidiNoteSelector*>(box->GetParent().Get()))
        selector->ShowInPlaceOfNote(kNoEntryText); // its names too
    else
        box->ShowInPlaceOfNumber(kNoEntryText);
}

// The key byte a box stands for: its number, or the byte shown as unknown.
unsigned char KeyByte(const KX::RCPtr<KX::LNumericUpDown>& box, unsigned char shown)
{
    return box && !box->ShowsNumber() ? shown : static_cast<unsigned char>(NumberOf(box));
}

} // namespace

LKeybedZoneEditPanel::LKeybedZoneEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIEditPanel(parent, name)
{
}

void LKeybedZoneEditPanel::Subscribe(Handler::Member member, const KX::RCPtr<KX::LControl>& sender,
                                     const char16_t* name, int line)
{
    const KXRESULT r = Bind(member, sender, name);
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                       KX::SourcePlace(kInitialize, kPath, line));
}

KXRESULT LKeybedZoneEditPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    const auto change = &LKeybedZoneEditPanel::OnZoneControlChange;
    m_title = Need(KX::RCPtr<KX::LLabel>(FindChild(u"zoneName")), "couldn't find child zoneName", 35);
    m_enabled = Need(KX::RCPtr<KX::LButton>(FindChild(u"zoneEnabledToggleButton")),
                     "couldn't find child zoneEnabledToggleButton", 38);
    Subscribe(change, m_enabled, u"NID_VALUE_CHANGE", 39);
    Subscribe(&LKeybedZoneEditPanel::OnZoneToggleClick, m_enabled, u"NID_LEFT_CLICK", 40);
    m_channel = Need(KX::RCPtr<KX::LComboBox>(GetComboBoxChild(FindChild(u"midiChannel"))),
                     "couldn't find child midiChannel", 43);
    Subscribe(change, m_channel, u"NID_SELECTION_CHANGE", 44);
    m_octave = Need(Box(GetNumericUpDownChild(FindChild(u"octave"))), "couldn't find child octave", 47);
    Subscribe(change, m_octave, u"NID_VALUE_CHANGE", 48);
    m_transpose = Need(Box(GetNumericUpDownChild(FindChild(u"transpose"))), "couldn't find child transpose", 51);
    Subscribe(change, m_transpose, u"NID_VALUE_CHANGE", 52);
    m_bankLSB = Need(Box(GetLSBNumericUpDown(KX::RCPtr<KX::LControl>(this))), "couldn't find child lsb", 55);
    Subscribe(change, m_bankLSB, u"NID_VALUE_CHANGE", 56);
    m_bankMSB = Need(Box(GetMSBNumericUpDown(KX::RCPtr<KX::LControl>(this))), "couldn't find child msb", 59);
    Subscribe(change, m_bankMSB, u"NID_VALUE_CHANGE", 60);
    const KX::RCPtr<KX::LControl>& keys = FindChild(u"startEndNoteSelector");
    const KX::RCPtr<KX::LControl> first = FindChildAt(keys, {u"startNote"});
    const KX::RCPtr<KX::LControl> last = FindChildAt(keys, {u"endNote"});
    m_firstKey = Need(GetNoteSelectorNumericUpDown(first), "couldn't find child startNote noteSelector", 63);
    Subscribe(change, m_firstKey, u"NID_VALUE_CHANGE", 64);
    Need(keys, "Cannot find child startEndNoteSelector", 67);
    Need(first, "Cannot find child startNote", 70);
    KX::String text;
    if (const KX::RCPtr<KX::LControl> label = GetControlNameLabelChild(first))
        label->SetText(label->GetString(text, u"START_NOTE_LABEL"));
    m_lastKey = Need(GetNoteSelectorNumericUpDown(last), "couldn't find child endNote noteSelector", 75);
    Subscribe(change, m_lastKey, u"NID_VALUE_CHANGE", 76);
    Need(last, "Cannot find child endNote", 79);
    if (const KX::RCPtr<KX::LControl> label = GetControlNameLabelChild(last))
        label->SetText(label->GetString(text, u"END_NOTE_LABEL"));
    m_program = Need(Box(GetNumericUpDownChild(FindChild(u"program"))), "couldn't find child program", 84);
    Subscribe(change, m_program, u"NID_VALUE_CHANGE", 85);
    // Ranges the skin cannot get wrong: a failure leaves the box's own range.
    m_octave->SetRange(-kOctaveOffset, kOctaveOffset, 0);
    m_transpose->SetRange(-kTransposeOffset, kTransposeOffset, 0);
    for (const KX::RCPtr<KX::LNumericUpDown>& box : {m_bankLSB, m_bankMSB, m_program})
        box->SetRange(0, 127, 0);
    return base;
}

void LKeybedZoneEditPanel::OnRepointed()
{
    if (!m_title)
        return;
    KX::String format;
    m_title->GetString(format, u"LABEL");
    m_title->SetText(KX::String::Format(format.GetString(), GetIndex() + 1));
}

std::array<unsigned char, kSize> LKeybedZoneEditPanel::BuildParamValue() const
{
    std::array<unsigned char, kSize> v{};
    v[kEnabled] = m_enabled && m_enabled->GetValue() != 0.0 ? 1 : 0;
    const int channel = m_channel ? m_channel->GetSelectedIndex() : -1;
    v[kChannel] = channel >= 0 ? static_cast<unsigned char>(channel) : m_shown[kChannel];
    v[kProgram] = static_cast<unsigned char>(NumberOf(m_program));
    v[kBankMSB] = static_cast<unsigned char>(NumberOf(m_bankMSB));
    v[kBankLSB] = static_cast<unsigned char>(NumberOf(m_bankLSB));
    v[kFirstKey] = KeyByte(m_firstKey, m_shown[kFirstKey]);
    v[kLastKey] = KeyByte(m_lastKey, m_shown[kLastKey]);
    v[kOctave] = static_cast<unsigned char>(NumberOf(m_octave) + kOctaveOffset);
    v[kTranspose] = static_cast<unsigned char>(NumberOf(m_transpose) + kTransposeOffset);
    return v;
}

KXRESULT LKeybedZoneEditPanel::ShowParamValue(const unsigned char* bytes, int)
{
    if (!m_enabled)
        return KX::E_FAIL;
    const auto at = [bytes](int offset) { return static_cast<signed char>(bytes[offset]); };
    std::copy(bytes, bytes + kSize, m_shown.begin());
    static_cast<void>(m_enabled->SetValue(at(kEnabled) != 0 ? 1.0 : 0.0)); // the value stored is not needed
    ShowListPosition(m_channel, at(kChannel));
    m_program->SetValueInRange(at(kProgram));
    m_bankMSB->SetValueInRange(at(kBankMSB));
    m_bankLSB->SetValueInRange(at(kBankLSB));
    // Last before first: the first key is pulled down to the last, so the other order would clip a
    // zone that moves up.
    ShowKey(m_lastKey, at(kLastKey));
    ShowKey(m_firstKey, at(kFirstKey));
    m_octave->SetValueInRange(at(kOctave) - kOctaveOffset);
    m_transpose->SetValueInRange(at(kTranspose) - kTransposeOffset);
    static_cast<void>(SetParamValue(KX::ParamDescriptor(GetFirstParamID()), [bytes] {
        KX::Variant v;
        v.SetBlob(bytes, kSize);
        return v;
    }())); // the group passes it to the zone's tile; a lone panel has no group
    return KX::S_OK;
}

KXRESULT LKeybedZoneEditPanel::OnZoneToggleClick(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                 const KX::RCPtr<KX::LNotification>&)
{
    if (m_enabled && sender.Get() == static_cast<KX::LNotificationDistributor*>(m_enabled.Get()))
        static_cast<void>(m_enabled->SetValue(m_enabled->GetValue() == 0.0 ? 1.0 : 0.0)); // the stored value is known
    return 1;
}

KXRESULT LKeybedZoneEditPanel::OnZoneControlChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                   const KX::RCPtr<KX::LNotification>&)
{
    if (Is(sender, m_firstKey) || Is(sender, m_lastKey)) {
        // A correction changes a box again; that change reports the corrected value. A key shown as
        // unknown is left as it is until the user sets it.
        const KX::RCPtr<KX::LNumericUpDown>& box = Is(sender, m_firstKey) ? m_firstKey : m_lastKey;
        if (box->ShowsNumber() && NumberOf(box) > kHighestKey) {
            box->SetValueInRange(kHighestKey);
            return 1;
        }
        if (m_firstKey->ShowsNumber() && m_lastKey->ShowsNumber() && NumberOf(m_firstKey) > NumberOf(m_lastKey)) {
            m_firstKey->SetValueInRange(NumberOf(m_lastKey));
            return 1;
        }
    }
    const std::array<unsigned char, kSize> value = BuildParamValue();
    static_cast<void>(ReportParamValue(value.data())); // without a main control nothing is reported
    return 1;
}

KXRESULT LKeybedZoneEditPanel::BreakCycles()
{
    m_channel = nullptr;
    m_firstKey = m_lastKey = m_octave = m_transpose = m_bankLSB = m_bankMSB = m_program = nullptr;
    m_enabled = nullptr;
    m_title = nullptr;
    return LUIEditPanel::BreakCycles();
}
