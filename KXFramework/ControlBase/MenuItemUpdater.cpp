#include "KXFramework/ControlBase/MenuItemUpdater.h"

#include "KXFramework/ControlBase/Control.h"

namespace KX {

LMenuItemUpdater::~LMenuItemUpdater() = default;

RCPtr<LControl> LMenuItemUpdater::GetTarget() const
{
    return RCPtr<LControl>(m_target);
}

} // namespace KX
