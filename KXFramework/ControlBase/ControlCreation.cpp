// LControl's creation from its descriptor and create parameters.
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

// A create parameter is true when, trimmed of blanks and line breaks and lower-cased, it is "true".
bool ParseCreateBool(const String& text)
{
    return text.Trim(u" \t\r\n").ToLower() == String(u"true");
}

} // namespace

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
    RecalcLayoutFromDescriptor();
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
    SetLookExclusive(0);
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
        RecalcLayoutFromDescriptor();
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
    RecalcLayoutFromDescriptor();
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
    RecalcLayoutFromDescriptor();
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
        SetFocus(true);
    else if (notFocusable && m_hasFocus)
        HandOverFocus(false);
}

} // namespace KX
