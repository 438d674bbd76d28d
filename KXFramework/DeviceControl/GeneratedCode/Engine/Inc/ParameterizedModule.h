#pragma once
// The base of every parameter module, in the device model and in the editor's panels alike. A
// module knows its parent, its first parameter identifier and its index in the parent; leaves own
// one parameter, whose value lives in the root's cache, never in the leaf.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/ParamValue.h"

#include <cstdint>

class LParameterizedModule : public virtual KX::LRefCountedObject {
public:
    // Stores parent, first identifier and index; 0.
    // Numbers this module's parameters from first; S_OK, for the record only; callers may ignore it.
    virtual KXRESULT SetFirstParamID(LParameterizedModule* parent, int32_t first, int32_t index);
    // The module that owns parameter `id`, null when none; every interface overrides these.
    virtual KX::RCPtr<LParameterizedModule> GetModule(int32_t id);
    virtual KX::ConstRCPtr<LParameterizedModule> GetModule(int32_t id) const;
    // A leaf's own value, kept by the root's cache. Groups cannot serve these (logic error); a leaf
    // without parent answers -1 and a foreign identifier E_FAIL. The flag is not interpreted.
    [[nodiscard]] virtual KXRESULT SetParamValueLocal(const KX::ParamDescriptor& d, const KX::Variant& v, int flag);
    [[nodiscard]] virtual KXRESULT GetParamValueLocal(const KX::ParamDescriptor& d, KX::Variant& out) const;
    // Climb to the parent; -1 without one.
    [[nodiscard]] virtual KXRESULT SetParamValue(const KX::ParamDescriptor& d, const KX::Variant& v);
    [[nodiscard]] virtual KXRESULT GetParamValue(const KX::ParamDescriptor& d, KX::Variant& out) const;
    // The base has no default: an empty value and 0.
    [[nodiscard]] virtual KXRESULT GetParamValueDefault(const KX::ParamDescriptor& d, KX::Variant& out) const;
    // Climb to the parent; -1 without one. The model's root answers from its cache.
    [[nodiscard]] virtual KXRESULT SetCachedParamValue(const KX::ParamDescriptor& d, const KX::Variant& v);
    [[nodiscard]] virtual KXRESULT GetCachedParamValue(const KX::ParamDescriptor& d, KX::Variant& out) const;

    LParameterizedModule* GetParent() const { return m_parent; }
    int32_t GetFirstParamID() const { return m_firstParamID; }
    int32_t GetIndex() const { return m_index; }
    bool HasOwnParam() const { return m_ownParam != 0; }

protected:
    explicit LParameterizedModule(bool ownParam);

    LParameterizedModule* m_parent = nullptr; // not owned
    int32_t m_ownParam;                       // 1 for leaves
    int32_t m_firstParamID = -1;              // -1 before numbering
    int32_t m_index = -1;                     // position in the parent
};

// The identifier range of a module tree must fit in 32 bits: 0 <= first <= INT32_MAX - (count - 1).
// Throws the "Invalid FirstParamID" logic error otherwise.
void CheckFirstParamID(int32_t first, int32_t count, const char* method, int line);

// Converts a read-only module pointer to a modifiable one by plain acquisition: the module is
// shared, never copied.
template <class T>
KX::RCPtr<T> ModifiableModule(const KX::ConstRCPtr<T>& p)
{
    return KX::RCPtr<T>(p);
}
