#include "Panel/UI/KivoSeriesCommon/GlobalSettingsDlg.h"

#include "KXFramework/ObjectBase/Exception.h"
#include "Panel/Application.h"
#include "Panel/UI/KivoSeriesCommon/ControlUtilities.h"

#include <cmath>

using namespace KX;

// One setting: its group child and inner control, the manager's key, the offset from the shown
// value to the wire value, and the range its control is given (none for lists without one).
struct LGlobalSettingsDlg::Setting {
    const char16_t* group;
    bool isList;
    const char16_t* key;
    int32_t offset;
    bool ranged;
    double minimum;
    double maximum;
};

namespace {

constexpr const char* kMethod = "LGlobalSettingsDlg::Initialize";
constexpr const char* kUnit = "UI/KivoSeriesCommon/GlobalSettingsDlg";

// The key octave box offers -4 and 5 through its range but keeps only -3 to 3.
constexpr double kKeyOctaveLimit = 3.0;

[[noreturn]] void ThrowNull(const std::string& what, int line)
{
    throw Exception<std::runtime_error>("Runtime Error : Null Pointer : " + what + SourcePlace(kMethod, kUnit, line));
}

void ThrowIfBindingFailed(KXRESULT r, int line)
{
    if (Failed(r))
        throw FailedResultException("Failed Result : " + ResultToString(r) + SourcePlace(kMethod, kUnit, line));
}

std::string Narrow(const char16_t* text)
{
    return std::string(String(text).ToNarrow().GetData());
}

// In the order the dialog finds its children.
constexpr LGlobalSettingsDlg::Setting kSettings[] = {
    {u"controlCurve", true, u"CURVE_ACCELLERATION", 0, true, 0, 3},
    {u"keyOctave", false, u"KEY_OCTAVE", 5, true, -4, 5},
    {u"keySensitivity", true, u"KEY_SENSITIVITY", 0, true, 0, 6},
    {u"keyTranspose", false, u"KEY_TRANSPOSE", 12, true, -12, 12},
    {u"lsb", false, u"GLOBAL_BANK_LSB", 0, true, 0, 127},
    {u"msb", false, u"GLOBAL_BANK_MSB", 0, true, 0, 127},
    {u"mackieHUIToggle", true, u"MACKIE_HUI_ENABLED", 0, false, 0, 0},
    {u"midiChannel", true, u"Global_Channel", 1, false, 0, 0},
    {u"padOctave", false, u"PAD_OCTAVE", 5, true, -5, 5},
    {u"padSensitivity", true, u"PAD_SENSITIVITY", 0, true, 0, 9},
    {u"padTranspose", false, u"PAD_TRANSPOSE", 12, true, -12, 12},
    {u"program", false, u"GLOBAL_PROGRAM", 0, true, 0, 127},
    {u"xyPadSensitivity", true, u"XY_SENSITIVITY", 0, false, 0, 0},
    {u"midiDin", true, u"MIDI_DIN_OUT", 0, false, 0, 0},
};

} // namespace

LGlobalSettingsDlg::LGlobalSettingsDlg(const RCPtr<LControl>& parent, const String& name)
    : LControlWithHandler(parent, name)
{
}

int32_t LGlobalSettingsDlg::Run()
{
    return RunNamedDialog(kSkinName);
}

KXRESULT LGlobalSettingsDlg::Initialize()
{
    const KXRESULT r = LControlWithHandler::Initialize();
    if (Failed(r))
        return r;
    m_fields.clear();
    for (const Setting& s : kSettings) {
        const RCPtr<LControl>& group = FindChild(s.group);
        if (!group)
            ThrowNull("Could not find child " + Narrow(s.group), 70);
        const char16_t* inner = s.isList ? u"comboBox" : u"numericUpDown";
        Field field;
        field.setting = &s;
        if (s.isList)
            field.combo = RCPtr<LComboBox>(dynamic_cast<LComboBox*>(group->FindChild(inner).Get()));
        else
            field.number = RCPtr<LNumericUpDown>(dynamic_cast<LNumericUpDown*>(group->FindChild(inner).Get()));
        LControl* control = s.isList ? static_cast<LControl*>(field.combo.Get()) : field.number.Get();
        if (!control)
            ThrowNull("Could not find child " + Narrow(s.group) + "/" + Narrow(inner), 75);
        if (s.ranged)
            control->SetRange(s.minimum, s.maximum, 0);
        if (String(s.key) == String(u"Global_Channel")) {
            String text;
            if (const RCPtr<LControl>& label = group->FindChild(u"label")) {
                const RCPtr<LStringTable>& table = label->GetStringTable();
                if (table && table->GetString(u"GLOBAL_LABEL", text))
                    label->SetText(text);
            }
        }
        if (String(s.key) == String(u"KEY_OCTAVE")) {
            m_keyOctave = field.number;
            m_keyOctave->SetValueInRange(0.0);
            ThrowIfBindingFailed(Bind(&LGlobalSettingsDlg::OnKeyOctaveChanged,
                                      RCPtr<LNotificationDistributor>(m_keyOctave), u"NID_VALUE_CHANGE"),
                                 80);
        }
        m_fields.push_back(field);
    }
    m_getButton = RCPtr<LButton>(dynamic_cast<LButton*>(FindChild(u"getGlobalSettingsButton").Get()));
    if (!m_getButton)
        ThrowNull("getSettingsButton child not found", 90);
    ThrowIfBindingFailed(
        Bind(&LGlobalSettingsDlg::RequestSettings, RCPtr<LNotificationDistributor>(m_getButton), u"NID_LEFT_CLICK"),
        91);
    m_sendButton = RCPtr<LButton>(dynamic_cast<LButton*>(FindChild(u"sendGlobalSettingsButton").Get()));
    if (!m_sendButton)
        ThrowNull("sendSettingsButton child not found", 95);
    ThrowIfBindingFailed(
        Bind(&LGlobalSettingsDlg::SendSettings, RCPtr<LNotificationDistributor>(m_sendButton), u"NID_LEFT_CLICK"), 96);
    if (RCPtr<LApplication> application = LApplication::GetApplication())
        application->GetMidiManager(m_midiManager);
    if (!m_midiManager)
        ThrowNull("Could not find MidiManager", 100);
    ThrowIfBindingFailed(Bind(&LGlobalSettingsDlg::OnParameterReceived, RCPtr<LNotificationDistributor>(m_midiManager),
                              NID_MIDIMANAGER_PARAMETER_RECIEVED),
                         102);
    for (const char16_t* key : {u"PAD_OCTAVE", u"PAD_TRANSPOSE", u"KEY_OCTAVE", u"KEY_TRANSPOSE"})
        FindField(key)->number->SetValueInRange(0.0);
    return r;
}

void LGlobalSettingsDlg::OnClosed()
{
    // The manager outlives the dialog: it must not hold the closed dialog as a listener.
    if (m_midiManager)
        static_cast<void>(Unbind(RCPtr<LNotificationDistributor>(m_midiManager),
                                 NID_MIDIMANAGER_PARAMETER_RECIEVED)); // not bound: nothing to undo
}

const LGlobalSettingsDlg::Field* LGlobalSettingsDlg::FindField(const String& name) const
{
    for (const Field& field : m_fields) {
        if (name == String(field.setting->key))
            return &field;
    }
    return nullptr;
}

KXRESULT LGlobalSettingsDlg::OnKeyOctaveChanged(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    const double shown = m_keyOctave->NormalizedToValue(m_keyOctave->GetValue());
    if (shown > kKeyOctaveLimit)
        m_keyOctave->SetValueInRange(kKeyOctaveLimit);
    else if (shown < -kKeyOctaveLimit)
        m_keyOctave->SetValueInRange(-kKeyOctaveLimit);
    return 1;
}

void LGlobalSettingsDlg::ShowParameter(const String& name, int32_t value)
{
    const Field* field = FindField(name);
    if (!field)
        return;
    const int32_t shown = value - field->setting->offset;
    if (field->combo)
        ControlUtilities::ShowListPosition(field->combo, shown); // a value past the list selects nothing
    else
        field->number->SetValueInRange(shown);
}

bool LGlobalSettingsDlg::GetWireValue(const String& name, int32_t& value) const
{
    const Field* field = FindField(name);
    if (!field)
        return false;
    if (field->combo) {
        value = field->combo->GetSelectedIndex() + field->setting->offset;
    } else {
        const double shown = field->number->NormalizedToValue(field->number->GetValue());
        value = static_cast<int32_t>(std::trunc(shown + field->setting->offset));
    }
    return true;
}

KXRESULT LGlobalSettingsDlg::OnParameterReceived(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    RCPtr<LMidiParameterNotification> parameter(n ? n->GetPayload() : nullptr);
    if (!parameter)
        return 1;
    std::lock_guard lock(m_replyLock);
    // Only the reply to the request that waits is kept; anything else came too late or unasked.
    if (m_awaiting && parameter->name == m_awaited) {
        m_reply = parameter->value;
        m_hasReply = true;
    }
    return 1;
}

KXRESULT LGlobalSettingsDlg::RequestOne(const String& name)
{
    {
        std::lock_guard lock(m_replyLock);
        m_awaited = name;
        m_awaiting = true;
        m_hasReply = false;
    }
    const KXRESULT r = m_midiManager->RequestNonPresetParameterFromDevice(name, true);
    bool hasReply = false;
    int32_t reply = 0;
    {
        std::lock_guard lock(m_replyLock);
        m_awaiting = false;
        hasReply = m_hasReply;
        reply = m_reply;
    }
    // Applied here, on the UI thread, once the manager has closed the request.
    if (hasReply)
        ShowParameter(name, reply);
    return r;
}

void LGlobalSettingsDlg::ShowFailure(const char16_t* caption, const char16_t* text)
{
    if (RCPtr<LApplication> application = LApplication::GetApplication())
        static_cast<void>(
            application->ShowMessageBox(GetAppString(text), GetAppString(caption), 0)); // OK is the only answer
}

bool LGlobalSettingsDlg::CheckDevice()
{
    // Without the keyboard, or with one unplugged before the presence polling noticed, the firmware
    // check cannot answer: say that it is not connected rather than that its firmware is too old.
    const KXRESULT firmware =
        m_midiManager->IsConnected() ? m_midiManager->CheckFirmware() : LMidiManager::kPortMissingOrSendFailed;
    if (firmware == LMidiManager::kPortMissingOrSendFailed) {
        ShowFailure(u"LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_CAPTION",
                    u"LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_TEXT");
        return false;
    }
    if (firmware != S_OK) {
        ShowFailure(u"LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION",
                    u"LABEL_SEND_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT");
        return false;
    }
    return true;
}

void LGlobalSettingsDlg::TransferEach(const std::function<KXRESULT(const String& name)>& transfer)
{
    if (!CheckDevice())
        return;
    StringArrayT<char16_t, char> names;
    LMidiManager::GetGlobalParameterNames(names);
    for (unsigned i = 0; i < names.GetCount(); ++i) {
        if (transfer(names.GetAt(i)) < 0) {
            ShowFailure(u"LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_CAPTION",
                        u"LABEL_GLOBALSETTINGS_FAILED_MIDI_ERROR_MESSAGEBOX_TEXT");
            break;
        }
    }
}

KXRESULT LGlobalSettingsDlg::RequestSettings(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    // A parameter without a control is not asked for.
    TransferEach([this](const String& name) { return FindField(name) ? RequestOne(name) : S_OK; });
    return 1;
}

KXRESULT LGlobalSettingsDlg::SendSettings(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    TransferEach([this](const String& name) {
        int32_t value = 0;
        return GetWireValue(name, value) ? m_midiManager->SendGlobalParameter(name, value, true) : S_OK;
    });
    return 1;
}
