#pragma once
// A shared object for container tests: records its destruction and can be copied on write.
#include "KXFramework/ObjectBase/RefCountedObject.h"

#include <vector>

namespace KX::Test {

class Counted : public virtual KX::LRefCountedObject {
public:
    explicit Counted(int id, std::vector<int>* destroyed = nullptr) : id(id), destroyed(destroyed) {}
    Counted(const Counted& other) : KX::LRefCountedObject(), id(other.id), destroyed(other.destroyed) {}
    ~Counted() override
    {
        if (destroyed)
            destroyed->push_back(id);
    }

    KX::RCPtr<KX::LRefCountedObject> CreateCopy() const override
    {
        return KX::RCPtr<KX::LRefCountedObject>(new Counted(*this));
    }

    int id;
    std::vector<int>* destroyed;
};

} // namespace KX::Test
