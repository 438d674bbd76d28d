#include "KXFramework/Controls/TabControl.h"

#include "KXFramework/Notification/Notification.h"

namespace KX {

namespace {

// A reference for the length of a call; none while the control is still being made.
RCPtr<LControl> Hold(LControl* control)
{
    return control->GetRefCount() > 0 ? RCPtr<LControl>(control) : RCPtr<LControl>();
}

constexpr int kInsertionOrder = 0;

RCPtr<LControl> ChildAt(const RCPtr<LControl>& holder, int32_t index, int order = kInsertionOrder)
{
    if (!holder || index < 0 || unsigned(index) >= holder->GetChildren().GetCount())
        return nullptr;
    return holder->GetChildren().GetAt(unsigned(index), order);
}

} // namespace

LTabControl::LTabControl(const RCPtr<LControl>& parent, const String& name) : LControlWithHandler(parent, name) {}

uint32_t LTabControl::GetTabCount() const
{
    return m_buttonHolder ? m_buttonHolder->GetChildren().GetCount() : 0;
}

int32_t LTabControl::IndexOfTab(const String& name) const
{
    if (!m_buttonHolder)
        return -1;
    const ChildControlList& buttons = m_buttonHolder->GetChildren();
    for (unsigned i = buttons.GetCount(); i-- > 0;) {
        if (buttons.GetAt(i, kInsertionOrder)->GetName() == name)
            return int32_t(i);
    }
    return -1;
}

int32_t LTabControl::GetSelectedIndex() const
{
    return IndexOfTab(m_selectedName);
}

RCPtr<LControl> LTabControl::GetSelectedPage() const
{
    return ChildAt(m_pageHolder, GetSelectedIndex());
}

RCPtr<LControl> LTabControl::GetPageByName(const String& name) const
{
    return ChildAt(m_pageHolder, IndexOfTab(name));
}

RCPtr<LControl> LTabControl::GetPage(int32_t index) const
{
    // The buttons bound the pages; a page holder with fewer pages gives null past its last one.
    if (index < 0 || uint32_t(index) >= GetTabCount())
        return nullptr;
    return ChildAt(m_pageHolder, index);
}

RCPtr<LControl> LTabControl::GetButtonByName(const String& name) const
{
    return ChildAt(m_buttonHolder, IndexOfTab(name));
}

RCPtr<LControl> LTabControl::GetButton(int32_t index) const
{
    return ChildAt(m_buttonHolder, index);
}

void LTabControl::Send(const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, payload)))
        SendNotification(n);
}

KXRESULT LTabControl::SelectTab(const String& name)
{
    if (!m_buttonHolder || !m_pageHolder)
        return E_FAIL;
    RCPtr<LControl> self = Hold(this);
    const int32_t old = GetSelectedIndex();
    const int32_t selected = IndexOfTab(name);
    if (old >= 0 && old != selected)
        Send(u"NID_TAB_BECOMING_UNSELECTED", GetSelectedPage());
    for (int32_t i = int32_t(GetTabCount()) - 1; i >= 0; --i) {
        if (i == selected)
            continue;
        if (RCPtr<LControl> page = GetPage(i))
            page->SetVisible(false);
    }
    m_selectedName = name;
    OnTabSelected(selected);
    if (RCPtr<LControl> page = GetPage(selected))
        page->SetVisible(true);
    Send(u"NID_TAB_SELECTED", GetSelectedPage());
    return S_OK;
}

KXRESULT LTabControl::SelectTabByIndex(int32_t index)
{
    const RCPtr<LControl> button = ChildAt(m_buttonHolder, index, kTabOrder);
    if (!button)
        return E_FAIL;
    return SelectTab(button->GetName());
}

void LTabControl::OnTabSelected(int32_t) {}

KXRESULT LTabControl::Initialize()
{
    if (Failed(LPanel::Initialize()))
        return E_FAIL;
    m_buttonHolder = FindChild(u"buttonHolder");
    m_pageHolder = FindChild(u"pageHolder");
    const KXRESULT r = SelectTabByIndex(0);
    if (Failed(r))
        return r;
    const ChildControlList& buttons = m_buttonHolder->GetChildren();
    for (unsigned i = 0; i < buttons.GetCount(); ++i) {
        const RCPtr<LNotificationDistributor> button(buttons.GetAt(i, kInsertionOrder));
        Bind(&LTabControl::OnTabButtonClicked, button, u"NID_LEFT_CLICK");
    }
    return r;
}

KXRESULT LTabControl::ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    const KXRESULT r = LPanel::ApplyDescriptor(descriptor);
    if (IsCreated())
        static_cast<void>(SelectTab(String(m_selectedName))); // a tab control without its holders has no tab to select
    return r;
}

KXRESULT LTabControl::OnTabButtonClicked(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>&)
{
    RCPtr<LControl> button(dynamic_cast<LControl*>(sender.Get()));
    if (!button)
        return 1;
    RCPtr<LControl> self = Hold(this);
    const int32_t index = IndexOfTab(button->GetName());
    if (index >= 0)
        Send(u"NID_TAB_BUTTON_CLICKED", button);
    static_cast<void>(SelectTab(button->GetName())); // a tab control without its holders has no tab to select
    if (index >= 0) {
        if (RCPtr<LControl> page = GetPage(index))
            page->SetFocus(true);
    }
    return 1;
}

} // namespace KX
