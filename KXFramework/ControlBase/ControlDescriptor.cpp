#include "KXFramework/ControlBase/ControlDescriptor.h"

#include <algorithm>

namespace KX {

LControlDescriptor::LControlDescriptor(const String& className, const String& name, LControlDescriptor* parent)
    : m_className(className),
      m_name(name),
      m_parent(parent)
{
}

RCPtr<LControlDescriptor> LControlDescriptor::Clone(const String& newName) const
{
    RCPtr<LControlDescriptor> clone(
        new LControlDescriptor(m_className, newName.IsEmpty() ? m_name : newName, m_parent));
    clone->m_skin = m_skin;
    clone->m_layout = m_layout;
    clone->m_createParams = m_createParams;
    clone->m_createFunction = m_createFunction;
    for (unsigned i = 0; i < m_subDescriptors.GetCount(); ++i)
        clone->m_subDescriptors.AddItem(m_subDescriptors.GetAt(i));
    return clone;
}

void LControlDescriptor::SortSubDescriptors()
{
    const auto byLayoutOrder = [](const RCPtr<LControlDescriptor>& a, const RCPtr<LControlDescriptor>& b) {
        const int32_t left = a->GetLayout() ? a->GetLayout()->layoutOrder : 0;
        const int32_t right = b->GetLayout() ? b->GetLayout()->layoutOrder : 0;
        return left < right;
    };
    RCPtr<LControlDescriptor>* first = m_subDescriptors.GetData();
    RCPtr<LControlDescriptor>* last = first + m_subDescriptors.GetCount();
    // Most lists are written in order already; the stable sort would still take a buffer.
    if (!std::is_sorted(first, last, byLayoutOrder))
        std::stable_sort(first, last, byLayoutOrder);
}

} // namespace KX
