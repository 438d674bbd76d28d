#pragma once
// A shared object that carries one tag: any shared object its user attaches to it.
#include "KXFramework/ObjectBase/RefCountedObject.h"

namespace KX {

class LTaggableObject : public virtual LRefCountedObject {
public:
    ~LTaggableObject() override;

    const RCPtr<LRefCountedObject>& GetTag() const { return m_tag; }
    void SetTag(const RCPtr<LRefCountedObject>& tag) { m_tag = tag; }

private:
    RCPtr<LRefCountedObject> m_tag;
};

} // namespace KX
