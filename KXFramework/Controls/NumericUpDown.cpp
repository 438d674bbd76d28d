#include "KXFramework/Controls/NumericUpDown.h"

#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/Controls/Button.h"
#include "KXFramework/Controls/TextBox.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace KX {

namespace {

// The text's leading decimal number ("-12.5x" gives -12.5); none without a digit.
std::optional<double> LeadingNumber(const String& text)
{
    const String trimmed = text.Trim(u" \t");
    const char16_t* p = trimmed.GetData();
    unsigned i = 0;
    std::string digits;
    if (p[i] == u'-' || p[i] == u'+')
        digits += char(p[i++]);
    bool any = false, point = false;
    for (; p[i]; ++i) {
        if (p[i] >= u'0' && p[i] <= u'9') {
            digits += char(p[i]);
            any = true;
        } else if (p[i] == u'.' && !point) {
            digits += '.';
            point = true;
        } else {
            break;
        }
    }
    if (!any)
        return std::nullopt;
    const double v = std::strtod(digits.c_str(), nullptr);
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

unsigned Count(const String& text, char16_t c)
{
    const char16_t* p = text.GetData();
    return unsigned(std::count(p, p + text.GetLength(), c));
}

} // namespace

LNumericUpDown::~LNumericUpDown() = default;

void LNumericUpDown::Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, payload)))
        SendNotification(n);
}

KXRESULT LNumericUpDown::Initialize()
{
    const KXRESULT r = LPanel::Initialize();
    m_textBox = RCPtr<LTextBox>(FindChild(u"textBox"));
    m_buttonUp = FindChild(u"buttonUp");
    m_buttonDown = FindChild(u"buttonDown");
    // Every path needs all three; a skin without them gets an inert control instead of a crash.
    if (!IsComplete())
        return E_FAIL;
    for (const RCPtr<LControl>& b : {m_buttonUp, m_buttonDown}) {
        if (auto* button = dynamic_cast<LButton*>(b.Get())) {
            button->autoRepeat = true;
            button->repeating = false;
        }
    }
    UpdateAllowedCharacters();
    Bind(&LNumericUpDown::OnTextValidating, m_textBox, u"NID_TEXTBOX_VALIDATING");
    Bind(&LNumericUpDown::OnTextValidated, m_textBox, u"NID_TEXTBOX_VALIDATED");
    Bind(&LNumericUpDown::OnButtonAutoRepeat, m_buttonUp, u"NID_BUTTON_AUTOREPEAT");
    Bind(&LNumericUpDown::OnButtonAutoRepeat, m_buttonDown, u"NID_BUTTON_AUTOREPEAT");
    return r;
}

KXRESULT LNumericUpDown::PostInitialize()
{
    static_cast<void>(LPanel::PostInitialize()); // the base part has nothing to refuse
    SetNotFocusable(false);
    if (m_buttonUp)
        m_buttonUp->SetNotFocusable(true);
    if (m_buttonDown)
        m_buttonDown->SetNotFocusable(true);
    return S_OK;
}

KXRESULT LNumericUpDown::SetText(const String& text)
{
    SetValue(ValueToNormalized(LeadingNumber(text).value_or(0.0)));
    return S_OK;
}

double LNumericUpDown::SetValue(double t)
{
    if (m_showsNumber)
        return LControlWithHandler::SetValue(t);
    m_showsNumber = true;
    const double before = GetValue();
    const double after = LControlWithHandler::SetValue(t);
    if (after == before) {
        // Showing a number again is a change to whoever listens, though the value stayed.
        OnValueChanged();
        Send(u"NID_VALUE_CHANGE", LValueParam::Create(after, NormalizedToValue(after)));
    }
    return after;
}

void LNumericUpDown::ShowInPlaceOfNumber(const String& text)
{
    m_showsNumber = false;
    m_inPlaceOfNumber = text;
    if (m_textBox)
        m_textBox->SetText(text);
}

String LNumericUpDown::FormatValueText() const
{
    if (!m_showsNumber)
        return m_inPlaceOfNumber;
    const double v = NormalizedToValue(GetValue());
    if (m_decimalPlaces > 0)
        return String::Format(
            (u"%0." + std::u16string(1, char16_t(u'0' + std::min(m_decimalPlaces, 9))) + u"f").c_str(), v);
    return String::Format(u"%0.0f", v);
}

void LNumericUpDown::OnValueChanged()
{
    LPanel::OnValueChanged();
    if (!m_textBox)
        return;
    m_textBox->SetText(FormatValueText());
    m_textBox->AllowFocusChange();
}

KXRESULT LNumericUpDown::SetRange(double minimum, double maximum, int32_t scaleType)
{
    const KXRESULT r = LPanel::SetRange(minimum, maximum, scaleType);
    if (Failed(r))
        return r;
    UpdateAllowedCharacters();
    if (m_textBox)
        m_textBox->SetText(FormatValueText());
    return S_OK;
}

void LNumericUpDown::UpdateAllowedCharacters()
{
    if (!m_textBox)
        return;
    String characters(u"0123456789");
    if (m_decimalPlaces > 0)
        characters += String(u".");
    if (GetRangeMinimum() < 0.0)
        characters += String(u"-");
    m_textBox->SetCharacterList(characters, true);
}

KXRESULT LNumericUpDown::HandleKey(const RCPtr<LKeyParam>& key)
{
    if (key && IsComplete() &&
        (key->key.key == KeyCode::Press(VirtualKey::kUp) || key->key.key == KeyCode::Press(VirtualKey::kDown))) {
        RCPtr<LNotification> n;
        if (Succeeded(LNotification::Create(n, u"NID_SIMULATE_CLICK", nullptr)))
            (key->key.key == KeyCode::Press(VirtualKey::kUp) ? m_buttonUp : m_buttonDown)
                ->ReceiveNotification(nullptr, n);
        return S_OK;
    }
    return LPanel::HandleKey(key);
}

KXRESULT LNumericUpDown::OnButtonAutoRepeat(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&)
{
    const double current = NormalizedToValue(GetValue());
    double v;
    if (sender.Get() == static_cast<LNotificationDistributor*>(m_buttonUp.Get()))
        v = current + m_step;
    else if (sender.Get() == static_cast<LNotificationDistributor*>(m_buttonDown.Get()))
        v = current - m_step;
    else
        return S_FALSE;
    SetValue(ValueToNormalized(v));
    return S_FALSE;
}

KXRESULT LNumericUpDown::OnTextValidated(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    Send(u"NID_TEXTBOX_VALIDATED", n->GetPayload());
    return S_FALSE;
}

KXRESULT LNumericUpDown::OnTextValidating(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    RCPtr<LTextValidationParams> params(dynamic_cast<LTextValidationParams*>(n->GetPayload().Get()));
    if (!params)
        return S_FALSE;
    Send(u"NID_TEXTBOX_VALIDATING", params);
    if (!params->Valid)
        return S_FALSE;
    const double lo = std::min(GetRangeMinimum(), GetRangeMaximum());
    const double hi = std::max(GetRangeMinimum(), GetRangeMaximum());
    const double current = NormalizedToValue(GetValue());
    const String& text = params->ProposedText;
    const std::optional<double> parsed = LeadingNumber(text);
    const int minus = text.Find(String(u"-"));
    // Text without any number ("abc", pasted past the character filter) is refused like a lone
    // minus sign rather than read as 0.
    const bool rejected = (minus > 0 || (minus == 0 && text.Find(String(u"-"), 1) > 0)) || text == u"-" ||
                          Count(text, u'.') > 1 || text == u"." || text.IsEmpty() || !parsed;
    double candidate = current;
    if (rejected) {
        params->ProposedText = FormatValueText();
        params->Valid = true;
    } else {
        candidate = *parsed;
    }
    const double c = std::clamp(candidate, lo, hi);
    // A number typed over the text in place of one is taken even when it is the value underneath.
    if (c != current || (!rejected && !m_showsNumber)) {
        SetValue(ValueToNormalized(c));
        params->ProposedText = FormatValueText();
        params->Valid = true;
    } else if (current == lo || current == hi || c == 0.0) {
        params->ProposedText = FormatValueText();
        params->Valid = true;
    }
    return S_FALSE;
}

KXRESULT LNumericUpDown::BreakCycles()
{
    m_textBox = nullptr;
    m_buttonUp = nullptr;
    m_buttonDown = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
