#include "KXFramework/ObjectBase/RefCountedObject.h"

#include "KXFramework/Utilities/Storage/StringT.h"

#include <stdexcept>
#include <string>

namespace KX {

LRefCountedObject::~LRefCountedObject() = default;

StringT<char16_t, char> LRefCountedObject::ToString() const
{
    const std::string text =
        "LRefCountedObject::ToString() not overridden. Returning TypeName: " + TypeName(typeid(*this));
    return StringT<char16_t, char>(text.c_str());
}

void LRefCountedObject::Undo()
{
    throw Exception<std::logic_error>("Logic Error : Undo() not implemented for RefCountedObject : "
                                      "KX::LRefCountedObject::Undo : objectbase\\RefCountedObject : Line 155");
}

int32_t LRefCountedObject::AddRef()
{
    return ++m_refCount;
}

int32_t LRefCountedObject::Release()
{
    // When the reference going away is the last one not held on the object's own behalf, let the
    // object drop those first; the releases they cause see the guard and do not ask again.
    const int32_t refs = m_refCount.load();
    const int32_t owners = m_ownerCount.load();
    if (refs == owners + 1 && owners > 0 && m_breakCyclesGuard.load() == 0) {
        struct Guard {
            std::atomic<int32_t>& g;
            explicit Guard(std::atomic<int32_t>& guard) : g(guard) { ++g; }
            ~Guard() { --g; }
        } guard(m_breakCyclesGuard);
        BreakCycles();
    }
    const int32_t left = --m_refCount;
    if (left == 0)
        delete this;
    return left;
}

KXRESULT LRefCountedObject::BreakCycles()
{
    return m_ownerCount.load() == 0 && m_refCount.load() == 1 ? S_OK : E_FAIL;
}

RCPtr<LRefCountedObject> LRefCountedObject::CreateCopy() const
{
    throw Exception<std::logic_error>(
        "Logic Error : CreateCopy() not implemented for RefCountedObject : KX::LRefCountedObject::CreateCopy : "
        "objectbase\\RefCountedObject : Line 233");
}

void LRefCountedObject::SetUnshareable(bool unshareable)
{
    if (unshareable && m_refCount.load() > 1)
        throw Exception<std::runtime_error>(
            "Runtime Error : KX::LRefCountedObject::SetUnshareable : ObjectBase\\RefCountedObject : Line 29");
    m_mayBeShared.store(!unshareable);
}

void LRefCountedObject::AdjustOwnerCount(int delta)
{
    m_ownerCount += delta;
}

namespace Detail {
void ThrowUnshareFailed(const std::type_info& type)
{
    const std::string name = TypeName(type);
    throw Exception<std::logic_error>("Logic Error : " + name + " : KX::ConstRCPtr<" + name +
                                      ">::Unshare : objectbase\\RefCountedObject : Line 377");
}
} // namespace Detail

} // namespace KX
