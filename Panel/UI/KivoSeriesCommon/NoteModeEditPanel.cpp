#include "Panel/UI/KivoSeriesCommon/NoteModeEditPanel.h"

#include "KXFramework/Controls/Label.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"
#include "Panel/UI/PresetEditorCommon/MidiNoteSelector.h"

#include <algorithm>
#include <cmath>
#include <vector>

using namespace NoteModeRecord;
using namespace ControlUtilities;

namespace {

constexpr const char* kPath = "UI\\KivoSeriesCommon\\NoteModeEditPanel";

bool Is(const KX::RCPtr<KX::LNotificationDistributor>& sender, const KX::RCPtr<KX::LControl>& control)
{
    return control && sender.Get() == static_cast<KX::LNotificationDistributor*>(control.Get());
}

} // namespace

int NoteModeRecord::ScaleTypeOfItem(int item)
{
    // "Dorian" and "Lydian" stand in the list in the other order than their step tables.
    if (item == 7)
        return 7;
    if (item == 8)
        return 6;
    return item >= 1 && item < kScaleItems ? item - 1 : -1;
}

LNoteModeEditPanel::LNoteModeEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlWithHandler(parent, name)
{
}

KXRESULT LNoteModeEditPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    // The page cannot work without either list, so a missing selector counts as a missing list.
    m_type = RequireChild(KX::RCPtr<KX::LComboBox>(GetComboBoxChild(FindChild(u"noteModeType"))),
                          "can not find noteModeType child comboBox", "LNoteModeEditPanel::Initialize", kPath, 34);
    m_scale = RequireChild(KX::RCPtr<KX::LComboBox>(GetComboBoxChild(FindChild(u"noteScaleType"))),
                           "can not find noteScaleType child comboBox", "LNoteModeEditPanel::Initialize", kPath, 41);
    for (int k = 1; k <= kMaximumCount; ++k) {
        const KX::RCPtr<KX::LControl>& selector = FindChild(KX::String::Format(u"note%d", k));
        const KX::RCPtr<KX::LNumericUpDown> box = GetNoteSelectorNumericUpDown(selector);
        if (!box)
            continue; // a missing note is skipped: the record works on the boxes present
        m_notes.AddItem(box);
        m_noteSelectors.AddItem(selector);
    }
    if (m_notes.GetCount() > 0)
        SetNoteLabel(0, u"START_NOTE_LABEL");
    RegisterForAllParameterNotifications();
    m_initialized = true;
    return base;
}

void LNoteModeEditPanel::RegisterForAllParameterNotifications()
{
    const auto bind = [this](Handler::Member member, const KX::RCPtr<KX::LControl>& sender, int line) {
        const KXRESULT r = Bind(member, sender, u"NID_SELECTION_CHANGE");
        if (KX::Failed(r))
            throw KX::Exception<KX::FailedResultException>(
                "Failed Result : " + KX::ResultToString(r) +
                KX::SourcePlace("LNoteModeEditPanel::RegisterForAllParameterNotifications", kPath, line));
    };
    bind(&LNoteModeEditPanel::OnNoteScaleTypeChange, m_scale, 321);
    bind(&LNoteModeEditPanel::OnNoteModeTypeChange, m_type, 322);
    SetNotificationForAllArrayItems(m_notes, GetHandler(), u"NID_VALUE_CHANGE", &LNoteModeEditPanel::OnNoteValueChange);
}

void LNoteModeEditPanel::UnregisterForAllParameterNotifications()
{
    // Bindings that are not there are simply not removed.
    static_cast<void>(UnregisterForNotification(m_scale, u"NID_SELECTION_CHANGE"));
    static_cast<void>(UnregisterForNotification(m_type, u"NID_SELECTION_CHANGE"));
    for (unsigned i = 0; i < m_notes.GetCount(); ++i)
        static_cast<void>(UnregisterForNotification(m_notes.GetAt(i), u"NID_VALUE_CHANGE"));
}

void LNoteModeEditPanel::SendParametersChanged()
{
    KX::RCPtr<KX::LNotification> n;
    if (KX::Succeeded(KX::LNotification::Create(n, u"NID_PARAMETERS_CHANGED", nullptr)))
        SendNotification(n);
}

int LNoteModeEditPanel::NoteCount() const
{
    const int item = m_type ? m_type->GetSelectedIndex() : -1;
    return item < 0 ? kMaximumCount : std::clamp(item + kMinimumCount, kMinimumCount, kMaximumCount);
}

int LNoteModeEditPanel::NoteValue(unsigned i) const
{
    if (i >= m_notes.GetCount() || !m_notes.GetAt(i))
        return 0;
    const KX::RCPtr<KX::LNumericUpDown>& box = m_notes.GetAt(i);
    const double v = box->NormalizedToValue(box->GetValue());
    return std::isfinite(v) ? static_cast<int>(v) : 0;
}

void LNoteModeEditPanel::SetNoteLabel(unsigned i, const char16_t* key, int number)
{
    if (i >= m_noteSelectors.GetCount())
        return;
    const KX::RCPtr<KX::LControl> label = GetControlNameLabelChild(m_noteSelectors.GetAt(i));
    if (!label)
        return;
    KX::String text;
    label->GetString(text, key);
    if (number > 0)
        text = KX::String::Format(text.GetString(), number);
    label->SetText(text);
}

void LNoteModeEditPanel::SetNoteCount(int count)
{
    count = std::clamp(count, kMinimumCount, kMaximumCount);
    for (unsigned i = 1; i < m_noteSelectors.GetCount(); ++i) {
        const int k = int(i) + 1;
        static_cast<void>(m_noteSelectors.GetAt(i)->SetVisible(k <= count)); // answers the visibility before
        if (k == count)
            SetNoteLabel(i, u"END_NOTE_LABEL");
        else
            SetNoteLabel(i, u"MULTI_NOTE_LABEL", k);
    }
}

KXRESULT LNoteModeEditPanel::ShowControlRecord(const KX::Array<char>& record)
{
    if (record.GetCount() != kSize || !m_type || !m_scale)
        return KX::E_FAIL;
    std::vector<int> r(kSize);
    for (unsigned i = 0; i < kSize; ++i)
        r[i] = static_cast<signed char>(record.GetAt(i));
    const int count = std::clamp(r[kCount], kMinimumCount, kMaximumCount);
    UnregisterForAllParameterNotifications();
    static_cast<void>(m_type->SetSelectedIndex(count - kMinimumCount)); // a position of the list
    SetNoteCount(count);
    if (m_notes.GetCount() > 0)
        m_notes.GetAt(0)->SetValueInRange(r[kFirstNote]);
    if (count == kMinimumCount) {
        if (m_notes.GetCount() > 1)
            m_notes.GetAt(1)->SetValueInRange(r[kLastNote]);
        static_cast<void>(m_scale->SetSelectedIndex(0)); // "Off"
    } else {
        // The last note is stored second: rotate it back behind the notes between.
        for (int k = kLastNote; k < count; ++k)
            std::swap(r[size_t(k)], r[size_t(k) + 1]);
        for (unsigned i = 1; i < m_notes.GetCount(); ++i)
            m_notes.GetAt(i)->SetValueInRange(r[i + 1]);
        DetectNoteScale();
    }
    const bool scale = ScaleTypeOfItem(m_scale->GetSelectedIndex()) >= 0;
    SetNoteLabel(0, count != kMinimumCount && scale ? u"KEY_LABEL" : u"START_NOTE_LABEL");
    RegisterForAllParameterNotifications();
    return KX::S_OK;
}

KX::Array<char> LNoteModeEditPanel::BuildControlRecord()
{
    KX::Array<char> record;
    static_cast<void>(record.SetCount(kSize)); // the new count
    const int count = NoteCount();
    record.GetAt(kCount) = static_cast<char>(count);
    record.GetAt(kFirstNote) = static_cast<char>(NoteValue(0));
    if (count == kMinimumCount) {
        record.GetAt(kLastNote) = static_cast<char>(NoteValue(1));
        return record;
    }
    // Notes 1..8 in place, then the last (note `count`) second and the notes between it and the first after it.
    for (unsigned i = 1; i < kSize; ++i)
        record.GetAt(i) = static_cast<char>(NoteValue(i - 1));
    record.GetAt(kLastNote) = static_cast<char>(NoteValue(unsigned(count) - 1));
    for (int k = 3; k <= count; ++k)
        record.GetAt(unsigned(k)) = static_cast<char>(NoteValue(unsigned(k) - 2));
    return record;
}

void LNoteModeEditPanel::DetectNoteScale()
{
    if (!m_scale)
        return;
    const unsigned n = m_notes.GetCount();
    int found = 0;
    for (int item = 1; item < kScaleItems && found == 0 && n > 0; ++item) {
        const KX::Array<double> scale = BuildScaleNotes(ScaleTypeOfItem(item), NoteValue(0), n);
        bool same = scale.GetCount() == n;
        for (unsigned i = 0; same && i < n; ++i)
            same = scale.GetAt(i) <= 127.0 && scale.GetAt(i) == double(NoteValue(i));
        if (same)
            found = item;
    }
    static_cast<void>(m_scale->SetSelectedIndex(found)); // a position of the list
}

void LNoteModeEditPanel::ApplyNoteScale()
{
    UnregisterForAllParameterNotifications();
    if (NoteCount() != kMinimumCount) {
        const int type = ScaleTypeOfItem(m_scale ? m_scale->GetSelectedIndex() : 0);
        SetNoteLabel(0, type >= 0 ? u"KEY_LABEL" : u"START_NOTE_LABEL");
        if (type >= 0)
            static_cast<void>(ApplyScaleToNoteSelectors(m_notes, type)); // always 0
    }
    RegisterForAllParameterNotifications();
    SendParametersChanged();
}

KXRESULT LNoteModeEditPanel::OnNoteScaleTypeChange(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                   const KX::RCPtr<KX::LNotification>&)
{
    ApplyNoteScale();
    return 1;
}

KXRESULT LNoteModeEditPanel::OnNoteModeTypeChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                                  const KX::RCPtr<KX::LNotification>&)
{
    if (Is(sender, m_type))
        SetNoteCount(NoteCount());
    SendParametersChanged();
    return 1;
}

KXRESULT LNoteModeEditPanel::OnNoteValueChange(const KX::RCPtr<KX::LNotificationDistributor>& sender,
                                               const KX::RCPtr<KX::LNotification>&)
{
    if (m_notes.GetCount() > 0 && Is(sender, m_notes.GetAt(0))) {
        ApplyNoteScale(); // the scale follows the new key, and the change is told there
        return 1;
    }
    // The notes no longer follow a scale.
    if (m_scale && m_scale->GetSelectedIndex() != 0) {
        KX::CAutoNotificationDisabler<LNoteModeEditPanel> quiet(GetHandler(), m_scale, u"NID_SELECTION_CHANGE");
        static_cast<void>(m_scale->SetSelectedIndex(0)); // "Off"
        SetNoteLabel(0, u"START_NOTE_LABEL");
    }
    SendParametersChanged();
    return 1;
}

KXRESULT LNoteModeEditPanel::BreakCycles()
{
    m_notes.Clear();
    m_noteSelectors.Clear();
    m_type = m_scale = nullptr;
    return LControlWithHandler::BreakCycles();
}
