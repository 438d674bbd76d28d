#pragma once
// A run of GL display lists that replay cached geometry. The names are made on the first
// BeginList; a run of none is one shared empty object. Needs the renderer's GL context current.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"

#include <cstdint>

namespace KX {

class LGLDisplayList : public LRefCountedObject {
public:
    static constexpr uint32_t kNoBase = 0xFFFFFFFF;

    static void Create(RCPtr<LGLDisplayList>& out, uint32_t count);
    ~LGLDisplayList() override;

    // Starts compiling list index: 0, or E_FAIL when GL has no list for it.
    [[nodiscard]] KXRESULT BeginList(uint32_t index);
    [[nodiscard]] KXRESULT EndList();
    // Replays count lists from first: 0, E_INVALIDARG past the end, E_FAIL for a missing list.
    [[nodiscard]] KXRESULT Call(uint32_t first, uint32_t count);

private:
    explicit LGLDisplayList(uint32_t count) : m_count(count) {}
    bool HasList(uint32_t index) const;

    uint32_t m_base = kNoBase;
    const uint32_t m_count;
};

} // namespace KX
