#include "KXFramework/Controls/StatusBar.h"

#include "KXFramework/ControlBase/RootWindow.h"

#include "KXFramework/Utilities/Storage/Wrapper.h"

namespace KX {

namespace {
using StatusText = LWrapperStringable<String, &StringToString, LRefCountedObject>;
}

KXRESULT LStatusBar::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    Bind(&LStatusBar::OnSetStatusText, RCPtr<LNotificationDistributor>(this), u"NID_SET_STATUS_TEXT");
    // The queue's reference to the bar counts as one owner reference, given back in BreakCycles.
    if (SetDistributor(RCPtr<LNotificationDistributor>(this)) == S_OK)
        AdjustOwnerCount(1);
    SubscribeIdle();
    m_label = RCPtr<LLabel>(FindChild(u"label1"));
    if (m_label)
        m_label->GetString(m_defaultText, u"LABEL");
    return r;
}

KXRESULT LStatusBar::ReadCreateParams()
{
    const KXRESULT r = LControl::ReadCreateParams();
    SetNotFocusable(true);
    return r;
}

KXRESULT LStatusBar::SetStatusText(const String& text)
{
    RCPtr<LNotification> n;
    const KXRESULT r =
        LNotification::Create(n, u"NID_SET_STATUS_TEXT", RCPtr<LRefCountedObject>(StatusText::Create(text)));
    if (Failed(r))
        return r;
    return PostNotification(n);
}

KXRESULT LStatusBar::SetStatusTextImmediately(const String& text)
{
    DeliverPosted();
    if (m_label)
        m_label->SetText(text);
    if (RCPtr<LRootWindow>* root = GetRootWindowPtr(); root && *root && (*root)->GetOSServices())
        static_cast<void>((*root)->GetOSServices()->Redraw()); // a control outside a window has nothing to repaint
    return S_OK;
}

KXRESULT LStatusBar::OnSetStatusText(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    const auto* text = dynamic_cast<const StatusText*>(n->GetPayload().Get());
    if (m_label && text)
        m_label->SetText(*text);
    return S_FALSE;
}

void LStatusBar::OnIdleTick()
{
    LControl::OnIdleTick();
    DeliverPosted();
}

KXRESULT LStatusBar::BreakCycles()
{
    ShutdownQueue(1);
    m_label = nullptr;
    return LControlWithHandler::BreakCycles();
}

} // namespace KX
