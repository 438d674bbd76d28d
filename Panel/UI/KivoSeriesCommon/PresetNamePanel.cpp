#include "Panel/UI/KivoSeriesCommon/PresetNamePanel.h"

#include "Panel/UI/DriverCommon/PanelErrors.h"

#include <string_view>

namespace {

constexpr const char* kPath = "UI\\KivoSeriesCommon\\PresetNamePanel";
constexpr unsigned char kSpaceCode = 0x22;
constexpr unsigned char kApostropheCode = 0x60;

bool IsAllowed(char16_t c)
{
    return c != 0 && std::u16string_view(LPresetNamePanel::kAllowedCharacters).find(c) != std::u16string_view::npos;
}

} // namespace

LPresetNamePanel::LPresetNamePanel(const KX::RCPtr<KX::LControl>& parent, const KX::String& name)
    : LUIModuleLeaf(parent, name)
{
}

KXRESULT LPresetNamePanel::Initialize()
{
    const KXRESULT base = KX::LPanel::Initialize();
    if (KX::Failed(base))
        return base;
    m_textBox = RequireChild(KX::RCPtr<KX::LTextBox>(FindChild(u"textBox")), "Cannot find child textBox",
                             "LPresetNamePanel::Initialize", kPath, 35);
    const KXRESULT r = Bind(&LPresetNamePanel::OnTextChanged, m_textBox, u"NID_TEXTBOX_TEXT_CHANGE");
    if (KX::Failed(r))
        throw KX::Exception<KX::FailedResultException>("Failed Result : " + KX::ResultToString(r) +
                                                       KX::SourcePlace("LPresetNamePanel::Initialize", kPath, 36));
    m_textBox->SetMaxLength(kLength);
    m_textBox->SetCaretFollow(0, true);
    m_textBox->SetCharacterList(KX::String(kAllowedCharacters), true);
    return base;
}

std::array<unsigned char, LPresetNamePanel::kLength> LPresetNamePanel::TextToValue(const KX::String& text)
{
    std::array<unsigned char, kLength> bytes{};
    for (unsigned i = 0; i < unsigned(kLength) && i < text.GetLength(); ++i) {
        const char16_t c = text.GetData()[i];
        bytes[i] = c == u'\'' ? kApostropheCode : c == u' ' ? kSpaceCode : static_cast<unsigned char>(c & 0xFF);
    }
    return bytes;
}

KX::String LPresetNamePanel::ValueToText(const unsigned char* bytes, unsigned count)
{
    KX::String text;
    for (unsigned i = 0; bytes && i < count && bytes[i] != 0; ++i)
        text.AppendChar(bytes[i] == kApostropheCode ? u'\'' : bytes[i] == kSpaceCode ? u' ' : char16_t(bytes[i]));
    return text;
}

KXRESULT LPresetNamePanel::BuildParamValue()
{
    if (!m_textBox)
        return 1;
    const std::array<unsigned char, kLength> bytes = TextToValue(m_textBox->GetText());
    static_cast<void>(ReportParamValue(bytes.data())); // without a main control nothing is reported
    return 1;
}

KXRESULT LPresetNamePanel::OnTextChanged(const KX::RCPtr<KX::LNotificationDistributor>&,
                                         const KX::RCPtr<KX::LNotification>&)
{
    // The box filters typed characters, not pasted ones: a paste outside the set is cut back to
    // the allowed characters and the length, and the corrected text reports through its own change.
    const KX::String& text = m_textBox->GetText();
    KX::String allowed;
    for (unsigned i = 0; i < text.GetLength() && allowed.GetLength() < unsigned(kLength); ++i) {
        if (IsAllowed(text.GetData()[i]))
            allowed.AppendChar(text.GetData()[i]);
    }
    if (allowed != text) {
        m_textBox->SetText(allowed, false);
        return 1;
    }
    return BuildParamValue();
}

KXRESULT LPresetNamePanel::ShowParamValue(const unsigned char* bytes, int)
{
    if (!m_textBox)
        return KX::E_FAIL;
    const KX::String text = ValueToText(bytes, kValueSize);
    KX::CAutoNotificationDisabler<LPresetNamePanel> quiet(GetHandler(), m_textBox, u"NID_TEXTBOX_TEXT_CHANGE");
    m_textBox->SetText(text, false);
    return KX::S_OK;
}

KXRESULT LPresetNamePanel::BreakCycles()
{
    m_textBox = nullptr;
    return LUIModuleLeaf::BreakCycles();
}
