// Internal to the control core: keeps controls out of hit testing while a pointer search runs.
#pragma once

#include "KXFramework/ControlBase/Control.h"

#include <vector>

namespace KX {

// Marks the controls excluded from hit testing for the life of the guard.
class LExclusionGuard {
public:
    explicit LExclusionGuard(const std::vector<RCPtr<LControl>>& controls) : m_controls(controls)
    {
        for (const RCPtr<LControl>& c : m_controls)
            c->SetExcluded(true);
    }
    ~LExclusionGuard()
    {
        for (const RCPtr<LControl>& c : m_controls)
            c->SetExcluded(false);
    }
    LExclusionGuard(const LExclusionGuard&) = delete;
    LExclusionGuard& operator=(const LExclusionGuard&) = delete;

private:
    std::vector<RCPtr<LControl>> m_controls;
};

} // namespace KX
