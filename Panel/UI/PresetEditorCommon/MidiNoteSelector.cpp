#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"

#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/ObjectBase/Exception.h"

#include <cmath>
#include <iterator>

namespace {

constexpr int kSevenSteps[9][7] = {
    {0, 2, 4, 5, 7, 9, 11}, // major
    {0, 2, 3, 5, 7, 8, 10}, // natural minor
    {0, 1, 3, 5, 7, 8, 10}, // Phrygian
    {0, 2, 3, 5, 7, 9, 11}, // melodic minor
    {0, 2, 3, 5, 7, 8, 11}, // harmonic minor
    {0, 2, 4, 5, 7, 9, 10}, // Mixolydian
    {0, 2, 4, 6, 7, 9, 11}, // Lydian
    {0, 2, 3, 5, 7, 9, 10}, // Dorian
    {0, 1, 3, 5, 6, 8, 10}, // Locrian
};

// The box's value through its range, truncated toward zero and taken as unsigned, as the labels
// read it.
uint32_t NoteOf(const KX::LControl& box)
{
    const double v = box.NormalizedToValue(box.GetValue());
    return std::isfinite(v) ? static_cast<uint32_t>(static_cast<int32_t>(v)) : 0;
}

} // namespace

bool TextOfRank(const KX::RCPtr<KX::LStringTable>& table, uint32_t index, KX::String& text)
{
    if (!table || index >= table->GetEntries().size())
        return false;
    // The entries are kept in key order already.
    text = std::next(table->GetEntries().begin(), index)->second;
    return true;
}

LMidiNoteSelector::LMidiNoteSelector(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlWithHandler(parent, name)
{
}

KXRESULT LMidiNoteSelector::Initialize()
{
    const KXRESULT base = LControlWithHandler::Initialize();
    if (KX::Failed(base))
        return base;
    m_noteNameLabel = FindChild(u"noteNameLabel");
    m_octaveNameLabel = FindChild(u"octaveNameLabel");
    m_numberBox = KX::RCPtr<KX::LNumericUpDown>(FindChild(u"numericUpDown"));
    if (m_numberBox)
        m_numberBox->SetRange(0.0, 127.0, 0);
    UpdateNoteLabels();
    const KXRESULT r = Bind(&LMidiNoteSelector::OnNumericValueChange, m_numberBox, u"NID_VALUE_CHANGE");
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>(
            "Failed Result : " + KX::ResultToString(r) +
            " : LMidiNoteSelector::Initialize : UI/PresetEditorCommon/MidiNoteSelector : Line 31");
    return KX::S_OK;
}

KXRESULT LMidiNoteSelector::ShowNote(const KX::RCPtr<KX::LStringTable>& table, uint32_t index,
                                     const KX::RCPtr<KX::LControl>& label)
{
    KX::String text;
    if (!label || !TextOfRank(table, index, text))
        return KX::S_OK;
    return label->SetText(text);
}

void LMidiNoteSelector::UpdateNoteLabels()
{
    // The skin must hold all three; a selector without them shows nothing rather than failing.
    if (!m_numberBox || !m_noteNameLabel || !m_octaveNameLabel)
        return;
    const uint32_t note = NoteOf(*m_numberBox);
    static_cast<void>(ShowNote(m_noteNameLabel->GetStringTable(), note % 12, m_noteNameLabel));     // 1: already shown
    static_cast<void>(ShowNote(m_octaveNameLabel->GetStringTable(), note / 12, m_octaveNameLabel)); // as above
}

void LMidiNoteSelector::ShowInPlaceOfNote(const KX::String& text)
{
    if (m_numberBox)
        m_numberBox->ShowInPlaceOfNumber(text);
    for (const KX::RCPtr<KX::LControl>& label : {m_noteNameLabel, m_octaveNameLabel}) {
        if (label)
            label->SetText(text);
    }
}

KXRESULT LMidiNoteSelector::OnNumericValueChange(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                 const KX::RCPtr<KX::LNotification>& n)
{
    if (n && KX::RCPtr<KX::LValueParam>(n->GetPayload()))
        UpdateNoteLabels();
    return 1;
}

KXRESULT LMidiNoteSelector::BreakCycles()
{
    m_noteNameLabel = nullptr;
    m_octaveNameLabel = nullptr;
    m_numberBox = nullptr;
    return LControlWithHandler::BreakCycles();
}

KX::Array<double> BuildScaleNotes(int32_t type, double root, uint32_t count)
{
    KX::Array<double> notes;
    for (uint32_t i = 0; i < count; ++i) {
        if (type >= 0 && type <= 8)
            notes.Add(root + kSevenSteps[type][i % 7] + 12.0 * (i / 7));
        else if (type == 9)
            notes.Add(root + static_cast<int>(i % 12) + 12.0 * (i / 12));
        else if (type == 10)
            notes.Add(root - static_cast<int>(i % 12) + 12.0 * (i / 12));
    }
    return notes;
}

KXRESULT ApplyScaleToNoteSelectors(const KX::RCPtrArray<KX::LNumericUpDown, 1, 0>& controls, int32_t type)
{
    if (controls.GetCount() == 0 || !controls.GetAt(0))
        return KX::S_OK;
    const KX::RCPtr<KX::LNumericUpDown>& first = controls.GetAt(0);
    const double root = first->NormalizedToValue(first->GetValue());
    const KX::Array<double> notes = BuildScaleNotes(type, root, controls.GetCount());
    if (notes.GetCount() != controls.GetCount())
        return KX::S_OK;
    for (unsigned i = 1; i < controls.GetCount(); ++i) {
        const KX::RCPtr<KX::LNumericUpDown>& box = controls.GetAt(i);
        if (box)
            box->SetValue(box->ValueToNormalized(notes.GetAt(i)));
    }
    return KX::S_OK;
}
