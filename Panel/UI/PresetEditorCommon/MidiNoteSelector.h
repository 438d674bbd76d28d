#pragma once
// A numeric up-down holding a MIDI note 0..127 with two labels naming the note and its octave; the
// names are the rank-ordered entries of the labels' own string tables, so one class serves the sharp
// note selector and the flat zone variant. The up-down's value is the state; the labels follow it
// whoever sets it. Also the scale builder of the XY pad's note mode page.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/ControlBase/StringTable.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"

#include <cstdint>

class LMidiNoteSelector : public KX::LControlWithHandler<KX::LPanel, LMidiNoteSelector> {
public:
    LMidiNoteSelector(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // Sets the label to the text of rank `index` in the table (0 changed, 1 already equal); an index
    // past the table leaves the label and answers 0.
    [[nodiscard]] virtual KXRESULT ShowNote(const KX::RCPtr<KX::LStringTable>& table, uint32_t index,
                                            const KX::RCPtr<KX::LControl>& label);
    void UpdateNoteLabels();
    // Shows `text` for the number and both names, for a byte that is no note its owner holds; the
    // next number set, typed or stepped to is named again.
    void ShowInPlaceOfNote(const KX::String& text);

    KXRESULT BreakCycles() override;

private:
    [[nodiscard]] KXRESULT OnNumericValueChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                const KX::RCPtr<KX::LNotification>& n);

    KX::RCPtr<KX::LControl> m_noteNameLabel;
    KX::RCPtr<KX::LControl> m_octaveNameLabel;
    KX::RCPtr<KX::LNumericUpDown> m_numberBox;
};

// The text of rank `index` among the table's entries in key order; false past the end or without a
// table.
bool TextOfRank(const KX::RCPtr<KX::LStringTable>& table, uint32_t index, KX::String& text);

// Up to `count` notes of scale `type` from `root`: types 0..8 are seven-step scales, 9 and 10 rise
// and fall chromatically; any other type gives no notes. Not clamped.
KX::Array<double> BuildScaleNotes(int32_t type, double root, uint32_t count);

// Sets the note boxes after the first (which holds the root) to the scale's notes, clamped into their
// ranges; a type outside 0..10 changes nothing. 0.
KXRESULT ApplyScaleToNoteSelectors(const KX::RCPtrArray<KX::LNumericUpDown, 1, 0>& controls, int32_t type);
