#pragma once
// A notification: an interned name, an optional payload and the flag that a queue holds it.
// Objects are recycled through a process-wide pool while pooling is on.
#include "KXFramework/Notification/NotificationNames.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"

#include <atomic>

namespace KX {

class LNotificationQueue;

class LNotification : public virtual LRefCountedObject {
public:
    // `out` is null and the result E_INVALIDARG for a null or empty name; else 0.
    [[nodiscard]] static KXRESULT Create(RCPtr<LNotification>& out, const char16_t* name,
                                         const RCPtr<LRefCountedObject>& payload);
    // Turning pooling off empties the pool.
    static void EnablePooling(bool on);

    NotificationID GetID() const;
    StringT<char16_t, char> GetName() const;
    const RCPtr<LRefCountedObject>& GetPayload() const;
    bool IsPosted() const;

    // When the last user lets go while pooling is on, the object goes back to the pool with its
    // payload released instead of being destroyed.
    int32_t Release() override;

private:
    friend class LNotificationQueue;
    LNotification() = default;
    // Sets the posted flag; false when it was already set (the notification sits in a queue).
    bool MarkPosted();
    void ClearPosted();

    std::atomic<NotificationID> m_id{nullptr};
    RCPtr<LRefCountedObject> m_payload;
    std::atomic<bool> m_posted{false};
};

} // namespace KX
