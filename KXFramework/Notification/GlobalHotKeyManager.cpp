#include "KXFramework/Notification/GlobalHotKeyManager.h"

#include "KXFramework/Notification/Notification.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"

namespace KX {

RCPtr<LGlobalHotKeyManager> LGlobalHotKeyManager::Create(const RCPtr<LNotificationReceiver>& postingReceiver)
{
    return RCPtr<LGlobalHotKeyManager>(new LGlobalHotKeyManager(postingReceiver));
}

KXRESULT LGlobalHotKeyManager::ProcessKey(uint32_t key, uint32_t modifiers, uint32_t extra)
{
    const KeyCode code(key, modifiers, extra);
    const NotificationID id = m_bindings.FindNotificationID(code);
    if (id == nullptr)
        return S_FALSE;
    if (!m_receiver)
        return E_FAIL;
    RCPtr<LHolder<KeyCode>> payload = LHolder<KeyCode>::Create();
    *payload->value = code;
    RCPtr<LNotification> notification;
    const KXRESULT r = LNotification::Create(notification, id, payload);
    if (r < 0)
        return r;
    const KXRESULT posted = m_receiver->ReceiveNotification(nullptr, notification);
    return posted < 0 ? posted : S_OK;
}

} // namespace KX
