#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamCache.h"

LParamCache::LParamCache(int32_t firstParamID) : m_first(firstParamID)
{
    for (int32_t i = 0; i < kParamCount; ++i)
        m_values[i] = ParamDefaultValue(i);
}

int32_t LParamCache::IndexOf(int32_t id) const
{
    const int64_t offset = static_cast<int64_t>(id) - m_first;
    return offset >= 0 && offset < kParamCount ? static_cast<int32_t>(offset) : -1;
}

bool LParamCache::Contains(int32_t id) const
{
    return IndexOf(id) >= 0;
}

KXRESULT LParamCache::Check(int32_t id, const KX::Variant& v) const
{
    const int32_t index = IndexOf(id);
    if (index < 0 || v.GetType() != KX::Variant::Blob || v.GetSize() != ParamValueSize(index))
        return KX::E_INVALIDARG;
    return KX::S_OK;
}

KXRESULT LParamCache::Check(const KX::ParamValue& value) const
{
    if (value.descriptor.selector.GetType() != KX::Variant::Empty)
        return KX::E_INVALIDARG;
    return Check(value.descriptor.id, value.value);
}

KXRESULT LParamCache::Set(int32_t id, const KX::Variant& v)
{
    const KXRESULT r = Check(id, v);
    if (KX::Failed(r))
        return r;
    KX::MutexLock lock(m_lock);
    m_values[IndexOf(id)] = v;
    return KX::S_OK;
}

KXRESULT LParamCache::Get(int32_t id, KX::Variant& out) const
{
    const int32_t index = IndexOf(id);
    if (index < 0) {
        out.Clear();
        return KX::E_INVALIDARG;
    }
    KX::MutexLock lock(m_lock);
    out = m_values[index];
    return KX::S_OK;
}

KXRESULT LParamCache::SetMany(const KX::Array<KX::ParamValue>& values)
{
    const unsigned count = values.GetCount();
    for (unsigned i = 0; i < count; ++i)
        if (KX::Failed(Check(values.GetAt(i))))
            return KX::E_INVALIDARG;
    KX::MutexLock lock(m_lock);
    for (unsigned i = 0; i < count; ++i) {
        const KX::ParamValue& value = values.GetAt(i);
        m_values[IndexOf(value.descriptor.id)] = value.value;
    }
    return KX::S_OK;
}

KXRESULT LParamCache::GetRange(int32_t first, int32_t count, KX::Array<KX::ParamValue>& out, int32_t start) const
{
    const int32_t index = IndexOf(first);
    if (count < 0 || start < -1 || (count > 0 && (index < 0 || count > kParamCount - index)))
        return KX::E_INVALIDARG;
    unsigned at = 0;
    if (start < 0) {
        out.SetCount(0);
        out.SetCount(static_cast<unsigned>(count));
    } else {
        at = static_cast<unsigned>(start);
        if (out.GetCount() < at + static_cast<unsigned>(count))
            out.SetCount(at + static_cast<unsigned>(count));
    }
    KX::MutexLock lock(m_lock);
    for (int32_t i = 0; i < count; ++i) {
        KX::ParamValue& value = out.GetAt(at + static_cast<unsigned>(i));
        value.descriptor = KX::ParamDescriptor(first + i);
        value.value = m_values[index + i];
    }
    return KX::S_OK;
}
