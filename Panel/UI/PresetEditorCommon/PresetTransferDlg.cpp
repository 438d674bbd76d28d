#include "Panel/UI/PresetEditorCommon/PresetTransferDlg.h"

#include "KXFramework/Controls/ComboBox.h"
#include "KXFramework/ObjectBase/Exception.h"
#include "Panel/Application.h"

using namespace KX;

LPresetTransferDlg::LPresetTransferDlg(const RCPtr<LControl>& parent, const String& name, const char16_t* buttonName,
                                       const Texts& texts, const Place& place)
    : LControlWithHandler(parent, name),
      m_buttonName(buttonName),
      m_texts(texts),
      m_place(place)
{
}

KXRESULT LPresetTransferDlg::Initialize()
{
    const KXRESULT r = LControlWithHandler::Initialize();
    if (Failed(r))
        return r;
    m_button = RCPtr<LButton>(dynamic_cast<LButton*>(FindChild(m_buttonName).Get()));
    if (!m_button) {
        const String name(m_buttonName);
        throw Exception<std::runtime_error>("Runtime Error : Null Pointer : Cannot find child " +
                                            std::string(name.ToNarrow().GetData()) +
                                            SourcePlace(m_place.method, m_place.unit, m_place.buttonLine));
    }
    const KXRESULT bound =
        Bind(&LPresetTransferDlg::OnButtonClick, RCPtr<LNotificationDistributor>(m_button), u"NID_LEFT_CLICK");
    if (Failed(bound))
        throw FailedResultException("Failed Result : " + ResultToString(bound) +
                                    SourcePlace(m_place.method, m_place.unit, m_place.bindLine));
    return r;
}

KXRESULT LPresetTransferDlg::OnButtonClick(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    // A skin without the slot list is refused by name rather than read through a null pointer.
    const RCPtr<LControl>& slots = FindChild(u"presetSlot");
    auto* box = slots ? dynamic_cast<LComboBox*>(slots->FindChild(u"comboBox").Get()) : nullptr;
    if (!box)
        throw Exception<std::runtime_error>("Runtime Error : Null Pointer : Cannot find child presetSlot" +
                                            SourcePlace(m_place.method, m_place.unit, m_place.buttonLine));
    static_cast<void>(TransferSlot(box->GetSelectedIndex())); // the box has told the user
    return 1;
}

KXRESULT LPresetTransferDlg::TransferSlot(int32_t slot)
{
    RCPtr<LMidiManager> manager;
    if (RCPtr<LApplication> application = LApplication::GetApplication())
        application->GetMidiManager(manager);
    const KXRESULT result = manager ? Transfer(*manager, slot) : E_FAIL;
    // Every failure is shown as one, the firmware refusal with its own text.
    const char16_t* caption = m_texts.successCaption;
    const char16_t* text = m_texts.successText;
    if (result == LMidiManager::kFirmwareRefused) {
        caption = m_texts.failedCaption;
        text = m_texts.firmwareText;
    } else if (result < 0) {
        caption = m_texts.failedCaption;
        text = m_texts.midiErrorText;
    }
    const String message = GetAppString(text);
    RCPtr<LApplication> application = LApplication::GetApplication();
    if (!message.IsEmpty() && application)
        static_cast<void>(application->ShowMessageBox(message, GetAppString(caption), 0)); // OK is the only answer
    return result;
}
