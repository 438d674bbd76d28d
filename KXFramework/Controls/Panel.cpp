#include "KXFramework/Controls/Panel.h"

#include "KXFramework/ControlBase/EventParams.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Notification/GlobalHotKeyManager.h"
#include "KXFramework/Notification/KeyCode.h"

namespace KX {

namespace {

// A reference for the length of a call; none while the control is still being made.
RCPtr<LControl> Hold(LControl* control)
{
    return control->GetRefCount() > 0 ? RCPtr<LControl>(control) : RCPtr<LControl>();
}

} // namespace

LPanel::LPanel(const RCPtr<LControl>& parent, const String& name) : LControlWithHandler(parent, name) {}

KXRESULT LPanel::Initialize()
{
    const KXRESULT r = LScrollView::Initialize();
    if (Failed(r) || !GetParent())
        return r;
    const RCPtr<LNotificationDistributor> parent(GetParent());
    if (Failed(Bind(&LPanel::OnParentSiblingKey, parent, u"NID_SIBLING_KEY")))
        return E_FAIL;
    return S_OK;
}

KXRESULT LPanel::OnParentSiblingKey(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n)
{
    auto* param = n ? dynamic_cast<LSiblingKeyParam*>(n->GetPayload().Get()) : nullptr;
    if (param) {
        const RCPtr<LKeyParam> key(new LKeyParam(param->key));
        param->consumed = SendSiblingKey(key);
    }
    return 1;
}

RCPtr<LControl> LPanel::GetNextTabStop(const RCPtr<LControl>& current, bool backward)
{
    RCPtr<LControl> next = LControl::GetNextTabStop(current, backward);
    if (!GetParent() || !next)
        return next;
    const int from = ReadingIndexOf(current.Get());
    const int to = ReadingIndexOf(next.Get());
    if (backward ? to < from : to > from)
        return next;
    return m_cycleTabFocus ? next : nullptr;
}

KXRESULT LPanel::OnKey(const RCPtr<LKeyParam>& key)
{
    if (key && m_cycleTabFocus && KeyCode::VirtualKeyOf(key->key.key) == VirtualKey::kTab &&
        !KeyCode::HasCtrl(key->key.key))
        return S_OK;
    return S_FALSE;
}

KXRESULT LPanel::HandleKey(const RCPtr<LKeyParam>& key)
{
    if (!key)
        return E_INVALIDARG;
    RCPtr<LControl> self = Hold(this);
    const KXRESULT r = SendSiblingKey(key);
    if (r != S_FALSE)
        return r;
    if (RCPtr<LControl> parent = GetParent()) {
        key->receivers.AddItem(self);
        return parent->HandleKey(key);
    }
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LGlobalHotKeyManager> hotKeys = services ? services->GetGlobalHotKeyManager() : nullptr;
    return hotKeys ? hotKeys->ProcessKey(key->key.key, key->key.modifiers, key->key.flags) : S_FALSE;
}

KXRESULT LPanel::MoveFocus(const RCPtr<LKeyParam>& key)
{
    if (!key)
        return E_INVALIDARG;
    RCPtr<LControl> self = Hold(this);
    const bool backward = KeyCode::HasShift(key->key.key);
    if (!KeyCode::HasCtrl(key->key.key)) {
        const unsigned passed = key->receivers.GetCount();
        RCPtr<LControl> last = passed ? key->receivers.GetAt(passed - 1) : nullptr;
        RCPtr<LControl> next = GetNextTabStop(last, backward);
        // Every step either returns or moves on to a new control; the bound only guards a tree
        // changed by a focus handler under the walk.
        for (unsigned steps = 0; next && steps <= GetChildren().GetCount(); ++steps) {
            if (next == last) {
                if (!m_cycleTabFocus)
                    break;
                if (last->ContainsFocus()) {
                    if (RCPtr<LControl> inner = last->LControl::GetNextTabStop(last->GetFocusedChild(), backward))
                        inner->SetFocus(!backward);
                }
                return S_OK;
            }
            if (next->CanTakeFocus() || next->HasFocusableDescendant())
                return next->SetFocus(!backward);
            if (last && next != last && (!last->IsVisible(true) || !last->IsEnabled(true)))
                last = next;
            next = GetNextTabStop(next, backward);
        }
    }
    key->receivers.AddItem(self);
    if (RCPtr<LControl> parent = GetParent())
        return parent->MoveFocus(key);
    // The window's content: the focus leaves it, as it leaves any other top-level control.
    if (RCPtr<LRootWindow> root = *GetRootWindowPtr())
        root->MoveFocusOutOfWindow(key);
    return S_OK;
}

} // namespace KX
