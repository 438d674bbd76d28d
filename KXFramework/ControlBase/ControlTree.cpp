// LControl's tree: the child list and its orders, construction and the parent and child links.
#include "KXFramework/ControlBase/Control.h"

#include "KXFramework/ControlBase/ChildLayoutEngine.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/ControlInternals.h"
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ObjectBase/Exception.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace KX {

using namespace ControlInternals;

namespace {

const RCPtr<LControl>& NullControl()
{
    static const RCPtr<LControl>* const null = new RCPtr<LControl>;
    return *null;
}

// Pre-order, children in insertion order: the order in which the skin lists them.
void AppendNamedDescendants(const LControl& control, const String& name, RCPtrArray<LControl, 1, 0>& out)
{
    const LControl::ChildControlList& children = control.GetChildren();
    for (unsigned i = 0; i < children.GetCount(); ++i) {
        const RCPtr<LControl>& child = children.GetAt(i, LControl::kInsertionOrder);
        if (SameName(child->GetName(), name))
            out.AddItem(child);
        AppendNamedDescendants(*child, name, out);
    }
}

} // namespace

// ---- ChildControlList

void LControl::ChildControlList::SortOrders() const
{
    if (m_sortedAt == m_changeCounter)
        return;
    const unsigned count = m_children.GetCount();
    const RCPtr<LControl>* children = const_cast<RCPtrArray<LControl, 1, 0>&>(m_children).GetData();
    m_tabOrder.resize(count);
    m_zOrder.resize(count);
    for (unsigned i = 0; i < count; ++i)
        m_tabOrder[i] = m_zOrder[i] = i;
    auto layoutOf = [children](uint32_t i) { return children[i]->m_layout.Get(); };
    std::sort(m_tabOrder.begin(), m_tabOrder.end(), [&](uint32_t a, uint32_t b) {
        const LLayoutDescriptor* la = layoutOf(a);
        const LLayoutDescriptor* lb = layoutOf(b);
        const int32_t ta = la ? la->tabStop : 0;
        const int32_t tb = lb ? lb->tabStop : 0;
        return ta != tb ? ta < tb : a < b;
    });
    std::sort(m_zOrder.begin(), m_zOrder.end(), [&](uint32_t a, uint32_t b) {
        const LLayoutDescriptor* la = layoutOf(a);
        const LLayoutDescriptor* lb = layoutOf(b);
        const bool ca = !la || la->clipToParent;
        const bool cb = !lb || lb->clipToParent;
        if (ca != cb)
            return ca;
        const int da = DockedAxes(la);
        const int db = DockedAxes(lb);
        if (da != db)
            return da < db;
        const int32_t za = la ? la->zOrder : 0;
        const int32_t zb = lb ? lb->zOrder : 0;
        return za != zb ? za < zb : a < b;
    });
    m_sortedAt = m_changeCounter;
}

const RCPtr<LControl>& LControl::ChildControlList::Entry(unsigned index, int order, int lineIndex, int lineOrder) const
{
    auto fail = [](int line) {
        throw Exception<std::runtime_error>(
            "Runtime Error : KX::LControl::ChildControlList::GetAt : ControlBase\\Control : Line " +
            std::to_string(line));
    };
    if (index >= m_children.GetCount())
        fail(lineIndex);
    const RCPtr<LControl>* children = const_cast<RCPtrArray<LControl, 1, 0>&>(m_children).GetData();
    switch (order) {
    case kInsertionOrder:
        return children[index];
    case kZOrder:
        SortOrders();
        return children[m_zOrder[index]];
    case kTabOrder:
        SortOrders();
        return children[m_tabOrder[index]];
    default:
        fail(lineOrder);
    }
    return NullControl();
}

RCPtr<LControl>& LControl::ChildControlList::GetAt(unsigned index, int order)
{
    return const_cast<RCPtr<LControl>&>(Entry(index, order, 3330, 3350));
}

const RCPtr<LControl>& LControl::ChildControlList::GetAt(unsigned index, int order) const
{
    return Entry(index, order, 3358, 3378);
}

LControl* LControl::ChildControlList::FindNamed(const String& name) const
{
    const auto found = m_byName.find(Key(name));
    return found == m_byName.end() ? nullptr : found->second;
}

int LControl::ChildControlList::IndexOf(const LControl* child) const
{
    if (!child)
        return -1;
    const unsigned i = child->m_indexInParent;
    return i < m_children.GetCount() && m_children.GetAt(i).Get() == child ? static_cast<int>(i) : -1;
}

KXRESULT LControl::ChildControlList::Add(const RCPtr<LControl>& child)
{
    if (!child)
        return E_INVALIDARG;
    if (HasChildNamed(child->m_name))
        return E_FAIL;
    int32_t unclipped = child->m_unclippedCount;
    if (child->m_layout && !child->m_layout->clipToParent)
        ++unclipped;
    for (int32_t i = 0; i < unclipped; ++i)
        m_owner->IncrementSubtreeCount();
    child->m_parent = RCPtr<LControl>(m_owner);
    m_owner->AdjustOwnerCount(1);
    child->m_indexInParent = m_children.GetCount();
    m_children.AddItem(child);
    m_byName.emplace(Key(child->m_name), child.Get());
    ++m_changeCounter;
    return S_OK;
}

int LControl::ChildControlList::Remove(const RCPtr<LControl>& child)
{
    const int position = IndexOf(child.Get());
    if (position < 0)
        return -1;
    int32_t unclipped = child->m_unclippedCount;
    if (child->m_layout && !child->m_layout->clipToParent)
        ++unclipped;
    for (int32_t k = 0; k < unclipped; ++k)
        m_owner->DecrementSubtreeCount();
    RCPtr<LControl> held(child);
    m_byName.erase(Key(held->m_name));
    m_children.RemoveItems(static_cast<unsigned>(position), 1);
    for (unsigned i = static_cast<unsigned>(position); i < m_children.GetCount(); ++i)
        m_children.GetAt(i)->m_indexInParent = i;
    ++m_changeCounter;
    // Last, so that the owner is still counted while its list changes.
    held->m_parent = nullptr;
    m_owner->AdjustOwnerCount(-1);
    return position;
}

void LControl::ChildControlList::Clear()
{
    while (m_children.GetCount() > 0) {
        RCPtr<LControl> last = m_children.GetAt(m_children.GetCount() - 1);
        Remove(last);
    }
}

KXRESULT LControl::ChildControlList::Rename(const RCPtr<LControl>& child, const String& newName)
{
    const int position = IndexOf(child.Get());
    if (position < 0)
        return E_INVALIDARG;
    if (SameName(child->m_name, newName))
        return S_FALSE;
    if (HasChildNamed(newName))
        return E_FAIL;
    // The key views the old text, so it goes before the text does.
    m_byName.erase(Key(child->m_name));
    const String oldName = child->m_name;
    child->m_name = newName;
    m_byName.emplace(Key(child->m_name), child.Get());
    // Named references point to earlier siblings, so only later ones can name the child.
    for (unsigned i = static_cast<unsigned>(position) + 1; i < m_children.GetCount(); ++i) {
        LLayoutDescriptor* layout = m_children.GetAt(i)->m_layout.Get();
        if (!layout)
            continue;
        for (int axis = 0; axis < 2; ++axis) {
            for (String* name : {&layout->position[axis].referenceName, &layout->size[axis].referenceName,
                                 &layout->minSize[axis].referenceName, &layout->maxSize[axis].referenceName}) {
                if (*name == oldName)
                    *name = newName;
            }
        }
    }
    return S_OK;
}

// ---- construction and tree

LControl::LControl(const RCPtr<LControl>& parent, const String& name)
    : m_children(this),
      m_conditions(LConditionsParam::Create(0, 0, {})),
      m_name(name)
{
    static_cast<void>(SetParent(parent)); // the tree records the parent either way
    if (IFrameworkServices* services = GetFrameworkServices()) {
        if (RCPtr<LControlFactory> factory = services->GetControlFactory()) {
            const String parentClass = parent && parent->m_descriptor ? parent->m_descriptor->GetClassName() : String();
            factory->GetStringTable(m_stringTable, parentClass, name);
        }
    }
}

LControl::~LControl()
{
    // A menu may still hold the updater; it must not reach a control that is gone.
    if (m_menuItemUpdater)
        m_menuItemUpdater->ClearTarget();
}

KXRESULT LControl::SetParent(const RCPtr<LControl>& newParent)
{
    if (newParent == m_parent)
        return S_FALSE;
    // A sibling waiting for removal leaves first, so that a control made again under its name (a
    // tool tip or context menu asked for twice in one pass) joins; a clash with a live sibling is
    // refused before anything changes, so that it never leaves the control without a parent.
    if (newParent) {
        newParent->DestroyPendingRemovals();
        if (newParent->m_children.HasChildNamed(m_name))
            return E_FAIL;
    }
    RCPtr<LControl> self(this);
    if (m_parent) {
        InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
        RCPtr<LControl> oldParent = m_parent;
        // A control removed from its old parent and given a new one must not be destroyed by the
        // old parent's next idle tick.
        for (unsigned i = 0; i < oldParent->m_pendingRemovals.GetCount(); ++i) {
            if (oldParent->m_pendingRemovals.GetAt(i) == self) {
                oldParent->m_pendingRemovals.RemoveItems(i, 1);
                if (oldParent->m_pendingRemovals.GetCount() == 0)
                    oldParent->UnsubscribeIdle();
                break;
            }
        }
        oldParent->m_children.Remove(self);
    } else {
        m_rootWindow = nullptr;
    }
    if (newParent)
        static_cast<void>(newParent->m_children.Add(self)); // the name was checked above
    return S_OK;
}

KXRESULT LControl::AddChild(const RCPtr<LControl>& child, const RCPtr<LControlDescriptor>& descriptor)
{
    if (!child || !descriptor)
        return E_FAIL;
    const KXRESULT r = child->SetParent(RCPtr<LControl>(this));
    if (Succeeded(r))
        static_cast<void>(child->ApplyDescriptor(descriptor)); // a descriptor that does not apply leaves the defaults
    return r;
}

KXRESULT LControl::RemoveChild(const RCPtr<LControl>& child)
{
    if (!child || child->m_parent.Get() != this)
        return E_INVALIDARG;
    if (child->m_capture)
        child->OnCaptureLost();
    child->SetVisible(false);
    for (unsigned i = 0; i < m_pendingRemovals.GetCount(); ++i) {
        if (m_pendingRemovals.GetAt(i) == child)
            return S_OK;
    }
    const int position = m_pendingRemovals.AddItem(child);
    if (position < 0)
        return E_INVALIDARG;
    if (position == 0)
        SubscribeIdle();
    return S_OK;
}

void LControl::DestroyPendingRemovals()
{
    while (m_pendingRemovals.GetCount() > 0) {
        RCPtr<LControl> child = m_pendingRemovals.GetAt(0);
        m_pendingRemovals.RemoveItems(0, 1);
        if (m_pendingRemovals.GetCount() == 0)
            UnsubscribeIdle();
        child->Destroy();
    }
}

void LControl::Destroy()
{
    RCPtr<LControl> self = Hold(this);
    SetVisible(false);
    SetClipToParent(true);
    if (m_capture)
        OnCaptureLost();
    // A destroyed control keeps no focus, no drop target and no scrolling.
    if (m_hasFocus || m_containsFocus)
        OnFocusLost();
    StopAutoScroll(0);
    StopAutoScroll(1);
    if (m_userMove)
        m_userMove->dropTarget = nullptr;
    m_lastChildHit = nullptr;
    m_pressRecord = nullptr;
    while (m_idleCount > 0)
        UnsubscribeIdle();
    if (m_parent)
        static_cast<void>(SetParent(nullptr)); // leaving the tree cannot be refused
    else
        SetRootWindow(nullptr);
}

KXRESULT LControl::BreakCycles()
{
    UnregisterForAllNotifications();
    m_lastChildHit = nullptr;
    if (m_userMove)
        m_userMove->dropTarget = nullptr;
    m_pressRecord = nullptr;
    if (m_autoScroll)
        m_autoScroll->axes[0].dragSource = m_autoScroll->axes[1].dragSource = nullptr;
    if (m_menuItemUpdater) {
        m_menuItemUpdater->ClearTarget();
        m_menuItemUpdater = nullptr;
    }
    m_children.Clear();
    return LRefCountedObject::BreakCycles();
}

const RCPtr<LControl>& LControl::FindChild(const String& name) const
{
    const LControl* child = m_children.FindNamed(name);
    return child ? m_children.GetAt(child->m_indexInParent, kInsertionOrder) : NullControl();
}

int LControl::FindDescendants(const String& name, RCPtrArray<LControl, 1, 0>& out) const
{
    out.SetCount(0);
    AppendNamedDescendants(*this, name, out);
    return static_cast<int>(out.GetCount());
}

int LControl::GetDescendants(RCPtrArray<LControl, 1, 0>& out) const
{
    out.SetCount(0);
    for (unsigned i = 0; i < m_children.GetCount(); ++i) {
        const RCPtr<LControl>& child = m_children.GetAt(i, kInsertionOrder);
        out.AddItem(child);
        RCPtrArray<LControl, 1, 0> below;
        child->GetDescendants(below);
        for (unsigned k = 0; k < below.GetCount(); ++k)
            out.AddItem(below.GetAt(k));
    }
    return static_cast<int>(out.GetCount());
}

void LControl::GetTopLevelControl(RCPtr<LControl>& out)
{
    LControl* top = this;
    while (top->m_parent)
        top = top->m_parent.Get();
    out = RCPtr<LControl>(top);
}

RCPtr<LRootWindow>* LControl::GetRootWindowPtr()
{
    LControl* top = this;
    while (top->m_parent)
        top = top->m_parent.Get();
    return &top->m_rootWindow;
}

RCPtr<LRootWindow> LControl::FindRootWindow() const
{
    const LControl* top = this;
    while (top->m_parent)
        top = top->m_parent.Get();
    return top->m_rootWindow;
}

KXRESULT LControl::SetRootWindow(const RCPtr<LRootWindow>& root)
{
    if (m_parent)
        return E_FAIL;
    m_rootWindow = root;
    if (root) {
        if (RCPtr<LControl> content = root->GetContent())
            content->SetText(m_text);
        if (IWindowOSServices* os = root->GetOSServices())
            os->SetWindowTitle(m_text);
        RefreshIdleSubscription();
    }
    return S_OK;
}

void LControl::IncrementSubtreeCount()
{
    for (LControl* c = this; c; c = c->m_parent.Get())
        ++c->m_unclippedCount;
}

void LControl::DecrementSubtreeCount()
{
    for (LControl* c = this; c; c = c->m_parent.Get())
        --c->m_unclippedCount;
}

KXRESULT LControl::ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n)
{
    if (!m_handlers || !m_created)
        return S_OK;
    return m_handlers->HandleNotification(sender, n);
}

KXRESULT LControl::UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender, const char16_t* name)
{
    if (m_handlers)
        m_handlers->RemoveNotification(sender, name);
    return LNotificationClient::UnregisterForNotification(sender, name);
}

} // namespace KX
