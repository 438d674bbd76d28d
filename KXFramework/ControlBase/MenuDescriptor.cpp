#include "KXFramework/ControlBase/MenuDescriptor.h"

#include "KXFramework/Utilities/Storage/ReuseAllocator.h"
#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <vector>

namespace KX {

namespace {

struct MenuEntry {
    String notificationPart;
    String text;
};

using EntryList = std::vector<MenuEntry>;

String Slice(std::u16string_view text)
{
    String out;
    out.Assign(text.data(), static_cast<unsigned>(text.size()));
    return out;
}

bool StartsWithDigit(std::u16string_view text)
{
    return !text.empty() && text.front() >= u'0' && text.front() <= u'9';
}

// Takes the entry when its number is the next one of its list, so a gap ends the list.
void AddEntry(EntryList& list, std::u16string_view number, std::u16string_view notificationPart, const String& text)
{
    if (ParseInt32(Slice(number).GetString()) == static_cast<int32_t>(list.size()))
        list.push_back({Slice(notificationPart), text});
}

void Build(LMenuDescriptor& menu, const EntryList& entries, const std::map<String, EntryList>& groups,
           std::set<String>& open)
{
    for (const MenuEntry& entry : entries) {
        const std::u16string_view text(entry.text.GetString(), entry.text.GetLength());
        const size_t bar = text.find(u'|');
        const String label = Slice(text.substr(0, bar));
        const String status = bar == std::u16string_view::npos ? String() : Slice(text.substr(bar + 1));
        const std::u16string_view part(entry.notificationPart.GetString(), entry.notificationPart.GetLength());
        const unsigned index = menu.GetItems().GetCount();
        if (part == u"-") {
            static_cast<void>(menu.InsertSeparator(index)); // at the end: never refused
            continue;
        }
        const bool submenu = part.ends_with(u'.');
        RCPtr<LMenuItemDescriptor> item =
            LMenuItemDescriptor::Create(label, submenu ? String() : entry.notificationPart, true, false);
        item->statusText = status;
        if (submenu) {
            const String group = Slice(part.substr(0, part.size() - 1));
            const auto found = groups.find(group);
            // A group that names itself, directly or through another, would never end.
            if (found != groups.end() && open.insert(group).second) {
                Build(*item, found->second, groups, open);
                open.erase(group);
            }
        }
        static_cast<void>(menu.InsertItem(index, item)); // at the end: never refused
    }
}

ReuseAllocator<LMenuActivationParam, 8>& ActivationParamPool()
{
    return ProcessReuseAllocator<LMenuActivationParam, 8, true>();
}

} // namespace

LMenuDescriptor::~LMenuDescriptor()
{
    Clear();
}

RCPtr<LMenuDescriptor> LMenuDescriptor::Create()
{
    return RCPtr<LMenuDescriptor>(new LMenuDescriptor());
}

RCPtr<LMenuDescriptor> LMenuDescriptor::CreateFromStringMap(const Array<Pair<String, String>>& entries,
                                                            const String& prefix)
{
    const std::u16string_view head(prefix.GetString(), prefix.GetLength());
    std::vector<std::pair<String, String>> pairs;
    for (unsigned i = 0; i < entries.GetCount(); ++i) {
        const Pair<String, String>& entry = entries.GetAt(i);
        const std::u16string_view key(entry.first.GetString(), entry.first.GetLength());
        if (key.starts_with(head))
            pairs.emplace_back(Slice(key.substr(head.size())), entry.second);
    }
    std::sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    EntryList own;
    std::map<String, EntryList> groups;
    for (const auto& [keyText, text] : pairs) {
        const std::u16string_view key(keyText.GetString(), keyText.GetLength());
        const size_t firstDot = key.find(u'.');
        if (firstDot == std::u16string_view::npos)
            continue;
        const std::u16string_view first = key.substr(0, firstDot);
        const std::u16string_view rest = key.substr(firstDot + 1);
        if (StartsWithDigit(first)) {
            AddEntry(own, first, rest, text);
            continue;
        }
        const size_t secondDot = rest.find(u'.');
        const std::u16string_view number = rest.substr(0, secondDot);
        const std::u16string_view notification =
            secondDot == std::u16string_view::npos ? std::u16string_view() : rest.substr(secondDot + 1);
        AddEntry(groups[Slice(first)], number, notification, text);
    }

    RCPtr<LMenuDescriptor> menu = Create();
    std::set<String> open;
    Build(*menu, own, groups, open);
    if (menu->GetItems().GetCount() == 0)
        return RCPtr<LMenuDescriptor>();
    return menu;
}

KXRESULT LMenuDescriptor::InsertItem(unsigned index, const RCPtr<LMenuItemDescriptor>& item)
{
    if (!item)
        return E_INVALIDARG;
    const int result = m_items.InsertItem(index, item);
    if (result < 0)
        return result;
    item->SetParent(this);
    return S_OK;
}

KXRESULT LMenuDescriptor::InsertItem(unsigned index, const String& label, const String& notification, bool enabled,
                                     bool checked)
{
    return InsertItem(index, LMenuItemDescriptor::Create(label, notification, enabled, checked));
}

KXRESULT LMenuDescriptor::InsertSeparator(unsigned index)
{
    return InsertItem(index, LMenuItemDescriptor::CreateSeparator());
}

KXRESULT LMenuDescriptor::GetItemState(unsigned index, MenuItemState& state) const
{
    state = MenuItemState();
    if (index >= m_items.GetCount())
        return E_INVALIDARG;
    const LMenuItemDescriptor& item = *m_items.GetAt(index);
    state.enabled = item.enabled;
    state.checked = item.checked;
    state.label = item.label;
    return S_OK;
}

KXRESULT LMenuDescriptor::Clear()
{
    for (unsigned i = m_items.GetCount(); i-- > 0;) {
        RCPtr<LMenuItemDescriptor> item;
        m_items.GetAt(i)->SetParent(nullptr);
        m_items.RemoveItem(i, item);
    }
    SetParent(nullptr);
    return S_OK;
}

void LMenuDescriptor::SetParent(LMenuDescriptor* parent)
{
    if (parent == m_parent)
        return;
    LMenuDescriptor* old = m_parent;
    m_parent = parent;
    if (parent != nullptr) {
        parent->AddRef();
        parent->AdjustOwnerCount(1);
    }
    if (old != nullptr) {
        old->AdjustOwnerCount(-1);
        old->Release();
    }
}

void LMenuDescriptor::CopyTo(LMenuDescriptor& target) const
{
    target.Clear();
    target.SetTag(GetTag());
    for (unsigned i = 0; i < m_items.GetCount(); ++i) {
        const RCPtr<LMenuItemDescriptor> copy(m_items.GetAt(i)->CreateCopy());
        static_cast<void>(target.InsertItem(target.m_items.GetCount(), copy)); // at the end: never refused
    }
}

RCPtr<LRefCountedObject> LMenuDescriptor::CreateCopy() const
{
    RCPtr<LMenuDescriptor> copy = Create();
    CopyTo(*copy);
    return copy;
}

KXRESULT LMenuDescriptor::BreakCycles()
{
    return Clear();
}

RCPtr<LMenuItemDescriptor> LMenuItemDescriptor::Create(const String& label, const String& notification, bool enabled,
                                                       bool checked)
{
    RCPtr<LMenuItemDescriptor> item(new LMenuItemDescriptor());
    item->label = label;
    item->notification = notification;
    item->enabled = enabled ? 1 : 0;
    item->checked = checked ? 1 : 0;
    return item;
}

RCPtr<LMenuItemDescriptor> LMenuItemDescriptor::CreateSeparator()
{
    RCPtr<LMenuItemDescriptor> item(new LMenuItemDescriptor());
    item->separator = 1;
    return item;
}

void LMenuItemDescriptor::CopyTo(LMenuDescriptor& target) const
{
    LMenuDescriptor::CopyTo(target);
    if (auto* item = dynamic_cast<LMenuItemDescriptor*>(&target)) {
        item->label = label;
        item->hotKeyText = hotKeyText;
        item->statusText = statusText;
        item->notification = notification;
        item->enabled = enabled;
        item->checked = checked;
        item->separator = separator;
    }
}

RCPtr<LRefCountedObject> LMenuItemDescriptor::CreateCopy() const
{
    RCPtr<LMenuItemDescriptor> copy(new LMenuItemDescriptor());
    CopyTo(*copy);
    return copy;
}

void* LMenuActivationParam::operator new(std::size_t size)
{
    return ActivationParamPool().Allocate(size);
}

void LMenuActivationParam::operator delete(void* p)
{
    ActivationParamPool().Free(p);
}

} // namespace KX
