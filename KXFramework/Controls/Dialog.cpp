#include "KXFramework/Controls/Dialog.h"

#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Notification/Notification.h"

namespace KX {

namespace {

// A reference for the length of a call; none while the control is still being made.
RCPtr<LControl> Hold(LControl* control)
{
    return control->GetRefCount() > 0 ? RCPtr<LControl>(control) : RCPtr<LControl>();
}

struct StandardButton {
    const char16_t* name;
    int32_t result;
};

// OK and Close close only once the button could take the focus.
constexpr StandardButton kButtons[] = {
    {u"buttonOK", 1},    {u"buttonClose", 1},  {u"buttonCancel", 2}, {u"buttonAbort", 3},
    {u"buttonRetry", 4}, {u"buttonIgnore", 5}, {u"buttonYes", 6},    {u"buttonNo", 7},
};

constexpr uint32_t kEscapeDown = 0x201B0000;

bool IsEscape(const RCPtr<LKeyParam>& key)
{
    return key && key->key.key == kEscapeDown;
}

} // namespace

LDialog::LDialog(const RCPtr<LControl>& parent, const String& name) : LControlWithHandler(parent, name) {}

KXRESULT LDialog::Initialize()
{
    const KXRESULT r = LScrollView::Initialize();
    for (size_t i = std::size(kButtons); i-- > 0;) {
        if (const RCPtr<LControl>& button = FindChild(kButtons[i].name))
            Bind(&LDialog::OnButtonClicked, button, u"NID_LEFT_CLICK");
    }
    return r;
}

KXRESULT LDialog::OnButtonClicked(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&)
{
    RCPtr<LControl> button(dynamic_cast<LControl*>(sender.Get()));
    if (!button)
        return 1;
    RCPtr<LControl> self = Hold(this);
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        if (!(button->GetName() == kButtons[i].name))
            continue;
        // A control that refuses to give up the focus (a text that does not validate) keeps the
        // dialog open.
        if (i < 2 && Failed(button->SetFocus(true)))
            return 1;
        Close(kButtons[i].result);
        return 1;
    }
    return 1;
}

KXRESULT LDialog::OnKey(const RCPtr<LKeyParam>& key)
{
    if (!IsEscape(key))
        return LScrollView::OnKey(key);
    Close(kCancelResult);
    return S_OK;
}

KXRESULT LDialog::HandleKey(const RCPtr<LKeyParam>& key)
{
    if (!IsEscape(key))
        return LScrollView::HandleKey(key);
    Close(kCancelResult);
    return S_OK;
}

void LDialog::Close(int32_t result)
{
    RCPtr<LControl> self = Hold(this);
    m_result = result;
    RCPtr<LCancelArgs> args(new LCancelArgs);
    RCPtr<LNotification> closing;
    if (Succeeded(LNotification::Create(closing, u"NID_DIALOG_CLOSING", args)))
        SendNotification(closing);
    if (args->cancel)
        return;
    if (RCPtr<LRootWindow> root = *GetRootWindowPtr())
        root->RequestClose(result);
    RCPtr<LNotification> closed;
    if (Succeeded(LNotification::Create(closed, u"NID_DIALOG_CLOSED", nullptr)))
        SendNotification(closed);
    OnClosed();
}

int32_t LDialog::DoModal()
{
    IFrameworkServices* services = GetFrameworkServices();
    return services ? services->RunModalDialog(RCPtr<LControl>(this), 1) : E_FAIL;
}

void LDialog::OnClosed() {}

} // namespace KX
