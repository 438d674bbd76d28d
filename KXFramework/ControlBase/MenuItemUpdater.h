#pragma once
// What a menu asks for the enabled, checked and label states of its items each time it shows: the
// target control's HandleEditRequest. Made by the control itself (GetMenuItemUpdater) and handed to
// menus that may outlive it.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"

namespace KX {

class LControl;

class LMenuItemUpdater : public virtual LRefCountedObject {
public:
    explicit LMenuItemUpdater(LControl* target) : m_target(target) {}
    LMenuItemUpdater(const LMenuItemUpdater&) = delete;
    LMenuItemUpdater& operator=(const LMenuItemUpdater&) = delete;
    ~LMenuItemUpdater() override;

    // The control that answers, held for the caller; null once that control is gone.
    RCPtr<LControl> GetTarget() const;
    // The target lets go as it dies, so a menu still holding the updater asks nobody.
    void ClearTarget() { m_target = nullptr; }

private:
    // Not counted: the control holds its updater, and a counted back pointer would keep both alive.
    LControl* m_target;
};

} // namespace KX
