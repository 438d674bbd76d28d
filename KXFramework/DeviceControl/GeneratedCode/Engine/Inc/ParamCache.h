#pragma once
// The 131 current values of the device model, one byte blob per parameter. Every slot keeps the
// fixed size of its kind: a value of another size, of another kind or with a selector is refused
// and the slot keeps what it had, so that one bad value can never shift the bytes of a dump.
#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/ParamTable.h"
#include "KXFramework/ObjectBase/Mutex.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/ParamValue.h"

class LParamCache : public virtual KX::LRefCountedObject {
public:
    // Filled with the 131 defaults.
    explicit LParamCache(int32_t firstParamID);

    int32_t GetFirstParamID() const { return m_first; }
    bool Contains(int32_t id) const;
    // 0 when `v` may be stored under `id`; E_INVALIDARG for an identifier outside the model, a value
    // that is not a blob of the parameter's size, or a descriptor with a selector.
    [[nodiscard]] KXRESULT Check(int32_t id, const KX::Variant& v) const;
    [[nodiscard]] KXRESULT Check(const KX::ParamValue& value) const;

    [[nodiscard]] KXRESULT Set(int32_t id, const KX::Variant& v);
    // E_INVALIDARG outside the model, with `out` emptied.
    [[nodiscard]] KXRESULT Get(int32_t id, KX::Variant& out) const;
    // Checks every value first: all are stored, or none (E_INVALIDARG).
    [[nodiscard]] KXRESULT SetMany(const KX::Array<KX::ParamValue>& values);
    // `count` values from identifier `first`. start -1: `out` becomes exactly those values; start >= 0:
    // `out` grows to at least start + count and they are written from `start`. A range leaving the
    // model, count < 0 or start < -1 gives E_INVALIDARG with `out` unchanged.
    [[nodiscard]] KXRESULT GetRange(int32_t first, int32_t count, KX::Array<KX::ParamValue>& out, int32_t start) const;

    // The engine's lock; every operation above takes it.
    KX::Mutex& GetLock() const { return m_lock; }

private:
    int32_t IndexOf(int32_t id) const; // -1 outside

    mutable KX::Mutex m_lock;
    const int32_t m_first;
    KX::Variant m_values[kParamCount];
};
