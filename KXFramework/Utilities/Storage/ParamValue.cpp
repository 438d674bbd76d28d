#include "KXFramework/Utilities/Storage/ParamValue.h"

#include "KXFramework/Utilities/Storage/StringT.h"

#include <vector>

namespace KX {

namespace {

constexpr KXRESULT kNoDescriptors = -4;

Variant IdValue(int32_t id)
{
    Variant v;
    v.SetData(Variant::Int32, &id, sizeof id);
    return v;
}

Variant ListOf(const std::vector<Variant>& items)
{
    Variant list;
    list.SetList(items.data(), static_cast<int>(items.size()));
    return list;
}

Variant ValueItem(const ParamDescriptor& d, const Variant& value)
{
    std::vector<Variant> parts{IdValue(d.id), value};
    if (d.selector.GetType() != Variant::Empty)
        parts.push_back(d.selector);
    return ListOf(parts);
}

Variant DescriptorItem(const ParamDescriptor& d)
{
    if (d.selector.GetType() == Variant::Empty)
        return IdValue(d.id);
    return ListOf({IdValue(d.id), d.selector});
}

bool ReadId(const Variant& v, int32_t& id)
{
    if (v.GetType() != Variant::Int32)
        return false;
    id = v.ToInt32();
    return true;
}

} // namespace

ParamDescriptor::ParamDescriptor(int32_t id, const Variant& selector) : id(id), selector(selector) {}

bool ParamDescriptor::operator==(const ParamDescriptor& other) const
{
    return id == other.id && selector == other.selector;
}

ParamValues::ParamValues()
{
    SetList(nullptr, 0);
}

KXRESULT ParamValues::Set(const Array<ParamValue>& values)
{
    std::vector<Variant> items;
    items.reserve(values.GetCount());
    for (const ParamValue& v : values)
        items.push_back(ValueItem(v.descriptor, v.value));
    SetList(items.data(), static_cast<int>(items.size()));
    return S_OK;
}

KXRESULT ParamValues::Set(const ParamDescriptor& descriptor, const Variant& value)
{
    const Variant item = ValueItem(descriptor, value);
    SetList(&item, 1);
    return S_OK;
}

int ParamValues::GetCount() const
{
    return static_cast<int>(GetListCount());
}

KXRESULT ParamValues::GetAt(int i, ParamDescriptor& descriptor, Variant& value) const
{
    Variant item, part;
    if (GetListItem(i, item) != 0 || item.GetType() != Variant::List)
        return E_FAIL;
    const unsigned parts = item.GetListCount();
    if (parts != 2 && parts != 3)
        return E_FAIL;
    int32_t id;
    if (item.GetListItem(0, part) != 0 || !ReadId(part, id))
        return E_FAIL;
    Variant v, selector;
    if (item.GetListItem(1, v) != 0 || (parts == 3 && item.GetListItem(2, selector) != 0))
        return E_FAIL;
    descriptor.id = id;
    descriptor.selector = selector;
    value = v;
    return S_OK;
}

ParamDescriptors::ParamDescriptors()
{
    SetList(nullptr, 0);
}

KXRESULT ParamDescriptors::Set(const ParamDescriptor* descriptors, int count)
{
    if (!descriptors || count <= 0) {
        SetList(nullptr, 0);
        return kNoDescriptors;
    }
    std::vector<Variant> items;
    items.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        items.push_back(DescriptorItem(descriptors[i]));
    SetList(items.data(), count);
    return S_OK;
}

KXRESULT ParamDescriptors::Set(int32_t firstId, int count)
{
    if (count <= 0) {
        SetList(nullptr, 0);
        return kNoDescriptors;
    }
    std::vector<Variant> items;
    items.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        items.push_back(IdValue(static_cast<int32_t>(static_cast<uint32_t>(firstId) + static_cast<uint32_t>(i))));
    SetList(items.data(), count);
    return S_OK;
}

int ParamDescriptors::GetCount() const
{
    return static_cast<int>(GetListCount());
}

KXRESULT ParamDescriptors::GetAt(int i, ParamDescriptor& out) const
{
    Variant item;
    if (GetListItem(i, item) != 0)
        return E_FAIL;
    int32_t id;
    if (ReadId(item, id)) {
        out.id = id;
        out.selector.Clear();
        return S_OK;
    }
    Variant part, selector;
    if (item.GetType() != Variant::List || item.GetListCount() != 2 || item.GetListItem(0, part) != 0 ||
        !ReadId(part, id) || item.GetListItem(1, selector) != 0)
        return E_FAIL;
    out.id = id;
    out.selector = selector;
    return S_OK;
}

StringT<char16_t, char> ParamDescriptorToString(const ParamDescriptor& descriptor)
{
    return StringT<char16_t, char>::Format(u"%u", static_cast<uint32_t>(descriptor.id));
}

} // namespace KX
