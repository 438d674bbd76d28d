#include "KXFramework/Controls/MainMenu.h"

#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/Controls/ComboMenu.h"
#include "KXFramework/Controls/PopupMenu.h"

#include <vector>

namespace KX {

LMainMenu::~LMainMenu() = default;

KXRESULT LMainMenu::AddChild(const RCPtr<LControl>& child, const RCPtr<LControlDescriptor>& descriptor)
{
    if (!descriptor)
        return S_OK;
    if (!child && descriptor->GetName() == u"templateMenu") {
        m_titleTemplate = descriptor;
        m_hasTemplate = true;
        return S_OK;
    }
    const KXRESULT r = LControl::AddChild(child, descriptor);
    if (!m_titleTemplate && dynamic_cast<LComboMenu*>(child.Get()))
        m_titleTemplate = descriptor;
    return r;
}

KXRESULT LMainMenu::Initialize()
{
    const KXRESULT r = LControl::Initialize();
    SetNotFocusable(true);
    for (unsigned i = GetChildren().GetCount(); i-- > 0;) {
        RCPtr<LControl> child = GetChildren().GetAt(i, kInsertionOrder);
        if (!dynamic_cast<LComboMenu*>(child.Get()))
            continue;
        if (child->GetName() == u"templateMenu") {
            m_titleTemplate = child->GetDescriptor();
            RemoveChild(child);
            m_hasTemplate = true;
            continue;
        }
        AdoptTitle(RCPtr<LComboMenu>(child));
        ++m_skinTitleCount;
        if (!m_titleTemplate)
            m_titleTemplate = child->GetDescriptor();
    }
    const RCPtr<LStringTable>& table = GetStringTable();
    if (!table)
        return r;
    std::vector<String> labels;
    static const std::u16string_view kPrefix = u"MENU_LABEL.";
    for (const auto& [key, text] : table->GetEntries()) {
        const std::u16string_view k(key.GetData(), key.GetLength());
        if (k.substr(0, kPrefix.size()) != kPrefix)
            continue;
        const int n = String(key.Mid(unsigned(kPrefix.size()))).ToInt();
        // A title number far beyond any real bar is not believed.
        if (n < 0 || n > 255)
            continue;
        if (labels.size() <= size_t(n))
            labels.resize(size_t(n) + 1);
        labels[size_t(n)] = text;
    }
    RCPtrArray<LMenuDescriptor, 1, 0> menus;
    GetMenusFromStringTable(menus);
    if (menus.GetCount() != labels.size())
        return r;
    int32_t failures = 0;
    for (size_t i = 0; i < labels.size(); ++i) {
        if (Failed(InsertMenu(int32_t(i) - failures, labels[i], labels[i], menus.GetAt(unsigned(i)))))
            ++failures;
    }
    return r;
}

KXRESULT LMainMenu::ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    if (!IsCreated())
        return LControl::ApplyDescriptor(descriptor);
    struct KeptTitle {
        RCPtr<LMenuDescriptor> menu;
        String text;
        String name;
    };
    std::vector<KeptTitle> kept;
    std::vector<RCPtr<LComboMenu>> old;
    for (unsigned i = unsigned(m_skinTitleCount); i < GetMenuCount(); ++i) {
        RCPtr<LComboMenu> title = GetMenuAt(i);
        RCPtr<LPopupMenu> popup = title->GetPopup();
        kept.push_back({popup ? popup->GetMenuDescriptor() : nullptr, title->GetText(), title->GetName()});
        old.push_back(title);
    }
    // The old titles go at once, closed and without the focus or the pointer, so that the new
    // ones can take their names.
    for (const RCPtr<LComboMenu>& title : old)
        title->Destroy();
    // The new template, or the first skin title, comes back through AddChild.
    m_titleTemplate = nullptr;
    m_hasTemplate = false;
    const KXRESULT r = LControl::ApplyDescriptor(descriptor);
    // The skin titles the new skin still lists are all that is left.
    m_skinTitleCount = int32_t(GetMenuCount());
    for (const KeptTitle& title : kept) {
        if (Failed(AddMenu(title.name)))
            continue;
        SetTitle(RCPtr<LComboMenu>(dynamic_cast<LComboMenu*>(FindChild(title.name).Get())), title.text, title.menu);
    }
    return r;
}

unsigned LMainMenu::GetMenuCount() const
{
    unsigned count = 0;
    for (unsigned i = 0; i < GetChildren().GetCount(); ++i)
        count += dynamic_cast<LComboMenu*>(GetChildren().GetAt(i, kInsertionOrder).Get()) ? 1 : 0;
    return count;
}

RCPtr<LComboMenu> LMainMenu::GetMenuAt(unsigned index) const
{
    unsigned seen = 0;
    for (unsigned i = 0; i < GetChildren().GetCount(); ++i) {
        auto* title = dynamic_cast<LComboMenu*>(GetChildren().GetAt(i, kInsertionOrder).Get());
        if (title && seen++ == index)
            return RCPtr<LComboMenu>(title);
    }
    return nullptr;
}

String LMainMenu::GetMenuName(int32_t dynamicIndex) const
{
    const int64_t absolute = int64_t(dynamicIndex) + m_skinTitleCount;
    if (dynamicIndex < 0 || absolute >= int64_t(GetMenuCount()))
        return String();
    return GetMenuAt(unsigned(absolute))->GetName();
}

int32_t LMainMenu::IndexOfMenu(const String& name) const
{
    for (unsigned i = GetMenuCount(); i-- > 0;) {
        if (GetMenuAt(i)->GetName() == name)
            return int32_t(i) < m_skinTitleCount ? -1 : int32_t(i) - m_skinTitleCount;
    }
    return -1;
}

void LMainMenu::SetOwnerOf(const RCPtr<LComboMenu>& title)
{
    const RCPtr<LRootWindow>& root = *GetRootWindowPtr();
    RCPtr<LPopupMenu> popup = title ? title->GetPopup() : nullptr;
    // A popup keeps its first owner; a second one is refused.
    if (root && popup)
        static_cast<void>(popup->SetOwner(root->GetPostingReceiver())); // a popup that has its owner keeps it
}

KXRESULT LMainMenu::AddMenu(const String& name)
{
    if (FindChild(name) || !m_titleTemplate)
        return E_INVALIDARG;
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LControlClassRegistry> registry = services ? services->GetControlClassRegistry() : nullptr;
    if (!registry)
        return E_FAIL;
    RCPtr<LLayoutDescriptor> layout = m_titleTemplate->GetLayout() ? m_titleTemplate->GetLayout()->Clone()
                                                                   : RCPtr<LLayoutDescriptor>(new LLayoutDescriptor);
    const unsigned count = GetMenuCount();
    if ((int32_t(count) > m_skinTitleCount || !m_hasTemplate) && count > 0) {
        // Directly to the right of the last title.
        PositionSpec& x = layout->position[0];
        x.anchor = 0.0f;
        x.referenceKind = PositionSpec::kNamed;
        x.referenceName = GetMenuAt(count - 1)->GetName();
        x.relative = 1.0f;
        x.absolute = 0.0;
    }
    RCPtr<LControlDescriptor> descriptor;
    LControlFactory::CloneControlDescriptor(descriptor, m_titleTemplate, layout, name);
    RCPtr<LControl> created;
    registry->CreateControl(created, descriptor, RCPtr<LControl>(this));
    RCPtr<LComboMenu> title(dynamic_cast<LComboMenu*>(created.Get()));
    if (!title)
        return E_FAIL;
    AdoptTitle(title);
    return S_OK;
}

void LMainMenu::AdoptTitle(const RCPtr<LComboMenu>& title)
{
    // The bar itself is not focusable; its titles and their menus are.
    title->SetFocusBoundary(true);
    if (RCPtr<LPopupMenu> popup = title->GetPopup())
        popup->SetMenuItemUpdater(GetMenuItemUpdater());
    SetOwnerOf(title);
}

void LMainMenu::SetTitle(const RCPtr<LComboMenu>& title, const String& label, const RCPtr<LMenuDescriptor>& menu)
{
    if (RCPtr<LPopupMenu> popup = title->GetPopup(); popup && menu)
        static_cast<void>(popup->SetMenuDescriptorChecked(menu)); // a menu the popup refuses leaves it as it was
    title->SetText(label);
}

KXRESULT LMainMenu::InsertMenu(int32_t dynamicIndex, const String& name, const String& label,
                               const RCPtr<LMenuDescriptor>& menu)
{
    if (dynamicIndex < 0 || dynamicIndex > int32_t(GetMenuCount()) - m_skinTitleCount)
        return E_INVALIDARG;
    return InsertMenuBefore(GetMenuName(dynamicIndex), name, label, menu);
}

KXRESULT LMainMenu::InsertMenuBefore(const String& before, const String& name, const String& label,
                                     const RCPtr<LMenuDescriptor>& menu)
{
    int32_t p = int32_t(GetMenuCount());
    if (!before.IsEmpty()) {
        const int32_t at = IndexOfMenu(before);
        if (at < 0)
            return E_INVALIDARG;
        p = at + m_skinTitleCount;
    }
    const KXRESULT added = AddMenu(name);
    if (Failed(added))
        return added;
    // Every later title takes the content and the name of the one before it. The names move
    // through temporary ones, so that two children never share a name.
    const int32_t count = int32_t(GetMenuCount());
    std::vector<String> names;
    for (int32_t i = 0; i < count; ++i)
        names.push_back(GetMenuAt(unsigned(i))->GetName());
    for (int32_t i = count - 1; i > p; --i) {
        RCPtr<LComboMenu> to = GetMenuAt(unsigned(i));
        RCPtr<LComboMenu> from = GetMenuAt(unsigned(i - 1));
        RCPtr<LPopupMenu> fromPopup = from->GetPopup();
        SetTitle(to, from->GetText(), fromPopup ? fromPopup->GetMenuDescriptor() : nullptr);
    }
    for (int32_t i = p; i < count; ++i)
        static_cast<void>(GetChildren().Rename(GetMenuAt(unsigned(i)),
                                               names[size_t(i)] + u"_")); // the names are the bar's own and unique
    for (int32_t i = p + 1; i < count; ++i)
        static_cast<void>(GetChildren().Rename(GetMenuAt(unsigned(i)),
                                               names[size_t(i - 1)])); // the names are the bar's own and unique
    RCPtr<LComboMenu> title = GetMenuAt(unsigned(p));
    SetTitle(title, label, menu);
    static_cast<void>(GetChildren().Rename(title, name)); // the names are the bar's own and unique
    return p - m_skinTitleCount;
}

void LMainMenu::ApplyConditions(const RCPtr<LConditionsParam>& param)
{
    LControl::ApplyConditions(param);
    if (param && (param->currentMask & Condition::kContainsFocus) &&
        !(param->previousMask & Condition::kContainsFocus)) {
        if (const RCPtr<LRootWindow>& root = *GetRootWindowPtr()) {
            m_savedFocus = root->GetLastFocusControl();
            m_savedTabOrigin = root->GetTabOrigin();
        }
    }
}

void LMainMenu::GiveFocusBack()
{
    const RCPtr<LRootWindow> root = *GetRootWindowPtr();
    if (!root)
        return;
    const RCPtr<LControl> saved = m_savedFocus;
    if (saved && *saved->GetRootWindowPtr() == root && saved->CanTakeFocus() && saved->SetFocus(true) == S_OK)
        return;
    root->ReleaseFocus(saved ? saved : m_savedTabOrigin);
}

void LMainMenu::RefreshIdleSubscription()
{
    for (unsigned i = GetMenuCount(); i-- > 0;)
        SetOwnerOf(GetMenuAt(i));
    LControl::RefreshIdleSubscription();
}

void LMainMenu::FindTextInputTarget(RCPtr<LControl>& out)
{
    if (m_savedFocus && m_savedFocus->AcceptsTextInput()) {
        out = m_savedFocus;
        return;
    }
    LControl::FindTextInputTarget(out);
}

bool LMainMenu::SetMenuItemUpdater(const RCPtr<LMenuItemUpdater>& updater)
{
    if (m_itemUpdater == updater)
        return true;
    m_itemUpdater = updater;
    return false;
}

KXRESULT LMainMenu::HandleEditRequest(const RCPtr<LMenuDescriptor>& menu, unsigned index, const String& notification,
                                      MenuItemState& state)
{
    if (!m_itemUpdater || m_forwarding)
        return S_FALSE;
    const RCPtr<LControl> target = m_itemUpdater->GetTarget();
    if (!target)
        return E_FAIL;
    struct Forwarding {
        bool& flag;
        explicit Forwarding(bool& f) : flag(f) { flag = true; }
        ~Forwarding() { flag = false; }
    } forwarding(m_forwarding);
    return target->HandleEditRequest(menu, index, notification, state);
}

KXRESULT LMainMenu::BreakCycles()
{
    m_savedFocus = nullptr;
    m_savedTabOrigin = nullptr;
    m_itemUpdater = nullptr;
    m_titleTemplate = nullptr;
    return LControl::BreakCycles();
}

} // namespace KX
