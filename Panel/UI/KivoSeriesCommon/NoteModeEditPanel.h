#pragma once
// The note page of the XY pad editor: the 9-byte note-mode record (count 2..8, first note, last note,
// then the notes between, then the unused notes as they stand) over eight note boxes, a type list
// ("Range", "3 Notes" .. "8 Notes") and a scale list that writes notes from the first and is
// recognised again from them. It never writes the model: every user change sends
// NID_PARAMETERS_CHANGED (no payload); showing a record sends nothing.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/Controls/NumericUpDown.h"
#include "KXFramework/Controls/Panel.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/RCPtrArray.h"

namespace NoteModeRecord {
constexpr unsigned kSize = 9;
constexpr int kMinimumCount = 2; // "Range"
constexpr int kMaximumCount = 8;
enum Offset { kCount, kFirstNote, kLastNote };
// The scale type of BuildScaleNotes for a scale list position; -1 for "Off" and positions beyond the list.
int ScaleTypeOfItem(int item);
constexpr int kScaleItems = 11;
} // namespace NoteModeRecord

class LNoteModeEditPanel : public KX::LControlWithHandler<KX::LPanel, LNoteModeEditPanel> {
public:
    LNoteModeEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name);

    [[nodiscard]] KXRESULT Initialize() override;
    // E_FAIL for a record that is not 9 bytes, which changes nothing. A count outside 2..8 is
    // clamped into it.
    [[nodiscard]] virtual KXRESULT ShowControlRecord(const KX::Array<char>& record);
    virtual KX::Array<char> BuildControlRecord();

    void RegisterForAllParameterNotifications();
    void SetNoteCount(int count);
    void DetectNoteScale();
    void ApplyNoteScale();

    KXRESULT BreakCycles() override;

protected:
    [[nodiscard]] virtual KXRESULT OnNoteValueChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                     const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] virtual KXRESULT OnNoteModeTypeChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                        const KX::RCPtr<KX::LNotification>& n);
    [[nodiscard]] virtual KXRESULT OnNoteScaleTypeChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                         const KX::RCPtr<KX::LNotification>& n);

private:
    void UnregisterForAllParameterNotifications();
    void SendParametersChanged();
    // The count the type list stands for, clamped into 2..8.
    int NoteCount() const;
    int NoteValue(unsigned i) const;
    void SetNoteLabel(unsigned i, const char16_t* key, int number = 0);

    KX::RCPtrArray<KX::LNumericUpDown, 1, 0> m_notes;
    // The note composites, whose visibility and caption follow the count.
    KX::RCPtrArray<KX::LControl, 1, 0> m_noteSelectors;
    KX::RCPtr<KX::LComboBox> m_type, m_scale;
    bool m_initialized = false;
};
