#pragma once
// A control that handles notifications with its own members. Put LControlWithHandler between the
// control and its base; the control then only binds, and the handler's delivery (once the control
// is created), unregistering and release in BreakCycles come from here:
//
//     class LPresetPanel : public LControlWithHandler<LPanel, LPresetPanel> {
//     public:
//         using LControlWithHandler::LControlWithHandler;
//         KXRESULT Initialize() override; // Bind(&LPresetPanel::OnSave, FindChild(u"save"), u"NID_LEFT_CLICK")
//         KXRESULT OnSave(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n);
//     };
//
// A bound member's result answers the sender; a notification without a binding goes on to Base.
// A control that overrides ReceiveNotification, UnregisterForNotification or BreakCycles itself
// hands on to LControlWithHandler's, not to Base's.
// Thread: UI thread only.
#include "KXFramework/ControlBase/Control.h"
#include "KXFramework/Notification/NotificationHandler.h"

namespace KX {

template <class Base, class Derived>
class LControlWithHandler : public Base {
public:
    using Base::Base;
    using Handler = LNotificationHandler<Derived>;

    KXRESULT ReceiveNotification(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& n) override
    {
        KXRESULT handled = S_OK;
        if (m_handler && this->IsCreated() && m_handler->Dispatch(sender, n, handled))
            return handled;
        return Base::ReceiveNotification(sender, n);
    }

    [[nodiscard]] KXRESULT UnregisterForNotification(const RCPtr<LNotificationDistributor>& sender,
                                                     const char16_t* name) override
    {
        if (m_handler)
            m_handler->RemoveNotification(sender, name);
        return Base::UnregisterForNotification(sender, name);
    }

    KXRESULT BreakCycles() override
    {
        m_handler = nullptr;
        return Base::BreakCycles();
    }

protected:
    // Registers with the sender and binds the member to (sender, name), replacing an earlier
    // binding of the pair; the handler is made on first use. Results as Handler::SetNotification: a
    // failure is only a null sender or a name that cannot be registered, a programming error, so callers may
    // ignore it.
    KXRESULT Bind(typename Handler::Member member, const RCPtr<LNotificationDistributor>& sender, const char16_t* name,
                  unsigned flags = 0)
    {
        return MakeHandler()->SetNotification(member, sender, name, flags);
    }

    // Binds the member to a name from any sender; E_FAIL when the name was never interned.
    [[nodiscard]] KXRESULT BindAny(typename Handler::Member member, const char16_t* name)
    {
        return MakeHandler()->AddHandler(member, name);
    }

    // Drops the binding of (sender, name) and the registration with the sender, and only those.
    [[nodiscard]] KXRESULT Unbind(const RCPtr<LNotificationDistributor>& sender, const char16_t* name)
    {
        if (m_handler)
            m_handler->RemoveNotification(sender, name);
        return this->LNotificationClient::UnregisterForNotification(sender, name);
    }

    // Null until the first binding and after BreakCycles.
    const RCPtr<Handler>& GetHandler() const { return m_handler; }

private:
    const RCPtr<Handler>& MakeHandler()
    {
        if (!m_handler)
            m_handler = Handler::Create(static_cast<Derived*>(this));
        return m_handler;
    }

    RCPtr<Handler> m_handler;
};

} // namespace KX
