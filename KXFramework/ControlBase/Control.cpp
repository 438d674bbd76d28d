#include "KXFramework/ControlBase/Control.h"

#include "KXFramework/ControlBase/ChildLayoutEngine.h"
#include "KXFramework/ControlBase/ControlClassRegistry.h"
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/ControlLinks.h"
#include "KXFramework/ControlBase/FrameworkServices.h"
#include "KXFramework/ControlBase/RootWindow.h"
#include "KXFramework/ObjectBase/Exception.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace KX {

namespace {

constexpr double kMinExtent = 2.220446049250313e-16;
constexpr double kCoordinateLimit = 4503599627370496.0;
constexpr double kSizeTolerance = 2.220446049250313e-15;

const RCPtr<LControl>& NullControl()
{
    static const RCPtr<LControl>* const null = new RCPtr<LControl>;
    return *null;
}

bool SameName(const String& a, const String& b)
{
    return a.GetData() == b.GetData() || a == b;
}

int DockedAxes(const LLayoutDescriptor* layout)
{
    return layout ? int(layout->position[0].docked) + int(layout->position[1].docked) : 0;
}

void Send(LControl& sender, const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    RCPtr<LNotification> n;
    if (Succeeded(LNotification::Create(n, name, payload)))
        static_cast<void>(sender.SendNotification(n)); // the clients' answers do not concern the sender
}

// A create parameter is true when, trimmed of blanks and line breaks and lower-cased, it is "true".
bool ParseCreateBool(const String& text)
{
    return text.Trim(u" \t\r\n").ToLower() == String(u"true");
}

// A reference for the length of a call, unless the object is still being constructed (no
// reference yet), when taking and dropping one would delete it.
RCPtr<LControl> Hold(LControl* control)
{
    return control->GetRefCount() > 0 ? RCPtr<LControl>(control) : RCPtr<LControl>();
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
    : m_conditions(LConditionsParam::Create(0, 0, {})),
      m_children(this),
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
                    static_cast<void>(oldParent->UnsubscribeIdle()); // a parent that was not subscribed stays so
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
        static_cast<void>(child->OnCaptureLost()); // a handler's answer changes nothing here
    child->SetVisible(false);
    for (unsigned i = 0; i < m_pendingRemovals.GetCount(); ++i) {
        if (m_pendingRemovals.GetAt(i) == child)
            return S_OK;
    }
    const int position = m_pendingRemovals.AddItem(child);
    if (position < 0)
        return E_INVALIDARG;
    if (position == 0)
        static_cast<void>(SubscribeIdle()); // subscribing twice changes nothing
    return S_OK;
}

void LControl::DestroyPendingRemovals()
{
    while (m_pendingRemovals.GetCount() > 0) {
        RCPtr<LControl> child = m_pendingRemovals.GetAt(0);
        m_pendingRemovals.RemoveItems(0, 1);
        if (m_pendingRemovals.GetCount() == 0)
            static_cast<void>(UnsubscribeIdle()); // a control that was not subscribed stays so
        child->Destroy();
    }
}

void LControl::Destroy()
{
    RCPtr<LControl> self = Hold(this);
    SetVisible(false);
    SetClipToParent(true);
    if (m_capture)
        static_cast<void>(OnCaptureLost()); // a handler's answer changes nothing here
    // A destroyed control keeps no focus, no drop target and no scrolling.
    if (m_hasFocus || m_containsFocus)
        OnFocusLost();
    static_cast<void>(StopAutoScroll(0)); // stopping a scroll that is not running changes nothing
    static_cast<void>(StopAutoScroll(1)); // stopping a scroll that is not running changes nothing
    m_dropTarget = nullptr;
    m_lastChildHit = nullptr;
    m_pressRecord = nullptr;
    while (m_idleCount > 0)
        static_cast<void>(UnsubscribeIdle()); // a control that was not subscribed stays so
    if (m_parent)
        static_cast<void>(SetParent(nullptr)); // leaving the tree cannot be refused
    else
        static_cast<void>(SetRootWindow(nullptr)); // leaving the window cannot be refused
}

KXRESULT LControl::BreakCycles()
{
    UnregisterForAllNotifications();
    m_lastChildHit = nullptr;
    m_dropTarget = nullptr;
    m_pressRecord = nullptr;
    m_autoScroll[0].dragSource = m_autoScroll[1].dragSource = nullptr;
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
            static_cast<void>(content->SetText(m_text)); // a content that refuses the text keeps the old one
        if (IWindowOSServices* os = root->GetOSServices())
            static_cast<void>(os->SetWindowTitle(m_text)); // a window that cannot show a title keeps its old one
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

// ---- creation

KXRESULT LControl::ApplyDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    RCPtr<LControl> self = Hold(this);
    if (m_created)
        ReapplySkinDescriptor(descriptor);
    else
        ApplyFirstDescriptor(descriptor);
    return S_OK;
}

void LControl::TakeChildrenAndRelayout(RCPtrArray<LControl, 1, 0>& taken)
{
    if (!m_layout->clipToParent && m_parent)
        m_parent->IncrementSubtreeCount();
    for (unsigned i = 0; i < m_children.GetCount(); ++i)
        taken.AddItem(m_children.GetAt(i, kInsertionOrder));
    m_children.Clear();
    m_rect = {};
    static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
}

void LControl::ApplyFirstDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    m_descriptor = descriptor;
    // Each control has its own copy, so that changing it never touches the shared skin.
    m_layout = descriptor && descriptor->GetLayout() ? descriptor->GetLayout()->Clone()
                                                     : RCPtr<LLayoutDescriptor>(new LLayoutDescriptor);
    if (m_rootWindow)
        m_layout->isVisible = true;
    CreateLooksAndFont(descriptor);
    if (m_stringTable) {
        String label;
        m_stringTable->GetString(u"LABEL", label);
        UpdateText(label, false);
    }
    // A first application normally finds no children; any it finds leave the tree.
    RCPtrArray<LControl, 1, 0> taken;
    TakeChildrenAndRelayout(taken);
    static_cast<void>(SetLookExclusive(0)); // a control without looks has none to show
    // The record is refreshed without a publication: a control starts from its present state.
    m_conditions->previousMask = m_conditions->currentMask;
    m_conditions->currentMask = ComputeConditions();
    m_conditions->point = m_grabPoint;
}

void LControl::ReapplySkinDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    const bool wasVisible = m_layout ? m_layout->isVisible : true;
    const bool wasEnabled = m_layout ? m_layout->enabled : true;
    SetClipToParent(true);
    m_descriptor = descriptor;
    m_layout = descriptor && descriptor->GetLayout() ? descriptor->GetLayout()->Clone()
                                                     : RCPtr<LLayoutDescriptor>(new LLayoutDescriptor);
    if (m_rootWindow) {
        m_layout->isVisible = true;
        const RectT<int32_t> client = m_rootWindow->GetScreenClientRect();
        const RectT<double> area{double(client.x), double(client.y), m_rect.width, m_rect.height};
        if (OfferWindowArea(area) == S_FALSE)
            m_rootWindow->SetWindowArea(area.Round());
        for (int axis = 0; axis < 2; ++axis) {
            m_layout->position[axis].absolute = axis == 0 ? area.x : area.y;
            m_layout->position[axis].relative = 0.0f;
            m_layout->size[axis].absolute = axis == 0 ? area.width : area.height;
            m_layout->size[axis].relative = 0.0f;
        }
    }
    if (m_layout->isVisible != wasVisible) {
        const bool visible = m_layout->isVisible;
        m_layout->isVisible = wasVisible;
        SetVisible(visible);
    }
    m_layout->enabled = wasEnabled;
    String notFocusable;
    const LStringTable* params = descriptor ? descriptor->GetCreateParams().Get() : nullptr;
    if (params && params->GetString(u"NOT_FOCUSABLE", notFocusable))
        SetNotFocusable(ParseCreateBool(notFocusable));
    else
        SetNotFocusable(m_layout->tabStop < 0);
    CreateLooksAndFont(descriptor);
    // The present text is set again, so that the looks receive it.
    const String text = m_text;
    m_text = u"~";
    UpdateText(text, false);

    RCPtrArray<LControl, 1, 0> remembered;
    TakeChildrenAndRelayout(remembered);
    // The children the new skin still lists stay, re-applied; the others leave the tree. Both
    // leftovers are still offered to AddChild: a container may take a template from a descriptor
    // without a control, or keep a child it made itself.
    m_layoutSuspended = true;
    if (descriptor) {
        const ControlDescriptorArray& subs = descriptor->GetSubDescriptors();
        for (unsigned i = 0; i < subs.GetCount(); ++i) {
            const RCPtr<LControlDescriptor>& sub = subs.GetAt(i);
            RCPtr<LControl> child;
            for (unsigned k = 0; k < remembered.GetCount(); ++k) {
                if (SameName(remembered.GetAt(k)->m_name, sub->GetName())) {
                    child = remembered.GetAt(k);
                    remembered.RemoveItems(k, 1);
                    break;
                }
            }
            static_cast<void>(AddChild(child, sub)); // a child that cannot be re-added stays out
        }
    }
    for (unsigned k = 0; k < remembered.GetCount(); ++k)
        static_cast<void>(AddChild(remembered.GetAt(k), nullptr)); // refused unless the container keeps it
    m_layoutSuspended = false;
    if (m_children.GetCount() > 0)
        static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
    PublishConditions();
    static_cast<void>(PostInitialize()); // the creation steps do not stop one another
    m_children.Touch();
    if (m_rootWindow) {
        FillClientArea();
        InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    }
}

void LControl::CreateLooksAndFont(const RCPtr<LControlDescriptor>& descriptor)
{
    m_looks.SetCount(0);
    m_lookWeights.clear();
    const LSkinDescriptor* skin = descriptor ? descriptor->GetSkin().Get() : nullptr;
    if (skin && skin->lookList) {
        const bool wrap = m_layout->textOverflowX == LLayoutDescriptor::kOverflowWrap;
        for (unsigned i = 0; i < skin->lookList->GetCount(); ++i) {
            const RCPtr<LLookDescriptor>& entry = skin->lookList->GetAt(i);
            AddLook(entry ? LLook::Create(entry, wrap) : RCPtr<LLook>());
        }
    }
    const PointT<int32_t> size = PointT<double>{m_rect.width, m_rect.height}.Round();
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->SetSize(size);
    }
    m_fontInheritsFromParent = skin && skin->fontInheritsFromParent;
    m_sizeIsRelative = skin && skin->fontSizeIsRelative;
    if (skin)
        // A font that cannot be made leaves the old one.
        static_cast<void>(SetFont(skin->fontName, skin->fontSize, skin->fontStyle, skin->fontSizeIsRelative));
    else
        static_cast<void>(SetFont(String(), 0.0f, -1, false)); // a font that cannot be made leaves the old one
}

void LControl::FillClientArea()
{
    if (!m_layout)
        return;
    for (int axis = 0; axis < 2; ++axis) {
        PositionSpec& position = m_layout->position[axis];
        SizeSpec& size = m_layout->size[axis];
        position.anchor = 0.0f;
        position.referenceKind = PositionSpec::kClient;
        position.relative = 0.0f;
        position.absolute = 0.0;
        size.referenceKind = SizeSpec::kClient;
        size.relative = 1.0f;
        size.absolute = 0.0;
    }
    static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
}

KXRESULT LControl::CreateSubControls(const RCPtr<LControlDescriptor>& descriptor)
{
    m_children.Clear();
    IFrameworkServices* services = GetFrameworkServices();
    RCPtr<LControlClassRegistry> registry = services ? services->GetControlClassRegistry() : nullptr;
    if (descriptor && registry) {
        const ControlDescriptorArray& subs = descriptor->GetSubDescriptors();
        for (unsigned i = 0; i < subs.GetCount(); ++i) {
            const RCPtr<LControlDescriptor>& sub = subs.GetAt(i);
            String defer;
            if (sub->GetCreateParams() && sub->GetCreateParams()->GetString(u"DEFER_CREATE", defer) &&
                ParseCreateBool(defer))
                continue;
            RCPtr<LControl> child;
            registry->CreateControl(child, sub, RCPtr<LControl>(this));
        }
    }
    static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
    return S_OK;
}

KXRESULT LControl::Initialize()
{
    m_notificationCenter = GetDefaultNotificationCenter();
    if (!m_handlers)
        m_handlers = LNotificationHandler<LControl>::Create(this);
    static_cast<void>(ReadCreateParams()); // a parameter that cannot be read keeps its default
    if (m_stringTable) {
        m_stringTable->GetString(u"TOOLTIP", m_toolTipText);
        // A control without hot keys has none.
        static_cast<void>(m_localHotKeys.LoadFromStringTable(m_stringTable, u"LHK"));
    }
    SubscribeSiblingKeys();
    return S_OK;
}

KXRESULT LControl::ReadCreateParams()
{
    const LStringTable* params = m_descriptor ? m_descriptor->GetCreateParams().Get() : nullptr;
    const bool noTabStop = m_layout && m_layout->tabStop < 0;
    if (!params) {
        SetNotFocusable(noTabStop);
        return S_OK;
    }
    String text;
    if (params->GetString(u"INITIAL_VALUE", text))
        SetValue(text.ToDouble());
    if (params->GetString(u"NOT_FOCUSABLE", text))
        SetNotFocusable(ParseCreateBool(text));
    else
        SetNotFocusable(noTabStop);
    if (params->GetString(u"USE_PARENT_TOOLTIP", text))
        m_usesParentToolTip = ParseCreateBool(text);
    if (params->GetString(u"WANTS_TAB", text))
        m_wantsTab = ParseCreateBool(text);
    return S_OK;
}

KXRESULT LControl::PostInitialize()
{
    return S_OK;
}

KXRESULT LControl::OfferWindowArea(const RectT<double>&)
{
    return S_OK;
}

void LControl::SetNotFocusable(bool notFocusable)
{
    if (!m_layout) {
        m_notFocusable = notFocusable;
        return;
    }
    const bool signAgrees = (m_layout->tabStop < 0) == notFocusable;
    if (m_notFocusable == notFocusable && signAgrees)
        return;
    m_notFocusable = notFocusable;
    if (!signAgrees)
        m_layout->tabStop = m_layout->tabStop == 0 ? -1 : -m_layout->tabStop;
    if (!m_parent)
        return;
    m_parent->m_children.Touch();
    RCPtr<LControl> self = Hold(this);
    if ((CanTakeFocus() || HasFocusableDescendant()) && m_parent->m_hasFocus)
        static_cast<void>(SetFocus(true)); // a control that cannot take the focus leaves it where it is
    else if (notFocusable && m_hasFocus)
        HandOverFocus(false);
}

// ---- geometry

void LControl::SetClipToParent(bool clip)
{
    if (!m_layout || m_layout->clipToParent == clip)
        return;
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, m_layout->clipToParent);
    if (m_parent) {
        if (clip)
            m_parent->DecrementSubtreeCount();
        else
            m_parent->IncrementSubtreeCount();
    }
    m_layout->clipToParent = clip;
    if (m_parent)
        m_parent->m_children.Touch();
}

KXRESULT LControl::RecalcLayoutFromDescriptor()
{
    if (!m_layout)
        return E_FAIL;
    RectT<double> r;
    if (m_parent) {
        // Without a layout the rectangle stays empty.
        static_cast<void>(CalculateLayoutRect(m_layout.Get(), m_parent.Get(), {}, {}, {}, r));
    } else {
        if (m_created && !m_rootWindow)
            return E_FAIL;
        IFrameworkServices* services = GetFrameworkServices();
        RCPtr<LRootWindow> root = m_rootWindow;
        if (!root && services)
            root = services->GetApplicationRootWindow();
        if (!root)
            return E_FAIL;
        const RectT<int32_t> screen = services ? services->GetWorkArea() : RectT<int32_t>{};
        const PointT<int32_t> client = root->GetClientSize();
        const RectT<int32_t> window = root->GetScreenClientRect();
        // Without a layout the rectangle stays empty.
        static_cast<void>(CalculateLayoutRect(m_layout.Get(), nullptr, screen.ToDouble(),
                                              {double(client.x), double(client.y)},
                                              {double(window.x), double(window.y)}, r));
    }
    PointT<double> position{r.x, r.y};
    PointT<double> size{r.width, r.height};
    // A limit the anchor keeps from being met leaves what the other rules gave.
    static_cast<void>(ApplyLayoutMinSize(*this, position, size)); // without a layout the size stays
    static_cast<void>(ApplyLayoutMaxSize(*this, position, size)); // without a layout the size stays
    r = {position.x, position.y, size.x, size.y};
    r.Normalize();
    return StoreLayoutRect({r.x, r.y}, {r.width, r.height});
}

KXRESULT LControl::RecalcLayout(const PointT<int32_t>&)
{
    static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
    return S_OK;
}

KXRESULT LControl::StoreLayoutRect(const PointT<double>& position, const PointT<double>& size)
{
    if (position.x == m_rect.x && position.y == m_rect.y && size.x == m_rect.width && size.y == m_rect.height)
        return S_FALSE;
    RCPtr<LControl> self = Hold(this);
    const bool sizeChanged =
        std::fabs(size.x - m_rect.width) >= kSizeTolerance || std::fabs(size.y - m_rect.height) >= kSizeTolerance;
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    if (m_unclippedCount > 0)
        InvalidateUnclippedArea();
    m_rect = {position.x, position.y, size.x, size.y};
    const PointT<int32_t> lookSize = PointT<double>{m_rect.width, m_rect.height}.Round();
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->SetSize(lookSize);
    }
    // The children laid out below measure against the new client rectangle, not the cached one.
    m_clientRectValid = false;
    if (sizeChanged && !m_layoutSuspended) {
        m_layoutSuspended = true;
        const PointT<int32_t> whole = PointT<double>{m_rect.width, m_rect.height}.Round();
        for (unsigned i = 0; i < m_children.GetCount(); ++i) {
            RCPtr<LControl> child = m_children.GetAt(i, kInsertionOrder);
            static_cast<void>(child->RecalcLayout(whole)); // a child without a layout keeps its rectangle
        }
        static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
        m_layoutSuspended = false;
    }
    if (m_parent) {
        RCPtr<LControl> parent = m_parent;
        ChildControlList& siblings = parent->m_children;
        // A later sibling that changed carries the cascade on through its own store.
        const int position = siblings.IndexOf(this);
        for (unsigned i = static_cast<unsigned>(position) + 1; position >= 0 && i < siblings.GetCount(); ++i) {
            RCPtr<LControl> sibling = siblings.GetAt(i, kInsertionOrder);
            if (sibling->RecalcLayoutFromDescriptor() == S_OK)
                break;
        }
        static_cast<void>(parent->OnChildRectChanged(self)); // a handler's answer changes nothing here
    } else if (m_rootWindow) {
        const RectT<int32_t> area = m_rootWindow->GetScreenClientRect();
        const PointT<int32_t> whole = PointT<double>{m_rect.width, m_rect.height}.Round();
        m_rootWindow->SetWindowArea({area.x, area.y, whole.x, whole.y});
    }
    if (m_parent && (m_hasFocus || m_containsFocus) && (m_rect.width <= 0.0 || m_rect.height <= 0.0))
        HandOverFocus(false);
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    if (m_unclippedCount > 0)
        InvalidateUnclippedArea();
    CheckClientSizeChange();
    return S_OK;
}

KXRESULT LControl::SetPlacement(int axis, const PositionSpec& position, const SizeSpec& size)
{
    if (!m_layout)
        return E_FAIL;
    const bool wasDocked = axis >= 0 && axis < 2 && m_layout->position[axis].docked;
    const KXRESULT r = m_layout->SetPlacement(axis, position, size);
    if (Failed(r))
        return r;
    // The docked flag is a key of the parent's z-order.
    if (wasDocked != position.docked && m_parent)
        m_parent->m_children.Touch();
    static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
    PositionSpec p;
    SizeSpec z;
    static_cast<void>(m_layout->GetPlacement(axis, p, z)); // a bad axis leaves the defaults
    const bool named = position.referenceKind == PositionSpec::kNamed;
    const bool sizeNamed = size.referenceKind == SizeSpec::kNamed;
    const bool same = p.anchor == position.anchor && p.referenceKind == position.referenceKind &&
                      (!named || p.referenceName == position.referenceName) && p.relative == position.relative &&
                      p.absolute == position.absolute && p.docked == position.docked &&
                      z.referenceKind == size.referenceKind && (!sizeNamed || z.referenceName == size.referenceName) &&
                      z.relative == size.relative && z.absolute == size.absolute;
    return same ? S_OK : S_FALSE;
}

KXRESULT LControl::EditPlacement(int axis, const std::function<void(PositionSpec&, SizeSpec&)>& edit)
{
    if (!m_layout)
        return E_FAIL;
    PositionSpec position;
    SizeSpec size;
    if (const KXRESULT r = m_layout->GetPlacement(axis, position, size); Failed(r))
        return r;
    edit(position, size);
    return SetPlacement(axis, position, size);
}

KXRESULT LControl::SetSizeLimits(int axis, const SizeLimitSpec& minimum, const SizeLimitSpec& maximum)
{
    if (!m_layout)
        return E_FAIL;
    const KXRESULT r = m_layout->SetSizeLimitSpecs(axis, minimum, maximum);
    if (Failed(r))
        return r;
    static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
    SizeLimitSpec lo, hi;
    static_cast<void>(m_layout->GetSizeLimitSpecs(axis, lo, hi)); // a bad axis leaves the defaults
    auto same = [](const SizeLimitSpec& a, const SizeLimitSpec& b) {
        return a.hasReference == b.hasReference && a.referenceName == b.referenceName && a.relative == b.relative &&
               a.absolute == b.absolute;
    };
    return same(lo, minimum) && same(hi, maximum) ? S_OK : S_FALSE;
}

PointT<double> LControl::GetPreferredSize()
{
    PointT<double> preferred;
    if (!m_layout)
        return preferred;
    for (int axis = 0; axis < 2; ++axis) {
        PositionSpec position;
        SizeSpec size;
        static_cast<void>(m_layout->GetPlacement(axis, position, size)); // a bad axis leaves the defaults
        // The same placement again changes nothing.
        static_cast<void>(SetPlacement(axis, position, SizeSpec{SizeSpec::kSelf, String(), 0.0f, 0.0}));
        (axis == 0 ? preferred.x : preferred.y) = axis == 0 ? m_rect.width : m_rect.height;
        static_cast<void>(SetPlacement(axis, position, size)); // the same placement again changes nothing
    }
    return preferred;
}

PointT<double> LControl::GetAbsoluteMaxSize() const
{
    if (!m_layout)
        return {};
    return {m_layout->maxSize[0].hasReference ? 0.0 : m_layout->maxSize[0].absolute,
            m_layout->maxSize[1].hasReference ? 0.0 : m_layout->maxSize[1].absolute};
}

void LControl::GetSizeLimits(PointT<double>& minimum, PointT<double>& maximum) const
{
    minimum = {0.0, 0.0};
    maximum = {kCoordinateLimit, kCoordinateLimit};
}

RectT<double> LControl::GetClientRect() const
{
    if (!m_clientRectValid) {
        m_clientRect = GetLookClientRect(-1);
        m_clientRectValid = true;
    }
    return m_clientRect;
}

RectT<double> LControl::GetLookClientRect(int lookIndex) const
{
    const RCPtr<LLook>& look = GetCurrentLook(lookIndex);
    if (!look)
        return {0.0, 0.0, m_rect.width, m_rect.height};
    return look->GetClientRect().ToDouble();
}

RectT<double> LControl::GetClientExtentRect() const
{
    const RectT<double> client = GetClientRect();
    return {0.0, 0.0, client.width, client.height};
}

RectT<double> LControl::GetVisibleClientRect() const
{
    const RectT<double> client = GetClientRect();
    return {m_scrollOffset.x, m_scrollOffset.y, client.width, client.height};
}

void LControl::CheckClientSizeChange()
{
    m_clientRectValid = false;
}

void LControl::SetScrollOffset(const PointT<double>& offset)
{
    m_scrolling = true;
    const PointT<double> rounded{Round(offset.x), Round(offset.y)};
    if (rounded == m_scrollOffset) {
        m_scrolling = false;
        return;
    }
    RCPtr<LControl> self = Hold(this);
    if (m_unclippedCount > 0)
        InvalidateUnclippedArea();
    const PointT<double> old = m_scrollOffset;
    m_scrollOffset = rounded;
    for (unsigned i = 0; i < m_children.GetCount(); ++i) {
        RCPtr<LControl> child = m_children.GetAt(i, kInsertionOrder);
        static_cast<void>(child->OnParentScrolled(old, rounded)); // a handler's answer changes nothing here
    }
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    ScrollContents(old, rounded);
    Send(*this, u"NID_SCROLL_OFFSET_CHANGE", RCPtr<LRefCountedObject>());
    // Only a window that tracks the pointer (active, with a real window) moves the hover.
    RCPtr<LRootWindow> root = FindRootWindow();
    if (root && root->GetOSServices() && root->GetOSServices()->IsActive()) {
        RCPtr<LControl> top;
        GetTopLevelControl(top);
        const PointT<int32_t> cursor = root->GetCursorPos();
        const PointT<double> p =
            top ? MapPointFromControl(*top, {double(cursor.x), double(cursor.y)}) : PointT<double>{};
        if (top && p.x >= 0.0 && p.x < m_rect.width && p.y >= 0.0 && p.y < m_rect.height) {
            PointT<int32_t> local;
            root->HitTest(cursor, local, true);
        }
    }
    m_scrolling = false;
}

void LControl::ScrollContents(const PointT<double>&, const PointT<double>&) {}

KXRESULT LControl::OnParentScrolled(const PointT<double>&, const PointT<double>&)
{
    if (m_layout && (m_layout->position[0].docked || m_layout->position[1].docked))
        static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
    return S_OK;
}

KXRESULT LControl::OnChildRectChanged(const RCPtr<LControl>& child)
{
    if (!m_layoutSuspended)
        static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
    InvalidateChildArea(child);
    return S_OK;
}

void LControl::InvalidateChildArea(const RCPtr<LControl>&) {}

PointT<double> LControl::MapPointFromControl(const LControl& other, const PointT<double>& point) const
{
    const PointT<int32_t> from = other.GetPositionInRoot().Round();
    const PointT<int32_t> to = GetPositionInRoot().Round();
    using GeometryRules::Clamp;
    return {Clamp(point.x + double(from.x) - double(to.x), kCoordinateLimit),
            Clamp(point.y + double(from.y) - double(to.y), kCoordinateLimit)};
}

bool LControl::GetChildrenBounds(RectT<double>& out) const
{
    // Kept in 64 bits: the empty case is reported rather than left as wrapped 32-bit differences.
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (unsigned i = m_children.GetCount(); i-- > 0;) {
        const LControl& child = *m_children.GetAt(i, kInsertionOrder);
        if (DockedAxes(child.m_layout.Get()) != 0)
            continue;
        const RectT<int32_t> r = child.m_rect.Round();
        left = std::min<int64_t>(left, r.x);
        top = std::min<int64_t>(top, r.y);
        right = std::max<int64_t>(right, int64_t(r.x) + r.width);
        bottom = std::max<int64_t>(bottom, int64_t(r.y) + r.height);
    }
    if (left > right) {
        out = {};
        return false;
    }
    out = {double(left), double(top), double(right - left), double(bottom - top)};
    return true;
}

double LControl::GetTextMinimumSize(int axis, const PointT<double>& size)
{
    const RCPtr<LLook>& look = GetCurrentLook(-1);
    if (!m_layout || !look || !look->GetFontText())
        return 0.0;
    LFontText& text = *look->GetFontText();
    const TextAreaSpec& spec = look->GetDescriptor()->text;
    const RectT<float> area = look->GetTextArea(float(size.x), float(size.y));
    double minimum = 0.0;
    if (axis == 0) {
        if (m_layout->textOverflowX != LLayoutDescriptor::kOverflowExpand)
            return 0.0;
        text.SetWrap(false);
        const double extra = std::ceil(double(text.GetNaturalWidth()) - double(area.width));
        if (extra > 0.0) {
            // A text area that does not grow with the control grows by the whole extra.
            const double span = double(spec.rightRelative) - double(spec.leftRelative);
            minimum = std::ceil(span > 0.0 ? extra / span : extra) + size.x;
        }
        const SizeLimitSpec& maximum = m_layout->maxSize[0];
        if (!maximum.hasReference && maximum.absolute > 0.0 && maximum.absolute < minimum) {
            minimum = maximum.absolute;
            text.SetWrap(true);
        }
        return minimum;
    }
    if (m_layout->textOverflowY == LLayoutDescriptor::kOverflowClip)
        return 0.0;
    const double extra =
        std::ceil(double(text.GetWrappedHeight(GeometryRules::RoundToLong(area.width))) - double(area.height));
    if (extra > 0.0) {
        const double span = double(spec.bottomRelative) - double(spec.topRelative);
        minimum = std::ceil(span > 0.0 ? extra / span : extra) + size.y;
    }
    return minimum;
}

double LControl::Round(double v)
{
    return std::trunc(v >= 0.0 ? v + 0.5 : v - 0.5);
}

PointT<double> LControl::GetClientOrigin() const
{
    const RectT<double> client = GetLookClientRect(-1);
    return {client.x, client.y};
}

PointT<double> LControl::GetPositionInParentClient() const
{
    if (!m_parent)
        return {m_rect.x, m_rect.y};
    const PointT<double> origin = m_parent->GetClientOrigin();
    return {m_rect.x - m_parent->m_scrollOffset.x + origin.x, m_rect.y - m_parent->m_scrollOffset.y + origin.y};
}

PointT<double> LControl::GetPositionInRoot() const
{
    PointT<double> p{m_rect.x, m_rect.y};
    for (const LControl* a = m_parent.Get(); a; a = a->m_parent.Get()) {
        const PointT<double> origin = a->GetClientOrigin();
        p.x += origin.x - a->m_scrollOffset.x + a->m_rect.x;
        p.y += origin.y - a->m_scrollOffset.y + a->m_rect.y;
    }
    return p;
}

// ---- value and range

double LControl::SetValue(double t)
{
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    if (t == m_value)
        return m_value;
    m_value = t;
    OnValueChanged();
    Send(*this, u"NID_VALUE_CHANGE", LValueParam::Create(m_value, NormalizedToValue(m_value)));
    return m_value;
}

void LControl::OnValueChanged() {}

KXRESULT LControl::SetRange(double minimum, double maximum, int32_t scaleType)
{
    const bool accepted = scaleType == 0 || (scaleType == 1 && minimum > 0.0 && maximum > 0.0);
    if (!accepted)
        return E_INVALIDARG;
    m_scaleType = scaleType;
    m_rangeMinimum = minimum;
    m_rangeMaximum = maximum;
    return S_OK;
}

double LControl::NormalizedToValue(double t) const
{
    if (m_scaleType == 1)
        return std::pow(m_rangeMaximum / m_rangeMinimum, t) * m_rangeMinimum;
    return (m_rangeMaximum - m_rangeMinimum) * t + m_rangeMinimum;
}

double LControl::ValueToNormalized(double v) const
{
    const double hi = std::max(m_rangeMinimum, m_rangeMaximum);
    const double lo = std::min(m_rangeMinimum, m_rangeMaximum);
    if (v > hi)
        v = hi;
    if (v < lo)
        v = lo;
    if (m_rangeMinimum == m_rangeMaximum)
        return 0.0;
    if (m_scaleType == 1)
        return std::log(v / m_rangeMinimum) / std::log(m_rangeMaximum / m_rangeMinimum);
    return (v - m_rangeMinimum) / (m_rangeMaximum - m_rangeMinimum);
}

double LControl::SetValueInRange(double value)
{
    if (!std::isnan(value))
        SetValue(ValueToNormalized(value));
    return NormalizedToValue(GetValue());
}

// ---- conditions

uint32_t LControl::ComputeConditions() const
{
    uint32_t mask = 0;
    auto set = [&mask](bool flag, uint32_t bit) {
        if (flag)
            mask |= bit;
    };
    set(m_hasFocus, Condition::kHasFocus);
    set(m_containsFocus, Condition::kContainsFocus);
    set(m_hover, Condition::kHover);
    set(m_capture, Condition::kCapture);
    set(m_pending[0], Condition::kLeftPending);
    set(m_pending[1], Condition::kMiddlePending);
    set(m_pending[2], Condition::kRightPending);
    set(m_dragging[0], Condition::kLeftDragging);
    set(m_dragging[1], Condition::kMiddleDragging);
    set(m_dragging[2], Condition::kRightDragging);
    set(m_layout && m_layout->enabled && (!m_parent || m_parent->IsEnabled(true)), Condition::kEnabled);
    set(IsVisible(true), Condition::kVisible);
    set(m_hover || m_highlighted, Condition::kHoverOrHighlighted);
    return mask;
}

void LControl::PublishConditions()
{
    const uint32_t now = ComputeConditions();
    if (now == m_conditions->currentMask)
        return;
    RCPtr<LControl> self = Hold(this);
    const uint32_t before = m_conditions->currentMask;
    m_conditions->previousMask = before;
    m_conditions->currentMask = now;
    m_conditions->point = m_grabPoint;
    const uint32_t changed = before ^ now;
    auto rose = [&](uint32_t bit) { return (changed & bit) && (now & bit); };
    auto fell = [&](uint32_t bit) { return (changed & bit) && (before & bit); };

    if (m_cursor) {
        if (rose(Condition::kHover) && !m_capture) {
            m_replacedCursor = ApplyCursor();
        } else if ((fell(Condition::kHover) && !m_capture) || (fell(Condition::kCapture) && !m_hover)) {
            if (RCPtr<LRootWindow> root = FindRootWindow())
                root->SetCursor(m_replacedCursor);
        }
    }
    if (m_userMoveMode != kMoveOff && fell(Condition::kLeftDragging))
        HandleConditionsChange();
    // The published record is the control's own; listeners see it change with every publication.
    const RCPtr<LConditionsParam> param = m_conditions;
    ApplyConditions(param);
    Send(*this, u"NID_CONDITION_CHANGE", param);
    static const struct {
        const char16_t* name;
        uint32_t bits;
    } kPerCondition[] = {
        {u"NID_HAS_FOCUS_CONDITION_CHANGE", Condition::kHasFocus},
        {u"NID_CONTAINS_FOCUS_CONDITION_CHANGE", Condition::kContainsFocus},
        {u"NID_HOVER_CONDITION_CHANGE", Condition::kHoverOrHighlighted},
        {u"NID_CAPTURE_CONDITION_CHANGE", Condition::kCapture},
        {u"NID_LEFT_DRAG_CONDITION_CHANGE", Condition::kLeftPending | Condition::kLeftDragging},
        {u"NID_MIDDLE_DRAG_CONDITION_CHANGE", Condition::kMiddlePending | Condition::kMiddleDragging},
        {u"NID_RIGHT_DRAG_CONDITION_CHANGE", Condition::kRightPending | Condition::kRightDragging},
        {u"NID_ENABLED_CONDITION_CHANGE", Condition::kEnabled},
        {u"NID_VISIBLITY_CONDITION_CHANGE", Condition::kVisible},
    };
    for (const auto& entry : kPerCondition) {
        if (changed & entry.bits)
            Send(*this, entry.name, param);
    }
    if (m_userMoveMode != kMoveOff && rose(Condition::kLeftDragging))
        BeginUserMove();
    // The hover follows the pointer to whatever now lies under it.
    if ((m_hover && (changed & Condition::kVisible) && !IsVisible(true) && !m_capture) ||
        (fell(Condition::kCapture) && !m_hover)) {
        if (RCPtr<LRootWindow> root = FindRootWindow()) {
            PointT<int32_t> local;
            root->HitTest(root->GetCursorPos(), local, true);
        }
    }
    if (changed & (Condition::kEnabled | Condition::kVisible)) {
        for (unsigned i = m_children.GetCount(); i-- > 0;) {
            if (i < m_children.GetCount())
                m_children.GetAt(i, kInsertionOrder)->PublishConditions();
        }
    }
}

bool LControl::IsVisible(bool includeAncestors) const
{
    for (const LControl* c = this; c; c = c->m_parent.Get()) {
        if (!c->m_layout || !c->m_layout->isVisible || !(c->m_rect.width > 0.0) || !(c->m_rect.height > 0.0))
            return false;
        if (!includeAncestors)
            break;
    }
    return true;
}

bool LControl::IsEnabled(bool includeAncestors) const
{
    for (const LControl* c = this; c; c = c->m_parent.Get()) {
        if (!c->m_layout || !c->m_layout->enabled)
            return false;
        if (!includeAncestors)
            break;
    }
    return true;
}

bool LControl::SetVisible(bool visible)
{
    if (m_layout && m_layout->isVisible != visible) {
        if (!visible)
            InvalidateWhole();
        RCPtr<LControl> self = Hold(this);
        m_layout->isVisible = visible;
        if (visible) {
            HandOverFocus(true);
            InvalidateWhole();
        } else {
            HandOverFocus(false);
        }
        PublishConditions();
    }
    return IsVisible(true);
}

void LControl::SetEnabled(bool enabled)
{
    if (!m_layout || m_layout->enabled == enabled)
        return;
    RCPtr<LControl> self = Hold(this);
    m_layout->enabled = enabled;
    HandOverFocus(enabled);
    PublishConditions();
    InvalidateWhole();
}

void LControl::SetHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    PublishConditions();
}

void LControl::ApplyConditions(const RCPtr<LConditionsParam>&) {}

// ---- looks

namespace {
const RCPtr<LLook>& NullLook()
{
    static const RCPtr<LLook>* const null = new RCPtr<LLook>;
    return *null;
}
} // namespace

int LControl::AddLook(const RCPtr<LLook>& look)
{
    const int index = m_looks.AddItem(look);
    if (m_lookWeights.size() < m_looks.GetCount())
        m_lookWeights.push_back(0.0f);
    return index;
}

const RCPtr<LLook>& LControl::GetCurrentLook(int index) const
{
    const int count = static_cast<int>(m_looks.GetCount());
    if (index >= 0 && index < count)
        return m_looks.GetAt(static_cast<unsigned>(index));
    for (int i = 0; i < count; ++i) {
        const RCPtr<LLook>& look = m_looks.GetAt(static_cast<unsigned>(i));
        if (look && GetLookWeight(static_cast<unsigned>(i)) > 0.0f)
            return look;
    }
    for (int i = 0; i < count; ++i) {
        if (const RCPtr<LLook>& look = m_looks.GetAt(static_cast<unsigned>(i)))
            return look;
    }
    return NullLook();
}

int LControl::GetActiveLookIndex() const
{
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (m_looks.GetAt(i) && GetLookWeight(i) > 0.0f)
            return static_cast<int>(i);
    }
    return -1;
}

KXRESULT LControl::SetLookWeight(unsigned index, float weight, bool exclusive)
{
    if (index >= m_looks.GetCount())
        return E_INVALIDARG;
    m_lookWeights.resize(m_looks.GetCount(), 0.0f);
    bool changed = false;
    if (weight >= 0.0f && weight <= 1.0f) {
        changed = m_lookWeights[index] != weight;
        m_lookWeights[index] = weight;
    }
    if (exclusive) {
        for (size_t i = m_lookWeights.size(); i-- > 0;) {
            if (i == index)
                continue;
            if (m_lookWeights[i] != 0.0f)
                changed = true;
            m_lookWeights[i] = 0.0f;
        }
    }
    if (changed) {
        InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
        CheckClientSizeChange();
    }
    return S_OK;
}

KXRESULT LControl::SetLookExclusive(unsigned index)
{
    return SetLookWeight(index, 1.0f, true);
}

void LControl::ClearLookRegions()
{
    for (unsigned i = m_looks.GetCount(); i-- > 0;) {
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->GetRegion().Clear();
    }
}

KXRESULT LControl::SetLookRegion(int index, const LRectList& region)
{
    const RCPtr<LLook>& look = GetCurrentLook(index);
    if (!look)
        return E_INVALIDARG;
    look->GetRegion().Clear();
    look->GetRegion().Append(region);
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return S_OK;
}

KXRESULT LControl::SetLookRegionComplement(int indexA, int indexB)
{
    const RCPtr<LLook>& a = GetCurrentLook(indexA);
    const RCPtr<LLook>& b = GetCurrentLook(indexB);
    if (!a || !b)
        return E_INVALIDARG;
    LRectList& region = a->GetRegion();
    region.Clear();
    region.AddRect({0, 0, int32_t(m_rect.width + 0.5), int32_t(m_rect.height + 0.5)});
    // Look a's old region is gone; when b is a itself there is nothing left to cut out.
    if (a != b)
        region.SubtractList(b->GetRegion(), nullptr);
    region.Normalize();
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return S_OK;
}

KXRESULT LControl::SetLookBitmap(const RCPtr<LBitmap>& bitmap, int32_t resizeType, int index, bool replaceClient)
{
    const RCPtr<LLook>& look = GetCurrentLook(index);
    if (!look)
        return E_FAIL;
    const KXRESULT r = look->SetBitmap(bitmap, resizeType, replaceClient);
    if (r == S_FALSE)
        return r;
    if (index == GetActiveLookIndex())
        InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return r;
}

uint32_t LControl::GetColorAtPoint(const PointT<double>& point, int lookIndex) const
{
    const RCPtr<LLook>& look = GetCurrentLook(lookIndex);
    return look ? look->GetColorAtPoint(point) : 0x00FFFFFFu;
}

bool LControl::IsTransparentAt(const PointT<double>& point) const
{
    bool transparent = true;
    for (unsigned i = 0; transparent && i < m_looks.GetCount(); ++i) {
        if (i < m_lookWeights.size() && m_lookWeights[i] > 0.0f)
            transparent = (GetColorAtPoint(point, int(i)) >> 24) == 0;
    }
    return transparent;
}

// ---- fonts

KXRESULT LControl::SetFont(const String& face, float size, int32_t style, bool sizeIsRelative)
{
    RCPtr<LFont> base;
    if (m_fontInheritsFromParent && m_parent)
        base = m_parent->m_font;
    else if (IFrameworkServices* services = GetFrameworkServices())
        base = services->GetDefaultFont();
    const bool inheritFace = face.IsEmpty();
    const bool inheritSize = !(size > 0.0f);
    const bool inheritStyle = style == -1;
    // Without a base font nothing can be inherited.
    if (!base && (inheritFace || inheritSize || inheritStyle))
        return E_FAIL;
    const String useFace = inheritFace ? base->GetFace() : face;
    float factor = 1.0f;
    float useSize = size;
    if (inheritSize) {
        useSize = base->GetSize();
    } else if (sizeIsRelative && base) {
        factor = size;
        useSize = base->GetSize() * size;
    }
    const int32_t useStyle = inheritStyle ? base->GetStyle() : style;
    RCPtr<LFont> font;
    if (base && useFace == base->GetFace() && useSize == base->GetSize() && useStyle == base->GetStyle())
        font = base;
    else
        LFont::FindOrCreate(font, useFace, useSize, useStyle);
    if (!font)
        return E_FAIL;
    const KXRESULT r = ApplyFont(font);
    if (Succeeded(r)) {
        m_inheritFace = inheritFace;
        m_inheritSize = inheritSize;
        m_inheritStyle = inheritStyle;
        m_sizeIsRelative = sizeIsRelative;
        m_relativeSizeFactor = factor;
    }
    return r;
}

KXRESULT LControl::ApplyFont(const RCPtr<LFont>& font)
{
    if (!font)
        return E_INVALIDARG;
    for (unsigned i = m_looks.GetCount(); i-- > 0;) {
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->SetFont(font);
    }
    if (m_font == font || (m_font && !m_font->Differs(*font)))
        return S_FALSE;
    m_font = font;
    m_inheritFace = false;
    m_inheritStyle = false;
    for (unsigned i = 0; i < m_children.GetCount(); ++i) {
        RCPtr<LControl> child = m_children.GetAt(i, kInsertionOrder);
        static_cast<void>(child->RefreshInheritedFont()); // a font that cannot be made leaves the old one
    }
    static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return S_OK;
}

KXRESULT LControl::RefreshInheritedFont()
{
    if (!m_fontInheritsFromParent || !(m_inheritFace || m_inheritSize || m_inheritStyle))
        return S_OK;
    const bool relative = m_inheritSize && m_sizeIsRelative;
    const String face = m_inheritFace || !m_font ? String() : m_font->GetFace();
    float size = 0.0f;
    if (relative)
        size = m_relativeSizeFactor;
    else if (!m_inheritSize && m_font)
        size = m_font->GetSize();
    const int32_t style = m_inheritStyle || !m_font ? -1 : m_font->GetStyle();
    static_cast<void>(SetFont(face, size, style, relative)); // a font that cannot be made leaves the old one
    return S_OK;
}

bool LControl::IsTextTruncated()
{
    const RCPtr<LLook>& look = GetCurrentLook(-1);
    if (!look)
        return false;
    const float width = float(GeometryRules::Clamp(m_rect.width, 8388608.0));
    const double available = double(look->GetTextArea(width, float(m_rect.height)).width);
    if (!look->GetFontText())
        return !m_text.IsEmpty();
    LFontText& text = *look->GetFontText();
    const double textWidth = text.LayoutLines() > 0 ? double(text.GetLineRect(0).width) : 0.0;
    return textWidth > available;
}

// ---- painting

KXRESULT LControl::Paint(const RCPtr<LRenderer>& renderer, const LRectList& dirty, RCPtrArray<LControl, 1, 0>& deferred,
                         bool unclippedPass)
{
    if (GetClipToParent() == unclippedPass)
        return E_INVALIDARG;
    if (!IsVisible(false))
        return S_OK;
    LRenderContextInfo* context = renderer->GetCurrentContext();
    RectT<double> r = m_rect;
    if (!unclippedPass && context && !IntersectRect(r, r, context->GetState().clip))
        r.width = 0.0;
    if (!(r.width > kMinExtent) || !(r.height > kMinExtent)) {
        if (m_unclippedCount > 0)
            CollectUnclippedDescendants(deferred, true, false);
        return S_OK;
    }
    RCPtr<LControl> self = Hold(this);
    renderer->PushClip(m_rect.Round().ToDouble(), r, nullptr, true);
    if (context)
        context->GetState().opacity *= m_opacity;
    const PointT<double> origin = context ? context->GetState().offset : PointT<double>{};
    if (!dirty.IntersectsRectF({0.0, 0.0, m_rect.width, m_rect.height}, origin)) {
        if (m_unclippedCount > 0)
            CollectUnclippedDescendants(deferred, true, false);
        renderer->PopClip();
        return S_OK;
    }
    auto weighted = [this](unsigned i) { return GetLookWeight(i) > 0.0f; };
    auto underWeight = [&](unsigned i) {
        renderer->PushState();
        if (context)
            context->GetState().opacity *= GetLookWeight(i);
    };
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (m_looks.GetAt(i) && weighted(i)) {
            underWeight(i);
            m_looks.GetAt(i)->DrawClientPart(renderer, dirty);
            renderer->PopClip();
        }
    }
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (m_looks.GetAt(i) && weighted(i)) {
            underWeight(i);
            m_looks.GetAt(i)->DrawNonClientParts(renderer, dirty);
            renderer->PopClip();
        }
    }
    DrawHookPerDirtyRect(renderer, dirty, false);
    const PointT<double> textOrigin = m_textFollowsScroll ? m_scrollOffset : PointT<double>{};
    bool anyWeighted = false;
    for (unsigned i = 0; i < m_looks.GetCount(); ++i) {
        if (!weighted(i))
            continue;
        anyWeighted = true;
        underWeight(i);
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            // A part that cannot paint leaves its area; the walk goes on.
            static_cast<void>(look->DrawLabelText(renderer, dirty, textOrigin));
        PaintChildren(renderer, dirty, int(i), deferred);
        renderer->PopClip();
    }
    // A control that shows no look still shows its children.
    if (!anyWeighted)
        PaintChildren(renderer, dirty, -1, deferred);
    DrawHookPerDirtyRect(renderer, dirty, true);
    for (unsigned i = 0; i < m_children.GetCount(); ++i) {
        const RCPtr<LControl>& child = m_children.GetAt(i, kZOrder);
        if (!child->GetClipToParent() && child->IsVisible(false))
            deferred.AddItem(child);
    }
    renderer->PopClip();
    return S_OK;
}

void LControl::DrawHookPerDirtyRect(const RCPtr<LRenderer>& renderer, const LRectList& dirty, bool overlay)
{
    LRenderContextInfo* context = renderer->GetCurrentContext();
    const PointT<double> origin = context ? context->GetState().offset : PointT<double>{};
    for (const LRectList::Node* n = dirty.GetHead(); n; n = n->next) {
        RectT<double> r{double(n->left) - origin.x, double(n->top) - origin.y, double(n->right - n->left),
                        double(n->bottom - n->top)};
        if (context && !IntersectRect(r, r, context->GetState().clip))
            continue;
        renderer->PushClip({0.0, 0.0, m_rect.width, m_rect.height}, r, nullptr, true);
        if (overlay)
            static_cast<void>(DrawOverlay(renderer)); // a part that cannot paint leaves its area; the walk goes on
        else
            static_cast<void>(DrawContent(renderer)); // a part that cannot paint leaves its area; the walk goes on
        renderer->PopClip();
    }
}

void LControl::PaintChildren(const RCPtr<LRenderer>& renderer, const LRectList& dirty, int lookIndex,
                             RCPtrArray<LControl, 1, 0>& deferred)
{
    const unsigned count = m_children.GetCount();
    if (count == 0)
        return;
    LRenderContextInfo* context = renderer->GetCurrentContext();
    using GeometryRules::Clamp;
    RectT<double> c = GetLookClientRect(lookIndex);
    c = RectT<double>{Clamp(c.x, kCoordinateLimit), Clamp(c.y, kCoordinateLimit), Clamp(c.width, kCoordinateLimit),
                      Clamp(c.height, kCoordinateLimit)}
            .Round()
            .ToDouble();
    const RectT<double> area{c.x - m_scrollOffset.x, c.y - m_scrollOffset.y, c.width + m_scrollOffset.x,
                             c.height + m_scrollOffset.y};
    unsigned position = 0;
    auto inRun = [&](unsigned i, int docked) {
        const LControl& child = *m_children.GetAt(i, kZOrder);
        return child.GetClipToParent() && DockedAxes(child.m_layout.Get()) == docked;
    };
    for (int docked = 0; docked < 2 && position < count; ++docked) {
        unsigned end = position;
        while (end < count && inRun(end, docked))
            ++end;
        if (end == position)
            continue;
        bool visible = c.width > kMinExtent && c.height > kMinExtent;
        if (visible && context) {
            const RectT<double>& clip = context->GetState().clip;
            visible = c.x < clip.x + clip.width && clip.x < c.x + c.width && c.y < clip.y + clip.height &&
                      clip.y < c.y + c.height;
        }
        if (visible) {
            renderer->PushClip(area, c, nullptr, true);
            for (unsigned i = position; i < end; ++i) {
                RCPtr<LControl> child = m_children.GetAt(i, kZOrder);
                // A child that cannot paint leaves its area; the walk goes on.
                static_cast<void>(child->Paint(renderer, dirty, deferred, false));
            }
            renderer->PopClip();
        } else {
            for (unsigned i = position; i < end; ++i) {
                RCPtr<LControl> child = m_children.GetAt(i, kZOrder);
                if (child->m_unclippedCount > 0)
                    child->CollectUnclippedDescendants(deferred, true, false);
            }
        }
        position = end;
    }
    if (position < count && inRun(position, 2)) {
        // Children docked on both axes move with the content but keep the control's own clip.
        renderer->PushOffsetClip({c.x - m_scrollOffset.x, c.y - m_scrollOffset.y});
        for (; position < count && inRun(position, 2); ++position) {
            RCPtr<LControl> child = m_children.GetAt(position, kZOrder);
            // A child that cannot paint leaves its area; the walk goes on.
            static_cast<void>(child->Paint(renderer, dirty, deferred, false));
        }
        renderer->PopClip();
    }
}

KXRESULT LControl::DrawContent(const RCPtr<LRenderer>&)
{
    return S_OK;
}

KXRESULT LControl::DrawOverlay(const RCPtr<LRenderer>&)
{
    return S_OK;
}

// ---- invalidation

void LControl::InvalidateWhole()
{
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    InvalidateUnclippedArea();
}

void LControl::InvalidateRect(const RectT<double>& rect, bool clip)
{
    const PointT<double> origin = GetPositionInRoot();
    const RectT<double> rootRect{rect.x + origin.x, rect.y + origin.y, rect.width, rect.height};
    PropagateInvalidRect(rootRect, clip, rect);
}

void LControl::PropagateInvalidRect(const RectT<double>& rootRect, bool clip, const RectT<double>& localRect)
{
    if (!IsVisible(false))
        return;
    RectT<double> r = localRect;
    bool clipping = false;
    if (clip && GetClipToParent()) {
        if (!IntersectRect(r, r, GetParentClipRect()))
            return;
        clipping = true;
    }
    if (m_parent) {
        const PointT<double> offset = GetPositionInParentClient();
        r.x += offset.x;
        r.y += offset.y;
        m_parent->PropagateInvalidRect(rootRect, clipping, r);
        return;
    }
    if (!m_rootWindow)
        return;
    RectT<double> area = rootRect;
    if (clipping) {
        // r is in this control's coordinates; the top-level control's position takes it to the root's.
        r.x += m_rect.x;
        r.y += m_rect.y;
        if (!IntersectRect(area, rootRect, r))
            return;
    }
    m_rootWindow->InvalidateRect(area.Round());
}

void LControl::InvalidateUnclippedArea()
{
    if (m_unclippedCount > 0) {
        // One list for the process; a nested call, which cannot happen through invalidation itself,
        // would get its own.
        static RCPtrArray<LControl, 1, 0>* const shared = new RCPtrArray<LControl, 1, 0>;
        static bool inUse = false;
        RCPtrArray<LControl, 1, 0> own;
        RCPtrArray<LControl, 1, 0>& list = inUse ? own : *shared;
        const bool wasInUse = inUse;
        inUse = true;
        CollectUnclippedDescendants(list, true, true);
        for (unsigned i = list.GetCount(); i-- > 0;) {
            LControl* c = list.GetAt(i).Get();
            c->InvalidateRect({0.0, 0.0, c->m_rect.width, c->m_rect.height}, false);
        }
        list.SetCount(0);
        inUse = wasInUse;
    } else if (!GetClipToParent()) {
        InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, false);
    }
}

int LControl::CollectUnclippedDescendants(RCPtrArray<LControl, 1, 0>& out, bool onlyVisible, bool includeSelf)
{
    const bool visible = IsVisible(false);
    int count = 0;
    if (!GetClipToParent() && includeSelf && (!onlyVisible || visible)) {
        out.AddItem(RCPtr<LControl>(this));
        ++count;
    }
    if ((onlyVisible && !visible) || m_unclippedCount <= 0)
        return count;
    for (unsigned i = 0; i < m_children.GetCount(); ++i)
        count += m_children.GetAt(i, kZOrder)->CollectUnclippedDescendants(out, onlyVisible, true);
    return count;
}

bool LControl::IntersectRect(RectT<double>& out, const RectT<double>& a, const RectT<double>& b)
{
    const double left = std::max(a.x, b.x);
    const double top = std::max(a.y, b.y);
    const double width = std::min(a.x + a.width, b.x + b.width) - left;
    const double height = std::min(a.y + a.height, b.y + b.height) - top;
    out = {left, top, width, height};
    return width > kMinExtent && height > kMinExtent;
}

RectT<double> LControl::GetParentClipRect() const
{
    using GeometryRules::Clamp;
    if (m_parent) {
        const PointT<double> p = GetPositionInParentClient();
        return {Clamp(-p.x, kCoordinateLimit), Clamp(-p.y, kCoordinateLimit),
                Clamp(m_parent->m_rect.width, kCoordinateLimit), Clamp(m_parent->m_rect.height, kCoordinateLimit)};
    }
    if (m_rootWindow) {
        const PointT<int32_t> size = m_rootWindow->GetClientSize();
        return {Clamp(-m_rect.x, kCoordinateLimit), Clamp(-m_rect.y, kCoordinateLimit), double(size.x), double(size.y)};
    }
    return {0.0, 0.0, m_rect.width, m_rect.height};
}

// ---- idle

KXRESULT LControl::SubscribeIdle()
{
    if (m_idleCount++ != 0)
        return S_OK;
    RCPtr<LRootWindow> root = FindRootWindow();
    if (!root)
        return S_OK;
    if (!m_handlers)
        m_handlers = LNotificationHandler<LControl>::Create(this);
    const KXRESULT r = m_handlers->SetNotification(&LControl::OnIdle, root, u"NID_IDLE", 0);
    if (Failed(r))
        m_idleCount = 0;
    return r;
}

KXRESULT LControl::UnsubscribeIdle()
{
    // A stray call must not leave the count below 0, which would silence the next subscription.
    if (m_idleCount <= 0)
        return S_FALSE;
    if (--m_idleCount != 0)
        return S_OK;
    RCPtr<LRootWindow> root = FindRootWindow();
    if (!root)
        return S_OK;
    const KXRESULT r = LNotificationClient::UnregisterForNotification(root, u"NID_IDLE");
    if (!m_handlers || !m_handlers->RemoveNotification(root, u"NID_IDLE"))
        return E_FAIL;
    return r;
}

void LControl::RefreshIdleSubscription()
{
    if (m_idleCount > 0) {
        if (RCPtr<LRootWindow> root = FindRootWindow()) {
            if (!m_handlers)
                m_handlers = LNotificationHandler<LControl>::Create(this);
            if (Failed(m_handlers->SetNotification(&LControl::OnIdle, root, u"NID_IDLE", 0)))
                m_idleCount = 0;
        }
    }
    for (unsigned i = m_children.GetCount(); i-- > 0;)
        m_children.GetAt(i, kInsertionOrder)->RefreshIdleSubscription();
}

KXRESULT LControl::OnIdle(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    RCPtr<LControl> self = Hold(this);
    // Scrolling and the press hand-over first, then the removals, then the subclass's own work.
    RunInputIdleWork();
    DestroyPendingRemovals();
    OnIdleTick();
    return S_OK;
}

void LControl::OnIdleTick() {}

// ---- text, tool tip, cursor

KXRESULT LControl::SetText(const String& text)
{
    return UpdateText(text, true) ? S_OK : S_FALSE;
}

bool LControl::UpdateText(const String& text, bool relayout)
{
    if (SameName(text, m_text))
        return false;
    if (!m_parent && m_rootWindow) {
        if (IWindowOSServices* os = m_rootWindow->GetOSServices())
            static_cast<void>(os->SetWindowTitle(text)); // a window that cannot show a title keeps its old one
    }
    m_text = text;
    for (unsigned i = m_looks.GetCount(); i-- > 0;) {
        if (const RCPtr<LLook>& look = GetCurrentLook(int(i)))
            look->SetText(text);
    }
    if (relayout && m_layout) {
        const bool sizesX = m_layout->textOverflowX != 0 && !m_layout->minSize[0].hasReference;
        const bool sizesY = m_layout->textOverflowY != 0 && !m_layout->minSize[1].hasReference;
        if (sizesX || sizesY)
            static_cast<void>(RecalcLayoutFromDescriptor()); // without a layout or a parent the rectangle stays
    }
    InvalidateRect({0.0, 0.0, m_rect.width, m_rect.height}, GetClipToParent());
    return true;
}

String& LControl::GetString(String& text, const char16_t* key) const
{
    text = String();
    if (const RCPtr<LStringTable>& table = GetStringTable())
        table->GetString(key, text);
    return text;
}

String LControl::GetToolTipText() const
{
    return m_toolTipText;
}

KXRESULT LControl::ShowToolTip(bool show)
{
    if (!show) {
        RCPtr<LControl> tip = FindChild(u"toolTip");
        if (auto* link = dynamic_cast<IToolTipLink*>(tip.Get()))
            link->HideToolTip();
        return S_OK;
    }
    const String text = GetToolTipText();
    IFrameworkServices* services = GetFrameworkServices();
    if (text.IsEmpty() || !services)
        return S_OK;
    RCPtr<LControlFactory> factory = services->GetControlFactory();
    RCPtr<LControlClassRegistry> registry = services->GetControlClassRegistry();
    if (!factory || !registry)
        return S_OK;
    const RCPtr<LControlDescriptor>& descriptor = factory->FindControlDescriptor(u"toolTip");
    if (!descriptor)
        return S_OK;
    RCPtr<LControl> tip;
    registry->CreateControl(tip, descriptor, RCPtr<LControl>(this));
    // A tip that could not join this control (a child of that name is there already) is dropped.
    if (!tip || tip->GetParent().Get() != this)
        return S_OK;
    static_cast<void>(tip->SetText(text)); // a tip that refuses the text keeps the old one
    if (auto* link = dynamic_cast<IToolTipLink*>(tip.Get()))
        link->ShowToolTip();
    return S_OK;
}

void LControl::SetCursor(uintptr_t cursor)
{
    if (cursor == m_cursor)
        return;
    const uintptr_t old = m_cursor;
    m_cursor = cursor;
    if (!m_hover)
        return;
    if (old)
        ApplyCursor();
    else
        m_replacedCursor = ApplyCursor();
}

uintptr_t LControl::ApplyCursor()
{
    uintptr_t cursor = m_cursor;
    if (!cursor) {
        if (IFrameworkServices* services = GetFrameworkServices())
            cursor = services->LoadAppCursor(u"UI_CURSOR_ARROW");
    }
    RCPtr<LRootWindow> root = FindRootWindow();
    return root ? root->SetCursor(cursor) : 0;
}

} // namespace KX
