#include "Panel/UI/KivoSeriesCommon/MoveableControlEditPanel.h"

#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Controls/TextBox.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/DriverCommon/ScopedFlag.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"

#include <string>

using namespace MoveableRecord;
using namespace ControlUtilities;

namespace {

constexpr const char* kPath = "UI\\KivoSeriesCommon\\MoveableControlEditPanel";
constexpr const char* kInitialize = "LMoveableControlEditPanel::Initialize";

// The pages in tab-button order; the page index of a record shape is its position here.
constexpr const char16_t* kPages[] = {u"ccAbsolutePage", u"ccRelativePage", u"nrpnRpnPage", u"otherPage"};
enum Page : int { kCCAbsolute = 0, kCCRelative = 1, kNrpnRpn = 2, kOther = 3 };

// "Reverb Type (Sysex)" has no code in this record.
constexpr int kReverbTypePosition = 13;

template <class P>
const P& Need(const P& p, const std::string& phrase, int line)
{
    return RequireChild(p, phrase, kInitialize, kPath, line);
}

KX::RCPtr<KX::LNumericUpDown> Box(const KX::RCPtr<KX::LControl>& c)
{
    return KX::RCPtr<KX::LNumericUpDown>(c);
}

KX::RCPtr<KX::LComboBox> Combo(const KX::RCPtr<KX::LControl>& c)
{
    return KX::RCPtr<KX::LComboBox>(c);
}

// The selected position, or `fallback` (from the record shown last) when a byte outside the list left
// nothing selected: a build never writes a position the list does not have.
char PositionOf(const KX::RCPtr<KX::LComboBox>& combo, int fallback)
{
    const int position = combo->GetSelectedIndex();
    return static_cast<char>(position >= 0 ? position : fallback);
}

} // namespace

LMoveableControlEditPanel::LMoveableControlEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlWithHandler(parent, name)
{
}

KXRESULT LMoveableControlEditPanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    m_typeTabControl =
        Need(KX::RCPtr<KX::LTabControl>(FindChild(u"tabControl")), "Couldn't find child typeTabControl", __LINE__);
    const auto page = [this](const char16_t* name, const std::string& phrase, int line) {
        return Need(m_typeTabControl->GetPageByName(name), phrase, line);
    };
    const auto channel = [](const KX::RCPtr<KX::LControl>& p, int line) {
        return Need(Combo(GetComboBoxChild(p->FindChild(u"midiChannel"))), "Can not find child midiChannel", line);
    };

    const KX::RCPtr<KX::LControl> absolute = page(u"ccAbsolutePage", "Can not find child ccAbsolutePage", __LINE__);
    m_minimums.AddItem(Need(Box(GetMinNumericUpDown(absolute)), "Can not find child min", __LINE__));
    m_maximums.AddItem(Need(Box(GetMaxNumericUpDown(absolute)), "Can not find child max", __LINE__));
    m_midiChannels.AddItem(channel(absolute, __LINE__));
    m_ccNumbers.AddItem(
        Need(Box(GetCCSelectorNumericUpDown(absolute->FindChild(u"cc"))), "Can not find child cc", __LINE__));

    const KX::RCPtr<KX::LControl> relative = page(u"ccRelativePage", "Can not find child ccRelativePage", __LINE__);
    m_ccNumbers.AddItem(
        Need(Box(GetCCSelectorNumericUpDown(relative->FindChild(u"cc"))), "Can not find child cc", __LINE__));
    m_midiChannels.AddItem(channel(relative, __LINE__));
    m_relativeType = Need(Combo(GetComboBoxChild(relative->FindChild(u"relativeType"))),
                          "Can not find child relativeType", __LINE__);

    const KX::RCPtr<KX::LControl> nrpnRpn = page(u"nrpnRpnPage", "Can not find child nrpnRpnPage", __LINE__);
    m_midiChannels.AddItem(channel(nrpnRpn, __LINE__));
    m_nrpnRpnType = Need(Combo(GetComboBoxChild(nrpnRpn->FindChild(u"NrpnRpnSelector"))),
                         "Can not find child NrpnRpnSelector", __LINE__);
    m_lsb = Need(Box(GetLSBNumericUpDown(nrpnRpn)), "Can not find child lsb", __LINE__);
    m_msb = Need(Box(GetMSBNumericUpDown(nrpnRpn)), "Can not find child msb", __LINE__);

    const KX::RCPtr<KX::LControl> other = page(u"otherPage", "Can not find child otherPage", __LINE__);
    m_otherType = Need(Combo(GetComboBoxChild(other->FindChild(u"otherType"))),
                       "Can not find ComboBox Control: otherType", __LINE__);
    // Only while the list still holds it: a second Initialize must not drop "Reverb Time (Sysex)".
    if (m_otherType->GetListBox() && m_otherType->GetListBox()->GetItemCount() > kOtherCount)
        static_cast<void>(m_otherType->RemoveItem(kReverbTypePosition)); // the entry is there: it goes
    m_minimums.AddItem(Need(Box(GetMinNumericUpDown(other)), "Can not find child min", __LINE__));
    m_maximums.AddItem(Need(Box(GetMaxNumericUpDown(other)), "Can not find child max", __LINE__));
    m_midiChannels.AddItem(channel(other, __LINE__));

    for (const Boxes* boxes : {&m_ccNumbers, &m_minimums, &m_maximums}) {
        static_cast<void>(SetRangeForAll(*boxes, 0.0, 127.0)); // every box was found above
        for (unsigned i = 0; i < boxes->GetCount(); ++i) {
            if (const KX::RCPtr<KX::LTextBox>& text = boxes->GetAt(i)->GetTextBox())
                text->SetMaxLength(3);
        }
    }
    for (const KX::RCPtr<KX::LNumericUpDown>& box : {m_lsb, m_msb})
        box->SetRange(0.0, 127.0, 0);
    return base;
}

void LMoveableControlEditPanel::RegisterForAllParameterNotifications()
{
    const auto bind = [this](const KX::RCPtr<KX::LNotificationDistributor>& sender, const char16_t* name, int line) {
        const KXRESULT r = Bind(&LMoveableControlEditPanel::OnParameterControlChanged, sender, name);
        if (KX::Failed(r))
            throw KX::Exception<KX::FailedResultException>(
                "Failed Result : " + KX::ResultToString(r) +
                KX::SourcePlace("LMoveableControlEditPanel::RegisterForAllParameterNotifications", kPath, line));
    };
    bind(m_typeTabControl, u"NID_TAB_SELECTED", 90);
    bind(m_relativeType, u"NID_SELECTION_CHANGE", 91);
    bind(m_nrpnRpnType, u"NID_SELECTION_CHANGE", 92);
    bind(m_lsb, u"NID_VALUE_CHANGE", 93);
    bind(m_msb, u"NID_VALUE_CHANGE", 94);
    bind(m_otherType, u"NID_SELECTION_CHANGE", 95);
    for (const Boxes* boxes : {&m_ccNumbers, &m_minimums, &m_maximums})
        SetNotificationForAllArrayItems(*boxes, GetHandler(), u"NID_VALUE_CHANGE",
                                        &LMoveableControlEditPanel::OnParameterControlChanged);
    SetNotificationForAllArrayItems(m_midiChannels, GetHandler(), u"NID_SELECTION_CHANGE",
                                    &LMoveableControlEditPanel::OnParameterControlChanged);
    m_subscribed = true;
}

KXRESULT LMoveableControlEditPanel::OnParameterControlChanged(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                              const KX::RCPtr<KX::LNotification>&)
{
    if (m_showing)
        return 1;
    KX::RCPtr<KX::LNotification> n;
    if (KX::Succeeded(KX::LNotification::Create(n, u"NID_PARAMETERS_CHANGED", nullptr)))
        SendNotification(n);
    return 1;
}

void LMoveableControlEditPanel::SelectPage(const char16_t* page)
{
    if (const KX::RCPtr<KX::LControl> button = m_typeTabControl->GetButtonByName(page))
        button->SetValue(1.0);
    static_cast<void>(m_typeTabControl->SelectTab(page)); // each of the four pages was found in Initialize
}

void LMoveableControlEditPanel::ShowControlRecord(const MoveableControlRecord& record)
{
    if (!m_typeTabControl)
        return;
    {
        const ScopedFlag showing(m_showing);
        m_shown = MoveableControlRecord();
        for (unsigned i = 0; i < kSize; ++i)
            m_shown.Add(static_cast<char>(At(record, i)));
        const auto byte = [&record](unsigned i) { return At(record, i); };
        for (unsigned i = 0; i < m_midiChannels.GetCount(); ++i)
            ShowListPosition(m_midiChannels.GetAt(i), byte(kChannel));
        const int code = byte(kCode);
        if (byte(kKind) == 0) {
            for (unsigned i = 0; i < m_ccNumbers.GetCount(); ++i)
                m_ccNumbers.GetAt(i)->SetValueInRange(code);
            if (byte(kRelative) != 0) {
                SelectPage(kPages[kCCRelative]);
                ShowListPosition(m_relativeType, byte(kLow));
            } else {
                SelectPage(kPages[kCCAbsolute]);
                m_minimums.GetAt(0)->SetValueInRange(byte(kLow));
                m_maximums.GetAt(0)->SetValueInRange(byte(kHigh));
            }
        } else if (code >= kRpnCoarse && code <= kNrpnFine) {
            SelectPage(kPages[kNrpnRpn]);
            ShowListPosition(m_nrpnRpnType, code - kRpnCoarse);
            m_lsb->SetValueInRange(byte(kLow));
            m_msb->SetValueInRange(byte(kHigh));
        } else {
            SelectPage(kPages[kOther]);
            ShowListPosition(m_otherType, OtherPositionOfCode(code));
            m_minimums.GetAt(1)->SetValueInRange(byte(kLow));
            m_maximums.GetAt(1)->SetValueInRange(byte(kHigh));
        }
    }
    if (!m_subscribed)
        RegisterForAllParameterNotifications();
}

MoveableControlRecord LMoveableControlEditPanel::BuildControlRecord()
{
    MoveableControlRecord record;
    record.SetCount(kSize);
    if (!m_typeTabControl)
        return record;
    const KX::String& selected = m_typeTabControl->GetSelectedName();
    int page = -1;
    for (int i = 0; i < 4; ++i) {
        if (selected == kPages[i])
            page = i;
    }
    auto put = [&record](unsigned i, char v) { record.GetAt(i) = v; };
    const int shownChannel = At(m_shown, kChannel);
    const int shownCode = At(m_shown, kCode);
    const bool shownTyped = At(m_shown, kKind) != 0;
    switch (page) {
    case kCCAbsolute:
        put(kChannel, PositionOf(m_midiChannels.GetAt(0), shownChannel));
        put(kCode, ByteOf(m_ccNumbers.GetAt(0)));
        put(kLow, ByteOf(m_minimums.GetAt(0)));
        put(kHigh, ByteOf(m_maximums.GetAt(0)));
        break;
    case kCCRelative:
        put(kChannel, PositionOf(m_midiChannels.GetAt(1), shownChannel));
        put(kCode, ByteOf(m_ccNumbers.GetAt(1)));
        put(kRelative, 1);
        put(kLow, PositionOf(m_relativeType, At(m_shown, kLow)));
        break;
    case kNrpnRpn: {
        put(kChannel, PositionOf(m_midiChannels.GetAt(2), shownChannel));
        put(kKind, 1);
        const bool shownHere = shownTyped && shownCode >= kRpnCoarse && shownCode <= kNrpnFine;
        put(kCode, static_cast<char>(PositionOf(m_nrpnRpnType, shownHere ? shownCode - kRpnCoarse : 0) + kRpnCoarse));
        put(kLow, ByteOf(m_lsb));
        put(kHigh, ByteOf(m_msb));
        break;
    }
    case kOther: {
        put(kChannel, PositionOf(m_midiChannels.GetAt(3), shownChannel));
        put(kKind, 1);
        const int code = OtherCodeOfPosition(m_otherType->GetSelectedIndex());
        const bool shownHere = shownTyped && (shownCode < kRpnCoarse || shownCode > kNrpnFine);
        put(kCode, static_cast<char>(code >= 0 ? code : shownHere ? shownCode : 0));
        put(kLow, ByteOf(m_minimums.GetAt(1)));
        put(kHigh, ByteOf(m_maximums.GetAt(1)));
        break;
    }
    default:
        break;
    }
    return record;
}

KXRESULT LMoveableControlEditPanel::BreakCycles()
{
    m_typeTabControl = nullptr;
    for (Combos* combos : {&m_midiChannels})
        combos->Clear();
    for (Boxes* boxes : {&m_minimums, &m_maximums, &m_ccNumbers})
        boxes->Clear();
    m_lsb = m_msb = nullptr;
    m_nrpnRpnType = m_relativeType = m_otherType = nullptr;
    return LControlWithHandler::BreakCycles();
}
