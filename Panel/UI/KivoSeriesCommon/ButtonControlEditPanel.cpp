#include "Panel/UI/KivoSeriesCommon/ButtonControlEditPanel.h"

#include "KXFramework/Controls/ListBox.h"
#include "KXFramework/Utilities/Storage/StringT.h"
#include "Panel/UI/DriverCommon/PanelErrors.h"
#include "Panel/UI/DriverCommon/ScopedFlag.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"

#include <string>

using namespace ButtonRecord;
using namespace ControlUtilities;

namespace {

constexpr const char* kPath = "UI\\KivoSeriesCommon\\ButtonControlEditPanel";
constexpr const char* kInitialize = "LButtonControlEditPanel::Initialize";

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

void Show(const KX::RCPtr<KX::LNumericUpDown>& box, int value)
{
    if (box)
        box->SetValueInRange(value);
}

} // namespace

LButtonControlEditPanel::LButtonControlEditPanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LControlWithHandler(parent, name)
{
    m_shown.SetCount(kSize);
}

KXRESULT LButtonControlEditPanel::Initialize()
{
    const KXRESULT base = LControlWithHandler::Initialize();
    if (KX::Failed(base))
        return base;
    m_onOffFollowsLatching = false;
    m_tabControl =
        Need(KX::RCPtr<KX::LTabControl>(FindChild(u"tabControl")), "Couldn't find child tabControl", __LINE__);
    auto page = [this](const char16_t* name, const std::string& phrase, int line) {
        return Need(m_tabControl->GetPageByName(name), phrase, line);
    };
    auto child = [](const KX::RCPtr<KX::LControl>& parent, const char16_t* name, const std::string& phrase, int line) {
        return Need(parent->FindChild(name), phrase, line);
    };

    const KX::RCPtr<KX::LControl> ccAbsolute = page(u"ccAbsolutePage", "Couldn't find ccAbsolutePage", __LINE__);
    const KX::RCPtr<KX::LControl> pressedReleased =
        child(ccAbsolute, u"pressedReleasedSelectors", "couldn't find child pressedReleasedSelectors", __LINE__);
    m_ccNumbers.AddItem(
        Need(Box(GetCCSelectorNumericUpDown(ccAbsolute->FindChild(u"cc"))), "couldn't find child cc", __LINE__));
    m_firstValues.AddItem(Need(Box(GetPressedNumericUpDown(pressedReleased)), "couldn't find child pressed", __LINE__));
    m_secondValues.AddItem(
        Need(Box(GetReleasedNumericUpDown(pressedReleased)), "couldn't find child released", __LINE__));

    const KX::RCPtr<KX::LControl> ccCycle = page(u"ccCyclePage", "Failed to find cc Cycle page", __LINE__);
    m_ccNumbers.AddItem(
        Need(Box(GetCCSelectorNumericUpDown(ccCycle->FindChild(u"cc"))), "couldn't find child cc", __LINE__));
    KX::RCPtr<KX::LNumericUpDown> ccValues[4];
    for (int i = 0; i < 4; ++i) {
        const std::u16string name = u"ccValue" + std::u16string(1, char16_t(u'1' + i));
        const std::string phrase = "couldn't find child ccValue" + std::to_string(i + 1);
        m_ccCycleFields.composite[i] = child(ccCycle, name.c_str(), phrase, __LINE__);
        ccValues[i] = Need(Box(GetNumericUpDownChild(m_ccCycleFields.composite[i])), phrase, __LINE__);
        m_ccCycleFields.label[i] = Need(GetControlNameLabelChild(m_ccCycleFields.composite[i]), phrase, __LINE__);
    }
    m_firstValues.AddItem(ccValues[0]);
    m_secondValues.AddItem(ccValues[1]);
    m_ccValue3 = ccValues[2];
    m_ccValue4 = ccValues[3];
    m_ccCycleType =
        Need(Combo(GetComboBoxChild(ccCycle->FindChild(u"cycleType"))), "couldn't find child cycleType", __LINE__);

    const KX::RCPtr<KX::LControl> ccIncDec = page(u"ccIncDecPage", "Couldn't find ccIncDecPage", __LINE__);
    m_ccIncDecType =
        Need(Combo(GetComboBoxChild(ccIncDec->FindChild(u"incDec"))), "couldn't find incDec comboBox", __LINE__);
    m_ccNumbers.AddItem(
        Need(Box(GetCCSelectorNumericUpDown(ccIncDec->FindChild(u"cc"))), "couldn't find child cc", __LINE__));
    m_firstValues.AddItem(Need(Box(GetMinNumericUpDown(ccIncDec)), "couldn't find child min", __LINE__));
    m_secondValues.AddItem(Need(Box(GetMaxNumericUpDown(ccIncDec)), "couldn't find child max", __LINE__));

    const KX::RCPtr<KX::LControl> mmc = page(u"mmcPage", "Couldn't find mmcPage (Tabbed Control Page)", __LINE__);
    m_mmcCommand = Need(Combo(GetComboBoxChild(mmc->FindChild(u"mmc"))), "couldn't find child mmc", __LINE__);

    const KX::RCPtr<KX::LControl> note = page(u"notePage", "Couldn't find notePage (Tabbed Control Page)", __LINE__);
    m_latching =
        Need(KX::RCPtr<KX::LButton>(GetButtonChild(note->FindChild(u"latching"))), "Couldn't find latiching", __LINE__);
    m_latching->SetAutoValueSet(true);
    m_note = Need(GetNoteSelectorNumericUpDown(note->FindChild(u"note")), "couldn't find child note", __LINE__);
    m_onOffSelectors = child(note, u"onOffSelectors", "couldn't find child onOffSelectors", __LINE__);
    m_onValue = Need(Box(GetOnNumericUpDown(m_onOffSelectors)), "couldn't find child on", __LINE__);
    m_offValue = Need(Box(GetOffNumericUpDown(m_onOffSelectors)), "couldn't find child off", __LINE__);

    const KX::RCPtr<KX::LControl> nrpnRpn = page(u"nrpnRpnPage", "Couldn't find nrpnRpnPage", __LINE__);
    m_parameterType =
        Need(Combo(GetComboBoxChild(nrpnRpn->FindChild(u"NrpnRpn"))), "Failed to find child: type ", __LINE__);
    m_parameterMSB = Need(Box(GetMSBNumericUpDown(nrpnRpn)), "Failed to find child: MSB", __LINE__);
    m_parameterLSB = Need(Box(GetLSBNumericUpDown(nrpnRpn)), "Failed to find child: LSB", __LINE__);
    m_parameterValue =
        Need(Box(GetNumericUpDownChild(nrpnRpn->FindChild(u"value"))), "Failed to find child: value ", __LINE__);

    const KX::RCPtr<KX::LControl> programCycle = page(u"programCyclePage", "Couldn't find programCyclePage", __LINE__);
    KX::RCPtr<KX::LNumericUpDown> programs[4];
    for (int i = 0; i < 4; ++i) {
        const std::u16string name = u"program" + std::u16string(1, char16_t(u'1' + i));
        const std::string phrase = "couldn't find child program" + std::to_string(i + 1);
        m_programCycleFields.composite[i] = child(programCycle, name.c_str(), phrase, __LINE__);
        programs[i] = Need(Box(GetNumericUpDownChild(m_programCycleFields.composite[i])), phrase, __LINE__);
        m_programCycleFields.label[i] =
            Need(GetControlNameLabelChild(m_programCycleFields.composite[i]), phrase, __LINE__);
    }
    m_firstPrograms.AddItem(programs[0]);
    m_secondPrograms.AddItem(programs[1]);
    m_program3 = programs[2];
    m_program4 = programs[3];
    m_programCycleType =
        Need(Combo(GetComboBoxChild(programCycle->FindChild(u"cycleType"))), "couldn't find child cycleType", __LINE__);

    const KX::RCPtr<KX::LControl> programIncDec =
        page(u"programIncDecPage", "Couldn't find programIncDecPage", __LINE__);
    m_programMinimum = Need(Box(GetMinNumericUpDown(programIncDec)), "couldn't find child min", __LINE__);
    m_programMaximum = Need(Box(GetMaxNumericUpDown(programIncDec)), "couldn't find child max", __LINE__);
    m_programIncDecType = Need(Combo(GetComboBoxChild(programIncDec->FindChild(u"incDecType"))),
                               "couldn't find incDecType comboBox", __LINE__);

    const KX::RCPtr<KX::LControl> program = page(u"programPage", "Couldn't find programPage", __LINE__);
    m_firstPrograms.AddItem(
        Need(Box(GetNumericUpDownChild(program->FindChild(u"program"))), "couldn't find child program", __LINE__));
    m_programLSB = Need(Box(GetLSBNumericUpDown(program)), "Failed to find child: LSB", __LINE__);
    m_programMSB = Need(Box(GetMSBNumericUpDown(program)), "Failed to find child: MSB", __LINE__);

    const KX::RCPtr<KX::LControl> other = page(u"otherPage", "can not find child otherPage", __LINE__);
    m_otherType = Need(Combo(GetComboBoxChild(other->FindChild(u"type"))), "can not find child type", __LINE__);
    m_otherValue = Need(Box(GetNumericUpDownChild(other->FindChild(u"value"))), "can not find child value", __LINE__);

    // The cycle pages start labelled for four values.
    for (const CycleFields* fields : {&m_ccCycleFields, &m_programCycleFields}) {
        for (int i = 0; i < 4; ++i) {
            KX::String text;
            const std::u16string key = fields->keyPrefix + std::u16string(1, char16_t(u'1' + i)) + u"_LABEL";
            fields->label[i]->SetText(fields->label[i]->GetString(text, key.c_str()));
        }
    }
    // Then only the fields of the count each list starts on, so that a page visited before any cycle
    // record was shown offers no field its record leaves out.
    UpdateCCCycleTypeVisibleParameters(false);
    UpdateProgramCycleTypeVisibleParameters(false);

    // Stored and shown numbers are the same: 0 to 127 everywhere.
    for (const Boxes* boxes : {&m_ccNumbers, &m_firstValues, &m_secondValues, &m_firstPrograms, &m_secondPrograms})
        static_cast<void>(SetRangeForAll(*boxes, 0.0, 127.0)); // every box was found above
    for (const KX::RCPtr<KX::LNumericUpDown>& box :
         {m_note, m_onValue, m_offValue, m_ccValue3, m_ccValue4, m_program3, m_program4, m_programLSB, m_programMSB,
          m_programMinimum, m_programMaximum, m_parameterMSB, m_parameterLSB, m_parameterValue, m_otherValue})
        box->SetRange(0.0, 127.0, 0);

    for (uint32_t i = 0; i < m_tabControl->GetTabCount(); ++i) {
        const KX::RCPtr<KX::LControl> tabPage = m_tabControl->GetPage(int32_t(i));
        m_channelSelectors.AddItem(
            Need(Combo(GetComboBoxChild(tabPage ? tabPage->FindChild(u"midiChannel") : KX::RCPtr<KX::LControl>())),
                 "couldn't find child midiChannel", __LINE__));
    }
    RegisterForAllParameterNotifications();
    return base;
}

void LButtonControlEditPanel::RegisterForAllParameterNotifications()
{
    const auto bind = [this](Handler::Member member, const KX::RCPtr<KX::LNotificationDistributor>& sender,
                             const char16_t* name) {
        const KXRESULT r = Bind(member, sender, name);
        if (KX::Failed(r))
            throw KX::Exception<KX::FailedResultException>(
                "Failed Result : " + KX::ResultToString(r) +
                KX::SourcePlace("LButtonControlEditPanel::RegisterForAllParameterNotifications", kPath, __LINE__));
    };
    // The first binding makes the handler that the array registrations below take.
    bind(&LButtonControlEditPanel::OnEdit, m_tabControl, u"NID_TAB_SELECTED");
    for (const Boxes* boxes : {&m_ccNumbers, &m_firstValues, &m_secondValues, &m_firstPrograms, &m_secondPrograms})
        SetNotificationForAllArrayItems(*boxes, GetHandler(), u"NID_VALUE_CHANGE", &LButtonControlEditPanel::OnEdit);
    for (const KX::RCPtr<KX::LNumericUpDown>& box :
         {m_note, m_onValue, m_offValue, m_ccValue3, m_ccValue4, m_program3, m_program4, m_programLSB, m_programMSB,
          m_programMinimum, m_programMaximum, m_parameterMSB, m_parameterLSB, m_parameterValue, m_otherValue})
        bind(&LButtonControlEditPanel::OnEdit, box, u"NID_VALUE_CHANGE");
    bind(&LButtonControlEditPanel::OnEdit, m_latching, u"NID_LEFT_CLICK");
    bind(&LButtonControlEditPanel::OnEdit, m_latching, u"NID_VALUE_CHANGE");
    SetNotificationForAllArrayItems(m_channelSelectors, GetHandler(), u"NID_SELECTION_CHANGE",
                                    &LButtonControlEditPanel::OnEdit);
    for (const KX::RCPtr<KX::LComboBox>& combo :
         {m_mmcCommand, m_parameterType, m_otherType, m_ccIncDecType, m_programIncDecType})
        bind(&LButtonControlEditPanel::OnEdit, combo, u"NID_SELECTION_CHANGE");
    bind(&LButtonControlEditPanel::OnCCCycleTypeChange, m_ccCycleType, u"NID_SELECTION_CHANGE");
    bind(&LButtonControlEditPanel::OnProgramCycleTypeChange, m_programCycleType, u"NID_SELECTION_CHANGE");
}

bool LButtonControlEditPanel::SetOnOffFollowsLatching(bool follows)
{
    m_onOffFollowsLatching = follows;
    return follows;
}

void LButtonControlEditPanel::ReportEdit()
{
    if (m_showing)
        return;
    KX::RCPtr<KX::LNotification> n;
    if (KX::Succeeded(KX::LNotification::Create(n, u"NID_PARAMETERS_CHANGED", nullptr)))
        SendNotification(n);
}

KXRESULT LButtonControlEditPanel::OnEdit(const KX::RCPtr<KX::LNotificationDistributor>&,
                                         const KX::RCPtr<KX::LNotification>&)
{
    ReportEdit();
    return 1;
}

KXRESULT LButtonControlEditPanel::OnCCCycleTypeChange(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                      const KX::RCPtr<KX::LNotification>&)
{
    UpdateCCCycleTypeVisibleParameters(!m_showing);
    return 1;
}

KXRESULT LButtonControlEditPanel::OnProgramCycleTypeChange(const KX::RCPtr<KX::LNotificationDistributor>&,
                                                           const KX::RCPtr<KX::LNotification>&)
{
    UpdateProgramCycleTypeVisibleParameters(!m_showing);
    return 1;
}

void LButtonControlEditPanel::UpdateCCCycleTypeVisibleParameters(bool userChange)
{
    UpdateCycleFields(m_ccCycleFields, m_ccCycleType, "LButtonControlEditPanel::UpdateCCCycleTypeVisibleParameters",
                      userChange);
}

void LButtonControlEditPanel::UpdateProgramCycleTypeVisibleParameters(bool userChange)
{
    UpdateCycleFields(m_programCycleFields, m_programCycleType,
                      "LButtonControlEditPanel::UpdateProgramCycleTypeVisibleParameters", userChange);
}

void LButtonControlEditPanel::UpdateCycleFields(const CycleFields& fields, const KX::RCPtr<KX::LComboBox>& type,
                                                const char* method, bool userChange)
{
    for (int i = 0; i < 4; ++i)
        RequireChild(fields.label[i], "Cannot find value label", method, kPath, __LINE__);
    const int position = type ? type->GetSelectedIndex() : -1;
    if (position < kTwoValues || position > kFourValues)
        return;
    // Field i + 1 of n shown values: the last is "LAST" (key 2), the ones between "VALUE 2", "VALUE 3"
    // (keys 3 and 4).
    const int shown = position + 2;
    for (int i = 1; i < 4; ++i) {
        fields.composite[i]->SetVisible(i < shown);
        if (i >= shown)
            continue;
        const int keyNumber = i == shown - 1 ? 2 : i + 2;
        const std::u16string key = fields.keyPrefix + std::u16string(1, char16_t(u'0' + keyNumber)) + u"_LABEL";
        KX::String text;
        fields.label[i]->SetText(fields.label[i]->GetString(text, key.c_str()));
    }
    if (userChange)
        ReportEdit();
}

int LButtonControlEditPanel::Position(const KX::RCPtr<KX::LComboBox>& combo, int fallback)
{
    const int position = combo ? combo->GetSelectedIndex() : -1;
    return position >= 0 ? position : fallback;
}

void LButtonControlEditPanel::ShowMmcCommand(int command)
{
    // "Other" is in the list only while a record with another command is shown.
    if (m_mmcCommand->GetListBox() && m_mmcCommand->GetListBox()->GetItemCount() > kMmcOtherPosition)
        static_cast<void>(m_mmcCommand->RemoveItem(kMmcOtherPosition)); // the entry is there: it goes
    const int position = MmcPositionOfCommand(command);
    if (position == kMmcOtherPosition) {
        KX::String other;
        if (const KX::RCPtr<KX::LStringTable>& table = m_mmcCommand->GetStringTable())
            table->GetString(u"ITEM.12", other);
        static_cast<void>(m_mmcCommand->AddItem(other)); // a list box that takes no entry selects nothing
    }
    ShowListPosition(m_mmcCommand, position);
}

KXRESULT LButtonControlEditPanel::ShowControlRecord(const ButtonControlRecord& source)
{
    if (source.GetCount() != kSize || !m_tabControl)
        return KX::E_FAIL;
    ButtonControlRecord record(source);
    NormalizeControlRecord(record);
    const ScopedFlag showing(m_showing);
    m_shown = record;
    const auto byte = [&record](unsigned i) { return At(record, i); };
    for (unsigned i = 0; i < m_channelSelectors.GetCount(); ++i)
        ShowListPosition(m_channelSelectors.GetAt(i), byte(kChannel));
    const KX::String page = PageFor(record);
    const int code = byte(kCode);
    const auto showSteps = [&byte](const KX::RCPtr<KX::LNumericUpDown>& second,
                                   const KX::RCPtr<KX::LNumericUpDown>& third,
                                   const KX::RCPtr<KX::LNumericUpDown>& fourth, CycleType type) {
        if (type == kTwoValues) {
            Show(second, byte(kHigh));
        } else if (type == kThreeValues) {
            Show(second, byte(kSecondStep));
            Show(third, byte(kHigh));
        } else {
            Show(second, byte(kSecondStep));
            Show(third, byte(kThirdStep));
            Show(fourth, byte(kHigh));
        }
    };
    if (page == u"ccAbsolutePage") {
        for (unsigned i = 0; i < m_ccNumbers.GetCount(); ++i)
            Show(m_ccNumbers.GetAt(i), code);
        Show(m_firstValues.GetAt(0), byte(kHigh));
        Show(m_secondValues.GetAt(0), byte(kLow));
    } else if (page == u"ccCyclePage") {
        for (unsigned i = 0; i < m_ccNumbers.GetCount(); ++i)
            Show(m_ccNumbers.GetAt(i), byte(kData));
        Show(m_firstValues.GetAt(1), byte(kLow));
        const CycleType type = CycleTypeOf(record);
        showSteps(m_secondValues.GetAt(1), m_ccValue3, m_ccValue4, type);
        ShowListPosition(m_ccCycleType, type);
        UpdateCCCycleTypeVisibleParameters(false);
    } else if (page == u"programPage") {
        Show(m_firstPrograms.GetAt(1), byte(kData));
        Show(m_programLSB, byte(kLow));
        Show(m_programMSB, byte(kHigh));
    } else if (page == u"notePage") {
        const bool latched = code == kNoteLatchOn;
        m_latching->SetValue(latched ? 1.0 : 0.0);
        if (m_onOffFollowsLatching)
            m_onOffSelectors->SetVisible(latched);
        Show(m_offValue, byte(kLow));
        Show(m_onValue, byte(kHigh));
        Show(m_note, byte(kData));
    } else if (page == u"ccIncDecPage") {
        ShowListPosition(m_ccIncDecType, code == kCCDecrement ? 1 : 0);
        for (unsigned i = 0; i < m_ccNumbers.GetCount(); ++i)
            Show(m_ccNumbers.GetAt(i), byte(kData));
        Show(m_firstValues.GetAt(2), byte(kLow));
        Show(m_secondValues.GetAt(2), byte(kHigh));
    } else if (page == u"programCyclePage") {
        Show(m_firstPrograms.GetAt(0), byte(kLow));
        const CycleType type = CycleTypeOf(record);
        showSteps(m_secondPrograms.GetAt(0), m_program3, m_program4, type);
        ShowListPosition(m_programCycleType, type);
        UpdateProgramCycleTypeVisibleParameters(false);
    } else if (page == u"programIncDecPage") {
        ShowListPosition(m_programIncDecType, code == kProgramDecrement ? 1 : 0);
        Show(m_programMinimum, byte(kLow));
        Show(m_programMaximum, byte(kHigh));
    } else if (page == u"mmcPage") {
        ShowMmcCommand(byte(kLow));
    } else if (page == u"nrpnRpnPage") {
        ShowListPosition(m_parameterType, code - kRpnCoarse);
        Show(m_parameterMSB, byte(kHigh));
        Show(m_parameterLSB, byte(kLow));
        Show(m_parameterValue, byte(kData));
    } else {
        // A code the list does not hold (below 0 or above 29) selects no type.
        ShowListPosition(m_otherType, OtherPositionOfCode(code));
        Show(m_otherValue, byte(kLow));
    }
    static_cast<void>(m_tabControl->SelectTab(page)); // every page name above is one of the ten
    if (const KX::RCPtr<KX::LControl> button = m_tabControl->GetButtonByName(page))
        button->SetValue(1.0);
    return KX::S_OK;
}

ButtonControlRecord LButtonControlEditPanel::BuildControlRecord()
{
    ButtonControlRecord record;
    record.SetCount(kSize);
    if (!m_tabControl)
        return record;
    auto put = [&record](unsigned i, int v) { record.GetAt(i) = static_cast<char>(v); };
    auto putBox = [&record](unsigned i, const KX::RCPtr<KX::LNumericUpDown>& box) { record.GetAt(i) = ByteOf(box); };
    const int32_t selected = m_tabControl->GetSelectedIndex();
    const bool haveSelector = selected >= 0 && uint32_t(selected) < m_channelSelectors.GetCount();
    put(kChannel, Position(haveSelector ? m_channelSelectors.GetAt(unsigned(selected)) : KX::RCPtr<KX::LComboBox>(),
                           At(m_shown, kChannel)));
    const KX::String page = m_tabControl->GetSelectedName();
    const auto steps = [&record](const KX::RCPtr<KX::LComboBox>& typeList, const KX::RCPtr<KX::LNumericUpDown>& first,
                                 const KX::RCPtr<KX::LNumericUpDown>& second,
                                 const KX::RCPtr<KX::LNumericUpDown>& third,
                                 const KX::RCPtr<KX::LNumericUpDown>& fourth) {
        const int position = Position(typeList, kTwoValues);
        const CycleType type = position == kThreeValues  ? kThreeValues
                               : position == kFourValues ? kFourValues
                                                         : kTwoValues;
        const int values[4] = {ByteOf(first), ByteOf(second), ByteOf(third), ByteOf(fourth)};
        WriteStepList(record, type, values);
    };
    if (page == u"notePage") {
        put(kKind, 1);
        put(kCode, m_latching->GetValue() == 0.0 ? kNoteLatchOff : kNoteLatchOn);
        putBox(kData, m_note);
        putBox(kLow, m_offValue);
        putBox(kHigh, m_onValue);
    } else if (page == u"ccAbsolutePage") {
        put(kKind, 0);
        putBox(kCode, m_ccNumbers.GetAt(0));
        putBox(kHigh, m_firstValues.GetAt(0));
        putBox(kLow, m_secondValues.GetAt(0));
    } else if (page == u"ccIncDecPage") {
        put(kKind, 1);
        put(kCode, Position(m_ccIncDecType, 1) == 0 ? kCCIncrement : kCCDecrement);
        putBox(kData, m_ccNumbers.GetAt(2));
        putBox(kLow, m_firstValues.GetAt(2));
        putBox(kHigh, m_secondValues.GetAt(2));
        WriteNoSteps(record);
    } else if (page == u"ccCyclePage") {
        put(kKind, 1);
        put(kCode, kCCCycle);
        putBox(kData, m_ccNumbers.GetAt(1));
        steps(m_ccCycleType, m_firstValues.GetAt(1), m_secondValues.GetAt(1), m_ccValue3, m_ccValue4);
    } else if (page == u"programPage") {
        put(kKind, 1);
        put(kCode, kProgram);
        putBox(kData, m_firstPrograms.GetAt(1));
        putBox(kLow, m_programLSB);
        putBox(kHigh, m_programMSB);
    } else if (page == u"programIncDecPage") {
        put(kKind, 1);
        put(kCode, Position(m_programIncDecType, 0) == 1 ? kProgramDecrement : kProgramIncrement);
        putBox(kLow, m_programMinimum);
        putBox(kHigh, m_programMaximum);
        WriteNoSteps(record);
    } else if (page == u"programCyclePage") {
        put(kKind, 1);
        put(kCode, kProgramCycle);
        steps(m_programCycleType, m_firstPrograms.GetAt(0), m_secondPrograms.GetAt(0), m_program3, m_program4);
    } else if (page == u"mmcPage") {
        put(kKind, 1);
        put(kCode, kMmc);
        put(kLow, MmcCommandOfPosition(Position(m_mmcCommand, kMmcOtherPosition)));
    } else if (page == u"nrpnRpnPage") {
        put(kKind, 1);
        // Without a selection the shown record's type stands (it was one of the four).
        const int shownCode = PageFor(m_shown) == std::u16string_view(u"nrpnRpnPage") ? At(m_shown, kCode) : kRpnCoarse;
        put(kCode, Position(m_parameterType, shownCode - kRpnCoarse) + kRpnCoarse);
        putBox(kData, m_parameterValue);
        putBox(kLow, m_parameterLSB);
        putBox(kHigh, m_parameterMSB);
    } else if (page == u"otherPage") {
        put(kKind, 1);
        // Without a selection (a code beyond the list was shown) the shown code stands.
        const int shownCode = PageFor(m_shown) == std::u16string_view(u"otherPage") ? At(m_shown, kCode) : 0;
        const int code = OtherCodeOfPosition(Position(m_otherType, -1));
        put(kCode, code >= 0 ? code : shownCode);
        putBox(kLow, m_otherValue);
    }
    return record;
}

KXRESULT LButtonControlEditPanel::BreakCycles()
{
    m_tabControl = nullptr;
    m_channelSelectors.Clear();
    for (Boxes* boxes : {&m_ccNumbers, &m_firstValues, &m_secondValues, &m_firstPrograms, &m_secondPrograms})
        boxes->Clear();
    for (KX::RCPtr<KX::LNumericUpDown>* box :
         {&m_note, &m_onValue, &m_offValue, &m_ccValue3, &m_ccValue4, &m_program3, &m_program4, &m_programLSB,
          &m_programMSB, &m_programMinimum, &m_programMaximum, &m_parameterMSB, &m_parameterLSB, &m_parameterValue,
          &m_otherValue})
        *box = nullptr;
    for (KX::RCPtr<KX::LComboBox>* combo : {&m_mmcCommand, &m_ccIncDecType, &m_programIncDecType, &m_parameterType,
                                            &m_otherType, &m_ccCycleType, &m_programCycleType})
        *combo = nullptr;
    m_latching = nullptr;
    m_onOffSelectors = nullptr;
    for (CycleFields* fields : {&m_ccCycleFields, &m_programCycleFields}) {
        for (int i = 0; i < 4; ++i) {
            fields->composite[i] = nullptr;
            fields->label[i] = nullptr;
        }
    }
    return LControlWithHandler::BreakCycles();
}
