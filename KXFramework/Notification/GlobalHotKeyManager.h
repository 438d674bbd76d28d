#pragma once
// Turns key presses into notifications: a key bound in its table is posted, as the bound
// notification carrying a copy of the key, to the receiver it was made with (a queue's posting
// receiver). Used on the UI thread.
#include "KXFramework/Notification/KeyBindingMap.h"
#include "KXFramework/Notification/NotificationDistributor.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"

#include <cstdint>

namespace KX {

class LGlobalHotKeyManager : public virtual LRefCountedObject {
public:
    static RCPtr<LGlobalHotKeyManager> Create(const RCPtr<LNotificationReceiver>& postingReceiver);

    KeyBindingMap& GetKeyBindingMap() { return m_bindings; }
    // Where the bound notifications go.
    const RCPtr<LNotificationReceiver>& GetReceiver() const { return m_receiver; }

    // The three words of a key record. 1 when no binding matches; otherwise the bound notification,
    // with an LHolder<KeyCode> of the key as payload, goes to the receiver (with no sender) and the
    // result is 0. E_FAIL when the manager has no receiver; the receiver's failure when it refuses
    // the notification (its queue shut down).
    [[nodiscard]] KXRESULT ProcessKey(uint32_t key, uint32_t modifiers, uint32_t extra);

private:
    explicit LGlobalHotKeyManager(const RCPtr<LNotificationReceiver>& receiver) : m_receiver(receiver) {}

    RCPtr<LNotificationReceiver> m_receiver;
    KeyBindingMap m_bindings;
};

} // namespace KX
